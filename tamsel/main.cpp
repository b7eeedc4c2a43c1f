// Tamsel's program start: the application object, the windows in their order, the message loop; and
// converting documents headless with --convert through the same operations as the window.
#include "Main.h"
#include "Application.h"
#include "BatchDialogs.h"
#include "Clock.h"
#include "CommandGuard.h"
#include "Errors.h"
#include "FileNames.h"
#include "History.h"
#include "PageExport.h"
#include "PresentationOptions.h"
#include "QtDialogs.h"
#include "Shell.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

const QString ProgramName = QStringLiteral("tamsel");

// The formats a document is read from; what it may be written to is the window's to check.
bool IsReadableDocument(const QString& path)
{
    static const QStringList Readable { QStringLiteral(".rtf"), QStringLiteral(".doc"), QStringLiteral(".rtc"),
        QStringLiteral(".txt") };
    return Readable.contains(ExtensionOf(path));
}

// Progress is for a person watching, not for a log.
bool StandardErrorIsTerminal()
{
#ifdef Q_OS_UNIX
    return isatty(STDERR_FILENO) != 0;
#else
    return false;
#endif
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
        if (StandardErrorIsTerminal())
            window->ExportForm().OnProgress = [](const QString& progress) {
                std::fprintf(stderr, "\r%s", qPrintable(progress));
                if (progress == QLatin1String("100%"))
                    std::fprintf(stderr, "\n");
            };
        window->SaveDocumentTo(QFileInfo(target).absoluteFilePath());
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
    if (converting && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A headless run shows nothing, not even an error of an event handler: that would wait forever.
    TQtDialogs interactive;
    TBatchDialogs batch;
    TQtDialogs& dialogs = converting ? batch : interactive;
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

    const QString folder = shell.SettingsFolder(ProgramName);
    auto frmMain = std::make_unique<TFrmMain>(dialogs, shell, clock, folder);
    FrmMain = frmMain.get();
    dialogs.SetOwner(frmMain.get());
    auto historyForm = std::make_unique<THistoryForm>(
        *frmMain, dialogs, QDir(folder).filePath(QStringLiteral("WrdFileList.dat")), frmMain.get());
    frmMain->SetHistoryForm(historyForm.get());
    frmMain->SetArguments(QCoreApplication::arguments().mid(1));

    frmMain->show();
    const int status = application.exec();

    // Program end: the main window writes the settings, the history window its list.
    RunCommand(dialogs, [&] { frmMain->FormDestroy(); });
    RunCommand(dialogs, [&] { historyForm->FormDestroy(); });
    historyForm.reset();
    frmMain.reset();
    return status;
}
