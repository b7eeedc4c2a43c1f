// The editing commands: word and character counts, the caret's line and column, the date, find,
// replace and find next, protected text, deleting, and inserting a picture file.
#include "MainFixture.h"

#include "TextCommands.h"

#include <QAction>
#include <QBuffer>
#include <QRandomGenerator>
#include <QImage>
#include <QLabel>

class TestEditing : public QObject {
    Q_OBJECT

private slots:
    void init() { F = std::make_unique<TMainFixture>(); }
    void cleanup() { F.reset(); }

    void wordCounts_data();
    void wordCounts();
    void countsFollowTheText();
    void countsStayExactThroughRandomEdits();
    void caretLineAndColumn();
    void dateLeavesTheCaretAfterIt();
    void findOpensWithTheSelectionFromTheWorker();
    void windowClosedBeforeTheWorkerRanOpensNothing();
    void findNextBeforeAnySearchBeeps();
    void notFoundWarning();
    void protectedTextIsRefused();
    void deleteCommands();
    void pictureFileEntersAsOneObject();

private:
    std::unique_ptr<TMainFixture> F;
};

void TestEditing::wordCounts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("words");
    QTest::addColumn<int>("characters");
    QTest::newRow("sentence") << "Bonjour, le monde!" << 3 << 18;
    QTest::newRow("apostrophe and accents") << "l'été" << 1 << 5;
    QTest::newRow("full stop") << "a.b" << 2 << 3;
    QTest::newRow("hyphen") << "e-mail" << 1 << 6;
    QTest::newRow("empty") << "" << 0 << 0;
    QTest::newRow("only separators") << " ,.;\r\t" << 0 << 6;
    QTest::newRow("paragraphs") << "un\rdeux" << 2 << 7;
    QTest::newRow("beyond the basic plane") << "ok 😀" << 2 << 4;
    QTest::newRow("word characters") << "a&b+c<d=e>f[g]h_i{j|k}l~m" << 1 << 25;
}

void TestEditing::wordCounts()
{
    QFETCH(QString, text);
    QFETCH(int, words);
    QFETCH(int, characters);
    const TTextCounts counts = CountWords(text);
    QCOMPARE(counts.Words, words);
    QCOMPARE(counts.Characters, characters);
}

void TestEditing::countsFollowTheText()
{
    F->Window->UpdateWordCount(QString());
    QCOMPARE(F->Window->Label3->text(), QStringLiteral("Words:   0   Characters:   0"));
    F->Type(QStringLiteral("Bonjour, le monde!"));
    F->Window->EditorSelectionChange();
    QCOMPARE(F->Window->Label3->text(), QStringLiteral("Words:   3   Characters:  18"));
    for (char32_t separator : U"\x01 !#$%()*,./:;?@\\^")
        if (separator)
            QVERIFY(IsWordSeparator(separator));
    for (char32_t letter : U"\"'&+-<=>[]_{|}~`aZ0é")
        if (letter)
            QVERIFY(!IsWordSeparator(letter));
}

void TestEditing::countsStayExactThroughRandomEdits()
{
    // The counts follow the document's changes; after any series of edits they must be the ones a
    // count of the whole text gives.
    TRtRichEdit& editor = F->Editor();
    QLabel& label = *F->Window->Label3;
    auto check = [&](const char* step, int round) {
        F->Window->EditorSelectionChange();
        const QString expected = WordCountText(CountWords(editor.Text()));
        QVERIFY2(label.text() == expected,
            qPrintable(QStringLiteral("%1 in round %2: %3, not %4").arg(QLatin1String(step)).arg(round).arg(label.text(), expected)));
    };
    const QStringList pieces { QStringLiteral("mot"), QStringLiteral(" "), QStringLiteral("deux mots"),
        QStringLiteral("\r"), QStringLiteral("fin.\rdébut"), QStringLiteral("😀 x"), QStringLiteral("a\vb"),
        QStringLiteral(",;"), QStringLiteral("l'été"), QStringLiteral("\r\r") };
    QRandomGenerator random(20261209);
    for (int round = 0; round < 400; ++round) {
        const int length = editor.TextLength();
        const int start = int(random.bounded(length + 1));
        editor.SetSelectionStart(start);
        editor.SetSelectionLength(int(random.bounded(std::min(12, length - start) + 1)));
        switch (random.bounded(7)) {
        case 0:
        case 1:
            editor.SetSelectedText(pieces[random.bounded(int(pieces.size()))]);
            check("insertion", round);
            break;
        case 2:
            editor.ClearSelection();
            check("deletion", round);
            break;
        case 3:
            editor.CopyToClipboard();
            editor.SetSelectionStart(int(random.bounded(editor.TextLength() + 1)));
            editor.PasteFromClipboard();
            check("paste", round);
            break;
        case 4:
            editor.Undo();
            check("undo", round);
            break;
        case 5:
            editor.Redo();
            check("redo", round);
            break;
        default:
            if (random.bounded(20) == 0) {
                F->Window->DeleteAll1Click();
                check("delete all", round);
            } else {
                editor.SelectionAttributes().SetStyle({ TFontStyle::fsBold });
                check("format", round);
            }
        }
    }
    // Loading another document and starting a new one count afresh.
    QByteArray rtf("{\\rtf1 un deux\\par trois}");
    QBuffer buffer(&rtf);
    buffer.open(QIODevice::ReadOnly);
    editor.Lines()->LoadFromStream(buffer);
    check("load", 0);
    editor.SetModified(false);
    F->Window->BtnNewClick();
    check("new", 0);
    QCOMPARE(label.text(), QStringLiteral("Words:   0   Characters:   0"));
}

void TestEditing::caretLineAndColumn()
{
    F->Window->UpdateCaretPosition();
    QCOMPARE(F->Window->StatusText(1), QStringLiteral("Line:   1  Column:   1"));
    F->Type(QStringLiteral("premier\rsecond"));
    F->Editor().SetSelectionStart(11);
    F->Window->EditorSelectionChange();
    QCOMPARE(F->Window->StatusText(1), QStringLiteral("Line:   2  Column:   4"));
}

void TestEditing::dateLeavesTheCaretAfterIt()
{
    F->Type(QStringLiteral("Paris, le "));
    F->Window->BtnDateClick();
    const QString date = LongDateText(QDate(2026, 12, 9));
    QVERIFY(!date.contains(u'/'));
    QVERIFY(date.contains(QStringLiteral("2026")));
    QCOMPARE(F->Editor().Text(), QStringLiteral("Paris, le ") + date);
    QCOMPARE(F->Editor().SelectionStart(), 10 + date.size());
    QCOMPARE(F->Editor().SelectionLength(), 0);
    // A format that puts the date separator in shows blanks there.
    QCOMPARE(QLocale(QLocale::French, QLocale::France).toString(QDate(2026, 12, 9), QStringLiteral("d MMMM yyyy")),
        LongDateText(QDate(2026, 12, 9), QLocale(QLocale::French, QLocale::France)).section(u' ', -3));
}

void TestEditing::findOpensWithTheSelectionFromTheWorker()
{
    F->Type(QStringLiteral("le chat voit le chat"));
    F->Editor().SetSelectionStart(3);
    F->Editor().SetSelectionLength(4);
    F->Window->Find2->trigger(); // Ctrl+F
    // The command returns at once; the dialog opens when the queued call has run.
    QTRY_VERIFY(F->Dialogs.LastFindDialog() && F->Dialogs.LastFindDialog()->IsVisible());
    QCOMPARE(F->Dialogs.LastFindDialog()->FindText(), QStringLiteral("chat"));

    F->Editor().SetSelectionLength(0);
    F->Window->btnFindTextClick();
    QTRY_VERIFY(F->Dialogs.LastReplaceDialog() && F->Dialogs.LastReplaceDialog()->IsVisible());
    QCOMPARE(F->Dialogs.LastReplaceDialog()->FindText(), QStringLiteral("chat")); // the last search text

    // F3 repeats the last search made from a dialog.
    F->Editor().SetSelectionStart(0);
    F->Dialogs.LastFindDialog()->PressFindNext();
    QCOMPARE(F->Editor().SelectionStart(), 3);
    F->Window->FindNext1Click();
    QCOMPARE(F->Editor().SelectionStart(), 16);
    QCOMPARE(F->Shell.Beeps(), 0);
    F->Window->FindNext1Click();
    QCOMPARE(F->Shell.Beeps(), 1);
    QCOMPARE(F->Dialogs.Messages().last().Text, QStringLiteral("Text \"chat\" not found."));
}

void TestEditing::windowClosedBeforeTheWorkerRanOpensNothing()
{
    F->Window->btnFindTClick();
    F->Window->btnFindTextClick();
    F->Destroy(); // must not hang waiting for the workers, nor open a dialog on a dying window
    QVERIFY(!F->Dialogs.LastFindDialog() || !F->Dialogs.LastFindDialog()->IsVisible());
    QVERIFY(!F->Dialogs.LastReplaceDialog() || !F->Dialogs.LastReplaceDialog()->IsVisible());
}

void TestEditing::findNextBeforeAnySearchBeeps()
{
    F->Type(QStringLiteral("texte"));
    F->Window->FindNext1->trigger();
    QCOMPARE(F->Shell.Beeps(), 1);
    QCOMPARE(F->Editor().Text(), QStringLiteral("texte"));
}

void TestEditing::notFoundWarning()
{
    F->Window->EditorTextNotFound(QStringLiteral("chien"));
    QCOMPARE(F->Dialogs.Messages().size(), 1);
    QCOMPARE(F->Dialogs.Messages().front().Text, QStringLiteral("Text \"chien\" not found."));
    QCOMPARE(F->Dialogs.Messages().front().Type, TMsgDlgType::mtWarning);
}

void TestEditing::protectedTextIsRefused()
{
    F->Editor().Lines()->SetText(QString());
    F->Window->OpenDocumentFrom([&] {
        F->WriteFile(QStringLiteral("protege.rtf"), QByteArray("{\\rtf1 libre {\\protect fixe} libre}"));
        return F->Path(QStringLiteral("protege.rtf"));
    }());
    F->Editor().SetSelectionStart(7);
    F->Editor().SetSelectionLength(2);
    F->Editor().SetSelectedText(QStringLiteral("XX"));
    QVERIFY(F->Editor().Text().contains(QStringLiteral("fixe")));
}

void TestEditing::deleteCommands()
{
    F->Type(QStringLiteral("un deux"));
    F->Editor().SetSelectionStart(0);
    F->Editor().SetSelectionLength(3);
    F->Window->Delete2->trigger();
    QCOMPARE(F->Editor().Text(), QStringLiteral("deux"));
    F->Window->BtnUndoClick();
    QCOMPARE(F->Editor().Text(), QStringLiteral("un deux"));
    F->Window->BtnRedoClick();
    QCOMPARE(F->Editor().Text(), QStringLiteral("deux"));
    F->Window->SelectAll2Click();
    QCOMPARE(F->Editor().SelectionLength(), 4);
    F->Window->DeleteAll1->trigger();
    QCOMPARE(F->Editor().TextLength(), 0);
    QVERIFY(F->Dialogs.Prompts().isEmpty());

    // Clearing everything is an edit like any other: modified, and one undo brings it all back.
    F->Editor().SetModified(false);
    F->Window->SetModifiedState(false);
    F->Type(QStringLiteral("lettre entière"));
    F->Editor().SetModified(false);
    F->Window->DeleteAll1->trigger();
    QCOMPARE(F->Editor().TextLength(), 0);
    QVERIFY(F->Editor().Modified());
    QCOMPARE(F->Window->StatusText(2), QStringLiteral("Modified"));
    F->Window->FormActivate(); // a dialog closing does not forget it
    QVERIFY(F->Editor().Modified());
    F->Window->BtnUndoClick();
    QCOMPARE(F->Editor().Text(), QStringLiteral("lettre entière"));
}

void TestEditing::pictureFileEntersAsOneObject()
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QVERIFY(image.save(F->Path(QStringLiteral("photo.png"))));
    F->Type(QStringLiteral("ab"));
    F->Editor().SetSelectionStart(1);
    F->Dialogs.QueueOpenFileName(F->Path(QStringLiteral("photo.png")));
    F->Window->BtnPictureClick();
    QVERIFY(F->Dialogs.Errors().isEmpty());
    QCOMPARE(F->Editor().ObjectCount(), 1);
    QCOMPARE(F->Editor().TextLength(), 3);
    QVERIFY(F->Dialogs.FileDialogs().front().Data.Filter.contains(QStringLiteral("*.wmf")));

    // An unreadable picture is reported and changes nothing.
    F->WriteFile(QStringLiteral("abime.jpg"), QByteArray("\xFF\xD8\xFF not a jpeg"));
    F->Dialogs.QueueOpenFileName(F->Path(QStringLiteral("abime.jpg")));
    RunCommand(F->Dialogs, [&] { F->Window->BtnPictureClick(); });
    QCOMPARE(F->Dialogs.Errors().size(), 1);
    QCOMPARE(F->Editor().ObjectCount(), 1);
}

QTEST_MAIN(TestEditing)
#include "tst_editing.moc"
