// Vellicor: the file server. Started by the program once per served file with
// the requester's address, the port, the requester's name, the file's path,
// its size, the start offset and the launch token; it sends that one file to
// that one requester and ends.
#include "vellicor/fileserver.h"
#include "vellicor/windowmodule.h"

#include <charconv>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#include <arpa/inet.h>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The window module from this program's own folder, never from a path that
// the environment or the requester's arguments could name; nullptr where it
// is missing or cannot load (Qt's libraries not installed).
decltype(&vellicor_serve_with_window) loadWindow() {
    char self[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self);
    if (n <= 0 || size_t(n) == sizeof self) return nullptr;
    std::string path(self, size_t(n));
    path.erase(path.rfind('/') + 1);
    void *module = ::dlopen((path + kWindowModule).c_str(), RTLD_NOW | RTLD_LOCAL);
    return module ? reinterpret_cast<decltype(&vellicor_serve_with_window)>(::dlsym(module, kWindowEntry)) : nullptr;
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
    const auto serveWithWindow = haveDisplay() ? loadWindow() : nullptr;
    if (serveWithWindow) return serveWithWindow(&server, argv[0], argv[4], argv[3]);
    return server.Serve() ? 0 : 1;
}
