#pragma once
// Draws the download list's cells: the state picture before the file name,
// and the progress column as a bar with its "45 %" text.
#include <QStyledItemDelegate>

class DownloadDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};
