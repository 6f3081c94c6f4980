#pragma once
// Opens the ping window for the selected computer.
#include <QObject>

class TMainForm;

class PingLauncher : public QObject {
    Q_OBJECT
public:
    explicit PingLauncher(TMainForm &main);

    // Shows the window modally and frees it when it closes.
    void TVMI_PingClick();

private:
    TMainForm &main_;
};
