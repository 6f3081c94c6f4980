#pragma once
// The program's icon in the system tray, and news for a user who is not
// looking: while the main window is hidden or minimized, a chat request, a
// download queue that finished and a row that failed become desktop
// notifications and mark the tray icon until the window is shown again.
// Closing the main window still ends the program; the tray does not keep it.
#include <QObject>
#include <QStringList>

#include <functional>

class QSystemTrayIcon;
class QTimer;
class QWidget;

class TrayActivity : public QObject {
    Q_OBJECT
public:
    // kind: one kind of news, whose notification replaces the previous one of that kind.
    using Notifier = std::function<void(const QString &kind, const QString &summary, const QString &body)>;

    TrayActivity(QWidget &main, Notifier notify);

    QSystemTrayIcon *TrayIcon() const { return tray_; }
    // True while news waits for the user to come back to the window.
    bool Marked() const { return marked_; }

    // News: a chat request arrived, the download queue finished, a row failed.
    void ChatRequested(const QString &name, const QString &ip);
    void QueueFinished(int complete, int failed);
    void RowFailed(const QString &file, const QString &owner, const QString &state);

signals:
    // The tray menu's 다운로드 목록 item.
    void downloadListRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void News(const QString &kind, const QString &summary, const QString &body);
    void ShowFailures();
    void SetMarked(bool marked);
    void ShowMain();

    QWidget &main_;
    Notifier notify_;
    QSystemTrayIcon *tray_;
    QTimer *failuresDue_;
    QStringList failures_; // failed rows of one turn of the event loop, told together
    bool marked_ = false;
};
