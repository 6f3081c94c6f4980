#pragma once
// Serving download requests: the checks, the file-server start and the replies.
#include <QObject>

#include <memory>

class FileServerSlots;
class TMainForm;

class DownloadServer : public QObject {
    Q_OBJECT
public:
    explicit DownloadServer(TMainForm &main);
    ~DownloadServer() override;

private:
    void DownloadRequest(const QString &sender, const QString &text); // "@_+S"
    void StartRequest(const QString &sender, const QString &text);    // "@_+R"

    TMainForm &main_;
    std::unique_ptr<FileServerSlots> slots_;
};
