#pragma once
// The share settings page: the list of published files and folders and its commands.
#include <QWidget>

class TMainForm;

class TSharePage : public QWidget {
    Q_OBJECT
public:
    TSharePage(TMainForm &main, QWidget *parent);

private:
    TMainForm &main_;
};
