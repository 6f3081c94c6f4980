#pragma once
// Serving download requests: the checks, the file-server start and the replies.
#include <QObject>

#include <memory>

class FileServerSlots;
class Session;

class DownloadServer : public QObject {
    Q_OBJECT
public:
    explicit DownloadServer(Session &session);
    ~DownloadServer() override;

private:
    void DownloadRequest(const QString &sender, const QString &text); // "@_+S"
    void StartRequest(const QString &sender, const QString &text);    // "@_+R"

    Session &session_;
    std::unique_ptr<FileServerSlots> slots_;
};
