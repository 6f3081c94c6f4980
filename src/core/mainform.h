#pragma once
// The main window: its frame (menu, pages, trees, result list, status bar),
// start-up on first activation and the close sequence. The subsystems that
// fill it are built and wired beside it (desktop.h).
#include "core/session.h"

#include <QMainWindow>
#include <QTableView>

#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QSplitter;
class QTabWidget;
class QTimer;
class QToolButton;
class QTreeWidget;
class QWidget;

class InstanceBeacon;
class ShareRegistry;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(Session &session);
    ~TMainForm() override;

    // Program-wide state and services: the session's.
    Session &session() { return session_; }
    HostIdentity &host() { return session_.host(); }
    Messenger &net() { return session_.net(); }
    Dispatcher &dispatcher() { return session_.dispatcher(); }
    int RecvSocket() const { return session_.RecvSocket(); }
    int SendSocket() const { return session_.SendSocket(); }
    bool FirstActivation() const { return firstActivation_; }
    void SetStatusText(const QString &text);
    QString StatusText(int panel) const;

    ShareRegistry &registry() { return session_.registry(); }

    // Controls, also found by objectName.
    QTabWidget *PC_Message() const { return pcMessage_; }
    QWidget *TabSheet_FileShare() const { return tabFileShare_; }
    QWidget *TabSheet_SetShare() const { return tabSetShare_; }
    QTreeWidget *TV_Person() const { return tvPerson_; }
    QTreeWidget *TV_ShareFile() const { return tvShareFile_; }
    QTableView *LV_ShareFile() const { return lvShareFile_; }
    QLineEdit *E_SearchFileName() const { return eSearchFileName_; }
    QToolButton *SB_SearchFile() const { return sbSearchFile_; }
    QToolButton *SB_FileFolderOpen() const { return sbFileFolderOpen_; }
    QToolButton *SB_DownloadList() const { return sbDownloadList_; }
    QLabel *L_SearchFileName() const { return lSearchFileName_; }
    QLabel *L_SearchFileCnt() const { return lSearchFileCnt_; }
    QTimer *Timer_FileShare() const; // the session's answer wait

    // Start-up and shutdown.
    void FormActivate();
    bool FormCloseQuery();

signals:
    // Both sockets are open; the peer tree is planted before the first announcement.
    void startedUp();
    // The close sequence has run; the program ends.
    void closed();

protected:
    bool event(QEvent *e) override;
    void showEvent(QShowEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

private:
    void BuildMenu();
    void BuildPages();
    QWidget *BuildSearchPage();
    void BuildStatusBar();
    void FormCreate();
    bool StartUp();
    void FailStartUp(const QString &message);
    void About1Click();
    void MnuDownloadNewClick();

    Session &session_;
    bool firstActivation_ = false;
    bool startupQueued_ = false;
    bool closeRan_ = false;

    QTabWidget *pcMessage_ = nullptr;
    QWidget *tabFileShare_ = nullptr;
    QWidget *tabSetShare_ = nullptr;
    QTreeWidget *tvPerson_ = nullptr;
    QTreeWidget *tvShareFile_ = nullptr;
    QTableView *lvShareFile_ = nullptr;
    QLineEdit *eSearchFileName_ = nullptr;
    QToolButton *sbSearchFile_ = nullptr;
    QToolButton *sbFileFolderOpen_ = nullptr;
    QToolButton *sbDownloadList_ = nullptr;
    QLabel *lSearchFileName_ = nullptr;
    QLabel *lSearchFileCnt_ = nullptr;
    QLabel *panels_[3] = {};
    QAction *mnuDownloadNew_ = nullptr;
    InstanceBeacon *beacon_ = nullptr;
};
