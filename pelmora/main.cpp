// Pelmora's program start: the headless merge of the command line, or the main window.
#include "Errors.h"
#include "MergeCommand.h"
#include "Shell.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

int RunMainWindow(QApplication& application, TShell& shell);

namespace {

bool StandardErrorIsTerminal()
{
#ifdef Q_OS_UNIX
    return isatty(STDERR_FILENO) != 0;
#else
    return false;
#endif
}

} // namespace

int main(int argc, char* argv[])
{
    const bool merging = argc >= 2 && std::strcmp(argv[1], "--merge") == 0;
    if (merging && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvane Office - Pelmora"));
    TShell shell;
    if (merging) {
        int status = 0;
        try {
            std::function<void(int, int)> progress;
            if (StandardErrorIsTerminal())
                progress = [](int done, int total) {
                    std::fprintf(stderr, "\r%d of %d", done, total);
                    if (done == total)
                        std::fprintf(stderr, "\n");
                };
            RunMergeCommand(QCoreApplication::arguments().mid(2), shell.SettingsFolder(QStringLiteral("pelmora")), progress);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "%s\n", qPrintable(MessageOf(error)));
            status = 1;
        }
        // The output is complete on disk; tearing thousands of laid-out letters down costs.
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(status);
    }
    return RunMainWindow(application, shell);
}
