// Pastrel's program start: Tamsel starts it with no arguments; an address on the clipboard is taken.
#include "Envelope.h"
#include "PrinterDevice.h"
#include "QtDialogs.h"
#include "Shell.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QTimer>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(TfrmEnvelope::ApplicationTitle);
    TQtDialogs dialogs;
    TPrinterDevice printer;
    TfrmEnvelope frmEnvelope(dialogs, printer, QDir(ConfigHome()).filePath(QStringLiteral("pastrel")));
    dialogs.SetOwner(&frmEnvelope);
    frmEnvelope.show();
    // On X11 the clipboard's owner answers through the event loop.
    QTimer::singleShot(0, &frmEnvelope,
        [&] { frmEnvelope.TakeRecipientFrom(QApplication::clipboard()->text()); });
    return application.exec();
}
