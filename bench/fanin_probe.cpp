// The copy under the search fan-in benchmark: the real main window inside a
// host of the test LAN, driven by lines on stdin, answering on stdout.
//   "search TEXT"  starts a search; prints "SEARCHING" just before it.
//   "count"        prints "ROWS <rows shown> STALL_MS <longest main-thread gap
//                  since the search> STALL_CPU_MS <the main thread's own CPU
//                  time within that gap> KERNEL_DROPS <drops of the command
//                  socket> RSS <resident bytes>".
//   "highlight N"  fills the views with N rows of 1000 owners through the
//                  dispatcher and times the peer tree's highlight step on the
//                  root and on a group of every other owner; prints
//                  "HIGHLIGHT <rows> BYTES_PER_ROW <b> ALL_MS <ms> HALF_MS <ms>".
//   "quit"
// QM_RCVBUF, when set, is the receive queue the copy is allowed (what
// net.core.rmem_max grants), set on the command socket after start-up.
// Uses only what every build of the main window offers, so the same probe
// measures the build before a change and after it.
#include "core/dispatcher.h"
#include "core/frame.h"
#include "core/mainform.h"
#include "core/session.h"
#include "probekit.h"
#include "core/prompts.h"
#include "listing/listdatagram.h"
#include "listing/listingcontroller.h"
#include "peers/peerdirectory.h"
#include "peers/peertree.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QSocketNotifier>
#include <QTimer>
#include <QTableView>
#include <QTreeWidget>

#include <malloc.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

using probe::say;

namespace {

qint64 threadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

qint64 rssBytes() {
    malloc_trim(0);
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    return f.readAll().split(' ').value(1).toLongLong() * sysconf(_SC_PAGESIZE);
}

QString owner(int i) { return QStringLiteral("PC-%1").arg(i, 4, 10, QLatin1Char('0')); }
QString ownerIp(int i) { return QStringLiteral("10.78.%1.%2").arg(i / 250).arg(i % 250 + 1); }

// Rows as owners list them: long names, a few folders and comments per owner.
void feedRows(WiredForm &form, int rows, int owners) {
    const int perOwner = (rows + owners - 1) / owners;
    int made = 0;
    for (int o = 0; o < owners && made < rows; ++o) {
        QList<QString> payloads;
        ListPacker packer([&](const QString &p) { payloads << p; }, [] {});
        for (int k = 0; k < perOwner && made < rows; ++k, ++made) {
            const int folder = k % 3;
            packer.Add({QStringLiteral("Holiday photo 2026-%1 %2.jpg").arg(k % 12 + 1).arg(made),
                        QString::number(100000 + made * 37), QStringLiteral("휴가 사진 모음 %1").arg(folder),
                        QStringLiteral("C:\\공유\\사진\\앨범%1\\").arg(folder), owner(o), ownerIp(o), QString()});
        }
        packer.Finish();
        for (const QString &p : payloads)
            form.dispatcher().DispatchDatagram(ownerIp(o), CommandBytes(QStringLiteral("@_+G"), p + QLatin1String(kEndOfList)));
    }
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    prompts::SetHook([](const prompts::Request &) { return prompts::Answer{}; });

    Session session;
    WiredForm form(session);
    form.resize(1000, 600);
    if (!probe::startUp(form)) return probe::fail(QStringLiteral("no start-up"));
    if (const int cap = qEnvironmentVariableIntValue("QM_RCVBUF"); cap > 0)
        ::setsockopt(form.RecvSocket(), SOL_SOCKET, SO_RCVBUF, &cap, sizeof cap);

    // The longest gap between ticks of a 5 ms timer: how long the main thread could not react.
    QElapsedTimer clock;
    qint64 lastNs = 0, longestNs = 0, lastCpuNs = 0, longestCpuNs = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        const qint64 cpu = threadCpuNs();
        if (now - lastNs > longestNs) {
            longestNs = now - lastNs;
            longestCpuNs = cpu - lastCpuNs;
        }
        lastNs = now;
        lastCpuNs = cpu;
    });
    clock.start();
    ticker.start(5);
    say(QStringLiteral("READY"));

    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buf[256];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            input.setEnabled(false);
            QCoreApplication::quit();
            return;
        }
        pending.append(buf, int(n));
        while (pending.contains('\n')) {
            const QString line = QString::fromUtf8(pending.left(pending.indexOf('\n')));
            pending.remove(0, pending.indexOf('\n') + 1);
            const QString word = line.section(QLatin1Char(' '), 0, 0);
            const QString arg = line.section(QLatin1Char(' '), 1);
            if (word == QLatin1String("search")) {
                form.E_SearchFileName()->setText(arg);
                lastNs = clock.nsecsElapsed();
                lastCpuNs = threadCpuNs();
                longestNs = longestCpuNs = 0;
                say(QStringLiteral("SEARCHING"));
                form.listing().SB_SearchFileClick();
            } else if (word == QLatin1String("count")) {
                say(QStringLiteral("ROWS %1 STALL_MS %2 STALL_CPU_MS %5 KERNEL_DROPS %3 RSS %4")
                        .arg(form.LV_ShareFile()->model()->rowCount())
                        .arg(double(longestNs) / 1e6, 0, 'f', 1)
                        .arg(probe::receiveDrops())
                        .arg(rssBytes())
                        .arg(double(longestCpuNs) / 1e6, 0, 'f', 1));
                // Measuring the heap takes the main thread a while: not the copy's stall.
                lastNs = clock.nsecsElapsed();
                lastCpuNs = threadCpuNs();
            } else if (word == QLatin1String("highlight")) {
                constexpr int kOwners = 1000;
                form.listing().views().Clear();
                form.listing().views().PlantShareRoot();
                QCoreApplication::processEvents();
                const qint64 before = rssBytes();
                feedRows(form, arg.toInt(), kOwners);
                QCoreApplication::processEvents();
                const qint64 after = rssBytes();
                const int rows = form.LV_ShareFile()->model()->rowCount();
                PeerTree &peers = form.peers();
                for (int o = 0; o < kOwners; ++o)
                    session.peers().AddPresence(ownerIp(o), o % 2 ? QStringLiteral("ODD") : QStringLiteral("EVEN"), owner(o));
                const auto time = [&](QTreeWidgetItem *node) {
                    form.TV_Person()->setCurrentItem(node);
                    QElapsedTimer t;
                    t.start();
                    peers.TV_PersonChange();
                    const double ms = double(t.nsecsElapsed()) / 1e6;
                    QCoreApplication::processEvents();
                    return ms;
                };
                QTreeWidgetItem *root = form.TV_Person()->topLevelItem(0);
                const double all = time(root);
                QTreeWidgetItem *odd = nullptr;
                for (int g = 0; g < root->childCount(); ++g)
                    if (root->child(g)->text(0) == QLatin1String("ODD")) odd = root->child(g);
                const double half = odd ? time(odd) : -1;
                say(QStringLiteral("HIGHLIGHT %1 BYTES_PER_ROW %2 ALL_MS %3 HALF_MS %4")
                        .arg(rows)
                        .arg(rows ? (after - before) / rows : 0)
                        .arg(all, 0, 'f', 1)
                        .arg(half, 0, 'f', 1));
            } else if (word == QLatin1String("quit")) {
                input.setEnabled(false);
                QCoreApplication::quit();
                return;
            }
        }
    });
    const int rc = app.exec();
    form.close();
    return rc;
}
