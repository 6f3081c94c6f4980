#pragma once
// What the programs that run a real main window on the test LAN share: their
// settings from the environment, one printed line per event, waits that keep
// the window alive, and every dialog printed instead of shown.
#include "wiredform.h"
#include "core/prompts.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <cstdio>
#include <functional>

namespace probe {

inline QString env(const char *name) { return QString::fromLocal8Bit(qgetenv(name)); }

inline void say(const QString &line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

inline int fail(const QString &why) {
    say(QStringLiteral("FAIL ") + why);
    return 1;
}

// Handles events until ready() holds or ms pass.
inline bool waitFor(const std::function<bool()> &ready, int ms) {
    QElapsedTimer t;
    t.start();
    while (!ready()) {
        if (t.elapsed() > ms) return false;
        QTest::qWait(20);
    }
    return true;
}

// Every dialog becomes a "PROMPT <text>" line, answered as if dismissed.
inline void printPrompts() {
    prompts::SetHook([](const prompts::Request &r) {
        say(QStringLiteral("PROMPT ") + r.text);
        return prompts::Answer{};
    });
}

// Shows the window and waits for its start-up to open the sockets.
inline bool startUp(WiredForm &form, int ms = 10000) {
    form.show();
    return waitFor([&] { return form.SendSocket() != -1; }, ms);
}

// Datagrams the kernel dropped at the command socket (port 8765) because its
// queue was full, as /proc/net/udp counts them.
inline QString receiveDrops() {
    QFile f(QStringLiteral("/proc/net/udp"));
    if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("?");
    for (const QByteArray &line : f.readAll().split('\n')) {
        const QList<QByteArray> cols = line.simplified().split(' ');
        if (cols.size() > 12 && cols[1].endsWith(":223D")) return QString::fromLatin1(cols.last());
    }
    return QStringLiteral("?");
}

} // namespace probe
