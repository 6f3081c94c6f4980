// Vellicor: the file server. Started by the program once per served file with
// the requester's address, the port, the requester's name, the file's path,
// its size, the start offset and the launch token; it sends that one file to
// that one requester and ends.
#include "vellicor/fileserver.h"
#include "vellicor/serverwindow.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <arpa/inet.h>
#include <sys/stat.h>

namespace {

constexpr int kArgumentCount = 7;
// The program hands over the file it checked as descriptor 3 and says so in
// this variable; any other descriptor 3 is none of ours.
constexpr const char *kPassedFdVariable = "QUILLMERE_PASSED_FD";
constexpr int kPassedFile = 3;

bool parsePort(const char *text, uint16_t &port) {
    unsigned value = 0;
    const char *end = text + std::strlen(text);
    const auto [p, ec] = std::from_chars(text, end, value);
    if (ec != std::errc() || p != end || value == 0 || value > 65535) return false;
    port = uint16_t(value);
    return true;
}

// Not a number or negative: from the start.
int64_t parseOffset(const char *text) {
    int64_t value = 0;
    const char *end = text + std::strlen(text);
    const auto [p, ec] = std::from_chars(text, end, value);
    return ec == std::errc() && p == end && value > 0 ? value : 0;
}

// A window only where there is a screen to show it on.
bool haveDisplay() {
    const char *platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && (std::strncmp(platform, "offscreen", 9) == 0 || std::strncmp(platform, "minimal", 7) == 0))
        return false;
    const char *x = std::getenv("DISPLAY");
    const char *wayland = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wayland && *wayland);
}

int serveWithWindow(FileServer &server, char *program, const char *path, const char *requester) {
    // A display that cannot be reached falls back to no window at all.
    if (!std::getenv("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", std::getenv("WAYLAND_DISPLAY") ? "wayland;xcb;offscreen" : "xcb;offscreen");
    // The arguments come from the requester ("-platform" is a fine computer
    // name to send): Qt sees none of them, so none can act as its option.
    int qtArgc = 1;
    char *qtArgv[] = {program, nullptr};
    QApplication app(qtArgc, qtArgv);
    ServerWindow window(server, QFileInfo(QFile::decodeName(path)).fileName(), QString::fromUtf8(requester));
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) window.show();

    std::atomic<bool> finished{false};
    bool done = false;
    std::thread worker([&] {
        done = server.Serve();
        finished.store(true);
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    app.exec();
    if (!finished.load()) {
        // The user closed the window before the end: the requester must see a
        // broken transfer, not a complete one.
        server.Abort();
        std::_Exit(1);
    }
    worker.join();
    return done ? 0 : 1;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != kArgumentCount + 1) return 2;
    // A requester that goes away must end a send with an error, not the process.
    std::signal(SIGPIPE, SIG_IGN);

    ServeRequest request;
    if (::inet_pton(AF_INET, argv[1], &request.requester) != 1) return 2;
    if (!parsePort(argv[2], request.port)) return 2;
    request.path = argv[4];
    request.startOffset = parseOffset(argv[6]);
    struct stat passed {};
    const char *passedFd = std::getenv(kPassedFdVariable);
    if (passedFd && std::strcmp(passedFd, "3") == 0 && ::fstat(kPassedFile, &passed) == 0 && S_ISREG(passed.st_mode))
        request.file = kPassedFile;

    // Listening comes first: the requester connects about 100 ms after it has been told the port.
    FileServer server;
    if (!server.Open(request)) return 1;
    if (haveDisplay()) return serveWithWindow(server, argv[0], argv[4], argv[3]);
    return server.Serve() ? 0 : 1;
}
