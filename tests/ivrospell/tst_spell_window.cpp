// Ivrospell's window: the clipboard's text checked with the buttons, the corrected text handed back on
// the clipboard, the language remembered and the personal word list used.
#include "HunspellDictionary.h"
#include "RichEditControl.h"
#include "SkinButton.h"
#include "SkinComboBox.h"
#include "SpellCheck.h"
#include "SpellTestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QMimeData>
#include <QTextCursor>
#include <QTextEdit>

class TestSpellWindow : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        Dictionaries = std::make_unique<QTemporaryDir>();
        Settings = std::make_unique<QTemporaryDir>();
        WriteHunspellDictionary(Dictionaries->path(), QStringLiteral("en_US"), { "the", "cat", "sat", "on", "mat", "a" });
        WriteHunspellDictionary(Dictionaries->path(), QStringLiteral("fr_FR"), { "le", "chat", "sur", "tapis" });
    }

    void correctedTextGoesBackOnTheClipboard();
    void cleanTextSaysSoAtOnce();
    void emptyClipboardAndMissingDictionariesAreExplained();
    void languageIsRememberedAndChecksAgain();
    void addedWordsAreKnownNextTime();
    void formattingSurvivesTheRoundTrip();

private:
    std::unique_ptr<TfrmSpellCheck> Window()
    {
        return std::make_unique<TfrmSpellCheck>(QStringList { Dictionaries->path() }, Settings->path());
    }
    std::unique_ptr<QTemporaryDir> Dictionaries;
    std::unique_ptr<QTemporaryDir> Settings;
};

void TestSpellWindow::correctedTextGoesBackOnTheClipboard()
{
    QApplication::clipboard()->setText(QStringLiteral("teh cat sat on teh mat"));
    auto window = Window();
    window->cbLanguage->setCurrentIndex(window->cbLanguage->findData(QStringLiteral("en_US")));
    window->StartFromClipboard();
    QCOMPARE(window->CurrentWord(), QStringLiteral("teh"));
    QVERIFY(window->memSentence->toPlainText().contains(QStringLiteral("teh cat sat on teh mat")));
    QVERIFY(window->btnReplace->isEnabled());
    // The first suggestion waits in the box; a click on another suggestion takes that one.
    QCOMPARE(window->edtReplacement->text(), window->lstSuggestions->item(0)->text());
    const QList<QListWidgetItem*> the = window->lstSuggestions->findItems(QStringLiteral("the"), Qt::MatchExactly);
    QCOMPARE(the.size(), 1);
    window->lstSuggestions->setCurrentItem(the.first());
    QCOMPARE(window->edtReplacement->text(), QStringLiteral("the"));
    QTest::mouseClick(window->btnReplaceAll, Qt::LeftButton);
    // Both went at once; the check is over and says where the text is.
    QCOMPARE(window->CurrentWord(), QString());
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("the cat sat on the mat"));
    QVERIFY(window->StatusText().contains(QStringLiteral("clipboard")));
    QVERIFY(!window->btnReplace->isEnabled());
}

void TestSpellWindow::cleanTextSaysSoAtOnce()
{
    auto window = Window();
    window->cbLanguage->setCurrentIndex(window->cbLanguage->findData(QStringLiteral("en_US")));
    QApplication::clipboard()->setText(QStringLiteral("the cat sat on a mat"));
    window->StartFromClipboard();
    QCOMPARE(window->StatusText(), QStringLiteral("No spelling errors found."));
    QVERIFY(!window->btnIgnore->isEnabled());

    // Ignoring every word changes nothing: the clipboard keeps what it had, formatting and all.
    QApplication::clipboard()->setText(QStringLiteral("zzz the yyy"));
    window->StartFromClipboard();
    QTest::mouseClick(window->btnIgnore, Qt::LeftButton);
    QTest::mouseClick(window->btnIgnoreAll, Qt::LeftButton);
    QVERIFY(window->StatusText().contains(QStringLiteral("Nothing was changed")));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("zzz the yyy"));
}

void TestSpellWindow::emptyClipboardAndMissingDictionariesAreExplained()
{
    QApplication::clipboard()->clear();
    auto window = Window();
    window->StartFromClipboard();
    QVERIFY(window->StatusText().contains(QStringLiteral("no text")));
    QVERIFY(!window->btnReplace->isEnabled());

    QTemporaryDir empty;
    TfrmSpellCheck none(QStringList { empty.path() }, Settings->path());
    none.Start(QStringLiteral("anything"));
    QVERIFY(none.StatusText().contains(QStringLiteral("No dictionary")));
    QCOMPARE(none.cbLanguage->count(), 0);
}

void TestSpellWindow::languageIsRememberedAndChecksAgain()
{
    {
        auto window = Window();
        window->cbLanguage->setCurrentIndex(window->cbLanguage->findData(QStringLiteral("en_US")));
        window->Start(QStringLiteral("le chat sur le tapis"));
        QCOMPARE(window->CurrentWord(), QStringLiteral("le"));
        window->cbLanguage->setCurrentIndex(window->cbLanguage->findData(QStringLiteral("fr_FR")));
        QCOMPARE(window->LanguageName(), QStringLiteral("fr_FR"));
        QCOMPARE(window->StatusText(), QStringLiteral("No spelling errors found."));
    }
    auto again = Window();
    QCOMPARE(again->LanguageName(), QStringLiteral("fr_FR"));
    QCOMPARE(again->cbLanguage->currentData().toString(), QStringLiteral("fr_FR"));
}

void TestSpellWindow::addedWordsAreKnownNextTime()
{
    {
        auto window = Window();
        window->cbLanguage->setCurrentIndex(window->cbLanguage->findData(QStringLiteral("en_US")));
        window->Start(QStringLiteral("the Zorglub sat"));
        QCOMPARE(window->CurrentWord(), QStringLiteral("Zorglub"));
        QTest::mouseClick(window->btnAdd, Qt::LeftButton);
        QCOMPARE(window->PersonalWords().Words(), QStringList { QStringLiteral("Zorglub") });
    }
    auto again = Window();
    again->Start(QStringLiteral("the Zorglub sat"));
    QCOMPARE(again->StatusText(), QStringLiteral("No spelling errors found."));
}

// As Tamsel hands a selection over with F9 and takes the corrected text back with Ctrl+V.
void TestSpellWindow::formattingSurvivesTheRoundTrip()
{
    TRichEditControl document;
    QVERIFY(document.LoadBytes(SF_RTF,
        "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 Before. the {\\b teh} cat sat\\par on teh mat. After.\\par}"));
    const QString before = document.Text();
    const LONG start = before.indexOf(QStringLiteral("the"));
    const LONG end = before.indexOf(QStringLiteral(" After"));
    document.SetSelection(CHARRANGE { start, end });
    document.Copy();

    auto window = Window();
    window->cbLanguage->setCurrentIndex(window->cbLanguage->findData(QStringLiteral("en_US")));
    window->StartFromClipboard();
    QCOMPARE(window->CurrentWord(), QStringLiteral("teh"));
    QTest::mouseClick(window->btnReplace, Qt::LeftButton); // the bold one
    window->edtReplacement->setText(QStringLiteral("the"));
    QTest::mouseClick(window->btnReplaceAll, Qt::LeftButton);
    QCOMPARE(window->CurrentWord(), QString());
    QVERIFY(QApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("text/rtf")));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("the the cat sat\non the mat."));

    document.SetSelection(CHARRANGE { start, end });
    document.Paste();
    // Nothing more and nothing less: no paragraph added, none lost.
    QCOMPARE(document.Text(), QString(before).replace(QStringLiteral("teh"), QStringLiteral("the")));
    // The corrected word is bold as the misspelt one was; its neighbours are not.
    const LONG bold = document.Text().indexOf(QStringLiteral("the the")) + 4;
    QTextCursor cursor(document.document());
    cursor.setPosition(bold + 1);
    QCOMPARE(cursor.charFormat().fontWeight(), int(QFont::Bold));
    cursor.setPosition(bold - 2);
    QVERIFY(cursor.charFormat().fontWeight() != int(QFont::Bold));
}

QTEST_MAIN(TestSpellWindow)
#include "tst_spell_window.moc"
