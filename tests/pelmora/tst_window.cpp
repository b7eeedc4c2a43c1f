// The main window: messages, indents, the size guard, imports that fail.
#include "CsvFile.h"
#include "Errors.h"
#include "Main.h"
#include "PgPreview.h"
#include "Preview.h"
#include "RtRichEd.h"
#include "ScriptedDialogs.h"

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

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
