// Tables in the control: character positions count each cell end once, text ranges and plain text
// keep cells apart, editing inside cells, and pages that keep rows whole.
#include "ControlFixture.h"
#include "DeviceContext.h"

#include <QImage>
#include <QTest>
#include <QTextDocument>
#include <QTextTable>

class TestControlTables : public QObject {
    Q_OBJECT

private slots:
    void cellEndsCountOnceInTheText();
    void rangesInsideTablesAreExact_data();
    void rangesInsideTablesAreExact();
    void plainTextKeepsEachRowOnOneLine();
    void searchAcrossCellsFindsTheRightPlace();
    void typingAndEnterStayInTheCell();
    void deletingAcrossCellsEmptiesThem();
    void pagesKeepRowsWhole_data();
    void pagesKeepRowsWhole();
    void rowTallerThanAPageStillAdvances();
};

static const QByteArray Grid = "{\\rtf1\\ansi Before\\par"
                               "\\trowd\\cellx2000\\cellx4000\\pard\\intbl A1\\cell B1\\cell\\row"
                               "\\trowd\\cellx2000\\cellx4000\\pard\\intbl one\\par two\\cell B2\\cell\\row"
                               "\\pard after}";

static QTextTable* FirstTable(TRichEditControl& control)
{
    return qobject_cast<QTextTable*>(control.document()->rootFrame()->childFrames().value(0));
}

void TestControlTables::cellEndsCountOnceInTheText()
{
    TRichEditControl control;
    SetUp(control);
    StreamIn(control, SF_RTF, Grid);
    QVERIFY(FirstTable(control));
    const QString expected = QStringLiteral("Before\rA1\tB1\rone\rtwo\tB2\rafter");
    QCOMPARE(control.Text(), expected);
    QCOMPARE(control.TextRange(0, -1), expected);
    QCOMPARE(control.TextLength(), LONG(expected.size()));
    // A position counted in the text is the same place in the document.
    const LONG b2 = LONG(expected.indexOf(QStringLiteral("B2")));
    Select(control, b2, b2 + 2);
    QCOMPARE(control.textCursor().selectedText(), QStringLiteral("B2"));
    GETTEXTLENGTHEX how { GTL_DEFAULT, 1200 };
    QCOMPARE(control.Perform(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&how), 0), LRESULT(expected.size()));
}

void TestControlTables::rangesInsideTablesAreExact_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<QString>("expected");
    // Before\r A1\t B1\r one\r two\t B2\r after
    QTest::newRow("into the table") << 3 << 9 << QStringLiteral("ore\rA1");
    QTest::newRow("across cells") << 8 << 12 << QStringLiteral("1\tB1");
    QTest::newRow("across rows") << 10 << 17 << QStringLiteral("B1\rone\r");
    QTest::newRow("out of the table") << 21 << 26 << QStringLiteral("B2\raf");
}

void TestControlTables::rangesInsideTablesAreExact()
{
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(QString, expected);
    TRichEditControl control;
    SetUp(control);
    StreamIn(control, SF_RTF, Grid);
    QCOMPARE(control.TextRange(start, end), expected);
    QVector<char> buffer(64);
    TEXTRANGEA range { { start, end }, buffer.data() };
    QCOMPARE(control.Perform(EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range)), LRESULT(end - start));
    QCOMPARE(QString::fromLatin1(buffer.data()), expected);
}

void TestControlTables::plainTextKeepsEachRowOnOneLine()
{
    TRichEditControl control;
    SetUp(control);
    StreamIn(control, SF_RTF, Grid);
    QCOMPARE(StreamOut(control, SF_TEXT), QByteArray("Before\r\nA1\tB1\r\none two\tB2\r\nafter"));

    // A cell covered by one from a row above is an empty field: the columns stay in place. A cell
    // across two columns is one field, as in other word processors' text.
    StreamIn(control, SF_RTF,
        "{\\rtf1\\ansi\\trowd\\cellx1000\\cellx2000\\cellx3000\\pard\\intbl A1\\cell B1\\cell C1\\cell\\row"
        "\\trowd\\clvmgf\\cellx1000\\cellx2000\\cellx3000\\pard\\intbl A2\\cell B2\\cell C2\\cell\\row"
        "\\trowd\\clvmrg\\cellx1000\\clmgf\\cellx2000\\clmrg\\cellx3000\\pard\\intbl\\cell B3\\cell\\cell\\row"
        "\\trowd\\cellx1000\\clvmgf\\cellx2000\\cellx3000\\pard\\intbl A4\\cell B4\\cell C4\\cell\\row"
        "\\trowd\\cellx1000\\clvmrg\\cellx2000\\cellx3000\\pard\\intbl A5\\cell\\cell C5\\cell\\row}");
    QCOMPARE(StreamOut(control, SF_TEXT),
        QByteArray("\r\nA1\tB1\tC1\r\nA2\tB2\tC2\r\n\tB3\r\nA4\tB4\tC4\r\nA5\t\tC5\r\n"));
}

void TestControlTables::searchAcrossCellsFindsTheRightPlace()
{
    TRichEditControl control;
    SetUp(control);
    StreamIn(control, SF_RTF, Grid);
    FINDTEXTEXA find {};
    const QByteArray needle("two\tB2\rafter");
    find.chrg = { 0, -1 };
    find.lpstrText = needle.constData();
    const LRESULT found = control.Perform(EM_FINDTEXTEX, FR_DOWN, reinterpret_cast<LPARAM>(&find));
    QCOMPARE(found, LRESULT(control.Text().indexOf(QStringLiteral("two"))));
    QCOMPARE(find.chrgText.cpMax - find.chrgText.cpMin, LONG(needle.size()));
}

void TestControlTables::typingAndEnterStayInTheCell()
{
    TRichEditControl control;
    SetUp(control);
    StreamIn(control, SF_RTF, Grid);
    const LONG a1 = LONG(control.Text().indexOf(QStringLiteral("A1")));
    Select(control, a1 + 2, a1 + 2);
    QTest::keyClicks(&control, QStringLiteral("x"));
    QTest::keyClick(&control, Qt::Key_Return);
    QTest::keyClicks(&control, QStringLiteral("y"));
    QTextTable* table = FirstTable(control);
    QVERIFY(table);
    QCOMPARE(table->rows(), 2);
    QCOMPARE(table->columns(), 2);
    const QTextTableCell cell = table->cellAt(0, 0);
    QCOMPARE(cell.firstCursorPosition().block().text(), QStringLiteral("A1x"));
    QCOMPARE(cell.lastCursorPosition().block().text(), QStringLiteral("y"));
    QCOMPARE(control.Text(), QStringLiteral("Before\rA1x\ry\tB1\rone\rtwo\tB2\rafter"));
    // Formatting typed text in a cell.
    Select(control, a1, a1 + 3);
    CHARFORMAT2 bold;
    bold.dwMask = CFM_BOLD;
    bold.dwEffects = CFE_BOLD;
    QVERIFY(SetCharFormat(control, SCF_SELECTION, bold));
    QVERIFY(CharFormatOf(control).dwEffects & CFE_BOLD);
    QCOMPARE(table->cellAt(0, 0).firstCursorPosition().block().text(), QStringLiteral("A1x"));
}

void TestControlTables::deletingAcrossCellsEmptiesThem()
{
    TRichEditControl control;
    SetUp(control);
    StreamIn(control, SF_RTF, Grid);
    const QString text = control.Text();
    Select(control, LONG(text.indexOf(QStringLiteral("B1"))), LONG(text.indexOf(QStringLiteral("B2"))) + 1);
    QTest::keyClick(&control, Qt::Key_Delete);
    QTextTable* table = FirstTable(control);
    QVERIFY(table);
    QCOMPARE(table->rows(), 2);
    QCOMPARE(table->columns(), 2);
    QVERIFY(control.Text().startsWith(QStringLiteral("Before\rA1\t")));
    QVERIFY(control.Text().endsWith(QStringLiteral("after")));
    QCOMPARE(control.TextRange(0, -1).size(), qsizetype(control.TextLength()));
    control.Perform(EM_UNDO);
    QCOMPARE(control.Text(), text);
}

static QByteArray LongTable(int rows)
{
    QByteArray rtf = "{\\rtf1\\ansi Heading\\par";
    for (int row = 0; row < rows; ++row) {
        rtf += "\\trowd\\clbrdrt\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10\\cellx3000\\cellx6000\\pard\\intbl Row ";
        rtf += QByteArray::number(row);
        rtf += row % 7 == 3 ? "\\par second line\\par third line" : "";
        rtf += "\\cell value\\cell\\row";
    }
    return rtf + "\\pard Closing words.}";
}

void TestControlTables::pagesKeepRowsWhole_data()
{
    QTest::addColumn<int>("dpi");
    QTest::newRow("screen") << 96;
    QTest::newRow("printer") << 600;
}

void TestControlTables::pagesKeepRowsWhole()
{
    QFETCH(int, dpi);
    TRichEditControl control;
    SetUp(control);
    StreamIn(control, SF_RTF, LongTable(150));
    QTextTable* table = FirstTable(control);
    QVERIFY(table);
    QImage image(QSize(1, 1) * dpi, QImage::Format_RGB32);
    image.setDotsPerMeterX(int(std::nearbyint(dpi / 0.0254)));
    image.setDotsPerMeterY(int(std::nearbyint(dpi / 0.0254)));
    TDeviceContext target(&image);
    QList<int> rowStarts;
    for (int row = 0; row < table->rows(); ++row)
        rowStarts.append(table->cellAt(row, 0).firstPosition());
    LONG position = 0;
    int pages = 0;
    int lastRow = -1;
    while (position < control.TextLength()) {
        FORMATRANGE range;
        range.hdc = &target;
        range.hdcTarget = &target;
        range.rc = { 1440, 1440, 1440 + 9000, 1440 + 14400 };
        range.rcPage = { 0, 0, 12240, 15840 };
        range.chrg = { position, -1 };
        const LONG next = LONG(control.Perform(EM_FORMATRANGE, 1, reinterpret_cast<LPARAM>(&range)));
        QVERIFY(next > position);
        ++pages;
        // A page inside the table ends where a row starts, and no row is on two pages.
        if (next > table->firstPosition() && next <= table->lastPosition()) {
            const int row = int(rowStarts.indexOf(int(next)));
            QVERIFY2(row > lastRow, qPrintable(QString::number(next)));
            lastRow = row;
        }
        position = next;
    }
    QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));
    QVERIFY(lastRow > 0);
    control.Perform(EM_FORMATRANGE, 0, 0);
}

void TestControlTables::rowTallerThanAPageStillAdvances()
{
    TRichEditControl control;
    SetUp(control);
    QByteArray rtf = "{\\rtf1\\ansi\\trowd\\cellx3000\\pard\\intbl ";
    for (int line = 0; line < 200; ++line)
        rtf += "line " + QByteArray::number(line) + "\\par ";
    StreamIn(control, SF_RTF, rtf + "end\\cell\\row\\pard after}");
    QImage image(QSize(300, 300), QImage::Format_RGB32);
    image.setDotsPerMeterX(int(std::nearbyint(300 / 0.0254)));
    image.setDotsPerMeterY(int(std::nearbyint(300 / 0.0254)));
    TDeviceContext target(&image);
    LONG position = 0;
    int pages = 0;
    while (position < control.TextLength() && pages < 1000) {
        FORMATRANGE range;
        range.hdc = &target;
        range.hdcTarget = &target;
        range.rc = { 0, 0, 9000, 2880 };
        range.rcPage = { 0, 0, 9000, 2880 };
        range.chrg = { position, -1 };
        const LONG next = LONG(control.Perform(EM_FORMATRANGE, 1, reinterpret_cast<LPARAM>(&range)));
        QVERIFY(next > position);
        position = next;
        ++pages;
    }
    QVERIFY2(pages > 5, qPrintable(QString::number(pages)));
    QCOMPARE(position, control.TextLength());
}

QTEST_MAIN(TestControlTables)
#include "tst_control_tables.moc"
