#include "core/frame.h"

#include "platform/cp949.h"

QString GetField(const QString &text, QChar delimiter, int n) {
    if (!text.contains(delimiter)) return text;
    int field = 1;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != delimiter) continue;
        if (field == n) return text.mid(start, i - start);
        ++field;
        start = i + 1;
    }
    return field == n ? text.mid(start) : QString();
}

QByteArray CommandBytes(const QString &code, const QString &payload) {
    return cp949::cut(cp949::encode(code + QLatin1Char(';') + payload), kMaxDatagramBytes);
}

QByteArray BroadcastBytes(const QString &subCommand, const QString &payload) {
    return CommandBytes(QStringLiteral("@_&#"), subCommand + QLatin1Char(';') + payload);
}
