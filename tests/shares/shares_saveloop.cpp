// Saves two different share lists into one configuration file, one after the
// other, until it is killed: the subject of the test that kills a save.
#include "shares/sharepersistence.h"
#include "shares/shareregistry.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) return 2;
    const QString ini = QString::fromLocal8Bit(argv[1]);
    ShareRegistry lists[2];
    for (int which = 0; which < 2; ++which)
        for (int i = 0; i < ShareRegistry::kCapacity; ++i) {
            ShareRecord r;
            r.folder = QStringLiteral("/srv/share/");
            r.name = QStringLiteral("file%1.bin").arg(i);
            r.comment = QString(2000, QLatin1Char(which ? 'B' : 'A'));
            lists[which].Append(r);
        }
    std::puts("saving");
    std::fflush(stdout);
    for (int n = 0;; ++n)
        if (!SaveShares(lists[n % 2], ini, nullptr)) return 1;
}
