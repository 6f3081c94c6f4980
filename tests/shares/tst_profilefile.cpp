// The configuration file layer: only the keys written or deleted change.
#include "platform/profilefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TestProfileFile : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void keepsEverythingElse() {
        const QString path = dir_.filePath(QStringLiteral("keep.ini"));
        const QByteArray before = "; written by hand\n"
                                  "[Window]\n"
                                  "Left = 10\n"
                                  "\n"
                                  "[ShareFile]\n"
                                  "# our list\n"
                                  "0=old\n"
                                  "other=stays\n"
                                  "\n"
                                  "[Last]\n"
                                  "x=\xB0\xA1\n";
        writeAll(path, before);
        ProfileFile f(path);
        QCOMPARE(f.ReadString(QStringLiteral("window"), QStringLiteral("LEFT")), QStringLiteral("10"));
        QCOMPARE(f.ReadString(QStringLiteral("SHAREFILE"), QStringLiteral("0")), QStringLiteral("old"));
        QCOMPARE(f.ReadString(QStringLiteral("SHAREFILE"), QStringLiteral("1"), QStringLiteral("none")),
                 QStringLiteral("none"));
        QCOMPARE(f.ReadString(QStringLiteral("Missing"), QStringLiteral("0"), QStringLiteral("d")), QStringLiteral("d"));

        f.DeleteKey(QStringLiteral("SHAREFILE"), QStringLiteral("0"));
        f.WriteString(QStringLiteral("SHAREFILE"), QStringLiteral("0"), QStringLiteral("/공유/;파일.txt;;설명;F"));
        f.WriteString(QStringLiteral("SHAREFILE"), QStringLiteral("1"), QStringLiteral(";/srv;;;D"));
        f.WriteString(QStringLiteral("Window"), QStringLiteral("left"), QStringLiteral("12"));
        f.WriteString(QStringLiteral("New"), QStringLiteral("k"), QStringLiteral("v"));
        QString error;
        QVERIFY(f.Save(&error));
        QVERIFY(error.isEmpty());
        // Korean text is stored as CP949 bytes; new keys come after the section's last line.
        QCOMPARE(readAll(path), QByteArray("; written by hand\n"
                                           "[Window]\n"
                                           "left=12\n"
                                           "\n"
                                           "[ShareFile]\n"
                                           "# our list\n"
                                           "other=stays\n"
                                           "0=/\xB0\xF8\xC0\xAF/;\xC6\xC4\xC0\xCF.txt;;\xBC\xB3\xB8\xED;F\n"
                                           "1=;/srv;;;D\n"
                                           "\n"
                                           "[Last]\n"
                                           "x=\xB0\xA1\n"
                                           "[New]\n"
                                           "k=v\n"));
        const ProfileFile again(path);
        QCOMPARE(again.ReadString(QStringLiteral("SHAREFILE"), QStringLiteral("0")),
                 QStringLiteral("/공유/;파일.txt;;설명;F"));
        QCOMPARE(again.ReadString(QStringLiteral("Last"), QStringLiteral("x")), QStringLiteral("가"));
    }

    void followsTheFilesLineEnds() {
        const QString path = dir_.filePath(QStringLiteral("crlf.ini"));
        writeAll(path, "[SHAREFILE]\r\n0=a\r\n1=b\r\n1=duplicate\r\n[B]\r\nlast=no end");
        ProfileFile f(path);
        QCOMPARE(f.ReadString(QStringLiteral("SHAREFILE"), QStringLiteral("1")), QStringLiteral("b"));
        f.DeleteKey(QStringLiteral("SHAREFILE"), QStringLiteral("1"));
        f.WriteString(QStringLiteral("SHAREFILE"), QStringLiteral("2"), QStringLiteral("c"));
        f.WriteString(QStringLiteral("B"), QStringLiteral("more"), QStringLiteral("d"));
        QVERIFY(f.Save(nullptr));
        QCOMPARE(readAll(path), QByteArray("[SHAREFILE]\r\n0=a\r\n2=c\r\n[B]\r\nlast=no end\r\nmore=d\r\n"));
    }

    void longValuesReadWhole() {
        const QString path = dir_.filePath(QStringLiteral("long.ini"));
        const QString value = QString(3000, QChar(0xD55C)) + QStringLiteral(";end"); // 6004 bytes
        ProfileFile f(path);
        f.WriteString(QStringLiteral("S"), QStringLiteral("0"), value);
        QVERIFY(f.Save(nullptr));
        QCOMPARE(ProfileFile(path).ReadString(QStringLiteral("S"), QStringLiteral("0")), value);
    }

    void writesOnlyWhatChanged() {
        // Deleting from a file that is not there creates nothing.
        const QString missing = dir_.filePath(QStringLiteral("never.ini"));
        ProfileFile f(missing);
        f.DeleteKey(QStringLiteral("SHAREFILE"), QStringLiteral("0"));
        QVERIFY(f.Save(nullptr));
        QVERIFY(!QFileInfo::exists(missing));
        // A first write creates the folders of the path (a fresh ~/.config/Quillmere).
        const QString fresh = dir_.filePath(QStringLiteral("config/Quillmere/Quillmere.ini"));
        ProfileFile n(fresh);
        n.WriteString(QStringLiteral("SHAREFILE"), QStringLiteral("0"), QStringLiteral(";/srv;;;D"));
        QVERIFY(n.Save(nullptr));
        QCOMPARE(readAll(fresh), QByteArray("[SHAREFILE]\n0=;/srv;;;D\n"));

        // Rewriting the same values leaves the file as it was, also where it cannot be written.
        const QString path = dir_.filePath(QStringLiteral("same.ini"));
        writeAll(path, "[S]\n0=a\n");
        ProfileFile g(path);
        g.DeleteKey(QStringLiteral("S"), QStringLiteral("0"));
        g.WriteString(QStringLiteral("S"), QStringLiteral("0"), QStringLiteral("a"));
        QVERIFY(g.Save(nullptr));
        QCOMPARE(QDir(dir_.path()).entryList(QDir::Files).filter(QStringLiteral("same")).size(), 1);
    }

    void unwritableFileIsReported() {
        // The folder of the path is a file: nobody, root included, can write there.
        const QString blocker = dir_.filePath(QStringLiteral("plainfile"));
        writeAll(blocker, "x");
        const QString path = blocker + QStringLiteral("/Quillmere.ini");
        ProfileFile f(path);
        f.WriteString(QStringLiteral("SHAREFILE"), QStringLiteral("0"), QStringLiteral("v"));
        QString error;
        QVERIFY(!f.Save(&error));
        QCOMPARE(error, QStringLiteral("Unable to write to ") + path);
        QCOMPARE(readAll(blocker), QByteArray("x"));
    }
};

QTEST_GUILESS_MAIN(TestProfileFile)
#include "tst_profilefile.moc"
