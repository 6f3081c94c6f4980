#pragma once
// The local file a download writes, opened beneath its target folder: a
// symbolic link on the way that leads out of the folder is never followed.
#include "download/localtarget.h"

#include <QByteArray>

class TargetFile {
public:
    TargetFile() = default;
    ~TargetFile();
    TargetFile(const TargetFile &) = delete;
    TargetFile &operator=(const TargetFile &) = delete;

    // Creates the folders of target, one level at a time: the chosen folder
    // itself as needed, then those below it; a level that cannot be made is
    // left to fail at Open.
    static void MakeFolders(const LocalTarget &target);
    // Whether the file system of target's folder has room for bytes more.
    static bool HasRoom(const LocalTarget &target, qint64 bytes);
    // Size of the regular file at target, or -1 when there is none beneath the folder.
    static qint64 ExistingSize(const LocalTarget &target);
    // Deletes the regular file at target beneath its folder; false when there was none.
    static bool Remove(const LocalTarget &target);

    // offset > 0: opens the existing file without truncating it and writes
    // from offset on; otherwise creates or truncates it. Anything but a
    // regular file is refused, without waiting on it (a FIFO).
    bool Open(const LocalTarget &target, qint64 offset);
    bool IsOpen() const { return fd_ >= 0; }

    // Room for at least n more bytes at the end of the pending data; Commit
    // takes n of them. Pending data goes to the disk in large writes.
    char *Reserve(qsizetype n);
    // False when a write failed; what was written before stays in the file.
    bool Commit(qsizetype n);
    bool Flush();
    // Flushes and closes; false when the last write failed.
    bool Close();

private:
    int fd_ = -1;
    QByteArray pending_;
    qsizetype used_ = 0;
    bool failed_ = false;
};
