#include "listing/sharerow.h"

#include "core/icons.h"
#include "platform/cp949.h"

#include <QTreeWidget>

ShareRow::ShareRow(const ShareEntry &e)
    : QTreeWidgetItem(QStringList{e.name, e.size, e.comment, e.folder, e.owner, e.ownerIP, e.password}) {
    setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    setIcon(0, icons::Get(IsProtected(e.password) ? icons::Id::FileLocked : icons::Id::FileOpen));
}

ShareEntry ShareRow::EntryOf(const QTreeWidgetItem *row) {
    return {row->text(0), row->text(1), row->text(2), row->text(3), row->text(4), row->text(5), row->text(6)};
}

qint64 ShareRow::SizeOf(const QTreeWidgetItem &row) {
    bool ok = false;
    const qint64 size = row.text(1).toLongLong(&ok);
    return ok ? size : 0;
}

QByteArray ShareRow::KeyOf(const QTreeWidgetItem &row, int column) {
    const auto *share = dynamic_cast<const ShareRow *>(&row);
    if (share && !share->keys_[column].isNull()) return share->keys_[column];
    QByteArray key = cp949::encode(row.text(column));
    for (char &c : key)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    if (key.isNull()) key = QByteArray("");
    if (share) share->keys_[column] = key;
    return key;
}

bool ShareRow::operator<(const QTreeWidgetItem &other) const {
    const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
    if (column == 1) return SizeOf(*this) < SizeOf(other);
    if (column < 0 || column > 6) return false;
    return KeyOf(*this, column) < KeyOf(other, column);
}
