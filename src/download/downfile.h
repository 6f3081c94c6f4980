#pragma once
// The download queue window: the list of files to fetch, its buttons, menu
// and counters. The rows and their fetching live in DownloadQueue and
// TransferClient; this window shows them and turns clicks into their calls.
#include "download/downloadqueue.h"

#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class DownloadFigures;
class QAction;
class QLabel;
class QMenu;
class QTableView;
class QTimer;
class QToolButton;
class TMainForm;
class TransferClient;

class TDownForm : public QWidget {
    Q_OBJECT
public:
    explicit TDownForm(TMainForm &main);
    ~TDownForm() override;

    // Queues files in one insertion; each file already listed is shown and
    // reported instead. The count of files added.
    int AddDownloads(const QList<QueuedFile> &files);
    // False when nothing was added.
    bool AddDownload(const QString &fileName, const QString &owner, bool overwrite, const LocalTarget &target,
                     const QString &sourceFolder, const QString &ownerIP) {
        return AddDownloads({{fileName, owner, overwrite, target, sourceFolder, ownerIP}}) == 1;
    }
    // Shows the window in front; a hidden window starts the queue as it appears.
    void ShowInFront();
    // Opens a file or folder with the desktop's default action.
    void OpenWithShell(const QString &path);
    // Tests watch what would be opened.
    void SetShellOpener(std::function<void(const QString &)> opener) { opener_ = std::move(opener); }

    DownloadQueue &queue() { return *queue_; }
    TransferClient &client() { return *client_; }
    DownloadFigures &figures() { return *figures_; }
    QTableView *LV_File() const { return lvFile_; }
    QTimer *Timer_DownCTL() const { return timerDownCtl_; }
    QTimer *Timer_FileDown() const { return timerFileDown_; }
    QTimer *Timer_Connect() const { return timerConnect_; }

signals:
    // A row ended in a failure state.
    void rowFailed(const QString &fileName, const QString &owner, const QString &state);
    // Rows were fetched and nothing waits any more.
    void queueFinished(int complete, int failed);

protected:
    void showEvent(QShowEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;

private:
    void BuildBar();
    void BuildList();
    void BuildMenu();
    QList<int> SelectedRows() const;
    // Adds the sorted rows to an empty selection, one range per run. (Into a
    // selection that is not empty, the view compares old and new range by range.)
    void SelectRows(const QList<int> &rows);
    // BB_Upward and BB_Downward: the selection goes with its rows, the current row keeps its place.
    void MoveSelected(QList<int> (DownloadQueue::*move)(const QList<int> &));
    // The rows are about to be removed: the row to be current after it when the
    // current row goes with them, the nearest that stays above it, else below
    // (where a view puts it when told of the rows one by one).
    QModelIndex CurrentAfterRemoving(const QList<int> &rows) const;
    void RefreshCounters();
    void FormShow();
    void RowStateChanged(int row);
    void QueueDone();

    void BB_StopClick();
    void BB_StartAllClick();
    void BB_StartClick();
    void BB_UpwardClick();
    void BB_DownwardClick();
    void BB_OpenClick();
    void BB_OpenFolderClick();
    void MI_SelectAllClick();
    void MI_DeleteListClick();
    void MI_DeleteFileClick();
    void LV_FileColumnClick(int column);

    TMainForm &main_;
    DownloadQueue *queue_ = nullptr;
    QTimer *timerDownCtl_ = nullptr;
    QTimer *timerFileDown_ = nullptr;
    QTimer *timerConnect_ = nullptr;
    TransferClient *client_ = nullptr;
    std::function<void(const QString &)> opener_;
    std::array<bool, 10> sortDescending_{};
    bool fetched_ = false; // a row ended since the queue last ran dry

    QToolButton *bbStop_ = nullptr, *bbStartAll_ = nullptr, *bbStart_ = nullptr, *bbUpward_ = nullptr,
                *bbDownward_ = nullptr, *bbOpen_ = nullptr, *bbOpenFolder_ = nullptr;
    QTableView *lvFile_ = nullptr;
    QMenu *popupMenu1_ = nullptr;
    QAction *miDeleteFile_ = nullptr;
    QLabel *panels_[5] = {};
    DownloadFigures *figures_ = nullptr;
};
