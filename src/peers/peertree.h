#pragma once
// Presence announcements and the peer tree TV_Person: the user's address
// book of workgroups and computers.
#include "peers/personinfo.h"
#include "peers/presencereply.h"

#include <QObject>

class QAction;
class QMenu;
class QPoint;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class PeerLiveness;
class TMainForm;

class PeerTree : public QObject {
    Q_OBJECT
public:
    explicit PeerTree(TMainForm &main);

    // Start-up: the root node "전체" as the only top-level node.
    void PlantRoot();
    // One presence announcement, and the next one in 30 s.
    void Timer_aliveTimer();
    // Enters a computer heard from sender (main thread).
    void AddPresence(const QString &sender, const QString &workgroup, const QString &computer);

    // The selected node's record, which the browse, chat and ping commands act on.
    QTreeWidgetItem *SelectedNode() const;
    TPersonInfo SelectedPerson() const { return PersonInfoOf(SelectedNode()); }

    // Sets the enabled state of the popup's commands for the selected node.
    void PM_PersonPopup();
    void TVMI_DeleteNodeClick();
    // Highlights the selected node's files in the result list.
    void TV_PersonChange();
    void MnuExpandAllClick();
    void MnuCollapseAllClick();

    QMenu *PM_Person() const { return menu_; }
    PeerLiveness &liveness() { return *liveness_; }
    PresenceReply &reply() { return reply_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QAction *addMenuItem(const char *name, const QString &caption, const QString &hint);
    static QTreeWidgetItem *findChild(QTreeWidgetItem *parent, const QString &kind, const QString &name);

    TMainForm &main_;
    QTreeWidget *tree_;
    QMenu *menu_;
    QAction *share_ = nullptr;
    QAction *chat_ = nullptr;
    QAction *ping_ = nullptr;
    QAction *delete_ = nullptr;
    QTimer *changeDelay_;
    PeerLiveness *liveness_;
    PresenceReply reply_;
};
