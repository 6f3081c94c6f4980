// The copy under load: the real main window inside a host of the test LAN,
// with a meter on its main thread. A short repeating timer notes every gap
// between its ticks; a gap is how long the main thread could not react.
// Prints "READY" once the copy is up, "GROWN <computers> <ms>" at most every
// 100 ms while its peer tree grows and "COMPLETE <ms> <ms>" once it lists
// QM_EXPECT computers (times since the start and since the first peer).
// A line "report" on stdin ends the run and prints the figures, the peer
// tree and every dialog the copy asked.
#include "core/mainform.h"
#include "core/session.h"
#include "probekit.h"
#include "core/prompts.h"
#include "peers/personinfo.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>
#include <QTreeWidget>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

using probe::say;

namespace {

int computerCount(QTreeWidget *tree) {
    const QTreeWidgetItem *root = tree->topLevelItem(0);
    int n = 0;
    for (int g = 0; root && g < root->childCount(); ++g) n += root->child(g)->childCount();
    return n;
}

struct StallMeter {
    static constexpr int kTickMs = 5;
    QElapsedTimer clock;
    qint64 lastNs = 0;
    qint64 longestNs = 0;
    qint64 longestAtMs = 0;
    int over50 = 0;
    int over100 = 0;
    qint64 ticks = 0;

    void start() {
        clock.start();
        lastNs = 0;
    }
    void tick() {
        const qint64 now = clock.nsecsElapsed();
        const qint64 gap = now - lastNs;
        lastNs = now;
        ++ticks;
        if (gap > longestNs) {
            longestNs = gap;
            longestAtMs = now / 1000000;
        }
        if (gap > 50000000) ++over50;
        if (gap > 100000000) ++over100;
    }
};

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    QStringList asked;
    prompts::SetHook([&asked](const prompts::Request &r) {
        asked << r.text;
        return prompts::Answer{};
    });
    const int expected = qEnvironmentVariableIntValue("QM_EXPECT");

    Session session(nullptr, Timings::FromEnvironment());
    WiredForm form(session);
    form.resize(1000, 600);
    if (!probe::startUp(form)) return probe::fail(QStringLiteral("no start-up"));

    StallMeter meter;
    qint64 firstPeerMs = -1;
    int grown = 0;
    qint64 grownAtMs = 0;
    bool complete = false;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        meter.tick();
        if (complete) return;
        const int n = computerCount(form.TV_Person());
        const qint64 now = meter.clock.elapsed();
        // The copy's own announcement makes the first node.
        if (firstPeerMs < 0 && n > 1) firstPeerMs = now;
        if (expected > 0 && n >= expected) {
            complete = true;
            say(QStringLiteral("COMPLETE %1 %2").arg(now).arg(now - firstPeerMs));
        } else if (n != grown && now - grownAtMs >= 100) {
            grown = n;
            grownAtMs = now;
            say(QStringLiteral("GROWN %1 %2").arg(n).arg(now - firstPeerMs));
        }
    });
    meter.start();
    ticker.start(StallMeter::kTickMs);
    say(QStringLiteral("READY"));

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buf[256];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n > 0 && !QByteArray(buf, int(n)).contains("report")) return;
        input.setEnabled(false);
        ticker.stop();
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        say(QStringLiteral("LONGEST_GAP_MS %1 AT_MS %2")
                .arg(double(meter.longestNs) / 1e6, 0, 'f', 1)
                .arg(meter.longestAtMs));
        say(QStringLiteral("GAPS_OVER_50 %1 OVER_100 %2 TICKS %3 RUN_MS %4")
                .arg(meter.over50)
                .arg(meter.over100)
                .arg(meter.ticks)
                .arg(meter.clock.elapsed()));
        say(QStringLiteral("PEAK_RSS_KB %1").arg(usage.ru_maxrss));
        say(QStringLiteral("CPU_MS %1").arg((usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000 +
                                            (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000));
        say(QStringLiteral("RECEIVE_DROPS ") + probe::receiveDrops());
        const QTreeWidgetItem *root = form.TV_Person()->topLevelItem(0);
        for (int g = 0; root && g < root->childCount(); ++g) {
            const QTreeWidgetItem *group = root->child(g);
            say(QStringLiteral("GROUP ") + group->text(0));
            for (int c = 0; c < group->childCount(); ++c)
                say(QStringLiteral("NODE ") + group->text(0) + QLatin1Char('/') + group->child(c)->text(0) +
                    QLatin1Char('@') + PersonInfoOf(group->child(c)).IP);
        }
        for (const QString &text : asked) say(QStringLiteral("PROMPT ") + text);
        say(QStringLiteral("END"));
        form.close();
        QCoreApplication::quit();
    });
    return app.exec();
}
