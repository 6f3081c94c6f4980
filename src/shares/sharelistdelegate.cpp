#include "shares/sharelistdelegate.h"

#include "core/icons.h"
#include "shares/shareregistry.h"

#include <QPainter>

namespace {

constexpr int kImage = 16;

QPixmap pair(icons::Id kind, icons::Id lock) {
    QPixmap pm(2 * kImage, kImage);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.drawPixmap(0, 0, icons::Get(kind).pixmap(kImage, kImage));
    p.drawPixmap(kImage, 0, icons::Get(lock).pixmap(kImage, kImage));
    return pm;
}

} // namespace

ShareListDelegate::ShareListDelegate(QObject *parent) : QStyledItemDelegate(parent) {
    for (int folder = 0; folder < 2; ++folder)
        for (int locked = 0; locked < 2; ++locked)
            images_[folder * 2 + locked] = pair(folder ? icons::Id::Folder : icons::Id::FilePlain,
                                                locked ? icons::Id::FileLocked : icons::Id::FileOpen);
}

void ShareListDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.column() != 0) return;
    const bool folder = index.data(ShareRegistry::KindRole).toInt() == int(ShareKind::Folder);
    const bool locked = index.data(ShareRegistry::LockedRole).toBool();
    option->icon = QIcon(images_[int(folder) * 2 + int(locked)]);
    option->features |= QStyleOptionViewItem::HasDecoration;
    option->decorationSize = QSize(2 * kImage, kImage);
}

void ShareListDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const {
    QStyledItemDelegate::paint(painter, option, index);
    painter->save();
    painter->setPen(QColor(0xD8, 0xD8, 0xD8));
    const QRect r = option.rect;
    painter->drawLine(r.topRight(), r.bottomRight());
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    painter->restore();
}
