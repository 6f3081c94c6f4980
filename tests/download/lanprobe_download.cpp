// Runs the real main window inside a host of the test LAN as the copy that
// downloads. It asks the owners in QM_OWNERS (comma-separated addresses) for
// their share lists, waits for QM_ROWS rows, makes a choice as a user would
// and answers the confirmation dialog with QM_TARGET, then waits until the
// queue has run and prints one "ROW state|size|received|save path" line per row.
//   QM_CHOOSE   files:NAME,NAME,...  the rows of those names, by MI_FileGet
//               node:A|B|C           the tree node at that path below the share root, by MI_DownFolderSub
//   QM_RESUME=1 resume mode in the dialog
//   QM_RESTART=1 a row that ends broken is started again once, as the user would
#include "wiredform.h"
#include "core/session.h"
#include "core/prompts.h"
#include "download/downconfirm.h"
#include "download/downfile.h"
#include "download/downloadqueue.h"
#include "download/transferclient.h"
#include "listing/listingcontroller.h"
#include "listing/remotelisting.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <cstdio>
#include <sys/resource.h>

namespace {

double CpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

QTreeWidgetItem *NodeAt(QTreeWidget *tree, const QStringList &path) {
    QTreeWidgetItem *n = tree->topLevelItem(0);
    for (const QString &caption : path) {
        QTreeWidgetItem *next = nullptr;
        for (int i = 0; n && i < n->childCount(); ++i)
            if (n->child(i)->text(0) == caption) next = n->child(i);
        n = next;
    }
    return n;
}

// The queue has run: nothing waits, and the window's idle mark is set.
bool Finished(TDownForm &down) {
    const QueueCounters c = down.queue().Counters();
    return c.total > 0 && c.waiting == 0 && !down.queue().AnyActive() && down.client().StartEnabled();
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    prompts::SetHook([](const prompts::Request &r) {
        std::printf("PROMPT %s\n", qPrintable(r.text));
        std::fflush(stdout);
        return prompts::Answer{};
    });
    Session session(nullptr, Timings::FromEnvironment());
    WiredForm form(session);
    form.show();
    if (!QTest::qWaitFor([&] { return form.SendSocket() >= 0; }, 10000)) return 2;

    TDownForm &down = form.downForm();
    DownloadQueue &queue = down.queue();
    const QString target = qEnvironmentVariable("QM_TARGET");
    const bool resume = qEnvironmentVariableIntValue("QM_RESUME") == 1;
    auto *watch = new QTimer(&form);
    QObject::connect(watch, &QTimer::timeout, [&] {
        auto *d = qobject_cast<TDownConfirmForm *>(QApplication::activeModalWidget());
        if (!d) return;
        d->E_dpath()->setText(target);
        (resume ? d->RB_resume() : d->RB_overwrite())->setChecked(true);
        d->findChild<QPushButton *>(QStringLiteral("BB_Ok"))->click();
    });
    watch->start(20);

    // The views take lists from several owners only as the answers to a
    // search: one that nothing matches, with the owners browsed once it waits.
    QObject::connect(
        &session.listing(), &RemoteListing::requestStarted, &form,
        [&] {
            for (const QString &ip : qEnvironmentVariable("QM_OWNERS").split(QLatin1Char(',')))
                form.net().SendCommand(QStringLiteral("@_+L"), ip, {});
        },
        Qt::SingleShotConnection);
    form.E_SearchFileName()->setText(QStringLiteral("qm-probe-lists"));
    form.listing().SB_SearchFileClick();
    const int rows = qEnvironmentVariableIntValue("QM_ROWS");
    RemoteShareViews &views = form.listing().views();
    const QAbstractItemModel *list = form.LV_ShareFile()->model();
    if (!QTest::qWaitFor([&] { return list->rowCount() >= rows; }, 20000)) {
        std::printf("LISTED %d of %d\n", list->rowCount(), rows);
        return 3;
    }

    // Timing runs from the first request to the end of the last row; the
    // transfer's share of it from the first row shown as transferring.
    QElapsedTimer clock;
    double cpuAtStart = 0, seconds = 0, cpu = 0, transferStart = -1, transferSeconds = 0;
    bool started = false;
    QObject::connect(&queue, &DownloadQueue::countersChanged, [&] {
        if (!started && queue.AnyActive()) {
            started = true;
            clock.start();
            cpuAtStart = CpuSeconds();
        } else if (started && !queue.AnyActive() && queue.Counters().waiting == 0) {
            seconds = double(clock.elapsed()) / 1000.0;
            transferSeconds = seconds - transferStart;
            cpu = CpuSeconds() - cpuAtStart;
        }
        for (int r = 0; started && transferStart < 0 && r < queue.Count(); ++r)
            if (queue.Row(r)[DownloadRow::State] == rowstate::Transferring) transferStart = double(clock.elapsed()) / 1000.0;
    });

    const QString choice = qEnvironmentVariable("QM_CHOOSE");
    if (choice.startsWith(QLatin1String("files:"))) {
        const QStringList names = choice.mid(6).split(QLatin1Char(','));
        views.SelectRows([&](int r) { return names.contains(list->index(r, 0).data().toString()); });
        form.findChild<QAction *>(QStringLiteral("MI_FileGet"))->trigger();
    } else if (choice.startsWith(QLatin1String("node:"))) {
        QTreeWidgetItem *node = NodeAt(form.TV_ShareFile(), choice.mid(5).split(QLatin1Char('|')));
        if (!node) return 4;
        form.TV_ShareFile()->setCurrentItem(node);
        form.findChild<QAction *>(QStringLiteral("MI_DownFolderSub"))->trigger();
    }

    bool restarted = qEnvironmentVariableIntValue("QM_RESTART") != 1;
    const int limitMs = qEnvironmentVariableIntValue("QM_LIMIT_MS") > 0 ? qEnvironmentVariableIntValue("QM_LIMIT_MS") : 300000;
    QElapsedTimer overall;
    overall.start();
    while (overall.elapsed() < limitMs) {
        QTest::qWait(50);
        if (!Finished(down)) continue;
        if (restarted) {
            std::printf("ELAPSED %.3f\nTRANSFER %.3f\nCPU %.3f\n", seconds, transferSeconds, cpu);
            break;
        }
        restarted = true;
        QList<int> broken;
        for (int r = 0; r < queue.Count(); ++r)
            if (queue.Row(r)[DownloadRow::State] == rowstate::Broken) broken << r;
        std::printf("BROKEN %lld\n", broken.size());
        for (int r : broken)
            std::printf("BROKENROW %s|%s\n", qPrintable(queue.Row(r)[DownloadRow::Received]),
                        qPrintable(queue.Row(r)[DownloadRow::SavePath]));
        std::fflush(stdout);
        QTableView *lv = down.LV_File();
        lv->clearSelection();
        for (int r : broken) lv->selectionModel()->select(queue.index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        down.findChild<QToolButton *>(QStringLiteral("BB_Start"))->click();
        QTest::qWait(100);
    }
    for (int r = 0; r < queue.Count(); ++r) {
        const DownloadRow &row = queue.Row(r);
        std::printf("ROW %s|%s|%s|%s\n", qPrintable(row[DownloadRow::State]), qPrintable(row[DownloadRow::Size]),
                    qPrintable(row[DownloadRow::Received]), qPrintable(row[DownloadRow::SavePath]));
    }
    if (!qEnvironmentVariableIsEmpty("QM_SHOT")) down.grab().save(qEnvironmentVariable("QM_SHOT"));
    std::fflush(stdout);
    form.close();
    return 0;
}
