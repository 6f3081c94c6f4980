#pragma once
// The local file a download writes, opened beneath its target folder: a
// symbolic link on the way that leads out of the folder is never followed.
#include "download/localtarget.h"

#include <QtGlobal>

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

    // Where the bytes go, at the file's position: for writers that move
    // them by themselves (splice). A failure of theirs is told by Fail.
    int Descriptor() const { return fd_; }
    // Writes all n bytes; the count written, less than n when a write failed
    // (a full disk). What was written stays in the file.
    qsizetype Write(const char *data, qsizetype n);
    void Fail() { failed_ = true; }
    // False when a write failed.
    bool Close();

private:
    int fd_ = -1;
    bool failed_ = false;
};
