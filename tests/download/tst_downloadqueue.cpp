// The queue's rows: names, states and counters, reordering and sorting; where a peer's names may put a file; the file opened beneath its folder.
#include "download/downloadqueue.h"
#include "download/localtarget.h"
#include "download/targetfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

class TestDownloadQueue : public QObject {
    Q_OBJECT

    static LocalTarget target(const QString &name) { return MakeTarget(QStringLiteral("/down"), {name}); }
    // Rows a, b, c, ... of one owner.
    static void fill(DownloadQueue &q, const QString &names) {
        for (QChar c : names) {
            QCOMPARE_GE(q.Append(QString(c), QStringLiteral("PC01"), true, target(QString(c)), QStringLiteral("C:\\s\\"),
                                 QStringLiteral("10.0.0.1")),
                        0);
        }
    }
    static QString order(const DownloadQueue &q) {
        QString s;
        for (int r = 0; r < q.Count(); ++r) s += q.Row(r)[DownloadRow::FileName];
        return s;
    }
    // Every row is found under its name, and a report for the running row lands on it.
    static void checkNames(DownloadQueue &q) {
        int running = -1;
        for (int r = 0; r < q.Count(); ++r) {
            const DownloadRow &row = q.Row(r);
            QCOMPARE(q.Find(row[DownloadRow::OwnerIP], row[DownloadRow::SourceFolder], row[DownloadRow::FileName]), r);
            if (row.IsActive()) running = r;
        }
        if (running < 0) return;
        const DownloadRow &row = q.Row(running);
        q.SetProgress(q.Find(row[DownloadRow::OwnerIP], row[DownloadRow::SourceFolder], row[DownloadRow::FileName]),
                      QStringLiteral("7"), QStringLiteral("7"));
        QCOMPARE(q.Row(running)[DownloadRow::Progress], QStringLiteral("7 %"));
    }
    static void write(const QString &path, const QByteArray &bytes) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QByteArray read(const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

private slots:
    void rowsAreNamedByOwnerFolderAndFile() {
        DownloadQueue q;
        const QString ip = QStringLiteral("10.0.0.1"), folder = QStringLiteral("C:\\share\\");
        QCOMPARE(q.Append(QStringLiteral("a.txt"), QStringLiteral("PC01"), false, target(QStringLiteral("a.txt")),
                          folder, ip),
                 0);
        QCOMPARE(q.Append(QStringLiteral("a.txt"), QStringLiteral("PC01"), true, target(QStringLiteral("a.txt")),
                          folder, ip),
                 -1);
        QCOMPARE(q.Append(QStringLiteral("a.txt"), QStringLiteral("PC01"), true, target(QStringLiteral("a.txt")),
                          QStringLiteral("C:\\other\\"), ip),
                 1);
        QCOMPARE(q.Append(QStringLiteral("a.txt"), QStringLiteral("PC02"), true, target(QStringLiteral("a.txt")),
                          folder, QStringLiteral("10.0.0.2")),
                 2);
        const DownloadRow &row = q.Row(0);
        QCOMPARE(row[DownloadRow::Mode], QStringLiteral("R"));
        QCOMPARE(q.Row(1)[DownloadRow::Mode], QStringLiteral("O"));
        QCOMPARE(row[DownloadRow::SavePath], QStringLiteral("/down/a.txt"));
        QCOMPARE(row.icon, int(kIconWaiting));
        QVERIFY(row[DownloadRow::Size].isEmpty() && row[DownloadRow::State].isEmpty());
        QCOMPARE(q.Find(ip, folder, QStringLiteral("a.txt")), 0);
        QCOMPARE(q.Find(ip, folder, QStringLiteral("A.txt")), -1);
        // Two rows never write one file: the later ones are numbered as a desktop does.
        QCOMPARE(q.Row(1)[DownloadRow::SavePath], QStringLiteral("/down/a (2).txt"));
        QCOMPARE(q.Row(2)[DownloadRow::SavePath], QStringLiteral("/down/a (3).txt"));
        QCOMPARE(q.Row(2).target.Path(), QStringLiteral("/down/a (3).txt"));
        QCOMPARE(q.Row(2)[DownloadRow::FileName], QStringLiteral("a.txt"));
        // The number goes before the extension; a leading dot starts none.
        for (const char *name : {".profile", "README"})
            for (const char *owner : {"10.0.0.1", "10.0.0.2"})
                q.Append(QString::fromUtf8(name), QStringLiteral("PC"), true, target(QString::fromUtf8(name)), folder,
                         QString::fromUtf8(owner));
        QCOMPARE(q.Row(4)[DownloadRow::SavePath], QStringLiteral("/down/.profile (2)"));
        QCOMPARE(q.Row(6)[DownloadRow::SavePath], QStringLiteral("/down/README (2)"));
        // Many at once: a name twice in the batch is taken once, and the batch numbers within itself.
        const QueuedFile b{QStringLiteral("b"), QStringLiteral("PC01"), true, target(QStringLiteral("b")), folder, ip};
        QueuedFile b2 = b;
        b2.sourceFolder = QStringLiteral("C:\\other\\");
        QCOMPARE(q.Append({b, b2, b}), (QList<int>{7, 8, -1}));
        QCOMPARE(q.Row(8)[DownloadRow::SavePath], QStringLiteral("/down/b (2)"));
    }

    void statesIconsAndCounters() {
        DownloadQueue q;
        fill(q, QStringLiteral("abcdefg"));
        q.SetState(0, QStringLiteral("100"), rowstate::Transferring);
        QCOMPARE(q.Row(0)[DownloadRow::Size], QStringLiteral("100"));
        QCOMPARE(q.Row(0)[DownloadRow::Received], QStringLiteral("0"));
        QCOMPARE(q.Row(0)[DownloadRow::Progress], QStringLiteral("0 %"));
        q.SetProgress(0, QStringLiteral("45"), QStringLiteral("45"));
        QCOMPARE(q.Row(0)[DownloadRow::Progress], QStringLiteral("45 %"));
        q.SetState(0, {}, rowstate::Complete);
        QCOMPARE(q.Row(0)[DownloadRow::Size], QStringLiteral("100")); // an empty size text keeps it
        q.SetState(1, {}, rowstate::Stopped);
        q.SetState(2, {}, QStringLiteral("응답없음"));
        q.SetState(3, {}, QStringLiteral("전송끊김"));
        q.SetState(4, {}, rowstate::Connecting);
        QCOMPARE(q.Row(4).icon, int(kIconWaiting)); // connecting keeps the picture it had
        const int icons[] = {kIconComplete, kIconStopped, kIconFailed, kIconFailed, kIconWaiting};
        for (int r = 0; r < 5; ++r) QCOMPARE(q.Row(r).icon, icons[r]);
        const QueueCounters c = q.Counters();
        QCOMPARE(c.total, 7);
        QCOMPARE(c.complete, 1);
        QCOMPARE(c.stopped, 1);
        QCOMPARE(c.failed, 2);
        QCOMPARE(c.waiting, 2); // the connecting row is counted nowhere
        QVERIFY(q.AnyActive());
        QCOMPARE(q.FirstWaiting(), 5);
        q.FailWaiting(QStringLiteral("내부소켓오류"));
        QCOMPARE(q.Counters().failed, 4);
        QCOMPARE(q.Row(6).icon, int(kIconFailed));
        QCOMPARE(q.FirstWaiting(), -1);
    }

    void startSelectedParksTheOthers() {
        DownloadQueue q;
        fill(q, QStringLiteral("abcd"));
        q.SetState(1, {}, rowstate::Complete);
        q.SetState(3, {}, QStringLiteral("연결실패"));
        q.StartSelected({1, 2});
        QVERIFY(q.Row(1)[DownloadRow::State].isEmpty()); // even a fetched row waits again
        QCOMPARE(q.Row(1).icon, int(kIconWaiting));
        QVERIFY(q.Row(2)[DownloadRow::State].isEmpty());
        QCOMPARE(q.Row(0)[DownloadRow::State], rowstate::Stopped);
        QCOMPARE(q.Row(0).icon, int(kIconStopped));
        QCOMPARE(q.Row(3)[DownloadRow::State], QStringLiteral("연결실패")); // failures stay
        QCOMPARE(q.FirstWaiting(), 1);
    }

    void moveUpAndDown_data() {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<int>("running");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<bool>("up");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QList<int>>("selectedAfter");
        QTest::newRow("block up") << "abcde" << -1 << QList<int>{2, 3} << true << "acdbe" << QList<int>{1, 2};
        QTest::newRow("block down") << "abcde" << -1 << QList<int>{1, 2} << false << "adbce" << QList<int>{2, 3};
        QTest::newRow("first stays") << "abcde" << -1 << QList<int>{0, 2} << true << "abcde" << QList<int>{0, 2};
        QTest::newRow("last stays") << "abcde" << -1 << QList<int>{2, 4} << false << "abcde" << QList<int>{2, 4};
        QTest::newRow("gaps up") << "abcde" << -1 << QList<int>{1, 3} << true << "badce" << QList<int>{0, 2};
        QTest::newRow("one row up") << "a" << -1 << QList<int>{0} << true << "a" << QList<int>{0};
        QTest::newRow("one row down") << "a" << -1 << QList<int>{0} << false << "a" << QList<int>{0};
        QTest::newRow("nothing chosen") << "abc" << -1 << QList<int>{} << true << "abc" << QList<int>{};
        QTest::newRow("scattered down past the running row")
            << "abcdefgh" << 3 << QList<int>{5, 0, 2} << false << "badcegfh" << QList<int>{1, 3, 6};
        QTest::newRow("scattered up, the running row pushed aside")
            << "abcdef" << 2 << QList<int>{1, 2, 4} << true << "bacedf" << QList<int>{0, 2, 3};
    }
    void moveUpAndDown() {
        QFETCH(QString, rows);
        QFETCH(int, running);
        QFETCH(QList<int>, selected);
        QFETCH(bool, up);
        DownloadQueue q;
        fill(q, rows);
        if (running >= 0) q.SetState(running, {}, rowstate::Transferring);
        const QList<int> after = up ? q.MoveUp(selected) : q.MoveDown(selected);
        QTEST(order(q), "after");
        QTEST(after, "selectedAfter");
        checkNames(q);
    }

    void removeTakesAllButTheRunningRow_data() {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<int>("running");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QList<int>>("staying");
        QTest::newRow("scattered") << "abcdefgh" << 3 << QList<int>{6, 0, 2, 3} << "bdefh" << QList<int>{1};
        QTest::newRow("runs at both ends") << "abcdefgh" << 4 << QList<int>{0, 1, 5, 6, 7} << "cde" << QList<int>{};
        QTest::newRow("all") << "abc" << -1 << QList<int>{0, 1, 2} << "" << QList<int>{};
        QTest::newRow("none that exist") << "abc" << -1 << QList<int>{-1, 3} << "abc" << QList<int>{};
    }
    void removeTakesAllButTheRunningRow() {
        QFETCH(QString, rows);
        QFETCH(int, running);
        QFETCH(QList<int>, selected);
        QFETCH(QString, after);
        DownloadQueue q;
        fill(q, rows);
        if (running >= 0) q.SetState(running, {}, rowstate::Transferring);
        QTEST(q.Remove(selected), "staying");
        QCOMPARE(order(q), after);
        checkNames(q);
        // A removed row's name and save path are free again; a kept row's are not.
        for (QChar c : rows) {
            const int r = q.Append(QString(c), QStringLiteral("PC01"), true, target(QString(c)), QStringLiteral("C:\\s\\"),
                                   QStringLiteral("10.0.0.1"));
            QCOMPARE(r >= 0, !after.contains(c));
            if (r >= 0) QCOMPARE(q.Row(r)[DownloadRow::SavePath], QStringLiteral("/down/") + c);
        }
    }

    void movingCarriesTheWholeRow() {
        DownloadQueue q;
        fill(q, QStringLiteral("ab"));
        q.SetState(1, QStringLiteral("7"), rowstate::Stopped);
        q.MoveUp({1});
        QCOMPARE(q.Row(0)[DownloadRow::FileName], QStringLiteral("b"));
        QCOMPARE(q.Row(0)[DownloadRow::Size], QStringLiteral("7"));
        QCOMPARE(q.Row(0).icon, int(kIconStopped));
        QCOMPARE(q.Row(0).target.Path(), QStringLiteral("/down/b"));
    }

    void aRowUnderWayDoesNotMoveUpButIsPushedAside() {
        DownloadQueue q;
        fill(q, QStringLiteral("abcd"));
        q.SetState(2, {}, rowstate::Transferring);
        q.MoveUp({2, 3});
        // c is skipped; d then trades places with it.
        QCOMPARE(order(q), QStringLiteral("abdc"));
    }

    void sortsSizesAsNumbersAndTextWithoutCase() {
        DownloadQueue q;
        fill(q, QStringLiteral("BaCd"));
        const QString sizes[] = {QStringLiteral("10"), QStringLiteral("9"), QStringLiteral("x"), QStringLiteral("100")};
        for (int r = 0; r < 4; ++r) q.SetState(r, sizes[r], rowstate::Complete);
        q.Sort(DownloadRow::Size, false);
        QCOMPARE(order(q), QStringLiteral("CaBd")); // x counts as 0; 9 before 10
        q.Sort(DownloadRow::Size, true);
        QCOMPARE(order(q), QStringLiteral("dBaC"));
        q.Sort(DownloadRow::FileName, false);
        QCOMPARE(order(q), QStringLiteral("aBCd"));
        q.Sort(DownloadRow::FileName, true);
        QCOMPARE(order(q), QStringLiteral("dCBa"));
        checkNames(q);
    }

    void sortKeepsTheViewsSelectionOnItsRows() {
        DownloadQueue q;
        fill(q, QStringLiteral("cab"));
        const QPersistentModelIndex c(q.index(0, 0));
        q.Sort(DownloadRow::FileName, false);
        QCOMPARE(c.row(), 2);
        checkNames(q);
        // Moving and removing rows take the view's indexes along too.
        const QPersistentModelIndex a(q.index(0, 3)), b(q.index(1, 0));
        q.MoveDown({0});
        QCOMPARE((QList<int>{a.row(), b.row(), c.row()}), (QList<int>{1, 0, 2}));
        QCOMPARE(a.column(), 3);
        q.Remove({0});
        QVERIFY(!b.isValid());
        QCOMPARE((QList<int>{a.row(), c.row()}), (QList<int>{0, 1}));
    }

    void peerNamesCannotLeaveTheTarget_data() {
        QTest::addColumn<QString>("remote");
        QTest::addColumn<QStringList>("parts");
        QTest::newRow("windows") << "C:\\share\\docs\\" << QStringList{"C", "share", "docs"};
        QTest::newRow("posix") << "/home/u/docs/" << QStringList{"home", "u", "docs"};
        QTest::newRow("dot dot") << "C:\\..\\..\\etc\\" << QStringList{"C", "etc"};
        QTest::newRow("slash inside a windows name") << "C:\\a/../../x\\" << QStringList{"C", "a", "x"};
        QTest::newRow("colons made dots") << ".:.\\x:\\" << QStringList{"x"};
        QTest::newRow("dot and empties") << "\\\\.\\\\a\\.\\" << QStringList{"a"};
        QTest::newRow("only traversal") << "/../.." << QStringList{};
    }
    void peerNamesCannotLeaveTheTarget() {
        QFETCH(QString, remote);
        QTEST(LocalParts(remote), "parts");
    }

    void plainFileNames() {
        for (const char *bad : {"", ".", "..", "a/b", "a\\b", "/", "\\"}) QVERIFY2(!IsPlainFileName(QString::fromUtf8(bad)), bad);
        for (const char *good : {"a.txt", "..a", "a:b", "파일.doc"}) QVERIFY2(IsPlainFileName(QString::fromUtf8(good)), good);
    }

    void targetPaths() {
        const LocalTarget t = MakeTarget(QStringLiteral("/down/"), {QStringLiteral("PC01"), QStringLiteral("C:\\share\\"),
                                                                    QStringLiteral("a.txt")});
        QCOMPARE(t.Path(), QStringLiteral("/down/PC01/C/share/a.txt"));
        QCOMPARE(t.Folder(), QStringLiteral("/down/PC01/C/share"));
        QCOMPARE(MakeTarget(QStringLiteral("/"), {QStringLiteral("a")}).Path(), QStringLiteral("/a"));
        QVERIFY(!MakeTarget(QStringLiteral("/down"), {QStringLiteral("..")}).IsValid());
        QVERIFY(!MakeTarget(QStringLiteral("/down"), {QStringLiteral("PC01"), QStringLiteral("..")}).IsValid());
        // Only folder parts lose their ":"; "12:30 notes.txt" and "1230 notes.txt" are two files.
        QCOMPARE(MakeTarget(QStringLiteral("/down"), {QStringLiteral("D:\\x:\\"), QStringLiteral("12:30 notes.txt")}).Path(),
                 QStringLiteral("/down/D/x/12:30 notes.txt"));
        QCOMPARE(TrimFolder(QStringLiteral("/down//")), QStringLiteral("/down"));
        QCOMPARE(TrimFolder(QStringLiteral("/")), QStringLiteral("/"));
    }

    void fileResumesAndTruncates() {
        QTemporaryDir dir;
        const LocalTarget t = MakeTarget(dir.path(), {QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("f")});
        QCOMPARE(TargetFile::ExistingSize(t), -1);
        TargetFile::MakeFolders(t);
        QVERIFY(QFileInfo(dir.path() + QStringLiteral("/x/y")).isDir());
        write(t.Path(), "0123456789");
        QCOMPARE(TargetFile::ExistingSize(t), 10);

        TargetFile f;
        QVERIFY(f.Open(t, 4));
        QCOMPARE(f.Write("abc", 3), 3);
        QVERIFY(f.Close());
        QCOMPARE(read(t.Path()), QByteArray("0123abc789"));

        QVERIFY(f.Open(t, 0));
        QCOMPARE(f.Write("zz", 2), 2);
        QVERIFY(f.Close());
        QCOMPARE(read(t.Path()), QByteArray("zz"));

        QVERIFY(TargetFile::Remove(t));
        QVERIFY(!QFile::exists(t.Path()));
        QVERIFY(!TargetFile::Remove(t));
    }

    void linksOutOfTheFolderAreNeverFollowed() {
        QTemporaryDir dir, outside;
        const QString out = outside.path();
        write(out + QStringLiteral("/victim"), "keep");
        QVERIFY(QFile::link(out, dir.path() + QStringLiteral("/away")));
        QVERIFY(QFile::link(out + QStringLiteral("/victim"), dir.path() + QStringLiteral("/victim")));
        QDir(dir.path()).mkdir(QStringLiteral("in"));
        QVERIFY(QFile::link(QStringLiteral("../in"), dir.path() + QStringLiteral("/inlink")));

        const LocalTarget throughFolder = MakeTarget(dir.path(), {QStringLiteral("away"), QStringLiteral("victim")});
        const LocalTarget throughFile = MakeTarget(dir.path(), {QStringLiteral("victim")});
        const LocalTarget newBelow = MakeTarget(dir.path(), {QStringLiteral("away"), QStringLiteral("sub"), QStringLiteral("n")});
        TargetFile f;
        QVERIFY(!f.Open(throughFolder, 0));
        QVERIFY(!f.Open(throughFile, 0));
        QVERIFY(!f.Open(throughFile, 2));
        QCOMPARE(TargetFile::ExistingSize(throughFolder), -1);
        QVERIFY(!TargetFile::Remove(throughFolder));
        TargetFile::MakeFolders(newBelow);
        QVERIFY(!QFileInfo::exists(out + QStringLiteral("/sub")));
        QCOMPARE(read(out + QStringLiteral("/victim")), QByteArray("keep"));

        // A link that stays inside the folder is fine where the kernel can tell.
        const LocalTarget inside = MakeTarget(dir.path(), {QStringLiteral("inlink"), QStringLiteral("g")});
        if (f.Open(inside, 0)) {
            QVERIFY(f.Close());
            QVERIFY(QFile::exists(dir.path() + QStringLiteral("/in/g")));
        }
    }

    void aFolderTargetIsNoFile() {
        QTemporaryDir dir;
        QDir(dir.path()).mkdir(QStringLiteral("d"));
        const LocalTarget t = MakeTarget(dir.path(), {QStringLiteral("d")});
        QCOMPARE(TargetFile::ExistingSize(t), -1);
        TargetFile f;
        QVERIFY(!f.Open(t, 0));
        QVERIFY(!f.Open(t, 1));
    }
};

QTEST_GUILESS_MAIN(TestDownloadQueue)
#include "tst_downloadqueue.moc"
