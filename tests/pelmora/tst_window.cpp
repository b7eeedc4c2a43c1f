// The main window: messages, indents, the size guard, imports that fail.
#include "CsvFile.h"
#include "Errors.h"
#include "Main.h"
#include "PgPreview.h"
#include "Recovery.h"
#include "Preview.h"
#include "RtRichEd.h"
#include "ScriptedDialogs.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

class TestWindow : public QObject {
    Q_OBJECT
private slots:
    void mergeAndExportNeedTokens();
    void indentStopsAtItsLimits();
    void failedImportKeepsTokensAndData();
    void importThenExportRoundTrips();
    void fontColourColoursTheSelectionOnly();
    void selectingMixedSizesKeepsThem();
    void recoveryCopyBringsBackTemplateTokensAndData();
    void recoveryCopyIsDiscardedOrRefusedWhenDamaged();

private:
    QTemporaryDir FFolder;
};

void TestWindow::mergeAndExportNeedTokens()
{
    TScriptedDialogs dialogs;
    TfrmMain form(dialogs, FFolder.path());
    form.btnMerge->click();
    form.btnSave->click();
    QCOMPARE(dialogs.Messages().size(), 2);
    QCOMPARE(dialogs.Messages()[0].Text, QStringLiteral("Please enter tokens before continuing."));
    QCOMPARE(dialogs.Messages()[1].Text, QStringLiteral("Please enter tokens before continuing."));
}

void TestWindow::indentStopsAtItsLimits()
{
    TScriptedDialogs dialogs;
    TfrmMain form(dialogs, FFolder.path());
    form.Editor->SetSelectedText(QStringLiteral("text"));
    form.btnDecIndent->click();
    QCOMPARE(dialogs.Messages().back().Text, QStringLiteral("Minimum Indentation."));
    for (int i = 1; i <= 21; ++i)
        form.btnIncIndent->click();
    QCOMPARE(form.Editor->ParagraphAttributes().StartIndent(), 420);
    QCOMPARE(dialogs.Messages().size(), 1);
    form.btnIncIndent->click();
    QCOMPARE(dialogs.Messages().back().Text, QStringLiteral("Maximum Indentation."));
    for (int i = 1; i <= 16; ++i)
        form.btnIncHangingIndent->click();
    QCOMPARE(form.Editor->ParagraphAttributes().Offset(), 320);
    form.btnIncHangingIndent->click();
    QCOMPARE(dialogs.Messages().back().Text, QStringLiteral("Maximum Hanging Indentation."));
}

void TestWindow::failedImportKeepsTokensAndData()
{
    TScriptedDialogs dialogs;
    TfrmMain form(dialogs, FFolder.path());
    form.memTokens->setPlainText(QStringLiteral("[NAME]"));
    form.memData->setPlainText(QStringLiteral("Ann"));
    form.memTokens->document()->setModified(false);
    form.memData->document()->setModified(false);
    const QString path = FFolder.filePath(QStringLiteral("damaged.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Other\r\nx\r\n\"open\r\n");
    file.close();
    dialogs.QueueOpenFileName(path);
    form.btnOpen->click();
    QCOMPARE(dialogs.Errors().size(), 1);
    QCOMPARE(form.memTokens->toPlainText(), QStringLiteral("[NAME]"));
    QCOMPARE(form.memData->toPlainText(), QStringLiteral("Ann"));
}

void TestWindow::importThenExportRoundTrips()
{
    TScriptedDialogs dialogs;
    TfrmMain form(dialogs, FFolder.path());
    const QString source = FFolder.filePath(QStringLiteral("in.csv"));
    WriteCsvFile(source, { "Name", "Street" }, { { "Ann", "1, High St" }, { "Bob \"B\"", "" } });
    form.ImportCsv(source);
    QCOMPARE(form.memTokens->toPlainText(), QStringLiteral("[NAME]\n[STREET]"));
    const QString target = FFolder.filePath(QStringLiteral("out.csv"));
    form.ExportCsv(target);
    const TCsvTable table = ReadCsvFile(target);
    QCOMPARE(table.Names, (QStringList { "NAME", "STREET" }));
    QCOMPARE(table.Records, (std::vector<QStringList> { { "Ann", "1, High St" }, { "Bob \"B\"", "" } }));
}

void TestWindow::fontColourColoursTheSelectionOnly()
{
    TScriptedDialogs dialogs;
    TfrmMain form(dialogs, FFolder.path());
    form.Editor->SetSelectedText(QStringLiteral("Dear Ann"));
    form.Editor->SetSelectionStart(0);
    form.Editor->SetSelectionLength(4);
    dialogs.QueueColor(0x0000FF);
    form.btnFontColor->click();
    QCOMPARE(form.Editor->SelectionAttributes().Color(), COLORREF(0x0000FF));
    form.Editor->SetSelectionStart(5);
    form.Editor->SetSelectionLength(3);
    QVERIFY(form.Editor->SelectionAttributes().Color() != COLORREF(0x0000FF));
    form.btnFontColor->click(); // cancelled: nothing changes
    QVERIFY(form.Editor->SelectionAttributes().Color() != COLORREF(0x0000FF));
}

void TestWindow::selectingMixedSizesKeepsThem()
{
    TScriptedDialogs dialogs;
    TfrmMain form(dialogs, FFolder.path());
    form.Editor->SetSelectedText(QStringLiteral("small BIG"));
    form.Editor->SetSelectionStart(6);
    form.Editor->SetSelectionLength(3);
    form.sedFontSize->setValue(20); // the user's own change applies
    QCOMPARE(form.Editor->SelectionAttributes().Size(), 20);
    form.Editor->SetSelectionStart(0);
    form.Editor->SetSelectionLength(2); // the box shows the small size, which must not spread
    form.Editor->SelectAll();
    form.Editor->SetSelectionStart(6);
    form.Editor->SetSelectionLength(3);
    QCOMPARE(form.Editor->SelectionAttributes().Size(), 20);
    form.Editor->SetSelectionStart(0);
    form.Editor->SetSelectionLength(5);
    QVERIFY(form.Editor->SelectionAttributes().Size() < 20);
}

namespace {

void Click(QDialog& dialog, const char* button)
{
    auto* found = dialog.findChild<QPushButton*>(QString::fromLatin1(button));
    QVERIFY(found);
    found->click();
}

} // namespace

void TestWindow::recoveryCopyBringsBackTemplateTokensAndData()
{
    QTemporaryDir recoveryFolder;
    {
        // A Pelmora whose work is never saved: its copy stays behind as after a crash.
        TScriptedDialogs dialogs;
        TfrmMain crashed(dialogs, FFolder.path());
        crashed.StartRecovery(recoveryFolder.path());
        crashed.SaveRecoveryCopy();
        QVERIFY(QDir(recoveryFolder.path()).isEmpty()); // nothing changed yet
        crashed.Editor->SetSelectedText(QStringLiteral("Dear [NAME], Grüße aus Zürich"));
        crashed.memTokens->setPlainText(QStringLiteral("[NAME]\n[CITY]"));
        crashed.memData->setPlainText(QStringLiteral("Zoë,\"Rue Émile, 5\"\nAnn,Bern"));
        crashed.SaveRecoveryCopy();
        QCOMPARE(QDir(recoveryFolder.path()).entryList(QDir::Files).size(), 2);
    }
    TScriptedDialogs dialogs;
    TfrmMain form(dialogs, FFolder.path());
    QString offer;
    dialogs.QueueModal([&](QDialog& dialog) {
        offer = dialog.findChild<QLabel*>(QStringLiteral("LblRecovery"))->text();
        Click(dialog, "BtnRestore");
    });
    QVERIFY(form.OfferRecovery(recoveryFolder.path()));
    QVERIFY(offer.startsWith(QStringLiteral("Pelmora was not closed normally.")));
    QCOMPARE(form.Editor->Text().trimmed(), QStringLiteral("Dear [NAME], Grüße aus Zürich"));
    QCOMPARE(form.memTokens->toPlainText(), QStringLiteral("[NAME]\n[CITY]"));
    QCOMPARE(form.memData->toPlainText(), QStringLiteral("Zoë,\"Rue Émile, 5\"\nAnn,Bern"));
    QVERIFY(form.Editor->Modified()); // still unsaved work
    QVERIFY(QDir(recoveryFolder.path()).isEmpty());
}

void TestWindow::recoveryCopyIsDiscardedOrRefusedWhenDamaged()
{
    QTemporaryDir recoveryFolder;
    auto leaveCopy = [&](const QByteArray& bytes) {
        TRecovery left(recoveryFolder.path(), QCoreApplication::applicationPid(), QStringLiteral("pmr"));
        left.NoteChange();
        left.Write(bytes, QStringLiteral("/home/user/letter.rtf"), QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
    };
    TScriptedDialogs dialogs;
    TfrmMain form(dialogs, FFolder.path());
    form.memTokens->setPlainText(QStringLiteral("[KEEP]"));
    leaveCopy("{\\rtf1 old}");
    dialogs.QueueModal([](QDialog& dialog) { Click(dialog, "BtnDiscard"); });
    QVERIFY(!form.OfferRecovery(recoveryFolder.path()));
    QVERIFY(QDir(recoveryFolder.path()).isEmpty());

    // A copy that is not a package (truncated, or of another program) changes nothing.
    leaveCopy(QByteArray("Pelmora recovery copy 1\n\x00\x00\x00\x10", 28));
    dialogs.QueueModal([](QDialog& dialog) { Click(dialog, "BtnRestore"); });
    QVERIFY_THROWS_EXCEPTION(EConvertError, form.OfferRecovery(recoveryFolder.path()));
    QCOMPARE(form.memTokens->toPlainText(), QStringLiteral("[KEEP]"));
    QVERIFY(QDir(recoveryFolder.path()).isEmpty()); // not offered again at every start
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
