// pelmora --merge: a page per record in the PDF, the values exactly as in the data, exit codes and errors.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct TRun {
    int Status = -1;
    QString Errors;
};

TRun RunPelmora(const QStringList& arguments, const QString& folder)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", folder);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(PELMORA_PROGRAM), QStringList { "--merge" } + arguments);
    if (!process.waitForFinished(240000))
        return {};
    return { process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
        QString::fromUtf8(process.readAllStandardError()) };
}

QString Tool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

int PdfPages(const QString& path)
{
    const auto match = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(Tool("pdfinfo", { path }));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

void Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

const QByteArray LetterTemplate = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\r\n"
                                  "\\pard\\f0\\fs24 Dear [NAME],\\par\r\nYou live at [STREET] in [TOWN].\\par\r\n}\r\n";

} // namespace

class TestCommand : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void pdfHasAPagePerRecordWithItsValues();
    void rtfHoldsEveryLetter();
    void failuresExitWithOneAndAMessage_data();
    void failuresExitWithOneAndAMessage();

private:
    QTemporaryDir FFolder;
    QString Path(const QString& name) const { return FFolder.filePath(name); }
};

void TestCommand::initTestCase()
{
    Write(Path("letter.rtf"), LetterTemplate);
    Write(Path("people.csv"),
        "Name,Street,Town\r\nAnn Smith,\"12 High St, Flat 2\",Paris\r\n\"Bob \"\"B\"\" {\\x}\",Main St\r\n"
        "Zo\xC3\xAB M\xC3\xBCller,Rue \xC3\x89mile,Z\xC3\xBCrich\r\n");
}

void TestCommand::pdfHasAPagePerRecordWithItsValues()
{
    if (QStandardPaths::findExecutable("pdfinfo").isEmpty() || QStandardPaths::findExecutable("pdftotext").isEmpty())
        QSKIP("pdfinfo or pdftotext is not installed");
    const TRun run = RunPelmora({ "letter.rtf", "people.csv", "out.pdf" }, FFolder.path());
    QVERIFY2(run.Status == 0, qPrintable(run.Errors));
    QCOMPARE(PdfPages(Path("out.pdf")), 3);
    const QStringList pages = Tool("pdftotext", { "-layout", Path("out.pdf"), "-" }).split(u'\f');
    QVERIFY(pages.size() >= 3);
    QVERIFY2(pages[0].contains("Dear Ann Smith,") && pages[0].contains("12 High St, Flat 2 in Paris"), qPrintable(pages[0]));
    // A short record leaves the town empty rather than repeating the street.
    QVERIFY2(pages[1].contains("Dear Bob \"B\" {\\x},") && pages[1].contains("Main St in ."), qPrintable(pages[1]));
    QVERIFY2(pages[2].contains("Dear Zoë Müller,") && pages[2].contains("Rue Émile in Zürich"), qPrintable(pages[2]));
}

void TestCommand::rtfHoldsEveryLetter()
{
    const TRun run = RunPelmora({ "letter.rtf", "people.csv", "out.rtf" }, FFolder.path());
    QVERIFY2(run.Status == 0, qPrintable(run.Errors));
    QFile file(Path("out.rtf"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray rtf = file.readAll();
    QCOMPARE(rtf.count("\\sect\r\n"), 2);
    QVERIFY(rtf.contains("Dear Bob \"B\" \\{\\\\x\\},"));
    QVERIFY(rtf.contains("Z\\'fcrich"));
}

void TestCommand::failuresExitWithOneAndAMessage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("too few") << QStringList { "letter.rtf" } << "usage: pelmora --merge";
    QTest::newRow("missing template") << QStringList { "none.rtf", "people.csv", "o.pdf" } << "Cannot open file none.rtf";
    QTest::newRow("missing data") << QStringList { "letter.rtf", "none.csv", "o.pdf" } << "Cannot open file none.csv";
    QTest::newRow("damaged data") << QStringList { "letter.rtf", "damaged.csv", "o.pdf" } << "damaged.csv: Line 2";
    QTest::newRow("no records") << QStringList { "letter.rtf", "header.csv", "o.pdf" } << "header.csv holds no records";
    QTest::newRow("not rtf") << QStringList { "people.csv", "people.csv", "o.pdf" } << "is not an RTF document";
    QTest::newRow("wrong output") << QStringList { "letter.rtf", "people.csv", "o.txt" } << "must end in .pdf or .rtf";
    QTest::newRow("unknown printer") << QStringList { "letter.rtf", "people.csv", "--printer", "No Such Printer" }
                                     << "There is no printer named No Such Printer";
    QTest::newRow("unknown option") << QStringList { "letter.rtf", "people.csv", "o.pdf", "--fast" } << "Unknown option --fast";
    QTest::newRow("over the template") << QStringList { "letter.rtf", "people.csv", "./letter.rtf" }
                                       << "Cannot write ./letter.rtf: it is the merge's own template";
    QTest::newRow("unwritable rtf") << QStringList { "letter.rtf", "people.csv", "missing/o.rtf" } << "Cannot create file";
}

void TestCommand::failuresExitWithOneAndAMessage()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    Write(Path("damaged.csv"), "Name\r\n\"open\r\n");
    Write(Path("header.csv"), "Name\r\n\r\n");
    const TRun run = RunPelmora(arguments, FFolder.path());
    QCOMPARE(run.Status, 1);
    QVERIFY2(run.Errors.contains(message), qPrintable(run.Errors));
    QFile letter(Path("letter.rtf"));
    QVERIFY(letter.open(QIODevice::ReadOnly));
    QCOMPARE(letter.readAll(), LetterTemplate);
}

QTEST_MAIN(TestCommand)
#include "tst_command.moc"
