// The window module's entry point: Qt's application, the server on a worker
// thread, and the window until the server ends.
#include "vellicor/serverwindow.h"
#include "vellicor/windowmodule.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cstdlib>
#include <thread>

int vellicor_serve_with_window(ServingTask *task, char *program, const char *path, const char *requester) {
    // A display that cannot be reached falls back to no window at all.
    if (!std::getenv("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", std::getenv("WAYLAND_DISPLAY") ? "wayland;xcb;offscreen" : "xcb;offscreen");
    // The arguments come from the requester ("-platform" is a fine computer
    // name to send): Qt sees none of them, so none can act as its option.
    int qtArgc = 1;
    char *qtArgv[] = {program, nullptr};
    QApplication app(qtArgc, qtArgv);
    ServerWindow window(*task, QFileInfo(QFile::decodeName(path)).fileName(), QString::fromUtf8(requester));
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) window.show();

    std::atomic<bool> finished{false};
    bool done = false;
    std::thread worker([&] {
        done = task->Serve();
        finished.store(true);
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    app.exec();
    if (!finished.load()) {
        // The user closed the window before the end: the requester must see a
        // broken transfer, not a complete one.
        task->Abort();
        std::_Exit(1);
    }
    worker.join();
    return done ? 0 : 1;
}
