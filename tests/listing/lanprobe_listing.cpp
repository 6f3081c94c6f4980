// The copy under test of the listing LAN test: a real main window that
// browses one computer or searches the network, then prints what its views
// hold. QM_MODE browse (QM_TARGET_IP, QM_TARGET_NAME) or search (QM_TEXT);
// QM_OWN_FILE: a file this copy publishes itself; QM_SHOT: a PNG of the window
// (and two more: -arriving as the first rows come in, -complete as the status line says so).
// Prints the counter after each change, each status line shown, and how long
// after the command the status line first said the list was complete.
#include "core/mainform.h"
#include "core/session.h"
#include "listing/listingcontroller.h"
#include "listing/remotelisting.h"
#include "listing/searchresponder.h"
#include "peers/peerdirectory.h"
#include "peers/peertree.h"
#include "probekit.h"
#include "shares/shareregistry.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>


using probe::env;
using probe::say;

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    probe::printPrompts();
    Session session(nullptr, Timings::FromEnvironment());
    WiredForm form(session);
    form.resize(1100, 620);
    QElapsedTimer t;
    t.start();
    if (!probe::startUp(form)) return probe::fail(QStringLiteral("no start-up"));
    const QString own = env("QM_OWN_FILE");
    if (!own.isEmpty()) {
        const QFileInfo info(own);
        form.registry().Append({info.fileName(), QString::number(info.size()), {}, info.path() + QLatin1Char('/'), {},
                                ShareKind::File});
    }

    // The counter label after every list datagram and the status line, as the user sees them.
    QStringList counts;
    QStringList statuses;
    QElapsedTimer lastChange;
    lastChange.start();
    QElapsedTimer sinceCommand;
    qint64 completeMs = -1;
    const QString shot = env("QM_SHOT");
    bool arrivingShown = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const QString c = form.L_SearchFileCnt()->text();
        const QString s = form.StatusText(2);
        const bool complete = s.startsWith(QStringLiteral("목록 수신 완료"));
        auto grabAs = [&](const char *suffix) {
            if (!shot.isEmpty()) form.grab().save(QString(shot).replace(QStringLiteral(".png"), QLatin1String(suffix)));
        };
        if (!c.isEmpty() && (counts.isEmpty() || counts.last() != c)) {
            // The first rows in while more are on their way, as the user sees them arrive.
            if (!complete && c != QStringLiteral("0") && !arrivingShown) {
                grabAs("-arriving.png");
                arrivingShown = true;
            }
            counts << c;
            lastChange.restart();
        }
        if (statuses.isEmpty() || statuses.last() != s) statuses << s;
        if (completeMs < 0 && complete) {
            completeMs = sinceCommand.elapsed();
            grabAs("-complete.png");
        }
    });
    poll.start(10);

    const bool browse = env("QM_MODE") == QStringLiteral("browse");
    bool over = false;
    QObject::connect(&session.listing(), &RemoteListing::browseComplete, [&] { over = true; });
    QObject::connect(&session.listing(), &RemoteListing::noShares, [&] { over = true; });
    QObject::connect(&session.listing(), &RemoteListing::noAnswer, [&] { over = true; });
    sinceCommand.start();
    if (browse) {
        form.session().peers().AddPresence(env("QM_TARGET_IP"), QStringLiteral("WG"), env("QM_TARGET_NAME"));
        // The target may already be listed under its own workgroup from its announcement.
        const QList<QTreeWidgetItem *> found =
            form.TV_Person()->findItems(env("QM_TARGET_NAME"), Qt::MatchExactly | Qt::MatchRecursive);
        if (found.isEmpty()) {
            say(QStringLiteral("FAIL target not in the peer tree"));
            return 1;
        }
        form.TV_Person()->setCurrentItem(found.first());
        // A user's menu takes longer than the tree's delayed highlight step,
        // which would otherwise write its line over the browse's.
        QTest::qWait(200);
        sinceCommand.restart();
        form.findChild<QAction *>(QStringLiteral("TVMI_ShareFile"))->trigger();
    } else {
        form.E_SearchFileName()->setText(env("QM_TEXT"));
        form.SB_SearchFile()->click();
    }
    // Answers keep coming after the command's wait: a browse is over once its
    // list is complete or refused, a search once its answers' longest delay
    // has passed; then stop when the views stay still.
    lastChange.restart();
    QEventLoop settle;
    QTimer settled;
    QObject::connect(&settled, &QTimer::timeout, [&] {
        if (!browse && sinceCommand.elapsed() >= SearchResponder::kDelayRangeMs + 500) over = true;
        if ((over && lastChange.elapsed() >= 1000) || t.elapsed() >= 60000) settle.quit();
    });
    settled.start(100);
    settle.exec();

    say(QStringLiteral("COUNTS ") + counts.join(QLatin1Char(',')));
    for (const QString &s : statuses) say(QStringLiteral("STATUS ") + s);
    say(QStringLiteral("COMPLETE ") + QString::number(completeMs));
    say(QStringLiteral("LABEL ") + form.L_SearchFileName()->text());
    for (const ShareEntry &e : form.listing().Entries())
        say(QStringLiteral("ROW ") + QStringList{e.name, e.size, e.folder, e.owner, e.ownerIP}.join(QLatin1Char('|')));
    if (!shot.isEmpty()) {
        // Choose the first folder at the bottom of the tree, as a user would.
        QTreeWidgetItem *node = form.TV_ShareFile()->topLevelItem(0);
        while (node && node->childCount() > 0) node = node->child(0);
        form.TV_ShareFile()->setCurrentItem(node);
        form.listing().TV_ShareFileChange();
        form.grab().save(shot);
    }
    return 0;
}
