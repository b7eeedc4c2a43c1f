// Printers: the list, device modes, device capabilities and PDF print jobs checked by PDF readers.
#include "DevMode.h"
#include "DeviceContext.h"
#include "Errors.h"
#include "PrinterDevice.h"
#include "Printers.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(DEVMODE)

namespace {

template <class T> DEVMODE Only(DWORD field, T DEVMODE::*member, T value)
{
    DEVMODE mode;
    mode.dmFields = field;
    mode.*member = value;
    return mode;
}

DEVMODE Sheet(SHORT paper, SHORT orientation, SHORT quality = DMRES_MEDIUM)
{
    DEVMODE mode;
    mode.dmFields = DM_PAPERSIZE | DM_ORIENTATION | DM_PRINTQUALITY;
    mode.dmPaperSize = paper;
    mode.dmOrientation = orientation;
    mode.dmPrintQuality = quality;
    return mode;
}

DEVMODE Orientation(SHORT orientation) { return Only(DM_ORIENTATION, &DEVMODE::dmOrientation, orientation); }

void SelectPdf(TPrinterDevice& printer) { printer.SetPrinterIndex(printer.Printers().PdfIndex()); }

DEVMODE PdfDefaults()
{
    const TPrinters printers;
    return printers.DefaultDevMode(printers.PdfIndex());
}

// A row writing one member: the record written, and the PDF printer's defaults with that member changed.
template <class T> void AddModeRow(const char* name, DWORD field, T DEVMODE::*member, T value)
{
    DEVMODE expected = PdfDefaults();
    expected.*member = value;
    QTest::newRow(name) << Only(field, member, value) << expected;
}

}

class TestPrinterList : public QObject {
    Q_OBJECT

private slots:
    void pdfPrinterIsAlwaysLast()
    {
        const TPrinters printers;
        QCOMPARE(printers.Count(), QPrinterInfo::availablePrinterNames().size() + 1);
        QCOMPARE(printers.Names().constLast(), QStringLiteral("PDF File"));
        QCOMPARE(printers.IndexOf(QStringLiteral("PDF File")), printers.PdfIndex());
        QVERIFY(printers.Entry(printers.PdfIndex()).IsPdf);
        const QString systemDefault = QPrinterInfo::defaultPrinterName();
        QCOMPARE(printers.Entry(printers.DefaultIndex()).Device,
            systemDefault.isEmpty() ? QStringLiteral("PDF File") : systemDefault);
        QCOMPARE(TPrinterDevice().PrinterIndex(), printers.DefaultIndex());
    }
};

class TestDeviceMode : public QObject {
    Q_OBJECT

private slots:
    void valuesReadBackAsWritten_data()
    {
        QTest::addColumn<DEVMODE>("written");
        QTest::addColumn<DEVMODE>("expected");
        AddModeRow("landscape", DM_ORIENTATION, &DEVMODE::dmOrientation, SHORT(2));
        AddModeRow("letter", DM_PAPERSIZE, &DEVMODE::dmPaperSize, SHORT(1));
        AddModeRow("executive", DM_PAPERSIZE, &DEVMODE::dmPaperSize, SHORT(7));
        AddModeRow("a3", DM_PAPERSIZE, &DEVMODE::dmPaperSize, SHORT(8));
        AddModeRow("b5", DM_PAPERSIZE, &DEVMODE::dmPaperSize, SHORT(13));
        AddModeRow("copies", DM_COPIES, &DEVMODE::dmCopies, SHORT(3));
        AddModeRow("collate", DM_COLLATE, &DEVMODE::dmCollate, SHORT(1));
        AddModeRow("monochrome", DM_COLOR, &DEVMODE::dmColor, SHORT(1));
        AddModeRow("vertical duplex", DM_DUPLEX, &DEVMODE::dmDuplex, SHORT(2));
        AddModeRow("horizontal duplex", DM_DUPLEX, &DEVMODE::dmDuplex, SHORT(3));
        AddModeRow("coarse", DM_DITHERTYPE, &DEVMODE::dmDitherType, DWORD(2));
        AddModeRow("fine", DM_DITHERTYPE, &DEVMODE::dmDitherType, DWORD(3));
        AddModeRow("line art", DM_DITHERTYPE, &DEVMODE::dmDitherType, DWORD(4));
        AddModeRow("grey scale", DM_DITHERTYPE, &DEVMODE::dmDitherType, DWORD(10));
        AddModeRow("draft", DM_PRINTQUALITY, &DEVMODE::dmPrintQuality, SHORT(-1));
        AddModeRow("low", DM_PRINTQUALITY, &DEVMODE::dmPrintQuality, SHORT(-2));
        AddModeRow("medium", DM_PRINTQUALITY, &DEVMODE::dmPrintQuality, SHORT(-3));
        AddModeRow("high", DM_PRINTQUALITY, &DEVMODE::dmPrintQuality, SHORT(-4));
        AddModeRow("dpi", DM_PRINTQUALITY, &DEVMODE::dmPrintQuality, SHORT(300));
        // Members whose bits are clear are not read, so their values are not refused either.
        DEVMODE copiesOnly = Only(DM_COPIES, &DEVMODE::dmCopies, SHORT(4));
        copiesOnly.dmOrientation = 7;
        copiesOnly.dmColor = DMCOLOR_MONOCHROME;
        DEVMODE fourCopies = PdfDefaults();
        fourCopies.dmCopies = 4;
        QTest::newRow("bit clear") << copiesOnly << fourCopies;
    }

    void valuesReadBackAsWritten()
    {
        QFETCH(DEVMODE, written);
        QFETCH(DEVMODE, expected);
        TPrinterDevice printer;
        SelectPdf(printer);
        QVERIFY(printer.SetDevMode(written));
        QVERIFY(printer.DevMode() == expected);
    }

    void undefinedValuesAreRefused_data()
    {
        QTest::addColumn<DEVMODE>("written");
        QTest::addColumn<DEVMODE>("expected");
        AddModeRow("orientation 3", DM_ORIENTATION, &DEVMODE::dmOrientation, SHORT(3));
        AddModeRow("unknown paper", DM_PAPERSIZE, &DEVMODE::dmPaperSize, SHORT(999));
        AddModeRow("custom paper without size", DM_PAPERSIZE, &DEVMODE::dmPaperSize, DMPAPER_USER);
        AddModeRow("no copies", DM_COPIES, &DEVMODE::dmCopies, SHORT(0));
        AddModeRow("duplex 4", DM_DUPLEX, &DEVMODE::dmDuplex, SHORT(4));
        AddModeRow("quality 0", DM_PRINTQUALITY, &DEVMODE::dmPrintQuality, SHORT(0));
    }

    void undefinedValuesAreRefused()
    {
        QFETCH(DEVMODE, written);
        TPrinterDevice printer;
        SelectPdf(printer);
        const DEVMODE before = printer.DevMode();
        QVERIFY(!printer.SetDevMode(written));
        QVERIFY(printer.DevMode() == before);
    }

    void reselectingWithoutDeviceModeRestoresDriverDefaults()
    {
        TPrinterDevice printer;
        SelectPdf(printer);
        const DEVMODE defaults = printer.DevMode();
        QVERIFY(printer.SetDevMode(Only(DM_COPIES, &DEVMODE::dmCopies, SHORT(5))));
        QVERIFY(printer.SetDevMode(Only(DM_PRINTQUALITY, &DEVMODE::dmPrintQuality, DMRES_DRAFT)));
        printer.SetPrinterIndex(printer.PrinterIndex()); // selecting alone keeps them
        QCOMPARE(printer.DevMode().dmCopies, SHORT(5));
        printer.ResetDevMode();
        QVERIFY(printer.DevMode() == defaults);
    }

    void paperCodesNameTheirSheets_data()
    {
        QTest::addColumn<SHORT>("code");
        QTest::addColumn<QSizeF>("millimetres");
        QTest::newRow("executive") << DMPAPER_EXECUTIVE << QSizeF(184.15, 266.7);
        // The engine's B4 and B5 pages are the ISO sizes, not the larger JIS ones.
        QTest::newRow("b4") << DMPAPER_B4 << QSizeF(250, 353);
        QTest::newRow("b5") << DMPAPER_B5 << QSizeF(176, 250);
    }

    void paperCodesNameTheirSheets()
    {
        QFETCH(SHORT, code);
        QFETCH(QSizeF, millimetres);
        const auto size = PageSizeFromDevMode(Only(DM_PAPERSIZE, &DEVMODE::dmPaperSize, code));
        QVERIFY(size);
        const QSizeF actual = size->size(QPageSize::Millimeter);
        QVERIFY(std::abs(actual.width() - millimetres.width()) < 0.6);
        QVERIFY(std::abs(actual.height() - millimetres.height()) < 0.6);
        DEVMODE back;
        SetDevModePaper(back, *size);
        QCOMPARE(back.dmPaperSize, code);
    }

    void settingsReachThePrinter()
    {
        const TPrinters printers;
        DEVMODE mode = printers.DefaultDevMode(printers.PdfIndex());
        mode.dmOrientation = DMORIENT_LANDSCAPE;
        mode.dmPaperSize = DMPAPER_A3;
        mode.dmCopies = 3;
        mode.dmCollate = DMCOLLATE_TRUE;
        mode.dmColor = DMCOLOR_MONOCHROME;
        mode.dmPrintQuality = DMRES_DRAFT;
        const auto printer = printers.CreatePrinter(printers.PdfIndex(), mode);
        QVERIFY(printer);
        QCOMPARE(printer->pageLayout().orientation(), QPageLayout::Landscape);
        QCOMPARE(printer->pageLayout().pageSize().id(), QPageSize::A3);
        QCOMPARE(printer->copyCount(), 3);
        QVERIFY(printer->collateCopies());
        QCOMPARE(printer->colorMode(), QPrinter::GrayScale);
        QCOMPARE(printer->resolution(), 150);
        QVERIFY(!printer->fullPage()); // device origin at the printable area
    }

    void qualityChoosesAmongTheDriversResolutions_data()
    {
        QTest::addColumn<int>("quality");
        QTest::addColumn<QList<int>>("resolutions");
        QTest::addColumn<int>("dpi");
        const QList<int> four { 150, 300, 600, 1200 }; // default 600
        QTest::newRow("draft") << -1 << four << 150;
        QTest::newRow("low") << -2 << four << 300;
        QTest::newRow("high") << -4 << four << 1200;
        QTest::newRow("tie goes lower") << 450 << four << 300;
        QTest::newRow("low with nothing below") << -2 << QList<int> { 600, 1200 } << 600;
        QTest::newRow("driver gives none") << -4 << QList<int>() << 600;
    }

    void qualityChoosesAmongTheDriversResolutions()
    {
        QFETCH(int, quality);
        QFETCH(QList<int>, resolutions);
        QFETCH(int, dpi);
        QCOMPARE(ResolutionFromQuality(SHORT(quality), resolutions, 600), dpi);
    }
};

class TestDeviceCaps : public QObject {
    Q_OBJECT

private slots:
    void pdfSheetAtItsResolution_data()
    {
        QTest::addColumn<DEVMODE>("mode");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<QSizeF>("inches"); // as the sheet lies
        QTest::newRow("a4 portrait") << Sheet(DMPAPER_A4, DMORIENT_PORTRAIT) << 600 << QSizeF(210 / 25.4, 297 / 25.4);
        QTest::newRow("a4 landscape") << Sheet(DMPAPER_A4, DMORIENT_LANDSCAPE) << 600 << QSizeF(297 / 25.4, 210 / 25.4);
        QTest::newRow("letter landscape draft")
            << Sheet(DMPAPER_LETTER, DMORIENT_LANDSCAPE, DMRES_DRAFT) << 150 << QSizeF(11, 8.5);
    }

    void pdfSheetAtItsResolution()
    {
        QFETCH(DEVMODE, mode);
        QFETCH(int, dpi);
        QFETCH(QSizeF, inches);
        TPrinterDevice printer;
        SelectPdf(printer);
        QVERIFY(printer.SetDevMode(mode));
        const auto ic = printer.CreateIC();
        QVERIFY(ic);
        QCOMPARE(ic->GetDeviceCaps(LOGPIXELSX), dpi);
        QCOMPARE(ic->GetDeviceCaps(LOGPIXELSY), dpi);
        // The PDF writer keeps sheets in whole points.
        QVERIFY(std::abs(ic->GetDeviceCaps(PHYSICALWIDTH) - inches.width() * dpi) <= dpi / 72.0 + 1);
        QVERIFY(std::abs(ic->GetDeviceCaps(PHYSICALHEIGHT) - inches.height() * dpi) <= dpi / 72.0 + 1);
        const int left = ic->GetDeviceCaps(PHYSICALOFFSETX);
        const int top = ic->GetDeviceCaps(PHYSICALOFFSETY);
        QVERIFY(left >= 0 && top >= 0);
        QVERIFY(ic->GetDeviceCaps(HORZRES) > 0 && ic->GetDeviceCaps(VERTRES) > 0);
        QVERIFY(left + ic->GetDeviceCaps(HORZRES) <= ic->GetDeviceCaps(PHYSICALWIDTH));
        QVERIFY(top + ic->GetDeviceCaps(VERTRES) <= ic->GetDeviceCaps(PHYSICALHEIGHT));
    }

    void landscapeExchangesWidthAndHeight()
    {
        TPrinterDevice printer;
        SelectPdf(printer);
        const auto caps = [&printer](int index) { return printer.Handle()->GetDeviceCaps(index); };
        const QList<int> portrait { caps(PHYSICALWIDTH), caps(PHYSICALHEIGHT), caps(HORZRES), caps(VERTRES) };
        printer.SetOrientation(TPrinterOrientation::poLandscape); // the handle is measured again
        const QList<int> landscape { caps(PHYSICALHEIGHT), caps(PHYSICALWIDTH), caps(VERTRES), caps(HORZRES) };
        QCOMPARE(landscape, portrait);
        QVERIFY(caps(PHYSICALWIDTH) > caps(PHYSICALHEIGHT));
        QVERIFY(printer.Handle()->IsInformationContext());
    }

    void contextsForOtherModesAndPrinters()
    {
        TPrinterDevice printer;
        SelectPdf(printer);
        const DEVMODE draft = Only(DM_PRINTQUALITY, &DEVMODE::dmPrintQuality, DMRES_DRAFT);
        const auto ic = printer.CreateIC(QStringLiteral("PDF File"), &draft);
        QVERIFY(ic);
        QCOMPARE(ic->GetDeviceCaps(LOGPIXELSX), 150);
        QCOMPARE(printer.Handle()->GetDeviceCaps(LOGPIXELSX), 600); // the mode was the context's own
        const DEVMODE undefined = Orientation(5);
        QVERIFY(!printer.CreateIC(QStringLiteral("PDF File"), &undefined));
        QVERIFY(!printer.CreateIC(QStringLiteral("No Such Printer")));
        QCOMPARE(printer.DeviceCapabilities(DC_ORIENTATION), 90);
        QCOMPARE(printer.DeviceCapabilities(QStringLiteral("No Such Printer"), DC_ORIENTATION), -1);
    }
};

namespace {

QString Tool(const QString& name) { return QStandardPaths::findExecutable(name); }

// The tool's exit status, or -1 when it did not run to its end; its standard output in output.
int RunTool(const QString& name, const QStringList& arguments, QString* output = nullptr)
{
    QProcess process;
    process.start(Tool(name), arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput());
    return process.exitCode();
}

struct TPdfWord {
    int Page = 0; // from 1
    QPointF TopLeft; // points
};

// Where the PDF reader finds each word of the file.
QHash<QString, TPdfWord> PdfWords(const QString& fileName)
{
    QString html;
    if (RunTool(QStringLiteral("pdftotext"), { QStringLiteral("-bbox"), fileName, QStringLiteral("-") }, &html) != 0)
        return {};
    QHash<QString, TPdfWord> words;
    int page = 0;
    static const QRegularExpression element(
        QStringLiteral(R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)"[^>]*>([^<]*)</word>)re"));
    for (auto match = element.globalMatch(html); match.hasNext();) {
        const QRegularExpressionMatch found = match.next();
        if (found.captured(0).startsWith(QStringLiteral("<page")))
            ++page;
        else
            words.insert(found.captured(3), { page, { found.captured(1).toDouble(), found.captured(2).toDouble() } });
    }
    return words;
}

void SelectTextFont(TDeviceContext& dc)
{
    LOGFONTW font;
    font.lfHeight = -(12 * dc.GetDeviceCaps(LOGPIXELSY) / 72);
    const QString face = QStringLiteral("DejaVu Sans");
    std::copy(face.utf16(), face.utf16() + face.size(), font.lfFaceName);
    dc.SelectFont(CreateFontIndirect(font));
}

QStringList FilesIn(const QTemporaryDir& dir) { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }

void WriteFile(const QString& fileName, const QByteArray& bytes)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(fileName));
}

}

class TestPdfJob : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        for (const char* tool : { "pdfinfo", "pdftotext", "qpdf" }) {
            if (Tool(QString::fromLatin1(tool)).isEmpty())
                QSKIP("pdfinfo, pdftotext and qpdf are needed to read the jobs back");
        }
    }

    void landscapeSheetBetweenPortraitOnes()
    {
        QTemporaryDir dir;
        const QString fileName = dir.filePath(QStringLiteral("job.pdf"));
        TPrinterDevice printer;
        SelectPdf(printer);
        QVERIFY(printer.SetDevMode(Sheet(DMPAPER_A4, DMORIENT_PORTRAIT)));
        printer.SetOutputFileName(fileName);
        printer.BeginDoc(QStringLiteral("Three sheets"));
        QCOMPARE(printer.JobFileName(), fileName);
        TDeviceContext* dc = printer.Handle();
        QCOMPARE(dc->GetMapMode(), MM_TEXT);
        const int dpi = dc->GetDeviceCaps(LOGPIXELSX);
        QCOMPARE(dpi, 600);
        SelectTextFont(*dc);
        QVERIFY(dc->TextOut(dpi, dpi, u"Alpha"));

        printer.EndPage();
        QCOMPARE(printer.ResetDC(Orientation(DMORIENT_LANDSCAPE)), dc);
        printer.StartPage();
        QVERIFY(dc->GetDeviceCaps(PHYSICALWIDTH) > dc->GetDeviceCaps(PHYSICALHEIGHT));
        QVERIFY(dc->GetDeviceCaps(HORZRES) > dc->GetDeviceCaps(VERTRES));
        SelectTextFont(*dc);
        QVERIFY(dc->TextOut(dpi, dpi, u"Bravo"));
        // Beyond the width of a portrait sheet: lost if the context kept the first sheet's bounds.
        QVERIFY(dc->TextOut(dc->GetDeviceCaps(HORZRES) - 2 * dpi, dpi, u"Charlie"));

        printer.ResetDC(Orientation(DMORIENT_PORTRAIT));
        printer.NewPage();
        SelectTextFont(*dc);
        QVERIFY(dc->TextOut(dpi, 2 * dpi, u"Delta"));
        QCOMPARE(printer.PageNumber(), 3);
        printer.EndDoc();
        QVERIFY(!printer.Printing());
        QCOMPARE(FilesIn(dir), QStringList { "job.pdf" });

        QString info;
        QCOMPARE(RunTool(QStringLiteral("pdfinfo"), { "-f", "1", "-l", "3", fileName }, &info), 0);
        for (const char* line :
            { R"(Pages:\s+3\n)", R"(Page\s+1 size:\s+595(\.\d+)? x 842)", R"(Page\s+2 size:\s+842(\.\d+)? x 595)",
                R"(Page\s+3 size:\s+595(\.\d+)? x 842)", R"(Title:\s+Three sheets)" })
            QVERIFY2(info.contains(QRegularExpression(QString::fromLatin1(line))), qPrintable(info));
        QCOMPARE(RunTool(QStringLiteral("qpdf"), { "--check", fileName }), 0);

        // Real text on its sheet, where the device pixels put it: 600 pixels are an inch, 72 points.
        const QHash<QString, TPdfWord> words = PdfWords(fileName);
        const struct {
            const char* Text;
            int Page;
            QPointF TopLeft;
        } expected[] = { { "Alpha", 1, { 72, 72 } }, { "Bravo", 2, { 72, 72 } }, { "Charlie", 2, { 842 - 144, 72 } },
            { "Delta", 3, { 72, 144 } } };
        for (const auto& word : expected) {
            const TPdfWord found = words.value(QString::fromLatin1(word.Text));
            QCOMPARE(found.Page, word.Page);
            QVERIFY2((found.TopLeft - word.TopLeft).manhattanLength() < 2, word.Text);
        }
    }

    void abortedJobLeavesNoFile()
    {
        QTemporaryDir dir;
        const QString fileName = dir.filePath(QStringLiteral("kept.pdf"));
        WriteFile(fileName, "old");
        {
            TPrinterDevice printer;
            SelectPdf(printer);
            printer.SetOutputFileName(fileName);
            printer.BeginDoc(QStringLiteral("Aborted"));
            QVERIFY(printer.Handle()->TextOut(100, 100, u"Lost"));
            printer.NewPage();
            printer.Abort();
            QVERIFY(!printer.Printing());
            QVERIFY(printer.Aborted());
            QVERIFY(printer.JobFileName().isEmpty());
            // A job dropped with its printer ends the same way.
            printer.SetOutputFileName(dir.filePath(QStringLiteral("dropped.pdf")));
            printer.BeginDoc(QStringLiteral("Dropped"));
        }
        QCOMPARE(FilesIn(dir), QStringList { "kept.pdf" });
        QFile kept(fileName);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("old"));
    }

    void jobWithoutFileNameGoesToTheDocumentsFolder()
    {
        QTemporaryDir home;
        const QByteArray oldHome = qgetenv("HOME");
        const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));
        const auto restore = qScopeGuard([&] {
            qputenv("HOME", oldHome);
            oldConfig.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", oldConfig);
        });
        const QDir documents(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
        QVERIFY(documents.path().startsWith(home.path()));

        TPrinterDevice printer;
        SelectPdf(printer);
        QStringList written;
        for (int job = 0; job < 2; ++job) {
            printer.BeginDoc(QStringLiteral("Letter: <draft>"));
            printer.EndDoc();
            written << printer.JobFileName();
        }
        QCOMPARE(written,
            QStringList({ documents.filePath(QStringLiteral("Letter draft.pdf")),
                documents.filePath(QStringLiteral("Letter draft (2).pdf")) }));
    }

    void oneJobAtATimeAndOnlyWhereItCanBeWritten()
    {
        QTemporaryDir dir;
        TPrinterDevice printer;
        SelectPdf(printer);
        QVERIFY_THROWS_EXCEPTION(EPrinter, printer.NewPage());
        QVERIFY_THROWS_EXCEPTION(EPrinter, printer.ResetDC(Orientation(DMORIENT_LANDSCAPE)));
        const QString fileName = dir.filePath(QStringLiteral("one.pdf"));
        WriteFile(fileName, "old");
        printer.SetOutputFileName(fileName);
        printer.BeginDoc(QStringLiteral("One"));
        QVERIFY_THROWS_EXCEPTION(EPrinter, printer.BeginDoc(QStringLiteral("Two")));
        QVERIFY_THROWS_EXCEPTION(EPrinter, printer.SetPrinterIndex(printer.PrinterIndex()));
        printer.EndDoc();
        QCOMPARE(RunTool(QStringLiteral("qpdf"), { "--check", fileName }), 0); // the old file is replaced
        QCOMPARE(FilesIn(dir), QStringList { "one.pdf" });

        printer.SetOutputFileName(QStringLiteral("/nonexistent-folder/job.pdf"));
        QVERIFY_THROWS_EXCEPTION(EPrinter, printer.BeginDoc(QStringLiteral("Nowhere")));
        QVERIFY(!printer.Printing());
        QVERIFY(printer.JobFileName().isEmpty()); // not the earlier job's
    }
};

template <class Test> int RunTest(int argc, char** argv)
{
    Test test;
    return QTest::qExec(&test, argc, argv);
}

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    int status = RunTest<TestPrinterList>(argc, argv);
    status |= RunTest<TestDeviceMode>(argc, argv);
    status |= RunTest<TestDeviceCaps>(argc, argv);
    return status | RunTest<TestPdfJob>(argc, argv);
}

#include "tst_printing.moc"
