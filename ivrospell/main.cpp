// Ivrospell's program start: Tamsel puts the text on the clipboard and starts it with no arguments.
#include "HunspellDictionary.h"
#include "Shell.h"
#include "SpellCheck.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(TfrmSpellCheck::ApplicationTitle);
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tools-check-spelling")));
    TfrmSpellCheck frmSpellCheck(SystemDictionaryFolders(), QDir(ConfigHome()).filePath(QStringLiteral("ivrospell")));
    frmSpellCheck.show();
    // The clipboard is read once the window is up: on X11 its owner answers through the event loop.
    QTimer::singleShot(0, &frmSpellCheck, [&] { frmSpellCheck.StartFromClipboard(); });
    return application.exec();
}
