#include "chat/chatglyphs.h"

#include "chat/windowlook.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace chatglyphs {

namespace {

QPixmap canvas(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    return pm;
}

QPixmap hourglass(int size) {
    QPixmap pm = canvas(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    p.setPen(QPen(QColor(40, 60, 140), 1.2));
    p.drawLine(QPointF(3, 1.5), QPointF(13, 1.5));
    p.drawLine(QPointF(3, 14.5), QPointF(13, 14.5));
    QPainterPath glass;
    glass.moveTo(4, 2);
    glass.lineTo(12, 2);
    glass.lineTo(8.6, 8);
    glass.lineTo(12, 14);
    glass.lineTo(4, 14);
    glass.lineTo(7.4, 8);
    glass.closeSubpath();
    p.setBrush(QColor(220, 235, 255));
    p.drawPath(glass);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 170, 40));
    QPainterPath sand;
    sand.moveTo(5.5, 13.2);
    sand.lineTo(10.5, 13.2);
    sand.lineTo(8, 10);
    sand.closeSubpath();
    p.drawPath(sand);
    p.drawPolygon(QPolygonF({QPointF(5.6, 3.5), QPointF(10.4, 3.5), QPointF(8, 6.5)}));
    return pm;
}

} // namespace

QIcon NamePrefix() {
    QPixmap pm = canvas(16);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(20, 20, 20));
    p.setFont(GulimFont(7));
    p.drawText(QRectF(0, 0, 16, 9), Qt::AlignCenter, QStringLiteral("가나다"));
    p.setPen(QPen(QColor(0, 140, 0), 1.8));
    p.drawPolyline(QPolygonF({QPointF(4, 11.5), QPointF(7, 14.5), QPointF(13, 9.5)}));
    return QIcon(pm);
}

QIcon SenderColours() {
    QPixmap pm = canvas(16);
    QPainter p(&pm);
    const QColor stripes[] = {Qt::red, Qt::blue, QColor(0, 128, 0), QColor(128, 128, 0), Qt::magenta};
    for (int i = 0; i < 5; ++i) p.fillRect(QRect(1 + i * 3, 2, 3, 12), stripes[i]);
    p.setPen(QColor(60, 60, 60));
    p.drawRect(QRect(1, 2, 14, 11));
    return QIcon(pm);
}

QIcon Eraser() {
    QPixmap pm = canvas(16);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(8, 8);
    p.rotate(-35);
    p.setPen(QColor(90, 90, 90));
    p.setBrush(QColor(240, 120, 140));
    p.drawRect(QRectF(-6.5, -3, 8, 6));
    p.setBrush(QColor(230, 230, 240));
    p.drawRect(QRectF(1.5, -3, 5, 6));
    return QIcon(pm);
}

QIcon Waiting() {
    QIcon icon;
    icon.addPixmap(hourglass(16));
    icon.addPixmap(hourglass(32));
    return icon;
}

} // namespace chatglyphs
