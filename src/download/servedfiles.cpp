#include "download/servedfiles.h"

#include "listing/folderlisting.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool directlyInside(const QString &folder, const QString &path) {
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    if (!path.startsWith(prefix)) return false;
    const QString name = path.mid(prefix.size());
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && name != QLatin1String(".") &&
           name != QLatin1String("..");
}

// The record that publishes path, or null. A link that leads out of the
// record's folder is not served, a file record's own included: whoever can
// write in that folder could point it at any file of this user's.
const ShareRecord *publisher(const QList<ShareRecord> &records, const QString &path) {
    for (const ShareRecord &r : records) {
        if (r.kind == ShareKind::File ? r.FullPath() == path && StaysInFolder(r.folder, path)
                                      : directlyInside(r.name, path) && StaysInFolder(r.name, path))
            return &r;
    }
    return nullptr;
}

// Where the open file really is, whatever links led to it.
QString openedPath(int fd) {
    char target[4096];
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(fd);
    const ssize_t n = ::readlink(link.constData(), target, sizeof target);
    return n > 0 && n < ssize_t(sizeof target) ? QFile::decodeName(QByteArray(target, n)) : QString();
}

} // namespace

qint64 ServedFileSize(const QList<ShareRecord> &records, const QString &path) {
    if (path.isEmpty() || !publisher(records, path)) return -1;
    const QFileInfo info(path);
    return info.isFile() ? info.size() : -1;
}

int OpenServedFile(const QList<ShareRecord> &records, const QString &path, qint64 *size) {
    const ShareRecord *record = path.isEmpty() ? nullptr : publisher(records, path);
    if (!record) return -1;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st {};
    const QString folder = record->kind == ShareKind::File ? record->folder : record->name;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !StaysInFolder(folder, openedPath(fd))) {
        ::close(fd);
        return -1;
    }
    *size = st.st_size;
    return fd;
}
