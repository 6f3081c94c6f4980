// Search texts: the searcher's input checks, the answering side's term list
// and its wildcard matcher, which never goes back.
#include "listing/searchterms.h"

#include <QTest>

class TestSearchTerms : public QObject {
    Q_OBJECT

    static bool finds(const QString &search, const QString &name) { return MatchesTerms(name, SearchTermList(search)); }

private slots:
    void inputChecks_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("verdict");
        QTest::addColumn<QString>("actual");
        const int all = int(SearchInput::AllFiles), shortTerm = int(SearchInput::TooShort),
                  ok = int(SearchInput::Accepted);
        QTest::newRow("*.*") << "*.*" << all << "";
        QTest::newRow("*") << "*" << all << "";
        QTest::newRow("?") << "?" << all << "";
        QTest::newRow("..") << ".." << all << "";
        QTest::newRow("a") << "a" << shortTerm << "a";
        QTest::newRow("*a*") << "*a*" << shortTerm << "a";
        QTest::newRow("a.") << "a." << shortTerm << "a";
        // Lengths are those of the text in CP949, two bytes for a Hangul syllable.
        QTest::newRow("one syllable") << "책" << ok << "책";
        QTest::newRow("one syllable, wildcards") << "*곰*" << ok << "곰";
        QTest::newRow("ab") << "ab" << ok << "ab";
        QTest::newRow("a,b: checked as a whole") << "a,b" << ok << "a,b";
        QTest::newRow("blanks count") << " a" << ok << " a";
        QTest::newRow("empty") << "" << int(SearchInput::Empty) << "";
    }
    void inputChecks() {
        QFETCH(QString, text);
        QFETCH(int, verdict);
        QFETCH(QString, actual);
        const SearchInputCheck check = CheckSearchInput(text);
        QCOMPARE(int(check.verdict), verdict);
        QCOMPARE(check.actualTerm, actual);
    }

    void termList() {
        QCOMPARE(SearchTermList(QStringLiteral("mp3")), QStringList{QStringLiteral("*mp3*")});
        QCOMPARE(SearchTermList(QStringLiteral("Song.MP3")), QStringList{QStringLiteral("song.mp3*")});
        QCOMPARE(SearchTermList(QStringLiteral("*.mp3")), QStringList{QStringLiteral("*.mp3*")});
        QCOMPARE(SearchTermList(QStringLiteral("ab?d")), QStringList{QStringLiteral("ab?d*")});
        QCOMPARE(SearchTermList(QStringLiteral("ab*")), QStringList{QStringLiteral("ab*")});
        // Both separators, blanks and control characters cut, empty pieces dropped, order kept.
        QCOMPARE(SearchTermList(QStringLiteral("MP3, Ogg;;\t노래 ,")),
                 (QStringList{QStringLiteral("*mp3*"), QStringLiteral("*ogg*"), QStringLiteral("*노래*")}));
        QCOMPARE(SearchTermList(QString()), QStringList{QStringLiteral("*")});
        QCOMPARE(SearchTermList(QStringLiteral(" , ;")), QStringList());
        QVERIFY(!MatchesTerms(QStringLiteral("anything"), {}));
    }

    void matcherRules() {
        QVERIFY(WildcardMatch(u"", u"*"));
        QVERIFY(WildcardMatch(u"a.b", u"*.*"));
        QVERIFY(!WildcardMatch(u"ab", u"*.*"));
        QVERIFY(WildcardMatch(u"abc", u"abc"));
        QVERIFY(!WildcardMatch(u"abcd", u"abc")); // a literal alone must use all of the text
        QVERIFY(!WildcardMatch(u"abc", u""));
        QVERIFY(!WildcardMatch(u"", u"?"));
        QVERIFY(WildcardMatch(u"ab", u"a?"));
        QVERIFY(!WildcardMatch(u"abc", u"a?"));
        QVERIFY(WildcardMatch(u"abc", u"*?c"));   // "?" keeps the star flag on
        QVERIFY(WildcardMatch(u"xaby", u"*ab*"));
        QVERIFY(!WildcardMatch(u"xab", u"*ab?"));
        QVERIFY(WildcardMatch(u"가나다", u"가?다")); // "?" takes one character, Korean ones too
        QVERIFY(!WildcardMatch(u"가나다", u"가??다"));
    }

    void neverGoesBack() {
        QVERIFY(WildcardMatch(u"axxbyc", u"a*b?c"));
        QVERIFY(finds(QStringLiteral("a*b?c"), QStringLiteral("axxbyc")));
        // The first a is taken, "?" takes b, and x is not c; the later a is never tried.
        QVERIFY(!WildcardMatch(u"abxabc", u"*a?c*"));
        QVERIFY(!WildcardMatch(u"abcbd", u"*b?"));  // b is bound to its first place
        QVERIFY(WildcardMatch(u"abcbd", u"*b*"));
    }

    void searchExamples() {
        for (const char *name : {"Song.MP3", "album.mp3.txt", "mp3list.doc"})
            QVERIFY2(finds(QStringLiteral("mp3"), QString::fromLatin1(name)), name);
        QVERIFY(finds(QStringLiteral("*.mp?"), QStringLiteral("song.mp3")));
        QVERIFY(!finds(QStringLiteral("*.mp?"), QStringLiteral("song.mp")));
        QVERIFY(finds(QStringLiteral("song.mp3"), QStringLiteral("song.mp3")));
        QVERIFY(finds(QStringLiteral("song.mp3"), QStringLiteral("song.mp3.bak")));
        QVERIFY(!finds(QStringLiteral("song.mp3"), QStringLiteral("my song.mp3")));
        QVERIFY(finds(QStringLiteral("MP3, Ogg"), QStringLiteral("Track.OGG")));
        QVERIFY(finds(QStringLiteral("MP3, Ogg"), QStringLiteral("a.mp3")));
        QVERIFY(!finds(QStringLiteral("MP3, Ogg"), QStringLiteral("a.wav")));
        QVERIFY(finds(QStringLiteral("노래"), QStringLiteral("신나는노래모음.txt")));
    }
};

QTEST_GUILESS_MAIN(TestSearchTerms)
#include "tst_searchterms.moc"
