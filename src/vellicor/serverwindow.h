#pragma once
// The file server's small window: which file goes to whom, and how far.
#include <QWidget>

class ServingTask;
class QLabel;
class QProgressBar;

class ServerWindow : public QWidget {
    Q_OBJECT
public:
    ServerWindow(const ServingTask &server, const QString &fileName, const QString &requester);

private:
    void Refresh();

    const ServingTask &server_;
    QLabel *state_ = nullptr;
    QProgressBar *progress_ = nullptr;
};
