#pragma once
// AtomicFile.h: files a user owns are replaced in one step, so a failed write (a full disk, a
// folder without rights) leaves the previous file as it was and no temporary file beside it.
#include <QByteArray>
#include <QString>

#include <functional>

class QIODevice;

/// Writes through WRITE into a temporary file beside PATH and renames it over PATH once everything
/// reached the disk. Throws EFCreateError naming PATH when any step fails; what WRITE throws passes
/// through. Either way the temporary file is removed.
void WriteFileAtomically(const QString& path, const std::function<void(QIODevice& file)>& write);
void WriteFileAtomically(const QString& path, const QByteArray& bytes);
