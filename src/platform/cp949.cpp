#include "platform/cp949.h"

#include <iconv.h>

#include <cerrno>

namespace {

// iconv descriptors are not thread-safe; each thread opens its own pair.
struct Converters {
    iconv_t toCp949 = iconv_open("CP949", "UTF-8");
    iconv_t fromCp949 = iconv_open("UTF-8", "CP949");
    ~Converters() {
        if (toCp949 != iconv_t(-1)) iconv_close(toCp949);
        if (fromCp949 != iconv_t(-1)) iconv_close(fromCp949);
    }
};

Converters &converters() {
    thread_local Converters c;
    return c;
}

// Converts in; on an unconvertible or invalid sequence either stops (strict)
// or emits replacement and skips one input character. Returns false when strict
// conversion failed.
bool convert(iconv_t cd, const QByteArray &in, QByteArray &out, bool strict,
             const QByteArray &replacement, bool inputIsUtf8) {
    out.clear();
    if (cd == iconv_t(-1)) return false;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char *src = const_cast<char *>(in.constData());
    size_t srcLeft = size_t(in.size());
    QByteArray buf(qMax<qsizetype>(64, in.size() * 2 + 16), Qt::Uninitialized);
    while (srcLeft > 0) {
        char *dst = buf.data();
        size_t dstLeft = size_t(buf.size());
        size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buf.constData(), buf.size() - qsizetype(dstLeft));
        if (r != size_t(-1)) break;
        if (errno == E2BIG) continue;
        if (strict) return false;
        out.append(replacement);
        // Skip one input character: a whole UTF-8 sequence, or one CP949 byte.
        size_t skip = 1;
        if (inputIsUtf8) {
            while (skip < srcLeft && (uchar(src[skip]) & 0xC0) == 0x80) ++skip;
        }
        // The converter may have consumed the bad sequence already.
        skip = qMin(skip, srcLeft);
        src += skip;
        srcLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return true;
}

} // namespace

namespace cp949 {

QByteArray encode(const QString &text) {
    QByteArray out;
    convert(converters().toCp949, text.toUtf8(), out, false, QByteArray("?"), true);
    return out;
}

QString decode(const QByteArray &bytes) {
    iconv_t cd = converters().fromCp949;
    QByteArray out;
    if (convert(cd, bytes, out, true, {}, false)) return QString::fromUtf8(out);
    // Character by character: the converter consumes an unassigned pair before
    // it reports it, so skipping on from where it stopped would lose what follows.
    // A lead byte with a trail byte after it is one character, even a bad one.
    const auto isLead = [](uchar b) { return b >= 0x81 && b <= 0xFE; };
    const auto isTrail = [](uchar b) {
        return (b >= 0x41 && b <= 0x5A) || (b >= 0x61 && b <= 0x7A) || (b >= 0x81 && b <= 0xFE);
    };
    out.clear();
    out.reserve(bytes.size() * 3);
    for (qsizetype i = 0; i < bytes.size();) {
        const uchar b = uchar(bytes[i]);
        if (b < 0x80) { // the same byte in both
            out += char(b);
            ++i;
            continue;
        }
        const size_t step = isLead(b) && i + 1 < bytes.size() && isTrail(uchar(bytes[i + 1])) ? 2 : 1;
        char *src = const_cast<char *>(bytes.constData()) + i;
        size_t srcLeft = step;
        char utf8[8];
        char *dst = utf8;
        size_t dstLeft = sizeof utf8;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != size_t(-1) && srcLeft == 0)
            out.append(utf8, dst - utf8);
        else
            out += "\xEF\xBF\xBD";
        i += qsizetype(step);
    }
    return QString::fromUtf8(out);
}

bool canEncode(const QString &text) {
    QByteArray out;
    return convert(converters().toCp949, text.toUtf8(), out, true, {}, true);
}

QByteArray cut(const QByteArray &bytes, qsizetype limit) {
    if (bytes.size() <= limit) return bytes;
    qsizetype i = 0;
    while (i < bytes.size()) {
        const qsizetype step = uchar(bytes[i]) >= 0x81 ? 2 : 1;
        if (i + step > limit) break;
        i += step;
    }
    return bytes.left(i);
}

} // namespace cp949
