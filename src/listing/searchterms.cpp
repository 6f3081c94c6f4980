#include "listing/searchterms.h"

#include "platform/cp949.h"

namespace {

bool isWildcardOrDot(QChar c) { return c == QLatin1Char('?') || c == QLatin1Char('.') || c == QLatin1Char('*'); }

// Blanks and control characters, as cut from both ends of a term.
bool isBlank(QChar c) { return c.unicode() <= 0x20; }

QString trimmed(const QString &s) {
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s[b])) ++b;
    while (e > b && isBlank(s[e - 1])) --e;
    return s.mid(b, e - b);
}

} // namespace

SearchInputCheck CheckSearchInput(const QString &text) {
    if (text.isEmpty()) return {SearchInput::Empty, {}};
    QString actual;
    for (QChar c : text)
        if (!isWildcardOrDot(c)) actual += c;
    if (actual.isEmpty()) return {SearchInput::AllFiles, actual};
    // Lengths are those of the text in the code page: a Hangul syllable is two
    // bytes and long enough on its own.
    if (cp949::encode(actual).size() == 1) return {SearchInput::TooShort, actual};
    return {SearchInput::Accepted, actual};
}

QString SearchInputRefusal(const SearchInputCheck &check) {
    switch (check.verdict) {
    case SearchInput::AllFiles: return QStringLiteral("모든 파일(*.*)은 검색할 수 없습니다");
    case SearchInput::TooShort:
        return QStringLiteral("실제 검색어(") + check.actualTerm + QStringLiteral(")가 너무 짧습니다. 2문자 이상을 사용하세요");
    case SearchInput::Empty:
    case SearchInput::Accepted: break;
    }
    return {};
}

QStringList SearchTermList(const QString &searchText) {
    if (searchText.isEmpty()) return {QStringLiteral("*")};
    QString s = searchText;
    s.replace(QLatin1Char(','), QLatin1Char(';'));
    QStringList terms;
    for (const QString &piece : s.split(QLatin1Char(';'))) {
        QString term = trimmed(piece).toLower();
        if (term.isEmpty()) continue;
        const bool anchored = term.contains(QLatin1Char('*')) || term.contains(QLatin1Char('?')) ||
                              term.contains(QLatin1Char('.'));
        if (!anchored)
            term = QLatin1Char('*') + term + QLatin1Char('*');
        else if (!term.endsWith(QLatin1Char('*')))
            term += QLatin1Char('*');
        terms << term;
    }
    return terms;
}

bool WildcardMatch(QStringView x, QStringView p) {
    const QChar star = QLatin1Char('*');
    const QChar any = QLatin1Char('?');
    if (p == QLatin1String("*")) return true;
    if (p == QLatin1String("*.*") && x.contains(QLatin1Char('.'))) return true;
    if (!p.contains(star) && !p.contains(any) && x == p) return true;
    if (p.isEmpty()) return false;

    qsizetype pos = 0;
    bool starOn = false;
    qsizetype i = 0;
    while (i < p.size()) {
        if (p[i] == any) {
            if (pos >= x.size()) return false;
            ++pos;
            ++i;
            continue;
        }
        if (p[i] == star) {
            starOn = true;
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < p.size() && p[end] != star && p[end] != any) ++end;
        const QStringView literal = p.mid(i, end - i);
        i = end;
        if (!starOn) {
            if (x.mid(pos, literal.size()) != literal) return false;
            pos += literal.size();
        } else {
            const qsizetype found = x.indexOf(literal, pos);
            if (found < 0) return false;
            pos = found + literal.size();
            starOn = false;
        }
    }
    return starOn || pos == x.size();
}

bool MatchesTerms(const QString &text, const QStringList &terms) {
    if (terms.isEmpty()) return false;
    const QString lower = text.toLower();
    for (const QString &term : terms)
        if (WildcardMatch(lower, term)) return true;
    return false;
}
