#pragma once
// The small borderless notice shown while waiting for a chat answer.
#include <QWidget>

class TWait_Form : public QWidget {
    Q_OBJECT
public:
    TWait_Form();
};
