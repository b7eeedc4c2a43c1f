// AtomicFile.cpp
#include "AtomicFile.h"

#include "Errors.h"

#include <QSaveFile>

void WriteFileAtomically(const QString& path, const std::function<void(QIODevice& file)>& write)
{
    QSaveFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::WriteOnly))
        throw EFCreateError(path);
    write(file); // an exception leaves the file uncommitted; QSaveFile removes it
    // The last buffered bytes reach the disk in flush; commit alone may not see that they did not.
    if (!file.flush() || file.error() != QFileDevice::NoError || !file.commit())
        throw EFCreateError(path);
}

void WriteFileAtomically(const QString& path, const QByteArray& bytes)
{
    WriteFileAtomically(path, [&](QIODevice& file) {
        if (file.write(bytes) != bytes.size())
            throw EFCreateError(path);
    });
}
