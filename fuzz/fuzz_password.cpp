// Stored share passwords as a peer or a configuration file may hold them.
// Input: one byte choosing the key, then text whose CP949 bytes are read both
// as a stored form and as a password to store.
#include "platform/cp949.h"
#include "shares/sharepassword.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    const quint16 key = data[0] & 1 ? kPasswordKey : quint16(data[0] * 0x0101);
    const QString text = cp949::decode(QByteArray(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1)));

    // Any stored form decodes, to no more bytes than it has groups of three.
    const QString plain = DecodePassword(text, key);
    if (cp949::encode(plain).size() > (text.size() + 2) / 3 * 2) __builtin_trap();

    // Three digits per byte, and back to the same text.
    const QString stored = EncodePassword(text, key);
    if (stored.size() != cp949::encode(text).size() * 3) __builtin_trap();
    for (QChar c : stored)
        if (!c.isDigit()) __builtin_trap();
    if (cp949::canEncode(text) && DecodePassword(stored, key) != text) __builtin_trap();
    return 0;
}
