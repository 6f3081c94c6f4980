#pragma once
// Opens the ping window for a computer of the peer tree.
#include <QObject>

class QWidget;
struct TPersonInfo;

class PingLauncher : public QObject {
    Q_OBJECT
public:
    explicit PingLauncher(QWidget &owner);

    // Shows the window modally over the owner and frees it when it closes.
    void TVMI_PingClick(const TPersonInfo &person);

private:
    QWidget &owner_;
};
