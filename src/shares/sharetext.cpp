#include "shares/sharetext.h"

QString ReplaceText(QString text, const QString &find, const QString &replacement) {
    if (find.isEmpty()) return text;
    // A replacement holding the searched text would be found again without end.
    if (replacement.contains(find)) return text.replace(find, replacement);
    qsizetype from = 0;
    for (qsizetype at = text.indexOf(find); at >= 0; at = text.indexOf(find, from)) {
        text.replace(at, find.size(), replacement);
        // The text before the replacement held no occurrence, so a new one can
        // begin at the earliest inside the last find.size() - 1 characters before it.
        from = qMax<qsizetype>(0, at - find.size() + 1);
    }
    return text;
}

QString TrimBlanks(const QString &text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 0x20) ++begin;
    while (end > begin && text[end - 1].unicode() <= 0x20) --end;
    return text.mid(begin, end - begin);
}

QString FolderPathForm(const QString &path) {
    QString p = TrimBlanks(path);
    if (p.isEmpty()) return p;
    while (p.contains(QLatin1String("//"))) p.replace(QLatin1String("//"), QLatin1String("/"));
    if (p.size() > 1 && p.endsWith(QLatin1Char('/'))) p.chop(1);
    return p;
}
