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
    // The empty selection at the caret is replaced first, then each word once.
    QCOMPARE(editor.Text(), QStringLiteral("aaaa aa"));
    QCOMPARE(missed, 0);
}

void TestSearch::replaceAllWithNoMatchReportsOnce()
{
    TRtRichEdit editor;
    TScriptedDialogs dialogs;
    Setup(editor, dialogs, QStringLiteral("abc"));
    editor.SetSelectionStart(1);
    int missed = 0;
    editor.OnTextNotFound = [&](QObject*, const QString&) { ++missed; };
    editor.OpenReplaceDialog(QStringLiteral("zzz"), QStringLiteral("-"));
    dialogs.LastReplaceDialog()->PressReplaceAll();
    QCOMPARE(missed, 1);
    QCOMPARE(editor.Text(), QStringLiteral("a-bc"));
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
