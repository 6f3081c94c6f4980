// The chat handshake: the requester's wait, its timeout and the answers that
// count, on the session alone; the wait notice, the prompts and the asked
// computer's answer dialog on the windows.
#include "chat/chathandshake.h"
#include "chat/repcht.h"
#include "chatfixture.h"
#include "listing/waitform.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class TestChatHandshake : public QObject {
    Q_OBJECT
    ChatFixture f;
    QStringList heard; // what the handshake reported, a line a signal

    // Short enough that a wait running out costs the test nothing.
    static Timings quick() {
        Timings t;
        t.chatWaitMs = 200;
        return t;
    }
    ChatHandshake &chat() { return f.session().chat(); }
    // Records the handshake's signals in heard.
    void listen() {
        ChatHandshake *c = &chat();
        connect(c, &ChatHandshake::requestArrived, this, [this](const QString &name, const QString &ip) {
            heard << QStringLiteral("request ") + name + QLatin1Char(' ') + ip;
        });
        connect(c, &ChatHandshake::accepted, this, [this](const QString &ip) { heard << QStringLiteral("accepted ") + ip; });
        connect(c, &ChatHandshake::refused, this, [this](const QString &name, const QString &ip) {
            heard << QStringLiteral("refused ") + name + QLatin1Char(' ') + ip;
        });
        connect(c, &ChatHandshake::cancelled, this, [this] { heard << QStringLiteral("cancelled"); });
        // An expiry stops the wait first, so that a new request waits its whole interval.
        connect(c, &ChatHandshake::waitExpired, this, [this, c] {
            heard << (c->WaitTimer()->isActive() ? QStringLiteral("expired, still waiting") : QStringLiteral("expired"));
        });
    }
    TWait_Form &wait() { return f.form->waitForm(); }
    TRepCht_Form *dialog() { return f.form->chat().AnswerDialog(); }
    int dialogWindows() {
        int n = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<TRepCht_Form *>(w)) ++n;
        return n;
    }
    QString label(const char *name) { return dialog()->findChild<QLabel *>(QString::fromLatin1(name))->text(); }
    QPushButton *button(const char *name) { return dialog()->findChild<QPushButton *>(QString::fromLatin1(name)); }
    const QString timeoutText = QStringLiteral("대기시간 초과로 1:1 채팅신청이 취소되었습니다");

private slots:
    void init() { heard.clear(); }
    void cleanup() { f.TearDown(); }

    // The one wait at its real length.
    void requestWaitsFifteenSeconds() {
        f.SetUp({}, ChatFixture::SessionOnly);
        listen();
        chat().Request(QStringLiteral("10.0.0.5"));
        QCOMPARE(f.TakeSent(), QStringList{QStringLiteral("10.0.0.5 @_*J;ME;10.0.0.1")});
        QCOMPARE(chat().ChatPeerIP(), QStringLiteral("10.0.0.5"));
        QCOMPARE(chat().WaitTimer()->objectName(), QStringLiteral("Timer_onechat"));

        QTest::qWait(14000);
        QVERIFY(chat().WaitTimer()->isActive());
        QVERIFY(heard.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!chat().WaitTimer()->isActive(), 2000);
        QCOMPARE(heard, QStringList{QStringLiteral("expired")});
        QCOMPARE(f.TakeSent(), QStringList{QStringLiteral("10.0.0.5 @_*V;")});
    }

    // However the wait ends, the computer asked is told once; a new request
    // then waits for its own answer.
    void waitEnds_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QString>("waitingFor"); // empty: no request waits afterwards
        const QString cancel = QStringLiteral("10.0.0.5 @_*V;");
        QTest::newRow("running out") << "run out" << QStringList{cancel} << QString();
        QTest::newRow("expired twice") << "expire twice" << QStringList{cancel} << QString();
        QTest::newRow("asking another") << "ask 10.0.0.6"
                                        << QStringList{cancel, QStringLiteral("10.0.0.6 @_*J;ME;10.0.0.1")}
                                        << QStringLiteral("10.0.0.6");
    }
    void waitEnds() {
        QFETCH(QString, how);
        QFETCH(QStringList, sent);
        QFETCH(QString, waitingFor);
        f.SetUp(quick(), ChatFixture::SessionOnly);
        listen();
        chat().Request(QStringLiteral("10.0.0.5"));
        f.TakeSent();
        if (how == QStringLiteral("run out")) {
            QTRY_VERIFY(!heard.isEmpty());
        } else if (how == QStringLiteral("expire twice")) {
            chat().Expire();
            chat().Expire(); // finds no request
        } else {
            chat().Request(how.section(QLatin1Char(' '), 1));
        }
        QCOMPARE(heard, QStringList{QStringLiteral("expired")});
        QCOMPARE(f.TakeSent(), sent);
        QCOMPARE(chat().WaitTimer()->isActive(), !waitingFor.isEmpty());
        if (!waitingFor.isEmpty()) QCOMPARE(chat().ChatPeerIP(), waitingFor);
    }

    // Only the computer asked answers, while it is asked, whatever address the
    // answer names; an answer that counts ends the wait and sends nothing back.
    void answersThatCount_data() {
        QTest::addColumn<QString>("sender");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("afterExpiry");
        QTest::addColumn<QString>("outcome"); // empty: the answer does not count
        const QString asked = QStringLiteral("10.0.0.5"), other = QStringLiteral("10.0.0.99");
        const QString accept = QStringLiteral("@_*T;PC5;10.0.0.5"), refuse = QStringLiteral("@_*C;PC5;10.0.0.5");
        QTest::newRow("accept") << asked << accept << false << "accepted 10.0.0.5";
        QTest::newRow("accept naming another partner") << asked << "@_*T;PC5;10.0.0.6" << false << "accepted 10.0.0.6";
        QTest::newRow("refusal") << asked << refuse << false << "refused PC5 10.0.0.5";
        QTest::newRow("accept from another computer") << other << accept << false << QString();
        QTest::newRow("refusal from another computer") << other << refuse << false << QString();
        QTest::newRow("accept after the wait") << asked << accept << true << QString();
        QTest::newRow("refusal after the wait") << asked << refuse << true << QString();
    }
    void answersThatCount() {
        QFETCH(QString, sender);
        QFETCH(QString, answer);
        QFETCH(bool, afterExpiry);
        QFETCH(QString, outcome);
        f.SetUp(quick(), ChatFixture::SessionOnly);
        chat().Request(QStringLiteral("10.0.0.5"));
        if (afterExpiry) chat().Expire();
        f.TakeSent();
        listen();
        f.Feed(sender, answer);
        QCOMPARE(heard, outcome.isEmpty() ? QStringList() : QStringList{outcome});
        QCOMPARE(chat().WaitTimer()->isActive(), outcome.isEmpty() && !afterExpiry);
        QVERIFY(f.TakeSent().isEmpty());
    }

    void answeringARequest() {
        f.SetUp(quick(), ChatFixture::SessionOnly);
        listen();
        f.Feed(QStringLiteral("10.0.0.7"), QStringLiteral("@_*J;PC7;10.0.0.7"));
        chat().Accept(QStringLiteral("10.0.0.7"));
        chat().Refuse(QStringLiteral("10.0.0.8"));
        f.Feed(QStringLiteral("10.0.0.7"), QStringLiteral("@_*V;"));
        QCOMPARE(heard, (QStringList{QStringLiteral("request PC7 10.0.0.7"), QStringLiteral("cancelled")}));
        QCOMPARE(f.TakeSent(), (QStringList{QStringLiteral("10.0.0.7 @_*T;ME;10.0.0.1"),
                                            QStringLiteral("10.0.0.8 @_*C;ME;10.0.0.1")}));
        QVERIFY(!chat().WaitTimer()->isActive());
    }

    // The wait notice shows while the request waits; what ends the wait says why.
    void waitNotice_data() {
        QTest::addColumn<QString>("answer"); // from the computer asked; empty: none comes
        QTest::addColumn<QStringList>("prompted");
        QTest::addColumn<bool>("stillWaiting");
        QTest::newRow("no answer") << QString() << QStringList{timeoutText} << false;
        QTest::newRow("refusal") << "@_*C;PC5;10.0.0.5"
                                 << QStringList{QStringLiteral("PC5(10.0.0.5)님이 1:1 채팅를 거절하셨습니다.")} << false;
        QTest::newRow("asking another") << "ask" << QStringList{timeoutText} << true;
    }
    void waitNotice() {
        QFETCH(QString, answer);
        QFETCH(QStringList, prompted);
        QFETCH(bool, stillWaiting);
        f.SetUp(quick());
        f.AskForChat(QStringLiteral("10.0.0.5"), QStringLiteral("PC5"));
        QCOMPARE(f.TakeSent(), QStringList{QStringLiteral("10.0.0.5 @_*J;ME;10.0.0.1")});
        QVERIFY(wait().isVisible());
        QCOMPARE(wait().L_WaitMessage()->text(), QStringLiteral("상대방의 응답을 기다리고 있습니다"));
        QVERIFY(f.prompts->asked.isEmpty());
        if (answer.isEmpty())
            QTRY_VERIFY(!wait().isVisible());
        else if (answer == QStringLiteral("ask"))
            f.AskForChat(QStringLiteral("10.0.0.6"), QStringLiteral("PC6"));
        else
            f.Feed(QStringLiteral("10.0.0.5"), answer);
        QCOMPARE(wait().isVisible(), stillWaiting);
        QCOMPARE(f.prompts->Texts(), prompted);
        QVERIFY(!f.Chat().isVisible());
    }

    void acceptOpensTheChatWindow() {
        f.SetUp();
        f.Feed(QStringLiteral("10.0.0.5"), QStringLiteral("@_*I;PC5;10.0.0.5;collected while hidden"));
        f.AskForChat(QStringLiteral("10.0.0.5"), QStringLiteral("PC5"));
        f.Feed(QStringLiteral("10.0.0.5"), QStringLiteral("@_*T;PC5;10.0.0.5"));
        QVERIFY(!wait().isVisible());
        QVERIFY(f.Chat().isVisible());
        QCOMPARE(f.Chat().PartnerAddress(), QStringLiteral("10.0.0.5"));
        QCOMPARE(f.Chat().HistoryLines(), QStringList{QStringLiteral("PC5> collected while hidden")});
        QTRY_COMPARE(QApplication::focusWidget(), f.Chat().findChild<QWidget *>(QStringLiteral("Edit1")));
        QVERIFY(f.prompts->asked.isEmpty());
    }

    void twoRequestsBeforeAnAnswer() {
        f.SetUp();
        f.Chat().ShowChat();
        f.Feed(QStringLiteral("10.0.0.5"), QStringLiteral("@_*I;PC5;10.0.0.5;old partner's line"));
        f.Feed(QStringLiteral("10.0.0.7"), QStringLiteral("@_*J;PC7;10.0.0.7"));
        QPointer<TRepCht_Form> first = dialog();
        f.Feed(QStringLiteral("10.0.0.8"), QStringLiteral("@_*J;PC8;10.0.0.8"));
        QCOMPARE(dialog(), first.data());
        QCOMPARE(dialogWindows(), 1);
        QVERIFY(dialog()->isVisible());
        QCOMPARE(dialog()->windowTitle(), QStringLiteral("1:1 채팅 신청이 왔습니다"));
        QCOMPARE(label("L_title"), QStringLiteral("PC8(10.0.0.8)님께서"));
        QCOMPARE(label("L_name"), QStringLiteral("PC8"));
        QCOMPARE(label("L_ip"), QStringLiteral("10.0.0.8"));
        QVERIFY(dialog()->windowFlags() & Qt::WindowStaysOnTopHint);

        QTest::mouseClick(button("Button1"), Qt::LeftButton);
        QCOMPARE(f.TakeSent(), QStringList{QStringLiteral("10.0.0.8 @_*T;ME;10.0.0.1")});
        QVERIFY(dialog() && !dialog()->isVisible()); // hidden, kept for the next request
        QVERIFY(f.Chat().isVisible());
        QCOMPARE(f.Chat().PartnerAddress(), QStringLiteral("10.0.0.8"));
        QVERIFY(f.Chat().HistoryLines().isEmpty());
    }

    void refusalByButtonOrEscape() {
        f.SetUp();
        f.Feed(QStringLiteral("10.0.0.7"), QStringLiteral("@_*J;PC7;10.0.0.7"));
        // Neither the title bar nor the window system closes it.
        dialog()->close();
        QVERIFY(dialog()->isVisible());
        QTest::mouseClick(button("Button2"), Qt::LeftButton);
        QCOMPARE(f.TakeSent(), QStringList{QStringLiteral("10.0.0.7 @_*C;ME;10.0.0.1")});
        QVERIFY(!dialog()->isVisible());
        QVERIFY(!f.Chat().isVisible());

        QPointer<TRepCht_Form> reused = dialog();
        f.Feed(QStringLiteral("10.0.0.9"), QStringLiteral("@_*J;PC9;10.0.0.9"));
        QCOMPARE(dialog(), reused.data());
        QVERIFY(dialog()->isVisible());
        QTest::keyClick(dialog(), Qt::Key_Escape);
        QCOMPARE(f.TakeSent(), QStringList{QStringLiteral("10.0.0.9 @_*C;ME;10.0.0.1")});
        QVERIFY(!dialog()->isVisible());
    }

    void cancelDestroysTheDialog() {
        f.SetUp();
        // Without a dialog a cancel changes nothing.
        f.Feed(QStringLiteral("10.0.0.7"), QStringLiteral("@_*V;"));
        QVERIFY(!dialog());
        QCOMPARE(dialogWindows(), 0);
        QVERIFY(f.TakeSent().isEmpty());

        f.Feed(QStringLiteral("10.0.0.7"), QStringLiteral("@_*J;PC7;10.0.0.7"));
        QPointer<TRepCht_Form> shown = dialog();
        f.Feed(QStringLiteral("10.0.0.7"), QStringLiteral("@_*V;"));
        QVERIFY(!dialog());
        QVERIFY(!shown || !shown->isVisible());
        QTRY_VERIFY(shown.isNull());
        QVERIFY(f.TakeSent().isEmpty());

        // The next request makes a new dialog.
        f.Feed(QStringLiteral("10.0.0.8"), QStringLiteral("@_*J;PC8;10.0.0.8"));
        QVERIFY(dialog() && dialog()->isVisible());
        QCOMPARE(label("L_title"), QStringLiteral("PC8(10.0.0.8)님께서"));
    }

    void peerTextIsNeverMarkup() {
        f.SetUp();
        f.Feed(QStringLiteral("10.0.0.7"), QStringLiteral("@_*J;<b>PC7</b>;10.0.0.7"));
        auto *title = dialog()->findChild<QLabel *>(QStringLiteral("L_title"));
        QCOMPARE(title->textFormat(), Qt::PlainText);
        QCOMPARE(title->text(), QStringLiteral("<b>PC7</b>(10.0.0.7)님께서"));
    }
};

QTEST_MAIN(TestChatHandshake)
#include "tst_chathandshake.moc"
