// Browse and search answers of a shared folder of 100,000 files: listing,
// matching and packing (without the pauses between datagrams), and the
// wildcard matcher beside fnmatch(3) on the same names and patterns.
#include "listing/folderlisting.h"
#include "listing/searchresponder.h"
#include "listing/searchterms.h"
#include "listing/sharelisting.h"
#include "shares/shareregistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <fnmatch.h>

#include <cstdio>

namespace {

constexpr int kFiles = 100000;

QString nameOf(int i) {
    static const char *const kinds[] = {"mp3", "ogg", "txt", "jpg", "doc"};
    if (i % 10 == 0) return QStringLiteral("노래모음-%1.%2").arg(i, 6, 10, QLatin1Char('0')).arg(QLatin1String(kinds[i % 5]));
    return QStringLiteral("Track %1 - Artist Name.%2").arg(i, 6, 10, QLatin1Char('0')).arg(QLatin1String(kinds[i % 5]));
}

struct Answer {
    double ms;
    int entries;
    int datagrams;
    qint64 bytes;
};

template <typename Pack> Answer timed(Pack pack) {
    qint64 bytes = 0;
    ListPacker packer([&](const QString &payload) { bytes += payload.size(); }, [] {});
    QElapsedTimer t;
    t.start();
    pack(packer);
    packer.Finish();
    return {t.nsecsElapsed() / 1e6, packer.Entries(), packer.Datagrams(), bytes};
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir tmp;
    const QString folder = tmp.path() + QStringLiteral("/shared");
    QDir().mkpath(folder);
    for (int i = 0; i < kFiles; ++i) {
        QFile f(folder + QLatin1Char('/') + nameOf(i));
        if (!f.open(QIODevice::WriteOnly)) return 1;
        if (i % 7 == 0) f.write("x");
    }
    ShareRecord record;
    record.name = folder;
    record.size = QStringLiteral("%1 files").arg(kFiles);
    record.kind = ShareKind::Folder;
    const QList<ShareRecord> records{record};
    const ListOrigin origin{QStringLiteral("BENCHPC"), QStringLiteral("10.77.0.11")};

    int listed = 0;
    QElapsedTimer t;
    t.start();
    ForEachFolderFile(folder, [&](const QString &, qint64) { ++listed; });
    std::printf("folder listing: %d files in %.1f ms\n", listed, t.nsecsElapsed() / 1e6);

    const auto report = [](const char *what, const Answer &a) {
        std::printf("%s: %.1f ms, %d entries in %d datagrams (%lld characters)\n", what, a.ms, a.entries, a.datagrams,
                    static_cast<long long>(a.bytes));
    };
    report("browse answer", timed([&](ListPacker &p) { PackShareList(records, origin, p); }));
    for (const char *text : {"mp3", "*.og?, 노래", "nomatch"})
        report(qPrintable(QStringLiteral("search answer \"%1\"").arg(QString::fromUtf8(text))),
               timed([&](ListPacker &p) { SearchResponder::PackSearchAnswer(records, origin, QString::fromUtf8(text), p); }));

    // The matcher beside fnmatch(3): the same lower-case names and patterns.
    QList<QString> names;
    QList<QByteArray> utf8;
    for (int i = 0; i < kFiles; ++i) {
        names << nameOf(i).toLower();
        utf8 << names.last().toUtf8();
    }
    for (const char *pattern : {"*mp3*", "*.mp?*", "track 0001*", "*a?t*", "*노래*"}) {
        const QString p = QString::fromUtf8(pattern);
        const QByteArray p8 = p.toUtf8();
        constexpr int rounds = 10;
        int ours = 0, theirs = 0, differ = 0;
        t.restart();
        for (int r = 0; r < rounds; ++r)
            for (const QString &n : names) ours += WildcardMatch(n, p);
        const double oursSec = t.nsecsElapsed() / 1e9;
        t.restart();
        for (int r = 0; r < rounds; ++r)
            for (const QByteArray &n : utf8) theirs += fnmatch(p8.constData(), n.constData(), 0) == 0;
        const double theirsSec = t.nsecsElapsed() / 1e9;
        for (int i = 0; i < kFiles; ++i)
            differ += WildcardMatch(names[i], p) != (fnmatch(p8.constData(), utf8[i].constData(), 0) == 0);
        std::printf("pattern %-12s matcher %6.2f M names/s (%d hits)   fnmatch %6.2f M names/s (%d hits)   differ %d\n",
                    pattern, rounds * kFiles / oursSec / 1e6, ours / rounds, rounds * kFiles / theirsSec / 1e6,
                    theirs / rounds, differ);
    }
    return 0;
}
