#pragma once
// Serving download requests: checks, file-server start and the replies.
#include <QObject>

class TMainForm;

class DownloadServer : public QObject {
    Q_OBJECT
public:
    explicit DownloadServer(TMainForm &main);

private:
    TMainForm &main_;
};
