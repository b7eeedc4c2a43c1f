// The install: every file in its place under a staging DESTDIR, desktop entries and manual pages that
// the desktop's own checkers accept, a type database that knows the documents, and an uninstall that
// takes everything away again.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct TRun {
    int Status = -1;
    QString Output; // standard output and standard error
};

TRun Run(const QString& program, const QStringList& arguments, const QString& destDir = QString())
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (destDir.isEmpty())
        environment.remove(QStringLiteral("DESTDIR"));
    else
        environment.insert(QStringLiteral("DESTDIR"), destDir);
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    TRun run;
    if (!process.waitForFinished(120000))
        return run;
    run.Status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.Output = QString::fromLocal8Bit(process.readAll());
    return run;
}

QString Tool(const QString& name) { return QStandardPaths::findExecutable(name); }

QStringList FilesUnder(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

} // namespace

class TestInstall : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(Stage.isValid(), "no temporary folder");
        Root = Stage.path() + QStringLiteral("/usr/local");
        const TRun install = Run(QStringLiteral("cmake"),
            { QStringLiteral("--install"), QString::fromLocal8Bit(BUILD_DIR), QStringLiteral("--prefix"), QStringLiteral("/usr/local") },
            Stage.path());
        QVERIFY2(install.Status == 0, qPrintable(install.Output));
    }

    void filesLieWhereTheDesktopLooks()
    {
        const QStringList expected {
            QStringLiteral("bin/tamsel"), QStringLiteral("bin/pelmora"), QStringLiteral("bin/ivrospell"), QStringLiteral("bin/pastrel"),
            QStringLiteral("share/applications/tamsel.desktop"), QStringLiteral("share/applications/pelmora.desktop"),
            QStringLiteral("share/mime/packages/tamsel-documents.xml"),
            QStringLiteral("share/icons/hicolor/scalable/apps/tamsel.svg"), QStringLiteral("share/icons/hicolor/scalable/apps/pelmora.svg"),
            QStringLiteral("share/icons/hicolor/scalable/mimetypes/application-x-tamsel-rtc.svg"),
            QStringLiteral("share/man/man1/tamsel.1"), QStringLiteral("share/man/man1/pelmora.1"),
        };
        for (const QString& file : expected)
            QVERIFY2(QFileInfo(QDir(Root).filePath(file)).isFile(), qPrintable(file));
        // Tamsel starts the companions from its own folder.
        for (const QString& program : { QStringLiteral("tamsel"), QStringLiteral("pelmora"), QStringLiteral("ivrospell"), QStringLiteral("pastrel") })
            QVERIFY2(QFileInfo(Root + QStringLiteral("/bin/") + program).isExecutable(), qPrintable(program));
        // A staged install leaves the caches to the package: nothing outside the listed files.
        QVERIFY(!QFileInfo(Root + QStringLiteral("/share/mime/mime.cache")).exists());
    }

    void desktopEntriesAreValidAndOpenTheDocuments()
    {
        if (Tool(QStringLiteral("desktop-file-validate")).isEmpty())
            QSKIP("desktop-file-validate is not installed");
        for (const QString& entry : { QStringLiteral("tamsel.desktop"), QStringLiteral("pelmora.desktop") }) {
            const TRun check = Run(Tool(QStringLiteral("desktop-file-validate")), { Root + QStringLiteral("/share/applications/") + entry });
            QVERIFY2(check.Status == 0 && check.Output.trimmed().isEmpty(), qPrintable(entry + QStringLiteral(": ") + check.Output));
        }
        QFile tamsel(Root + QStringLiteral("/share/applications/tamsel.desktop"));
        QVERIFY(tamsel.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(tamsel.readAll());
        for (const QString& type : { QStringLiteral("application/rtf"), QStringLiteral("text/rtf"), QStringLiteral("application/x-tamsel-rtc"), QStringLiteral("text/plain") })
            QVERIFY2(text.contains(type + u';'), qPrintable(type));
        QVERIFY(text.contains(QStringLiteral("Exec=tamsel %f")));
    }

    void typeDatabaseKnowsTheDocuments()
    {
        if (Tool(QStringLiteral("update-mime-database")).isEmpty())
            QSKIP("update-mime-database is not installed");
        // The database of the staged types alone, built in a copy so the stage stays as installed.
        QTemporaryDir mime;
        QVERIFY(QDir(mime.path()).mkpath(QStringLiteral("packages")));
        QVERIFY(QFile::copy(Root + QStringLiteral("/share/mime/packages/tamsel-documents.xml"), mime.path() + QStringLiteral("/packages/tamsel-documents.xml")));
        const TRun update = Run(Tool(QStringLiteral("update-mime-database")), { QStringLiteral("-V"), mime.path() });
        QVERIFY2(update.Status == 0 && !update.Output.contains(QStringLiteral("rror")), qPrintable(update.Output));
        QFile globs(mime.path() + QStringLiteral("/globs2"));
        QVERIFY(globs.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(globs.readAll());
        QVERIFY2(text.contains(QStringLiteral("application/x-tamsel-rtc:*.rtc")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("application/x-tamsel-presentation:*.ovp")), qPrintable(text));
        QFile presentation(mime.path() + QStringLiteral("/application/x-tamsel-presentation.xml"));
        QVERIFY(presentation.open(QIODevice::ReadOnly));
        QVERIFY(presentation.readAll().contains("image/gif")); // a viewer of pictures can show it
    }

    void manualPagesRenderWithoutWarnings_data()
    {
        QTest::addColumn<QString>("page");
        QTest::newRow("tamsel") << "tamsel.1";
        QTest::newRow("pelmora") << "pelmora.1";
    }
    void manualPagesRenderWithoutWarnings()
    {
        QFETCH(QString, page);
        const QString path = Root + QStringLiteral("/share/man/man1/") + page;
        if (Tool(QStringLiteral("mandoc")).isEmpty() || Tool(QStringLiteral("groff")).isEmpty())
            QSKIP("mandoc or groff is not installed");
        const TRun lint = Run(Tool(QStringLiteral("mandoc")), { QStringLiteral("-T"), QStringLiteral("lint"), QStringLiteral("-W"), QStringLiteral("style"), path });
        QVERIFY2(lint.Status == 0 && lint.Output.trimmed().isEmpty(), qPrintable(lint.Output));
        const TRun groff = Run(Tool(QStringLiteral("groff")), { QStringLiteral("-ww"), QStringLiteral("-man"), QStringLiteral("-Tutf8"), path });
        QVERIFY2(groff.Status == 0 && !groff.Output.contains(QStringLiteral("warning")), qPrintable(groff.Output));
        // Every mode, its exit status and the settings files are there for the reader.
        const TRun plain = Run(Tool(QStringLiteral("mandoc")), { QStringLiteral("-T"), QStringLiteral("ascii"), path });
        QString text = plain.Output;
        text.remove(QRegularExpression(QStringLiteral(".\b")));
        QVERIFY(text.contains(QStringLiteral("EXIT STATUS")));
        QVERIFY(text.contains(QStringLiteral("XDG_CONFIG_HOME")));
        const QStringList needed = page == QLatin1String("tamsel.1")
            ? QStringList { QStringLiteral("--convert"), QStringLiteral("--print"), QStringLiteral("--slide"), QStringLiteral("--per-sheet"), QStringLiteral("Varnok.ini"), QStringLiteral("WrdFileList.dat") }
            : QStringList { QStringLiteral("--merge"), QStringLiteral("--printer"), QStringLiteral("Settings.ini") };
        for (const QString& word : needed)
            QVERIFY2(text.contains(word), qPrintable(word));
    }

    // Last: it takes the stage away.
    void uninstallRemovesEveryInstalledFile()
    {
        QVERIFY(!FilesUnder(Stage.path()).isEmpty());
        const TRun uninstall = Run(QStringLiteral("cmake"),
            { QStringLiteral("-DMANIFEST=") + QString::fromLocal8Bit(BUILD_DIR) + QStringLiteral("/install_manifest.txt"), QStringLiteral("-P"),
                QString::fromLocal8Bit(SOURCE_DIR) + QStringLiteral("/desktop/Uninstall.cmake") },
            Stage.path());
        QVERIFY2(uninstall.Status == 0, qPrintable(uninstall.Output));
        QCOMPARE(FilesUnder(Stage.path()), QStringList());
    }

private:
    QTemporaryDir Stage;
    QString Root;
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
