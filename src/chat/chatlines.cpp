#include "chat/chatlines.h"

#include "core/frame.h"
#include "platform/cp949.h"

std::optional<QColor> SenderColour(const QString &address) {
    static const QColor table[9] = {
        {0, 0, 0},   {255, 0, 0},   {0, 0, 255},   {0, 128, 0},  {0, 0, 128},
        {0, 128, 128}, {128, 0, 0}, {128, 128, 0}, {255, 0, 255},
    };
    bool ok = false;
    const uint number = GetField(address, QLatin1Char('.'), 4).toUInt(&ok);
    if (!ok || number == 0) return std::nullopt;
    // A multiple of 9 takes the ninth colour, which no other remainder reaches.
    const uint r = number % 9;
    return table[r == 0 ? 8 : r - 1];
}

QString LineAsSent(const QString &head, const QString &line) {
    const QByteArray headBytes = cp949::encode(head);
    const QByteArray sent = cp949::cut(headBytes + cp949::encode(line), kMaxDatagramBytes);
    return cp949::decode(sent.mid(headBytes.size()));
}
