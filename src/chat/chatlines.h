#pragma once
// What the chat window shows and sends, apart from the widgets.
#include <QColor>
#include <QString>

#include <optional>

// The sender colour of a dotted address, from its fourth number; none (the
// history's font colour) when that number is 0 or not a number.
std::optional<QColor> SenderColour(const QString &address);
// The line as a chat datagram with that head ("@_*I;name;ip;") carries it: a
// datagram holds at most 4096 bytes, so the end of a longer line is lost.
QString LineAsSent(const QString &head, const QString &line);
