// Two programs writing the same settings and history files at once (two windows closed together)
// leave each file whole, as the last writer wrote it; a reader never sees half a file. Two exports
// running at once write two correct files.
#include "History.h"
#include "IniFile.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int Rounds = 100;

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList HistoryOf(int program)
{
    QStringList entries;
    for (int i = 0; i < 300; ++i)
        entries << QStringLiteral("/home/user%1/documents/letter %2.rtf").arg(program).arg(i);
    return entries;
}

// What one program writes at its end, again and again.
pid_t StartWriter(int program, const QString& settings, const QString& history)
{
    const pid_t child = fork();
    if (child != 0)
        return child;
    int status = 0;
    try {
        for (int round = 0; round < Rounds; ++round) {
            TIniFile ini(settings);
            for (int key = 0; key < 200; ++key)
                ini.WriteString(QStringLiteral("Font"), QStringLiteral("Key%1").arg(key), QStringLiteral("program %1").arg(program));
            ini.UpdateFile();
            WriteHistoryFile(history, HistoryOf(program));
        }
    } catch (...) {
        status = 1;
    }
    _exit(status);
}

// Whether the writer ended, and with it the exit status (-1 for a crash).
bool Finished(pid_t child, int& exit)
{
    if (exit != -2)
        return true;
    int status = 0;
    if (waitpid(child, &status, WNOHANG) != child)
        return false;
    exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
}

// One of the writers' complete versions.
bool WholeSettings(const QString& path)
{
    const TIniFile ini(path);
    const QStringList keys = ini.ReadSection(QStringLiteral("Font"));
    if (keys.size() != 200)
        return false;
    const QString value = ini.ReadString(QStringLiteral("Font"), QStringLiteral("Key0"), QString());
    for (const QString& key : keys)
        if (ini.ReadString(QStringLiteral("Font"), key, QString()) != value)
            return false;
    return value == u"program 1" || value == u"program 2";
}

bool WholeHistory(const QString& path)
{
    const QStringList entries = ReadHistoryFile(path);
    return entries == HistoryOf(1) || entries == HistoryOf(2);
}

} // namespace

class TestConcurrentWrites : public QObject {
    Q_OBJECT
private slots:
    void settingsAndHistoryStayWhole();
    void twoExportsAtOnceWriteTwoCorrectFiles();
};

void TestConcurrentWrites::settingsAndHistoryStayWhole()
{
    QTemporaryDir folder;
    const QString settings = folder.filePath(QStringLiteral("Varnok.ini"));
    const QString history = folder.filePath(QStringLiteral("WrdFileList.dat"));
    const pid_t first = StartWriter(1, settings, history);
    const pid_t second = StartWriter(2, settings, history);
    QVERIFY(first > 0 && second > 0);
    int reads = 0;
    int torn = 0;
    int firstExit = -2;
    int secondExit = -2;
    while (!Finished(first, firstExit) | !Finished(second, secondExit)) {
        if (QFile::exists(settings) && !WholeSettings(settings))
            ++torn;
        if (QFile::exists(history) && !WholeHistory(history))
            ++torn;
        ++reads;
    }
    QCOMPARE(firstExit, 0);
    QCOMPARE(secondExit, 0);
    QCOMPARE(torn, 0);
    QVERIFY(reads > 0);
    QVERIFY(WholeSettings(settings));
    QVERIFY(WholeHistory(history));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 2); // no temporary files left
}

void TestConcurrentWrites::twoExportsAtOnceWriteTwoCorrectFiles()
{
    QTemporaryDir folder;
    QFile source(folder.filePath(QStringLiteral("source.txt")));
    QVERIFY(source.open(QIODevice::WriteOnly));
    for (int i = 0; i < 120; ++i)
        source.write(QByteArray("A line of the document that runs on to fill several pages, number ") + QByteArray::number(i) + "\n");
    source.close();
    QProcess exports[2];
    const QString targets[2] = { folder.filePath(QStringLiteral("one.pdf")), folder.filePath(QStringLiteral("two.pdf")) };
    for (int i = 0; i < 2; ++i) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        exports[i].setProcessEnvironment(environment);
        exports[i].start(qEnvironmentVariable("TAMSEL_BINARY"), { QStringLiteral("--convert"), source.fileName(), targets[i] });
    }
    for (QProcess& process : exports) {
        QVERIFY(process.waitForFinished(240000));
        QCOMPARE(process.exitCode(), 0);
    }
    const int pages = PdfPageCount(targets[0]);
    QVERIFY(pages >= 2);
    QCOMPARE(PdfPageCount(targets[1]), pages);
    QVERIFY(ReadAll(targets[1]).trimmed().endsWith("%%EOF"));
}

QTEST_MAIN(TestConcurrentWrites)
#include "tst_concurrent_writes.moc"
