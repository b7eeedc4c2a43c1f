// MainWindowStart.cpp: the interactive program: its windows in their order and the message loop.
#include "Main.h"
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
    dialogs.SetOwner(&frmMain);
    TPrintPreviewForm previewForm(dialogs, folder, &frmMain);
    frmMain.SetPreviewForm(&previewForm);
    frmMain.show();
    return application.exec();
}
