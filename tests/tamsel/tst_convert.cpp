// tamsel --convert: documents of other programs to text and back, headless.
#include "TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class TestConvert : public QObject {
    Q_OBJECT
private slots:
    void rtfOfOtherProgramsGivesTheirText_data();
    void rtfOfOtherProgramsGivesTheirText();
    void textSurvivesTheWayThroughRtf();
    void compressedDocumentsConvertBothWays();
    void docThatIsPlainTextIsRead();
    void failuresExitWithTheMessage();
};

struct TResult {
    int status = -1;
    QString error;
};

// Runs the program without a display, as a script on a server would.
static TResult Convert(const QString& source, const QString& target)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    process.setProcessEnvironment(environment);
    process.start(qEnvironmentVariable("TAMSEL_BINARY"), { QStringLiteral("--convert"), source, target });
    if (!process.waitForFinished(60000))
        return {};
    // The message is the last line; the toolkit may warn before it.
    const QStringList lines = QString::fromUtf8(process.readAllStandardError()).trimmed().split(u'\n');
    return { process.exitCode(), lines.last() };
}

static QString ReadText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(file.readAll());
    text.remove(QChar(0xFEFF));
    static const QRegularExpression space(QStringLiteral("\\s+"), QRegularExpression::UseUnicodePropertiesOption);
    return text.replace(space, QStringLiteral(" ")).trimmed();
}

void TestConvert::rtfOfOtherProgramsGivesTheirText_data()
{
    QTest::addColumn<QString>("sample");
    QTest::newRow("accents") << "pandoc-accent";
    QTest::newRow("link") << "pandoc-link";
    QTest::newRow("korean code page") << "rtfparserkit-testKoreanEncoding";
    QTest::newRow("unicode") << "rtfparserkit-testUnicode";
    QTest::newRow("greek code page") << "rtfparserkit-testGreekEncoding";
    QTest::newRow("big5 code page") << "rtfparserkit-test950Encoding";
}

void TestConvert::rtfOfOtherProgramsGivesTheirText()
{
    QFETCH(QString, sample);
    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("out.txt"));
    const TResult result = Convert(SamplePath(sample + QStringLiteral(".rtf")), target);
    QCOMPARE(result.status, 0);
    QCOMPARE(ReadText(target), ReadText(SamplePath(sample + QStringLiteral(".txt"))));
}

void TestConvert::textSurvivesTheWayThroughRtf()
{
    QTemporaryDir folder;
    const QString source = folder.filePath(QStringLiteral("in.txt"));
    QFile file(source);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Première ligne\nΕλληνικά και 中文\r\nlast line \xE2\x82\xAC");
    file.close();
    const QString rich = folder.filePath(QStringLiteral("middle.rtf"));
    QCOMPARE(Convert(source, rich).status, 0);
    QFile rtf(rich);
    QVERIFY(rtf.open(QIODevice::ReadOnly));
    QVERIFY(rtf.readAll().startsWith("{\\rtf1\\ansi\\ansicpg1252"));
    const QString back = folder.filePath(QStringLiteral("back.txt"));
    QCOMPARE(Convert(rich, back).status, 0);
    QFile result(back);
    QVERIFY(result.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(result.readAll()), QStringLiteral("Première ligne\r\nΕλληνικά και 中文\r\nlast line €"));
}

void TestConvert::compressedDocumentsConvertBothWays()
{
    QTemporaryDir folder;
    const QString compressed = folder.filePath(QStringLiteral("letter.rtc"));
    QCOMPARE(Convert(SamplePath(QStringLiteral("pandoc-accent.rtf")), compressed).status, 0);
    QFile file(compressed);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.read(2), QByteArray("\x78\x01"));
    const QString text = folder.filePath(QStringLiteral("letter.txt"));
    QCOMPARE(Convert(compressed, text).status, 0);
    QCOMPARE(ReadText(text), ReadText(SamplePath(QStringLiteral("pandoc-accent.txt"))));
}

void TestConvert::docThatIsPlainTextIsRead()
{
    QTemporaryDir folder;
    const QString source = folder.filePath(QStringLiteral("old.doc"));
    QFile file(source);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not rich text at all");
    file.close();
    const QString target = folder.filePath(QStringLiteral("out.txt"));
    QCOMPARE(Convert(source, target).status, 0);
    QCOMPARE(ReadText(target), QStringLiteral("not rich text at all"));
}

void TestConvert::failuresExitWithTheMessage()
{
    QTemporaryDir folder;
    const QString missing = folder.filePath(QStringLiteral("missing.rtf"));
    const TResult result = Convert(missing, folder.filePath(QStringLiteral("out.txt")));
    QCOMPARE(result.status, 1);
    QCOMPARE(result.error, QStringLiteral("Cannot open file %1").arg(missing));
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("out.txt"))));
    const TResult unwritable = Convert(SamplePath(QStringLiteral("pandoc-accent.rtf")), QStringLiteral("/nonexistent/folder/out.txt"));
    QCOMPARE(unwritable.status, 1);
    QVERIFY(unwritable.error.startsWith(QStringLiteral("Cannot create file")));

    // The extensions are taken as written, as the window's Open and Save take them.
    QVERIFY(QFile::copy(SamplePath(QStringLiteral("pandoc-accent.rtf")), folder.filePath(QStringLiteral("LETTRE.RTF"))));
    const TResult upperCase = Convert(folder.filePath(QStringLiteral("LETTRE.RTF")), folder.filePath(QStringLiteral("a.txt")));
    QCOMPARE(upperCase.status, 1);
    QVERIFY(upperCase.error.contains(QStringLiteral("LETTRE.RTF")));
    const TResult unknownTarget = Convert(SamplePath(QStringLiteral("pandoc-accent.rtf")), folder.filePath(QStringLiteral("a.odt")));
    QCOMPARE(unknownTarget.status, 1);
    QVERIFY(unknownTarget.error.contains(QStringLiteral("a.odt")));
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("a.txt"))));
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("a.odt"))));
}

QTEST_MAIN(TestConvert)
#include "tst_convert.moc"
