// The share list in the configuration file: its format, the load at start-up
// and the save on close, also when the program is ended from outside.
#include "core/mainform.h"
#include "testform.h"
#include "platform/cp949.h"
#include "promptrecorder.h"
#include "recordingmessenger.h"
#include "shares/sharepassword.h"
#include "shares/sharepersistence.h"
#include "shares/shareregistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QStringList names(const ShareRegistry &registry) {
    QStringList n;
    for (const ShareRecord &r : registry.Records()) n << r.name;
    return n;
}

QString buildDir() { return qEnvironmentVariable("QM_BUILD_DIR"); }

// True once a process in this network namespace has bound UDP port 8765.
bool commandPortBound() {
    QFile udp(QStringLiteral("/proc/net/udp"));
    return udp.open(QIODevice::ReadOnly) && udp.readAll().contains(":223D ");
}

} // namespace

class TestSharePersistence : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path(const QString &name) const { return dir_.filePath(name); }
    QByteArray bytes(const QString &name) const { return cp949::encode(path(name)); }

private slots:
    void valueFormat() {
        writeAll(path("d/보고서.txt"), "12345");
        QDir().mkpath(path("공유 폴더"));
        ShareRegistry reg;
        QCOMPARE(reg.AddShareRecord(path("d/보고서.txt"), QStringLiteral("월간"),
                                    EncodePassword(QStringLiteral("abc"), kPasswordKey), ShareKind::File),
                 AddResult::Added);
        QCOMPARE(reg.AddShareRecord(path("공유 폴더"), QStringLiteral("사진"), {}, ShareKind::Folder), AddResult::Added);
        const QString ini = path("format.ini");
        QVERIFY(SaveShares(reg, ini, nullptr));
        // Names, folders and comments in CP949; a folder value begins with ";".
        QCOMPARE(readAll(ini), "[SHAREFILE]\n"
                               "0=" + bytes("d/") + ";\xBA\xB8\xB0\xED\xBC\xAD.txt;074084099;\xBF\xF9\xB0\xA3;F\n"
                               "1=;" + bytes("공유 폴더") + ";;\xBB\xE7\xC1\xF8;D\n");

        ShareRegistry back;
        LoadShares(back, ini);
        QCOMPARE(back.rowCount(), 2);
        QCOMPARE(back.Records().at(0).FullPath(), path("d/보고서.txt"));
        QCOMPARE(back.Records().at(0).size, QStringLiteral("5"));
        QCOMPARE(back.Records().at(0).password, QStringLiteral("074084099"));
        QCOMPARE(back.Records().at(0).comment, QStringLiteral("월간"));
        QCOMPARE(back.Records().at(1).kind, ShareKind::Folder);
        QCOMPARE(back.Records().at(1).size, QStringLiteral("0 files"));
    }

    void loadStopsAtTheFirstGapAndDropsWhatIsGone() {
        writeAll(path("l/a.txt"), "a");
        writeAll(path("l/b.txt"), "b");
        writeAll(path("l/c.txt"), "c");
        writeAll(path("l/gone.txt"), "g");
        const QString ini = path("gap.ini");
        writeAll(ini, "[other]\n0=x\n[SHAREFILE]\n"
                      "0=" + bytes("l/") + ";a.txt;;;F\n"
                      "1=" + bytes("l/") + ";gone.txt;;;F\n"
                      "2=;" + bytes("l") + ";;;X\n"  // an unknown kind loads as a file: l is none
                      "3=" + bytes("l/") + ";a.txt;;;F\n" // a duplicate
                      "4=" + bytes("l/") + ";b.txt;;;F\n"
                      "6=" + bytes("l/") + ";c.txt;;;F\n");
        QFile::remove(path("l/gone.txt"));
        ShareRegistry reg;
        reg.Append(ShareRecord{QStringLiteral("stale"), {}, {}, {}, {}, ShareKind::File});
        LoadShares(reg, ini);
        QCOMPARE(names(reg), (QStringList{"a.txt", "b.txt"}));

        // Dropped records are gone from the file after the next save.
        QVERIFY(SaveShares(reg, ini, nullptr));
        QCOMPARE(readAll(ini), "[other]\n0=x\n[SHAREFILE]\n"
                               "0=" + bytes("l/") + ";a.txt;;;F\n"
                               "1=" + bytes("l/") + ";b.txt;;;F\n");
    }

    void orderAndTheRestOfTheFileSurvive() {
        for (const char *n : {"b.txt", "C.txt", "a.txt"}) writeAll(path("o/") + QString::fromLatin1(n), "x");
        const QString ini = path("order.ini");
        const QByteArray head = "; Quillmere settings\r\n[Window]\r\nLeft=3\r\n\r\n";
        const QByteArray tail = "\r\n[Zeta]\r\n; kept\r\nkey = value with ; and = signs\r\n";
        writeAll(ini, head + "[SHAREFILE]\r\n; the list\r\n0=stale\r\n150=beyond\r\n" + tail);
        ShareRegistry reg;
        for (const char *n : {"b.txt", "C.txt", "a.txt"})
            reg.AddShareRecord(path("o/") + QString::fromLatin1(n), {}, {}, ShareKind::File);
        reg.SortColumn(0);
        QVERIFY(SaveShares(reg, ini, nullptr));
        const QByteArray o = bytes("o/");
        QCOMPARE(readAll(ini), head + "[SHAREFILE]\r\n; the list\r\n150=beyond\r\n0=" + o + ";a.txt;;;F\r\n1=" + o +
                                   ";b.txt;;;F\r\n2=" + o + ";C.txt;;;F\r\n" + tail);
        ShareRegistry back;
        LoadShares(back, ini);
        QCOMPARE(names(back), (QStringList{"a.txt", "b.txt", "C.txt"}));

        // An empty list leaves no record keys, and the rest as it was.
        QVERIFY(SaveShares(ShareRegistry(), ini, nullptr));
        QCOMPARE(readAll(ini), head + "[SHAREFILE]\r\n; the list\r\n150=beyond\r\n" + tail);
    }

    void loadReadsAtMostTheCapacity() {
        QByteArray section = "[SHAREFILE]\n";
        for (int i = 0; i < ShareRegistry::kCapacity + 5; ++i) {
            writeAll(path("cap/f%1").arg(i), "x");
            section += QByteArray::number(i) + '=' + bytes("cap/") + ";f" + QByteArray::number(i) + ";;;F\n";
        }
        const QString ini = path("cap.ini");
        writeAll(ini, section);
        ShareRegistry reg;
        LoadShares(reg, ini);
        QCOMPARE(reg.rowCount(), ShareRegistry::kCapacity);
        QCOMPARE(reg.Records().last().name, QStringLiteral("f99"));
    }

    void failedSaveIsReportedAndTheProgramCloses() {
        PromptRecorder prompts;
        TestForm form;
        form.show();
        QTRY_VERIFY(form.FirstActivation());
        writeAll(path("w/x.txt"), "x");
        QCOMPARE(form.registry().AddShareRecord(path("w/x.txt"), {}, {}, ShareKind::File), AddResult::Added);
        writeAll(path("w/blocker"), "b");
        form.host().IniFilePath = path("w/blocker/Quillmere.ini");
        QSignalSpy closed(&form, &TMainForm::closed);
        form.close();
        QCOMPARE(closed.size(), 1);
        QCOMPARE(prompts.asked.size(), 1);
        QCOMPARE(prompts.asked.at(0).kind, prompts::Kind::Error);
        QCOMPARE(prompts.asked.at(0).text, QStringLiteral("Unable to write to ") + path("w/blocker/Quillmere.ini") +
                                               QLatin1Char('.'));
    }

    void aKilledSaveLeavesAWholeFile() {
        const QString helper = buildDir() + QStringLiteral("/tests/shares_saveloop");
        QVERIFY2(QFileInfo(helper).isExecutable(), qPrintable(helper));
        const QString ini = path("kill/Quillmere.ini");
        const QByteArray base = "[Window]\nLeft=1\n[SHAREFILE]\n0=old\n[After]\nk=v\n";
        writeAll(ini, base);

        // The two files the helper alternates between.
        auto list = [](char fill) {
            ShareRegistry reg;
            for (int i = 0; i < ShareRegistry::kCapacity; ++i)
                reg.Append(ShareRecord{QStringLiteral("file%1.bin").arg(i), {}, QString(2000, QLatin1Char(fill)),
                                       QStringLiteral("/srv/share/"), {}, ShareKind::File});
            return reg.Snapshot();
        };
        QByteArray expected[2];
        for (int which = 0; which < 2; ++which) {
            const QString copy = path("kill/expected%1.ini").arg(which);
            writeAll(copy, which ? expected[0] : base);
            ShareRegistry reg;
            for (const ShareRecord &r : list(which ? 'B' : 'A')) reg.Append(r);
            QVERIFY(SaveShares(reg, copy, nullptr));
            expected[which] = readAll(copy);
        }
        QVERIFY(expected[0].size() > 200000);

        int mid = 0;
        for (int round = 0; round < 20; ++round) {
            QProcess p;
            p.start(helper, {ini});
            QVERIFY(p.waitForReadyRead(10000));
            QTest::qWait(QRandomGenerator::global()->bounded(5, 60));
            p.kill();
            QVERIFY(p.waitForFinished(10000));
            const QByteArray now = readAll(ini);
            QVERIFY2(now == base || now == expected[0] || now == expected[1],
                     qPrintable(QStringLiteral("round %1: %2 bytes").arg(round).arg(now.size())));
            mid += now != base;
        }
        QVERIFY(mid > 0); // the helper got as far as saving
    }

    void terminationSignalSaves() {
        // The real program, in this test's own network namespace, from a program folder of its own.
        const QString program = buildDir() + QStringLiteral("/bin/quillmere");
        QVERIFY2(QFileInfo(program).isExecutable(), qPrintable(program));
        const QString folder = path("prog/");
        QDir().mkpath(folder);
        QVERIFY(QFile::copy(program, folder + QStringLiteral("quillmere")));
        writeAll(path("shared/keep.txt"), "k");
        const QString ini = folder + QStringLiteral("Quillmere.ini");
        // Key 1's file is gone and key 3 lies past the gap: a save leaves only key 0.
        writeAll(ini, "[Other]\nx=1\n[SHAREFILE]\n0=" + bytes("shared/") + ";keep.txt;;c;F\n1=" + bytes("shared/") +
                          ";missing.txt;;;F\n3=" + bytes("shared/") + ";keep.txt;;;F\n");

        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(folder + QStringLiteral("quillmere"), {});
        QVERIFY(p.waitForStarted());
        // The share list is loaded before the command port opens.
        QTRY_VERIFY_WITH_TIMEOUT(commandPortBound(), 20000);
        ::kill(pid_t(p.processId()), SIGTERM);
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(readAll(ini), "[Other]\nx=1\n[SHAREFILE]\n0=" + bytes("shared/") + ";keep.txt;;c;F\n");
    }
};

QTEST_MAIN(TestSharePersistence)
#include "tst_sharepersistence.moc"
