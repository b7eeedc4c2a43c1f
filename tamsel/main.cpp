// Tamsel's program start: the application object, the windows in their order, the message loop; and
// converting documents headless with --convert, and printing them with --print, through the same
// operations as the window.
#include "Main.h"
#include "Application.h"
#include "BatchDialogs.h"
#include "Clock.h"
#include "CommandGuard.h"
#include "Errors.h"
#include "FileNames.h"
#include "History.h"
#include "PageExport.h"
#include "PgPreview.h"
#include "PgQuickPrint.h"
#include "PgRtfPreview.h"
#include "PresentationOptions.h"
#include "PrinterDevice.h"
#include "QtDialogs.h"
#include "Shell.h"
#include "TerminalProgress.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

const QString ProgramName = QStringLiteral("tamsel");

// The formats a document is read from; what it may be written to is the window's to check.
bool IsReadableDocument(const QString& path)
{
    static const QStringList Readable { QStringLiteral(".rtf"), QStringLiteral(".doc"), QStringLiteral(".rtc"),
        QStringLiteral(".txt") };
    return Readable.contains(ExtensionOf(path));
}

// The presentation options after IN and OUT: --slide, --seconds and --frame, each once at most.
TPresentationOptions PresentationOptionsFrom(const QStringList& arguments, const QString& target)
{
    TPresentationOptions options;
    if (arguments.isEmpty())
        return options;
    if (ExtensionOf(target) != QLatin1String(".ovp"))
        throw Exception(QStringLiteral("%1 applies only to a .ovp target").arg(arguments.first()));
    QStringList seen;
    for (qsizetype i = 0; i < arguments.size(); i += 2) {
        const QString& option = arguments[i];
        if (option != QLatin1String("--slide") && option != QLatin1String("--seconds") && option != QLatin1String("--frame"))
            throw Exception(QStringLiteral("Unknown option %1").arg(option));
        if (seen.contains(option))
            throw Exception(QStringLiteral("%1 is given twice").arg(option));
        seen << option;
        if (i + 1 >= arguments.size())
            throw Exception(QStringLiteral("%1 needs a value").arg(option));
        const QString& value = arguments[i + 1];
        if (option == QLatin1String("--slide")) {
            if (!ParseSlide(value, options))
                throw Exception(
                    QStringLiteral("Invalid --slide %1: use full, half, 800x600, 900x675 or 1000x750").arg(value));
        } else if (option == QLatin1String("--seconds")) {
            bool ok = false;
            const int seconds = value.toInt(&ok);
            if (!ok || seconds < 5 || seconds > 60)
                throw Exception(QStringLiteral("Invalid --seconds %1: use a whole number from 5 to 60").arg(value));
            options.Seconds = seconds;
        } else {
            static const QRegularExpression colour(QStringLiteral("^#([0-9A-Fa-f]{2})([0-9A-Fa-f]{2})([0-9A-Fa-f]{2})$"));
            const QRegularExpressionMatch match = colour.match(value);
            if (!match.hasMatch())
                throw Exception(QStringLiteral("Invalid --frame %1: use a colour as #RRGGBB").arg(value));
            options.Frame = true;
            options.FrameColor = RGB(BYTE(match.captured(1).toInt(nullptr, 16)), BYTE(match.captured(2).toInt(nullptr, 16)),
                BYTE(match.captured(3).toInt(nullptr, 16)));
        }
    }
    return options;
}

int Convert(IDialogs& dialogs, IShell& shell, IClock& clock, const QString& source, const QString& target,
    const QStringList& options)
{
    try {
        const TPresentationOptions presentation = PresentationOptionsFrom(options, target);
        if (!IsReadableDocument(source))
            throw Exception(QStringLiteral("Cannot read %1: not a .rtf, .rtc, .doc or .txt document").arg(source));
        if (!QFileInfo(source).isFile())
            throw EFOpenError(source);
        // A hidden main window with no settings file: converting changes nothing of the user's, and
        // its dialogs answer without waiting for anyone. It is never torn down: the process ends
        // right after, and freeing a large document costs.
        auto* window = new TFrmMain(dialogs, shell, clock, QString());
        window->SetHeadless(true);
        window->OpenDocumentFrom(QFileInfo(source).absoluteFilePath());
        window->PresentationForm().SetOptions(presentation);
        // Progress is for a person watching, not for a log.
        TTerminalProgress progress;
        if (progress.Shown())
            window->ExportForm().OnProgress = [&progress, pages = 0](const QString& share) mutable {
                progress.UpdatePercent(QStringLiteral("Exporting"), share.chopped(1).toInt(), ++pages, QStringLiteral("page"));
            };
        window->SaveDocumentTo(QFileInfo(target).absoluteFilePath());
        window->ExportForm().OnProgress = nullptr;
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", qPrintable(MessageOf(error)));
        return 1;
    }
}

const char* const PrintUsage = "usage: tamsel --print IN [--output OUT.pdf | --printer NAME] [--pages FIRST-LAST]\n"
                               "       [--per-sheet 1|2|4] [--landscape] [--paper NAME] [--copies N]\n"
                               "       [--margins TOP,LEFT,BOTTOM,RIGHT[,HEADER,FOOTER]] [--header \"L|C|R\"] "
                               "[--footer \"L|C|R\"]\n";

int WholeNumber(const QString& text, const QString& option)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok)
        throw EConvertError(QStringLiteral("%1: '%2' is not a whole number").arg(option, text));
    return value;
}

void SetCaptions(TPgHeaderFooter& part, const QString& text)
{
    const QStringList captions = text.split(u'|');
    if (captions.size() > 3)
        throw EConvertError(QStringLiteral("'%1' has more than three captions (LEFT|CENTRE|RIGHT)").arg(text));
    part.SetVisible(true);
    for (int i = 0; i < 3; ++i)
        part.Caption(i).SetCaption(i < captions.size() ? captions[i] : QString());
}

// Prints through the engine as the window's quick print does: the stored margins (or the ones
// given), a rebuilt preview, every page or the range.
int Print(IDialogs& dialogs, IShell& shell, IClock& clock, const QStringList& arguments)
{
    try {
        if (arguments.isEmpty() || arguments.front().startsWith(QStringLiteral("--")))
            throw Exception(QStringLiteral("No document to print given"));
        const QString source = arguments.front();
        QString output, printerName, pages, paper, margins, header, footer;
        int perSheet = 1, copies = 0;
        bool landscape = false;
        for (int i = 1; i < arguments.size(); ++i) {
            const QString& option = arguments[i];
            if (option == QStringLiteral("--landscape")) {
                landscape = true;
                continue;
            }
            static const QStringList WithValue { QStringLiteral("--output"), QStringLiteral("--printer"),
                QStringLiteral("--pages"), QStringLiteral("--per-sheet"), QStringLiteral("--paper"),
                QStringLiteral("--copies"), QStringLiteral("--margins"), QStringLiteral("--header"),
                QStringLiteral("--footer") };
            if (!WithValue.contains(option))
                throw Exception(QStringLiteral("Unknown option %1").arg(option));
            if (i + 1 >= arguments.size())
                throw Exception(QStringLiteral("%1 needs a value").arg(option));
            const QString value = arguments[++i];
            if (option == QStringLiteral("--output"))
                output = value;
            else if (option == QStringLiteral("--printer"))
                printerName = value;
            else if (option == QStringLiteral("--pages"))
                pages = value;
            else if (option == QStringLiteral("--per-sheet"))
                perSheet = WholeNumber(value, option);
            else if (option == QStringLiteral("--paper"))
                paper = value;
            else if (option == QStringLiteral("--copies"))
                copies = WholeNumber(value, option);
            else if (option == QStringLiteral("--margins"))
                margins = value;
            else if (option == QStringLiteral("--header"))
                header = value;
            else
                footer = value;
        }
        if (!output.isEmpty() && !printerName.isEmpty())
            throw Exception(QStringLiteral("--output and --printer exclude each other"));
        if (perSheet != 1 && perSheet != 2 && perSheet != 4)
            throw Exception(QStringLiteral("--per-sheet takes 1, 2 or 4, not %1").arg(perSheet));
        int first = 0, last = 0;
        if (!pages.isEmpty()) {
            const QStringList bounds = pages.split(u'-');
            if (bounds.size() != 2)
                throw EConvertError(QStringLiteral("--pages takes FIRST-LAST, not '%1'").arg(pages));
            first = WholeNumber(bounds[0], QStringLiteral("--pages"));
            last = WholeNumber(bounds[1], QStringLiteral("--pages"));
        }
        if (!IsReadableDocument(source))
            throw Exception(QStringLiteral("Cannot read %1: not a .rtf, .rtc, .doc or .txt document").arg(source));
        if (!QFileInfo(source).isFile())
            throw EFOpenError(source);

        TPrinterDevice& device = ProgramPrinter();
        if (!output.isEmpty()) {
            device.SetPrinterIndex(device.Printers().PdfIndex());
            device.SetOutputFileName(QFileInfo(output).absoluteFilePath());
        } else if (!printerName.isEmpty()) {
            const int index = device.Printers().IndexOf(printerName);
            if (index < 0)
                throw EPrinter(QStringLiteral("There is no printer named %1").arg(printerName));
            device.SetPrinterIndex(index);
        }

        // The window reads its stored print margins as at every activation; the document is not
        // changed. Like a conversion's, it is never torn down.
        TFrmMain& window = *new TFrmMain(dialogs, shell, clock, shell.SettingsFolder(ProgramName));
        window.SetHeadless(true);
        window.LoadSettings();
        window.OpenDocumentFrom(QFileInfo(source).absoluteFilePath());
        TPgPrintMargins stored { window.TopMargin(), window.LeftMargin(), window.BottomMargin(), window.RightMargin(),
            window.HeaderMargin(), window.FooterMargin() };
        if (!margins.isEmpty()) {
            const QStringList values = margins.split(u',');
            if (values.size() != 4 && values.size() != 6)
                throw EConvertError(
                    QStringLiteral("--margins takes TOP,LEFT,BOTTOM,RIGHT[,HEADER,FOOTER], not '%1'").arg(margins));
            int* fields[6]
                = { &stored.Top, &stored.Left, &stored.Bottom, &stored.Right, &stored.Header, &stored.Footer };
            for (int i = 0; i < values.size(); ++i) {
                *fields[i] = WholeNumber(values[i], QStringLiteral("--margins"));
                if (*fields[i] < 0)
                    throw EConvertError(QStringLiteral("--margins: %1 is below 0").arg(*fields[i]));
            }
        }

        TPgPreview preview;
        TPgRtfPreview paginator;
        paginator.SetPreview(&preview);
        if (!paper.isEmpty()) {
            const TPgPaperSize size = PaperSizeFromName(paper);
            if (size == TPgPaperSize::Custom)
                throw Exception(QStringLiteral("Unknown paper %1; use one of %2")
                                    .arg(paper,
                                        GetPaperSizeNames()
                                            .filter(QRegularExpression(QStringLiteral("^(?!Custom$)")))
                                            .join(QStringLiteral(", "))));
            preview.SetPaperSize(size);
        }
        if (landscape)
            preview.SetOrientation(TPgOrientation::pgLandscape);
        preview.SetPagesPerSheet(perSheet == 4 ? TPgPagesPerSheet::pgFourPage
                : perSheet == 2                ? TPgPagesPerSheet::pgTwoPage
                                               : TPgPagesPerSheet::pgOnePage);
        ApplyPrintMargins(preview, paginator, stored);
        if (!header.isEmpty())
            SetCaptions(preview.Header(), header);
        if (!footer.isEmpty())
            SetCaptions(preview.Footer(), footer);
        if (copies != 0)
            preview.PgPrinter().SetPrintCopies(copies);
        TTerminalProgress progress;
        if (progress.Shown()) {
            paginator.OnProgress = [&progress, pages = 0](QObject*, int percent) mutable {
                // The last slice of a document may report its end as -1.
                progress.UpdatePercent(QStringLiteral("Laying out"), percent < 0 ? 100 : percent, ++pages,
                    QStringLiteral("page"));
            };
            preview.OnPrintProgress = [&progress](QObject*, int printed, int total) {
                progress.Update(QStringLiteral("Printing"), printed, total, QStringLiteral("page"));
            };
        }
        QuickPrint(preview, paginator, *window.Editor, QFileInfo(source).fileName(), first, last);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", qPrintable(MessageOf(error)));
        return 1;
    }
}

} // namespace

int main(int argc, char* argv[])
{
    const bool converting = argc >= 2 && std::strcmp(argv[1], "--convert") == 0;
    const bool printing = argc >= 2 && std::strcmp(argv[1], "--print") == 0;
    if ((converting || printing) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A headless run shows nothing, not even an error of an event handler: that would wait forever.
    TQtDialogs interactive;
    TBatchDialogs batch;
    TQtDialogs& dialogs = converting || printing ? batch : interactive;
    TApplication application(argc, argv, dialogs);
    QApplication::setApplicationName(TFrmMain::ApplicationTitle);
    TShell shell;
    TSystemClock clock;
    if (converting) {
        if (argc < 4) {
            std::fprintf(stderr,
                "usage: tamsel --convert IN OUT [--slide full|half|800x600|900x675|1000x750] [--seconds 5..60] "
                "[--frame #RRGGBB]\n");
            return 1;
        }
        QStringList options;
        for (int i = 4; i < argc; ++i)
            options << QString::fromLocal8Bit(argv[i]);
        const int status
            = Convert(batch, shell, clock, QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), options);
        // The target is complete on disk (written atomically); nothing else is left to save.
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(status);
    }

    if (printing) {
        if (argc < 3) {
            std::fprintf(stderr, "%s", PrintUsage);
            return 1;
        }
        const int status = Print(dialogs, shell, clock, QCoreApplication::arguments().mid(2));
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(status);
    }

    const QString folder = shell.SettingsFolder(ProgramName);
    auto frmMain = std::make_unique<TFrmMain>(dialogs, shell, clock, folder);
    FrmMain = frmMain.get();
    frmMain->Editor->SetPrinter(&ProgramPrinter()); // the one printer of the program
    dialogs.SetOwner(frmMain.get());
    auto historyForm = std::make_unique<THistoryForm>(
        *frmMain, dialogs, QDir(folder).filePath(QStringLiteral("WrdFileList.dat")), frmMain.get());
    frmMain->SetHistoryForm(historyForm.get());
    frmMain->SetArguments(QCoreApplication::arguments().mid(1));

    frmMain->show();
    const QString recoveryFolder = QDir(ConfigHome()).filePath(ProgramName);
    frmMain->StartRecovery(recoveryFolder); // first, so restored work has its copy at once
    RunCommand(dialogs, [&] { frmMain->OfferRecovery(recoveryFolder); });
    const int status = application.exec();
    frmMain->DiscardRecoveryCopy(); // a normal end, whatever the user chose for the changes

    // Program end: the main window writes the settings, the history window its list.
    RunCommand(dialogs, [&] { frmMain->FormDestroy(); });
    RunCommand(dialogs, [&] { historyForm->FormDestroy(); });
    historyForm.reset();
    frmMain.reset();
    return status;
}
