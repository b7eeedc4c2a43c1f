// PrintDocument: one job of as many pages as the text needs, on the PDF printer.
#include "Errors.h"
#include "PrinterDevice.h"
#include "RtRichEd.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TestPrinting : public QObject {
    Q_OBJECT
private slots:
    void printsOnePagePerSlice_data();
    void printsOnePagePerSlice();
    void printAreaHasItsInitialValue();
    void withoutPrinterRaises();
};

static int PdfPages(const QString& path)
{
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), { path });
    if (!info.waitForFinished(30000))
        return -1;
    const QString output = QString::fromUtf8(info.readAllStandardOutput());
    const auto match = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(output);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

void TestPrinting::printsOnePagePerSlice_data()
{
    QTest::addColumn<int>("paragraphs");
    QTest::addColumn<int>("minimumPages");
    QTest::addColumn<int>("maximumPages");
    QTest::newRow("empty") << 0 << 1 << 1;
    QTest::newRow("one page") << 3 << 1 << 1;
    QTest::newRow("several pages") << 400 << 4 << 120;
}

void TestPrinting::printsOnePagePerSlice()
{
    QFETCH(int, paragraphs);
    QFETCH(int, minimumPages);
    QFETCH(int, maximumPages);
    if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
        QSKIP("pdfinfo is not installed");
    QTemporaryDir folder;
    TPrinterDevice printer;
    printer.SetPrinterIndex(printer.Printers().IndexOf(TPrinters::PdfPrinterName));
    const QString path = folder.filePath(QStringLiteral("printed.pdf"));
    printer.SetOutputFileName(path);
    TRtRichEdit editor;
    editor.SetPrinter(&printer);
    QStringList text;
    for (int i = 0; i < paragraphs; ++i)
        text.append(QStringLiteral("Line %1 of the printed document.").arg(i));
    editor.SetSelectedText(text.join(u'\r'));
    editor.PrintDocument(QStringLiteral("letter.rtf"));
    QVERIFY(!printer.Printing());
    const int pages = PdfPages(path);
    QVERIFY2(pages >= minimumPages && pages <= maximumPages, qPrintable(QString::number(pages)));
}

void TestPrinting::printAreaHasItsInitialValue()
{
    TRtRichEdit editor;
    const RECT area = editor.PrintArea();
    QCOMPARE(area.left, 180);
    QCOMPARE(area.top, 180);
    QCOMPARE(area.right, 1308);
    QCOMPARE(area.bottom, 1924);
}

void TestPrinting::withoutPrinterRaises()
{
    TRtRichEdit editor;
    QVERIFY_THROWS_EXCEPTION(EPrinter, editor.PrintDocument(QStringLiteral("x")));
}

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
