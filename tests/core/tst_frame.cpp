// The datagram frame: field extraction and what goes on the wire.
#include "core/frame.h"
#include "platform/cp949.h"

#include <QTest>

class TestFrame : public QObject {
    Q_OBJECT
private slots:
    void getField_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("delimiter");
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("field");
        const QString info = QStringLiteral("@_+I;C:\\a.txt;1234");
        QTest::newRow("size") << info << ";" << 3 << "1234";
        QTest::newRow("beyond last") << info << ";" << 4 << "";
        QTest::newRow("code") << info << ";" << 1 << "@_+I";
        QTest::newRow("below one") << info << ";" << 0 << "";
        QTest::newRow("no delimiter, any n") << "abc" << ";" << 7 << "abc";
        QTest::newRow("empty between") << "a;;b" << ";" << 2 << "";
        QTest::newRow("after empty") << "a;;b" << ";" << 3 << "b";
        QTest::newRow("after final delimiter") << "@_+K;9270;p;5;" << ";" << 5 << "";
        QTest::newRow("last octet") << "192.168.0.42" << "." << 4 << "42";
        QTest::newRow("korean field") << QStringLiteral("@_*I;철수;10.0.0.1;안녕") << ";" << 4 << QStringLiteral("안녕");
    }
    void getField() {
        QFETCH(QString, text);
        QFETCH(QString, delimiter);
        QFETCH(int, n);
        QFETCH(QString, field);
        QCOMPARE(GetField(text, delimiter[0], n), field);
    }

    void commandBytes() {
        QCOMPARE(CommandBytes(QStringLiteral("@_+O"), QString()), QByteArray("@_+O;"));
        QCOMPARE(BroadcastBytes(QStringLiteral("@_&F"), QStringLiteral("WG;PC1")), QByteArray("@_&#;@_&F;WG;PC1"));
        // Korean travels as CP949, two bytes a character.
        QCOMPARE(CommandBytes(QStringLiteral("@_*I"), QStringLiteral("가")), QByteArray("@_*I;\xB0\xA1"));
    }

    void longTextsAreCutWhole() {
        // 4094 bytes of prefix leave room for one Korean character, not two halves of the next.
        const QString payload = QString(4089, QLatin1Char('x')) + QStringLiteral("가나");
        const QByteArray bytes = CommandBytes(QStringLiteral("@_*I"), payload);
        QCOMPARE(bytes.size(), 4096);
        QCOMPARE(cp949::decode(bytes).right(1), QStringLiteral("가"));

        const QByteArray odd = CommandBytes(QStringLiteral("@_*I"), QString(4090, QLatin1Char('x')) + QStringLiteral("가"));
        QCOMPARE(odd.size(), 4095); // the character would end at byte 4097: left out
        QVERIFY(CommandBytes(QStringLiteral("@_+B"), QString(9000, QLatin1Char('a'))).size() == 4096);
    }

    void codePage() {
        QVERIFY(cp949::canEncode(QStringLiteral("한글 파일.txt")));
        QVERIFY(!cp949::canEncode(QStringLiteral("emoji \U0001F600")));
        QCOMPARE(cp949::decode(cp949::encode(QStringLiteral("똠방각하"))), QStringLiteral("똠방각하"));
        QCOMPARE(cp949::encode(QStringLiteral("a\U0001F600b")), QByteArray("a?b"));
        QCOMPARE(cp949::decode(QByteArray("a\xFF")).size(), 2); // an invalid byte is not dropped silently
        // An unassigned pair is one bad character, at the end and before others alike.
        QCOMPARE(cp949::decode(QByteArray("a\xA2\xE8")), QStringLiteral("a\uFFFD"));
        QCOMPARE(cp949::decode(QByteArray("a\xA2\xE8" "b\xA2\xE8\xB0\xA1")), QStringLiteral("a\uFFFDb\uFFFD가"));
        QCOMPARE(cp949::decode(QByteArray(";3\xFF\xFF_p\x01n\xA2\xE8")), QStringLiteral(";3\uFFFD\uFFFD_p\x01n\uFFFD"));
        QCOMPARE(cp949::decode(QByteArray("\xFF" "b\xB0")), QStringLiteral("\uFFFDb\uFFFD"));
    }
};

QTEST_APPLESS_MAIN(TestFrame)
#include "tst_frame.moc"
