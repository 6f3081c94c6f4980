#pragma once
// Which paths this computer serves: only what it publishes.
#include "shares/shareregistry.h"

#include <QList>
#include <QString>

// The size of the file at path when it is published and is a regular file now:
// the full path of a file record, or a file directly inside a folder record,
// compared as exact text as the registry compares paths, and for the folder
// one also after its links are followed. -1 for anything else.
qint64 ServedFileSize(const QList<ShareRecord> &records, const QString &path);

// Opens the published file at path to serve it: once, without waiting on a
// FIFO, and only when what was opened is a regular file that lies directly
// inside the folder of the record that publishes it, links followed, so that
// nothing swapped in after the check is served. Returns the descriptor
// (close-on-exec) and the file's size, or -1.
int OpenServedFile(const QList<ShareRecord> &records, const QString &path, qint64 *size);
