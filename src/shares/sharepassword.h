#pragma once
// The stored form of share passwords: scrambled CP949 bytes written as three
// decimal digits each. Files and peers hold only this form.
#include <QString>

inline constexpr quint16 kPasswordKey = 0x2B47;

QString EncodePassword(const QString &text, quint16 key);
// Ends for every input; a group of digits that is not a number counts as 0.
QString DecodePassword(const QString &stored, quint16 key);
