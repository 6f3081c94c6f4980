#include "listing/remotepath.h"

namespace {

const QChar kPosixSeparator = QLatin1Char('/');
const QChar kWindowsSeparator = QLatin1Char('\\');

// The components of path split at sep, up to the first empty one.
void appendComponents(QStringList &out, QStringView path, QChar sep) {
    qsizetype start = 0;
    while (start < path.size()) {
        qsizetype end = path.indexOf(sep, start);
        if (end < 0) end = path.size();
        if (end == start) return;
        out << path.mid(start, end - start).toString();
        start = end + 1;
    }
}

} // namespace

QChar RemoteSeparator(const QString &folder) {
    return folder.startsWith(kPosixSeparator) ? kPosixSeparator : kWindowsSeparator;
}

QStringList SplitRemoteFolder(const QString &folder) {
    QStringList components;
    if (folder.startsWith(kPosixSeparator)) {
        components << QString(kPosixSeparator);
        appendComponents(components, QStringView(folder).mid(1), kPosixSeparator);
    } else {
        appendComponents(components, folder, kWindowsSeparator);
    }
    return components;
}

int NewNodeImage(const QString &component, bool last) {
    const bool drive = component == QString(kPosixSeparator) || (component.size() >= 2 && component[1] == QLatin1Char(':'));
    if (drive) return last ? kDriveLastImage : kDriveDeeperImage;
    return last ? kFolderLastImage : kFolderDeeperImage;
}

QString JoinRemoteFolder(const QStringList &components) {
    if (components.isEmpty()) return {};
    if (components.first() == QString(kPosixSeparator)) {
        QString path(kPosixSeparator);
        for (qsizetype i = 1; i < components.size(); ++i) path += components[i] + kPosixSeparator;
        return path;
    }
    return components.join(kWindowsSeparator) + kWindowsSeparator;
}
