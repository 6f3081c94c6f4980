#pragma once
// The list datagram "@_+G": share list entries closed by "#END_LIST#".
#include "listing/shareentry.h"

#include <QList>
#include <QString>

#include <functional>

inline constexpr char kEndOfList[] = "#END_LIST#";

// Cuts a run of entries into list datagram payloads, each holding as many
// whole entries as fit: 100 of the 4096 bytes stay free for the command and
// "#END_LIST#". Every full payload is sent at once and followed by pause;
// Finish sends the rest without a pause.
class ListPacker {
public:
    using Send = std::function<void(const QString &payload)>;
    using Pause = std::function<void()>;

    ListPacker(Send send, Pause pause) : send_(std::move(send)), pause_(std::move(pause)) {}

    // False when the entry cannot travel whole, or is named "#END_LIST#", and was left out.
    bool Add(const ShareEntry &entry);
    void Finish();

    int Entries() const { return entries_; }
    int Datagrams() const { return datagrams_; }

private:
    void Flush();

    Send send_;
    Pause pause_;
    QString pending_;
    qsizetype pendingBytes_ = 0;
    int entries_ = 0;
    int datagrams_ = 0;
};

// The entries of a list datagram's text, read up to "#END_LIST#" or to the
// end of the text and never beyond; an incomplete last entry has its missing
// fields empty.
QList<ShareEntry> ReadListDatagram(const QString &text);
