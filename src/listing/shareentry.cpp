#include "listing/shareentry.h"

#include "platform/cp949.h"

namespace {

bool isAscii(const QString &text) {
    for (QChar c : text)
        if (c.unicode() >= 0x80) return false;
    return true;
}

} // namespace

QString EntryText(const ShareEntry &e) {
    const QChar sep = QLatin1Char(';');
    QString text;
    text.reserve(e.name.size() + e.size.size() + e.comment.size() + e.folder.size() + e.owner.size() +
                 e.ownerIP.size() + e.password.size() + 7);
    for (const QString *field : {&e.name, &e.size, &e.comment, &e.folder, &e.owner, &e.ownerIP, &e.password}) {
        text += *field;
        text += sep;
    }
    return text;
}

std::optional<QByteArray> EntryBytes(const ShareEntry &entry) {
    const QString text = EntryText(entry);
    if (text.count(QLatin1Char(';')) != 7) return std::nullopt;
    QByteArray bytes;
    if (isAscii(text)) {
        bytes = text.toLatin1();
    } else {
        if (!cp949::canEncode(entry.name) || !cp949::canEncode(entry.folder)) return std::nullopt;
        bytes = cp949::encode(text);
    }
    if (bytes.size() > kMaxEntryBytes) return std::nullopt;
    return bytes;
}

bool IsProtected(const QString &password) {
    for (QChar c : password)
        if (c.unicode() > 0x20) return true;
    return false;
}
