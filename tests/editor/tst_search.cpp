// Searching and replacing through the editor's find and replace dialogs.
#include "RtRichEd.h"
#include "ScriptedDialogs.h"

#include <QTest>

class TestSearch : public QObject {
    Q_OBJECT
private slots:
    void searchTextHonoursTheOptions();
    void searchingUpFindsTheWordBeforeTheCaret();
    void findNextWalksThroughTheMatches();
    void notFoundRaisesTheEventWithTheSearchText();
    void replaceAllOfATwoLettersEnds();
    void replaceAllWithNoMatchReportsOnce();
    void replaceAllCoversTheWholeDocumentWhateverIsSelected();
    void replaceAllLeavesProtectedTextAlone();
    void replaceOnlyReplacesAMatchingSelection();
    void replaceAllEndsWhenTheTextEndsInAMatch();
    void replaceAllNotifiesOnce();
    void replaceReplacesThenFindsTheNext();
    void repeatFindBeforeAnySearchIsFalse();
    void repeatFindUsesTheLastDialog();
    void dialogsShareTheirSearchText();
    void closingRaisesTheEvent();
};

static void Setup(TRtRichEdit& editor, TScriptedDialogs& dialogs, const QString& text)
{
    editor.SetDialogs(&dialogs);
    editor.SetSelectedText(text);
    editor.SetSelectionStart(0);
}

void TestSearch::searchTextHonoursTheOptions()
{
    TRtRichEdit editor;
    editor.SetSelectedText(QStringLiteral("Word sword word"));
    QCOMPARE(editor.SearchText(QStringLiteral("word"), 0, 15, {}), 0);
    QCOMPARE(editor.SearchText(QStringLiteral("word"), 0, 15, { TSearchType::stMatchCase }), 6);
    QCOMPARE(editor.SearchText(QStringLiteral("word"), 0, 15, { TSearchType::stMatchCase, TSearchType::stWholeWord }), 11);
    QCOMPARE(editor.SearchText(QStringLiteral("word"), 1, 4, {}), -1);
    editor.SetSelectionStart(0);
    QCOMPARE(editor.SearchText(QStringLiteral("sword"), 0, 15, { TSearchType::stSetSelection }), 5);
    QCOMPARE(editor.SelectedText(), QStringLiteral("sword"));
}

void TestSearch::searchingUpFindsTheWordBeforeTheCaret()
{
    TRtRichEdit editor;
    TScriptedDialogs dialogs;
    Setup(editor, dialogs, QStringLiteral("x x"));
    editor.SetSelectionStart(2);
    editor.OpenFindDialog(QStringLiteral("x"));
    TScriptedFindDialog* dialog = dialogs.LastFindDialog();
    TFindOptions options = dialog->Options();
    options.Down = false;
    dialog->SetOptions(options);
    dialog->PressFindNext();
    QCOMPARE(editor.SelectionStart(), 0);
    QCOMPARE(editor.SelectionLength(), 1);
}

void TestSearch::findNextWalksThroughTheMatches()
{
    TRtRichEdit editor;
    TScriptedDialogs dialogs;
    Setup(editor, dialogs, QStringLiteral("cat dog cat dog"));
    QStringList missed;
    editor.OnTextNotFound = [&](QObject*, const QString& text) { missed.append(text); };
    editor.OpenFindDialog(QStringLiteral("dog"));
    dialogs.LastFindDialog()->PressFindNext();
    QCOMPARE(editor.SelectionStart(), 4);
    dialogs.LastFindDialog()->PressFindNext();
    QCOMPARE(editor.SelectionStart(), 12);
    dialogs.LastFindDialog()->PressFindNext();
    QCOMPARE(missed, QStringList { QStringLiteral("dog") });
}

void TestSearch::notFoundRaisesTheEventWithTheSearchText()
{
    TRtRichEdit editor;
    TScriptedDialogs dialogs;
    Setup(editor, dialogs, QStringLiteral("nothing here"));
    QString missed;
    editor.OnTextNotFound = [&](QObject*, const QString& text) { missed = text; };
    editor.OpenFindDialog(QStringLiteral("absent"));
    dialogs.LastFindDialog()->PressFindNext();
    QCOMPARE(missed, QStringLiteral("absent"));
}

void TestSearch::replaceAllOfATwoLettersEnds()
{
    TRtRichEdit editor;
    TScriptedDialogs dialogs;
    Setup(editor, dialogs, QStringLiteral("a a"));
    int missed = 0;
    editor.OnTextNotFound = [&](QObject*, const QString&) { ++missed; };
    editor.OpenReplaceDialog(QStringLiteral("a"), QStringLiteral("aa"));
    dialogs.LastReplaceDialog()->PressReplaceAll();
    // Each occurrence once; nothing goes in at the caret, and the replacements are not searched again.
    QCOMPARE(editor.Text(), QStringLiteral("aa aa"));
    QCOMPARE(missed, 0);
    QCOMPARE(dialogs.Messages().size(), 1);
    QCOMPARE(dialogs.Messages().first().Text, QStringLiteral("2 occurrences of \"a\" replaced."));
}

void TestSearch::replaceAllWithNoMatchReportsOnce()
{
    TRtRichEdit editor;
    TScriptedDialogs dialogs;
    Setup(editor, dialogs, QStringLiteral("abc"));
    editor.SetSelectionStart(1);
    editor.SetModified(false);
    int missed = 0;
    editor.OnTextNotFound = [&](QObject*, const QString&) { ++missed; };
    editor.OpenReplaceDialog(QStringLiteral("zzz"), QStringLiteral("-"));
    dialogs.LastReplaceDialog()->PressReplaceAll();
    QCOMPARE(missed, 1);
    QCOMPARE(editor.Text(), QStringLiteral("abc"));
    QVERIFY(!editor.Modified());
}

void TestSearch::replaceAllCoversTheWholeDocumentWhateverIsSelected()
{
    TRtRichEdit editor;
    TScriptedDialogs dialogs;
    Setup(editor, dialogs, QStringLiteral("Cat dog cat\rcatalogue CAT cat"));
    // A selection that does not match, after the first occurrences.
    editor.SetSelectionStart(4);
    editor.SetSelectionLength(3);
    editor.OpenReplaceDialog(QStringLiteral("cat"), QStringLiteral("bird"));
    dialogs.LastReplaceDialog()->PressReplaceAll();
    QCOMPARE(editor.Text(), QStringLiteral("bird dog bird\rbirdalogue bird bird"));
    QCOMPARE(editor.SelectedText(), QStringLiteral("bird")); // the last replacement
    QCOMPARE(editor.SelectionStart(), 30);
    editor.Undo(); // one step takes every replacement back
    QCOMPARE(editor.Text(), QStringLiteral("Cat dog cat\rcatalogue CAT cat"));

    TFindOptions options;
    options.MatchCase = true;
    options.WholeWord = true;
    dialogs.LastReplaceDialog()->SetOptions(options);
    dialogs.LastReplaceDialog()->PressReplaceAll();
    QCOMPARE(editor.Text(), QStringLiteral("Cat dog bird\rcatalogue CAT bird"));
    QCOMPARE(dialogs.Messages().last().Text, QStringLiteral("2 occurrences of \"cat\" replaced."));
}

void TestSearch::replaceAllLeavesProtectedTextAlone()
{
    TRtRichEdit editor;
    TScriptedDialogs dialogs;
    Setup(editor, dialogs, QStringLiteral("x x x"));
    editor.SetSelectionStart(2);
    editor.SetSelectionLength(1);
    editor.SelectionAttributes().SetProtected(true);
    editor.OnProtectChange = [](QObject*, int, int, bool& allow) { allow = false; };
    editor.OpenReplaceDialog(QStringLiteral("x"), QStringLiteral("y"));
    dialogs.LastReplaceDialog()->PressReplaceAll();
    QCOMPARE(editor.Text(), QStringLiteral("y x y"));
}

void TestSearch::replaceOnlyReplacesAMatchingSelection()
{
    TRtRichEdit editor;
    TScriptedDialogs dialogs;
    Setup(editor, dialogs, QStringLiteral("one two one"));
    editor.SetSelectionStart(4);
    editor.SetSelectionLength(3); // "two"
    editor.OpenReplaceDialog(QStringLiteral("one"), QStringLiteral("1"));
    dialogs.LastReplaceDialog()->PressReplace();
    // The selection was no match: it stays, and the next occurrence is found instead.
    QCOMPARE(editor.Text(), QStringLiteral("one two one"));
    QCOMPARE(editor.SelectionStart(), 8);
    dialogs.LastReplaceDialog()->PressReplace();
    QCOMPARE(editor.Text(), QStringLiteral("one two 1"));
}

void TestSearch::replaceAllEndsWhenTheTextEndsInAMatch()
{
    TRtRichEdit editor;
    TScriptedDialogs dialogs;
    Setup(editor, dialogs, QStringLiteral("xy xy xy"));
    editor.OpenReplaceDialog(QStringLiteral("xy"), QStringLiteral("xyxy"));
    editor.SetSelectionStart(0);
    editor.SetSelectionLength(2);
    dialogs.LastReplaceDialog()->PressReplaceAll();
    QCOMPARE(editor.Text(), QStringLiteral("xyxy xyxy xyxy"));
}

void TestSearch::replaceAllNotifiesOnce()
{
    TRtRichEdit editor;
    TScriptedDialogs dialogs;
    Setup(editor, dialogs, QStringLiteral("o o o o"));
    int changes = 0;
    int selections = 0;
    editor.OnChange = [&](QObject*) { ++changes; };
    editor.OnSelectionChange = [&](QObject*) { ++selections; };
    editor.OpenReplaceDialog(QStringLiteral("o"), QStringLiteral("0"));
    editor.SetSelectionStart(0);
    editor.SetSelectionLength(1);
    changes = selections = 0;
    dialogs.LastReplaceDialog()->PressReplaceAll();
    QCOMPARE(editor.Text(), QStringLiteral("0 0 0 0"));
    QCOMPARE(changes, 1);
    QCOMPARE(selections, 1);
}

void TestSearch::replaceReplacesThenFindsTheNext()
{
    TRtRichEdit editor;
    TScriptedDialogs dialogs;
    Setup(editor, dialogs, QStringLiteral("red red"));
    editor.OpenReplaceDialog(QStringLiteral("red"), QStringLiteral("blue"));
    editor.SetSelectionStart(0);
    editor.SetSelectionLength(3);
    dialogs.LastReplaceDialog()->PressReplace();
    QCOMPARE(editor.Text(), QStringLiteral("blue red"));
    QCOMPARE(editor.SelectionStart(), 5);
    QCOMPARE(editor.SelectedText(), QStringLiteral("red"));
}

void TestSearch::repeatFindBeforeAnySearchIsFalse()
{
    TRtRichEdit editor;
    TScriptedDialogs dialogs;
    Setup(editor, dialogs, QStringLiteral("text"));
    int missed = 0;
    editor.OnTextNotFound = [&](QObject*, const QString&) { ++missed; };
    QVERIFY(!editor.RepeatFind());
    QCOMPARE(missed, 0);
}

void TestSearch::repeatFindUsesTheLastDialog()
{
    TRtRichEdit editor;
    TScriptedDialogs dialogs;
    Setup(editor, dialogs, QStringLiteral("one two one"));
    editor.OpenFindDialog(QStringLiteral("one"));
    dialogs.LastFindDialog()->PressFindNext();
    QCOMPARE(editor.SelectionStart(), 0);
    QVERIFY(editor.RepeatFind());
    QCOMPARE(editor.SelectionStart(), 8);
    QVERIFY(!editor.RepeatFind());
}

void TestSearch::dialogsShareTheirSearchText()
{
    TRtRichEdit editor;
    TScriptedDialogs dialogs;
    Setup(editor, dialogs, QStringLiteral("shared"));
    editor.OpenFindDialog(QStringLiteral("share"));
    IFindDialog* replace = editor.OpenReplaceDialog(QString(), QString());
    QCOMPARE(replace->FindText(), QStringLiteral("share"));
}

void TestSearch::closingRaisesTheEvent()
{
    TRtRichEdit editor;
    TScriptedDialogs dialogs;
    Setup(editor, dialogs, QStringLiteral("x"));
    IFindDialog* closed = nullptr;
    editor.OnCloseFindDialog = [&](QObject*, IFindDialog& dialog) { closed = &dialog; };
    IFindDialog* dialog = editor.OpenFindDialog(QStringLiteral("x"));
    dialogs.LastFindDialog()->PressClose();
    QCOMPARE(closed, dialog);
}

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
