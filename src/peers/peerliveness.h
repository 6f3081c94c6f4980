#pragma once
// Dims a computer of the peer tree that has not been heard for more than two
// announcement intervals, with the time it was last heard in its tooltip;
// it brightens when heard again. The node stays: deleting is the user's choice.
#include <QElapsedTimer>
#include <QObject>

class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

class PeerLiveness : public QObject {
    Q_OBJECT
public:
    explicit PeerLiveness(QTreeWidget *tree);

    // A computer node was heard now. True when it had been dimmed.
    bool Heard(QTreeWidgetItem *computer);
    static bool IsDimmed(const QTreeWidgetItem *node);
    // Tests shorten the 30-second announcement interval that silence is measured in.
    void SetAnnounceInterval(int ms);

private:
    void Sweep();

    QTreeWidget *tree_;
    QTimer *sweep_;
    QElapsedTimer clock_;
    int intervalMs_ = 30000;
};
