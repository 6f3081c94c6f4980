// Share lists on the wire: entries that can travel, packing into list
// datagrams, reading them back, the listing of shared folders, the browse
// answer, paced or fast, and the search answer.
#include "core/frame.h"
#include "core/host.h"
#include "listing/fastbrowse.h"
#include "listing/folderlisting.h"
#include "listing/listdatagram.h"
#include "listing/remotepath.h"
#include "listing/searchresponder.h"
#include "listing/sharelisting.h"
#include "listing/sharesendthread.h"
#include "platform/cp949.h"
#include "recordingmessenger.h"
#include "shares/shareregistry.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

ShareEntry entry(const QString &name, const QString &folder = QStringLiteral("C:\\"), const QString &comment = {}) {
    return {name, QStringLiteral("10"), comment, folder, QStringLiteral("PC"), QStringLiteral("10.0.0.2"), {}};
}

void touch(const QString &path, int bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(bytes, 'x'));
}

ShareRecord folderRecord(const QString &path, const QString &comment = {}) {
    ShareRecord r;
    r.name = path;
    r.size = QStringLiteral("0 files");
    r.comment = comment;
    r.kind = ShareKind::Folder;
    return r;
}

ShareRecord fileRecord(const QString &name, const QString &folder, const QString &size, const QString &comment = {},
                       const QString &password = {}) {
    return {name, size, comment, folder, password, ShareKind::File};
}

QStringList names(const QList<ShareEntry> &entries) {
    QStringList n;
    for (const auto &e : entries) n << e.name;
    return n;
}

} // namespace

class TestShareList : public QObject {
    Q_OBJECT

    QTemporaryDir tmp;
    HostIdentity host{QStringLiteral("10.0.0.1"), QStringLiteral("MYPC"), QStringLiteral("WG"), {}, {}, {}, {}};

    QString dir(const QString &name) {
        const QString path = tmp.path() + QLatin1Char('/') + name;
        QDir().mkpath(path);
        return path;
    }
    // Payload entries of every recorded "@_+G", in order.
    static QList<ShareEntry> received(const RecordingMessenger &net) {
        QList<ShareEntry> all;
        for (const auto &d : net.Sent())
            if (d.bytes.startsWith("@_+G;")) all += ReadListDatagram(cp949::decode(d.bytes));
        return all;
    }

    // The spacing of paced answers here; the LAN listing test measures the real one.
    static constexpr int kSpacingMs = 200;

    // A browse request from 10.0.0.9 answered as the program does: through an
    // answer queue, fast when the request carried the marker.
    void browse(RecordingMessenger &net, const ShareRegistry &registry, bool fast = false) {
        AnswerQueue queue(net);
        const auto answer = [&] { return TProcessShareSendThread(registry, host).Execute(); };
        AnswerQueue::Pace paced = AnswerQueue::kPaced;
        paced.pauseMs = kSpacingMs;
        if (fast)
            queue.Submit(QStringLiteral("10.0.0.9"), {}, 0, [&] { return WithListEnd(answer()); }, AnswerQueue::kFast);
        else
            queue.Submit(QStringLiteral("10.0.0.9"), {}, 0, answer, paced);
        QTRY_VERIFY_WITH_TIMEOUT(queue.Idle(), 60000);
    }

private slots:
    void entriesThatCanTravel() {
        const ShareEntry e{QStringLiteral("노래.mp3"), QStringLiteral("3"), QStringLiteral("c"), QStringLiteral("/m/"),
                           QStringLiteral("PC"), QStringLiteral("10.0.0.2"), QStringLiteral("pw")};
        QCOMPARE(EntryText(e), QStringLiteral("노래.mp3;3;c;/m/;PC;10.0.0.2;pw;"));
        QCOMPARE(EntryBytes(e)->size(), qsizetype(32)); // 30 characters: each Korean one is two bytes

        ShareEntry semicolon = e;
        semicolon.name = QStringLiteral("a;b.txt");
        QVERIFY(!EntryBytes(semicolon));
        ShareEntry foreignName = e;
        foreignName.name = QStringLiteral("😀.txt");
        QVERIFY(!EntryBytes(foreignName));
        ShareEntry foreignFolder = e;
        foreignFolder.folder = QStringLiteral("/ø\u0D15/");
        QVERIFY(!EntryBytes(foreignFolder));
        ShareEntry foreignComment = e; // a comment is only shown: it travels with "?"
        foreignComment.comment = QStringLiteral("😀");
        QCOMPARE(*EntryBytes(foreignComment), QByteArray("\xB3\xEB\xB7\xA1.mp3;3;?;/m/;PC;10.0.0.2;pw;"));

        ShareEntry longest = entry({});
        const qsizetype rest = EntryBytes(longest)->size();
        longest.name = QString(kMaxEntryBytes - rest, QLatin1Char('n'));
        QCOMPARE(EntryBytes(longest)->size(), kMaxEntryBytes);
        longest.name += QLatin1Char('n');
        QVERIFY(!EntryBytes(longest));

        QVERIFY(!IsProtected(QStringLiteral(" \t ")));
        QVERIFY(IsProtected(QStringLiteral(" x ")));
    }

    void packing() {
        QStringList sent;
        int pauses = 0;
        QStringList pausedAfter;
        ListPacker packer([&](const QString &p) { sent << p; }, [&] { ++pauses; pausedAfter << sent.last(); });

        // Two entries whose bytes plus the 100-byte reserve come to exactly 4096.
        ShareEntry a = entry(QStringLiteral("a"));
        const qsizetype base = EntryBytes(a)->size();
        a.name = QString(2000 - base + 1, QLatin1Char('a'));
        ShareEntry b = entry(QString(1996 - base + 1, QLatin1Char('b')));
        QCOMPARE(EntryBytes(a)->size() + EntryBytes(b)->size(), qsizetype(3996));
        QVERIFY(packer.Add(a));
        QVERIFY(packer.Add(b));
        QVERIFY(sent.isEmpty());
        // One more byte starts a new datagram after the pause.
        QVERIFY(packer.Add(entry(QStringLiteral("c"))));
        QCOMPARE(sent.size(), 1);
        QCOMPARE(pauses, 1);
        QCOMPARE(sent[0], EntryText(a) + EntryText(b) + QStringLiteral("#END_LIST#"));
        QCOMPARE(CommandBytes(QStringLiteral("@_+G"), sent[0]).size(), qsizetype(4011));

        QVERIFY(!packer.Add(entry(QStringLiteral("x;y")))); // left out, the rest goes on
        packer.Finish();
        QCOMPARE(sent.size(), 2);
        QCOMPARE(pauses, 1); // none after the last datagram
        QCOMPARE(sent[1], QStringLiteral("c;10;;C:\\;PC;10.0.0.2;;#END_LIST#"));
        QCOMPARE(packer.Entries(), 3);
        packer.Finish(); // nothing pending: nothing more
        QCOMPARE(sent.size(), 2);
    }

    void fileNamedLikeTheListEnd() {
        // Read back, such a name ends the list: it stays out, and what follows it arrives.
        QStringList sent;
        ListPacker packer([&](const QString &p) { sent << p; }, [] {});
        QVERIFY(packer.Add(entry(QStringLiteral("a"))));
        QVERIFY(!packer.Add(entry(QStringLiteral("#END_LIST#"))));
        QVERIFY(packer.Add(entry(QStringLiteral("b"))));
        packer.Finish();
        QCOMPARE(packer.Entries(), 2);
        QCOMPARE(ReadListDatagram(QStringLiteral("@_+G;") + sent.join(QString())),
                 (QList<ShareEntry>{entry(QStringLiteral("a")), entry(QStringLiteral("b"))}));
        // Elsewhere in an entry the text is only text.
        ShareEntry commented = entry(QStringLiteral("c"));
        commented.comment = QStringLiteral("#END_LIST#");
        QVERIFY(ListPacker([](const QString &) {}, [] {}).Add(commented));
    }

    void packingCountsBytes() {
        // 600 Korean characters are 1200 bytes: three such entries overflow
        // 4096 bytes though they are far fewer characters.
        QStringList sent;
        ListPacker packer([&](const QString &p) { sent << p; }, [] {});
        for (int i = 0; i < 4; ++i) packer.Add(entry(QString(600, QChar(0xAC00 + i))));
        packer.Finish();
        QCOMPARE(sent.size(), 2);
        for (const QString &p : sent) QVERIFY(CommandBytes(QStringLiteral("@_+G"), p).size() <= 4011);
        QCOMPARE(ReadListDatagram(QStringLiteral("@_+G;") + sent[0]).size(), 3);
    }

    void readingDatagrams() {
        const ShareEntry one{QStringLiteral("a.txt"), QStringLiteral("12"), QStringLiteral("설명"),
                             QStringLiteral("C:\\A\\"), QStringLiteral("PC"), QStringLiteral("10.0.0.2"), QStringLiteral("pw")};
        const ShareEntry two = entry(QStringLiteral("b.txt"), QStringLiteral("/home/u/"));
        const QString full = QStringLiteral("@_+G;") + EntryText(one) + EntryText(two) + QStringLiteral("#END_LIST#");
        QCOMPARE(ReadListDatagram(full), (QList<ShareEntry>{one, two}));
        // Nothing is read past "#END_LIST#".
        QCOMPARE(ReadListDatagram(full + QStringLiteral(";x;1;;;;;;")).size(), 2);
        QCOMPARE(ReadListDatagram(QStringLiteral("@_+G;#END_LIST#")).size(), 0);
        QCOMPARE(ReadListDatagram(QStringLiteral("@_+G;")).size(), 0);
        QCOMPARE(ReadListDatagram(QStringLiteral("@_+G")).size(), 0);
        // Without "#END_LIST#": the incomplete entry, missing fields empty, and no more.
        QCOMPARE(ReadListDatagram(QStringLiteral("@_+G;a;1")),
                 (QList<ShareEntry>{{QStringLiteral("a"), QStringLiteral("1"), {}, {}, {}, {}, {}}}));
        // A closing ";" opens no phantom entry.
        QCOMPARE(ReadListDatagram(QStringLiteral("@_+G;") + EntryText(one)), QList<ShareEntry>{one});
        // A ";" inside a name shifts the fields; the reader still ends at the text's end.
        const QList<ShareEntry> garbled = ReadListDatagram(QStringLiteral("@_+G;x;y.txt;1;;C:\\;PC;1.2.3.4;;#END_LIST#"));
        QCOMPARE(garbled.size(), 2);
        QCOMPARE(garbled[0].size, QStringLiteral("y.txt"));
        QCOMPARE(garbled[1].size, QStringLiteral("#END_LIST#"));
    }

    void remotePaths() {
        QCOMPARE(SplitRemoteFolder(QStringLiteral("C:\\Music\\Old\\")),
                 (QStringList{QStringLiteral("C:"), QStringLiteral("Music"), QStringLiteral("Old")}));
        QCOMPARE(SplitRemoteFolder(QStringLiteral("C:\\")), QStringList{QStringLiteral("C:")});
        QCOMPARE(SplitRemoteFolder(QStringLiteral("share")), QStringList{QStringLiteral("share")});
        QCOMPARE(SplitRemoteFolder(QStringLiteral("\\\\srv\\share\\")), QStringList());
        QCOMPARE(SplitRemoteFolder(QStringLiteral("C:\\a\\\\b\\")), (QStringList{QStringLiteral("C:"), QStringLiteral("a")}));
        QCOMPARE(SplitRemoteFolder(QStringLiteral("/home/u/Music/")),
                 (QStringList{QStringLiteral("/"), QStringLiteral("home"), QStringLiteral("u"), QStringLiteral("Music")}));
        QCOMPARE(SplitRemoteFolder(QStringLiteral("/")), QStringList{QStringLiteral("/")});
        QCOMPARE(SplitRemoteFolder(QStringLiteral("/a\\b/c")), (QStringList{QStringLiteral("/"), QStringLiteral("a\\b"), QStringLiteral("c")}));
        QCOMPARE(NewNodeImage(QStringLiteral("C:"), false), int(kDriveDeeperImage));
        QCOMPARE(NewNodeImage(QStringLiteral("D:"), true), int(kDriveLastImage));
        QCOMPARE(NewNodeImage(QStringLiteral("/"), false), int(kDriveDeeperImage));
        QCOMPARE(NewNodeImage(QStringLiteral("/"), true), int(kDriveLastImage));
        QCOMPARE(NewNodeImage(QStringLiteral("Music"), false), int(kFolderDeeperImage));
        QCOMPARE(NewNodeImage(QStringLiteral("a"), true), int(kFolderLastImage));
        QCOMPARE(JoinRemoteFolder({QStringLiteral("C:"), QStringLiteral("A")}), QStringLiteral("C:\\A\\"));
        QCOMPARE(JoinRemoteFolder({QStringLiteral("/"), QStringLiteral("home")}), QStringLiteral("/home/"));
        QCOMPARE(JoinRemoteFolder({QStringLiteral("/")}), QStringLiteral("/"));
        QCOMPARE(RemoteSeparator(QStringLiteral("/x/")), QLatin1Char('/'));
        QCOMPARE(RemoteSeparator(QStringLiteral("C:\\")), QLatin1Char('\\'));
    }

    void folderListing() {
        const QString d = dir(QStringLiteral("listed"));
        touch(d + QStringLiteral("/a.txt"), 3);
        touch(d + QStringLiteral("/.hidden"), 5);
        touch(d + QStringLiteral("/readonly.txt"), 1);
        QFile::setPermissions(d + QStringLiteral("/readonly.txt"), QFileDevice::ReadOwner);
        touch(d + QStringLiteral("/노래.mp3"), 2);
        QDir().mkpath(d + QStringLiteral("/sub"));
        touch(d + QStringLiteral("/sub/inner.txt"), 4);
        QVERIFY(::mkfifo(QFile::encodeName(d + QStringLiteral("/pipe")).constData(), 0600) == 0);
        QFile::link(d + QStringLiteral("/sub"), d + QStringLiteral("/linkdir"));

        QMap<QString, qint64> seen;
        ForEachFolderFile(d, [&](const QString &name, qint64 size) { seen.insert(name, size); });
        QCOMPARE(seen, (QMap<QString, qint64>{{QStringLiteral(".hidden"), 5}, {QStringLiteral("a.txt"), 3},
                                               {QStringLiteral("readonly.txt"), 1}, {QStringLiteral("노래.mp3"), 2}}));
        int none = 0;
        ForEachFolderFile(d + QStringLiteral("/missing"), [&](const QString &, qint64) { ++none; });
        QCOMPARE(none, 0);

        QCOMPARE(ListedFolderPath(QStringLiteral("/srv/x")), QStringLiteral("/srv/x/"));
        QCOMPARE(ListedFolderPath(QStringLiteral("/srv/x/")), QStringLiteral("/srv/x/"));
        QCOMPARE(ListedFolderPath(QStringLiteral("C:\\x\\")), QStringLiteral("C:\\x\\"));
    }

    void shareEntries() {
        const QString d = dir(QStringLiteral("entries"));
        touch(d + QStringLiteral("/f.txt"), 7);
        const QList<ShareRecord> records{
            fileRecord(QStringLiteral("gone.doc"), QStringLiteral("/nowhere/"), QStringLiteral("1234"),
                       QStringLiteral("old"), QStringLiteral("PW")),
            folderRecord(d, QStringLiteral("설명")), // no closing "/": it gets one
        };
        QList<ShareEntry> all;
        ForEachShareEntry(records, {host.ComputerName, host.LocalIP}, [&](const ShareEntry &e) { all << e; });
        QCOMPARE(all,
                 (QList<ShareEntry>{{QStringLiteral("gone.doc"), QStringLiteral("1234"), QStringLiteral("old"),
                                     QStringLiteral("/nowhere/"), QStringLiteral("MYPC"), QStringLiteral("10.0.0.1"),
                                     QStringLiteral("PW")},
                                    {QStringLiteral("f.txt"), QStringLiteral("7"), QStringLiteral("설명"), d + QLatin1Char('/'),
                                     QStringLiteral("MYPC"), QStringLiteral("10.0.0.1"), {}}}));
    }

    void browseAnswerNothingShared() {
        const QString empty = dir(QStringLiteral("empty"));
        const QString onlySub = dir(QStringLiteral("onlysub"));
        dir(QStringLiteral("onlysub/deeper"));
        touch(onlySub + QStringLiteral("/deeper/x.txt"), 1);
        ShareRegistry registry;
        registry.Append(folderRecord(empty));
        registry.Append(folderRecord(onlySub));
        registry.Append(folderRecord(tmp.path() + QStringLiteral("/vanished")));
        RecordingMessenger net;
        net.SetSendSocket(42);
        browse(net, registry);
        QCOMPARE(net.Sent().size(), 1);
        QCOMPARE(net.Sent()[0].ip, QStringLiteral("10.0.0.9"));
        QCOMPARE(net.Sent()[0].port, quint16(8765));
        QCOMPARE(net.Sent()[0].bytes, QByteArray("@_+N;"));
        // A marked request gets the same reply and no end datagram.
        net.ClearSent();
        browse(net, registry, true);
        QCOMPARE(net.Sent().size(), 1);
        QCOMPARE(net.Sent()[0].bytes, QByteArray("@_+N;"));

        // Entries that cannot travel do not make a list either.
        ShareRegistry unfit;
        unfit.Append(fileRecord(QStringLiteral("a;b"), QStringLiteral("/x/"), QStringLiteral("1")));
        net.ClearSent();
        browse(net, unfit);
        QCOMPARE(net.Sent().size(), 1);
        QCOMPARE(net.Sent()[0].bytes, QByteArray("@_+N;"));
    }

    void browseAnswerInSpacedDatagrams() {
        const QString d = dir(QStringLiteral("many"));
        for (int i = 0; i < 150; ++i) touch(d + QStringLiteral("/file-with-a-longish-name-%1.dat").arg(i, 3, 10, QLatin1Char('0')), i);
        ShareRegistry registry;
        registry.Append(fileRecord(QStringLiteral("first.txt"), QStringLiteral("/docs/"), QStringLiteral("5")));
        registry.Append(folderRecord(d));
        RecordingMessenger net;
        net.SetSendSocket(42);
        QElapsedTimer t;
        t.start();
        browse(net, registry);
        const QList<SentDatagram> sent = net.Sent();
        QVERIFY(sent.size() >= 3);
        QVERIFY(t.elapsed() >= (sent.size() - 1) * kSpacingMs - 50); // paused after every full datagram
        for (const auto &dg : sent) {
            QVERIFY(dg.bytes.startsWith("@_+G;"));
            QVERIFY(dg.bytes.endsWith(";#END_LIST#"));
            QVERIFY(dg.bytes.size() <= 4011);
            QCOMPARE(dg.ip, QStringLiteral("10.0.0.9"));
        }
        const QList<ShareEntry> all = received(net);
        QCOMPARE(all.size(), 151);
        QCOMPARE(all.first().name, QStringLiteral("first.txt"));
        QCOMPARE(all.last().folder, d + QLatin1Char('/'));

        // The marked request: the same list datagrams byte for byte, then the
        // end datagram with their number.
        net.ClearSent();
        browse(net, registry, true);
        const QList<SentDatagram> fast = net.Sent();
        QCOMPARE(fast.size(), sent.size() + 1);
        for (int i = 0; i < sent.size(); ++i) QCOMPARE(fast[i].bytes, sent[i].bytes);
        QCOMPARE(fast.last().bytes, QByteArray("@_+E;") + QByteArray::number(sent.size()));
        QCOMPARE(fast.last().ip, QStringLiteral("10.0.0.9"));
    }

    void fastBrowseWire() {
        QVERIFY(AsksFastBrowse(QStringLiteral("@_+L;QMF1")));
        QVERIFY(AsksFastBrowse(QStringLiteral("@_+L;QMF1;later")));
        for (const char *t : {"@_+L;", "@_+L", "@_+L;QMF1x", "@_+L;qmf1", "@_+L;;QMF1"})
            QVERIFY2(!AsksFastBrowse(QString::fromLatin1(t)), t);
        QCOMPARE(ReadListEnd(QStringLiteral("@_+E;12")), std::optional<int>(12));
        for (const char *t : {"@_+E", "@_+E;", "@_+E;0", "@_+E;-3", "@_+E;x", "@_+E;99999999999"})
            QVERIFY2(!ReadListEnd(QString::fromLatin1(t)), t);
    }

    void fastAnswerSharesTheQueue() {
        RecordingMessenger net;
        net.SetSendSocket(42);
        AnswerQueue queue(net);
        AnswerQueue::Datagrams many;
        for (int i = 0; i < 200; ++i) many.append({QStringLiteral("@_+G"), QString::number(i)});
        queue.Submit(QStringLiteral("10.0.0.8"), {}, 0, [&] { return many; }, AnswerQueue::kFast);
        queue.Submit(QStringLiteral("10.0.0.9"), {}, 0, [] {
            return AnswerQueue::Datagrams{{QStringLiteral("@_+G"), QStringLiteral("p")}, {QStringLiteral("@_+G"), QStringLiteral("q")}};
        });
        QTRY_VERIFY_WITH_TIMEOUT(queue.Idle(), 20000);
        QList<QByteArray> fast;
        int pacedFirst = -1, fastLast = -1;
        const QList<SentDatagram> sent = net.Sent();
        for (int i = 0; i < sent.size(); ++i) {
            const SentDatagram &d = sent[i];
            if (d.ip == QStringLiteral("10.0.0.8")) {
                fast << d.bytes;
                fastLast = i;
            } else if (pacedFirst < 0) {
                pacedFirst = i;
            }
        }
        QCOMPARE(fast.size(), 200);
        for (int i = 0; i < 200; ++i) QCOMPARE(fast[i], "@_+G;" + QByteArray::number(i));
        // The other requester does not wait for the whole fast answer.
        QVERIFY(pacedFirst >= 0 && pacedFirst < fastLast);
    }

    void searchAnswer() {
        const QString music = dir(QStringLiteral("music"));
        touch(music + QStringLiteral("/Song.MP3"), 1);
        touch(music + QStringLiteral("/album.mp3.txt"), 1);
        touch(music + QStringLiteral("/cover.jpg"), 1);
        const QString docs = dir(QStringLiteral("docs"));
        touch(docs + QStringLiteral("/report.doc"), 1);
        touch(docs + QStringLiteral("/notes.txt"), 1);
        ShareRegistry registry;
        registry.Append(folderRecord(music));
        registry.Append(folderRecord(docs, QStringLiteral("Quarterly Papers")));
        registry.Append(fileRecord(QStringLiteral("mp3list.doc"), QStringLiteral("/x/"), QStringLiteral("9")));
        registry.Append(fileRecord(QStringLiteral("plain.bin"), QStringLiteral("/x/"), QStringLiteral("9"), QStringLiteral("MP3 player")));
        RecordingMessenger net;
        net.SetSendSocket(42);
        SearchResponder responder(net, registry, host, [] { return 0; });
        const auto search = [&](const QString &text) {
            net.ClearSent();
            responder.Answer(QStringLiteral("10.0.0.7"), QStringLiteral("@_&#;@_+B;") + text);
            [&] { QTRY_VERIFY(responder.Idle()); }();
            QStringList n = names(received(net));
            n.sort();
            return n;
        };
        QCOMPARE(search(QStringLiteral("mp3")), (QStringList{QStringLiteral("Song.MP3"), QStringLiteral("album.mp3.txt"),
                                                             QStringLiteral("mp3list.doc"), QStringLiteral("plain.bin")}));
        QCOMPARE(net.Sent()[0].ip, QStringLiteral("10.0.0.7"));
        // A folder record's comment gives every file of that folder.
        QCOMPARE(search(QStringLiteral("papers")), (QStringList{QStringLiteral("notes.txt"), QStringLiteral("report.doc")}));
        // A term matching the owner's name gives everything.
        QCOMPARE(search(QStringLiteral("ypc")).size(), 7);
        // ";" typed first leaves field 3 empty: everything.
        QCOMPARE(search(QStringLiteral(";mp3")).size(), 7);
        QCOMPARE(search(QStringLiteral("*.jpg, notes")), (QStringList{QStringLiteral("cover.jpg"), QStringLiteral("notes.txt")}));
        QCOMPARE(search(QStringLiteral("nomatch")), QStringList());
        QVERIFY(net.Sent().isEmpty()); // no negative answer

        ShareRegistry empty;
        SearchResponder silent(net, empty, host, [] { return 0; });
        silent.Answer(QStringLiteral("10.0.0.7"), QStringLiteral("@_&#;@_+B;"));
        QVERIFY(net.Sent().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestShareList)
#include "tst_sharelist.moc"
