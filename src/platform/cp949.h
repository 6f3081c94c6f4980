#pragma once
// The one boundary between widget text (QString) and the CP949 bytes that
// travel on the wire and live in the configuration file.
#include <QByteArray>
#include <QString>

namespace cp949 {

// Text to CP949 bytes. Characters without a CP949 form become '?'.
QByteArray encode(const QString &text);
// CP949 bytes to text. Invalid sequences become U+FFFD.
QString decode(const QByteArray &bytes);
// True when every character of text has a CP949 form.
bool canEncode(const QString &text);
// The longest prefix of bytes of at most limit bytes that does not end inside
// a two-byte character.
QByteArray cut(const QByteArray &bytes, qsizetype limit);

} // namespace cp949
