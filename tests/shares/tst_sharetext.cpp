// The password scrambler and the text helpers that comments and passwords pass through.
#include "platform/cp949.h"
#include "shares/sharepassword.h"
#include "shares/sharetext.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

class TestShareText : public QObject {
    Q_OBJECT

private slots:
    void storedFormIsTheKnownOne() {
        // Worked by hand from the scrambler's constants; peers and stored files use this form.
        QCOMPARE(EncodePassword(QStringLiteral("abc"), kPasswordKey), QStringLiteral("074084099"));
        // Korean text is scrambled as its CP949 bytes (BA F1 B9 D0).
        QCOMPARE(cp949::encode(QStringLiteral("비밀")), QByteArray("\xBA\xF1\xB9\xD0"));
        QCOMPARE(EncodePassword(QStringLiteral("비밀"), kPasswordKey), QStringLiteral("145085214221"));
        QCOMPARE(EncodePassword(QString(), kPasswordKey), QString());
        QCOMPARE(DecodePassword(QString(), kPasswordKey), QString());
    }

    void roundTrips_data() {
        QTest::addColumn<QString>("password");
        QTest::newRow("ascii") << QStringLiteral("open sesame 123!");
        QTest::newRow("korean") << QStringLiteral("우리집 비밀번호");
        QTest::newRow("mixed") << QStringLiteral("abc가나다;xyz");
        QTest::newRow("255 bytes") << QString(255, QLatin1Char('p'));
        QTest::newRow("300 bytes") << QString(300, QLatin1Char('q'));
        QTest::newRow("2000 korean bytes") << QString(1000, QChar(0xAC00));
    }
    void roundTrips() {
        QFETCH(QString, password);
        const QString stored = EncodePassword(password, kPasswordKey);
        QCOMPARE(stored.size(), cp949::encode(password).size() * 3);
        QVERIFY(QRegularExpression(QStringLiteral("^[0-9]*$")).match(stored).hasMatch());
        QCOMPARE(DecodePassword(stored, kPasswordKey), password);
        QVERIFY(DecodePassword(stored, 0x1234) != password);
    }

    void damageSpoilsTheRest() {
        const QString password = QStringLiteral("abcdefgh");
        QString stored = EncodePassword(password, kPasswordKey);
        // Change the second byte's digit group.
        const int second = stored.mid(3, 3).toInt();
        stored.replace(3, 3, QStringLiteral("%1").arg((second + 1) % 256, 3, 10, QLatin1Char('0')));
        const QByteArray decoded = cp949::encode(DecodePassword(stored, kPasswordKey));
        QCOMPARE(decoded.size(), 8);
        QCOMPARE(decoded.at(0), 'a');
        QVERIFY(decoded.at(1) != 'b');
        QVERIFY(decoded.mid(2) != QByteArray("cdefgh"));
    }

    void oddAndForeignStoredFormsEnd() {
        // A short last group is taken whole; groups that are no number count as 0.
        const QString three = EncodePassword(QStringLiteral("abc"), kPasswordKey);
        QCOMPARE(DecodePassword(three.left(8), kPasswordKey).left(2), QStringLiteral("ab"));
        QCOMPARE(cp949::encode(DecodePassword(three.left(8), kPasswordKey)).size(), 3);
        QCOMPARE(DecodePassword(QStringLiteral("x"), kPasswordKey),
                 DecodePassword(QStringLiteral("000"), kPasswordKey));
        QCOMPARE(DecodePassword(QStringLiteral("999"), kPasswordKey),
                 DecodePassword(QStringLiteral("%1").arg(999 % 256), kPasswordKey));

        // Whatever a peer sends decodes, also far past 84 bytes, and quickly.
        QString junk;
        for (int i = 0; i < 200000; ++i) junk += QChar(u' ' + QRandomGenerator::global()->bounded(95));
        QElapsedTimer t;
        t.start();
        DecodePassword(junk, kPasswordKey);
        DecodePassword(QString(100001, QLatin1Char('7')), kPasswordKey);
        QVERIFY(t.elapsed() < 5000);
    }

    void replaceText() {
        QCOMPARE(ReplaceText(QStringLiteral("a;b;;c;"), QStringLiteral(";"), QStringLiteral(" ")),
                 QStringLiteral("a b  c "));
        QCOMPARE(ReplaceText(QStringLiteral("no delimiter"), QStringLiteral(";"), QStringLiteral(" ")),
                 QStringLiteral("no delimiter"));
        // Each search starts again from the beginning, so a replacement can form a new occurrence.
        QCOMPARE(ReplaceText(QStringLiteral("aaab"), QStringLiteral("ab"), QStringLiteral("b")), QStringLiteral("b"));
        QCOMPARE(ReplaceText(QStringLiteral("xabab"), QStringLiteral("ab"), QStringLiteral("")), QStringLiteral("x"));
        // A replacement that holds the searched text still ends.
        QCOMPARE(ReplaceText(QStringLiteral("a;b"), QStringLiteral(";"), QStringLiteral(";;")), QStringLiteral("a;;b"));
        QCOMPARE(ReplaceText(QStringLiteral("abc"), QString(), QStringLiteral("x")), QStringLiteral("abc"));
    }

    void trimBlanks() {
        QCOMPARE(TrimBlanks(QStringLiteral("\t\x01  설명 넣기 \r\n\x1f")), QStringLiteral("설명 넣기"));
        QCOMPARE(TrimBlanks(QStringLiteral("   ")), QString());
        QCOMPARE(TrimBlanks(QStringLiteral("a")), QStringLiteral("a"));
    }
};

QTEST_GUILESS_MAIN(TestShareText)
#include "tst_sharetext.moc"
