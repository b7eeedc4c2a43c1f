// MainWindowStart.cpp: the interactive program: its windows in their order and the message loop.
#include "HeaderF.h"
#include "Main.h"
#include "Margins.h"
#include "PgPrinter.h"
#include "Preview.h"
#include "QtDialogs.h"
#include "Shell.h"

#include <QApplication>

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
    return application.exec();
}
