#include "peers/peertree.h"

#include "core/controls.h"
#include "core/mainform.h"
#include "core/prompts.h"
#include "listing/remoteresults.h"
#include "listing/remoteshareviews.h"
#include "peers/peerdirectory.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSet>
#include <QTimer>
#include <QTableView>
#include <QTreeWidget>

PeerTree::PeerTree(TMainForm &main, PeerDirectory &directory, RemoteShareViews &results)
    : QObject(&main), main_(main), directory_(directory), results_(results), tree_(main.TV_Person()),
      menu_(new QMenu(tree_)), changeDelay_(new QTimer(this)) {
    setObjectName(QStringLiteral("PeerTree"));
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setIndentation(19);
    tree_->setMouseTracking(true);
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    tree_->viewport()->installEventFilter(this);

    menu_->setObjectName(QStringLiteral("PM_Person"));
    share_ = addMenuItem("TVMI_ShareFile", QStringLiteral("공개한 파일목록 보기"),
                         QStringLiteral("선택한 컴퓨터의 공개된 파일목록을 가져옵니다."));
    chat_ = addMenuItem("TVMI_VChat", QStringLiteral("1:1 채팅 신청하기"),
                        QStringLiteral("선택한 사용자에게 1:1 채팅을 신청합니다."));
    ping_ = addMenuItem("TVMI_Ping", QStringLiteral("사용자 컴퓨터 Ping"),
                        QStringLiteral("선택한 사용자의 PC가 Up 상태인지 Down 상태인지를 검사합니다."));
    menu_->addSeparator()->setObjectName(QStringLiteral("N1"));
    delete_ = addMenuItem("TVMI_DeleteNode", QStringLiteral("삭제"), QStringLiteral("선택한 그룹 또는 컴퓨터를 삭제합니다."));
    delete_->setShortcut(QKeySequence::Delete);
    delete_->setShortcutContext(Qt::WidgetShortcut);
    tree_->addAction(delete_);
    connect(delete_, &QAction::triggered, this, &PeerTree::TVMI_DeleteNodeClick);
    PM_PersonPopup();

    connect(tree_, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        PM_PersonPopup();
        menu_->popup(tree_->viewport()->mapToGlobal(pos));
    });
    // The change event follows the selection 50 ms later, so that moving
    // through the tree with the keys does not rebuild the highlight each step.
    changeDelay_->setSingleShot(true);
    changeDelay_->setInterval(50);
    connect(changeDelay_, &QTimer::timeout, this, &PeerTree::TV_PersonChange);
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this] {
        PM_PersonPopup();
        changeDelay_->start();
    });

    if (auto *a = Control<QAction>(main, "MnuExpandAll"))
        connect(a, &QAction::triggered, this, &PeerTree::MnuExpandAllClick);
    if (auto *a = Control<QAction>(main, "MnuCollapseAll"))
        connect(a, &QAction::triggered, this, &PeerTree::MnuCollapseAllClick);

    connect(&directory_, &PeerDirectory::computerAdded, this, &PeerTree::AddComputerNode);
    connect(&directory_, &PeerDirectory::computerDimmed, this, &PeerTree::DimNode);
    connect(&directory_, &PeerDirectory::computerBrightened, this, &PeerTree::BrightenNode);
    connect(&directory_, &PeerDirectory::computerRemoved, this,
            [this](const QString &workgroup, const QString &computer) { DeleteNode(computerNode(workgroup, computer)); });
    connect(&directory_, &PeerDirectory::groupRemoved, this, [this](const QString &workgroup) {
        QTreeWidgetItem *root = tree_->topLevelItem(0);
        DeleteNode(root ? findChild(root, QStringLiteral("G"), workgroup) : nullptr);
    });
}

QAction *PeerTree::addMenuItem(const char *name, const QString &caption, const QString &hint) {
    QAction *a = menu_->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    a->setStatusTip(hint);
    return a;
}

void PeerTree::PlantRoot() {
    tree_->clear();
    QTreeWidgetItem *root = MakePersonNode({QString(), QStringLiteral("전체"), QStringLiteral("G")}, kImageRoot);
    tree_->addTopLevelItem(root);
    tree_->setCurrentItem(root);
    for (const QString &workgroup : directory_.Workgroups()) groupNode(workgroup);
    for (const PeerDirectory::Computer &c : directory_.Computers()) {
        AddComputerNode(c.workgroup, c.name, c.address);
        if (c.dimmed) DimNode(c.workgroup, c.name, c.heardAt);
    }
}

QTreeWidgetItem *PeerTree::findChild(QTreeWidgetItem *parent, const QString &kind, const QString &name) {
    for (int i = 0; i < parent->childCount(); ++i) {
        QTreeWidgetItem *child = parent->child(i);
        const TPersonInfo info = PersonInfoOf(child);
        if (info.Kind == kind && info.Name == name) return child;
    }
    return nullptr;
}

QTreeWidgetItem *PeerTree::computerNode(const QString &workgroup, const QString &computer) const {
    QTreeWidgetItem *root = tree_->topLevelItem(0);
    QTreeWidgetItem *group = root ? findChild(root, QStringLiteral("G"), workgroup) : nullptr;
    return group ? findChild(group, QStringLiteral("U"), computer) : nullptr;
}

QTreeWidgetItem *PeerTree::groupNode(const QString &workgroup) {
    // Before the root is planted there is no tree to show it in; planting fills it.
    QTreeWidgetItem *root = tree_->topLevelItem(0);
    if (!root) return nullptr;
    QTreeWidgetItem *group = findChild(root, QStringLiteral("G"), workgroup);
    if (!group) {
        group = MakePersonNode({QString(), workgroup, QStringLiteral("G")}, kImageGroup);
        root->addChild(group);
    }
    return group;
}

void PeerTree::AddComputerNode(const QString &workgroup, const QString &computer, const QString &address) {
    if (QTreeWidgetItem *group = groupNode(workgroup))
        group->addChild(MakePersonNode({address, computer, QStringLiteral("U")}, kImageComputer));
}

void PeerTree::DimNode(const QString &workgroup, const QString &computer, const QDateTime &heardAt) {
    QTreeWidgetItem *node = computerNode(workgroup, computer);
    if (!node) return;
    node->setForeground(0, tree_->palette().brush(QPalette::Disabled, QPalette::Text));
    node->setToolTip(0, QStringLiteral("마지막 응답: ") + heardAt.toString(QStringLiteral("HH:mm:ss")));
}

void PeerTree::BrightenNode(const QString &workgroup, const QString &computer) {
    QTreeWidgetItem *node = computerNode(workgroup, computer);
    if (!node) return;
    node->setData(0, Qt::ForegroundRole, QVariant());
    node->setToolTip(0, QString());
}

void PeerTree::DeleteNode(QTreeWidgetItem *node) {
    if (!node) return;
    tree_->setUpdatesEnabled(false);
    delete node;
    tree_->setUpdatesEnabled(true);
}

QTreeWidgetItem *PeerTree::SelectedNode() const {
    QTreeWidgetItem *node = tree_->currentItem();
    return node && node->isSelected() ? node : nullptr;
}

void PeerTree::PM_PersonPopup() {
    for (QAction *a : {share_, chat_, ping_, delete_}) a->setEnabled(false);
    QTreeWidgetItem *node = SelectedNode();
    if (!node) return;
    const bool otherComputer =
        PersonImageOf(node) == kImageComputer && PersonInfoOf(node).IP != main_.host().LocalIP;
    share_->setEnabled(otherComputer);
    chat_->setEnabled(otherComputer);
    ping_->setEnabled(otherComputer);
    delete_->setEnabled(PersonImageOf(node) != kImageRoot);
}

void PeerTree::TVMI_DeleteNodeClick() {
    QTreeWidgetItem *node = SelectedNode();
    if (!node || PersonImageOf(node) == kImageRoot) return;
    QTreeWidgetItem *above = tree_->itemAbove(node);
    if (node->childCount() > 0 &&
        !prompts::YesNo(&main_, QStringLiteral("선택한 그룹에 포함된 컴퓨터가 있습니다\n삭제하시겠습니까?")))
        return;
    if (PersonImageOf(node) == kImageGroup)
        directory_.RemoveGroup(node->text(0));
    else
        directory_.RemoveComputer(node->parent()->text(0), node->text(0));
    if (above) tree_->setCurrentItem(above);
}

void PeerTree::TV_PersonChange() {
    QTableView *list = main_.LV_ShareFile();
    list->clearSelection();
    main_.SetStatusText(QString());
    QTreeWidgetItem *node = SelectedNode();
    if (!node || tree_->topLevelItemCount() == 0) return;

    list->setEnabled(false);
    QSet<QString> owners;
    QString target = node->text(0);
    const bool all = PersonImageOf(node) == kImageRoot;
    switch (PersonImageOf(node)) {
    case kImageRoot: target = QStringLiteral("전체"); break;
    case kImageGroup:
        for (int i = 0; i < node->childCount(); ++i) owners << node->child(i)->text(0);
        break;
    default: owners << node->text(0);
    }
    const RemoteResults &rows = results_.Results();
    const int count = results_.SelectRows([&](int row) { return all || owners.contains(rows.OwnerOf(row)); });
    main_.SetStatusText(QStringLiteral("대상: ") + target + QStringLiteral(",  ") + QStringLiteral("파일수: ") +
                        QString::number(count) + QStringLiteral(" 개"));
    list->setEnabled(true);
}

void PeerTree::MnuExpandAllClick() {
    for (QTreeWidget *t : {main_.TV_ShareFile(), tree_}) {
        t->setUpdatesEnabled(false);
        t->expandAll();
        t->setUpdatesEnabled(true);
    }
}

void PeerTree::MnuCollapseAllClick() {
    for (QTreeWidget *t : {main_.TV_ShareFile(), tree_}) {
        t->setUpdatesEnabled(false);
        t->collapseAll();
        t->setUpdatesEnabled(true);
    }
}

bool PeerTree::eventFilter(QObject *watched, QEvent *event) {
    // Any mouse button selects the node under the pointer, so a right click
    // acts on the node it was made on.
    if (watched == tree_->viewport() && event->type() == QEvent::MouseButtonPress) {
        const QPoint pos = static_cast<QMouseEvent *>(event)->position().toPoint();
        if (QTreeWidgetItem *node = tree_->itemAt(pos)) tree_->setCurrentItem(node);
    }
    return QObject::eventFilter(watched, event);
}
