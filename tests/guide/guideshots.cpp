// The pictures of the user's guide, taken from a real main window on the test
// LAN while real copies answer it.
//   QM_MODE=user     browses, searches, downloads and chats the way a user
//                    would, saving a picture of each window into QM_SHOT.
//   QM_MODE=partner  the chat partner: accepts the chat and answers each line
//                    with the next of QM_REPLIES ("|"-separated), until killed.
#include "chat/chatcontroller.h"
#include "chat/repcht.h"
#include "chat/vchat.h"
#include "core/mainform.h"
#include "core/session.h"
#include "download/downconfirm.h"
#include "download/downfile.h"
#include "download/downloadqueue.h"
#include "download/transferclient.h"
#include "listing/listingcontroller.h"
#include "peers/peertree.h"
#include "probekit.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <cstdlib>

namespace {

using namespace probe;

void shot(QWidget *w, const QString &name) {
    QTest::qWait(300);
    w->grab().save(env("QM_SHOT") + QLatin1Char('/') + name);
    say(QStringLiteral("SHOT ") + name);
}

bool selectPeer(WiredForm &form, const QString &name) {
    const auto found = form.TV_Person()->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    if (found.isEmpty()) return false;
    form.TV_Person()->setCurrentItem(found.first());
    form.peers().PM_PersonPopup();
    return true;
}

// Answers keep arriving after a command; the views are complete once the count stops changing.
void waitSettled(WiredForm &form) {
    QString last;
    QElapsedTimer still;
    still.start();
    waitFor(
        [&] {
            const QString now = form.L_SearchFileCnt()->text();
            if (now != last) {
                last = now;
                still.restart();
            }
            return !now.isEmpty() && still.elapsed() > 2500;
        },
        20000);
}

bool queueFinished(TDownForm &down) {
    const QueueCounters c = down.queue().Counters();
    return c.total > 0 && c.waiting == 0 && !down.queue().AnyActive() && down.client().StartEnabled();
}

void type(TV_Chat &chat, const QString &line) {
    auto *edit = chat.findChild<QLineEdit *>(QStringLiteral("Edit1"));
    edit->setText(line);
    QTest::keyClick(edit, Qt::Key_Return);
}

int user(WiredForm &form) {
    const QStringList peers = env("QM_PEERS").split(QLatin1Char(','));
    if (!waitFor(
            [&] {
                for (const QString &p : peers)
                    if (form.TV_Person()->findItems(p, Qt::MatchExactly | Qt::MatchRecursive).isEmpty()) return false;
                return true;
            },
            30000))
        return fail(QStringLiteral("peers not heard"));
    form.TV_Person()->expandAll();
    selectPeer(form, form.host().ComputerName);
    shot(&form, QStringLiteral("guide_peers.png"));
    form.PC_Message()->setCurrentWidget(form.TabSheet_SetShare());
    shot(&form, QStringLiteral("guide_shares.png"));
    form.PC_Message()->setCurrentWidget(form.TabSheet_FileShare());

    const QString owner = env("QM_BROWSE");
    selectPeer(form, owner);
    form.findChild<QAction *>(QStringLiteral("TVMI_ShareFile"))->trigger();
    waitSettled(form);
    // One of the owner's folders, as a user clicks into it.
    const auto folders = form.TV_ShareFile()->findItems(env("QM_FOLDER"), Qt::MatchExactly | Qt::MatchRecursive);
    if (folders.isEmpty()) return fail(QStringLiteral("folder not in the browse"));
    form.TV_ShareFile()->setCurrentItem(folders.first());
    form.listing().TV_ShareFileChange();
    shot(&form, QStringLiteral("guide_browse.png"));

    form.E_SearchFileName()->setText(env("QM_SEARCH"));
    form.SB_SearchFile()->click();
    waitSettled(form);
    shot(&form, QStringLiteral("guide_search.png"));

    QTimer confirm;
    QObject::connect(&confirm, &QTimer::timeout, [&] {
        if (auto *d = qobject_cast<TDownConfirmForm *>(QApplication::activeModalWidget()))
            d->findChild<QPushButton *>(QStringLiteral("BB_Ok"))->click();
    });
    confirm.start(50);
    form.LV_ShareFile()->selectAll();
    form.findChild<QAction *>(QStringLiteral("MI_FileGet"))->trigger();
    TDownForm &down = form.downForm();
    if (!waitFor([&] { return queueFinished(down); }, 60000)) return fail(QStringLiteral("downloads did not end"));
    confirm.stop();
    down.resize(900, 360);
    shot(&down, QStringLiteral("guide_download.png"));
    down.close();

    selectPeer(form, env("QM_CHAT"));
    form.findChild<QAction *>(QStringLiteral("TVMI_VChat"))->trigger();
    TV_Chat &chat = form.chatForm();
    if (!waitFor([&] { return chat.isVisible(); }, 20000)) return fail(QStringLiteral("no chat window"));
    const QStringList lines = env("QM_LINES").split(QLatin1Char('|'));
    for (int i = 0; i < lines.size(); ++i) {
        type(chat, lines[i]);
        // Each of our lines gets its answer before the next.
        if (!waitFor([&] { return chat.HistoryLines().size() >= 2 * (i + 1); }, 10000))
            return fail(QStringLiteral("no answer in the chat"));
    }
    shot(&chat, QStringLiteral("guide_chat.png"));
    chat.close();
    return 0;
}

int partner(WiredForm &form) {
    ChatController &chat = form.chat();
    if (!waitFor([&] { return chat.AnswerDialog() && chat.AnswerDialog()->isVisible(); }, 150000))
        return fail(QStringLiteral("nobody asked for a chat"));
    QTest::mouseClick(chat.AnswerDialog()->findChild<QPushButton *>(QStringLiteral("Button1")), Qt::LeftButton);
    TV_Chat &window = form.chatForm();
    const QStringList replies = env("QM_REPLIES").split(QLatin1Char('|'));
    for (int i = 0; i < replies.size(); ++i) {
        if (!waitFor([&] { return window.HistoryLines().size() >= 2 * i + 1; }, 150000))
            return fail(QStringLiteral("no line to answer"));
        QTest::qWait(200);
        type(window, replies[i]);
    }
    // Stays for the user's pictures until the test LAN ends it.
    waitFor([&] { return !form.isVisible(); }, 150000);
    return 0;
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    probe::printPrompts();
    Session session(nullptr, Timings::FromEnvironment());
    WiredForm form(session);
    form.resize(1100, 640);
    if (!probe::startUp(form)) return probe::fail(QStringLiteral("no start-up"));
    probe::say(QStringLiteral("STARTED ") + form.host().ComputerName);
    QTimer::singleShot(170000, [] {
        probe::say(QStringLiteral("FAIL timeout"));
        std::exit(1);
    });
    const int rc = probe::env("QM_MODE") == QStringLiteral("partner") ? partner(form) : user(form);
    form.close();
    return rc;
}
