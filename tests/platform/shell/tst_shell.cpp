// Shell services: settings folder choice, link vetting, program start, lock keys and fades.
#include "Shell.h"
#include "TestMain.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

namespace {

QString WriteScript(const QTemporaryDir& dir, const QString& name, const QString& body, bool executable)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(body.toUtf8()) < 0)
        qFatal("cannot write %s", qPrintable(file.fileName()));
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | (executable ? QFile::ExeOwner : QFile::Permissions()));
    return file.fileName();
}

}

class TestSettingsFolder : public QObject {
    Q_OBJECT

private slots:
    void programFolderWhenWritable()
    {
        QTemporaryDir program;
        QTemporaryDir config;
        QCOMPARE(SettingsFolderFor(program.path(), config.path(), "Tamsel"), program.path());
        QVERIFY(QDir(program.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)); // probe gone
    }

    // Each of these holds for root too, who passes every permission check.
    void configFolderWhenProgramFolderUnwritable_data()
    {
        QTest::addColumn<QString>("programFolder");
        QTest::newRow("missing") << "missing";
        QTest::newRow("a file") << "file";
        QTest::newRow("proc") << "/proc";
        QTest::newRow("empty") << QString();
        QTest::newRow("installed") << "bin"; // writable for root, still no place for settings
    }
    void configFolderWhenProgramFolderUnwritable()
    {
        QFETCH(QString, programFolder);
        QTemporaryDir work;
        QFile file(work.filePath("file"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(QDir(work.path()).mkdir("bin"));
        if (!programFolder.isEmpty() && QDir::isRelativePath(programFolder))
            programFolder = work.filePath(programFolder);
        const QString folder = SettingsFolderFor(programFolder, work.filePath("config"), "Tamsel");
        QCOMPARE(folder, work.filePath("config/Tamsel"));
        QVERIFY(QFileInfo(folder).isDir());
    }

    void relativeXdgConfigHomeIsIgnored()
    {
        const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", "/srv/conf");
        const QString absolute = ConfigHome();
        qputenv("XDG_CONFIG_HOME", "conf");
        const QString relative = ConfigHome();
        qputenv("XDG_CONFIG_HOME", saved);
        QCOMPARE(absolute, QStringLiteral("/srv/conf"));
        QCOMPARE(relative, QDir::homePath() + "/.config");
    }
};

class TestOpenLink : public QObject {
    Q_OBJECT

private slots:
    void webAndMailLinksAreOpened_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("opened");
        QTest::newRow("https") << "HTTPS://example.org/a?b=c"
                               << "https://example.org/a?b=c";
        QTest::newRow("ftp") << "ftp://ftp.example.org/pub"
                             << "ftp://ftp.example.org/pub";
        QTest::newRow("mailto") << "mailto:someone@example.org"
                                << "mailto:someone@example.org";
        QTest::newRow("www") << "  WWW.example.org/page "
                             << "http://WWW.example.org/page";
    }
    void webAndMailLinksAreOpened()
    {
        QFETCH(QString, link);
        QFETCH(QString, opened);
        QList<QUrl> urls;
        TShell shell([&urls](const QUrl& url) {
            urls.append(url);
            return true;
        });
        QVERIFY(shell.OpenLink(link));
        QCOMPARE(urls, QList<QUrl> { QUrl(opened) });
    }

    void localFilesAndProgramsAreRefused_data()
    {
        QTest::addColumn<QString>("link");
        for (const char* link : { "file:///bin/sh", "file://localhost/etc/passwd", "/usr/bin/xterm", "Pelmora",
                 "C:\\Programs\\tool.exe", "javascript:alert(1)", "data:text/html,<b>x</b>", "http:///etc/passwd",
                 "ftp:relative", "mailto:", "mailto:a@example.org?att%61ch=/etc/passwd", "http://exa mple.org", "" })
            QTest::newRow(link) << QString::fromLatin1(link);
    }
    void localFilesAndProgramsAreRefused()
    {
        QFETCH(QString, link);
        int calls = 0;
        TShell shell([&calls](const QUrl&) { return ++calls > 0; });
        QVERIFY(!shell.OpenLink(link));
        QCOMPARE(calls, 0);
    }
};

class TestStartProgram : public QObject {
    Q_OBJECT

private slots:
    // Companion paths are built with the other platform's separator ("folder/\Pelmora.exe").
    void startsWithoutWaiting()
    {
        QTemporaryDir dir;
        const QString started = dir.filePath("started");
        const QString finished = dir.filePath("finished");
        WriteScript(dir, "Pelmora.exe",
            QStringLiteral("#!/bin/sh\nexec >/dev/null 2>&1\n[ $# -eq 0 ] && touch '%1'\nsleep 3\ntouch '%2'\n")
                .arg(started, finished),
            true);
        TShell shell;
        QVERIFY(shell.StartProgram(dir.path() + "/\\Pelmora.exe"));
        QVERIFY(!QFileInfo::exists(finished)); // it would, had the call waited
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(started), 10000);
    }

    void missingOrNotExecutableIsRefused()
    {
        QTemporaryDir dir;
        TShell shell;
        QVERIFY(!shell.StartProgram(WriteScript(dir, "plain", "#!/bin/sh\n", false)));
        QVERIFY(!shell.StartProgram(dir.filePath("missing")));
        QVERIFY(!shell.StartProgram(dir.path()));
    }
};

// Offscreen there is no X11 keyboard, so these exercise the counting of key presses.
class TestLockKeys : public QObject {
    Q_OBJECT

private slots:
    void eachPressToggles()
    {
        TShell shell;
        QWidget window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::keyClick(window.windowHandle(), Qt::Key_CapsLock);
        QTest::keyClick(window.windowHandle(), Qt::Key_Insert);
        QVERIFY(shell.IsKeyToggled(TLockKey::lkCapsLock) && shell.IsKeyToggled(TLockKey::lkInsert));
        QVERIFY(!shell.IsKeyToggled(TLockKey::lkNumLock));
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_CapsLock, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(window.windowHandle(), &repeat);
        QVERIFY(shell.IsKeyToggled(TLockKey::lkCapsLock));
        QTest::keyClick(window.windowHandle(), Qt::Key_CapsLock);
        QVERIFY(!shell.IsKeyToggled(TLockKey::lkCapsLock));
    }

    // The press passes from the focused edit to its parents; counted at each step it cancelled out.
    void pressPassedToParentsCountsOnce()
    {
        TShell shell;
        QWidget window;
        auto* edit = new QLineEdit(&window);
        (new QVBoxLayout(&window))->addWidget(edit);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        QTest::keyClick(window.windowHandle(), Qt::Key_ScrollLock);
        QVERIFY(shell.IsKeyToggled(TLockKey::lkScrollLock));
    }
};

class TestFade : public QObject {
    Q_OBJECT

private slots:
    void fadeOutHidesAndRestoresOpacity_data()
    {
        QTest::addColumn<int>("milliseconds");
        QTest::newRow("immediate") << 0;
        QTest::newRow("animated") << 40;
    }
    void fadeOutHidesAndRestoresOpacity()
    {
        QFETCH(int, milliseconds);
        TShell shell;
        QWidget window;
        window.setWindowOpacity(0.75);
        const double opacity = window.windowOpacity(); // Qt keeps it in 8 bits
        window.show();
        shell.FadeOut(window, milliseconds);
        QVERIFY(!window.isVisible());
        QCOMPARE(window.windowOpacity(), opacity);
    }

    void fadeOutStopsWhenTheWindowGoes()
    {
        TShell shell;
        auto* window = new QWidget;
        window->show();
        QTimer::singleShot(10, [window] { delete window; });
        shell.FadeOut(*window, 2000); // must return without touching the deleted window
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    return RunTestClasses<TestSettingsFolder, TestOpenLink, TestStartProgram, TestLockKeys, TestFade>(argc, argv);
}

#include "tst_shell.moc"
