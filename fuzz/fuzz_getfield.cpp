// Field extraction and the send-side cut on arbitrary CP949 bytes.
#include "core/frame.h"
#include "platform/cp949.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2) return 0;
    const QChar delimiter = QLatin1Char(data[0] & 1 ? '.' : ';');
    const int n = int(int8_t(data[1]));
    const QByteArray bytes(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));
    const QString text = cp949::decode(bytes);
    const QString field = GetField(text, delimiter, n);
    if (field.size() > text.size()) __builtin_trap();
    const QByteArray wire = CommandBytes(QStringLiteral("@_*I"), text);
    if (wire.size() > kMaxDatagramBytes) __builtin_trap();
    return 0;
}
