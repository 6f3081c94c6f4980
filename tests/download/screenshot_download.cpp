// Saves a picture of the download window while a file arrives over a slow
// link, its speed and time left shown, with more files waiting; for looking at.
#include "clientharness.h"
#include "shottheme.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    ApplyShotTheme();
    QTemporaryDir dir;
    ClientHarness h;
    const QStringList names{QStringLiteral("연간보고서.pdf"), QStringLiteral("발표자료.pptx"), QStringLiteral("예산안.xlsx")};
    for (const QString &name : names)
        h.down().AddDownload(name, QStringLiteral("경리부-PC"), true, MakeTarget(dir.path(), {name}),
                             QStringLiteral("/srv/"), kOwnerIP);
    h.down().resize(900, 320);
    h.down().ShowInFront();
    if (!QTest::qWaitFor([&] { return h.state(0) == rowstate::Connecting; }, 10000)) return 1;
    // About 2 MB/s: long enough for the speed and the time left to settle.
    const qint64 size = 40 * 1024 * 1024;
    ScriptedFileServer server(Pattern(size), ScriptedFileServer::Ending::Close, 20000);
    h.answer(QStringLiteral("/srv/") + names[0], size, server.port());
    auto *speed = h.down().findChild<QLabel *>(QStringLiteral("StsFile_Speed"));
    if (!QTest::qWaitFor([&] { return speed->text().contains(QStringLiteral("남음")); }, 20000)) return 1;
    QTest::qWait(2500);
    const QPixmap screen = h.down().screen()->grabWindow(0);
    (screen.isNull() ? h.down().grab() : screen.copy(h.down().frameGeometry()))
        .save(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/download-running.png"));
    return 0;
}
