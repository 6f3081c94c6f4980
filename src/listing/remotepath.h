#pragma once
// How a remote folder path forms the remote share tree. A Windows path
// (C:\Music\Old\) splits at "\"; a POSIX path (/home/u/Music/) splits at "/",
// with "/" itself as its first, drive-like component.
#include <QChar>
#include <QString>
#include <QStringList>

// Node images of the remote share tree; they tell the node kinds apart.
enum RemoteNodeImage {
    kShareRootImage = 0,    // "전체"
    kOwnerImage = 1,        // an owner's computer name
    kDriveDeeperImage = 2,  // a drive that had deeper parts when it was made
    kDriveLastImage = 3,    // a drive that was the last part of its path
    kFolderDeeperImage = 4, // a folder that had deeper parts when it was made
    kFolderLastImage = 5,   // a folder that was the last part of its path
};

// "/" for a path that begins with "/", else "\".
QChar RemoteSeparator(const QString &folder);

// The components of a remote folder path, from the left up to its first empty
// one: "C:\A\B\" gives C:, A, B; "/home/u/" gives /, home, u; a path without
// any separator is one component; "\\server\share\" gives none.
QStringList SplitRemoteFolder(const QString &folder);

// The image of a new tree node for component; last: no further component follows.
int NewNodeImage(const QString &component, bool last);

// The folder path that rows of the components hold: C:, A gives "C:\A\";
// /, home gives "/home/"; / alone gives "/".
QString JoinRemoteFolder(const QStringList &components);
