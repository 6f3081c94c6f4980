// Adding, removing, sorting and counting share records.
#include "shares/foldercount.h"
#include "shares/shareregistry.h"

#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <unistd.h>

namespace {

void writeFile(const QString &path, qsizetype bytes = 0) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(bytes, 'x'));
}

ShareRecord record(const QString &name, const QString &size, const QString &comment = {},
                   ShareKind kind = ShareKind::File) {
    ShareRecord r;
    r.name = name;
    r.size = size;
    r.comment = comment;
    r.kind = kind;
    r.folder = kind == ShareKind::File ? QStringLiteral("/data/") : QString();
    return r;
}

QStringList names(const ShareRegistry &registry) {
    QStringList n;
    for (const ShareRecord &r : registry.Records()) n << r.name;
    return n;
}

} // namespace

class TestShareRegistry : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path(const QString &name) const { return dir_.filePath(name); }

private slots:
    void fileRecords() {
        ShareRegistry reg;
        writeFile(path("docs/report.txt"), 1234);
        QDir().mkpath(path("docs/sub"));
        // Kind checks: a folder is no file, a file no folder, a missing path neither.
        QCOMPARE(reg.AddShareRecord(path("docs"), {}, {}, ShareKind::File), AddResult::Skipped);
        QCOMPARE(reg.AddShareRecord(path("docs/report.txt"), {}, {}, ShareKind::Folder), AddResult::Skipped);
        QCOMPARE(reg.AddShareRecord(path("docs/none.txt"), {}, {}, ShareKind::File), AddResult::Skipped);
        QCOMPARE(reg.rowCount(), 0);

        QCOMPARE(reg.AddShareRecord(QStringLiteral("  ") + path("docs/report.txt") + QStringLiteral("\t"),
                                    QStringLiteral("  월간 보고 "), QStringLiteral(" 074084099 "), ShareKind::File),
                 AddResult::Added);
        const ShareRecord &r = reg.Records().at(0);
        QCOMPARE(r.name, QStringLiteral("report.txt"));
        QCOMPARE(r.folder, path("docs") + QLatin1Char('/'));
        QCOMPARE(r.FullPath(), path("docs/report.txt"));
        QCOMPARE(r.size, QStringLiteral("1234"));
        QCOMPARE(r.comment, QStringLiteral("월간 보고"));
        QCOMPARE(r.password, QStringLiteral("074084099"));
        QCOMPARE(r.kind, ShareKind::File);
        QCOMPARE(reg.data(reg.index(0, 0), ShareRegistry::LockedRole).toBool(), true);
        QCOMPARE(reg.data(reg.index(0, 1), Qt::TextAlignmentRole).toInt(), int(Qt::AlignRight | Qt::AlignVCenter));

        // Duplicates are exact text: the same path again is skipped, another spelling is not.
        QCOMPARE(reg.AddShareRecord(path("docs/report.txt"), {}, {}, ShareKind::File), AddResult::Skipped);
        QCOMPARE(reg.AddShareRecord(path("docs/../docs/report.txt"), {}, {}, ShareKind::File), AddResult::Added);
        QCOMPARE(reg.rowCount(), 2);
        QCOMPARE(reg.data(reg.index(1, 0), ShareRegistry::LockedRole).toBool(), false);
    }

    void folderRecordsCountTheirOwnFiles() {
        ShareRegistry reg;
        writeFile(path("pub/a.txt"));
        writeFile(path("pub/.hidden"));
        writeFile(path("pub/noext"));
        writeFile(path("pub/sub/deeper.txt"));
        QDir().mkpath(path("onlydirs/x/y"));
        QVERIFY(QFile::link(path("pub/a.txt"), path("pub/link")));
        QVERIFY(QFile::link(path("pub/sub"), path("pub/dirlink")));

        QCOMPARE(reg.AddShareRecord(path("pub"), QStringLiteral("c"), {}, ShareKind::Folder), AddResult::Added);
        QCOMPARE(reg.Records().at(0).name, path("pub"));
        QCOMPARE(reg.Records().at(0).folder, QString());
        QCOMPARE(reg.Records().at(0).size, QStringLiteral("4 files")); // a.txt, .hidden, noext, link
        QCOMPARE(reg.AddShareRecord(path("onlydirs"), {}, {}, ShareKind::Folder), AddResult::Added);
        QCOMPARE(reg.Records().at(1).size, QStringLiteral("0 files"));
        // A closing or doubled "/" writes the same folder another way.
        QCOMPARE(reg.AddShareRecord(path("pub/"), {}, {}, ShareKind::Folder), AddResult::Skipped);

        QCOMPARE(CountFolderFiles(path("pub"), QStringLiteral("*.txt")), 1);
        QCOMPARE(CountFolderFiles(path("missing"), QStringLiteral("*.*")), 0);

        // The root keeps its "/" and counts the files directly at the root.
        QCOMPARE(reg.AddShareRecord(QStringLiteral("/"), {}, {}, ShareKind::Folder), AddResult::Added);
        const int atRoot = int(QDir(QStringLiteral("/")).entryList(QDir::Files | QDir::Hidden | QDir::System).size());
        QCOMPARE(reg.Records().last().name, QStringLiteral("/"));
        QCOMPARE(reg.Records().last().size, QStringLiteral("%1 files").arg(atRoot));

        // The count line counts files inside folders and one per file record, and refreshes folder sizes.
        writeFile(path("pub/b.txt"));
        writeFile(path("lone.txt"));
        QCOMPARE(reg.AddShareRecord(path("lone.txt"), {}, {}, ShareKind::File), AddResult::Added);
        QCOMPARE(reg.RecountFiles(), qint64(5 + 0 + atRoot + 1));
        QCOMPARE(reg.Records().at(0).size, QStringLiteral("5 files"));
        QCOMPARE(ShareCountText(11, 5), QStringLiteral("공유 설정 (현재:11 files 5 items, 최대:100 items)"));
    }

    void unreadableFileHasSizeMinusOne() {
        ShareRegistry reg;
        QTemporaryDir open(QDir::tempPath() + QStringLiteral("/qmopen-XXXXXX"));
        QFile::setPermissions(open.path(), QFileDevice::Permissions(0x7755));
        const QString file = open.filePath(QStringLiteral("secret.bin"));
        writeFile(file, 10);
        QFile::setPermissions(file, {});
        // root reads everything; look as an ordinary user for the moment of the check.
        const bool root = geteuid() == 0;
        if (root) QCOMPARE(seteuid(65534), 0);
        const AddResult result = reg.AddShareRecord(file, {}, {}, ShareKind::File);
        if (root) QCOMPARE(seteuid(0), 0);
        QCOMPARE(result, AddResult::Added);
        QCOMPARE(reg.Records().at(0).size, QStringLiteral("-1"));
    }

    void largeFilesKeepTheirSize() {
        ShareRegistry reg;
        QFile f(path("big.iso"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(qint64(3) << 30)); // sparse: takes no room
        f.close();
        QCOMPARE(reg.AddShareRecord(path("big.iso"), {}, {}, ShareKind::File), AddResult::Added);
        QCOMPARE(reg.Records().at(0).size, QStringLiteral("3221225472"));
    }

    void refusesWhatCannotBeStored() {
        ShareRegistry reg;
        writeFile(path("semi;colon.txt"));
        writeFile(path("웃음😀.txt"));
        QDir().mkpath(path("a;b"));
        QCOMPARE(reg.AddShareRecord(path("semi;colon.txt"), {}, {}, ShareKind::File), AddResult::Unstorable);
        QCOMPARE(reg.AddShareRecord(path("a;b"), {}, {}, ShareKind::Folder), AddResult::Unstorable);
        QCOMPARE(reg.AddShareRecord(path("웃음😀.txt"), {}, {}, ShareKind::File), AddResult::Unstorable);
        QCOMPARE(reg.rowCount(), 0);
    }

    void capacityHoldsAtEntry() {
        ShareRegistry reg;
        for (int i = 0; i < ShareRegistry::kCapacity + 1; ++i) writeFile(path("many/f%1").arg(i));
        for (int i = 0; i < ShareRegistry::kCapacity; ++i)
            QCOMPARE(reg.AddShareRecord(path("many/f%1").arg(i), {}, {}, ShareKind::File), AddResult::Added);
        QCOMPARE(reg.AddShareRecord(path("many/f100"), {}, {}, ShareKind::File), AddResult::Full);
        // A duplicate or a missing path is still just skipped.
        QCOMPARE(reg.AddShareRecord(path("many/f0"), {}, {}, ShareKind::File), AddResult::Skipped);
        QCOMPARE(reg.AddShareRecord(path("many/none"), {}, {}, ShareKind::File), AddResult::Skipped);
        QCOMPARE(reg.rowCount(), ShareRegistry::kCapacity);
    }

    void sortingPerColumn() {
        ShareRegistry reg;
        reg.SortColumn(0); // an empty list neither sorts nor turns the direction
        QVERIFY(!reg.SortsDescending(0));

        reg.Append(record(QStringLiteral("beta"), QStringLiteral("10"), QStringLiteral("z")));
        reg.Append(record(QStringLiteral("/srv/dir"), QStringLiteral("7 files"), QStringLiteral("Y"), ShareKind::Folder));
        reg.Append(record(QStringLiteral("Alpha"), QStringLiteral("9"), QStringLiteral("x")));
        reg.Append(record(QStringLiteral("gamma"), QStringLiteral("-1"), QStringLiteral("W")));
        reg.Append(record(QStringLiteral("가나"), QStringLiteral("3000000000"), QStringLiteral("v")));

        // A selected row stays selected through a sort.
        QItemSelectionModel selection(&reg);
        selection.select(reg.index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);

        reg.SortColumn(0);
        QCOMPARE(names(reg), (QStringList{"/srv/dir", "Alpha", "beta", "gamma", "가나"}));
        QVERIFY(reg.SortsDescending(0));
        QCOMPARE(selection.selectedRows().size(), 1);
        QCOMPARE(reg.Records().at(selection.selectedRows().at(0).row()).name, QStringLiteral("beta"));

        // Sizes as numbers; a folder's "N files" counts 0. The first click on this column is ascending too.
        reg.SortColumn(1);
        QCOMPARE(names(reg), (QStringList{"gamma", "/srv/dir", "Alpha", "beta", "가나"}));
        reg.SortColumn(1);
        QCOMPARE(names(reg), (QStringList{"가나", "beta", "Alpha", "/srv/dir", "gamma"}));

        // The name column remembered its own direction.
        reg.SortColumn(0);
        QCOMPARE(names(reg), (QStringList{"가나", "gamma", "beta", "Alpha", "/srv/dir"}));

        // Comments without regard to ASCII case.
        reg.SortColumn(2);
        QCOMPARE(names(reg), (QStringList{"가나", "gamma", "Alpha", "/srv/dir", "beta"}));
    }

    void removingRuns() {
        ShareRegistry reg;
        for (const char *n : {"a", "b", "c", "d", "e", "f"}) reg.Append(record(QString::fromLatin1(n), "1"));
        reg.RemoveRecords({4, 0, 1, 5, 1});
        QCOMPARE(names(reg), (QStringList{"c", "d"}));
    }

    void snapshotFromAWorker() {
        ShareRegistry reg;
        for (int i = 0; i < 50; ++i) reg.Append(record(QStringLiteral("f%1").arg(i), "1"));
        QList<ShareRecord> seen;
        QThread *worker = QThread::create([&] { seen = reg.Snapshot(); });
        worker->start();
        QTRY_VERIFY(worker->isFinished());
        delete worker;
        QCOMPARE(seen.size(), 50);
        QCOMPARE(seen.last().name, QStringLiteral("f49"));
    }
};

QTEST_GUILESS_MAIN(TestShareRegistry)
#include "tst_shareregistry.moc"
