#pragma once
// FaultInjection.h: makes a save fail the three ways a user's disk does (a folder that cannot be
// written, a full disk, a folder where the file should be) in a child process, so the test program
// itself keeps its rights and limits, and checks that nothing of the user's was lost.
#include <QByteArray>
#include <QMap>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include <functional>

enum class TFault { ReadOnlyFolder, FullDisk, TargetIsFolder };
Q_DECLARE_METATYPE(TFault)

/// Bytes a file may have while the disk is "full"; a save must write more than this to fail.
constexpr long long FullDiskLimit = 2048;

struct TChildResult {
    bool Ran = false; // the child ended by itself (no signal, no hang)
    int Status = -1;
    QString Message; // the error the child reported (standard error of a program)
};

/// Everything in a folder (hidden entries too): file names with their bytes, folders with "/".
QMap<QString, QByteArray> FolderContents(const QString& folder);

/// Puts the previous version of TARGET in place and sets up the fault in its folder.
void PrepareFault(TFault fault, const QString& target, const QByteArray& previous);
/// Gives the folder its rights back so it can be removed.
void ClearFault(TFault fault, const QString& target);

/// Runs WRITE in a forked child under the fault; an exception it throws is the message, status 1.
TChildResult RunUnderFault(TFault fault, const std::function<void()>& write);
/// Runs a program headless under the fault, as a script would.
TChildResult RunProgramUnderFault(TFault fault, const QString& program, const QStringList& arguments);

/// Text of LENGTH characters that compresses badly, so every format writes more than the limit.
QString RandomWords(int length);

/// Data rows "NAME read-only folder", "NAME full disk" and "NAME target is a folder" of each name,
/// in the columns "name" and "fault".
void AddFaultRows(const QStringList& names);
/// The child failed with status 1 naming the target's file, and its folder is as it was before.
void VerifyNothingLost(const TChildResult& result, const QString& target, const QMap<QString, QByteArray>& before);
