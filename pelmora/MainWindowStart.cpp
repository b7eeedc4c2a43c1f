// MainWindowStart.cpp: the interactive program: its windows in their order and the message loop.
#include "CommandGuard.h"
#include "HeaderF.h"
#include "Main.h"
#include "Margins.h"
#include "PgPrinter.h"
#include "Preview.h"
#include "QtDialogs.h"
#include "Shell.h"

#include <QApplication>
#include <QDir>

int RunMainWindow(QApplication& application, TShell& shell)
{
    TQtDialogs dialogs;
    const QString folder = shell.SettingsFolder(QStringLiteral("pelmora"));
    TfrmMain frmMain(dialogs, shell.ProgramFolder());
    frmMain.SetShell(&shell);
    dialogs.SetOwner(&frmMain);
    THeaderFooterForm headerFooterForm(dialogs, &frmMain, THeaderFooterTexts::English());
    TMarginsForm marginsForm(&frmMain, TMarginsFormTexts::English());
    TPrintPreviewForm previewForm(dialogs, folder, marginsForm, headerFooterForm, &frmMain);
    frmMain.SetPreviewForm(&previewForm);
    frmMain.show();
    const QString recoveryFolder = QDir(ConfigHome()).filePath(QStringLiteral("pelmora"));
    frmMain.StartRecovery(recoveryFolder); // first, so restored work has its copy at once
    RunCommand(dialogs, [&] { frmMain.OfferRecovery(recoveryFolder); });
    const int status = application.exec();
    frmMain.DiscardRecoveryCopy(); // a normal end, whatever the user chose for the changes
    return status;
}
