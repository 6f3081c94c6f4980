#pragma once
// Small text operations on what users type and what the registry stores.
#include <QString>

// text with every occurrence of find replaced by replacement, searching again
// from the start after each replacement.
QString ReplaceText(QString text, const QString &find, const QString &replacement);
// text without blanks and control characters at either end.
QString TrimBlanks(const QString &text);
// A folder's path in one form, whatever way it was written: trimmed, without
// doubled "/" and without a closing "/" (but for the root, "/").
QString FolderPathForm(const QString &path);
