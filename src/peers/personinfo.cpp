#include "peers/personinfo.h"

#include "core/icons.h"

#include <QTreeWidgetItem>

namespace {
constexpr int kIpRole = Qt::UserRole;
constexpr int kKindRole = Qt::UserRole + 1;
constexpr int kImageRole = Qt::UserRole + 2;

icons::Id iconFor(int image) {
    switch (image) {
    case kImageRoot: return icons::Id::PeerRoot;
    case kImageGroup: return icons::Id::PeerGroup;
    default: return icons::Id::PeerComputer;
    }
}
} // namespace

TPersonInfo PersonInfoOf(const QTreeWidgetItem *node) {
    if (!node) return {};
    return {node->data(0, kIpRole).toString(), node->text(0), node->data(0, kKindRole).toString()};
}

int PersonImageOf(const QTreeWidgetItem *node) { return node ? node->data(0, kImageRole).toInt() : -1; }

QTreeWidgetItem *MakePersonNode(const TPersonInfo &info, int image) {
    auto *node = new QTreeWidgetItem(QStringList{info.Name});
    node->setData(0, kIpRole, info.IP);
    node->setData(0, kKindRole, info.Kind);
    node->setData(0, kImageRole, image);
    node->setIcon(0, icons::Get(iconFor(image)));
    return node;
}
