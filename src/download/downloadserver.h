#pragma once
// Serving download requests: the checks, the file-server start and the replies.
#include <QObject>

#include <atomic>

class TMainForm;

class DownloadServer : public QObject {
    Q_OBJECT
public:
    explicit DownloadServer(TMainForm &main);

    // Counts the running file servers again into FileServerCount.
    void CountFileServers();
    // The number found at the last count; read by the launchers for the port.
    int FileServerCount() const { return fileServerCount_.load(); }

private:
    void DownloadRequest(const QString &sender, const QString &text); // "@_+S"
    void StartRequest(const QString &sender, const QString &text);    // "@_+R"

    TMainForm &main_;
    std::atomic<int> fileServerCount_{0};
};
