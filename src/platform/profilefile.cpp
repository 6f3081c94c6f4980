#include "platform/profilefile.h"

#include "platform/cp949.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

bool sameName(const QByteArray &a, const QByteArray &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// The name of a "[name]" line; null when the line is not a section header.
QByteArray sectionName(const QByteArray &line) {
    const QByteArray t = line.trimmed();
    const qsizetype close = t.indexOf(']');
    if (!t.startsWith('[') || close < 0) return {};
    return t.mid(1, close - 1).trimmed();
}

// The key of a "key=value" line; null for comments and other lines.
QByteArray keyName(const QByteArray &line) {
    const QByteArray t = line.trimmed();
    if (t.startsWith(';') || t.startsWith('#')) return {};
    const qsizetype eq = t.indexOf('=');
    if (eq <= 0) return {};
    return t.left(eq).trimmed();
}

} // namespace

ProfileFile::ProfileFile(const QString &path) : path_(path) {
    QFile f(path);
    if (f.open(QIODevice::ReadOnly)) original_ = f.readAll();
    qsizetype at = 0;
    while (at < original_.size()) {
        qsizetype nl = original_.indexOf('\n', at);
        Line line;
        if (nl < 0) {
            line.text = original_.mid(at);
            at = original_.size();
        } else {
            const bool cr = nl > at && original_[nl - 1] == '\r';
            line.text = original_.mid(at, nl - at - (cr ? 1 : 0));
            line.end = cr ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
            at = nl + 1;
        }
        lines_.append(line);
    }
    // New lines follow the file's own line ends (a file written on Windows keeps CRLF).
    for (const Line &l : lines_)
        if (!l.end.isEmpty()) {
            newline_ = l.end;
            break;
        }
}

ProfileFile::Section ProfileFile::find(const QByteArray &section) const {
    Section s;
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        const QByteArray name = sectionName(lines_[i].text);
        if (name.isNull()) continue;
        if (s.header >= 0) {
            s.end = i;
            return s;
        }
        if (sameName(name, section)) s.header = i;
    }
    s.end = lines_.size();
    return s;
}

qsizetype ProfileFile::findKey(const Section &s, const QByteArray &key, qsizetype from) const {
    for (qsizetype i = qMax(from, s.header + 1); i < s.end; ++i)
        if (sameName(keyName(lines_[i].text), key)) return i;
    return -1;
}

QString ProfileFile::ReadString(const QString &section, const QString &key, const QString &fallback) const {
    const Section s = find(cp949::encode(section));
    if (s.header < 0) return fallback;
    const qsizetype i = findKey(s, cp949::encode(key), 0);
    if (i < 0) return fallback;
    const QByteArray &t = lines_[i].text;
    return cp949::decode(t.mid(t.indexOf('=') + 1).trimmed());
}

void ProfileFile::insertLine(qsizetype at, const QByteArray &text) {
    if (at > 0 && lines_[at - 1].end.isEmpty()) lines_[at - 1].end = newline_;
    lines_.insert(at, Line{text, newline_});
}

void ProfileFile::WriteString(const QString &section, const QString &key, const QString &value) {
    const QByteArray sectionBytes = cp949::encode(section);
    const QByteArray keyBytes = cp949::encode(key);
    const QByteArray line = keyBytes + '=' + cp949::encode(value);
    Section s = find(sectionBytes);
    if (s.header < 0) {
        insertLine(lines_.size(), '[' + sectionBytes + ']');
        insertLine(lines_.size(), line);
        return;
    }
    const qsizetype i = findKey(s, keyBytes, 0);
    if (i >= 0) {
        lines_[i].text = line;
        return;
    }
    // After the section's last non-blank line, so a blank line before the next section stays there.
    qsizetype at = s.end;
    while (at - 1 > s.header && lines_[at - 1].text.trimmed().isEmpty()) --at;
    insertLine(at, line);
}

void ProfileFile::DeleteKey(const QString &section, const QString &key) {
    Section s = find(cp949::encode(section));
    if (s.header < 0) return;
    const QByteArray keyBytes = cp949::encode(key);
    for (qsizetype i = findKey(s, keyBytes, 0); i >= 0; i = findKey(s, keyBytes, i)) {
        lines_.removeAt(i);
        --s.end;
    }
}

QByteArray ProfileFile::content() const {
    QByteArray c;
    c.reserve(original_.size() + 256);
    for (const Line &l : lines_) c += l.text + l.end;
    return c;
}

bool ProfileFile::Save(QString *error) {
    const QByteArray c = content();
    if (c == original_) return true;
    // A crash or power loss during the write leaves the old file whole; the
    // new one replaces it only once it is complete on disk. An installed copy
    // writes into the user's configuration folder, which may not exist yet.
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QSaveFile f(path_);
    if (f.open(QIODevice::WriteOnly) && f.write(c) == c.size() && f.commit()) {
        original_ = c;
        return true;
    }
    if (error) *error = QStringLiteral("Unable to write to ") + path_;
    return false;
}
