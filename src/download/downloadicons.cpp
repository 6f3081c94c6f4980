#include "download/downloadicons.h"

#include "download/downloadqueue.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace downloadicons {

namespace {

QIcon Draw(const std::function<void(QPainter &)> &paint) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p);
    p.end();
    return QIcon(pm);
}

void Disc(QPainter &p, const QColor &fill) {
    p.setPen(fill.darker(150));
    p.setBrush(fill);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
}

void Triangle(QPainter &p, qreal x, const QColor &fill) {
    QPainterPath t;
    t.moveTo(x, 3);
    t.lineTo(x + 8, 8);
    t.lineTo(x, 13);
    t.closeSubpath();
    p.setPen(fill.darker(150));
    p.setBrush(fill);
    p.drawPath(t);
}

void Arrow(QPainter &p, bool up) {
    QPainterPath a;
    const qreal tip = up ? 2 : 14, base = up ? 8 : 8, tail = up ? 14 : 2;
    a.moveTo(8, tip);
    a.lineTo(14, base);
    a.lineTo(10.5, base);
    a.lineTo(10.5, tail);
    a.lineTo(5.5, tail);
    a.lineTo(5.5, base);
    a.lineTo(2, base);
    a.closeSubpath();
    p.setPen(QColor(30, 90, 160));
    p.setBrush(QColor(80, 150, 230));
    p.drawPath(a);
}

} // namespace

QIcon State(int index) {
    static const QIcon icons[] = {
        // waiting: a clock face
        Draw([](QPainter &p) {
            Disc(p, QColor(235, 235, 235));
            p.setPen(QPen(QColor(70, 70, 70), 1.4));
            p.drawLine(QPointF(8, 8), QPointF(8, 4));
            p.drawLine(QPointF(8, 8), QPointF(11, 9.5));
        }),
        // transferring: an arrow into a tray
        Draw([](QPainter &p) {
            Disc(p, QColor(90, 160, 235));
            p.setPen(QPen(Qt::white, 1.8));
            p.drawLine(QPointF(8, 4), QPointF(8, 11));
            p.drawLine(QPointF(5, 8), QPointF(8, 11));
            p.drawLine(QPointF(11, 8), QPointF(8, 11));
        }),
        // stopped: two bars
        Draw([](QPainter &p) {
            Disc(p, QColor(240, 190, 60));
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(5, 4.5, 2, 7));
            p.drawRect(QRectF(9, 4.5, 2, 7));
        }),
        // complete: a tick
        Draw([](QPainter &p) {
            Disc(p, QColor(70, 175, 80));
            p.setPen(QPen(Qt::white, 1.8));
            p.drawPolyline(QPolygonF({QPointF(4.5, 8.5), QPointF(7, 11), QPointF(11.5, 5)}));
        }),
        // failed: a cross
        Draw([](QPainter &p) {
            Disc(p, QColor(215, 60, 50));
            p.setPen(QPen(Qt::white, 1.8));
            p.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
            p.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
        }),
    };
    return index >= kIconWaiting && index <= kIconFailed ? icons[index] : QIcon();
}

QIcon Get(Button button) {
    switch (button) {
    case Button::Stop:
        return Draw([](QPainter &p) {
            p.setPen(QColor(150, 30, 30));
            p.setBrush(QColor(215, 60, 50));
            p.drawRect(QRectF(3.5, 3.5, 9, 9));
        });
    case Button::StartAll:
        return Draw([](QPainter &p) {
            Triangle(p, 1.5, QColor(70, 175, 80));
            Triangle(p, 7, QColor(70, 175, 80));
        });
    case Button::Start:
        return Draw([](QPainter &p) { Triangle(p, 4, QColor(70, 175, 80)); });
    case Button::Upward:
        return Draw([](QPainter &p) { Arrow(p, true); });
    case Button::Downward:
        return Draw([](QPainter &p) { Arrow(p, false); });
    }
    return {};
}

} // namespace downloadicons
