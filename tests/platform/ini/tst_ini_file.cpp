// Initialisation files: lookup, values, round trips, encodings, hostile files and failed writes.
#include "Errors.h"
#include "IniFile.h"
#include "TestMain.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

namespace {

QString WriteFile(const QTemporaryDir& dir, const QByteArray& bytes)
{
    QFile file(dir.filePath("a.ini"));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(file.fileName()));
    return file.fileName();
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}

class TestIniLookup : public QObject {
    Q_OBJECT

private slots:
    void namesIgnoreCaseAndBlanks()
    {
        QTemporaryDir dir;
        TIniFile ini(WriteFile(dir, "  [ Print Preview ]  \n\tTop Margin =  15  \n"));
        QCOMPARE(ini.ReadInteger("PRINT preview", "top margin", 0), 15);
    }

    void quotesAroundAWholeValueAreDropped()
    {
        QTemporaryDir dir;
        TIniFile ini(WriteFile(dir, "[A]\nq=\"  spaced  \"\nhalf=\"x\nempty=\n"));
        QCOMPARE(ini.ReadString("A", "q", ""), QStringLiteral("  spaced  "));
        QCOMPARE(ini.ReadString("A", "half", ""), QStringLiteral("\"x"));
        QCOMPARE(ini.ReadString("A", "empty", "Arial"), QString()); // present, so not the default
    }

    void commentsAndKeysOutsideSectionsAreNotKeys()
    {
        QTemporaryDir dir;
        TIniFile ini(WriteFile(dir, "k=0\n[A]\n;k=1\n"));
        QVERIFY(!ini.ValueExists("A", "k"));
        QVERIFY(!ini.SectionExists("A")); // a section without keys does not count
    }

    void integersInEveryAcceptedForm_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("blanks") << QByteArray(" \t 20 ") << 20;
        QTest::newRow("signs") << QByteArray("-5") << -5;
        QTest::newRow("hex") << QByteArray("0XfF") << 255;
        QTest::newRow("dollar hex") << QByteArray("$10") << 16;
        QTest::newRow("hex colour wraps") << QByteArray("0x80000005") << int(0x80000005u);
        QTest::newRow("smallest") << QByteArray("-2147483648") << std::numeric_limits<int>::min();
    }
    void integersInEveryAcceptedForm()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, expected);
        QTemporaryDir dir;
        QCOMPARE(TIniFile(WriteFile(dir, "[A]\nv=" + text + "\n")).ReadInteger("A", "v", -1), expected);
    }

    void malformedIntegersGiveTheDefault_data()
    {
        QTest::addColumn<QByteArray>("text");
        for (const char* text : { "", "twelve", "12pt", "1 2", "2147483648", "99999999999999999999", "0x100000000",
                 "0x", "--1", "1.5", "12 ; points" })
            QTest::newRow(text) << QByteArray(text);
    }
    void malformedIntegersGiveTheDefault()
    {
        QFETCH(QByteArray, text);
        QTemporaryDir dir;
        TIniFile ini(WriteFile(dir, "[A]\nv=" + text + "\nyes=yes\n"));
        QCOMPARE(ini.ReadInteger("A", "v", 42), 42);
        QVERIFY(ini.ReadBool("A", "yes", true) && !ini.ReadBool("A", "yes", false));
    }
};

class TestIniRoundTrip : public QObject {
    Q_OBJECT

private slots:
    void newFileInWriteOrder()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Varnok.ini");
        TIniFile ini(path);
        ini.WriteInteger("Font Settings", "Size", 12);
        ini.WriteString("Font Settings", "Name", "Times New Roman");
        ini.WriteBool("Font Settings", "SideBar", true);
        ini.WriteInteger("Print Preview", "Top Margin", -3);
        ini.UpdateFile();
        QCOMPARE(ReadFile(path),
            QByteArray(
                "[Font Settings]\nSize=12\nName=Times New Roman\nSideBar=1\n\n[Print Preview]\nTop Margin=-3\n"));
        TIniFile reread(path);
        QVERIFY(reread.ReadBool("font settings", "SIDEBAR", false));
        QCOMPARE(reread.ReadInteger("Print Preview", "Top Margin", 0), -3);
    }

    void untouchedLinesAndOrderAreKept()
    {
        QTemporaryDir dir;
        const QString path = WriteFile(
            dir, "; Settings\n[Font Settings]\n  Size = 10 ; kept\nName=Arial\n\n; next\n[Print Preview]\nTop=15\n");
        TIniFile ini(path);
        ini.WriteInteger("FONT SETTINGS", "name", 0); // keeps the key's spelling
        ini.WriteInteger("Font Settings", "Zoom", 150);
        ini.WriteInteger("Print Preview", "Left", 25);
        ini.UpdateFile();
        QCOMPARE(ReadFile(path),
            QByteArray("; Settings\n[Font Settings]\n  Size = 10 ; kept\nName=0\nZoom=150\n\n; next\n"
                       "[Print Preview]\nTop=15\nLeft=25\n"));
    }

    void crLfFileStaysCrLf()
    {
        QTemporaryDir dir;
        const QString path = WriteFile(dir, "[A]\r\nx=1\r\n");
        TIniFile ini(path);
        QCOMPARE(ini.ReadInteger("A", "x", 0), 1);
        ini.WriteInteger("A", "y", 2);
        ini.UpdateFile();
        QCOMPARE(ReadFile(path), QByteArray("[A]\r\nx=1\r\ny=2\r\n"));
    }

    void eraseSectionTakesItsDuplicatesToo()
    {
        QTemporaryDir dir;
        TIniFile ini(WriteFile(dir, "[A]\nx=1\ny=2\n[B]\nz=3\n[b]\nw=4\n"));
        ini.DeleteKey("a", "X");
        ini.EraseSection("B");
        QCOMPARE(ini.ReadSection("A"), QStringList { "y" });
        QVERIFY(!ini.ValueExists("B", "w"));
    }

    void lineBreaksInValuesCannotAddLines()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("a.ini");
        TIniFile ini(path);
        ini.WriteString("A", "Name", "x\n[B]\r\nk=v");
        ini.UpdateFile();
        TIniFile reread(path);
        QCOMPARE(reread.ReadString("A", "Name", ""), QStringLiteral("x [B] k=v"));
        QVERIFY(!reread.SectionExists("B"));
    }

    void windows1252WhenNotUtf8()
    {
        QTemporaryDir dir;
        QCOMPARE(TIniFile(WriteFile(dir, "[A]\nName=Caf\xe9 \x80\x96\n")).ReadString("A", "Name", ""),
            QString::fromUtf8("Café €–"));
    }

    void utf8WithByteOrderMarkIsWrittenBackSo()
    {
        QTemporaryDir dir;
        const QString path = WriteFile(dir, "\xEF\xBB\xBF[Polices]\nNom=Caf\xC3\xA9\n");
        TIniFile ini(path);
        QCOMPARE(ini.ReadString("polices", "nom", ""), QString::fromUtf8("Café"));
        ini.WriteString("Polices", "Autre", QString::fromUtf8("é"));
        ini.UpdateFile();
        QCOMPARE(ReadFile(path), QByteArray("\xEF\xBB\xBF[Polices]\nNom=Caf\xC3\xA9\nAutre=\xC3\xA9\n"));
    }
};

class TestIniHostileFiles : public QObject {
    Q_OBJECT

private slots:
    void oversizedFilesAreNotRead_data()
    {
        QTest::addColumn<QByteArray>("tail");
        QTest::newRow("bytes") << QByteArray(TIniFile::MaxFileSize, ';');
        QTest::newRow("lines") << QByteArray(TIniFile::MaxLines, '\n');
    }
    void oversizedFilesAreNotRead()
    {
        QFETCH(QByteArray, tail);
        QTemporaryDir dir;
        QVERIFY(!TIniFile(WriteFile(dir, "[A]\nx=1\n" + tail)).ValueExists("A", "x"));
    }

    void overlongLineIsKeptButNotAKey()
    {
        QTemporaryDir dir;
        const QByteArray longLine = "Big=" + QByteArray(TIniFile::MaxLineLength, 'v');
        const QString path = WriteFile(dir, "[A]\n" + longLine + "\nx=1\n");
        TIniFile ini(path);
        QVERIFY(!ini.ValueExists("A", "Big"));
        ini.WriteInteger("A", "x", 2);
        ini.UpdateFile();
        QCOMPARE(ReadFile(path), "[A]\n" + longLine + "\nx=2\n");
    }

    void binaryGarbageReadsWithoutHarm()
    {
        QByteArray bytes;
        quint32 seed = 12345;
        for (int i = 0; i < 20000; ++i)
            bytes.append(char((seed = seed * 1103515245 + 12345) >> 16));
        QTemporaryDir dir;
        TIniFile ini(WriteFile(dir, bytes + "\n[A]\nx=7\n"));
        QCOMPARE(ini.ReadInteger("A", "x", 0), 7);
    }
};

class TestIniWriteFailure : public QObject {
    Q_OBJECT

private slots:
    void missingFolderThrowsCreateError()
    {
        QTemporaryDir dir;
        TIniFile ini(dir.filePath("no/such/folder/a.ini"));
        ini.WriteInteger("A", "x", 1);
        QVERIFY_THROWS_EXCEPTION(EFCreateError, ini.UpdateFile());
    }

    // Permissions do not stop root, a file size limit does. This was a silent success: commit()
    // overlooked the failed flush of its last buffered bytes.
    void failedWriteKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QByteArray old = "[A]\nx=1\n";
        const QString path = WriteFile(dir, old);
        TIniFile ini(path);
        ini.WriteString("A", "Long", QString(4096, u'y'));

        rlimit saved {};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 64;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        QString message;
        try {
            ini.UpdateFile();
        } catch (const EFCreateError& error) {
            message = error.Message();
        }
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);

        QCOMPARE(message, QStringLiteral("Cannot create file %1").arg(path));
        QCOMPARE(ReadFile(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { "a.ini" }); // no temporary left
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    return RunTestClasses<TestIniLookup, TestIniRoundTrip, TestIniHostileFiles, TestIniWriteFailure>(argc, argv);
}

#include "tst_ini_file.moc"
