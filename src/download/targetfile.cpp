#include "download/targetfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <utility>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>
#if __has_include(<linux/openat2.h>)
#include <linux/openat2.h>
#endif

namespace {

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

// Opens relative (names joined by "/", none of them "..") below the folder
// dirfd. With openat2 a link may be followed as long as it stays beneath
// dirfd; without it no link is followed at all.
int OpenBeneath(int dirfd, const QString &relative, int flags, mode_t mode = 0) {
    const QByteArray rel = QFile::encodeName(relative);
#if defined(SYS_openat2) && defined(RESOLVE_BENEATH)
    open_how how{};
    how.flags = quint64(flags | O_CLOEXEC);
    how.mode = (flags & O_CREAT) ? mode : 0;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    const int fd = int(::syscall(SYS_openat2, dirfd, rel.constData(), &how, sizeof how));
    // Kernels before 5.6, and sandboxes that filter the call, refuse it as a whole.
    if (fd >= 0 || (errno != ENOSYS && errno != EPERM)) return fd;
#endif
    const QStringList parts = relative.split(QLatin1Char('/'));
    Fd dir;
    int at = dirfd;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        if (parts[i] == QLatin1String("..")) return errno = EXDEV, -1;
        const int next = ::openat(at, QFile::encodeName(parts[i]).constData(),
                                  O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) return -1;
        dir.reset(next);
        at = next;
    }
    if (parts.last() == QLatin1String("..")) return errno = EXDEV, -1;
    return ::openat(at, QFile::encodeName(parts.last()).constData(), flags | O_NOFOLLOW | O_CLOEXEC, mode);
}

int OpenFolder(const LocalTarget &target) {
    return ::open(QFile::encodeName(target.folder).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

} // namespace

TargetFile::~TargetFile() { Close(); }

void TargetFile::MakeFolders(const LocalTarget &target) {
    // The chosen folder may have been removed while the row waited.
    if (!QFileInfo(target.folder).isDir()) QDir().mkpath(target.folder);
    Fd base(OpenFolder(target));
    if (base.get() < 0) return;
    QStringList parts = target.relative.split(QLatin1Char('/'));
    parts.removeLast();
    for (qsizetype i = 0; i < parts.size(); ++i) {
        Fd parent(i == 0 ? ::fcntl(base.get(), F_DUPFD_CLOEXEC, 0)
                         : OpenBeneath(base.get(), parts.mid(0, i).join(QLatin1Char('/')), O_PATH | O_DIRECTORY));
        if (parent.get() < 0) return;
        ::mkdirat(parent.get(), QFile::encodeName(parts[i]).constData(), 0777);
    }
}

bool TargetFile::HasRoom(const LocalTarget &target, qint64 bytes) {
    struct statvfs fs {};
    // A folder that cannot be asked is left to fail at Open.
    if (bytes <= 0 || ::statvfs(QFile::encodeName(target.Folder()).constData(), &fs) != 0) return true;
    return quint64(bytes) <= quint64(fs.f_bavail) * quint64(fs.f_frsize);
}

qint64 TargetFile::ExistingSize(const LocalTarget &target) {
    if (!target.IsValid()) return -1;
    Fd base(OpenFolder(target));
    if (base.get() < 0) return -1;
    Fd file(OpenBeneath(base.get(), target.relative, O_PATH));
    struct stat st {};
    if (file.get() < 0 || ::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return qint64(st.st_size);
}

bool TargetFile::Remove(const LocalTarget &target) {
    if (ExistingSize(target) < 0) return false;
    Fd base(OpenFolder(target));
    const qsizetype slash = target.relative.lastIndexOf(QLatin1Char('/'));
    Fd parent(slash < 0 ? ::fcntl(base.get(), F_DUPFD_CLOEXEC, 0)
                        : OpenBeneath(base.get(), target.relative.left(slash), O_PATH | O_DIRECTORY));
    if (parent.get() < 0) return false;
    return ::unlinkat(parent.get(), QFile::encodeName(target.relative.mid(slash + 1)).constData(), 0) == 0;
}

bool TargetFile::Open(const LocalTarget &target, qint64 offset) {
    Close();
    failed_ = false;
    if (!target.IsValid()) return false;
    Fd base(OpenFolder(target));
    if (base.get() < 0) return false;
    // Without O_NONBLOCK a FIFO would hold the program in open(); the file is
    // truncated only once it is known to be a regular one.
    const int flags = offset > 0 ? O_WRONLY | O_NONBLOCK : O_WRONLY | O_NONBLOCK | O_CREAT;
    Fd file(OpenBeneath(base.get(), target.relative, flags, 0666));
    struct stat st {};
    if (file.get() < 0 || ::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (::fcntl(file.get(), F_SETFL, 0) != 0) return false;
    // A file that is empty already is not cut: on ext4 a cut to nothing makes
    // the close write the whole file out, holding the main thread for as long.
    if (offset <= 0 && st.st_size > 0 && ::ftruncate(file.get(), 0) != 0) return false;
    if (offset > 0 && ::lseek(file.get(), off_t(offset), SEEK_SET) != off_t(offset)) return false;
    fd_ = file.release();
    return true;
}

qsizetype TargetFile::Write(const char *data, qsizetype n) {
    qsizetype done = 0;
    while (!failed_ && done < n) {
        const ssize_t w = ::write(fd_, data + done, size_t(n - done));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) failed_ = true;
        else done += w;
    }
    return done;
}

bool TargetFile::Close() {
    if (fd_ < 0) return !failed_;
    if (::close(fd_) != 0) failed_ = true;
    fd_ = -1;
    return !failed_;
}
