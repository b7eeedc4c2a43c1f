#pragma once
// FuzzSupport.h: what the libFuzzer targets share: a headless application and a scratch file for
// readers that take a path.
#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstdlib>

// Targets that need widgets or fonts create the application once, headless.
inline void StartHeadlessApplication(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication application(*argc, *argv);
}

// A file of this process holding the bytes, named with the extension the reader decides by.
inline QString ScratchFile(const QByteArray& bytes, const QString& name)
{
    static const QString folder = [] {
        // Atomic saves sync to the disk; in memory that costs nothing and the fuzzer keeps its pace.
        const QDir base(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath());
        const QString path = base.filePath(QStringLiteral("fuzz-%1").arg(QCoreApplication::applicationPid()));
        QDir().mkpath(path);
        return path;
    }();
    const QString path = QDir(folder).filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
    return path;
}

// A property that does not hold is a finding: the fuzzer records the input.
inline void Require(bool condition)
{
    if (!condition)
        std::abort();
}
