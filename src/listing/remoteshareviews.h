#pragma once
// The remote share views of the search page: the tree of owners, drives and
// folders (TV_ShareFile) and the list of received entries (LV_ShareFile),
// with their popups and commands.
#include "listing/remotepath.h"
#include "listing/shareentry.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>

class QAction;
class QMenu;
class QTimer;
class QTableView;
class QTreeWidget;
class QTreeWidgetItem;
class RemoteResults;
class ShareListModel;
class TMainForm;

// What a node of TV_ShareFile stands for.
struct RemoteNode {
    int image = -1;         // RemoteNodeImage; -1 when no node is selected
    QString text;           // the node's caption
    QString owner;          // images 1 to 5: the owner node's text
    QStringList components; // images 2 to 5: drive and folders from the top down to this node
    QString folderPath;     // images 2 to 5: JoinRemoteFolder(components), as rows hold it
};

int RemoteNodeImageOf(const QTreeWidgetItem *node);

class RemoteShareViews : public QObject {
    Q_OBJECT
public:
    // results: the rows the list shows; rows added to them grow the tree.
    RemoteShareViews(TMainForm &main, RemoteResults &results);

    // Empties the list and the tree, share root node included.
    void Clear();
    // The share root node "전체" as the tree's only top-level node.
    void PlantShareRoot();
    // Entries as received: their rows at the end of the list, in one
    // insertion, and their folder paths into the tree.
    void AddEntries(const QList<ShareEntry> &entries);
    void AddEntry(const ShareEntry &entry) { AddEntries({entry}); }
    // Every node expanded; only the nodes made since the last call need it,
    // unless some node was collapsed meanwhile.
    void ExpandAll();

    // Selects, in one step, the rows for which chosen(row) holds, after
    // deselecting all; scrolls the first of them to the top. Returns their count.
    int SelectRows(const std::function<bool(int row)> &chosen);
    const RemoteResults &Results() const;

    // Selects the rows of the selected tree node; status line "대상: ...".
    void TV_ShareFileChange();
    void LV_ShareFileColumnClick(int column);
    void MI_SelectAllFileClick();
    void MI_InvertSelectFileClick();
    void MenuItem2Click();
    void MI_DeleteFolderClick();
    void PM_DownFolderPopup();

    QMenu *PopupMenu1() const { return listMenu_; }
    QMenu *PM_DownFolder() const { return treeMenu_; }

    // Rows of LV_ShareFile, top to bottom: all, or the selected ones.
    QList<ShareEntry> Entries() const;
    QList<ShareEntry> SelectedEntries() const;
    // The selected node of TV_ShareFile (image -1 when none).
    RemoteNode SelectedNode() const;
    RemoteNode NodeOf(const QTreeWidgetItem *node) const;
    // Texts of the owner nodes under the share root node, in tree order.
    QStringList Owners() const;
    // Rows under a node, top to bottom: image 0 every row; 1 the owner's rows;
    // 2 to 5 the owner's rows whose folder equals folderPath, or with withSub
    // begins with it.
    QList<ShareEntry> EntriesUnder(const RemoteNode &node, bool withSub) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Repainting stops between BeginUpdate and EndUpdate.
    void BeginUpdate();
    void EndUpdate();
    void BuildMenus();
    void SetUpList();
    // The folder paths of rows first to last into the tree, when the tree
    // has a share root node.
    void AddNodes(int first, int last);
    QTreeWidgetItem *SelectedTreeNode() const;
    QList<int> SelectedRows() const;
    void RemoveSelectedRows();
    // The first child with exactly this text, or a new last child.
    QTreeWidgetItem *ChildFor(QTreeWidgetItem *parent, const QString &text, int image);
    // The tree changed other than by ChildFor: the child lookups start afresh.
    void ForgetNodes();

    TMainForm &main_;
    QTreeWidget *tree_;
    QTableView *list_;
    RemoteResults &results_;
    ShareListModel *model_; // what the list shows of results_
    // Children of each node by text, so that an entry finds its owner and
    // folders without walking their siblings.
    QHash<const QTreeWidgetItem *, QHash<QString, QTreeWidgetItem *>> children_;
    QList<QTreeWidgetItem *> unexpanded_;
    bool collapsed_ = false;
    QTimer *changeDelay_;
    QMenu *listMenu_ = nullptr;
    QMenu *treeMenu_ = nullptr;
    QAction *downFolder_ = nullptr;
    QAction *downFolderSub_ = nullptr;
    QAction *deleteFolder_ = nullptr;
    bool sortDescending_[7] = {};
};
