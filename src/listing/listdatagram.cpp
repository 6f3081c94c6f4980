#include "listing/listdatagram.h"

#include "core/frame.h"

namespace {
constexpr qsizetype kReserveBytes = 100;
}

bool ListPacker::Add(const ShareEntry &entry) {
    // The receiver would take such a name for the list's end and lose the entries after it.
    if (entry.name == QLatin1String(kEndOfList)) return false;
    const std::optional<QByteArray> bytes = EntryBytes(entry);
    if (!bytes) return false;
    if (pendingBytes_ + bytes->size() + kReserveBytes > kMaxDatagramBytes) {
        Flush();
        pause_();
    }
    pending_ += EntryText(entry);
    pendingBytes_ += bytes->size();
    ++entries_;
    return true;
}

void ListPacker::Finish() {
    if (!pending_.isEmpty()) Flush();
}

void ListPacker::Flush() {
    send_(pending_ + QLatin1String(kEndOfList));
    ++datagrams_;
    pending_.clear();
    pendingBytes_ = 0;
}

QList<ShareEntry> ReadListDatagram(const QString &text) {
    // Split once instead of asking for each field by number; a field that
    // would start at the end of the text lies beyond it.
    const QStringView view(text);
    QList<QStringView> fields;
    qsizetype start = 0;
    while (start < view.size()) {
        qsizetype end = view.indexOf(QLatin1Char(';'), start);
        if (end < 0) end = view.size();
        fields << view.mid(start, end - start);
        start = end + 1;
    }
    const auto field = [&](qsizetype i) { return i < fields.size() ? fields[i].toString() : QString(); };

    QList<ShareEntry> entries;
    for (qsizetype first = 1; first < fields.size(); first += 7) {
        if (fields[first] == QLatin1String(kEndOfList)) break;
        entries.append({field(first), field(first + 1), field(first + 2), field(first + 3), field(first + 4),
                        field(first + 5), field(first + 6)});
    }
    return entries;
}
