#include "core/icons.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace icons {

namespace {

void page(QPainter &p) {
    p.setPen(QColor(90, 90, 90));
    p.setBrush(Qt::white);
    QPainterPath path;
    path.moveTo(3, 1);
    path.lineTo(10, 1);
    path.lineTo(13, 4);
    path.lineTo(13, 15);
    path.lineTo(3, 15);
    path.closeSubpath();
    p.drawPath(path);
}

void lines(QPainter &p) {
    p.setPen(QColor(120, 140, 180));
    for (int y = 6; y <= 12; y += 2) p.drawLine(5, y, 11, y);
}

// Closed: a gold lock shut over its body. Open: a green lock whose shackle
// stands high and free on one leg, so that the two differ at 16 pixels in
// colour and in shape.
void padlock(QPainter &p, bool closed) {
    const QColor edge = closed ? QColor(120, 90, 0) : QColor(30, 100, 30);
    p.setPen(QPen(edge, 1.4));
    p.setBrush(Qt::NoBrush);
    if (closed) {
        p.drawArc(QRectF(8.5, 6.5, 6, 6), 0, 180 * 16);
    } else {
        p.drawArc(QRectF(9.5, 2.5, 6, 6), 0, 180 * 16);
        p.drawLine(QPointF(15.5, 5.5), QPointF(15.5, 9.5));
    }
    p.setPen(edge);
    p.setBrush(closed ? QColor(230, 180, 30) : QColor(110, 200, 90));
    p.drawRect(QRectF(7.5, 9.5, 8, 6));
}

void folder(QPainter &p) {
    p.setPen(QColor(160, 120, 20));
    p.setBrush(QColor(250, 205, 70));
    p.drawRect(QRectF(1.5, 4.5, 13, 9));
    p.drawRect(QRectF(1.5, 2.5, 5, 2));
}

void monitor(QPainter &p, const QRectF &r) {
    p.setPen(QColor(60, 60, 60));
    p.setBrush(QColor(70, 130, 200));
    p.drawRect(r);
    p.setBrush(QColor(80, 80, 80));
    p.drawRect(QRectF(r.center().x() - 2, r.bottom() + 1, 4, 1.5));
}

QPixmap draw(Id id) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (id) {
    case Id::App:
        monitor(p, QRectF(1.5, 2.5, 13, 9));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(242, 169, 59));
        p.drawEllipse(QRectF(5, 4, 6, 6));
        break;
    case Id::PeerRoot:
        p.setPen(QColor(30, 90, 160));
        p.setBrush(QColor(120, 180, 240));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
        p.drawEllipse(QRectF(5, 1.5, 6, 13));
        break;
    case Id::PeerGroup:
        monitor(p, QRectF(0.5, 1.5, 9, 6));
        monitor(p, QRectF(6.5, 7.5, 9, 6));
        break;
    case Id::PeerComputer:
        monitor(p, QRectF(1.5, 2.5, 13, 9));
        break;
    case Id::FileOpen:
        page(p);
        lines(p);
        padlock(p, false);
        break;
    case Id::FileLocked:
        page(p);
        lines(p);
        padlock(p, true);
        break;
    case Id::FilePlain:
        page(p);
        break;
    case Id::Folder:
        folder(p);
        break;
    case Id::Owner:
        monitor(p, QRectF(1.5, 2.5, 13, 9));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(90, 200, 90));
        p.drawEllipse(QRectF(9, 8, 6, 6));
        break;
    case Id::Drive:
        p.setPen(QColor(80, 80, 80));
        p.setBrush(QColor(200, 200, 200));
        p.drawRoundedRect(QRectF(1.5, 5.5, 13, 6), 1.5, 1.5);
        p.setBrush(QColor(40, 200, 40));
        p.drawRect(QRectF(11, 9, 2, 1));
        break;
    }
    return pm;
}

} // namespace

QIcon Get(Id id) {
    static QHash<int, QIcon> cache;
    auto it = cache.find(int(id));
    if (it == cache.end()) it = cache.insert(int(id), QIcon(draw(id)));
    return *it;
}

} // namespace icons
