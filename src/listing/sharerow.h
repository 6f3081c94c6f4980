#pragma once
// A row of LV_ShareFile: one received entry, with the comparison by which the
// list sorts.
#include "listing/shareentry.h"

#include <QByteArray>
#include <QTreeWidgetItem>

class ShareRow : public QTreeWidgetItem {
public:
    explicit ShareRow(const ShareEntry &entry);

    static ShareEntry EntryOf(const QTreeWidgetItem *row);

    // Column 1 by size as a number (text that is none counts as 0); the
    // others as CP949 text with ASCII letters compared without case, like
    // the names that the owners send.
    bool operator<(const QTreeWidgetItem &other) const override;

private:
    static qint64 SizeOf(const QTreeWidgetItem &row);
    static QByteArray KeyOf(const QTreeWidgetItem &row, int column);
    // Computed on the first sort by that column; rows never change their texts.
    mutable QByteArray keys_[7];
};
