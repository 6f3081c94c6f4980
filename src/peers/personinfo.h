#pragma once
// The record behind every node of the peer tree, kept in the node itself.
#include <QString>

class QTreeWidgetItem;

struct TPersonInfo {
    QString IP;   // a computer's address; empty for the root and groups
    QString Name; // always the node's text
    QString Kind; // "G" for the root and groups, "U" for computers
};

// Node images, which tell the tree's levels apart.
enum PersonImage { kImageRoot = 0, kImageGroup = 1, kImageComputer = 2 };

TPersonInfo PersonInfoOf(const QTreeWidgetItem *node);
int PersonImageOf(const QTreeWidgetItem *node);
QTreeWidgetItem *MakePersonNode(const TPersonInfo &info, int image);
