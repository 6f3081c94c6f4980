// The chat handshake: the requester's wait, timeout and answers, and the
// asked computer's answer dialog.
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

    QTimer *timer() { return f.form->session().chat().WaitTimer(); }
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
    void init() { f.SetUp(); }
    void cleanup() { f.TearDown(); }

    void noAnswerWithinFifteenSeconds() {
        f.AskForChat(QStringLiteral("10.0.0.5"), QStringLiteral("PC5"));
        QCOMPARE(f.TakeSent(), QStringList{QStringLiteral("10.0.0.5 @_*J;ME;10.0.0.1")});
        QVERIFY(wait().isVisible());
        QCOMPARE(wait().L_WaitMessage()->text(), QStringLiteral("상대방의 응답을 기다리고 있습니다"));
        QVERIFY(timer()->isActive());
        QCOMPARE(f.form->session().chat().ChatPeerIP(), QStringLiteral("10.0.0.5"));

        QTest::qWait(14000);
        QVERIFY(timer()->isActive());
        QVERIFY(f.prompts->asked.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!timer()->isActive(), 2000);
        QVERIFY(!wait().isVisible());
        QCOMPARE(f.TakeSent(), QStringList{QStringLiteral("10.0.0.5 @_*V;")});
        QTest::qWait(500);
        QCOMPARE(f.prompts->Texts(), QStringList{timeoutText});
    }

    void secondRequestCancelsTheFirst() {
        f.AskForChat(QStringLiteral("10.0.0.5"), QStringLiteral("PC5"));
        QTest::qWait(1500);
        f.AskForChat(QStringLiteral("10.0.0.6"), QStringLiteral("PC6"));
        QCOMPARE(f.TakeSent(), (QStringList{QStringLiteral("10.0.0.5 @_*J;ME;10.0.0.1"),
                                            QStringLiteral("10.0.0.5 @_*V;"), QStringLiteral("10.0.0.6 @_*J;ME;10.0.0.1")}));
        QCOMPARE(f.prompts->Texts(), QStringList{timeoutText});
        QVERIFY(timer()->isActive());
        QVERIFY2(timer()->remainingTime() > 14500, qPrintable(QString::number(timer()->remainingTime())));
        QVERIFY(wait().isVisible());
        QCOMPARE(f.form->session().chat().ChatPeerIP(), QStringLiteral("10.0.0.6"));
    }

    void acceptOpensTheChatWindow() {
        f.Feed(QStringLiteral("10.0.0.5"), QStringLiteral("@_*I;PC5;10.0.0.5;collected while hidden"));
        f.AskForChat(QStringLiteral("10.0.0.5"), QStringLiteral("PC5"));
        // Only the computer asked answers, whatever address the answer names.
        f.Feed(QStringLiteral("10.0.0.99"), QStringLiteral("@_*T;PC5;10.0.0.5"));
        QVERIFY(timer()->isActive());
        QVERIFY(!f.Chat().isVisible());
        f.Feed(QStringLiteral("10.0.0.5"), QStringLiteral("@_*T;PC5;10.0.0.5"));
        QVERIFY(!timer()->isActive());
        QVERIFY(!wait().isVisible());
        QVERIFY(f.Chat().isVisible());
        QCOMPARE(f.Chat().PartnerAddress(), QStringLiteral("10.0.0.5"));
        QCOMPARE(f.Chat().HistoryLines(), QStringList{QStringLiteral("PC5> collected while hidden")});
        QTRY_COMPARE(QApplication::focusWidget(), f.Chat().findChild<QWidget *>(QStringLiteral("Edit1")));
        QVERIFY(f.prompts->asked.isEmpty());
    }

    void acceptAfterTheTimeoutCountsNoMore() {
        f.AskForChat(QStringLiteral("10.0.0.5"), QStringLiteral("PC5"));
        f.form->session().chat().Expire();
        QCOMPARE(f.prompts->Texts(), QStringList{timeoutText});
        f.Feed(QStringLiteral("10.0.0.5"), QStringLiteral("@_*T;PC5;10.0.0.5"));
        QVERIFY(!f.Chat().isVisible());
        // An expiry without a waiting request does nothing.
        f.TakeSent();
        f.form->session().chat().Expire();
        QVERIFY(f.TakeSent().isEmpty());
        QCOMPARE(f.prompts->asked.size(), 1);
    }

    void refusalNamesTheRefuser() {
        f.AskForChat(QStringLiteral("10.0.0.5"), QStringLiteral("PC5"));
        f.Feed(QStringLiteral("10.0.0.5"), QStringLiteral("@_*C;PC5;10.0.0.5"));
        QVERIFY(!timer()->isActive());
        QVERIFY(!wait().isVisible());
        QVERIFY(!f.Chat().isVisible());
        QCOMPARE(f.prompts->Texts(), QStringList{QStringLiteral("PC5(10.0.0.5)님이 1:1 채팅를 거절하셨습니다.")});
        // Nothing is sent back, and no timeout follows.
        f.TakeSent();
        QTest::qWait(100);
        QVERIFY(f.TakeSent().isEmpty());
    }

    void twoRequestsBeforeAnAnswer() {
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
        f.Feed(QStringLiteral("10.0.0.7"), QStringLiteral("@_*J;<b>PC7</b>;10.0.0.7"));
        auto *title = dialog()->findChild<QLabel *>(QStringLiteral("L_title"));
        QCOMPARE(title->textFormat(), Qt::PlainText);
        QCOMPARE(title->text(), QStringLiteral("<b>PC7</b>(10.0.0.7)님께서"));
    }
};

QTEST_MAIN(TestChatHandshake)
#include "tst_chathandshake.moc"
