// The data file: quoting, line ends, encodings, ragged records, damaged files, round trips.
#include "CsvFile.h"
#include "Errors.h"
#include "IniFile.h"
#include "MergeSettings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using TRecords = std::vector<QStringList>;

class TestCsv : public QObject {
    Q_OBJECT
private slots:
    void quotedFieldsHoldCommasQuotesAndLineBreaks();
    void everyLineEndEndsARecord_data();
    void everyLineEndEndsARecord();
    void blankLinesAreNoRecords();
    void quotesInsideUnquotedFieldsAreText();
    void headerGivesTokens();
    void byteOrderMarkIsDropped();
    void windows1252WhenNotUtf8();
    void damagedFileFails_data();
    void damagedFileFails();
    void shortRecordGivesEmptyFields();
    void tokenLosesOnlyItsBrackets();
    void roundTripThroughWriteAndRead();
    void failedWriteKeepsTheOldFile();
    void marginsReadWithEitherSeparator();
};

void TestCsv::quotedFieldsHoldCommasQuotesAndLineBreaks()
{
    const TRecords records = ParseCsvRecords(QStringLiteral("a,\"b, c\",\"say \"\"hi\"\"\",\"two\r\nlines\"\r\nx,y\r\n"));
    QCOMPARE(records.size(), std::size_t(2));
    QCOMPARE(records[0], (QStringList { "a", "b, c", "say \"hi\"", "two\r\nlines" }));
    QCOMPARE(records[1], (QStringList { "x", "y" }));
}

void TestCsv::everyLineEndEndsARecord_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("crlf") << QStringLiteral("N,T\r\na,b\r\nc,d\r\n");
    QTest::newRow("lf") << QStringLiteral("N,T\na,b\nc,d");
    QTest::newRow("cr") << QStringLiteral("N,T\ra,b\rc,d\r");
}

void TestCsv::everyLineEndEndsARecord()
{
    QFETCH(QString, text);
    const TCsvTable table = ParseCsv(text);
    QCOMPARE(table.Names, (QStringList { "N", "T" }));
    QCOMPARE(table.Records, (TRecords { { "a", "b" }, { "c", "d" } }));
}

void TestCsv::blankLinesAreNoRecords()
{
    const TCsvTable table = ParseCsv(QStringLiteral("N\r\n\r\na\r\n\r\n\r\nb\r\n\x1A" "c\r\n"));
    QCOMPARE(table.Records, (TRecords { { "a" }, { "b" } }));
}

void TestCsv::quotesInsideUnquotedFieldsAreText()
{
    const TRecords records = ParseCsvRecords(QStringLiteral("5\" disk, it's \"x\"\n"));
    QCOMPARE(records, (TRecords { { "5\" disk", " it's \"x\"" } }));
}

void TestCsv::headerGivesTokens()
{
    const TCsvTable table = ParseCsv(QStringLiteral("Name,Street,,Prénom,\r\n"));
    QStringList tokens;
    for (const QString& name : table.Names)
        tokens << TokenFromFieldName(name);
    // A trailing comma gives no token; two adjacent commas give "[]".
    QCOMPARE(tokens, (QStringList { "[NAME]", "[STREET]", "[]", "[PRÉNOM]" }));
}

void TestCsv::byteOrderMarkIsDropped()
{
    const TCsvTable table = ParseCsv(CsvTextFromBytes("\xEF\xBB\xBFName\r\nZo\xC3\xAB\r\n"));
    QCOMPARE(table.Names, QStringList { "Name" });
    QCOMPARE(table.Records.front().front(), QStringLiteral("Zoë"));
}

void TestCsv::windows1252WhenNotUtf8()
{
    const TCsvTable table = ParseCsv(CsvTextFromBytes("Name\r\nZo\xEB \x80 \x93q\x94\r\n"));
    QCOMPARE(table.Records.front().front(), QStringLiteral("Zoë € “q”"));
}

void TestCsv::damagedFileFails_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("open quote") << QStringLiteral("N\r\na\r\n\"never closed\r\nb\r\n") << QStringLiteral("Line 3");
    QTest::newRow("text after quote") << QStringLiteral("N,T\r\n\"a\"b,c\r\n") << QStringLiteral("Line 2");
}

void TestCsv::damagedFileFails()
{
    QFETCH(QString, text);
    QFETCH(QString, message);
    try {
        ParseCsv(text);
        QFAIL("no error");
    } catch (const EConvertError& error) {
        QVERIFY2(MessageOf(error).startsWith(message), qPrintable(MessageOf(error)));
    }
}

void TestCsv::shortRecordGivesEmptyFields()
{
    // The town of a short record used to repeat its surname.
    TMergeFieldSource source;
    source.Tokens = QStringList { "[FIRST]", "[LAST]", "[TOWN]" };
    source.Records = { { "Ann", "Smith" }, { "Bob", "Jones", "Oslo", "extra" } };
    QCOMPARE(source.Value(1, "[LAST]"), QStringLiteral("Smith"));
    QCOMPARE(source.Value(1, "[TOWN]"), QString());
    QCOMPARE(source.Value(2, "[TOWN]"), QStringLiteral("Oslo"));
    QCOMPARE(source.Value(2, "[OTHER]"), QString());
    QCOMPARE(source.Value(3, "[FIRST]"), QString());
}

void TestCsv::tokenLosesOnlyItsBrackets()
{
    // Export used to cut the first and last character of every token: "NAME" became "AM".
    QCOMPARE(FieldNameFromToken("[NAME]"), QStringLiteral("NAME"));
    QCOMPARE(FieldNameFromToken("NAME"), QStringLiteral("NAME"));
    QCOMPARE(FieldNameFromToken("[]"), QString());
    QCOMPARE(FieldNameFromToken("X"), QStringLiteral("X"));
}

void TestCsv::roundTripThroughWriteAndRead()
{
    QTemporaryDir folder;
    const QString path = folder.filePath("data.csv");
    const QStringList names { "Name", "Note" };
    const TRecords records { { "Ann", "a, \"b\"\r\nc" }, { "", "" }, { "" }, { "日本", "{\\x}" } };
    WriteCsvFile(path, names, records);
    const TCsvTable table = ReadCsvFile(path);
    QCOMPARE(table.Names, names);
    QCOMPARE(table.Records, records);
}

void TestCsv::failedWriteKeepsTheOldFile()
{
    QTemporaryDir folder;
    QVERIFY_THROWS_EXCEPTION(EFCreateError, WriteCsvFile(folder.filePath("missing/data.csv"), { "N" }, {}));
    QVERIFY_THROWS_EXCEPTION(EFOpenError, ReadCsvFile(folder.filePath("absent.csv")));
}

void TestCsv::marginsReadWithEitherSeparator()
{
    QTemporaryDir folder;
    const QString path = folder.filePath("Settings.ini");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Margins]\r\nLeft=12,5\r\nTop=7.25\r\nRight=-3\r\nBottom=abc\r\nMarginTop=9999\r\n");
    file.close();
    TIniFile settings(path);
    TMergeMargins margins = LoadMarginSettings(settings);
    QCOMPARE(margins.Left, 12.5);
    QCOMPARE(margins.Top, 7.25);
    QCOMPARE(margins.Right, 25.0);
    QCOMPARE(margins.Bottom, 15.0);
    QCOMPARE(margins.MarginTop, 25.0);
    margins.Left = 18.5;
    SaveMarginSettings(settings, margins);
    QCOMPARE(settings.ReadString("Margins", "Left", QString()), QStringLiteral("18.5"));
}

QTEST_MAIN(TestCsv)
#include "tst_csv.moc"
