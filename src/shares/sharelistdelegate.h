#pragma once
// Draws the share list's rows: in the first column the record's kind (page
// or folder) beside its lock mark (open or closed padlock), and grid lines.
#include <QPixmap>
#include <QStyledItemDelegate>

class ShareListDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit ShareListDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    // Indexed by folder * 2 + locked.
    QPixmap images_[4];
};
