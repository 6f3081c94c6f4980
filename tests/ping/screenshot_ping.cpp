// Saves a picture of the ping window's report of a real ping of this host
// (run it in a network namespace of its own) into the folder given (default /tmp).
#include "ping/neticmp.h"
#include "platform/icmpecho.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp");
    TPingForm form(nullptr, QStringLiteral("LOOP (127.0.0.1) - PING"), QStringLiteral("127.0.0.1"),
                   std::make_unique<echo::IcmpEcho>());
    QSignalSpy finished(&form, &TPingForm::runFinished);
    form.show();
    if (!finished.wait(40000)) return 1;
    QTest::qWait(200);
    form.grab().save(folder + QStringLiteral("/ping_report.png"));
    return 0;
}
