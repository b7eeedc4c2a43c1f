// MainWindowStart.cpp: the interactive program.
#include "Shell.h"

#include <QApplication>
#include <QLabel>

int RunMainWindow(QApplication& application, TShell& shell)
{
    QLabel window(QStringLiteral("Pelmora"));
    window.show();
    return application.exec();
}
