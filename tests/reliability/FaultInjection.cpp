// FaultInjection.cpp: the child processes run with the file-size limit or without the rights that
// let the superuser write into any folder.
#include "FaultInjection.h"

#include "Errors.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include <csignal>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The superuser writes into read-only folders; without these rights (also after exec) it cannot.
void DropOverrides()
{
    for (int capability = 0; capability < 64; ++capability)
        prctl(PR_CAPBSET_DROP, capability, 0, 0, 0);
    __user_cap_header_struct header { _LINUX_CAPABILITY_VERSION_3, 0 };
    __user_cap_data_struct data[2] {};
    syscall(SYS_capset, &header, data);
}

// Runs in the child only: async-signal-safe calls.
void ApplyFault(TFault fault)
{
    if (fault == TFault::ReadOnlyFolder) {
        DropOverrides();
    } else if (fault == TFault::FullDisk) {
        // Ignored, the signal turns a write over the limit into the error a full disk gives.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit { rlim_t(FullDiskLimit), rlim_t(FullDiskLimit) };
        setrlimit(RLIMIT_FSIZE, &limit);
    }
}

} // namespace

QMap<QString, QByteArray> FolderContents(const QString& folder)
{
    QMap<QString, QByteArray> contents;
    QDirIterator entries(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        const QString path = entries.next();
        const QString name = QDir(folder).relativeFilePath(path);
        if (entries.fileInfo().isDir()) {
            contents.insert(name + u'/', QByteArray());
        } else {
            QFile file(path);
            contents.insert(name, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>"));
        }
    }
    return contents;
}

void PrepareFault(TFault fault, const QString& target, const QByteArray& previous)
{
    const QString folder = QFileInfo(target).absolutePath();
    if (fault == TFault::TargetIsFolder) {
        QDir().mkpath(target);
        QFile inside(QDir(target).filePath(QStringLiteral("inside.txt")));
        if (inside.open(QIODevice::WriteOnly))
            inside.write(previous);
        return;
    }
    QFile file(target);
    if (file.open(QIODevice::WriteOnly))
        file.write(previous);
    file.close();
    if (fault == TFault::ReadOnlyFolder)
        ::chmod(QFile::encodeName(folder).constData(), 0555);
}

void ClearFault(TFault fault, const QString& target)
{
    if (fault == TFault::ReadOnlyFolder)
        ::chmod(QFile::encodeName(QFileInfo(target).absolutePath()).constData(), 0755);
}

TChildResult RunUnderFault(TFault fault, const std::function<void()>& write)
{
    int channel[2];
    if (pipe(channel) != 0)
        return {};
    const pid_t child = fork();
    if (child < 0)
        return {};
    if (child == 0) {
        close(channel[0]);
        ApplyFault(fault);
        int status = 0;
        QByteArray message;
        try {
            write();
        } catch (const std::exception& error) {
            message = MessageOf(error).toUtf8();
            status = 1;
        }
        for (qsizetype written = 0; written < message.size();) {
            const ssize_t n = ::write(channel[1], message.constData() + written, size_t(message.size() - written));
            if (n <= 0)
                break;
            written += n;
        }
        _exit(status);
    }
    close(channel[1]);
    QByteArray message;
    char buffer[4096];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;)
        message.append(buffer, n);
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    TChildResult result;
    result.Ran = WIFEXITED(status);
    result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.Message = QString::fromUtf8(message);
    return result;
}

TChildResult RunProgramUnderFault(TFault fault, const QString& program, const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    process.setProcessEnvironment(environment);
    process.setChildProcessModifier([fault] { ApplyFault(fault); });
    process.start(program, arguments);
    TChildResult result;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.Ran = process.exitStatus() == QProcess::NormalExit;
    result.Status = process.exitCode();
    // The message is the last line; the toolkit may warn before it.
    result.Message = QString::fromUtf8(process.readAllStandardError()).trimmed().split(u'\n').last();
    return result;
}

QString RandomWords(int length)
{
    QRandomGenerator random(20261210);
    QString text;
    text.reserve(length);
    while (text.size() < length) {
        const int word = 2 + int(random.bounded(9));
        for (int i = 0; i < word; ++i)
            text += QChar(u'a' + int(random.bounded(26)));
        text += random.bounded(12) == 0 ? QStringLiteral("\n") : QStringLiteral(" ");
    }
    return text;
}

void AddFaultRows(const QStringList& names)
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<TFault>("fault");
    for (const QString& name : names) {
        QTest::newRow(qPrintable(name + QStringLiteral(" read-only folder"))) << name << TFault::ReadOnlyFolder;
        QTest::newRow(qPrintable(name + QStringLiteral(" full disk"))) << name << TFault::FullDisk;
        QTest::newRow(qPrintable(name + QStringLiteral(" target is a folder"))) << name << TFault::TargetIsFolder;
    }
}

void VerifyNothingLost(const TChildResult& result, const QString& target, const QMap<QString, QByteArray>& before)
{
    QVERIFY2(result.Ran, "the writer crashed or hung");
    QCOMPARE(result.Status, 1);
    QVERIFY2(result.Message.contains(QFileInfo(target).fileName()), qPrintable(result.Message));
    const QMap<QString, QByteArray> after = FolderContents(QFileInfo(target).absolutePath());
    QCOMPARE(after.keys(), before.keys());
    QVERIFY(after == before);
}
