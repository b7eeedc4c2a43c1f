// Reading whole documents: our own small files as other programs write them, and the shared collection
// of real documents compared with the text LibreOffice extracts from them.
#include "RichEditRecords.h"
#include "RichTextFormat.h"
#include "RtfTestSupport.h"
#include "TestSupport.h"

#include <QDir>
#include <QRegularExpression>
#include <QTextList>
#include <QtTest>

namespace {

// Text for comparing with another program's: list markers gone, all white space one space. Both sides
// are split at the same places, so a marker-like word starting a cell is dropped on both.
// The text with hidden text in place of the character that holds it, as the other program extracts it.
QString ParagraphsWithHiddenText(const QTextDocument& document)
{
    QStringList paragraphs;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QString text;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            text += format.objectType() == RichText::HiddenTextFormat ? format.stringProperty(RichText::HiddenText)
                                                                       : it.fragment().text();
        }
        paragraphs.append(text);
    }
    return paragraphs.join(u'\n');
}

QString Normalized(QString text)
{
    static const QRegularExpression marker(
        QStringLiteral("^\\s*(?:[•◦▪▫■□●○‣⁃∙·\\-–*]|\\(?(?:\\d+|[A-Za-z]|[ivxlcdmIVXLCDM]+)[.)])(?=\\s)"),
        QRegularExpression::UseUnicodePropertiesOption);
    static const QRegularExpression space(QStringLiteral("\\s+"), QRegularExpression::UseUnicodePropertiesOption);
    text.remove(QChar(0xFEFF));
    // Pictures are object characters here and nothing in the other program's text.
    text.remove(QChar(0xFFFC));
    text.replace(QChar(0x2028), u'\n');
    text.replace(u'\t', u'\n');
    QStringList lines = text.split(u'\n');
    for (QString& line : lines)
        line.remove(marker);
    return lines.join(u' ').replace(space, QStringLiteral(" ")).trimmed();
}

} // namespace

class TestRtfSamples : public QObject {
    Q_OBJECT

private slots:
    void ownFilesGiveTheirText_data();
    void ownFilesGiveTheirText();
    void wordProcessorLetterKeepsItsFormatting();
    void editorListsBecomeNumberedParagraphs();
    void sampleTextMatchesLibreOffice_data();
    void sampleTextMatchesLibreOffice();
};

void TestRtfSamples::ownFilesGiveTheirText_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("expected");
    QTest::newRow("word processor letter")
        << "wordprocessor-letter.rtf"
        << QStringLiteral(
               "Quarterly Report\nDear colleagues, sales rose by 12\u00A0% in the third quarter, and the red "
               "figures are gone. Prices are quoted in € and the formula is πr2.1\nNorth region\nSouth region\n"
               "Hire two engineers\nOpen the Gdańsk office\nKind regards,\nŁódź office\n");
    QTest::newRow("editor lists") << "editor-pn-lists.rtf"
                                  << QStringLiteral(
                                         "Shopping list:\nMilk\nBread\nPreheat the oven\nBake for 20 minutes\n"
                                         "Optional step\nFourth point\nDone.\n");
    QTest::newRow("mac") << "mac-roman.rtf"
                         << QStringLiteral("Menu: Café crème brûlée, naïve façade\nPrice: 4§ – “best”\nBon appétit");
    QTest::newRow("table") << "table.rtf"
                           << QStringLiteral("Price list\nItem\nSize\nPrice\nCoffee\nbeans\n\n8.50\n"
                                             "Tea\n250\u00A0g\n4.20\nPrices include tax.\n");
    QTest::newRow("hyperlinks") << "hyperlinks.rtf"
                                << QStringLiteral("Visit our documentation today.\nJump to the summary below.\n"
                                                  "Mail info@example.org.\nPage 3 of .\n");
    QTest::newRow("pictures") << "pictures.rtf"
                              << QStringLiteral("Logo: \uFFFC end of logo.\nChart: \uFFFC done.\nRaw:  after binary.\n"
                                                "Object fallback text trailer.\n");
    QTest::newRow("headers and footnotes") << "headers-footnotes.rtf"
                                           << QStringLiteral("Revenue grew steadily1. Costs fell2.\n"
                                                             "Summary: all targets met.\n");
}

void TestRtfSamples::ownFilesGiveTheirText()
{
    QFETCH(QString, file);
    QFETCH(QString, expected);
    const QByteArray bytes = FileBytes(DataPath(QStringLiteral("rtf/") + file));
    QVERIFY(!bytes.isEmpty());
    QCOMPARE(Paragraphs(*ReadRtf(bytes)), expected);
}

void TestRtfSamples::wordProcessorLetterKeepsItsFormatting()
{
    const auto document = ReadRtf(FileBytes(DataPath(QStringLiteral("rtf/wordprocessor-letter.rtf"))));
    const QTextCharFormat heading = FormatOf(*document, QStringLiteral("Quarterly"));
    QCOMPARE(heading.fontWeight(), int(QFont::Bold));
    QCOMPARE(heading.fontPointSize(), 16.0);
    QCOMPARE(heading.fontFamilies().toStringList().value(0), QStringLiteral("Arial"));
    QCOMPARE(BlockFormatOf(*document, 0).alignment(), Qt::AlignHCenter);
    QCOMPARE(BlockFormatOf(*document, 1).alignment(), Qt::AlignJustify);
    QCOMPARE(BlockFormatOf(*document, 1).intProperty(RichText::SpaceAfter), 160);
    QCOMPARE(FormatOf(*document, QStringLiteral("red")).foreground().color(), QColor(255, 0, 0));
    QCOMPARE(FormatOf(*document, QStringLiteral("third")).fontItalic(), true);
    QCOMPARE(FormatOf(*document, QStringLiteral("gone")).intProperty(RichText::UnderlineType), int(CFU_UNDERLINE));
    QCOMPARE(FormatOf(*document, QStringLiteral("π")).intProperty(RichText::Charset), int(SYMBOL_CHARSET));
    QCOMPARE(FormatOf(*document, QStringLiteral("Łódź")).intProperty(RichText::Charset), 238);

    QCOMPARE(BlockFormatOf(*document, 2).intProperty(RichText::Numbering), int(PFN_BULLET));
    QCOMPARE(BlockFormatOf(*document, 2).intProperty(RichText::StartIndent), 360);
    QCOMPARE(BlockFormatOf(*document, 2).intProperty(RichText::Offset), 360);
    QCOMPARE(BlockFormatOf(*document, 4).intProperty(RichText::Numbering), int(PFN_LCLETTER));
    QCOMPARE(BlockFormatOf(*document, 4).intProperty(RichText::NumberingStyle), int(PFNS_PAREN));
    QVERIFY(document->findBlockByNumber(2).textList() == document->findBlockByNumber(3).textList());
    QVERIFY(document->findBlockByNumber(4).textList() == document->findBlockByNumber(5).textList());
    QVERIFY(!document->findBlockByNumber(6).textList());
}

void TestRtfSamples::editorListsBecomeNumberedParagraphs()
{
    const auto document = ReadRtf(FileBytes(DataPath(QStringLiteral("rtf/editor-pn-lists.rtf"))));
    const struct {
        int block, numbering, style, start, tab;
    } expected[] = {
        { 0, 0, 0, 0, 0 },
        { 1, PFN_BULLET, 0, 0, 0 },
        { 2, PFN_BULLET, 0, 0, 0 },
        { 3, PFN_ARABIC, PFNS_PERIOD, 1, 0 },
        { 4, PFN_ARABIC, PFNS_PERIOD, 1, 0 },
        { 5, PFN_LCLETTER, PFNS_PAREN, 1, 0 },
        { 6, PFN_LCROMAN, PFNS_PARENS, 4, 300 },
        { 7, 0, 0, 0, 0 },
    };
    for (const auto& paragraph : expected) {
        const QTextBlockFormat format = BlockFormatOf(*document, paragraph.block);
        QCOMPARE(format.intProperty(RichText::Numbering), paragraph.numbering);
        QCOMPARE(format.intProperty(RichText::NumberingStyle), paragraph.style);
        QCOMPARE(format.intProperty(RichText::NumberingStart), paragraph.start);
        QCOMPARE(format.intProperty(RichText::NumberingTab), paragraph.tab);
    }
    QCOMPARE(BlockFormatOf(*document, 3).intProperty(RichText::LineSpacingRule), 5);
    QCOMPARE(BlockFormatOf(*document, 3).intProperty(RichText::LineSpacing), 23);
    QCOMPARE(FormatOf(*document, QStringLiteral("oven")).foreground().color(), QColor(0, 0, 255));
    QCOMPARE(FormatOf(*document, QStringLiteral("20")).fontWeight(), int(QFont::Bold));
    QCOMPARE(FormatOf(*document, QStringLiteral("Milk")).fontPointSize(), 11.0);
}

void TestRtfSamples::sampleTextMatchesLibreOffice_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("skipReason");
    const QHash<QString, QString> skipped = {
        { QStringLiteral("pandoc-table-simple"),
            QStringLiteral("LibreOffice keeps only the first cell of rows with more cells than \\cellx") },
        { QStringLiteral("pandoc-table-nested-malformed-itap"),
            QStringLiteral("LibreOffice drops a table whose nesting levels skip one") },
    };

    const QDir folder(SamplePath(QString()));
    const QStringList texts = folder.entryList({ QStringLiteral("*.txt") }, QDir::Files, QDir::Name);
    QVERIFY2(!texts.isEmpty(), qPrintable(folder.absolutePath()));
    for (const QString& text : texts) {
        const QString name = text.chopped(4);
        if (!folder.exists(name + QStringLiteral(".rtf")))
            continue;
        QTest::newRow(qPrintable(name)) << name << skipped.value(name);
    }
}

void TestRtfSamples::sampleTextMatchesLibreOffice()
{
    QFETCH(QString, name);
    QFETCH(QString, skipReason);
    if (!skipReason.isEmpty())
        QSKIP(qPrintable(skipReason));
    const auto document = ReadRtf(FileBytes(SamplePath(name + QStringLiteral(".rtf"))));
    QString expected = QString::fromUtf8(FileBytes(SamplePath(name + QStringLiteral(".txt"))));
    QCOMPARE(Normalized(ParagraphsWithHiddenText(*document)), Normalized(expected));
}

QTEST_MAIN(TestRtfSamples)
#include "tst_rtf_samples.moc"
