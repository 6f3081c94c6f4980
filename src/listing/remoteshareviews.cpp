#include "listing/remoteshareviews.h"

#include "core/icons.h"
#include "core/mainform.h"
#include "listing/remoteresults.h"
#include "listing/sharelistmodel.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <QTableView>
#include <QTreeWidget>

namespace {

constexpr int kImageRole = Qt::UserRole;

icons::Id iconFor(int image) {
    switch (image) {
    case kShareRootImage: return icons::Id::PeerRoot;
    case kOwnerImage: return icons::Id::Owner;
    case kDriveDeeperImage:
    case kDriveLastImage: return icons::Id::Drive;
    default: return icons::Id::Folder;
    }
}

QTreeWidgetItem *makeNode(const QString &text, int image) {
    auto *node = new QTreeWidgetItem(QStringList{text});
    node->setData(0, kImageRole, image);
    node->setIcon(0, icons::Get(iconFor(image)));
    return node;
}

bool covers(const RemoteNode &node, const RemoteResults &rows, int row, bool withSub) {
    switch (node.image) {
    case kShareRootImage: return true;
    case kOwnerImage: return rows.OwnerOf(row) == node.text;
    case -1: return false;
    }
    if (rows.OwnerOf(row) != node.owner) return false;
    const QString &folder = rows.FolderOf(row);
    return withSub ? folder.startsWith(node.folderPath) : folder == node.folderPath;
}

} // namespace

int RemoteNodeImageOf(const QTreeWidgetItem *node) { return node ? node->data(0, kImageRole).toInt() : -1; }

RemoteShareViews::RemoteShareViews(TMainForm &main, RemoteResults &results)
    : QObject(&main), main_(main), tree_(main.TV_ShareFile()), list_(main.LV_ShareFile()), results_(results),
      model_(new ShareListModel(this)), changeDelay_(new QTimer(this)) {
    setObjectName(QStringLiteral("RemoteShareViews"));
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Every node has the same height: the scroll range then needs no walk
    // of all nodes after each batch of new owners and folders.
    tree_->setUniformRowHeights(true);
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    tree_->viewport()->installEventFilter(this);
    SetUpList();
    BuildMenus();

    // The change event follows the selection 50 ms later, so that moving
    // through the tree with the keys does not reselect the rows each step.
    changeDelay_->setSingleShot(true);
    changeDelay_->setInterval(50);
    connect(changeDelay_, &QTimer::timeout, this, &RemoteShareViews::TV_ShareFileChange);
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this] {
        PM_DownFolderPopup();
        changeDelay_->start();
    });
    connect(tree_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { treeMenu_->popup(tree_->viewport()->mapToGlobal(pos)); });
    connect(list_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { listMenu_->popup(list_->viewport()->mapToGlobal(pos)); });
    connect(list_->horizontalHeader(), &QHeaderView::sectionClicked, this, &RemoteShareViews::LV_ShareFileColumnClick);
    QAction *fileGet = listMenu_->actions().first();
    connect(list_, &QAbstractItemView::doubleClicked, fileGet, &QAction::trigger);
    connect(tree_, &QTreeWidget::itemCollapsed, this, [this] { collapsed_ = true; });
    connect(&results_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { AddNodes(first, last); });
}

void RemoteShareViews::SetUpList() {
    model_->setSourceModel(&results_);
    list_->setModel(model_);
    const int widths[RemoteResults::kColumns] = {200, 65, 280, 280, 100, 105, 0};
    for (int c = 0; c < RemoteResults::kColumns; ++c) list_->setColumnWidth(c, widths[c]);
    list_->setColumnHidden(RemoteResults::Password, true);
    list_->horizontalHeader()->setSectionsClickable(true);
    list_->horizontalHeader()->setSortIndicatorShown(false);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
}

const RemoteResults &RemoteShareViews::Results() const { return results_; }

void RemoteShareViews::BuildMenus() {
    const auto item = [](QMenu *menu, const char *name, const QString &caption, const QString &hint) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        a->setStatusTip(hint);
        return a;
    };
    const auto shortcut = [](QAction *a, QWidget *on, const QKeySequence &keys) {
        a->setShortcut(keys);
        a->setShortcutContext(Qt::WidgetShortcut);
        on->addAction(a);
    };

    listMenu_ = new QMenu(list_);
    listMenu_->setObjectName(QStringLiteral("PopupMenu1"));
    item(listMenu_, "MI_FileGet", QStringLiteral("선택한 파일 다운받기"), QStringLiteral("선택한 파일을 이 컴퓨터로 가져옵니다."));
    listMenu_->addSeparator();
    QAction *all = item(listMenu_, "MI_SelectAllFile", QStringLiteral("전체 선택(&A)"), QStringLiteral("모든 파일을 선택합니다."));
    shortcut(all, list_, QKeySequence(Qt::CTRL | Qt::Key_A));
    connect(all, &QAction::triggered, this, &RemoteShareViews::MI_SelectAllFileClick);
    QAction *invert = item(listMenu_, "MI_InvertSelectFile", QStringLiteral("선택 반전(&I)"),
                           QStringLiteral("선택하지 않은 파일를 선택하고 선택한 파일을 선택해제합니다."));
    connect(invert, &QAction::triggered, this, &RemoteShareViews::MI_InvertSelectFileClick);
    QAction *remove = item(listMenu_, "MenuItem2", QStringLiteral("삭제"), QStringLiteral("선택된 파일(들)을 목록에서 삭제합니다."));
    shortcut(remove, list_, QKeySequence::Delete);
    connect(remove, &QAction::triggered, this, &RemoteShareViews::MenuItem2Click);

    treeMenu_ = new QMenu(tree_);
    treeMenu_->setObjectName(QStringLiteral("PM_DownFolder"));
    downFolder_ = item(treeMenu_, "MI_DownFolder", QStringLiteral("다운받기"), QStringLiteral("선택한 항목의 파일(들)만 다운받습니다"));
    downFolder_->setData(1);
    downFolderSub_ = item(treeMenu_, "MI_DownFolderSub", QStringLiteral("다운받기(하위포함)"),
                          QStringLiteral("선택한 항목과 하위 항목(들)의 파일(들)을 다운받습니다"));
    downFolderSub_->setData(2);
    treeMenu_->addSeparator();
    deleteFolder_ = item(treeMenu_, "MI_DeleteFolder", QStringLiteral("삭제"), QStringLiteral("선택한 항목과 관련 파일(들)을 삭제합니다"));
    shortcut(deleteFolder_, tree_, QKeySequence::Delete);
    connect(deleteFolder_, &QAction::triggered, this, &RemoteShareViews::MI_DeleteFolderClick);
    connect(treeMenu_, &QMenu::aboutToShow, this, &RemoteShareViews::PM_DownFolderPopup);
    PM_DownFolderPopup();
}

void RemoteShareViews::BeginUpdate() {
    tree_->setUpdatesEnabled(false);
    list_->setUpdatesEnabled(false);
}

void RemoteShareViews::EndUpdate() {
    tree_->setUpdatesEnabled(true);
    list_->setUpdatesEnabled(true);
}

void RemoteShareViews::Clear() {
    BeginUpdate();
    results_.Clear();
    tree_->clear();
    ForgetNodes();
    EndUpdate();
    // Emptying the tree is no choice of the user's: its change event would
    // only wipe the status line that the command is about to set.
    changeDelay_->stop();
}

void RemoteShareViews::ForgetNodes() {
    children_.clear();
    unexpanded_.clear();
}

void RemoteShareViews::PlantShareRoot() {
    QTreeWidgetItem *root = makeNode(QStringLiteral("전체"), kShareRootImage);
    tree_->addTopLevelItem(root);
    unexpanded_ << root;
}

QTreeWidgetItem *RemoteShareViews::ChildFor(QTreeWidgetItem *parent, const QString &text, int image) {
    auto known = children_.find(parent);
    if (known == children_.end()) {
        QHash<QString, QTreeWidgetItem *> byText;
        for (int i = parent->childCount() - 1; i >= 0; --i) byText.insert(parent->child(i)->text(0), parent->child(i));
        known = children_.insert(parent, byText);
    }
    if (QTreeWidgetItem *child = known->value(text)) return child;
    QTreeWidgetItem *node = makeNode(text, image);
    parent->addChild(node);
    known->insert(text, node);
    unexpanded_ << node;
    return node;
}

void RemoteShareViews::AddEntries(const QList<ShareEntry> &entries) { results_.Append(entries); }

void RemoteShareViews::AddNodes(int first, int last) {
    QTreeWidgetItem *root = tree_->topLevelItem(0);
    if (!root) return;
    BeginUpdate();
    for (int row = first; row <= last; ++row) {
        const QString &owner = results_.OwnerOf(row);
        const QString &folder = results_.FolderOf(row);
        // An owner lists a folder's files one after another: the path is known.
        if (row > first && owner == results_.OwnerOf(row - 1) && folder == results_.FolderOf(row - 1)) continue;
        QTreeWidgetItem *node = ChildFor(root, owner, kOwnerImage);
        const QStringList components = SplitRemoteFolder(folder);
        for (qsizetype i = 0; i < components.size(); ++i) {
            const QString &c = components[i];
            node = ChildFor(node, c, NewNodeImage(c, i + 1 == components.size()));
        }
    }
    EndUpdate();
}

void RemoteShareViews::ExpandAll() {
    if (collapsed_) {
        collapsed_ = false;
        unexpanded_.clear();
        tree_->expandAll();
        return;
    }
    // While the tree waits for its layout this only notes the nodes, so the
    // batch costs no layout of its own.
    for (QTreeWidgetItem *node : std::as_const(unexpanded_)) node->setExpanded(true);
    unexpanded_.clear();
}

QTreeWidgetItem *RemoteShareViews::SelectedTreeNode() const {
    QTreeWidgetItem *node = tree_->currentItem();
    return node && node->isSelected() ? node : nullptr;
}

RemoteNode RemoteShareViews::NodeOf(const QTreeWidgetItem *node) const {
    RemoteNode info;
    if (!node) return info;
    info.image = RemoteNodeImageOf(node);
    info.text = node->text(0);
    if (info.image == kOwnerImage) info.owner = info.text;
    if (info.image < kDriveDeeperImage) return info;
    info.components << info.text;
    for (const QTreeWidgetItem *up = node->parent(); up; up = up->parent()) {
        const int image = RemoteNodeImageOf(up);
        if (image == kOwnerImage) info.owner = up->text(0);
        if (image < kDriveDeeperImage) break;
        info.components.prepend(up->text(0));
    }
    info.folderPath = JoinRemoteFolder(info.components);
    return info;
}

RemoteNode RemoteShareViews::SelectedNode() const { return NodeOf(SelectedTreeNode()); }

int RemoteShareViews::SelectRows(const std::function<bool(int row)> &chosen) {
    list_->clearSelection();
    // Runs of neighbouring rows become one range each, all selected at once.
    // The ranges span every column already: asking the selection model to
    // widen them to rows would merge them one by one, in quadratic time.
    const int last = RemoteResults::kColumns - 1;
    QItemSelection selection;
    int first = -1;
    int count = 0;
    int runStart = -1;
    const int rows = results_.Rows();
    for (int row = 0; row <= rows; ++row) {
        if (row < rows && chosen(row)) {
            if (runStart < 0) runStart = row;
            if (first < 0) first = row;
            ++count;
            continue;
        }
        if (runStart >= 0)
            selection.append(QItemSelectionRange(model_->index(runStart, 0), model_->index(row - 1, last)));
        runStart = -1;
    }
    list_->selectionModel()->select(selection, QItemSelectionModel::Select);
    if (first >= 0) list_->scrollTo(model_->index(first, 0), QAbstractItemView::PositionAtTop);
    return count;
}

void RemoteShareViews::TV_ShareFileChange() {
    list_->clearSelection();
    main_.SetStatusText(QString());
    QTreeWidgetItem *selected = SelectedTreeNode();
    if (!selected || results_.Rows() == 0) return;

    list_->setEnabled(false);
    const RemoteNode node = NodeOf(selected);
    const bool withSub = node.image == kDriveDeeperImage || node.image == kFolderDeeperImage;
    list_->setUpdatesEnabled(false);
    const int count = SelectRows([&](int row) { return covers(node, results_, row, withSub); });
    list_->setUpdatesEnabled(true);

    QString target;
    switch (node.image) {
    case kShareRootImage: target = QStringLiteral("전체"); break;
    case kOwnerImage: target = node.text; break;
    default: {
        // The POSIX root keeps its "/", which is all its path has.
        const QString path = node.folderPath.size() > 1 ? node.folderPath.chopped(1) : node.folderPath;
        target = node.owner + QLatin1Char('<') + path + QLatin1Char('>');
    }
    }
    main_.SetStatusText(QStringLiteral("대상: ") + target + QStringLiteral(",  ") + QStringLiteral("파일수: ") +
                        QString::number(count) + QStringLiteral(" 개"));
    list_->setEnabled(true);
}

QList<int> RemoteShareViews::SelectedRows() const {
    // Read from the ranges: asking the selection model row by row costs a
    // walk of all its ranges for each row.
    QList<bool> selected(results_.Rows(), false);
    for (const QItemSelectionRange &range : list_->selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row) selected[row] = true;
    QList<int> rows;
    for (int row = 0; row < results_.Rows(); ++row)
        if (selected[row]) rows << row;
    return rows;
}

QList<ShareEntry> RemoteShareViews::Entries() const {
    QList<ShareEntry> entries;
    for (int row = 0; row < results_.Rows(); ++row) entries << results_.EntryAt(row);
    return entries;
}

QList<ShareEntry> RemoteShareViews::SelectedEntries() const {
    QList<ShareEntry> entries;
    for (int row : SelectedRows()) entries << results_.EntryAt(row);
    return entries;
}

QStringList RemoteShareViews::Owners() const {
    QStringList owners;
    if (const QTreeWidgetItem *root = tree_->topLevelItem(0))
        for (int i = 0; i < root->childCount(); ++i) owners << root->child(i)->text(0);
    return owners;
}

QList<ShareEntry> RemoteShareViews::EntriesUnder(const RemoteNode &node, bool withSub) const {
    QList<ShareEntry> entries;
    for (int row = 0; row < results_.Rows(); ++row)
        if (covers(node, results_, row, withSub)) entries << results_.EntryAt(row);
    return entries;
}

bool RemoteShareViews::eventFilter(QObject *watched, QEvent *event) {
    // Any mouse button chooses the node under the pointer, so that a right
    // click acts on the node it was made on.
    if (watched == tree_->viewport() && event->type() == QEvent::MouseButtonPress) {
        const QPoint pos = static_cast<QMouseEvent *>(event)->position().toPoint();
        if (QTreeWidgetItem *node = tree_->itemAt(pos)) tree_->setCurrentItem(node);
    }
    return QObject::eventFilter(watched, event);
}
