// The download window under a long queue, with its sends recorded and the
// owner's answers fed to its dispatcher: adding 20,000 rows (the
// download-folder command on a folder of 20,000 files), moving every other
// row and a block of 10,000 down, deleting every other row and a block of
// 10,000, one progress report of the last of 30,000 rows, and a transfer over
// loopback (a thread here serves the bytes) from its connect to the row
// complete, with 1 and with 30,000 rows queued, the running row last, the two
// taking turns. Prints one "NAME value" line per figure.
// Uses only what every build of the window offers, so the same program
// measures the build before a change and after it.
//   QM_MIB  transfer size (default 1024)   QM_ROUNDS  transfers per case (default 6)
#include "clientharness.h"
#include "core/prompts.h"
#include "download/downconfirm.h"
#include "listing/listingcontroller.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

constexpr int kRows = 20000;
constexpr int kLongQueue = 30000;
const QString kOwner = QStringLiteral("PC01");

void say(const char *name, double value) {
    std::printf("%s %.6f\n", name, value);
    std::fflush(stdout);
}

double threadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Prints "NAME wall-seconds main-thread-CPU-seconds": on a shared machine the
// second tells the work from the wait for a core.
template <typename F> void timed(const char *name, F f) {
    QElapsedTimer t;
    t.start();
    const double cpu = threadCpuSeconds();
    f();
    QCoreApplication::processEvents(); // what the views put off counts too
    std::printf("%s %.6f %.6f\n", name, double(t.nsecsElapsed()) / 1e9, threadCpuSeconds() - cpu);
    std::fflush(stdout);
}

// Serves size bytes to the one connection it takes, from a thread of its own.
class ByteServer {
public:
    explicit ByteServer(qint64 size) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr *>(&a), sizeof a);
        ::listen(fd_, 1);
        socklen_t len = sizeof a;
        ::getsockname(fd_, reinterpret_cast<sockaddr *>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this, size] {
            const int c = ::accept(fd_, nullptr, nullptr);
            if (c < 0) return;
            const std::vector<char> block(1 << 20, 'q');
            for (qint64 left = size; left > 0;) {
                const ssize_t n = ::send(c, block.data(), size_t(qMin<qint64>(left, qint64(block.size()))), MSG_NOSIGNAL);
                if (n <= 0) break;
                left -= n;
            }
            ::close(c);
        });
    }
    ~ByteServer() {
        ::shutdown(fd_, SHUT_RDWR); // an accept still waiting gives up
        thread_.join();
        ::close(fd_);
    }
    quint16 port() const { return port_; }

private:
    int fd_ = -1;
    quint16 port_ = 0;
    std::thread thread_;
};

class Bench {
public:
    // The files go to memory where it can: the disk is not what is measured.
    Bench()
        : dir_(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/queue-bench-XXXXXX")
                                                         : QDir::tempPath() + QStringLiteral("/queue-bench-XXXXXX")),
          target_(dir_.path()) {
        // Every confirmation dialog is answered at once: into the target folder, overwriting.
        watch_.setInterval(1);
        QObject::connect(&watch_, &QTimer::timeout, [this] {
            auto *d = qobject_cast<TDownConfirmForm *>(QApplication::activeModalWidget());
            if (!d) return;
            d->E_dpath()->setText(target_);
            d->RB_overwrite()->setChecked(true);
            d->findChild<QPushButton *>(QStringLiteral("BB_Ok"))->click();
        });
        watch_.start();
    }

    void run() {
        fillListing();
        // Shown while empty: its scheduler finds nothing and the queue rests.
        h_.down().ShowInFront();
        QCoreApplication::processEvents();

        timed("ADD_S", [&] { downloadFolder(QStringLiteral("가")); });
        if (queue().Count() != kRows) return fail("rows after adding");
        // Choosing the rows is the user's part; only the command is timed.
        select(everyOther(kRows));
        timed("MOVE_EVERY_OTHER_S", [&] { button("BB_Downward")->click(); });
        select(block(kRows));
        timed("MOVE_BLOCK_S", [&] { button("BB_Downward")->click(); });
        select(everyOther(kRows));
        timed("DELETE_EVERY_OTHER_S", [&] { deleteSelected(); });
        if (queue().Count() != kRows / 2) return fail("rows after deleting every other row");
        clearQueue();
        downloadFolder(QStringLiteral("가"));
        select(block(kRows));
        timed("DELETE_BLOCK_S", [&] { deleteSelected(); });
        if (queue().Count() != kRows / 2) return fail("rows after deleting a block");

        // The two queues take turns, each going first every other round, so
        // that both meet the same load on the machine.
        const int rounds = qEnvironmentVariableIntValue("QM_ROUNDS") > 0 ? qEnvironmentVariableIntValue("QM_ROUNDS") : 6;
        std::vector<Transfer> one, many;
        const auto withOneRow = [&] {
            clearQueue();
            h_.down().AddDownload(QStringLiteral("big.bin"), kOwner, true, MakeTarget(target_, {QStringLiteral("big.bin")}),
                                  QStringLiteral("C:\\공유\\나\\"), kOwnerIP);
            one.push_back(transfer(0));
        };
        const auto withLongQueue = [&] {
            clearQueue();
            downloadFolder(QStringLiteral("나"));
            if (queue().Count() != kLongQueue) return fail("rows of the long queue");
            if (many.empty()) timeProgressReports(kLongQueue - 1);
            many.push_back(transfer(kLongQueue - 1));
        };
        for (int i = 0; i < rounds && !failed_; ++i) {
            if (i % 2) withLongQueue();
            withOneRow();
            if (i % 2 == 0) withLongQueue();
        }
        sayRounds(1, one);
        sayRounds(kLongQueue, many);
        // Each round's two transfers ran back to back: their ratio is spared most of the drift in the machine's load.
        std::vector<double> ratios;
        for (size_t i = 0; i < one.size() && i < many.size(); ++i)
            ratios.push_back(100 * many[i].mibPerSecond / one[i].mibPerSecond);
        say("RATIO_30000_TO_1_PERCENT", median(ratios));
    }

    int failed() const { return failed_; }

private:
    DownloadQueue &queue() { return h_.queue(); }
    QToolButton *button(const char *name) { return h_.down().findChild<QToolButton *>(QString::fromLatin1(name)); }
    void fail(const char *what) {
        std::printf("FAIL %s: %d rows, the last %s\n", what, int(queue().Count()),
                    queue().Count() ? qPrintable(queue().Row(queue().Count() - 1)[DownloadRow::State]) : "");
        failed_ = 1;
    }

    // Folder 가 holds kRows files, folder 나 kLongQueue, all of one owner at loopback.
    void fillListing() {
        RemoteShareViews &views = h_.form->listing().views();
        views.PlantShareRoot();
        QList<ShareEntry> entries;
        for (const auto &[folder, count] : {std::pair{QStringLiteral("가"), kRows}, {QStringLiteral("나"), kLongQueue}})
            for (int i = 0; i < count; ++i)
                entries.append({QStringLiteral("사진 %1 모음.jpg").arg(i, 6, 10, QLatin1Char('0')), QStringLiteral("1048576"),
                                {}, QStringLiteral("C:\\공유\\%1\\").arg(folder), kOwner, kOwnerIP, {}});
        views.AddEntries(entries);
        views.ExpandAll();
    }
    void downloadFolder(const QString &name) {
        QTreeWidgetItem *n = h_.form->TV_ShareFile()->topLevelItem(0);
        for (const QString &caption : {kOwner, QStringLiteral("C:"), QStringLiteral("공유"), name}) {
            QTreeWidgetItem *next = nullptr;
            for (int i = 0; n && i < n->childCount(); ++i)
                if (n->child(i)->text(0) == caption) next = n->child(i);
            n = next;
        }
        if (!n) return fail("no folder node");
        h_.form->TV_ShareFile()->setCurrentItem(n);
        h_.form->findChild<QAction *>(QStringLiteral("MI_DownFolder"))->trigger();
    }

    static QList<QPair<int, int>> everyOther(int rows) {
        QList<QPair<int, int>> ranges;
        for (int r = 0; r < rows; r += 2) ranges.append({r, r});
        return ranges;
    }
    static QList<QPair<int, int>> block(int rows) { return {{rows / 4, rows / 4 + rows / 2 - 1}}; }
    void select(const QList<QPair<int, int>> &ranges) {
        QItemSelection s;
        for (const auto &[top, bottom] : ranges)
            s.select(queue().index(top, 0), queue().index(bottom, DownloadRow::ColumnCount - 1));
        QItemSelectionModel *m = h_.down().LV_File()->selectionModel();
        m->clearSelection();
        m->select(s, QItemSelectionModel::Select);
    }
    void deleteSelected() { h_.down().findChild<QAction *>(QStringLiteral("MI_DeleteList"))->trigger(); }
    void clearQueue() {
        h_.down().LV_File()->selectAll();
        deleteSelected();
        QCoreApplication::processEvents();
    }

    // What the transfer client does on each report, for a row behind all others.
    void timeProgressReports(int r) {
        const DownloadRow row = queue().Row(r);
        constexpr int reports = 2000;
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < reports; ++i)
            queue().SetProgress(queue().Find(row[DownloadRow::OwnerIP], row[DownloadRow::SourceFolder],
                                             row[DownloadRow::FileName]),
                                QString::number(i % 100), QString::number(i));
        say("PROGRESS_REPORT_US", double(t.nsecsElapsed()) / 1e3 / reports);
    }

    struct Transfer {
        double mibPerSecond = 0, mainCpuMs = 0; // the main thread's share: the list's upkeep and the reports
    };
    // One transfer of the row.
    Transfer transfer(int r) {
        const qint64 size = qint64(qEnvironmentVariableIntValue("QM_MIB") > 0 ? qEnvironmentVariableIntValue("QM_MIB") : 1024)
                            << 20;
        QFile::remove(queue().Row(r).target.Path());
        const qsizetype asked = h_.sent("@_+S").size();
        h_.client().Start({r});
        if (!QTest::qWaitFor([&] { return h_.sent("@_+S").size() > asked; }, 5000)) {
            fail("no request");
            return {};
        }
        const QString path = queue().Row(r)[DownloadRow::SourceFolder] + queue().Row(r)[DownloadRow::FileName];
        ByteServer server(size);
        // Timed from the connect, which the client starts a pause after the owner's go-ahead.
        QElapsedTimer t;
        double cpu = 0;
        QObject context;
        QObject::connect(h_.down().Timer_Connect(), &QTimer::timeout, &context, [&] {
            t.start();
            cpu = threadCpuSeconds();
        });
        h_.answer(path, size, server.port());
        if (!QTest::qWaitFor([&] { return !queue().Row(r).IsActive(); }, 600000) ||
            queue().Row(r)[DownloadRow::State] != rowstate::Complete) {
            fail("transfer");
            return {};
        }
        const Transfer done{double(size) / (1 << 20) / (double(t.nsecsElapsed()) / 1e9), (threadCpuSeconds() - cpu) * 1e3};
        QFile::remove(queue().Row(r).target.Path());
        // The scheduler looks once more and finds nothing: rows added later wait for Start.
        if (!QTest::qWaitFor([&] { return !h_.down().Timer_DownCTL()->isActive() && h_.client().StartEnabled(); }, 5000))
            fail("scheduler still busy");
        return done;
    }
    static double median(std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0 : v[v.size() / 2];
    }
    // "THROUGHPUT_<rows>_MIBS median", "MAIN_CPU_<rows>_MS median" and, for the eye, every round.
    static void sayRounds(int rows, const std::vector<Transfer> &rounds) {
        std::vector<double> rates, cpu;
        std::printf("ROUNDS_%d MiB/s (main thread CPU ms):", rows);
        for (const Transfer &t : rounds) {
            std::printf(" %.0f (%.0f)", t.mibPerSecond, t.mainCpuMs);
            rates.push_back(t.mibPerSecond);
            cpu.push_back(t.mainCpuMs);
        }
        std::printf("\nTHROUGHPUT_%d_MIBS %.6f\nMAIN_CPU_%d_MS %.6f\n", rows, median(rates), rows, median(cpu));
        std::fflush(stdout);
    }

    ClientHarness h_;
    QTemporaryDir dir_;
    QString target_;
    QTimer watch_;
    int failed_ = 0;
};

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    prompts::SetHook([](const prompts::Request &r) {
        std::printf("PROMPT %s\n", qPrintable(r.text));
        return prompts::Answer{};
    });
    Bench bench;
    bench.run();
    return bench.failed();
}
