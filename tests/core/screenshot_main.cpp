// Saves a picture of the main window with a few peers and rows, for looking at:
// DESIGN01 has fallen silent and is dimmed, with its last answer as a tooltip
// (on a real display the picture is of the screen, tooltip included).
#include "core/mainform.h"
#include "testform.h"
#include "listing/listingcontroller.h"
#include "peers/peerdirectory.h"
#include "recordingmessenger.h"

#include <QApplication>
#include <QScreen>
#include <QToolTip>
#include <QTest>
#include <QTreeWidget>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    // Short enough to wait for one computer to dim, long enough for the
    // others to stay bright until the picture is taken.
    Timings timings;
    timings.announceMs = 1000;
    TestForm form(std::make_unique<RecordingMessenger>(), timings);
    form.resize(1000, 640);
    form.show();
    QTest::qWait(300);
    PeerDirectory &p = form.session().peers();
    p.AddPresence(QStringLiteral("10.0.0.6"), QStringLiteral("WORKGROUP"), QStringLiteral("DESIGN01"));
    if (!QTest::qWaitFor([&] { return p.Computers().value(0).dimmed; }, 5000)) return 1;
    p.AddPresence(QStringLiteral("10.0.0.5"), QStringLiteral("WORKGROUP"), QStringLiteral("경리부-PC"));
    p.AddPresence(QStringLiteral("10.0.0.7"), QStringLiteral("개발팀"), QStringLiteral("DEV-KIM"));
    form.TV_Person()->expandAll();
    QList<ShareEntry> rows;
    for (int i = 0; i < 5; ++i)
        rows.append({QStringLiteral("보고서_%1.hwp").arg(i), QString::number(1024 * (i + 1)), QStringLiteral("월간 보고"),
                     QStringLiteral("C:\\문서\\"), QStringLiteral("경리부-PC"), QStringLiteral("10.0.0.5"), QString()});
    form.listing().views().AddEntries(rows);
    form.SetStatusText(QStringLiteral("대상: 경리부-PC,  파일수: 5 개"));
    QTreeWidgetItem *silent = form.TV_Person()->findItems(QStringLiteral("DESIGN01"), Qt::MatchRecursive).value(0);
    const QRect at = form.TV_Person()->visualItemRect(silent);
    QToolTip::showText(form.TV_Person()->viewport()->mapToGlobal(at.center()), silent->toolTip(0), form.TV_Person());
    QTest::qWait(300);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/main.png");
    const QPixmap screen = form.screen()->grabWindow(0);
    (screen.isNull() ? form.grab() : screen.copy(form.frameGeometry())).save(out);
    return 0;
}
