#pragma once
// A sectioned "key=value" configuration file in CP949 bytes. Only the keys
// that are written or deleted change; every other line of the file, comments
// and blank lines included, is written back byte for byte.
#include <QByteArray>
#include <QList>
#include <QString>

class ProfileFile {
public:
    // Reads the file; a missing or unreadable file reads as empty.
    explicit ProfileFile(const QString &path);

    // The value of key in section (names compared without regard to ASCII
    // case), blanks around it removed; fallback when there is no such key.
    QString ReadString(const QString &section, const QString &key, const QString &fallback = {}) const;
    // Replaces the key's line, or adds one at the end of the section (and the
    // section at the end of the file when it is missing).
    void WriteString(const QString &section, const QString &key, const QString &value);
    void DeleteKey(const QString &section, const QString &key);

    // Writes the file when its content changed, creating its folder when
    // missing: into a temporary file beside it, flushed to disk and renamed
    // over the old one. False with error set to "Unable to write to " + path
    // when that fails.
    bool Save(QString *error);

private:
    struct Line {
        QByteArray text; // without its line end
        QByteArray end;  // "\r\n", "\n", or empty for a last line without one
    };
    struct Section {
        qsizetype header = -1; // line of "[name]"; -1 when missing
        qsizetype end = 0;     // first line after the section
    };

    Section find(const QByteArray &section) const;
    qsizetype findKey(const Section &s, const QByteArray &key, qsizetype from) const;
    void insertLine(qsizetype at, const QByteArray &text);
    QByteArray content() const;

    QString path_;
    QList<Line> lines_;
    QByteArray original_;
    QByteArray newline_ = "\n";
};
