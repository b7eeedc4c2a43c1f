// Data files whose fields or records would exhaust the memory are refused with the line they fail
// at, and a sound file reads afterwards.
#include "CsvFile.h"
#include "Errors.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestCsvBounds : public QObject {
    Q_OBJECT
private slots:
    void oversizedDataIsRefused_data();
    void oversizedDataIsRefused();
    void largestAllowedDataStillReads();
};

void TestCsvBounds::oversizedDataIsRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    QTest::newRow("100 MB field") << "Name,Text\r\nAnn," + QByteArray(100 * 1024 * 1024, 'x') + "\r\n"
                                  << "Line 2: field 2 is longer than";
    QTest::newRow("100 MB quoted field") << "Name,Text\r\n\"" + QByteArray(100 * 1024 * 1024, 'x') + "\"\r\n"
                                         << "Line 2: field 1 is longer than";
    QTest::newRow("100,000 columns") << "Name\r\n" + QByteArray(100000, ',') + "\r\n"
                                     << "Line 2: a record has more than";
    QTest::newRow("commas alone, 20 MB") << "Name\r\n" + QByteArray(4000, ',').append("\r\n").repeated(5000)
                                         << "the data holds more than";
}

void TestCsvBounds::oversizedDataIsRefused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("people.csv"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    bytes.clear();
    try {
        ReadCsvFile(path);
        QFAIL("the data was accepted");
    } catch (const EConvertError& error) {
        QVERIFY2(error.Message().startsWith(QStringLiteral("people.csv: ")), qPrintable(error.Message()));
        QVERIFY2(error.Message().contains(reason), qPrintable(error.Message()));
    }
    // The program goes on.
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("Name\r\nAnn\r\n");
    file.close();
    QCOMPARE(ReadCsvFile(path).Records.size(), std::size_t(1));
}

void TestCsvBounds::largestAllowedDataStillReads()
{
    // A long letter text and a wide spreadsheet export are no attack.
    const QString field(1024 * 1024, u'y');
    const std::vector<QStringList> records = ParseCsvRecords(QStringLiteral("\"") + field + QStringLiteral("\",") + field);
    QCOMPARE(records.size(), std::size_t(1));
    QCOMPARE(records[0].size(), 2);
    QCOMPARE(records[0][0].size(), field.size());
    QCOMPARE(ParseCsvRecords(QString(4095, u',')).front().size(), 4096);
}

QTEST_MAIN(TestCsvBounds)
#include "tst_csv_bounds.moc"
