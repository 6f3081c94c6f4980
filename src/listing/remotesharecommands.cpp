// The list's and the tree's commands: sorting, selecting, deleting rows and
// nodes, and the enabling of the tree's popup.
#include "core/mainform.h"
#include "core/prompts.h"
#include "listing/remoteshareviews.h"
#include "listing/remoteresults.h"
#include "listing/sharelistmodel.h"

#include <QAction>
#include <QTimer>
#include <QTableView>
#include <QTreeWidget>

void RemoteShareViews::LV_ShareFileColumnClick(int column) {
    if (results_.Rows() == 0 || column < 0 || column >= RemoteResults::kColumns) return;
    results_.sort(column, sortDescending_[column] ? Qt::DescendingOrder : Qt::AscendingOrder);
    sortDescending_[column] = !sortDescending_[column];
}

void RemoteShareViews::MI_SelectAllFileClick() { list_->selectAll(); }

void RemoteShareViews::MI_InvertSelectFileClick() {
    const int rows = results_.Rows();
    if (rows == 0) return;
    const QItemSelection all(model_->index(0, 0), model_->index(rows - 1, RemoteResults::kColumns - 1));
    list_->selectionModel()->select(all, QItemSelectionModel::Toggle);
}

void RemoteShareViews::MenuItem2Click() {
    if (!list_->selectionModel()->hasSelection()) {
        prompts::Information(&main_, QStringLiteral("삭제할 파일(들)을 선택하세요."));
        return;
    }
    RemoveSelectedRows();
}

void RemoteShareViews::RemoveSelectedRows() {
    const QList<int> doomed = SelectedRows();
    const QModelIndex current = list_->currentIndex();
    // The focus passes to the first row kept from the focus row on, or to
    // the last row kept; its place is where it lands once the rest are gone.
    int focus = -1;
    if (current.isValid()) {
        int kept = 0;
        qsizetype next = 0;
        for (int row = 0; row < results_.Rows(); ++row) {
            if (next < doomed.size() && doomed[next] == row) {
                ++next;
                continue;
            }
            if (row >= current.row()) {
                focus = kept;
                break;
            }
            ++kept;
        }
        if (focus < 0) focus = kept - 1;
    }
    // One step for the whole deletion, so many rows do not move the rest once each.
    list_->setUpdatesEnabled(false);
    results_.RemoveRows(doomed);
    if (focus >= 0) {
        const QModelIndex row = model_->index(focus, 0);
        list_->selectionModel()->setCurrentIndex(row, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    list_->setUpdatesEnabled(true);
}

void RemoteShareViews::MI_DeleteFolderClick() {
    QTreeWidgetItem *node = SelectedTreeNode();
    if (!node) return;
    changeDelay_->stop();
    TV_ShareFileChange();
    if (list_->selectionModel()->hasSelection()) RemoveSelectedRows();
    QTreeWidgetItem *above = tree_->itemAbove(node);
    tree_->setUpdatesEnabled(false);
    delete node;
    ForgetNodes();
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
    const bool rows = results_.Rows() > 0;
    const int image = RemoteNodeImageOf(node);
    downFolder_->setEnabled(rows && (image == kDriveLastImage || image == kFolderLastImage));
    downFolderSub_->setEnabled(rows);
    deleteFolder_->setEnabled(image != kShareRootImage);
}
