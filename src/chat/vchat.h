#pragma once
// The one-to-one chat window.
#include <QWidget>

class TMainForm;

class TV_Chat : public QWidget {
    Q_OBJECT
public:
    explicit TV_Chat(TMainForm &main);

private:
    TMainForm &main_;
};
