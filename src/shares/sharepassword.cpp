#include "shares/sharepassword.h"

#include "platform/cp949.h"

namespace {

constexpr quint16 kMultiplier = 0x6A1D;
constexpr quint16 kIncrement = 0x3C95;

// The register advances with the scrambled byte in both directions, so a
// damaged byte spoils every byte after it.
quint16 advance(quint16 k, quint8 scrambled) { return quint16(quint16(scrambled + k) * kMultiplier + kIncrement); }

} // namespace

QString EncodePassword(const QString &text, quint16 key) {
    const QByteArray plain = cp949::encode(text);
    QString stored;
    stored.reserve(plain.size() * 3);
    quint16 k = key;
    for (char b : plain) {
        const quint8 c = quint8(b) ^ quint8(k >> 8);
        k = advance(k, c);
        stored += QStringLiteral("%1").arg(c, 3, 10, QLatin1Char('0'));
    }
    return stored;
}

QString DecodePassword(const QString &stored, quint16 key) {
    QByteArray plain;
    plain.reserve(stored.size() / 3 + 1);
    quint16 k = key;
    for (qsizetype at = 0; at < stored.size(); at += 3) {
        bool number = false;
        const int value = stored.mid(at, 3).toInt(&number);
        const quint8 c = number ? quint8(value & 0xFF) : 0;
        plain += char(c ^ quint8(k >> 8));
        k = advance(k, c);
    }
    return cp949::decode(plain);
}
