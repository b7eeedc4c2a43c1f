// tamsel --print: PDF files with the preview's pages, the whole text once, captions with their
// tokens, pages to a sheet, and errors with exit status 1 and nothing printed.
#include "PgPreview.h"
#include "PgQuickPrint.h"
#include "PgRtfPreview.h"
#include "TestSupport.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct TRun {
    int Status = -1;
    QString Errors;
};

TRun RunPrint(const QStringList& arguments)
{
    QProcess process;
    process.start(qEnvironmentVariable("TAMSEL_BINARY"), QStringList { QStringLiteral("--print") } + arguments);
    TRun run;
    if (!process.waitForFinished(240000))
        return run;
    run.Status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.Errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QString WithoutSpaces(QString text) { return text.remove(QRegularExpression(QStringLiteral("\\s+"))); }

// Numbered words in paragraphs, as RTF.
QByteArray Document(int paragraphs)
{
    QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 ";
    int word = 0;
    for (int p = 0; p < paragraphs; ++p) {
        if (p > 0)
            rtf += "\\par ";
        for (int w = 0; w < 50; ++w)
            rtf += "word" + QByteArray::number(word++) + ' ';
    }
    return rtf + '}';
}

} // namespace

class TestPrintCommand : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdfinfo and pdftotext are not installed");
        QVERIFY(FFolder.isValid());
        FSource = FFolder.filePath(QStringLiteral("letter.rtf"));
        QFile file(FSource);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write(Document(60)) > 0);
    }

    void printsThePreviewsPagesWithTheWholeTextOnce()
    {
        const QString output = FFolder.filePath(QStringLiteral("all.pdf"));
        const TRun run = RunPrint({ FSource, QStringLiteral("--output"), output, QStringLiteral("--margins"),
            QStringLiteral("20,25,20,25,10,10") });
        QVERIFY2(run.Status == 0, qPrintable(run.Errors));

        // The same document through the engine in this process, with the same margins.
        TPgPreview preview;
        TPgRtfPreview paginator;
        paginator.SetPreview(&preview);
        ApplyPrintMargins(preview, paginator, TPgPrintMargins { 20, 25, 20, 25, 10, 10 });
        TRichEditControl editor;
        QVERIFY(editor.LoadBytes(SF_RTF, Document(60)));
        preview.Clear();
        paginator.LoadFromRichEdit(editor);
        QVERIFY(preview.NumPages() > 2);
        QCOMPARE(PdfPageCount(output), preview.NumPages());
        QCOMPARE(WithoutSpaces(ToolOutput(QStringLiteral("pdftotext"), { output, QStringLiteral("-") })),
            WithoutSpaces(editor.Text()));
    }

    void captionsCarryTheirTokens()
    {
        const QString output = FFolder.filePath(QStringLiteral("captions.pdf"));
        const TRun run = RunPrint(
            { FSource, QStringLiteral("--output"), output, QStringLiteral("--header"), QStringLiteral("Report||{date}"),
                QStringLiteral("--footer"), QStringLiteral("|Page {PAGE} of {NUMPAGES}|") });
        QVERIFY2(run.Status == 0, qPrintable(run.Errors));
        const int pages = PdfPageCount(output);
        const QString last = ToolOutput(QStringLiteral("pdftotext"),
            { QStringLiteral("-f"), QString::number(pages), QStringLiteral("-l"), QString::number(pages), output,
                QStringLiteral("-") });
        QVERIFY2(last.contains(QStringLiteral("Page %1 of %1").arg(pages)), qPrintable(last));
        QVERIFY(last.contains(QStringLiteral("Report")));
        QVERIFY(last.contains(QStringLiteral("{date}"))); // tokens are written in capitals
    }

    void twoPagesToALandscapeSheet()
    {
        const QString all = FFolder.filePath(QStringLiteral("single.pdf"));
        QCOMPARE(RunPrint({ FSource, QStringLiteral("--output"), all }).Status, 0);
        const QString output = FFolder.filePath(QStringLiteral("two.pdf"));
        const TRun run = RunPrint(
            { FSource, QStringLiteral("--output"), output, QStringLiteral("--per-sheet"), QStringLiteral("2") });
        QVERIFY2(run.Status == 0, qPrintable(run.Errors));
        QCOMPARE(PdfPageCount(output), (PdfPageCount(all) + 1) / 2);
        QVERIFY(ToolOutput(QStringLiteral("pdfinfo"), { output }).contains(QStringLiteral("842 x 595")));
    }

    void rangeAndPaperAreApplied()
    {
        const QString output = FFolder.filePath(QStringLiteral("range.pdf"));
        const TRun run = RunPrint({ FSource, QStringLiteral("--output"), output, QStringLiteral("--pages"),
            QStringLiteral("2-1"), QStringLiteral("--paper"), QStringLiteral("Letter") });
        QVERIFY2(run.Status == 0, qPrintable(run.Errors));
        QCOMPARE(PdfPageCount(output), 2);
        QVERIFY(ToolOutput(QStringLiteral("pdfinfo"), { output }).contains(QStringLiteral("612 x 792")));
        const QString first = ToolOutput(QStringLiteral("pdftotext"),
            { QStringLiteral("-f"), QStringLiteral("2"), QStringLiteral("-l"), QStringLiteral("2"), output,
                QStringLiteral("-") });
        QVERIFY(WithoutSpaces(first).startsWith(QStringLiteral("word0"))); // page 1 printed last
    }

    void errorsExitWithTheirMessageAndPrintNothing_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("message");
        QTest::newRow("no room") << QStringList { QStringLiteral("--paper"), QStringLiteral("A6"),
            QStringLiteral("--margins"), QStringLiteral("10,60,10,60") }
                                 << QStringLiteral("The margins leave no room for text.");
        QTest::newRow("range") << QStringList { QStringLiteral("--pages"), QStringLiteral("1-999") }
                               << QStringLiteral("outside the document's pages");
        QTest::newRow("paper") << QStringList { QStringLiteral("--paper"), QStringLiteral("a4") }
                               << QStringLiteral("Unknown paper a4");
        QTest::newRow("per sheet") << QStringList { QStringLiteral("--per-sheet"), QStringLiteral("3") }
                                   << QStringLiteral("--per-sheet");
        QTest::newRow("option") << QStringList { QStringLiteral("--colour") }
                                << QStringLiteral("Unknown option --colour");
        QTest::newRow("margins") << QStringList { QStringLiteral("--margins"), QStringLiteral("1,2,x,4") }
                                 << QStringLiteral("not a whole number");
        QTest::newRow("printer") << QStringList { QStringLiteral("--printer"), QStringLiteral("No Such Printer") }
                                 << QStringLiteral("There is no printer named No Such Printer");
    }
    void errorsExitWithTheirMessageAndPrintNothing()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, message);
        const QString output = FFolder.filePath(QStringLiteral("failed.pdf"));
        QStringList arguments { FSource };
        if (!options.contains(QStringLiteral("--printer")))
            arguments << QStringLiteral("--output") << output;
        const TRun run = RunPrint(arguments + options);
        QCOMPARE(run.Status, 1);
        QVERIFY2(run.Errors.contains(message), qPrintable(run.Errors));
        QVERIFY(!QFile::exists(output));
    }

    void missingDocumentIsAnError()
    {
        const TRun run = RunPrint({ FFolder.filePath(QStringLiteral("missing.rtf")), QStringLiteral("--output"),
            FFolder.filePath(QStringLiteral("missing.pdf")) });
        QCOMPARE(run.Status, 1);
        QVERIFY(run.Errors.contains(QStringLiteral("Cannot open file")));
    }

private:
    QTemporaryDir FFolder;
    QString FSource;
};

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    TestPrintCommand test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_print_cli.moc"
