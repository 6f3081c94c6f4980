// The list's and the tree's commands: sorting, selecting, deleting rows and
// nodes, and the enabling of the tree's popup.
#include "core/mainform.h"
#include "core/prompts.h"
#include "listing/remoteshareviews.h"

#include <QAction>
#include <QSet>
#include <QTimer>
#include <QTreeWidget>

void RemoteShareViews::LV_ShareFileColumnClick(int column) {
    if (list_->topLevelItemCount() == 0 || column < 0 || column >= 7) return;
    list_->sortItems(column, sortDescending_[column] ? Qt::DescendingOrder : Qt::AscendingOrder);
    sortDescending_[column] = !sortDescending_[column];
}

void RemoteShareViews::MI_SelectAllFileClick() { list_->selectAll(); }

void RemoteShareViews::MI_InvertSelectFileClick() {
    const int rows = list_->topLevelItemCount();
    if (rows == 0) return;
    QAbstractItemModel *model = list_->model();
    const QItemSelection all(model->index(0, 0), model->index(rows - 1, 0));
    list_->selectionModel()->select(all, QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
}

void RemoteShareViews::MenuItem2Click() {
    if (list_->selectedItems().isEmpty()) {
        prompts::Information(&main_, QStringLiteral("삭제할 파일(들)을 선택하세요."));
        return;
    }
    RemoveSelectedRows();
}

void RemoteShareViews::RemoveSelectedRows() {
    const QList<QTreeWidgetItem *> selected = list_->selectedItems();
    const QSet<QTreeWidgetItem *> doomed(selected.begin(), selected.end());
    QTreeWidgetItem *current = list_->currentItem();
    // Taking all rows out at once and putting the rest back keeps a delete of
    // many rows from moving the remaining ones once per deleted row.
    list_->setUpdatesEnabled(false);
    const QList<QTreeWidgetItem *> rows = list_->invisibleRootItem()->takeChildren();
    QList<QTreeWidgetItem *> kept;
    QTreeWidgetItem *focus = nullptr;
    bool pastCurrent = false;
    for (QTreeWidgetItem *row : rows) {
        if (row == current) pastCurrent = true;
        if (doomed.contains(row)) {
            delete row;
            continue;
        }
        kept << row;
        if (pastCurrent && !focus) focus = row;
    }
    // A deleted focus row hands the focus on to the row that took its place.
    if (current && !focus && !kept.isEmpty()) focus = kept.last();
    list_->addTopLevelItems(kept);
    if (focus) {
        list_->setCurrentItem(focus);
        focus->setSelected(true);
    }
    list_->setUpdatesEnabled(true);
}

void RemoteShareViews::MI_DeleteFolderClick() {
    QTreeWidgetItem *node = SelectedTreeNode();
    if (!node) return;
    changeDelay_->stop();
    TV_ShareFileChange();
    if (!list_->selectedItems().isEmpty()) RemoveSelectedRows();
    QTreeWidgetItem *above = tree_->itemAbove(node);
    tree_->setUpdatesEnabled(false);
    delete node;
    tree_->setUpdatesEnabled(true);
    if (above) {
        tree_->setCurrentItem(above);
        changeDelay_->stop();
        TV_ShareFileChange();
    }
}

void RemoteShareViews::PM_DownFolderPopup() {
    for (QAction *a : {downFolder_, downFolderSub_, deleteFolder_}) a->setEnabled(false);
    const QTreeWidgetItem *node = SelectedTreeNode();
    if (!node) return;
    const bool rows = list_->topLevelItemCount() > 0;
    const int image = RemoteNodeImageOf(node);
    downFolder_->setEnabled(rows && (image == kDriveLastImage || image == kFolderLastImage));
    downFolderSub_->setEnabled(rows);
    deleteFolder_->setEnabled(image != kShareRootImage);
}
