// Saves of Tamsel that fail (a read-only folder, a full disk, a folder in the file's place) keep the
// previous file byte for byte, leave no temporary file beside it and say which file failed.
#include "FaultInjection.h"
#include "History.h"
#include "IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray Previous = "{\\rtf1 the previous version, which must survive}\r\n";

} // namespace

class TestTamselSaves : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void convertKeepsThePreviousFile_data();
    void convertKeepsThePreviousFile();
    void settingsKeepThePreviousFile_data();
    void settingsKeepThePreviousFile();
    void historyKeepsThePreviousFile_data();
    void historyKeepsThePreviousFile();

private:
    QTemporaryDir FSources;
    QString FSource;
};

void TestTamselSaves::initTestCase()
{
    QVERIFY(!qEnvironmentVariable("TAMSEL_BINARY").isEmpty());
    FSource = FSources.filePath(QStringLiteral("source.txt"));
    QFile file(FSource);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(RandomWords(12000).toUtf8());
}

void TestTamselSaves::convertKeepsThePreviousFile_data()
{
    AddFaultRows({ QStringLiteral("out.rtf"), QStringLiteral("out.doc"), QStringLiteral("out.txt"),
        QStringLiteral("out.rtc"), QStringLiteral("out.pdf"), QStringLiteral("out.ovp") });
}

void TestTamselSaves::convertKeepsThePreviousFile()
{
    QFETCH(QString, name);
    QFETCH(TFault, fault);
    QTemporaryDir folder;
    const QString target = folder.filePath(name);
    PrepareFault(fault, target, Previous);
    const QMap<QString, QByteArray> before = FolderContents(folder.path());
    const TChildResult result = RunProgramUnderFault(
        fault, qEnvironmentVariable("TAMSEL_BINARY"), { QStringLiteral("--convert"), FSource, target });
    ClearFault(fault, target);
    VerifyNothingLost(result, target, before);
}

void TestTamselSaves::settingsKeepThePreviousFile_data() { AddFaultRows({ QStringLiteral("Varnok.ini") }); }

void TestTamselSaves::settingsKeepThePreviousFile()
{
    QFETCH(QString, name);
    QFETCH(TFault, fault);
    QTemporaryDir folder;
    const QString target = folder.filePath(name);
    PrepareFault(fault, target, "[Font]\r\nSize=12\r\nName=Arial\r\n");
    const QMap<QString, QByteArray> before = FolderContents(folder.path());
    const TChildResult result = RunUnderFault(fault, [&] {
        TIniFile ini(target);
        ini.WriteInteger(QStringLiteral("Font"), QStringLiteral("Size"), 14);
        ini.WriteString(QStringLiteral("Font"), QStringLiteral("Name"), RandomWords(4000).simplified());
        ini.UpdateFile();
    });
    ClearFault(fault, target);
    VerifyNothingLost(result, target, before);
}

void TestTamselSaves::historyKeepsThePreviousFile_data() { AddFaultRows({ QStringLiteral("WrdFileList.dat") }); }

void TestTamselSaves::historyKeepsThePreviousFile()
{
    QFETCH(QString, name);
    QFETCH(TFault, fault);
    QTemporaryDir folder;
    const QString target = folder.filePath(name);
    PrepareFault(fault, target, "/home/user/letter.rtf\r\n/home/user/notes.txt\r\n");
    const QMap<QString, QByteArray> before = FolderContents(folder.path());
    QStringList entries;
    for (int i = 0; i < 200; ++i)
        entries << QStringLiteral("/home/user/documents/letter number %1.rtf").arg(i);
    const TChildResult result = RunUnderFault(fault, [&] { WriteHistoryFile(target, entries); });
    ClearFault(fault, target);
    VerifyNothingLost(result, target, before);
}

QTEST_MAIN(TestTamselSaves)
#include "tst_tamsel_saves.moc"
