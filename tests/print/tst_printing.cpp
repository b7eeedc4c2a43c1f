// Print jobs through the "PDF File" printer: pages and text as paginated, pages to a sheet,
// ranges, device-mode settings, and errors that leave the printer usable.
#include "Dialogs.h"
#include "Errors.h"
#include "PgPreview.h"
#include "PgRtfPreview.h"
#include "PrintTestSupport.h"
#include "TestMain.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct TPrintedDocument {
    TPgPreview Preview;
    TPgRtfPreview Paginator;
    TRichEditControl Editor;

    explicit TPrintedDocument(const QString& text)
    {
        Paginator.SetPreview(&Preview);
        FillControl(Editor, text);
        Rebuild();
    }
    void Rebuild()
    {
        Preview.BeginUpdate();
        Preview.Clear();
        Paginator.LoadFromRichEdit(Editor);
        Preview.FirstPage();
        Preview.EndUpdate();
    }
};

} // namespace

class TestPrintJobs : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        QVERIFY(FFolder.isValid());
        QFile::remove(FFolder.filePath(QStringLiteral("out.pdf")));
        PrintToPdf(FFolder.filePath(QStringLiteral("out.pdf")));
    }

    void pdfHasThePreviewsPagesAndTheWholeTextOnce()
    {
        if (!HavePdfTools())
            QSKIP("pdfinfo and pdftotext are not installed");
        TPrintedDocument document(NumberedText(250));
        QVERIFY(document.Preview.NumPages() > 2);
        int printed = 0, total = 0;
        document.Preview.OnPrintProgress = [&](QObject*, int done, int all) {
            printed = done;
            total = all;
        };
        document.Preview.Print();
        const QString path = FFolder.filePath(QStringLiteral("out.pdf"));
        QCOMPARE(PdfPages(path), document.Preview.NumPages());
        QCOMPARE(printed, document.Preview.NumPages());
        QCOMPARE(total, document.Preview.NumPages());
        // Nothing lost or doubled where one page ends and the next begins.
        const QString difference = Difference(WithoutSpaces(PdfText(path)), WithoutSpaces(document.Editor.Text()));
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
        QVERIFY(!document.Preview.PgPrinter().Printing());
    }

    void headerAndFooterCarryExpandedTokens()
    {
        if (!HavePdfTools())
            QSKIP("pdfinfo and pdftotext are not installed");
        TPrintedDocument document(NumberedText(120));
        TPgHeader& header = document.Preview.Header();
        header.SetVisible(true);
        header.CaptionLeft.SetCaption(QStringLiteral("Left side"));
        header.CaptionRight.SetCaption(QStringLiteral("Page {PAGE} of {NUMPAGES}"));
        document.Preview.Footer().SetVisible(true);
        document.Preview.Footer().CaptionCenter.SetCaption(QStringLiteral("{page} stays"));
        document.Rebuild();
        const int pages = document.Preview.NumPages();
        QVERIFY(pages >= 2);
        document.Preview.Print();
        const QString path = FFolder.filePath(QStringLiteral("out.pdf"));
        const QString second = PdfText(path, 2, 2);
        QVERIFY2(second.contains(QStringLiteral("Page 2 of %1").arg(pages)), qPrintable(second));
        QVERIFY(second.contains(QStringLiteral("Left side")));
        QVERIFY(second.contains(QStringLiteral("{page} stays")));
    }

    void reversedRangePrintsBackwards()
    {
        if (!HavePdfTools())
            QSKIP("pdfinfo and pdftotext are not installed");
        TPrintedDocument document(NumberedText(200));
        QVERIFY(document.Preview.NumPages() >= 3);
        std::vector<int> order;
        document.Preview.OnPrintProgress = [&](QObject*, int, int) { order.push_back(0); };
        document.Preview.PrintRange(3, 1);
        const QString path = FFolder.filePath(QStringLiteral("out.pdf"));
        QCOMPARE(PdfPages(path), 3);
        const int firstWordOfPage3 = document.Editor
                                         .TextRange(document.Preview.Pages(3).RtfInfo.CharStart(),
                                             document.Preview.Pages(3).RtfInfo.CharStart() + 8)
                                         .section(u' ', 0, 0)
                                         .mid(1)
                                         .toInt();
        QVERIFY(WithoutSpaces(PdfText(path, 1, 1)).startsWith(QStringLiteral("w%1").arg(firstWordOfPage3)));
        QVERIFY(WithoutSpaces(PdfText(path, 3, 3)).startsWith(QStringLiteral("w0")));
    }

    void twoUpPutsPairsOnLandscapeSheets()
    {
        if (!HavePdfTools())
            QSKIP("pdfinfo and pdftotext are not installed");
        TPrintedDocument document(NumberedText(400));
        while (document.Preview.NumPages() > 5)
            document.Preview.Document().DeletePagesAfter(5);
        QCOMPARE(document.Preview.NumPages(), 5);
        document.Preview.SetPagesPerSheet(TPgPagesPerSheet::pgTwoPage);
        TPgPrinter& printer = document.Preview.PgPrinter();
        std::vector<RECT> cells;
        std::vector<int> scales;
        document.Preview.OnPrintProgress = [&](QObject*, int, int) {
            cells.push_back(printer.PlacedCell());
            scales.push_back(printer.PlacedScale());
        };
        document.Preview.Print();
        const QString path = FFolder.filePath(QStringLiteral("out.pdf"));
        QCOMPARE(PdfPages(path), 3);
        const QSizeF sheet = PdfPageSize(path);
        QVERIFY2(sheet.width() > sheet.height(), "the sheets are not landscape");
        QCOMPARE(int(cells.size()), 5);
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(cells[std::size_t(i)].left == 0, i % 2 == 0); // odd pages on the left half
            QCOMPARE(scales[std::size_t(i)], 70);
        }
        QVERIFY(!printer.SheetLandscape()); // the sheet orientation is restored after the job
    }

    // This was overlap: min/max of the sheet's sides only fits A-series halves.
    void twoUpFitsTheHalfSheetOnLetter()
    {
        TPrintedDocument document(NumberedText(150));
        document.Preview.SetPaperSize(TPgPaperSize::Letter);
        document.Rebuild();
        document.Preview.SetPagesPerSheet(TPgPagesPerSheet::pgTwoPage);
        TPgPrinter& printer = document.Preview.PgPrinter();
        int scale = 0;
        RECT cell {};
        document.Preview.OnPrintProgress = [&](QObject*, int, int) {
            scale = printer.PlacedScale();
            cell = printer.PlacedCell();
        };
        document.Preview.PrintCurrentPage();
        const int pageWidth = PgRound(8.5L * printer.Info().DpiX);
        QVERIFY2(pageWidth * scale / 100 <= cell.right - cell.left,
            qPrintable(QStringLiteral("scale %1 overflows the half sheet").arg(scale)));
        QCOMPARE(scale, 64);
    }

    void fourUpScalesTo49()
    {
        TPrintedDocument document(NumberedText(300));
        document.Preview.SetPagesPerSheet(TPgPagesPerSheet::pgFourPage);
        TPgPrinter& printer = document.Preview.PgPrinter();
        std::vector<int> scales;
        std::vector<RECT> cells;
        document.Preview.OnPrintProgress = [&](QObject*, int, int) {
            scales.push_back(printer.PlacedScale());
            cells.push_back(printer.PlacedCell());
        };
        document.Preview.Print();
        QVERIFY(scales.size() >= 4);
        for (const int scale : scales)
            QCOMPARE(scale, 49);
        QCOMPARE(cells[0].left, 0);
        QCOMPARE(cells[0].top, 0);
        QVERIFY(cells[1].left > 0 && cells[1].top == 0);
        QVERIFY(cells[2].left == 0 && cells[2].top > 0);
        QVERIFY(cells[3].left > 0 && cells[3].top > 0);
        if (HavePdfTools())
            QCOMPARE(PdfPages(FFolder.filePath(QStringLiteral("out.pdf"))), (int(scales.size()) + 3) / 4);
    }

    // This was a silent print of nothing, or of pages that do not exist.
    void rangeOutsideThePagesIsAnErrorAndPrintsNothing()
    {
        TPrintedDocument document(NumberedText(5));
        bool started = false;
        document.Preview.BeforePrint = [&](QObject*) { started = true; };
        QVERIFY_THROWS_EXCEPTION(EPrinter, document.Preview.PrintRange(1, 2));
        QVERIFY_THROWS_EXCEPTION(EPrinter, document.Preview.PrintRange(0, 1));
        QVERIFY(!started);
        QVERIFY(!QFile::exists(FFolder.filePath(QStringLiteral("out.pdf"))));
        QVERIFY(!document.Preview.Document().IsUpdating());
    }

    // This was a printer stuck in "printing" after any failure: every later job did nothing.
    void failingJobLeavesThePrinterUsable()
    {
        TPrintedDocument document(NumberedText(200));
        int afterPrint = 0;
        document.Preview.AfterPrint = [&](QObject*) { ++afterPrint; };
        document.Preview.OnPrintProgress = [](QObject*, int printed, int) {
            if (printed == 2)
                throw EPrinter(QStringLiteral("paper jam"));
        };
        QVERIFY_THROWS_EXCEPTION(EPrinter, document.Preview.Print());
        QCOMPARE(afterPrint, 1);
        QVERIFY(!document.Preview.PgPrinter().Printing());
        QVERIFY(!ProgramPrinter().Printing());
        QVERIFY(!document.Preview.Document().IsUpdating());
        QVERIFY(!QFile::exists(FFolder.filePath(QStringLiteral("out.pdf"))));

        ProgramPrinter().SetOutputFileName(FFolder.filePath(QStringLiteral("missing/folder/out.pdf")));
        document.Preview.OnPrintProgress = nullptr;
        QVERIFY_THROWS_EXCEPTION(EPrinter, document.Preview.Print());
        QVERIFY(!document.Preview.PgPrinter().Printing());

        ProgramPrinter().SetOutputFileName(FFolder.filePath(QStringLiteral("out.pdf")));
        document.Preview.Print();
        QVERIFY(QFile::exists(FFolder.filePath(QStringLiteral("out.pdf"))));
    }

    void withoutPrinterPreviewWorksAndPrintingFails()
    {
        TPgPreview preview;
        preview.PgPrinter().SetDevice(nullptr);
        TPgRtfPreview paginator;
        paginator.SetPreview(&preview);
        TRichEditControl editor;
        FillControl(editor, NumberedText(100));
        preview.Clear();
        paginator.LoadFromRichEdit(editor);
        QVERIFY(preview.NumPages() >= 2);
        QCOMPARE(preview.PgPrinter().Info().DpiX, 300);
        QCOMPARE(preview.PgPrinter().Info().MarginRight, 58);
        QImage image(300, 400, QImage::Format_RGB32);
        QPainter painter(&image);
        preview.PaperImage().PaintTo(painter);
        try {
            preview.Print();
            QFAIL("printing without a printer succeeded");
        } catch (const EPrinter& error) {
            QCOMPARE(error.Message(), QStringLiteral("Unable to print... No Printer available."));
        }
        QVERIFY(!preview.Document().IsUpdating());
    }

    void deviceModeValuesAreWrittenAndReadBack()
    {
        TPgPrinter printer(&ProgramPrinter());
        printer.SetPrintQuality(TPgPrintQuality::pgDraft);
        QCOMPARE(ProgramPrinter().DevMode().dmPrintQuality, SHORT(-1));
        QCOMPARE(printer.PrintQuality(), TPgPrintQuality::pgDraft);
        printer.SetPrintColor(TPgPrintColor::pgMonochrome);
        QCOMPARE(ProgramPrinter().DevMode().dmColor, SHORT(1));
        printer.SetPaperSize(TPgPaperSize::A4);
        QCOMPARE(ProgramPrinter().DevMode().dmPaperSize, SHORT(9));
        printer.SetPaperSize(TPgPaperSize::C6); // no printer code: left as it was
        QCOMPARE(ProgramPrinter().DevMode().dmPaperSize, SHORT(9));
        printer.SetPrintCopies(3);
        // This was a silent reset: a value the printer refuses keeps the previous settings.
        QVERIFY_THROWS_EXCEPTION(EPrinter, printer.SetPrintCopies(0));
        QCOMPARE(printer.PrintCopies(), 3);
        printer.SetPrinterIndex(ProgramPrinter().Printers().PdfIndex());
        QCOMPARE(printer.PrintColor(), TPgPrintColor::pgColor); // driver defaults return
        QCOMPARE(printer.PrintCopies(), 1);
    }

    void programWidePrinterIsSharedByEveryPreview()
    {
        TPgPreview first, second;
        QCOMPARE(first.PgPrinter().Device(), &ProgramPrinter());
        QCOMPARE(second.PgPrinter().Device(), &ProgramPrinter());
        first.PgPrinter().SetPrintQuality(TPgPrintQuality::pgHigh);
        QCOMPARE(second.PgPrinter().PrintQuality(), TPgPrintQuality::pgHigh);
    }

    void printDialogChoosesTheProgramsPrinter()
    {
        TPgPreview preview;
        TPrintDialogData data = PrintDialogDataFor(ProgramPrinter());
        QCOMPARE(data.PrinterName, TPrinters::PdfPrinterName);
        data.Copies = 2;
        data.PrintToFile = true;
        data.OutputFileName = FFolder.filePath(QStringLiteral("chosen.pdf"));
        ApplyPrintDialog(ProgramPrinter(), data);
        QCOMPARE(preview.PgPrinter().PrintCopies(), 2); // the engine sees the dialog's choice
        QCOMPARE(ProgramPrinter().OutputFileName(), data.OutputFileName);
        data.PrintToFile = false;
        data.PrinterName = QStringLiteral("No Such Printer");
        QVERIFY_THROWS_EXCEPTION(EPrinter, ApplyPrintDialog(ProgramPrinter(), data));
        QCOMPARE(preview.PgPrinter().PrintCopies(), 2); // a refused answer changes nothing
    }

private:
    QTemporaryDir FFolder;
};

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    return RunTestClasses<TestPrintJobs>(argc, argv);
}

#include "tst_printing.moc"
