// Files of the table builder that fail to save (a read-only folder, a full disk, a folder in the
// file's place) keep the previous file byte for byte, leave no temporary file and name the file.
#include "DllFormU.h"
#include "FaultInjection.h"
#include "ScriptedDialogs.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

class TestToolsSaves : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void tableFilesKeepThePreviousFile_data();
    void tableFilesKeepThePreviousFile();

private:
    QTemporaryDir FSources;
    QString FFullTable;
};

void TestToolsSaves::initTestCase()
{
    // A full table of long cells, so every format writes more than a full disk takes.
    QString text = QStringLiteral("20\r\n20\r\n");
    for (int cell = 0; cell < 400; ++cell)
        text += RandomWords(60).simplified() + QStringLiteral("\r\n");
    FFullTable = FSources.filePath(QStringLiteral("full.txt"));
    QFile file(FFullTable);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
}

void TestToolsSaves::tableFilesKeepThePreviousFile_data()
{
    AddFaultRows({ QStringLiteral("table.txt"), QStringLiteral("table.csv"), QStringLiteral("table.bmp"),
        QStringLiteral("table.jpg"), QStringLiteral("table.emf") });
}

void TestToolsSaves::tableFilesKeepThePreviousFile()
{
    QFETCH(QString, name);
    QFETCH(TFault, fault);
    TScriptedDialogs dialogs;
    TDllForms form(dialogs);
    form.ImportFile(FFullTable);
    QTemporaryDir folder;
    const QString target = folder.filePath(name);
    PrepareFault(fault, target, "the previous version, which must survive\r\n");
    const QMap<QString, QByteArray> before = FolderContents(folder.path());
    const QImage snapshot = form.GridSnapshot();
    const QString extension = name.section(u'.', -1);
    const TChildResult result = RunUnderFault(fault, [&] {
        if (extension == u"txt" || extension == u"csv")
            form.ExportFile(target);
        else
            form.SavePicture(target, extension == u"bmp" ? 1 : extension == u"jpg" ? 2 : 3, snapshot);
    });
    ClearFault(fault, target);
    VerifyNothingLost(result, target, before);
}

QTEST_MAIN(TestToolsSaves)
#include "tst_tools_saves.moc"
