#pragma once
// MergeCommand.h: `pelmora --merge TEMPLATE.rtf DATA.csv OUT.pdf|OUT.rtf [--printer NAME]`, headless.
#include <QString>
#include <QStringList>

#include <functional>

/// Merges as the window does. Throws with the message for the user when anything fails;
/// settingsFolder holds "Settings.ini". Progress gets each record laid out, then printProgress each
/// page printed.
void RunMergeCommand(const QStringList& arguments, const QString& settingsFolder,
    const std::function<void(int progress, int total)>& progress = {},
    const std::function<void(int printed, int total)>& printProgress = {});

extern const char* const MergeUsage;
