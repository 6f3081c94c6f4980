// The search text a peer broadcasts and the names it is matched against.
// Input: the search text's CP949 bytes, "\0", then a file name's.
#include "listing/searchterms.h"
#include "platform/cp949.h"

#include <cstddef>
#include <cstdint>

namespace {

bool HasWildcard(QStringView s) { return s.contains(QLatin1Char('*')) || s.contains(QLatin1Char('?')); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype nul = input.indexOf('\0');
    const QString search = cp949::decode(nul < 0 ? input : input.left(nul));
    QString name = nul < 0 ? QString() : cp949::decode(input.mid(nul + 1));
    // Never null: a null string does not even begin with the empty one.
    if (name.isNull()) name = QStringLiteral("");

    const SearchInputCheck check = CheckSearchInput(search);
    if ((check.verdict == SearchInput::Empty) != search.isEmpty()) __builtin_trap();
    if (check.actualTerm.size() > search.size()) __builtin_trap();

    const QStringList terms = SearchTermList(search);
    const QString lower = name.toLower();
    if (search.isEmpty() && terms != QStringList{QStringLiteral("*")}) __builtin_trap();
    for (const QString &term : terms) {
        if (term.isEmpty() || !term.endsWith(QLatin1Char('*')) || term != term.toLower()) __builtin_trap();
        // A plain word matches where it occurs; a literal with the closing "*" where the name begins with it.
        const QStringView core = QStringView(term).chopped(1);
        const bool matches = MatchesTerms(name, {term});
        if (core.startsWith(QLatin1Char('*')) && !HasWildcard(core.mid(1)) &&
            matches != lower.contains(core.mid(1)))
            __builtin_trap();
        if (!HasWildcard(core) && matches != lower.startsWith(core)) __builtin_trap();
    }
    return 0;
}
