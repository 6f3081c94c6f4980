#pragma once
// The peer tree TV_Person: the user's address book of workgroups and
// computers, a view of the session's peer directory.
#include "peers/personinfo.h"

#include <QObject>

class QAction;
class QDateTime;
class QMenu;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class PeerDirectory;
class RemoteShareViews;
class TMainForm;

class PeerTree : public QObject {
    Q_OBJECT
public:
    // results: the result list whose rows the selected node highlights.
    PeerTree(TMainForm &main, PeerDirectory &directory, RemoteShareViews &results);

    // Start-up: the root node "전체" as the only top-level node, over what
    // the directory holds.
    void PlantRoot();

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
    // The popup's commands that act on the selected computer elsewhere.
    QAction *TVMI_ShareFile() const { return share_; }
    QAction *TVMI_VChat() const { return chat_; }
    QAction *TVMI_Ping() const { return ping_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QAction *addMenuItem(const char *name, const QString &caption, const QString &hint);
    static QTreeWidgetItem *findChild(QTreeWidgetItem *parent, const QString &kind, const QString &name);
    QTreeWidgetItem *computerNode(const QString &workgroup, const QString &computer) const;
    // The group's node, new when the tree had none; null before the root is planted.
    QTreeWidgetItem *groupNode(const QString &workgroup);
    void AddComputerNode(const QString &workgroup, const QString &computer, const QString &address);
    void DimNode(const QString &workgroup, const QString &computer, const QDateTime &heardAt);
    void BrightenNode(const QString &workgroup, const QString &computer);
    void DeleteNode(QTreeWidgetItem *node);

    TMainForm &main_;
    PeerDirectory &directory_;
    RemoteShareViews &results_;
    QTreeWidget *tree_;
    QMenu *menu_;
    QAction *share_ = nullptr;
    QAction *chat_ = nullptr;
    QAction *ping_ = nullptr;
    QAction *delete_ = nullptr;
    QTimer *changeDelay_;
};
