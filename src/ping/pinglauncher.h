#pragma once
// Opens the ping window for the selected computer.
#include <QObject>

class TMainForm;

class PingLauncher : public QObject {
    Q_OBJECT
public:
    explicit PingLauncher(TMainForm &main);

private:
    TMainForm &main_;
};
