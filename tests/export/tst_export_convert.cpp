// tamsel --convert to .pdf and .ovp: exit status, messages, and the files as outside readers see them.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TestExportConvert : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void pdfIsWrittenAndAccepted();
    void presentationTakesItsOptions();
    void presentationDefaultsToTheWindowsInitialChoices();
    void badOptionsFailWithAMessage_data();
    void badOptionsFailWithAMessage();
    void unwritableTargetKeepsTheOldFile();

private:
    QString Document(int paragraphs);
    QTemporaryDir FFolder;
};

struct TRun {
    int status = -1;
    QString error;
};

static TRun Tamsel(const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DISPLAY"));
    process.setProcessEnvironment(environment);
    process.start(qEnvironmentVariable("TAMSEL_BINARY"), QStringList { QStringLiteral("--convert") } + arguments);
    if (!process.waitForFinished(120000))
        return {};
    const QStringList lines = QString::fromUtf8(process.readAllStandardError()).trimmed().split(u'\n');
    return { process.exitCode(), lines.last() };
}

static QString Output(const QString& program, const QStringList& arguments, int* status = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    if (status)
        *status = process.exitCode();
    return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
}

void TestExportConvert::initTestCase()
{
    for (const char* tool : { "qpdf", "pdfinfo", "identify" })
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            QSKIP(qPrintable(QStringLiteral("%1 is not installed (scripts/install-deps.sh installs it)").arg(QLatin1String(tool))));
}

QString TestExportConvert::Document(int paragraphs)
{
    const QString path = QDir(FFolder.path()).filePath(QStringLiteral("doc%1.rtf").arg(paragraphs));
    QByteArray rtf("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Liberation Serif;}}{\\colortbl;\\red255\\green0\\blue0;}\\f0\\fs24 ");
    for (int i = 0; i < paragraphs; ++i)
        rtf += "\\cf1 Paragraphe " + QByteArray::number(i) + "\\cf0  en fran\\'e7ais, avec assez de mots pour remplir une ligne enti\\'e8re.\\par\n";
    rtf += "}";
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(rtf);
    return path;
}

void TestExportConvert::pdfIsWrittenAndAccepted()
{
    const QString target = QDir(FFolder.path()).filePath(QStringLiteral("out.pdf"));
    const TRun run = Tamsel({ Document(150), target });
    QCOMPARE(run.status, 0);
    int status = -1;
    const QString check = Output(QStringLiteral("qpdf"), { QStringLiteral("--check"), target }, &status);
    QVERIFY2(status == 0 && !check.contains(QStringLiteral("WARNING")), qPrintable(check));
    const QString info = Output(QStringLiteral("pdfinfo"), { target });
    const QRegularExpressionMatch pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    QVERIFY(pages.hasMatch());
    QVERIFY(pages.captured(1).toInt() >= 3);
    QVERIFY(info.contains(QRegularExpression(QStringLiteral("Title:\\s+out\\.pdf\n"))));
    QVERIFY(info.contains(QRegularExpression(QStringLiteral("Page size:\\s+596 x 842 pts"))));
}

void TestExportConvert::presentationTakesItsOptions()
{
    const QString target = QDir(FFolder.path()).filePath(QStringLiteral("show.ovp"));
    const TRun run = Tamsel({ Document(40), target, QStringLiteral("--slide"), QStringLiteral("800x600"),
        QStringLiteral("--seconds"), QStringLiteral("5"), QStringLiteral("--frame"), QStringLiteral("#FF0000") });
    QCOMPARE(run.status, 0);
    const QStringList frames
        = Output(QStringLiteral("identify"), { QStringLiteral("-format"), QStringLiteral("%wx%h %T\\n"), target })
              .split(u'\n', Qt::SkipEmptyParts);
    QVERIFY(frames.size() >= 2);
    for (const QString& frame : frames)
        QCOMPARE(frame, QStringLiteral("800x600 500"));
    const QImage first(target);
    QCOMPARE(first.pixel(400, 1), qRgb(255, 0, 0));
}

void TestExportConvert::presentationDefaultsToTheWindowsInitialChoices()
{
    const QString target = QDir(FFolder.path()).filePath(QStringLiteral("default.ovp"));
    QCOMPARE(Tamsel({ Document(3), target }).status, 0);
    const QStringList frames
        = Output(QStringLiteral("identify"), { QStringLiteral("-format"), QStringLiteral("%wx%h %T\\n"), target })
              .split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(frames, QStringList { QStringLiteral("693x950 1500") });
    QCOMPARE(QImage(target).pixel(2, 2), qRgb(255, 255, 255)); // no frame
}

void TestExportConvert::badOptionsFailWithAMessage_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("message");
    QTest::newRow("seconds too many") << QStringList { "--seconds", "61" } << "x.ovp" << "Invalid --seconds 61";
    QTest::newRow("seconds not a number") << QStringList { "--seconds", "ten" } << "x.ovp" << "Invalid --seconds ten";
    QTest::newRow("unknown slide") << QStringList { "--slide", "640x480" } << "x.ovp" << "Invalid --slide 640x480";
    QTest::newRow("bad colour") << QStringList { "--frame", "red" } << "x.ovp" << "Invalid --frame red";
    QTest::newRow("missing value") << QStringList { "--slide" } << "x.ovp" << "--slide needs a value";
    QTest::newRow("unknown option") << QStringList { "--fast", "1" } << "x.ovp" << "Unknown option --fast";
    QTest::newRow("options for a pdf") << QStringList { "--seconds", "5" } << "x.pdf" << "applies only to a .ovp target";
}

void TestExportConvert::badOptionsFailWithAMessage()
{
    QFETCH(QStringList, options);
    QFETCH(QString, target);
    QFETCH(QString, message);
    const QString path = QDir(FFolder.path()).filePath(target);
    const TRun run = Tamsel(QStringList { Document(2), path } + options);
    QCOMPARE(run.status, 1);
    QVERIFY2(run.error.contains(message), qPrintable(run.error));
    QVERIFY(!QFile::exists(path));
}

void TestExportConvert::unwritableTargetKeepsTheOldFile()
{
    // A folder that does not exist.
    const QString missing = QDir(FFolder.path()).filePath(QStringLiteral("missing/out.ovp"));
    TRun run = Tamsel({ Document(5), missing });
    QCOMPARE(run.status, 1);
    QVERIFY2(run.error.contains(missing), qPrintable(run.error));
    QVERIFY(!QFile::exists(missing));

    // An export that fails before it is done leaves the file that was there.
    const QString target = QDir(FFolder.path()).filePath(QStringLiteral("old.pdf"));
    QFile old(target);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    qputenv("TMPDIR", QDir(FFolder.path()).filePath(QStringLiteral("no-such-folder")).toLocal8Bit());
    run = Tamsel({ Document(20), target });
    qunsetenv("TMPDIR");
    QCOMPARE(run.status, 1);
    QVERIFY2(run.error.contains(QStringLiteral("scratch folder")), qPrintable(run.error));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old"));
}

QTEST_MAIN(TestExportConvert)
#include "tst_export_convert.moc"
