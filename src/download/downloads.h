#pragma once
// The download queue and the client that fetches its rows, with the client's
// timers: what the download window shows and what `quillmere-cli get` drives.
#include <QObject>

#include <memory>

class DownloadQueue;
class QTimer;
class Session;
class TransferClient;

class Downloads : public QObject {
    Q_OBJECT
public:
    explicit Downloads(Session &session);
    ~Downloads() override;

    DownloadQueue &queue() { return *queue_; }
    TransferClient &client() { return *client_; }
    QTimer *Timer_DownCTL() const { return downCtl_; }
    QTimer *Timer_FileDown() const { return fileDown_; }
    QTimer *Timer_Connect() const { return connect_; }

private:
    DownloadQueue *queue_;
    QTimer *downCtl_;
    QTimer *fileDown_;
    QTimer *connect_;
    std::unique_ptr<TransferClient> client_;
};
