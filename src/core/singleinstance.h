#pragma once
// One copy of the program per user and network: a second start hands over
// to the copy that already holds the command port.
#include <QObject>

class QWidget;

// Listens, while this copy holds the port, for later starts of this user's
// program and brings `window` to the front for each.
class InstanceBeacon : public QObject {
public:
    explicit InstanceBeacon(QWidget *window);
};

// Asks this user's running copy to come to the front; true when there is one.
bool RaiseRunningCopy();
