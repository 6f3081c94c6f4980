#pragma once
// One entry of a share list as it travels in a list datagram ("@_+G"): seven
// fields, each closed by ";". Browse answers and search answers carry the same.
#include <QByteArray>
#include <QString>

#include <optional>

struct ShareEntry {
    QString name;     // file name without folder
    QString size;     // length in bytes, decimal text
    QString comment;
    QString folder;   // folder on the owner's computer, closed by "\" (Windows) or "/" (POSIX)
    QString owner;    // the owner's computer name
    QString ownerIP;  // the owner's dotted IPv4 address
    QString password; // stored form; empty for none

    QString FullPath() const { return folder + name; }
    bool operator==(const ShareEntry &) const = default;
};

// The longest entry that fits a list datagram on its own, in CP949 bytes.
inline constexpr qsizetype kMaxEntryBytes = 3996;

// The entry's wire text: every field followed by ";".
QString EntryText(const ShareEntry &entry);

// The entry's wire text in CP949, or nothing when the entry cannot travel
// whole: a field holds ";" (it would shift every later field), the name or
// folder has no CP949 form (the peer could never ask for the file back), or
// the text is longer than kMaxEntryBytes.
std::optional<QByteArray> EntryBytes(const ShareEntry &entry);

// A password that is not empty once blanks and control characters are cut off.
bool IsProtected(const QString &password);
