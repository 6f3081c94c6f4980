#pragma once
// Search texts: the input checks at the searching side, the term list and
// the wildcard matcher at the answering side.
#include <QString>
#include <QStringList>

enum class SearchInput {
    Empty,    // nothing typed: nothing happens
    AllFiles, // nothing but "?", "." and "*"
    TooShort, // exactly one other character
    Accepted,
};

struct SearchInputCheck {
    SearchInput verdict;
    QString actualTerm; // the text without its "?", "." and "*"
};

// The check is made on the whole text, not on each comma-separated term.
SearchInputCheck CheckSearchInput(const QString &text);
// What the user is told of a refused text; empty when nothing is to be said.
QString SearchInputRefusal(const SearchInputCheck &check);

// The lower-case patterns of a search text. Terms are separated by "," or
// ";"; a plain word matches anywhere (mp3 becomes *mp3*), a term with a dot
// or a wildcard is anchored at the start (song.mp3 becomes song.mp3*). An
// empty text gives the single pattern "*".
QStringList SearchTermList(const QString &searchText);

// "*" stands for any run of characters, "?" for exactly one. Both texts are
// lower-case. The matcher never goes back: a literal after a "*" is bound to
// its first occurrence, and later tokens must fit from there.
bool WildcardMatch(QStringView text, QStringView pattern);

// Whether text, lower-cased, matches at least one of the terms.
bool MatchesTerms(const QString &text, const QStringList &terms);
