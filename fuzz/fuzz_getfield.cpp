// Field extraction and the send-side cut on arbitrary CP949 bytes. Input: a
// delimiter byte, a field number byte, then the text's bytes.
#include "core/frame.h"
#include "platform/cp949.h"

#include <QStringList>

#include <cstddef>
#include <cstdint>

namespace {

// What GetField promises, said the slow way.
QString ExpectedField(const QString &text, QChar delimiter, int n) {
    const QStringList fields = text.split(delimiter);
    if (fields.size() == 1) return text;
    return n >= 1 && n <= fields.size() ? fields[n - 1] : QString();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2) return 0;
    const QChar delimiter = QLatin1Char(data[0] & 1 ? '.' : ';');
    const int n = int(int8_t(data[1]));
    const QByteArray bytes(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));
    const QString text = cp949::decode(bytes);
    if (GetField(text, delimiter, n) != ExpectedField(text, delimiter, n)) __builtin_trap();

    // The cut keeps whole characters only: the wire text is a prefix of what was asked for.
    const QString code = QStringLiteral("@_*I");
    const QByteArray wire = CommandBytes(code, text);
    if (wire.size() > kMaxDatagramBytes) __builtin_trap();
    const QString sent = code + QLatin1Char(';') + text;
    if (cp949::canEncode(sent) && !sent.startsWith(cp949::decode(wire))) __builtin_trap();
    if (cp949::canEncode(sent) && cp949::encode(sent).size() <= kMaxDatagramBytes && cp949::decode(wire) != sent)
        __builtin_trap();
    return 0;
}
