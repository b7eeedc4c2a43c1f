// The document files of the main window: the dispatch on the extension, captions and the current
// file, the compressed format, the save prompt, and saves that never destroy the previous document.
#include "MainFixture.h"

#include "Errors.h"

#include <QApplication>
#include <QFileInfo>

#include <unistd.h>

class TestDocumentFiles : public QObject {
    Q_OBJECT

private slots:
    void init() { F = std::make_unique<TMainFixture>(); }
    void cleanup() { F.reset(); }

    void eachDocumentFormatOpensAndBecomesCurrent_data();
    void eachDocumentFormatOpensAndBecomesCurrent();
    void upperCaseExtensionOpensNothing();
    void savingUntitledAsksAndRemembersTheName();
    void compressedFilesAreOneZlibStream();
    void exportsNeverBecomeTheCurrentDocument();
    void unknownSaveExtensionIsRefused();
    void plainTextSaveDropsFormattingAndKeepsEveryCharacter();
    void plainTextSaveAsksBeforeStrippingTheDocument();
    void binaryFilesAreRefusedAndTheEditorKept();
    void newDocumentForgetsTheOldName();
    void saveAsProposesTheNameWithoutExtension();
    void saveOnATitledDocumentWritesAtOnce();
    void saveReplacesTheFileWholeAndAtomically();
    void failedOpenLeavesTheDocumentUntitled();
    void promptAnswers();
    void yesThenCancellingTheSaveDialogKeepsTheWork();

private:
    std::unique_ptr<TMainFixture> F;
};

namespace {

void WriteRtf(TMainFixture& f, const QString& name, const QString& text)
{
    f.WriteFile(name, QStringLiteral("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 %1\\par}").arg(text).toUtf8());
}

} // namespace

void TestDocumentFiles::eachDocumentFormatOpensAndBecomesCurrent_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("plainText");
    QTest::newRow("rtf") << "lettre.rtf" << false;
    QTest::newRow("doc") << "lettre.doc" << false;
    QTest::newRow("rtc") << "lettre.rtc" << false;
    QTest::newRow("txt") << "lettre.txt" << true;
}

void TestDocumentFiles::eachDocumentFormatOpensAndBecomesCurrent()
{
    QFETCH(QString, name);
    QFETCH(bool, plainText);
    // Every format is written by the window itself first, so this is also the round trip.
    F->Type(QStringLiteral("Chère madame, voilà l'été"));
    F->Dialogs.QueueSaveFileName(F->Path(name));
    if (plainText)
        F->Dialogs.QueueAnswer(mrYes); // the formatting goes
    F->Window->BtnSaveClick();
    QVERIFY(F->Dialogs.Errors().isEmpty());
    F->Window->BtnNewClick();
    QCOMPARE(F->Editor().TextLength(), 0);

    F->Dialogs.QueueOpenFileName(F->Path(name));
    F->Window->BtnOpenClick();
    QVERIFY2(F->Dialogs.Errors().isEmpty(), qPrintable(F->Dialogs.Errors().value(0).Text));
    QCOMPARE(F->Editor().Text(), QStringLiteral("Chère madame, voilà l'été"));
    QCOMPARE(F->Window->CurrentFile(), F->Path(name));
    QCOMPARE(F->Window->windowTitle(), QStringLiteral("Orvane Tamsel Express >>  [%1]").arg(F->Path(name)));
    QCOMPARE(QApplication::applicationName(), name);
    QCOMPARE(F->Editor().PlainText(), plainText);
    QVERIFY(!F->Editor().Modified());
    QCOMPARE(F->Window->StatusText(2), QString());
    // Saved once through the dialog, opened once: two entries, newest first.
    QCOMPARE(F->History->Entries(), QStringList({ F->Path(name), F->Path(name) }));
}

void TestDocumentFiles::upperCaseExtensionOpensNothing()
{
    WriteRtf(*F, QStringLiteral("LETTRE.RTF"), QStringLiteral("Bonjour"));
    F->Dialogs.QueueOpenFileName(F->Path(QStringLiteral("LETTRE.RTF")));
    F->Window->BtnOpenClick();
    QCOMPARE(F->Editor().TextLength(), 0);
    QCOMPARE(F->Window->CurrentFile(), F->Path(QStringLiteral("LETTRE.RTF")));
    QVERIFY(F->Window->windowTitle().endsWith(QStringLiteral("LETTRE.RTF]")));
    QCOMPARE(F->History->Entries().value(0), F->Path(QStringLiteral("LETTRE.RTF")));
}

void TestDocumentFiles::savingUntitledAsksAndRemembersTheName()
{
    F->Type(QStringLiteral("Un"));
    F->Dialogs.QueueSaveFileName(F->Path(QStringLiteral("un.rtf")));
    F->Window->BtnSaveClick();
    QCOMPARE(F->Dialogs.FileDialogs().size(), 1);
    const TFileDialogData& shown = F->Dialogs.FileDialogs().front().Data;
    QCOMPARE(shown.FileName, QStringLiteral("Untitled Document"));
    QCOMPARE(shown.DefaultExt, QStringLiteral("rtf"));
    QVERIFY(shown.Options.OverwritePrompt);
    QVERIFY(
        shown.Filter.startsWith(QStringLiteral("Rich Text Format (*.rtf)|*.rtf|Rich Text Compressed (*.rtc)|*.rtc|")));
    QVERIFY(shown.Filter.endsWith(QStringLiteral("Plain Text (*.txt)|*.txt")));
    QVERIFY(F->ReadFile(QStringLiteral("un.rtf")).startsWith("{\\rtf1"));

    // The dialog comes back with the filter entry chosen last.
    F->Dialogs.QueueSaveFileName(F->Path(QStringLiteral("deux.txt")), 6);
    F->Dialogs.QueueAnswer(mrYes); // formatting goes: continue
    F->Window->SaveDocumentAs1Click();
    F->Dialogs.QueueSaveFileName(F->Path(QStringLiteral("trois.txt")));
    F->Window->SaveDocumentAs1Click();
    QCOMPARE(F->Dialogs.FileDialogs().last().Data.FilterIndex, 6);
    QCOMPARE(F->ReadFile(QStringLiteral("trois.txt")), QByteArray("Un"));
}

void TestDocumentFiles::compressedFilesAreOneZlibStream()
{
    F->Type(QStringLiteral("Compressé"));
    F->Editor().SelectAll();
    F->Editor().SelectionAttributes().SetStyle({ TFontStyle::fsBold });
    F->Dialogs.QueueSaveFileName(F->Path(QStringLiteral("a.rtc")));
    F->Window->BtnSaveClick();
    const QByteArray bytes = F->ReadFile(QStringLiteral("a.rtc"));
    QVERIFY(bytes.size() > 6);
    QCOMPARE(quint8(bytes[0]), quint8(0x78));
    QCOMPARE(quint8(bytes[1]), quint8(0x01));
    QVERIFY(!QFileInfo::exists(F->Path(QStringLiteral("a.rtc.tmp"))));

    // Bytes after the stream are ignored.
    F->WriteFile(QStringLiteral("b.rtc"), bytes + QByteArray("trailing garbage"));
    F->Window->OpenDocumentFrom(F->Path(QStringLiteral("b.rtc")));
    QCOMPARE(F->Editor().Text(), QStringLiteral("Compressé"));
    F->Editor().SetSelectionStart(0);
    F->Editor().SetSelectionLength(3);
    QVERIFY(F->Editor().SelectionAttributes().Style().Contains(TFontStyle::fsBold));
}

void TestDocumentFiles::exportsNeverBecomeTheCurrentDocument()
{
    F->Type(QStringLiteral("Rapport"));
    F->Dialogs.QueueSaveFileName(F->Path(QStringLiteral("rapport.pdf")));
    RunCommand(F->Dialogs, [&] { F->Window->BtnSaveClick(); });
    QCOMPARE(F->Window->CurrentFile(), QStringLiteral("Untitled Document"));
    QCOMPARE(F->Window->windowTitle(), QStringLiteral("Orvane Tamsel Express"));
    QVERIFY(F->History->Entries().isEmpty());
    // An export is no saved document: the work still counts as unsaved.
    QVERIFY(F->Editor().Modified());
    F->Dialogs.QueueSaveFileName(F->Path(QStringLiteral("rapport.ovp")));
    RunCommand(F->Dialogs, [&] { F->Window->BtnSaveClick(); });
    QCOMPARE(F->Dialogs.FileDialogs().size(), 2);
    QCOMPARE(F->Window->CurrentFile(), QStringLiteral("Untitled Document"));
    QVERIFY(F->Editor().Modified());
    QVERIFY(QFile::exists(F->Path(QStringLiteral("rapport.pdf"))));
    QVERIFY(QFile::exists(F->Path(QStringLiteral("rapport.ovp"))));
    QCOMPARE(F->Dialogs.Errors().size(), 0);
}

void TestDocumentFiles::unknownSaveExtensionIsRefused()
{
    F->Type(QStringLiteral("Notes"));
    F->Dialogs.QueueSaveFileName(F->Path(QStringLiteral("notes.md")));
    RunCommand(F->Dialogs, [&] { F->Window->BtnSaveClick(); });
    QCOMPARE(F->Dialogs.Errors().size(), 1);
    QVERIFY(F->Dialogs.Errors().front().Text.contains(QStringLiteral("notes.md")));
    QCOMPARE(F->Window->CurrentFile(), QStringLiteral("Untitled Document"));
    QVERIFY(F->Editor().Modified());
    QVERIFY(F->History->Entries().isEmpty());
}

void TestDocumentFiles::plainTextSaveDropsFormattingAndKeepsEveryCharacter()
{
    F->Type(QStringLiteral("Ça coûte 5 € — ok"));
    F->Editor().SelectAll();
    F->Editor().SelectionAttributes().SetStyle({ TFontStyle::fsItalic });
    F->Window->SaveDocumentTo(F->Path(QStringLiteral("prix.txt")));
    QCOMPARE(F->ReadFile(QStringLiteral("prix.txt")), QStringLiteral("Ça coûte 5 € — ok").toUtf8());
    QVERIFY(F->Editor().PlainText());
    F->Window->SaveDocumentTo(F->Path(QStringLiteral("prix.rtf")));
    QVERIFY(!F->Editor().PlainText());
    QVERIFY(!F->ReadFile(QStringLiteral("prix.rtf")).contains("\\i"));

    // A Windows-1252 file, as older programs wrote them, still reads.
    F->WriteFile(QStringLiteral("ancien.txt"), QByteArray("caf\xe9 cr\xe8me"));
    F->Window->OpenDocumentFrom(F->Path(QStringLiteral("ancien.txt")));
    QCOMPARE(F->Editor().Text(), QStringLiteral("café crème"));
}

void TestDocumentFiles::plainTextSaveAsksBeforeStrippingTheDocument()
{
    F->Type(QStringLiteral("Gras"));
    F->Editor().SelectAll();
    F->Editor().SelectionAttributes().SetStyle({ TFontStyle::fsBold });
    F->Window->SaveDocumentTo(F->Path(QStringLiteral("lettre.rtf")));
    F->Editor().SetSelectionStart(F->Editor().TextLength());
    F->Type(QStringLiteral(" et plus"));

    // No: nothing is written and the window keeps everything, unsaved changes included.
    F->Dialogs.QueueSaveFileName(F->Path(QStringLiteral("lettre.txt")));
    F->Dialogs.QueueAnswer(mrNo);
    F->Window->SaveDocumentAs1Click();
    QCOMPARE(F->Dialogs.Prompts().last().Text,
        QStringLiteral("Saving as plain text removes all formatting and pictures. Continue?"));
    QVERIFY(!QFile::exists(F->Path(QStringLiteral("lettre.txt"))));
    QVERIFY(!F->Editor().PlainText());
    QCOMPARE(F->Window->CurrentFile(), F->Path(QStringLiteral("lettre.rtf")));
    QVERIFY(F->Editor().Modified());
    F->Editor().SetSelectionStart(0);
    F->Editor().SetSelectionLength(4);
    QVERIFY(F->Editor().SelectionAttributes().Style().Contains(TFontStyle::fsBold));

    // Yes: saved as text, and a plain text document is not asked again.
    F->Dialogs.QueueSaveFileName(F->Path(QStringLiteral("lettre.txt")));
    F->Dialogs.QueueAnswer(mrYes);
    F->Window->SaveDocumentAs1Click();
    QCOMPARE(F->ReadFile(QStringLiteral("lettre.txt")), QByteArray("Gras et plus"));
    const qsizetype asked = F->Dialogs.Prompts().size();
    F->Dialogs.QueueSaveFileName(F->Path(QStringLiteral("copie.txt")));
    F->Window->SaveDocumentAs1Click();
    QCOMPARE(F->Dialogs.Prompts().size(), asked);
    QCOMPARE(F->ReadFile(QStringLiteral("copie.txt")), QByteArray("Gras et plus"));
}

void TestDocumentFiles::binaryFilesAreRefusedAndTheEditorKept()
{
    F->Type(QStringLiteral("Mon travail"));
    F->Window->SaveDocumentTo(F->Path(QStringLiteral("travail.rtf")));
    QByteArray program("\x7F" "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0>\0", 20);
    program += QByteArray(4000, '\x90');
    F->WriteFile(QStringLiteral("programme.rtf"), program);
    F->Dialogs.QueueOpenFileName(F->Path(QStringLiteral("programme.rtf")));
    RunCommand(F->Dialogs, [&] { F->Window->BtnOpenClick(); });
    QCOMPARE(F->Dialogs.Errors().size(), 1);
    QCOMPARE(F->Dialogs.Errors().front().Text,
        F->Path(QStringLiteral("programme.rtf")) + QStringLiteral(" is not a document Tamsel can open."));
    QCOMPARE(F->Editor().Text(), QStringLiteral("Mon travail"));
    QCOMPARE(F->Window->CurrentFile(), F->Path(QStringLiteral("travail.rtf")));
    // A later Save writes the document it belongs to, never the program.
    F->Window->BtnSaveClick();
    QCOMPARE(F->ReadFile(QStringLiteral("programme.rtf")), program);

    // The same bytes as .txt are refused too; text in UTF-16 holds NULs and still opens.
    F->WriteFile(QStringLiteral("programme.txt"), program);
    QVERIFY_THROWS_EXCEPTION(std::exception, F->Window->OpenDocumentFrom(F->Path(QStringLiteral("programme.txt"))));
    QByteArray utf16("\xFF\xFE", 2);
    for (const QChar c : QStringLiteral("été"))
        utf16 += QByteArray(reinterpret_cast<const char*>(&c), 2);
    F->WriteFile(QStringLiteral("unicode.txt"), utf16);
    F->Window->OpenDocumentFrom(F->Path(QStringLiteral("unicode.txt")));
    QCOMPARE(F->Window->CurrentFile(), F->Path(QStringLiteral("unicode.txt")));
    QCOMPARE(F->Editor().Text(), QStringLiteral("été"));
}

void TestDocumentFiles::newDocumentForgetsTheOldName()
{
    F->Type(QStringLiteral("Texte"));
    F->Window->SaveDocumentTo(F->Path(QStringLiteral("ancien.rtf")));
    QCOMPARE(IDialogs::ApplicationTitle(), QStringLiteral("ancien.rtf"));
    F->Window->BtnNewClick();
    QCOMPARE(IDialogs::ApplicationTitle(), QStringLiteral("Tamsel Express"));
    QCOMPARE(F->Window->StatusText(1), QStringLiteral("Line:   1  Column:   1"));
}

void TestDocumentFiles::saveAsProposesTheNameWithoutExtension()
{
    F->Window->SaveDocumentAs1Click(); // cancelled
    QCOMPARE(F->Dialogs.FileDialogs().last().Data.FileName, QStringLiteral("Untitled Document"));
    F->Window->SaveDocumentTo(F->Path(QStringLiteral("offre.rtf")));
    F->Window->SaveDocumentAs1Click();
    QCOMPARE(F->Dialogs.FileDialogs().last().Data.FileName, QStringLiteral("offre"));

    F->Dialogs.QueueSaveFileName(F->Path(QStringLiteral("copie.rtf")));
    F->Window->SaveDocumentAs1Click();
    F->Dialogs.QueueSaveFileName(F->Path(QStringLiteral("copie.rtf")));
    F->Dialogs.QueueAnswer(mrYes); // replace the file
    F->Window->SaveDocumentAs1Click();
    QCOMPARE(F->History->Entries(),
        QStringList({ F->Path(QStringLiteral("copie.rtf")), F->Path(QStringLiteral("copie.rtf")) }));
}

void TestDocumentFiles::saveOnATitledDocumentWritesAtOnce()
{
    WriteRtf(*F, QStringLiteral("titre.rtf"), QStringLiteral("Avant"));
    F->Window->OpenDocumentFrom(F->Path(QStringLiteral("titre.rtf")));
    F->Type(QStringLiteral(" et après"));
    F->Window->BtnSaveClick();
    QVERIFY(F->Dialogs.FileDialogs().isEmpty());
    QVERIFY(F->History->Entries().isEmpty());
    QVERIFY(!F->Editor().Modified());
    QVERIFY(F->ReadFile(QStringLiteral("titre.rtf")).contains("et apr"));
}

void TestDocumentFiles::saveReplacesTheFileWholeAndAtomically()
{
    WriteRtf(*F, QStringLiteral("lien.rtf"), QStringLiteral("Ancien"));
    // A second name for the old file's content: a save that rewrote the file in place would change it.
    QVERIFY(::link(QFile::encodeName(F->Path(QStringLiteral("lien.rtf"))).constData(),
                QFile::encodeName(F->Path(QStringLiteral("dur.rtf"))).constData())
        == 0);
    F->Type(QStringLiteral("Nouveau"));
    F->Window->SaveDocumentTo(F->Path(QStringLiteral("lien.rtf")));
    QVERIFY(F->ReadFile(QStringLiteral("lien.rtf")).contains("Nouveau"));
    QVERIFY(F->ReadFile(QStringLiteral("dur.rtf")).contains("Ancien"));
    QCOMPARE(QDir(F->Folder.path()).entryList(QDir::Files).size(), 2); // no temporary file left

    // A folder that does not exist: the error says so and the document stays unsaved.
    F->Type(QStringLiteral(" encore"));
    RunCommand(F->Dialogs, [&] { F->Window->SaveDocumentTo(F->Path(QStringLiteral("absent/lettre.rtf"))); });
    QCOMPARE(F->Dialogs.Errors().size(), 1);
    QVERIFY(F->Dialogs.Errors().front().Text.startsWith(QStringLiteral("Cannot create file")));
    QVERIFY(F->Editor().Modified());
}

void TestDocumentFiles::failedOpenLeavesTheDocumentUntitled()
{
    F->WriteFile(QStringLiteral("abime.rtc"), QByteArray("\x78\x01 this is not deflate data", 26));
    F->Dialogs.QueueOpenFileName(F->Path(QStringLiteral("abime.rtc")));
    RunCommand(F->Dialogs, [&] { F->Window->BtnOpenClick(); });
    QCOMPARE(F->Dialogs.Errors().size(), 1);
    QCOMPARE(F->Dialogs.Errors().front().Text, QStringLiteral("error."));
    QCOMPARE(F->Window->CurrentFile(), QStringLiteral("Untitled Document"));
    QCOMPARE(F->Window->windowTitle(), QStringLiteral("Orvane Tamsel Express"));
    // The history entry is made before reading, and stays.
    QCOMPARE(F->History->Entries(), QStringList({ F->Path(QStringLiteral("abime.rtc")) }));

    // A later Save asks for a name instead of writing over the damaged file.
    F->Type(QStringLiteral("Texte"));
    F->Window->BtnSaveClick();
    QCOMPARE(F->Dialogs.FileDialogs().last().Save, true);
    QCOMPARE(F->ReadFile(QStringLiteral("abime.rtc")), QByteArray("\x78\x01 this is not deflate data", 26));
}

void TestDocumentFiles::promptAnswers()
{
    // No: the changes are dropped.
    F->Type(QStringLiteral("Brouillon"));
    F->Dialogs.QueueAnswer(mrNo);
    RunCommand(F->Dialogs, [&] { F->Window->BtnNewClick(); });
    QCOMPARE(F->Dialogs.Prompts().front().Text, QStringLiteral("Save changes to  [Untitled Document] ?"));
    QCOMPARE(F->Dialogs.Prompts().front().Buttons, TMsgDlgButtons::mbYesNoCancel);
    QCOMPARE(F->Editor().TextLength(), 0);

    // Cancel: the command ends silently and the document stays.
    F->Type(QStringLiteral("Brouillon"));
    F->Dialogs.QueueAnswer(mrCancel);
    RunCommand(F->Dialogs, [&] { F->Window->BtnOpenClick(); });
    QVERIFY(F->Dialogs.Errors().isEmpty());
    QCOMPARE(F->Dialogs.FileDialogs().size(), 0);
    QCOMPARE(F->Editor().Text(), QStringLiteral("Brouillon"));

    // Yes: saved first, then the command goes on.
    F->Dialogs.QueueAnswer(mrYes);
    F->Dialogs.QueueSaveFileName(F->Path(QStringLiteral("brouillon.rtf")));
    RunCommand(F->Dialogs, [&] { F->Window->BtnNewClick(); });
    QVERIFY(F->ReadFile(QStringLiteral("brouillon.rtf")).contains("Brouillon"));
    QCOMPARE(F->Editor().TextLength(), 0);
    QCOMPARE(F->Window->windowTitle(), QStringLiteral("Orvane Tamsel Express"));

    // An untouched document asks nothing.
    RunCommand(F->Dialogs, [&] { F->Window->BtnNewClick(); });
    QCOMPARE(F->Dialogs.Prompts().size(), 3);
}

void TestDocumentFiles::yesThenCancellingTheSaveDialogKeepsTheWork()
{
    F->Type(QStringLiteral("Précieux"));
    F->Dialogs.QueueAnswer(mrYes); // and no file name: the save dialog is cancelled
    RunCommand(F->Dialogs, [&] { F->Window->BtnNewClick(); });
    QCOMPARE(F->Editor().Text(), QStringLiteral("Précieux"));
    QVERIFY(F->Editor().Modified());

    F->Dialogs.QueueAnswer(mrYes);
    QVERIFY(!F->Window->FormClose());
    QCOMPARE(F->Editor().Text(), QStringLiteral("Précieux"));
}

QTEST_MAIN(TestDocumentFiles)
#include "tst_document_files.moc"
