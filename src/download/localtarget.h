#pragma once
// Where a downloaded file goes: a folder the user chose, and a path below it
// made only of names that cannot lead out of it, whatever a peer sent.
#include <QString>
#include <QStringList>

struct LocalTarget {
    QString folder;   // the chosen target folder, without a trailing "/"
    QString relative; // "/"-joined names below folder; empty when nothing safe was left

    bool IsValid() const { return !relative.isEmpty(); }
    // The full local path, as the download list shows it.
    QString Path() const;
    // The folder of Path().
    QString Folder() const;
    // The same place under the desktop's name for a further copy: "readme (2).txt".
    LocalTarget Numbered(int n) const;
};

// A name a peer gave to a file that can name a local file on its own: not
// empty, not "." or "..", and without a "/" or "\".
bool IsPlainFileName(const QString &name);

// The parts of a remote path that can be local folder names. The path is
// split at "\" and "/" alike (a Windows peer's name may hold a "/"), every
// ":" is removed, and empty, "." and ".." parts are dropped.
QStringList LocalParts(const QString &remote);

// folder without its trailing "/" (the root stays "/").
QString TrimFolder(const QString &folder);

// The target for parts below folder: all but the last name pass through
// LocalParts once more; the last is the file name, kept as it is, and the
// target is not valid when that is no plain file name.
LocalTarget MakeTarget(const QString &folder, const QStringList &parts);
