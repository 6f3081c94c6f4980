#include "peers/peerliveness.h"

#include <QDateTime>
#include <QTimer>
#include <QTreeWidget>

namespace {
// Beside the node's record (personinfo.cpp keeps UserRole to UserRole + 2).
constexpr int kHeardMsRole = Qt::UserRole + 8;
constexpr int kHeardAtRole = Qt::UserRole + 9;
constexpr int kDimmedRole = Qt::UserRole + 10;
} // namespace

PeerLiveness::PeerLiveness(QTreeWidget *tree) : QObject(tree), tree_(tree), sweep_(new QTimer(this)) {
    clock_.start();
    connect(sweep_, &QTimer::timeout, this, &PeerLiveness::Sweep);
    SetAnnounceInterval(intervalMs_);
}

void PeerLiveness::SetAnnounceInterval(int ms) {
    intervalMs_ = ms;
    // Half an interval between looks: a silent computer dims 60 to 75 s after it was last heard.
    sweep_->start(ms / 2);
}

bool PeerLiveness::Heard(QTreeWidgetItem *computer) {
    const bool wasDimmed = IsDimmed(computer);
    computer->setData(0, kHeardMsRole, clock_.elapsed());
    computer->setData(0, kHeardAtRole, QDateTime::currentDateTime());
    if (wasDimmed) {
        computer->setData(0, kDimmedRole, false);
        computer->setData(0, Qt::ForegroundRole, QVariant());
        computer->setToolTip(0, QString());
    }
    return wasDimmed;
}

bool PeerLiveness::IsDimmed(const QTreeWidgetItem *node) { return node->data(0, kDimmedRole).toBool(); }

void PeerLiveness::Sweep() {
    QTreeWidgetItem *root = tree_->topLevelItem(0);
    if (!root) return;
    const qint64 now = clock_.elapsed();
    const QBrush grey = tree_->palette().brush(QPalette::Disabled, QPalette::Text);
    for (int g = 0; g < root->childCount(); ++g) {
        QTreeWidgetItem *group = root->child(g);
        for (int c = 0; c < group->childCount(); ++c) {
            QTreeWidgetItem *computer = group->child(c);
            const QVariant heard = computer->data(0, kHeardMsRole);
            if (IsDimmed(computer) || !heard.isValid() || now - heard.toLongLong() <= 2 * qint64(intervalMs_))
                continue;
            computer->setData(0, kDimmedRole, true);
            computer->setForeground(0, grey);
            computer->setToolTip(0, QStringLiteral("마지막 응답: ") +
                                        computer->data(0, kHeardAtRole).toDateTime().toString(QStringLiteral("HH:mm:ss")));
        }
    }
}
