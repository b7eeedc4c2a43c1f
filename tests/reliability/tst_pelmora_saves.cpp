// Saves of Pelmora that fail (a read-only folder, a full disk, a folder in the file's place) keep the
// previous file byte for byte, leave no temporary file beside it and say which file failed.
#include "Errors.h"
#include "FaultInjection.h"
#include "IniFile.h"
#include "Main.h"
#include "RtRichEd.h"
#include "ScriptedDialogs.h"

#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray Previous = "the previous version, which must survive\r\n";

// The error box the window showed, as the child's failure.
void ThrowShownError(const TScriptedDialogs& dialogs)
{
    if (!dialogs.Errors().isEmpty())
        throw Exception(dialogs.Errors().back().Text);
}

} // namespace

class TestPelmoraSaves : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void mergeKeepsThePreviousFile_data();
    void mergeKeepsThePreviousFile();
    void templateSaveKeepsThePreviousFile_data();
    void templateSaveKeepsThePreviousFile();
    void csvExportKeepsThePreviousFile_data();
    void csvExportKeepsThePreviousFile();
    void settingsKeepThePreviousFile_data();
    void settingsKeepThePreviousFile();

private:
    QTemporaryDir FSources;
};

void TestPelmoraSaves::initTestCase()
{
    // The merge reads its margins from here.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(FSources.path()));
    QFile letter(FSources.filePath(QStringLiteral("letter.rtf")));
    QVERIFY(letter.open(QIODevice::WriteOnly));
    letter.write("{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}\\pard\\f0\\fs24 Dear [NAME],\\par [TEXT]\\par}\r\n");
    QFile data(FSources.filePath(QStringLiteral("people.csv")));
    QVERIFY(data.open(QIODevice::WriteOnly));
    data.write("Name,Text\r\n");
    for (int i = 0; i < 6; ++i)
        data.write(QStringLiteral("Person %1,%2\r\n").arg(i).arg(RandomWords(900).simplified()).toUtf8());
}

void TestPelmoraSaves::mergeKeepsThePreviousFile_data() { AddFaultRows({ QStringLiteral("letters.rtf"), QStringLiteral("letters.pdf") }); }

void TestPelmoraSaves::mergeKeepsThePreviousFile()
{
    QFETCH(QString, name);
    QFETCH(TFault, fault);
    QTemporaryDir folder;
    const QString target = folder.filePath(name);
    PrepareFault(fault, target, Previous);
    const QMap<QString, QByteArray> before = FolderContents(folder.path());
    const TChildResult result = RunProgramUnderFault(fault, QStringLiteral(PELMORA_PROGRAM),
        { QStringLiteral("--merge"), FSources.filePath(QStringLiteral("letter.rtf")),
            FSources.filePath(QStringLiteral("people.csv")), target });
    ClearFault(fault, target);
    VerifyNothingLost(result, target, before);
}

void TestPelmoraSaves::templateSaveKeepsThePreviousFile_data() { AddFaultRows({ QStringLiteral("template.rtf") }); }

void TestPelmoraSaves::templateSaveKeepsThePreviousFile()
{
    QFETCH(QString, name);
    QFETCH(TFault, fault);
    QTemporaryDir folder;
    const QString target = folder.filePath(name);
    PrepareFault(fault, target, Previous);
    const QMap<QString, QByteArray> before = FolderContents(folder.path());
    bool modifiedAfterwards = false;
    const TChildResult result = RunUnderFault(fault, [&] {
        TScriptedDialogs dialogs;
        TfrmMain form(dialogs, FSources.path());
        form.Editor->SetSelectedText(RandomWords(6000));
        form.Editor->SetModified(true);
        dialogs.QueueSaveFileName(target);
        dialogs.QueueAnswer(mrYes);
        form.btnRTFSave->click();
        modifiedAfterwards = form.Editor->Modified();
        // A template that was not saved must still count as changed.
        if (!modifiedAfterwards)
            throw Exception(QStringLiteral("the template counts as saved"));
        ThrowShownError(dialogs);
    });
    ClearFault(fault, target);
    VerifyNothingLost(result, target, before);
}

void TestPelmoraSaves::csvExportKeepsThePreviousFile_data() { AddFaultRows({ QStringLiteral("people.csv") }); }

void TestPelmoraSaves::csvExportKeepsThePreviousFile()
{
    QFETCH(QString, name);
    QFETCH(TFault, fault);
    QTemporaryDir folder;
    const QString target = folder.filePath(name);
    PrepareFault(fault, target, Previous);
    const QMap<QString, QByteArray> before = FolderContents(folder.path());
    const TChildResult result = RunUnderFault(fault, [&] {
        TScriptedDialogs dialogs;
        TfrmMain form(dialogs, FSources.path());
        form.memTokens->setPlainText(QStringLiteral("[NAME]\n[TEXT]"));
        QStringList lines;
        for (int i = 0; i < 40; ++i)
            lines << QStringLiteral("Person %1,%2").arg(i).arg(RandomWords(200).simplified());
        form.memData->setPlainText(lines.join(u'\n'));
        dialogs.QueueSaveFileName(target);
        dialogs.QueueAnswer(mrYes);
        form.btnSave->click();
        ThrowShownError(dialogs);
    });
    ClearFault(fault, target);
    VerifyNothingLost(result, target, before);
}

void TestPelmoraSaves::settingsKeepThePreviousFile_data() { AddFaultRows({ QStringLiteral("Settings.ini") }); }

void TestPelmoraSaves::settingsKeepThePreviousFile()
{
    QFETCH(QString, name);
    QFETCH(TFault, fault);
    QTemporaryDir folder;
    const QString target = folder.filePath(name);
    PrepareFault(fault, target, "[Margins]\r\nTop=20\r\n");
    const QMap<QString, QByteArray> before = FolderContents(folder.path());
    const TChildResult result = RunUnderFault(fault, [&] {
        TIniFile ini(target);
        for (int i = 0; i < 100; ++i)
            ini.WriteString(QStringLiteral("Margins"), QStringLiteral("Key%1").arg(i), RandomWords(60).simplified());
        ini.UpdateFile();
    });
    ClearFault(fault, target);
    VerifyNothingLost(result, target, before);
}

QTEST_MAIN(TestPelmoraSaves)
#include "tst_pelmora_saves.moc"
