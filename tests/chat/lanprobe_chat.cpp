// The copy under test of the chat and ping LAN tests: a real main window that
// follows a script and prints what it shows, one event a line.
//   QM_MODE=ask     QM_PEER_NAME: asks that computer (once it is in the peer
//                   tree) for a chat, types QM_LINE once the chat window opens,
//                   and closes the window after the partner has left.
//   QM_MODE=answer  QM_ANSWERS: answers each chat request in turn ("yes", "no"),
//                   or leaves it open ("open") until it is cancelled.
//   QM_MODE=ping    QM_TARGETS: pings each address from the peer tree.
// QM_SHOT: a folder for pictures of the windows.
#include "chat/chatcontroller.h"
#include "chat/chathandshake.h"
#include "chat/repcht.h"
#include "chat/vchat.h"
#include "core/mainform.h"
#include "core/session.h"
#include "listing/waitform.h"
#include "peers/peerdirectory.h"
#include "peers/peertree.h"
#include "ping/neticmp.h"
#include "probekit.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>

#include <cstdlib>

namespace {

using namespace probe;

void shot(QWidget *w, const QString &name) {
    if (!env("QM_SHOT").isEmpty()) w->grab().save(env("QM_SHOT") + QLatin1Char('/') + name);
}

int fail(const QString &why) {
    say(QStringLiteral("FAIL ") + why);
    return 1;
}

QTreeWidgetItem *selectNode(WiredForm &form, const QString &name) {
    const auto found = form.TV_Person()->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    if (found.isEmpty()) return nullptr;
    form.TV_Person()->setCurrentItem(found.first());
    form.peers().PM_PersonPopup();
    return found.first();
}

void sayHistory(TV_Chat &chat) {
    const QTextDocument *doc = chat.findChild<QTextEdit *>(QStringLiteral("RichEdit1"))->document();
    for (QTextBlock b = doc->begin(); b.isValid() && !b.text().isEmpty(); b = b.next()) {
        QTextCursor c(b);
        c.movePosition(QTextCursor::NextCharacter);
        say(QStringLiteral("HISTORY %1|%2").arg(b.text(), c.charFormat().foreground().color().name()));
    }
}

int ask(WiredForm &form) {
    const QString peer = env("QM_PEER_NAME");
    if (!waitFor([&] { return selectNode(form, peer) != nullptr; }, 30000)) return fail(QStringLiteral("peer not heard"));
    form.findChild<QAction *>(QStringLiteral("TVMI_VChat"))->trigger();
    say(QStringLiteral("ASKED ") + form.session().chat().ChatPeerIP());
    shot(&form.waitForm(), QStringLiteral("lan_wait_window.png"));
    TV_Chat &chat = form.chatForm();
    if (!waitFor([&] { return chat.isVisible(); }, 20000)) return fail(QStringLiteral("no chat window"));
    say(QStringLiteral("CHAT ") + chat.PartnerAddress() + (form.waitForm().isVisible() ? QStringLiteral(" waiting") : QString()));
    auto *edit = chat.findChild<QLineEdit *>(QStringLiteral("Edit1"));
    edit->setText(env("QM_LINE"));
    QTest::keyClick(edit, Qt::Key_Return);
    const QString left = QStringLiteral("** 상대방이 대화를 중단하였습니다 **");
    if (!waitFor([&] { return chat.HistoryLines().contains(left); }, 20000)) return fail(QStringLiteral("no leave notice"));
    sayHistory(chat);
    shot(&chat, QStringLiteral("lan_chat_window.png"));
    QTest::mouseClick(chat.findChild<QPushButton *>(QStringLiteral("BB_Exit")), Qt::LeftButton);
    say(QStringLiteral("CLOSED ") + QString::number(chat.HistoryLines().size()));
    QTest::qWait(500);
    return 0;
}

int answer(WiredForm &form) {
    ChatController &chat = form.chat();
    int asked = 0;
    for (const QString &a : env("QM_ANSWERS").split(QLatin1Char(','))) {
        if (!waitFor([&] { return chat.AnswerDialog() && chat.AnswerDialog()->isVisible(); }, 30000))
            return fail(QStringLiteral("no dialog"));
        TRepCht_Form *dialog = chat.AnswerDialog();
        say(QStringLiteral("DIALOG ") + dialog->findChild<QLabel *>(QStringLiteral("L_title"))->text());
        if (++asked == 1) shot(dialog, QStringLiteral("lan_chat_answer.png"));
        if (a == QStringLiteral("open")) {
            if (!waitFor([&] { return !chat.AnswerDialog(); }, 30000)) return fail(QStringLiteral("dialog not cancelled"));
            say(QStringLiteral("DIALOG GONE"));
            continue;
        }
        QTest::mouseClick(dialog->findChild<QPushButton *>(a == QStringLiteral("yes") ? QStringLiteral("Button1")
                                                                                       : QStringLiteral("Button2")),
                          Qt::LeftButton);
        say(QStringLiteral("ANSWERED ") + a);
        if (a != QStringLiteral("yes")) continue;
        TV_Chat &window = form.chatForm();
        say(QStringLiteral("CHAT ") + window.PartnerAddress() + (window.isVisible() ? QString() : QStringLiteral(" hidden")));
        if (!waitFor([&] { return !window.HistoryLines().isEmpty(); }, 20000)) return fail(QStringLiteral("no line"));
        sayHistory(window);
        window.close();
    }
    return 0;
}

int ping(WiredForm &form) {
    int n = 0;
    for (const QString &target : env("QM_TARGETS").split(QLatin1Char(','))) {
        const QString name = QStringLiteral("HOST%1").arg(++n);
        form.session().peers().AddPresence(target, QStringLiteral("WG"), name);
        selectNode(form, name);
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            auto *window = qobject_cast<TPingForm *>(QApplication::activeModalWidget());
            if (!window || window->Running()) return;
            const QString text = window->findChild<QPlainTextEdit *>(QStringLiteral("M_message"))->toPlainText();
            if (!text.contains(QStringLiteral("round-trip"))) return;
            say(QStringLiteral("TITLE ") + window->windowTitle());
            for (const QString &l : text.split(QLatin1Char('\n'))) say(QStringLiteral("REPORT ") + l);
            shot(window, QStringLiteral("lan_ping_%1.png").arg(n));
            window->reject();
        });
        watch.start(50);
        QElapsedTimer t;
        t.start();
        form.findChild<QAction *>(QStringLiteral("TVMI_Ping"))->trigger();
        say(QStringLiteral("DONE %1 ms").arg(t.elapsed()));
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    probe::printPrompts();
    Session session;
    WiredForm form(session);
    if (!probe::startUp(form)) return probe::fail(QStringLiteral("no start-up"));
    probe::say(QStringLiteral("STARTED ") + form.host().ComputerName + QLatin1Char(' ') + form.host().LocalIP);
    // Ends the run after two and a half minutes whatever happens.
    QTimer::singleShot(150000, [] {
        probe::say(QStringLiteral("FAIL timeout"));
        std::exit(1);
    });
    const QString mode = probe::env("QM_MODE");
    const int rc = mode == QStringLiteral("ask")      ? ask(form)
                   : mode == QStringLiteral("answer") ? answer(form)
                   : mode == QStringLiteral("ping")   ? ping(form)
                                                      : probe::fail(QStringLiteral("unknown mode"));
    form.close();
    return rc;
}
