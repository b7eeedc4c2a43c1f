// Progress of the command-line modes: one line rewritten in place on a terminal, and not a byte of it
// when standard error is a file or a pipe.
#include "TerminalProgress.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

QByteArray Written(const std::function<void(TTerminalProgress&)>& use, bool shown)
{
    std::FILE* stream = std::tmpfile();
    {
        TTerminalProgress progress(stream, shown);
        use(progress);
    }
    std::rewind(stream);
    QByteArray bytes;
    char buffer[256];
    size_t read;
    while ((read = std::fread(buffer, 1, sizeof buffer, stream)) > 0)
        bytes.append(buffer, qsizetype(read));
    std::fclose(stream);
    return bytes;
}

struct TRun {
    int Status = -1;
    QByteArray Errors;
};

// With stderr a pipe, as in a script or a log.
TRun RunPiped(const QString& program, const QStringList& arguments)
{
    QProcess process;
    // Qt's own notices are no progress; a runtime folder of the right kind keeps them away.
    static QTemporaryDir runtime;
    QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    TRun run;
    if (!process.waitForFinished(240000))
        return run;
    run.Status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.Errors = process.readAllStandardError();
    return run;
}

// With stdout and stderr a terminal, as a person runs it; what the terminal received.
QByteArray RunOnTerminal(const QString& program, const QStringList& arguments)
{
    QStringList quoted { program };
    for (const QString& argument : arguments)
        quoted << QStringLiteral("'%1'").arg(QString(argument).replace(u'\'', QStringLiteral("'\\''")));
    QProcess process;
    process.start(QStringLiteral("script"), { QStringLiteral("-qefc"), quoted.join(u' '), QStringLiteral("/dev/null") });
    if (!process.waitForFinished(240000))
        return QByteArray();
    return process.readAllStandardOutput();
}

QByteArray LongDocument()
{
    QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 ";
    for (int p = 0; p < 120; ++p)
        rtf += "Paragraph " + QByteArray::number(p) + " of a document long enough for several pages.\\par ";
    return rtf + '}';
}

} // namespace

class TestProgress : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(Work.isValid());
        QFile document(Work.filePath(QStringLiteral("long.rtf")));
        QVERIFY(document.open(QIODevice::WriteOnly));
        document.write(LongDocument());
    }

    void lineIsRewrittenInPlaceAndClosedOnce()
    {
        const QByteArray bytes = Written(
            [](TTerminalProgress& progress) {
                progress.Update(QStringLiteral("Printing"), 9, 10, QStringLiteral("page"));
                progress.Update(QStringLiteral("Printing"), 10, 10, QStringLiteral("page"));
                progress.UpdatePercent(QStringLiteral("Laying out"), 150, 3, QStringLiteral("page"));
                progress.UpdatePercent(QStringLiteral("Go"), 5, 1, QStringLiteral("page"));
                progress.Finish();
                progress.Finish();
            },
            true);
        // The shorter last line is padded over the longer one before it, and one line ends it all.
        QCOMPARE(bytes,
            QByteArray("\rPrinting: 90% (page 9 of 10)\rPrinting: 100% (page 10 of 10)\rLaying out: 100% (page 3)     "
                       "\rGo: 5% (page 1)          \n"));
    }

    void nothingWhenNotShownAndNoEmptyLine()
    {
        QCOMPARE(Written([](TTerminalProgress& p) { p.Update(QStringLiteral("Printing"), 1, 2, QStringLiteral("page")); }, false),
            QByteArray());
        QCOMPARE(Written([](TTerminalProgress&) {}, true), QByteArray()); // no progress, no stray line end
        // Counts past the share and totals of nothing never show a share above 100% or a division by 0.
        QCOMPARE(TTerminalProgress::LineText(QStringLiteral("Merging"), 250, 3, 2, QStringLiteral("letter")),
            QStringLiteral("Merging: 100% (letter 3 of 2)"));
        const QByteArray none = Written([](TTerminalProgress& p) { p.Update(QStringLiteral("Merging"), 0, 0, QStringLiteral("letter")); }, true);
        QCOMPARE(none, QByteArray("\rMerging: 0% (letter 0)\n"));
    }

    void commandLineModesShowProgressOnlyOnATerminal_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("lines");
        const QString tamsel = QString::fromLocal8Bit(TAMSEL_PROGRAM);
        const QString pelmora = QString::fromLocal8Bit(PELMORA_PROGRAM);
        const QString examples = QString::fromLocal8Bit(SOURCE_DIR) + QStringLiteral("/pelmora/examples/");
        QTest::newRow("print") << tamsel
                               << QStringList { QStringLiteral("--print"), QStringLiteral("long.rtf"), QStringLiteral("--output"), QStringLiteral("long.pdf") }
                               << QStringList { QStringLiteral("\rLaying out: 100% (page "), QStringLiteral("\rPrinting: 100% (page ") };
        QTest::newRow("convert") << tamsel << QStringList { QStringLiteral("--convert"), QStringLiteral("long.rtf"), QStringLiteral("long-export.pdf") }
                                 << QStringList { QStringLiteral("\rExporting: 100% (page ") };
        QTest::newRow("merge") << pelmora
                               << QStringList { QStringLiteral("--merge"), examples + QStringLiteral("letter.rtf"), examples + QStringLiteral("people.csv"),
                                      QStringLiteral("letters.pdf") }
                               << QStringList { QStringLiteral("\rMerging: 100% (letter "), QStringLiteral("\rPrinting: 100% (page ") };
    }
    void commandLineModesShowProgressOnlyOnATerminal()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, lines);
        if (QStandardPaths::findExecutable(QStringLiteral("script")).isEmpty())
            QSKIP("script is not installed");
        QDir::setCurrent(Work.path());
        const TRun piped = RunPiped(program, arguments);
        QCOMPARE(piped.Status, 0);
        QCOMPARE(piped.Errors, QByteArray()); // a log gets no progress
        const QString terminal = QString::fromLocal8Bit(RunOnTerminal(program, arguments));
        for (const QString& line : lines)
            QVERIFY2(terminal.contains(line), qPrintable(terminal.toUtf8().toPercentEncoding(" :%()")));
        QVERIFY2(terminal.endsWith(QStringLiteral("\n")), qPrintable(terminal));
    }

    void failureStartsOnALineOfItsOwn()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("script")).isEmpty())
            QSKIP("script is not installed");
        QDir::setCurrent(Work.path());
        const QString terminal = QString::fromLocal8Bit(RunOnTerminal(QString::fromLocal8Bit(TAMSEL_PROGRAM),
            { QStringLiteral("--print"), QStringLiteral("long.rtf"), QStringLiteral("--output"), QStringLiteral("long2.pdf"),
                QStringLiteral("--margins"), QStringLiteral("150,10,150,10") }));
        QVERIFY2(terminal.contains(QStringLiteral("The margins leave no room for text.")), qPrintable(terminal));
        QVERIFY2(!terminal.contains(QStringLiteral("%)The margins")), qPrintable(terminal));
    }

private:
    QTemporaryDir Work;
};

QTEST_GUILESS_MAIN(TestProgress)
#include "tst_progress.moc"
