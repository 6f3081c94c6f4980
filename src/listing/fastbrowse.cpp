#include "listing/fastbrowse.h"

#include "core/frame.h"

bool AsksFastBrowse(const QString &requestText) {
    return GetField(requestText, QLatin1Char(';'), 2) == QLatin1String(kFastBrowseMarker);
}

AnswerQueue::Datagrams WithListEnd(AnswerQueue::Datagrams answer) {
    if (answer.isEmpty() || answer.first().code != QLatin1String("@_+G")) return answer;
    answer.append({QLatin1String(kListEndCode), QString::number(answer.size())});
    return answer;
}

std::optional<int> ReadListEnd(const QString &text) {
    bool ok = false;
    const int datagrams = GetField(text, QLatin1Char(';'), 2).toInt(&ok);
    if (!ok || datagrams < 1) return std::nullopt;
    return datagrams;
}
