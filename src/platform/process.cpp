#include "platform/process.h"

#include <QFile>

#include <vector>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace process {

namespace {

// Marks every descriptor from first up close-on-exec, so that the program gets
// none of ours (sockets of port 8765, files) while the error pipe still works
// until the exec. Only async-signal-safe calls: this runs between fork and exec.
void markDescriptorsCloseOnExec(int first) {
    if (::close_range(unsigned(first), ~0U, CLOSE_RANGE_CLOEXEC) == 0) return;
    const long limit = ::sysconf(_SC_OPEN_MAX);
    for (int fd = first; fd < (limit > 0 && limit < 65536 ? limit : 65536); ++fd) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}

// Puts passedFd at descriptor 3 for the program, first moving the error pipe
// out of the way should it be 3 itself. Returns the error pipe's descriptor.
int passDescriptor(int passedFd, int errorFd) {
    if (passedFd < 0) return errorFd;
    const int file = ::fcntl(passedFd, F_DUPFD_CLOEXEC, 4);
    const int error = ::fcntl(errorFd, F_DUPFD_CLOEXEC, 4);
    ::dup2(file, 3); // the copy at 3 stays open across the exec
    return error;
}

void resetSignals() {
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int s = 1; s < NSIG; ++s) ::signal(s, SIG_DFL);
}

bool writeAll(int fd, const void *data, size_t size) {
    const char *p = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= size_t(n);
    }
    return true;
}

// Reads exactly size bytes; false at an early end of the pipe.
bool readAll(int fd, void *data, size_t size) {
    char *p = static_cast<char *>(data);
    while (size > 0) {
        const ssize_t n = ::read(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= size_t(n);
    }
    return true;
}

} // namespace

qint64 StartDetached(const QString &program, const QStringList &args, int passedFd) {
    // Everything the child needs is prepared before the fork: after it, in a
    // program with threads, only async-signal-safe calls are allowed.
    const QByteArray path = QFile::encodeName(program);
    std::vector<QByteArray> storage;
    storage.reserve(size_t(args.size()) + 1);
    storage.push_back(path);
    for (const QString &a : args) storage.push_back(a.toUtf8());
    std::vector<char *> argv;
    for (QByteArray &s : storage) argv.push_back(s.data());
    argv.push_back(nullptr);
    // The environment as it is, and the name of the passed descriptor.
    const QByteArray passedEntry = QByteArray(kPassedFdVariable) + "=3";
    std::vector<char *> envp;
    for (char **e = environ; *e; ++e)
        if (!QByteArray(*e).startsWith(QByteArray(kPassedFdVariable) + '=')) envp.push_back(*e);
    if (passedFd >= 0) envp.push_back(const_cast<char *>(passedEntry.constData()));
    envp.push_back(nullptr);

    int pidPipe[2];
    int execPipe[2];
    if (::pipe2(pidPipe, O_CLOEXEC) != 0) return -1;
    if (::pipe2(execPipe, O_CLOEXEC) != 0) {
        ::close(pidPipe[0]);
        ::close(pidPipe[1]);
        return -1;
    }

    const pid_t child = ::fork();
    if (child == 0) {
        // The middle process only starts the program and ends, so that the
        // program is adopted by init and never lingers as our zombie.
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            resetSignals();
            const int errorFd = passDescriptor(passedFd, execPipe[1]);
            markDescriptorsCloseOnExec(passedFd < 0 ? 3 : 4);
            ::execve(argv[0], argv.data(), envp.data());
            const int error = errno;
            writeAll(errorFd, &error, sizeof error);
            ::_exit(127);
        }
        const qint64 id = grandchild;
        writeAll(pidPipe[1], &id, sizeof id);
        ::_exit(grandchild > 0 ? 0 : 1);
    }
    ::close(pidPipe[1]);
    ::close(execPipe[1]);
    qint64 id = -1;
    if (child > 0) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        if (!readAll(pidPipe[0], &id, sizeof id)) id = -1;
        // The exec pipe closes without a word when the exec succeeded.
        int error = 0;
        if (id > 0 && readAll(execPipe[0], &error, sizeof error)) id = -1;
    }
    ::close(pidPipe[0]);
    ::close(execPipe[0]);
    return id;
}

} // namespace process
