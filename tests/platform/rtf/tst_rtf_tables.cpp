// Tables in RTF: rows and cells read into real tables (widths, merges, borders, nesting), hostile
// table markup kept within bounds, and tables written back so that they read the same.
#include "RtfTestSupport.h"
#include "RtfWriter.h"
#include "TestSupport.h"

#include <functional>

#include <QRegularExpression>
#include <QtTest>

class TestRtfTables : public QObject {
    Q_OBJECT

private slots:
    void listMarkerInACellTakesItsTextsFont();
    void rowsAndCellsBecomeTables_data();
    void rowsAndCellsBecomeTables();
    void cellWidthsAlignmentAndOffset();
    void cellsKeepTheirOwnFormatting();
    void mergedCells();
    void bordersAndShading();
    void nestedTablesSkipTheFlatFallback();
    void otherWritersTables_data();
    void otherWritersTables();
    void hostileTablesStayBounded_data();
    void hostileTablesStayBounded();
    void textLimitCountsCellMarks();
    void tablesRoundTrip_data();
    void tablesRoundTrip();
    void writtenTablesCarryTheirDefinitions();
    void partOfATableIsWrittenAsTable();
};

void TestRtfTables::rowsAndCellsBecomeTables_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");
    QTest::newRow("one row") << QByteArray("\\trowd\\cellx1000\\cellx2000\\pard\\intbl A\\cell B\\cell\\row\\pard after")
                             << "\n[A|B]\nafter";
    // \intbl holds until \pard: text after a row without one is the next row.
    QTest::newRow("text after a row") << QByteArray("\\trowd\\cellx1000\\pard\\intbl A\\cell\\row B\\cell\\row")
                                      << "\n[A ; B]\n";
    QTest::newRow("two rows") << QByteArray("\\trowd\\cellx1000\\cellx2000\\pard\\intbl A\\cell B\\cell\\row"
                                            "\\trowd\\cellx1000\\cellx2000\\pard\\intbl C\\cell D\\cell\\row")
                              << "\n[A|B ; C|D]\n";
    QTest::newRow("paragraph before") << QByteArray("Before\\par\\trowd\\cellx1000\\pard\\intbl A\\cell\\row\\pard after")
                                      << "Before\n[A]\nafter";
    QTest::newRow("paragraphs in a cell") << QByteArray("\\pard\\intbl one\\par two\\par\\cell three\\par\\cell\\row")
                                          << "\n[one/two|three]\n";
    QTest::newRow("empty cells") << QByteArray("\\pard\\intbl\\cell\\cell x\\cell\\cell\\row") << "\n[||x|]\n";
    QTest::newRow("empty paragraphs in a cell") << QByteArray("\\pard\\intbl\\par a\\par\\par b\\cell\\row") << "\n[/a//b]\n";
    QTest::newRow("cells in groups") << QByteArray(
        "{\\pard\\intbl{A\\par}\\cell}{\\pard\\intbl{B\\par}\\cell}\\intbl\\row")
                                     << "\n[A|B]\n";
    QTest::newRow("row never ended") << QByteArray("\\pard\\intbl A\\cell B\\cell\\pard after") << "\n[A|B]\nafter";
    QTest::newRow("definition after the cells")
        << QByteArray("\\pard\\intbl A\\cell B\\cell C\\cell\\trowd\\cellx1000\\cellx2000\\cellx3000\\row") << "\n[A|B|C]\n";
    // Rows are joined by cell index: a shorter row's last cell spans the rest, a longer row widens
    // the table and the earlier rows' last cells span the new columns.
    QTest::newRow("shorter row") << QByteArray("\\trowd\\cellx1000\\cellx2000\\cellx3000\\pard\\intbl a\\cell b\\cell c\\cell\\row"
                                               "\\trowd\\cellx3000\\pard\\intbl wide\\cell\\row")
                                 << "\n[a|b|c ; wide]\n";
    QTest::newRow("longer row") << QByteArray("\\trowd\\cellx1000\\pard\\intbl a\\cell\\row"
                                              "\\trowd\\cellx1000\\cellx2000\\pard\\intbl b\\cell c\\cell\\row")
                                << "\n[a ; b|c]\n";
    QTest::newRow("tables apart") << QByteArray("\\pard\\intbl a\\cell\\row\\pard between\\par\\pard\\intbl b\\cell\\row")
                                  << "\n[a]\nbetween\n[b]\n";
    QTest::newRow("picture in a cell") << QByteArray("\\pard\\intbl x{\\pict\\pngblip\\picw1\\pich1 00}\\cell\\row")
                                       << "\n[x]\n";
}

void TestRtfTables::rowsAndCellsBecomeTables()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    QCOMPARE(Structure(*ReadRtf(Rtf(body))), expected);
}

void TestRtfTables::cellWidthsAlignmentAndOffset()
{
    const auto document = ReadRtf(Rtf("\\trowd\\trgaph108\\trleft360\\trqc\\cellx1800\\cellx4680"
                                      "\\pard\\intbl a\\cell b\\cell\\row"));
    auto* table = qobject_cast<QTextTable*>(document->rootFrame()->childFrames().value(0));
    QVERIFY(table);
    const QTextTableFormat format = table->format();
    QCOMPARE(format.alignment(), Qt::AlignHCenter);
    QCOMPARE(format.property(RichText::TableCellRights).value<QList<int>>(), QList<int>({ 1800, 4680 }));
    QCOMPARE(format.intProperty(RichText::TableLeft), 360);
    QCOMPARE(format.intProperty(RichText::TableGap), 108);
    const QList<QTextLength> widths = format.columnWidthConstraints();
    QCOMPARE(widths.size(), 2);
    QCOMPARE(widths[0].type(), QTextLength::FixedLength);
    QCOMPARE(widths[0].rawValue(), RichText::PixelsFromTwips(1440));
    QCOMPARE(widths[1].rawValue(), RichText::PixelsFromTwips(2880));
    QCOMPARE(table->cellAt(0, 0).format().toTableCellFormat().leftPadding(), RichText::PixelsFromTwips(108));
}

void TestRtfTables::cellsKeepTheirOwnFormatting()
{
    const auto document = ReadRtf(Rtf("\\trowd\\cellx2000\\cellx4000\\pard\\intbl\\qc{\\b bold}\\cell"
                                      "\\pard\\intbl\\qr\\cf1 red\\cell\\row"));
    QCOMPARE(FormatOf(*document, QStringLiteral("bold")).fontWeight(), int(QFont::Bold));
    QCOMPARE(FormatOf(*document, QStringLiteral("red")).foreground().color(), QColor(255, 0, 0));
    QCOMPARE(FormatOf(*document, QStringLiteral("red")).fontWeight(), int(QFont::Normal));
    QCOMPARE(document->find(QStringLiteral("bold")).block().blockFormat().alignment(), Qt::AlignHCenter);
    QCOMPARE(document->find(QStringLiteral("red")).block().blockFormat().alignment(), Qt::AlignRight);
}

void TestRtfTables::mergedCells()
{
    const auto document = ReadRtf(Rtf(
        "\\trowd\\clmgf\\cellx1000\\clmrg\\cellx2000\\clvmgf\\cellx3000\\pard\\intbl wide\\cell\\cell tall\\cell\\row"
        "\\trowd\\cellx1000\\cellx2000\\clvmrg\\cellx3000\\pard\\intbl a\\cell b\\cell\\cell\\row"));
    auto* table = qobject_cast<QTextTable*>(document->rootFrame()->childFrames().value(0));
    QVERIFY(table);
    QCOMPARE(table->rows(), 2);
    QCOMPARE(table->columns(), 3);
    QCOMPARE(table->cellAt(0, 0).columnSpan(), 2);
    QCOMPARE(table->cellAt(0, 2).rowSpan(), 2);
    QCOMPARE(table->cellAt(1, 2).row(), 0);
    QCOMPARE(Structure(*document), QStringLiteral("\n[wide|tall ; a|b]\n"));
}

void TestRtfTables::bordersAndShading()
{
    const auto document = ReadRtf(Rtf("\\trowd\\clbrdrt\\brdrs\\brdrw30\\brdrcf1\\clbrdrb\\brdrdot\\clcbpat2"
                                      "\\cellx2000\\clbrdrl\\brdrnone\\clshdng5000\\cellx4000"
                                      "\\pard\\intbl a\\cell b\\cell\\row"));
    auto* table = qobject_cast<QTextTable*>(document->rootFrame()->childFrames().value(0));
    QVERIFY(table);
    const QTextTableCellFormat first = table->cellAt(0, 0).format().toTableCellFormat();
    QCOMPARE(first.topBorder(), RichText::PixelsFromTwips(30));
    QCOMPARE(first.topBorderStyle(), QTextFrameFormat::BorderStyle_Solid);
    QCOMPARE(first.topBorderBrush().color(), QColor(255, 0, 0));
    QCOMPARE(first.bottomBorderStyle(), QTextFrameFormat::BorderStyle_Dotted);
    QCOMPARE(first.leftBorder(), 0.0);
    QCOMPARE(first.background().color(), QColor(0, 128, 0));
    const QTextTableCellFormat second = table->cellAt(0, 1).format().toTableCellFormat();
    QCOMPARE(second.leftBorder(), 0.0);
    QCOMPARE(second.background().color(), QColor(127, 127, 127));
}

void TestRtfTables::nestedTablesSkipTheFlatFallback()
{
    const auto document = ReadRtf(FileBytes(SamplePath(QStringLiteral("pandoc-table-nested.rtf"))));
    QCOMPARE(Structure(*document),
        QStringLiteral("\n[/[Level two before/[Deep A|Deep B ; Deep C|Deep D]/Level two after]/Outer after]\nOutside table\n"));
    QVERIFY(document->find(QStringLiteral("FALLBACK")).isNull());
}

void TestRtfTables::otherWritersTables_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("expected");
    // Merged cells written as one wider cell: rows are laid out by their cells' right edges.
    QTest::newRow("merged") << "libreoffice-table-merged.rtf"
                            << "Merged cells\n[Wide heading|Tall cell ; Left|Bold middle ; One|Two|Three]\nAfter the table\n";
    QTest::newRow("nested") << "libreoffice-table-nested.rtf"
                            << "Nested tables\n[Outer one|Before inner/[Inner A|Inner B ; Inner C|Inner D]/After inner ; "
                               "Outer three|Outer four]\nClosing\n";
}

void TestRtfTables::otherWritersTables()
{
    QFETCH(QString, file);
    QFETCH(QString, expected);
    const auto document = ReadRtf(FileBytes(DataPath(QStringLiteral("rtf/") + file)));
    QCOMPARE(Structure(*document), expected);
    const auto again = ReadRtf(TRtfWriter::Write(*document, 0, -1));
    QCOMPARE(Structure(*again), expected);
}

void TestRtfTables::hostileTablesStayBounded_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("maxColumns");
    QTest::addColumn<int>("maxDepth");
    QByteArray manyCells = "\\trowd";
    for (int i = 0; i < 10000; ++i)
        manyCells += "\\cellx" + QByteArray::number(i * 10);
    QTest::newRow("10,000 cellx") << manyCells + "\\pard\\intbl a\\cell\\row" << 63 << 1;
    QTest::newRow("10,000 cells") << "\\pard\\intbl " + QByteArray("x\\cell ").repeated(10000) + "\\row" << 63 << 1;
    QTest::newRow("cell without rows") << QByteArray("\\cell\\cell text\\nestcell\\nestrow\\row") << 63 << 2;
    QTest::newRow("deep itap") << QByteArray("\\pard\\intbl\\itap100000 deep\\nestcell\\nestrow\\row after") << 63 << 8;
    QTest::newRow("negative itap") << QByteArray("\\pard\\intbl\\itap-5 x\\cell\\row") << 63 << 1;
    QTest::newRow("rising nesting") << QByteArray("\\pard\\intbl a\\par\\itap2 b\\par\\itap3 c\\par\\itap9 d\\par"
                                                  "\\itap1 e\\cell\\row")
                                    << 63 << 8;
    QTest::newRow("rows without cells") << QByteArray("\\row\\row\\nestrow\\trowd\\row text") << 63 << 0;
    QTest::newRow("nesttableprops without table") << QByteArray("{\\*\\nesttableprops\\trowd\\cellx100\\nestrow}x") << 63 << 0;
    QTest::newRow("wild widths") << QByteArray("\\trowd\\trleft-99999\\cellx2000000000\\cellx-5\\clbrdrt\\brdrw99999"
                                               "\\cellx7\\pard\\intbl a\\cell b\\cell c\\cell\\row")
                                 << 63 << 1;
    QTest::newRow("merges out of place") << QByteArray("\\trowd\\clvmrg\\clmrg\\cellx100\\clmrg\\clvmgf\\cellx200\\clmgf\\cellx300"
                                                       "\\pard\\intbl a\\cell b\\cell c\\cell\\row"
                                                       "\\trowd\\clvmrg\\clmgf\\cellx100\\clvmrg\\clmrg\\cellx200"
                                                       "\\pard\\intbl d\\cell e\\cell\\row")
                                         << 63 << 1;
}

void TestRtfTables::hostileTablesStayBounded()
{
    QFETCH(QByteArray, body);
    QFETCH(int, maxColumns);
    QFETCH(int, maxDepth);
    const auto document = ReadRtf(Rtf(body));
    int depth = 0;
    std::function<void(QTextFrame*, int)> visit = [&](QTextFrame* frame, int level) {
        depth = std::max(depth, level);
        for (QTextFrame* child : frame->childFrames()) {
            auto* table = qobject_cast<QTextTable*>(child);
            QVERIFY(table);
            QVERIFY(table->columns() <= maxColumns);
            visit(child, level + 1);
        }
    };
    visit(document->rootFrame(), 0);
    QVERIFY2(depth <= maxDepth, qPrintable(QString::number(depth)));
}

void TestRtfTables::textLimitCountsCellMarks()
{
    TRtfReadOptions options;
    options.maxCharacters = 12;
    const auto document = ReadRtf(Rtf(QByteArray("\\pard\\intbl abc\\cell def\\cell\\row").repeated(20)), options);
    QVERIFY(document->characterCount() - 1 <= 12);
}

void TestRtfTables::tablesRoundTrip_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("simple") << QByteArray("Before\\par\\trowd\\cellx1000\\cellx2000\\pard\\intbl A\\cell B\\cell\\row"
                                          "\\trowd\\cellx1000\\cellx2000\\pard\\intbl C\\cell D\\cell\\row\\pard after");
    QTest::newRow("at the start") << QByteArray("\\trowd\\cellx1000\\pard\\intbl A\\cell\\row\\pard after");
    QTest::newRow("paragraphs in cells") << QByteArray("\\pard\\intbl one\\par {\\b two}\\cell three\\cell\\row");
    QTest::newRow("merged") << QByteArray(
        "\\trowd\\clmgf\\cellx1000\\clmrg\\cellx2000\\clvmgf\\cellx3000\\pard\\intbl wide\\cell\\cell tall\\cell\\row"
        "\\trowd\\cellx1000\\cellx2000\\clvmrg\\cellx3000\\pard\\intbl a\\cell b\\cell\\cell\\row");
    QTest::newRow("nested") << FileBytes(SamplePath(QStringLiteral("pandoc-table-nested.rtf")));
    QTest::newRow("two tables") << QByteArray("\\pard\\intbl a\\cell\\row\\pard between\\par\\pard\\intbl b\\cell\\row");
    QTest::newRow("list in a cell") << QByteArray("\\pard\\intbl{\\*\\pn\\pnlvlblt{\\pntxtb\\'b7}}\\fi-360\\li360 item\\par"
                                                  "{\\*\\pn\\pnlvlblt{\\pntxtb\\'b7}}\\fi-360\\li360 more\\cell\\row");
}

void TestRtfTables::listMarkerInACellTakesItsTextsFont()
{
    // The mark of a cell's first paragraph is the cell's format; the number is drawn in it.
    const auto document = ReadRtf(Rtf("\\trowd\\clvertalb\\cellx4000\\pard\\intbl{\\*\\pn\\pnlvlbody\\pndec{\\pntxta .}}"
                                      "\\fs36 First\\par Second\\cell\\row"));
    const QTextBlock first = document->findBlock(document->find(QStringLiteral("First")).selectionStart());
    QVERIFY(first.textList());
    QCOMPARE(first.charFormat().fontPointSize(), 18.0);
    QCOMPARE(first.charFormat().font().family(), first.begin().fragment().charFormat().font().family());
    // The cell is still aligned as its row said.
    QTextTable* table = QTextCursor(first).currentTable();
    QVERIFY(table);
    QCOMPARE(table->cellAt(first.position()).format().verticalAlignment(), QTextCharFormat::AlignBottom);
}

void TestRtfTables::tablesRoundTrip()
{
    QFETCH(QByteArray, body);
    const QByteArray source = body.startsWith("{\\rtf") ? body : Rtf(body);
    const auto first = ReadRtf(source);
    const QByteArray written = TRtfWriter::Write(*first, 0, -1);
    const auto second = ReadRtf(written);
    QCOMPARE(Structure(*second), Structure(*first));
    // A second pass changes nothing more.
    QCOMPARE(TRtfWriter::Write(*second, 0, -1), written);
}

void TestRtfTables::writtenTablesCarryTheirDefinitions()
{
    const auto document = ReadRtf(Rtf("\\trowd\\trgaph108\\trleft-108\\trqr\\clbrdrt\\brdrs\\brdrw15\\clcbpat1"
                                      "\\clvertalc\\cellx1440\\cellx2880\\pard\\intbl a\\cell b\\cell\\row"));
    const QByteArray written = TRtfWriter::Write(*document, 0, -1);
    QVERIFY2(written.contains("\\trowd\\trgaph108\\trleft-108\\trqr\\clvertalc\\clbrdrt\\brdrs\\brdrw15"), written);
    QVERIFY2(written.contains("\\cellx1440"), written);
    QVERIFY2(written.contains("\\cellx2880"), written);
    QVERIFY2(written.contains("\\clcbpat"), written);
    QVERIFY2(written.contains("a\\cell"), written);
    QVERIFY2(written.contains("b\\cell\\row"), written);
    // The empty paragraph the document model keeps before a table at the start is no paragraph.
    QVERIFY2(!QString::fromLatin1(written).contains(QRegularExpression(QStringLiteral("\\\\par[^d]"))), written);
    const auto again = ReadRtf(written);
    auto* table = qobject_cast<QTextTable*>(again->rootFrame()->childFrames().value(0));
    QVERIFY(table);
    QCOMPARE(table->format().alignment(), Qt::AlignRight);
    QCOMPARE(table->cellAt(0, 0).format().background().color(), QColor(255, 0, 0));
    QCOMPARE(table->cellAt(0, 0).format().verticalAlignment(), QTextCharFormat::AlignMiddle);
}

void TestRtfTables::partOfATableIsWrittenAsTable()
{
    const auto document = ReadRtf(Rtf("\\trowd\\cellx1000\\cellx2000\\cellx3000\\pard\\intbl a\\cell b\\cell c\\cell\\row"
                                      "\\trowd\\cellx1000\\cellx2000\\cellx3000\\pard\\intbl d\\cell e\\cell f\\cell\\row"));
    const int from = document->find(QStringLiteral("b")).selectionStart();
    const int to = document->find(QStringLiteral("e")).selectionEnd();
    const auto part = ReadRtf(TRtfWriter::Write(*document, from, to));
    QCOMPARE(Structure(*part), QStringLiteral("\n[|b|c ; d|e|]\n"));
}

QTEST_MAIN(TestRtfTables)
#include "tst_rtf_tables.moc"
