#pragma once
// The datagram command text: code, ";", payload; at most 4096 CP949 bytes.
#include <QByteArray>
#include <QChar>
#include <QString>

inline constexpr qsizetype kMaxDatagramBytes = 4096;

// Field n (from 1) of text split at delimiter; the whole text when the
// delimiter does not occur; empty beyond the last field or below 1.
QString GetField(const QString &text, QChar delimiter, int n);

// code + ";" + payload in CP949, cut at 4096 bytes without splitting a character.
QByteArray CommandBytes(const QString &code, const QString &payload);
// "@_&#;" + sub-command + ";" + payload, cut the same way.
QByteArray BroadcastBytes(const QString &subCommand, const QString &payload);
