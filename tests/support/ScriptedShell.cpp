// ScriptedShell.cpp: links go through the same rules as TShell, so refusals show in window tests.
#include "ScriptedShell.h"

#include <QWidget>

QString TScriptedShell::SettingsFolder(const QString&) const
{
    return FSettingsFolder.isEmpty() ? FProgramFolder : FSettingsFolder;
}

bool TScriptedShell::OpenLink(const QString& link)
{
    FRequestedLinks.append(link);
    const QUrl url = UrlFromLink(link);
    if (url.isEmpty())
        return false;
    FOpenedLinks.append(url.toString());
    return true;
}

bool TScriptedShell::StartProgram(const QString& path)
{
    FStartedPrograms.append(path);
    return FStartResult;
}

void TScriptedShell::FadeOut(QWidget& window, int milliseconds)
{
    FFades.append(milliseconds);
    window.hide();
}

void TScriptedShell::FadeIn(QWidget& window, int milliseconds)
{
    FFades.append(milliseconds);
    window.show();
}
