#include "download/downloaddelegate.h"

#include "download/downloadicons.h"
#include "download/downloadqueue.h"
#include "download/transferfigures.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QStyleOptionProgressBar>
#include <QToolTip>

void DownloadDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const QVariant icon = index.data(DownloadQueue::IconRole);
    if (icon.isValid()) {
        option->icon = downloadicons::State(icon.toInt());
        option->features |= QStyleOptionViewItem::HasDecoration;
        option->decorationSize = QSize(16, 16);
    }
}

void DownloadDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const {
    const QString text = index.data(Qt::DisplayRole).toString();
    if (index.column() != DownloadRow::Progress || text.isEmpty()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    cell.text.clear();
    QStyle *style = cell.widget ? cell.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);

    QStyleOptionProgressBar bar;
    bar.initFrom(cell.widget);
    bar.state = QStyle::State_Enabled | QStyle::State_Horizontal;
    bar.rect = option.rect.adjusted(2, 2, -2, -2);
    bar.minimum = 0;
    bar.maximum = 100;
    bar.progress = qBound(0, text.section(QLatin1Char(' '), 0, 0).toInt(), 100);
    bar.text = text;
    bar.textVisible = true;
    bar.textAlignment = Qt::AlignCenter;
    style->drawControl(QStyle::CE_ProgressBar, &bar, painter, cell.widget);
}

bool DownloadDelegate::helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                                 const QModelIndex &index) {
    const QString bytes = index.data(Qt::DisplayRole).toString();
    if (event->type() == QEvent::ToolTip && !bytes.isEmpty() &&
        (index.column() == DownloadRow::Size || index.column() == DownloadRow::Received)) {
        QToolTip::showText(event->globalPos(), ReadableSize(bytes.toLongLong()), view);
        return true;
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}
