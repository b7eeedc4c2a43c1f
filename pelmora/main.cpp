// Pelmora's program start: the headless merge of the command line, or the main window.
#include "Errors.h"
#include "MergeCommand.h"
#include "Shell.h"
#include "TerminalProgress.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int RunMainWindow(QApplication& application, TShell& shell);

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
            // Progress is for a person watching, not for a log.
            TTerminalProgress terminal;
            std::function<void(int, int)> merged, printed;
            if (terminal.Shown()) {
                merged = [&terminal](int done, int total) {
                    terminal.Update(QStringLiteral("Merging"), done, total, QStringLiteral("letter"));
                };
                printed = [&terminal](int done, int total) {
                    terminal.Update(QStringLiteral("Printing"), done, total, QStringLiteral("page"));
                };
            }
            RunMergeCommand(
                QCoreApplication::arguments().mid(2), shell.SettingsFolder(QStringLiteral("pelmora")), merged, printed);
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
