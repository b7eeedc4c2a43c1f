// Tamsel's program start: the application object, the windows in their order, the message loop; and
// converting documents headless with --convert through the same operations as the window.
#include "Main.h"
#include "Application.h"
#include "Clock.h"
#include "CommandGuard.h"
#include "Errors.h"
#include "FileNames.h"
#include "History.h"
#include "QtDialogs.h"
#include "Shell.h"

#include <QDir>
#include <QFileInfo>

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

int Convert(IDialogs& dialogs, IShell& shell, IClock& clock, const QString& source, const QString& target)
{
    try {
        if (!IsReadableDocument(source))
            throw Exception(QStringLiteral("Cannot read %1: not a .rtf, .rtc, .doc or .txt document").arg(source));
        if (!QFileInfo(source).isFile())
            throw EFOpenError(source);
        // A hidden main window with no settings file: converting changes nothing of the user's. It
        // is never torn down: the process ends right after, and freeing a large document costs.
        auto* window = new TFrmMain(dialogs, shell, clock, QString());
        window->SetHeadless(true);
        window->OpenDocumentFrom(QFileInfo(source).absoluteFilePath());
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
    TQtDialogs dialogs;
    TApplication application(argc, argv, dialogs);
    QApplication::setApplicationName(TFrmMain::ApplicationTitle);
    TShell shell;
    TSystemClock clock;
    if (converting) {
        if (argc != 4) {
            std::fprintf(stderr, "usage: tamsel --convert IN OUT\n");
            return 1;
        }
        const int status
            = Convert(dialogs, shell, clock, QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
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
