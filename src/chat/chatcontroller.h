#pragma once
// The chat request and its answer dialog.
#include <QObject>

class TMainForm;

class ChatController : public QObject {
    Q_OBJECT
public:
    explicit ChatController(TMainForm &main);

private:
    TMainForm &main_;
};
