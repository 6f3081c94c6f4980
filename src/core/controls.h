#pragma once
// A control that another class built, found by its object name. Whether it
// exists yet depends on the order of construction; a missing one is a wiring
// fault, which a debug build stops at instead of leaving a command unhooked.
#include <QObject>
#include <QString>

template <typename T>
T *Control(const QObject &root, const char *name) {
    T *found = root.findChild<T *>(QString::fromLatin1(name));
    Q_ASSERT_X(found, "Control", name);
    return found;
}
