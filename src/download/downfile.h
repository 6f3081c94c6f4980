#pragma once
// The download queue window.
#include <QWidget>

class TMainForm;

class TDownForm : public QWidget {
    Q_OBJECT
public:
    explicit TDownForm(TMainForm &main);

private:
    TMainForm &main_;
};
