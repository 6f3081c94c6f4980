#pragma once
// The file server's small window: which file goes to whom, and how far.
#include <QWidget>

class FileServer;
class QLabel;
class QProgressBar;

class ServerWindow : public QWidget {
    Q_OBJECT
public:
    ServerWindow(const FileServer &server, const QString &fileName, const QString &requester);

private:
    void Refresh();

    const FileServer &server_;
    QLabel *state_ = nullptr;
    QProgressBar *progress_ = nullptr;
};
