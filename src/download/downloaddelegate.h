#pragma once
// Draws the download list's cells: the state picture before the file name,
// the progress column as a bar with its "45 %" text, and the byte counts
// in KB, MB or GB as their tooltips.
#include <QStyledItemDelegate>

class DownloadDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};
