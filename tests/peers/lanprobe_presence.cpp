// Runs the real main window inside a host of the test LAN and waits until its
// peer tree lists the computers named in QM_EXPECT ("GROUP/NAME,..."). With
// QM_LINGER_MS it then stays on the LAN that long, announcing as copies do.
#include "wiredform.h"
#include "core/session.h"
#include "peers/personinfo.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTest>
#include <QTreeWidget>

#include <cstdio>

static QStringList treeLines(QTreeWidget *tree) {
    QStringList lines;
    QTreeWidgetItem *root = tree->topLevelItem(0);
    if (!root) return lines;
    for (int g = 0; g < root->childCount(); ++g)
        for (int c = 0; c < root->child(g)->childCount(); ++c)
            lines << root->child(g)->text(0) + QLatin1Char('/') + root->child(g)->child(c)->text(0) +
                         QLatin1Char('@') + PersonInfoOf(root->child(g)->child(c)).IP;
    return lines;
}

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    const QStringList expected = qEnvironmentVariable("QM_EXPECT").split(QLatin1Char(','));
    Session session(nullptr, Timings::FromEnvironment());
    WiredForm form(session);
    form.show();
    QElapsedTimer t;
    t.start();
    QStringList lines;
    while (t.elapsed() < 20000) {
        QTest::qWait(100);
        lines = treeLines(form.TV_Person());
        QStringList names;
        for (const QString &l : lines) names << l.section(QLatin1Char('@'), 0, 0);
        if (names.size() == expected.size() && QSet<QString>(names.begin(), names.end()) ==
                                                   QSet<QString>(expected.begin(), expected.end()))
            break;
    }
    std::printf("elapsed_ms=%lld done_at=%lld\n", static_cast<long long>(t.elapsed()),
                static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
    for (const QString &l : lines) std::printf("%s\n", qPrintable(l));
    std::printf("done\n");
    std::fflush(stdout);
    // Lingering ends early when the test LAN ends the copy.
    (void)QTest::qWaitFor([&] { return !form.isVisible(); }, qEnvironmentVariableIntValue("QM_LINGER_MS"));
    form.close();
    return 0;
}
