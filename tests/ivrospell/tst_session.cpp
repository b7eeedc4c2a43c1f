// The spell checker's session: the words of a text, sentences around them, the corrections, Hunspell
// dictionaries and the personal word list.
#include "Errors.h"
#include "HunspellDictionary.h"
#include "SpellSession.h"
#include "SpellTestSupport.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

class TestSpellSession : public QObject {
    Q_OBJECT

private slots:
    void wordsSkipNumbersLinksAndAddresses();
    void sentenceAroundTheWord();
    void longSentenceIsCutAroundTheWord();
    void replaceIgnoreAndAddWalkTheText();
    void replaceAllTakesWholeWordsFromHereOn();
    void replacementIsNotFlaggedAgain();
    void anotherDictionaryChecksAgain();
    void cleanTextFinishesAtOnce();
    void hunspellDictionariesAreFoundAndRead();
    void systemDictionariesKnowTheirLanguage();
    void personalWordsPersistAndSurviveFailures();
};

namespace {

QStringList WordsOf(const QString& text)
{
    QStringList words;
    for (const TWordSpan& span : TSpellSession::Words(text))
        words << text.mid(span.Start, span.Length);
    return words;
}

} // namespace

void TestSpellSession::wordsSkipNumbersLinksAndAddresses()
{
    QCOMPARE(WordsOf(QStringLiteral("L'élève d’aujourd’hui, peut-être -- 'quoted' A4 2nd x2 café.")),
        QStringList({ "L'élève", "d’aujourd’hui", "peut-être", "quoted", "café" }));
    QCOMPARE(WordsOf(QStringLiteral("See https://exemple.org/pagee or www.exmple.com, mail jean@exmple.fr now")),
        QStringList({ "See", "or", "mail", "now" }));
    QCOMPARE(WordsOf(QString()), QStringList());
    QCOMPARE(WordsOf(QStringLiteral("trailing-")), QStringList({ "trailing" }));
}

void TestSpellSession::sentenceAroundTheWord()
{
    const QString text = QStringLiteral("First one. Second sentnce here! Third?\nNext line word");
    qsizetype offset = -1;
    const qsizetype start = text.indexOf(QStringLiteral("sentnce"));
    QCOMPARE(TSpellSession::SentenceAround(text, start, 7, offset), QStringLiteral("Second sentnce here!"));
    QCOMPARE(offset, 7);
    const qsizetype last = text.indexOf(QStringLiteral("word"));
    QCOMPARE(TSpellSession::SentenceAround(text, last, 4, offset), QStringLiteral("Next line word"));
    QCOMPARE(offset, 10);
    // A full stop inside a number or an abbreviation without a space ends nothing.
    const QString decimals = QStringLiteral("Pay 3.50 eur to Mr.Smiht today.");
    const qsizetype smith = decimals.indexOf(QStringLiteral("Smiht"));
    QCOMPARE(TSpellSession::SentenceAround(decimals, smith, 5, offset), decimals);
}

void TestSpellSession::longSentenceIsCutAroundTheWord()
{
    const QString text = QString(QStringLiteral("word ")).repeated(200) + QStringLiteral("misteak ") + QString(QStringLiteral("word ")).repeated(200);
    const qsizetype start = text.indexOf(QStringLiteral("misteak"));
    qsizetype offset = -1;
    const QString sentence = TSpellSession::SentenceAround(text, start, 7, offset);
    QVERIFY(sentence.size() <= TSpellSession::MaxSentence + 2);
    QCOMPARE(sentence.mid(offset, 7), QStringLiteral("misteak"));
    QVERIFY(sentence.startsWith(QChar(0x2026)) && sentence.endsWith(QChar(0x2026)));
}

void TestSpellSession::replaceIgnoreAndAddWalkTheText()
{
    TWordSetDictionary dictionary({ "the", "cat", "sat", "on", "mat" });
    TSpellSession session(dictionary, QStringLiteral("teh cat szt on teh mat. Zorg sat."));
    QVERIFY(!session.Finished());
    QCOMPARE(session.Current().Word, QStringLiteral("teh"));
    QCOMPARE(session.Current().Start, 0);
    QCOMPARE(session.Current().Sentence, QStringLiteral("teh cat szt on teh mat."));
    QVERIFY(session.Suggestions().contains(QStringLiteral("the")));
    session.Replace(QStringLiteral("the"));
    QCOMPARE(session.Current().Word, QStringLiteral("szt"));
    session.Ignore();
    QCOMPARE(session.Current().Word, QStringLiteral("teh")); // ignored once: the next "teh" still asks
    session.Replace(QStringLiteral("the"));
    QCOMPARE(session.Current().Word, QStringLiteral("Zorg"));
    session.Add();
    QVERIFY(dictionary.Words.contains(QStringLiteral("Zorg")));
    QVERIFY(session.Finished());
    QCOMPARE(session.Text(), QStringLiteral("the cat szt on the mat. Zorg sat."));
    QVERIFY(session.Changed());
    // Nothing left: the commands do nothing.
    session.Replace(QStringLiteral("x"));
    session.IgnoreAll();
    QCOMPARE(session.Text(), QStringLiteral("the cat szt on the mat. Zorg sat."));
}

void TestSpellSession::replaceAllTakesWholeWordsFromHereOn()
{
    TWordSetDictionary dictionary({ "a", "b", "tehx", "the" });
    TSpellSession session(dictionary, QStringLiteral("b teh a tehx teh, Teh teh"));
    QCOMPARE(session.Current().Word, QStringLiteral("teh"));
    QCOMPARE(session.ReplaceAll(QStringLiteral("the")), 3);
    // "tehx" is another word, "Teh" another spelling: both stay.
    QCOMPARE(session.Text(), QStringLiteral("b the a tehx the, Teh the"));
    QCOMPARE(session.Current().Word, QStringLiteral("Teh"));
    session.IgnoreAll();
    QVERIFY(session.Finished());

    // Replacing with a longer or shorter text keeps the later positions right.
    TSpellSession shorter(dictionary, QStringLiteral("xyzzy a xyzzy b xyzzy"));
    QCOMPARE(shorter.ReplaceAll(QStringLiteral("a")), 3);
    QCOMPARE(shorter.Text(), QStringLiteral("a a a b a"));
    QVERIFY(shorter.Finished());
}

void TestSpellSession::replacementIsNotFlaggedAgain()
{
    TWordSetDictionary dictionary({ "in" });
    TSpellSession session(dictionary, QStringLiteral("Pariss in Pariss"));
    session.Replace(QStringLiteral("Paris")); // the user's own word, unknown to the dictionary
    QCOMPARE(session.Current().Word, QStringLiteral("Pariss"));
    QCOMPARE(session.Current().Start, 9);
    session.Replace(QStringLiteral("Paris"));
    QVERIFY(session.Finished());
    QCOMPARE(session.Text(), QStringLiteral("Paris in Paris"));

    // An unchanged replacement changes nothing.
    TSpellSession same(dictionary, QStringLiteral("Zut"));
    same.Replace(QStringLiteral("Zut"));
    QVERIFY(same.Finished());
    QVERIFY(!same.Changed());
}

void TestSpellSession::anotherDictionaryChecksAgain()
{
    TWordSetDictionary english({ "the", "house" });
    TWordSetDictionary french({ "la", "maison" });
    TSpellSession session(english, QStringLiteral("the house la maison"));
    QCOMPARE(session.Current().Word, QStringLiteral("la"));
    session.SetDictionary(french);
    // From the current word on: "la maison" is French; nothing before it is asked again.
    QVERIFY(session.Finished());
    // Once finished, another language checks the whole text.
    session.SetDictionary(english);
    QCOMPARE(session.Current().Word, QStringLiteral("la"));
}

void TestSpellSession::cleanTextFinishesAtOnce()
{
    TWordSetDictionary dictionary({ "all", "good" });
    TSpellSession session(dictionary, QStringLiteral("all good, all good 42."));
    QVERIFY(session.Finished());
    QVERIFY(!session.Changed());
    QCOMPARE(dictionary.Lookups, 2); // each word asked once
}

void TestSpellSession::hunspellDictionariesAreFoundAndRead()
{
    QTemporaryDir first;
    QTemporaryDir second;
    WriteHunspellDictionary(first.path(), QStringLiteral("en_US"), { "house", "mouse" });
    WriteHunspellDictionary(second.path(), QStringLiteral("en_US"), { "other" });
    WriteHunspellDictionary(second.path(), QStringLiteral("fr_FR"), { "maison", "été" });
    QFile::remove(QDir(second.path()).filePath(QStringLiteral("fr_FR.dic")));
    WriteHunspellDictionary(second.path(), QStringLiteral("de_DE"), { "Haus" });
    const QList<TDictionaryInfo> found = FindDictionaries({ first.path(), second.path(), QStringLiteral("/nonexistent") });
    QCOMPARE(found.size(), 2); // fr_FR has no word file; en_US is taken from the first folder
    QCOMPARE(found[0].Name, QStringLiteral("de_DE"));
    QCOMPARE(found[1].Name, QStringLiteral("en_US"));
    QCOMPARE(QFileInfo(found[1].AffixFile).path(), first.path());
    QCOMPARE(found[0].DisplayName(), QStringLiteral("Deutsch (Deutschland)"));

    THunspellDictionary dictionary(found[1]);
    QVERIFY(dictionary.IsKnown(QStringLiteral("house")));
    QVERIFY(!dictionary.IsKnown(QStringLiteral("hause")));
    QVERIFY(dictionary.Suggestions(QStringLiteral("hause")).contains(QStringLiteral("house")));
    dictionary.AddWord(QStringLiteral("Zorglub"));
    QVERIFY(dictionary.IsKnown(QStringLiteral("Zorglub")));

    // Files that are not there fail with their name, never with a dictionary that knows nothing.
    TDictionaryInfo missing { QStringLiteral("xx"), first.filePath(QStringLiteral("xx.aff")), first.filePath(QStringLiteral("xx.dic")) };
    QVERIFY_THROWS_EXCEPTION(EFOpenError, THunspellDictionary { missing });
}

void TestSpellSession::systemDictionariesKnowTheirLanguage()
{
    const QList<TDictionaryInfo> found = FindDictionaries(SystemDictionaryFolders());
    auto find = [&](const QString& name) -> const TDictionaryInfo* {
        for (const TDictionaryInfo& info : found)
            if (info.Name == name)
                return &info;
        return nullptr;
    };
    const TDictionaryInfo* french = find(QStringLiteral("fr_FR"));
    const TDictionaryInfo* english = find(QStringLiteral("en_US"));
    if (!french || !english)
        QSKIP("the French and American English dictionaries are not installed");
    THunspellDictionary fr(*french);
    TSpellSession frenchText(fr, QStringLiteral("Aujourd’hui, l'élève est allé à l’école. Il a oublié son cahié."));
    QCOMPARE(frenchText.Current().Word, QStringLiteral("cahié"));
    QVERIFY(frenchText.Suggestions().contains(QStringLiteral("cahier")));
    frenchText.Replace(QStringLiteral("cahier"));
    QVERIFY(frenchText.Finished());

    THunspellDictionary en(*english);
    TSpellSession englishText(en, QStringLiteral("This sentense has a mistake. Don't worry."));
    QCOMPARE(englishText.Current().Word, QStringLiteral("sentense"));
    QVERIFY(englishText.Suggestions().contains(QStringLiteral("sentence")));
}

void TestSpellSession::personalWordsPersistAndSurviveFailures()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("sub/PersonalWords.txt"));
    {
        TPersonalWordList list(path);
        QVERIFY(list.Words().isEmpty());
        list.Add(QStringLiteral("Zorglub"));
        list.Add(QStringLiteral("  Tamsel "));
        list.Add(QStringLiteral("Zorglub"));
        list.Add(QString());
    }
    TPersonalWordList reread(path);
    QCOMPARE(reread.Words(), QStringList({ "Zorglub", "Tamsel" }));
    QCOMPARE(QDir(folder.filePath(QStringLiteral("sub"))).entryList(QDir::Files | QDir::Hidden), QStringList { "PersonalWords.txt" });

    // A list that cannot be written keeps the word out and says so; the file stays as it was.
    QFile::setPermissions(folder.filePath(QStringLiteral("sub")), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (QFileInfo(folder.filePath(QStringLiteral("sub"))).isWritable() || geteuid() == 0) {
        // root writes anywhere: a folder in the way of the file fails for everyone.
        QFile::setPermissions(folder.filePath(QStringLiteral("sub")), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        TPersonalWordList blocked(folder.filePath(QStringLiteral("blocked")));
        QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("blocked")));
        QVERIFY_THROWS_EXCEPTION(EFCreateError, blocked.Add(QStringLiteral("word")));
        QVERIFY(blocked.Words().isEmpty());
        return;
    }
    QVERIFY_THROWS_EXCEPTION(EFCreateError, reread.Add(QStringLiteral("Nouveau")));
    QCOMPARE(reread.Words(), QStringList({ "Zorglub", "Tamsel" }));
    QFile::setPermissions(folder.filePath(QStringLiteral("sub")), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

QTEST_GUILESS_MAIN(TestSpellSession)
#include "tst_session.moc"
