// The chat window: lines sent and received, name prefix, sender colours, the
// line limit, the leave notice and closing.
#include "chatfixture.h"
#include "core/frame.h"

#include <QLineEdit>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolButton>

class TestChatWindow : public QObject {
    Q_OBJECT
    ChatFixture f;

    QLineEdit *edit1() { return f.Chat().findChild<QLineEdit *>(QStringLiteral("Edit1")); }
    QTextEdit *history() { return f.Chat().findChild<QTextEdit *>(QStringLiteral("RichEdit1")); }
    QToolButton *tool(const char *name) { return f.Chat().findChild<QToolButton *>(QString::fromLatin1(name)); }
    void type(const QString &text) {
        edit1()->setText(text);
        QTest::keyClick(edit1(), Qt::Key_Return);
    }
    void receive(const QString &sender, const QString &name, const QString &text) {
        f.Feed(sender, QStringLiteral("@_*I;") + name + QLatin1Char(';') + sender + QLatin1Char(';') + text);
    }
    // The colour of the last line's first character.
    QColor lastLineColour() {
        const QTextBlock last = history()->document()->lastBlock();
        QTextCursor c(last);
        c.movePosition(QTextCursor::NextCharacter);
        return c.charFormat().foreground().color();
    }
    void open(const QString &partner) {
        f.Chat().SetPartnerAddress(partner);
        f.Chat().ShowChat();
    }

private slots:
    void init() { f.SetUp(); }
    void cleanup() { f.TearDown(); }

    void semicolonsBecomeBlanksInBothHistories() {
        ChatFixture other;
        other.SetUp();
        other.form->host().LocalIP = QStringLiteral("10.0.0.5");
        other.form->host().ComputerName = QStringLiteral("PC5");
        open(QStringLiteral("10.0.0.5"));
        other.Chat().SetPartnerAddress(QStringLiteral("10.0.0.1"));

        type(QStringLiteral(" a;b;;c "));
        QCOMPARE(f.Chat().HistoryLines(), QStringList{QStringLiteral("ME>  a b  c ")});
        QVERIFY(edit1()->text().isEmpty());

        type(QStringLiteral("x;y"));
        // The other copy gets the same datagram bytes; its hidden window collects them.
        for (const SentDatagram &d : f.net->Sent())
            other.form->dispatcher().DispatchDatagram(QStringLiteral("10.0.0.1"), d.bytes);
        QCOMPARE(f.TakeSent(), (QStringList{QStringLiteral("10.0.0.5 @_*I;ME;10.0.0.1; a b  c "),
                                            QStringLiteral("10.0.0.5 @_*I;ME;10.0.0.1;x y")}));
        QCOMPARE(other.Chat().HistoryLines(), (QStringList{QStringLiteral("ME>  a b  c "), QStringLiteral("ME> x y")}));
        QVERIFY(!other.Chat().isVisible());
        other.TearDown();
    }

    void blankLineIsNeitherShownNorSent() {
        open(QStringLiteral("10.0.0.5"));
        type(QStringLiteral("  \t \x01 "));
        QVERIFY(f.TakeSent().isEmpty());
        QVERIFY(f.Chat().HistoryLines().isEmpty());
        QCOMPARE(edit1()->text(), QStringLiteral("  \t \x01 "));
    }

    void namePrefixOnAndOff() {
        open(QStringLiteral("10.0.0.5"));
        receive(QStringLiteral("10.0.0.5"), QStringLiteral("PC5"), QStringLiteral("hi"));
        tool("SB_ChangeName")->click();
        QVERIFY(!tool("SB_ChangeName")->isChecked());
        type(QStringLiteral("hello"));
        receive(QStringLiteral("10.0.0.5"), QStringLiteral("PC5"), QStringLiteral("there"));
        QCOMPARE(f.Chat().HistoryLines(),
                 (QStringList{QStringLiteral("PC5> hi"), QStringLiteral("hello"), QStringLiteral("there")}));
        // The datagram carries the name either way.
        QCOMPARE(f.TakeSent(), QStringList{QStringLiteral("10.0.0.5 @_*I;ME;10.0.0.1;hello")});
    }

    void senderColours() {
        open(QStringLiteral("10.0.0.10"));
        const struct {
            const char *address;
            QColor colour;
        } cases[] = {
            {"10.0.0.10", QColor(0, 0, 0)},     {"10.0.0.11", QColor(255, 0, 0)}, {"10.0.0.12", QColor(0, 0, 255)},
            {"10.0.0.17", QColor(128, 128, 0)}, {"10.0.0.0", QColor(0, 0, 0)},     {"10.0.0.18", QColor(255, 0, 255)},
            {"10.0.0.9", QColor(255, 0, 255)},  {"10.0.0.19", QColor(0, 0, 0)},
        };
        for (const auto &c : cases) {
            receive(QString::fromLatin1(c.address), QStringLiteral("P"), QStringLiteral("x"));
            QCOMPARE(lastLineColour(), c.colour);
        }
        // Own lines keep the font colour after a coloured line.
        receive(QStringLiteral("10.0.0.11"), QStringLiteral("P"), QStringLiteral("red"));
        type(QStringLiteral("mine"));
        QCOMPARE(lastLineColour(), QColor(0, 0, 0));

        tool("SB_ChangeColor")->click();
        receive(QStringLiteral("10.0.0.11"), QStringLiteral("P"), QStringLiteral("plain"));
        QCOMPARE(lastLineColour(), QColor(0, 0, 0));
        const int plainLine = history()->document()->blockCount() - 1;
        tool("SB_ChangeColor")->click();
        receive(QStringLiteral("10.0.0.11"), QStringLiteral("P"), QStringLiteral("red again"));
        QCOMPARE(lastLineColour(), QColor(255, 0, 0));
        QTextCursor earlier(history()->document()->findBlockByNumber(plainLine));
        earlier.movePosition(QTextCursor::NextCharacter);
        QCOMPARE(earlier.charFormat().foreground().color(), QColor(0, 0, 0));
    }

    void hundredthLineClearsTheHistory() {
        open(QStringLiteral("10.0.0.5"));
        for (int i = 1; i <= 99; ++i) {
            if (i % 2)
                type(QStringLiteral("own %1").arg(i));
            else
                receive(QStringLiteral("10.0.0.5"), QStringLiteral("PC5"), QStringLiteral("theirs %1").arg(i));
        }
        QCOMPARE(f.Chat().HistoryLines().size(), 99);
        QCOMPARE(f.Chat().HistoryLines().last(), QStringLiteral("ME> own 99"));
        receive(QStringLiteral("10.0.0.5"), QStringLiteral("PC5"), QStringLiteral("the 100th"));
        QVERIFY(f.Chat().HistoryLines().isEmpty());
        type(QStringLiteral("after"));
        QCOMPARE(f.Chat().HistoryLines(), QStringList{QStringLiteral("ME> after")});

        for (int i = 2; i <= 99; ++i) type(QStringLiteral("own %1").arg(i));
        QCOMPARE(f.Chat().HistoryLines().size(), 99);
        type(QStringLiteral("own 100"));
        QVERIFY(f.Chat().HistoryLines().isEmpty());
    }

    void leaveNotice() {
        // A hidden window ignores it.
        f.Chat().SetPartnerAddress(QStringLiteral("10.0.0.5"));
        f.Feed(QStringLiteral("10.0.0.5"), QStringLiteral("@_*X;"));
        QVERIFY(f.Chat().HistoryLines().isEmpty());
        QVERIFY(!f.Chat().isVisible());

        f.Chat().ShowChat();
        receive(QStringLiteral("10.0.0.5"), QStringLiteral("PC5"), QStringLiteral("bye"));
        f.Feed(QStringLiteral("10.0.0.5"), QStringLiteral("@_*X;"));
        QCOMPARE(f.Chat().HistoryLines(),
                 (QStringList{QStringLiteral("PC5> bye"), QStringLiteral("** 상대방이 대화를 중단하였습니다 **")}));
        QVERIFY(f.Chat().isVisible());
        QCOMPARE(lastLineColour(), QColor(0, 0, 0));
        // Lines typed afterwards still go to the partner.
        type(QStringLiteral("still here"));
        QCOMPARE(f.TakeSent(), QStringList{QStringLiteral("10.0.0.5 @_*I;ME;10.0.0.1;still here")});
    }

    void closingSendsTheLeaveNotice() {
        open(QStringLiteral("10.0.0.5"));
        QVERIFY(QTest::qWaitForWindowExposed(&f.Chat()));
        f.Chat().activateWindow();
        QTRY_VERIFY(f.Chat().windowFlags() & Qt::WindowStaysOnTopHint);
        receive(QStringLiteral("10.0.0.5"), QStringLiteral("PC5"), QStringLiteral("hi"));
        f.Feed(QStringLiteral("10.0.0.5"), QStringLiteral("@_*X;"));
        QTest::mouseClick(f.Chat().findChild<QWidget *>(QStringLiteral("BB_Exit")), Qt::LeftButton);
        QVERIFY(!f.Chat().isVisible());
        QCOMPARE(f.TakeSent(), QStringList{QStringLiteral("10.0.0.5 @_*X;")});
        QVERIFY(f.Chat().HistoryLines().isEmpty());
        QVERIFY(!(f.Chat().windowFlags() & Qt::WindowStaysOnTopHint));
        QCOMPARE(f.Chat().PartnerAddress(), QStringLiteral("10.0.0.5"));

        // Shown again, it is top-most again.
        f.Chat().ShowChat();
        f.Chat().activateWindow();
        QTRY_VERIFY(f.Chat().windowFlags() & Qt::WindowStaysOnTopHint);
    }

    void clearButton() {
        open(QStringLiteral("10.0.0.5"));
        receive(QStringLiteral("10.0.0.5"), QStringLiteral("PC5"), QStringLiteral("hi"));
        edit1()->setText(QStringLiteral("half typed"));
        tool("SB_ClearMsg")->click();
        QVERIFY(f.Chat().HistoryLines().isEmpty());
        QVERIFY(edit1()->text().isEmpty());
        QVERIFY(f.TakeSent().isEmpty());
    }

    void overlongLineIsCutAsSent() {
        open(QStringLiteral("10.0.0.5"));
        type(QString(3000, QChar(0xAC00))); // 가: two bytes each
        const QList<SentDatagram> sent = f.net->Sent();
        QCOMPARE(sent.size(), 1);
        QVERIFY(sent[0].bytes.size() <= 4096);
        const QString carried = GetField(cp949::decode(sent[0].bytes), QLatin1Char(';'), 4);
        // "@_*I;ME;10.0.0.1;" is 17 bytes; the rest holds 2039 whole characters.
        QCOMPARE(carried, QString(2039, QChar(0xAC00)));
        QCOMPARE(f.Chat().HistoryLines(), QStringList{QStringLiteral("ME> ") + carried});
    }

    void peerTextIsShownAsTyped() {
        open(QStringLiteral("10.0.0.5"));
        receive(QStringLiteral("10.0.0.5"), QStringLiteral("<i>PC5</i>"), QStringLiteral("<b>bold?</b> &amp"));
        QCOMPARE(f.Chat().HistoryLines(), QStringList{QStringLiteral("<i>PC5</i>> <b>bold?</b> &amp")});
    }
};

QTEST_MAIN(TestChatWindow)
#include "tst_chatwindow.moc"
