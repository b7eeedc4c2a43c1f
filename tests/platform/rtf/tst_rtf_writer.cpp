// The RTF writer: what it writes reads back to the same document, in the control's own dialect.
#include "RichEditRecords.h"
#include "RtfTestSupport.h"
#include "RtfWriter.h"
#include "TestSupport.h"

#include <QTextList>
#include <QtTest>

namespace {

QTextCharFormat BaseFormat()
{
    QTextCharFormat format;
    format.setFontFamilies(QStringList { QStringLiteral("Arial") });
    format.setFontPointSize(12);
    format.setProperty(RichText::Charset, int(ANSI_CHARSET));
    format.setProperty(RichText::PitchAndFamily, FF_SWISS | VARIABLE_PITCH);
    return format;
}

QString ColorName(const QTextCharFormat& format, int property)
{
    if (!format.hasProperty(property) || format.brushProperty(property).style() == Qt::NoBrush)
        return QStringLiteral("auto");
    return format.brushProperty(property).color().name();
}

// Every character property the control keeps, in one comparable string.
QString Signature(const QTextCharFormat& f)
{
    return QStringLiteral("%1/%2/cs%3/pf%4 w%5 i%6 s%7 u%8:%9 fg%10 bg%11 v%12 o%13 p%14 c%15 a%16")
        .arg(f.fontFamilies().toStringList().value(0))
        .arg(f.fontPointSize())
        .arg(f.intProperty(RichText::Charset))
        .arg(f.intProperty(RichText::PitchAndFamily))
        .arg(f.fontWeight())
        .arg(f.fontItalic())
        .arg(f.fontStrikeOut())
        .arg(f.intProperty(RichText::UnderlineType))
        .arg(int(f.underlineStyle()))
        .arg(ColorName(f, QTextFormat::ForegroundBrush), ColorName(f, QTextFormat::BackgroundBrush))
        .arg(int(f.verticalAlignment()))
        .arg(f.intProperty(RichText::OffsetTwips))
        .arg(f.boolProperty(RichText::Protected))
        .arg(int(f.fontCapitalization()))
        .arg(f.isAnchor() ? f.anchorHref() : QString());
}

QString Signature(const QTextBlockFormat& f)
{
    QStringList values;
    const Qt::Alignment alignment = f.alignment() & Qt::AlignHorizontal_Mask;
    values << QString::number(int(alignment ? alignment : Qt::AlignLeft));
    for (int property : { RichText::StartIndent, RichText::Offset, RichText::RightIndent, RichText::SpaceBefore,
             RichText::SpaceAfter, RichText::LineSpacingRule, RichText::LineSpacing, RichText::Numbering,
             RichText::NumberingStyle, RichText::NumberingTab })
        values << QString::number(f.intProperty(property));
    // Numbers without a start count from 1.
    const int numbering = f.intProperty(RichText::Numbering);
    const bool numbered = numbering != 0 && numbering != PFN_BULLET;
    values << QString::number(
        numbered && !f.hasProperty(RichText::NumberingStart) ? 1 : f.intProperty(RichText::NumberingStart));
    for (int stop : f.property(RichText::TabStops).value<QList<int>>())
        values << QStringLiteral("tab") + QString::number(stop);
    values << QString::number(int(f.pageBreakPolicy()));
    return values.join(u' ');
}

// A document of paragraphs (split at "\n") in the base format.
std::unique_ptr<QTextDocument> Document(const QString& text)
{
    auto document = std::make_unique<QTextDocument>();
    QTextCursor cursor(document.get());
    const QStringList paragraphs = text.split(u'\n');
    for (qsizetype i = 0; i < paragraphs.size(); ++i) {
        if (i > 0)
            cursor.insertBlock(QTextBlockFormat(), BaseFormat());
        cursor.insertText(paragraphs[i], BaseFormat());
    }
    return document;
}

std::unique_ptr<QTextDocument> RoundTrip(const QTextDocument& document)
{
    return ReadRtf(TRtfWriter::Write(document, 0, -1));
}

} // namespace

class TestRtfWriter : public QObject {
    Q_OBJECT

private slots:
    void raisesAndLoweringsAreClosedForOtherReaders();
    void pageSetupSurvivesASave();
    void headersAndFootersSurviveASave();
    void paragraphBordersAndShadingSurviveASave();
    void hiddenTextSurvivesASaveUnseen();
    void fieldsOfAFewWordsSurviveASave();
    void listsNumberOnPastSubListsAndParagraphs();
    void listStartingAtFourShowsRomanFourOn();
    void listOverrideRestartsItsList();
    void numbersOfSeveralLevelsShowAndSurviveASave();
    void listsAndBordersOfAnotherWordProcessorSurviveASave();
    void characterFormatRoundTrips_data();
    void characterFormatRoundTrips();
    void paragraphFormatRoundTrips_data();
    void paragraphFormatRoundTrips();
    void textRoundTrips_data();
    void textRoundTrips();
    void symbolFontTextIsWrittenAsItsCodes();
    void emptyParagraphKeepsItsFormat();
    void numberedParagraphsReadBackAsOneList();
    void listsAfterOtherParagraphsStartAgain();
    void writesTheControlDialect();
    void writesOnlyFormattingChanges();
    void charactersBeyondTheCodePage_data();
    void charactersBeyondTheCodePage();
    void rangeWritesWholeParagraphFormats();
    void emptyDocumentIsValidRtf();
    void tokensStayInOnePiece();
};

void TestRtfWriter::characterFormatRoundTrips_data()
{
    QTest::addColumn<QTextCharFormat>("format");
    auto row = [](const char* name, const std::function<void(QTextCharFormat&)>& change) {
        QTextCharFormat format = BaseFormat();
        change(format);
        QTest::newRow(name) << format;
    };
    row("bold", [](QTextCharFormat& f) { f.setFontWeight(QFont::Bold); });
    row("italic", [](QTextCharFormat& f) { f.setFontItalic(true); });
    row("strike", [](QTextCharFormat& f) { f.setFontStrikeOut(true); });
    const std::pair<int, QTextCharFormat::UnderlineStyle> underlines[] = {
        { CFU_UNDERLINE, QTextCharFormat::SingleUnderline }, { CFU_UNDERLINEWORD, QTextCharFormat::SingleUnderline },
        { CFU_UNDERLINEDOUBLE, QTextCharFormat::SingleUnderline }, { CFU_UNDERLINEDOTTED, QTextCharFormat::DotLine },
        { CFU_UNDERLINEDASH, QTextCharFormat::DashUnderline }, { CFU_UNDERLINEDASHDOT, QTextCharFormat::DashDotLine },
        { CFU_UNDERLINEDASHDOTDOT, QTextCharFormat::DashDotDotLine },
        { CFU_UNDERLINEWAVE, QTextCharFormat::WaveUnderline }, { CFU_UNDERLINETHICK, QTextCharFormat::SingleUnderline }
    };
    for (const auto& [type, style] : underlines) {
        QTextCharFormat format = BaseFormat();
        format.setUnderlineStyle(style);
        format.setProperty(RichText::UnderlineType, type);
        QTest::addRow("underline type %d", type) << format;
    }
    row("size 10.5", [](QTextCharFormat& f) { f.setFontPointSize(10.5); });
    row("size 72", [](QTextCharFormat& f) { f.setFontPointSize(72); });
    row("other font", [](QTextCharFormat& f) {
        f.setFontFamilies(QStringList { QStringLiteral("Times New Roman") });
        f.setProperty(RichText::Charset, 238);
        f.setProperty(RichText::PitchAndFamily, FF_ROMAN | VARIABLE_PITCH);
    });
    row("colour", [](QTextCharFormat& f) { f.setForeground(QColor(200, 30, 40)); });
    row("background", [](QTextCharFormat& f) { f.setBackground(QColor(255, 255, 0)); });
    row("both colours", [](QTextCharFormat& f) {
        f.setForeground(QColor(0, 0, 255));
        f.setBackground(QColor(0, 0, 255));
    });
    row("superscript", [](QTextCharFormat& f) { f.setVerticalAlignment(QTextCharFormat::AlignSuperScript); });
    row("subscript", [](QTextCharFormat& f) { f.setVerticalAlignment(QTextCharFormat::AlignSubScript); });
    row("raised", [](QTextCharFormat& f) {
        f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        f.setProperty(RichText::OffsetTwips, 60);
    });
    row("lowered", [](QTextCharFormat& f) {
        f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
        f.setProperty(RichText::OffsetTwips, -40);
    });
    row("protected", [](QTextCharFormat& f) { f.setProperty(RichText::Protected, true); });
    row("all caps", [](QTextCharFormat& f) { f.setFontCapitalization(QFont::AllUppercase); });
    row("small caps", [](QTextCharFormat& f) { f.setFontCapitalization(QFont::SmallCaps); });
    row("link", [](QTextCharFormat& f) {
        f.setAnchor(true);
        f.setAnchorHref(QStringLiteral("https://example.org/a?b=c&d={e}\\f"));
        f.setForeground(QColor(0, 0, 255));
        f.setUnderlineStyle(QTextCharFormat::SingleUnderline);
        f.setProperty(RichText::UnderlineType, CFU_UNDERLINE);
    });
    row("everything", [](QTextCharFormat& f) {
        f.setFontWeight(QFont::Bold);
        f.setFontItalic(true);
        f.setFontStrikeOut(true);
        f.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        f.setProperty(RichText::UnderlineType, CFU_UNDERLINEWAVE);
        f.setForeground(QColor(1, 2, 3));
        f.setBackground(QColor(4, 5, 6));
        f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
        f.setProperty(RichText::Protected, true);
        f.setFontCapitalization(QFont::SmallCaps);
    });
}

void TestRtfWriter::raisesAndLoweringsAreClosedForOtherReaders()
{
    // "x\up8 2\nosupersub" would leave the rest of the line raised in other word processors.
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextCharFormat raised = BaseFormat();
    raised.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    raised.setProperty(RichText::OffsetTwips, 80);
    QTextCharFormat lowered = BaseFormat();
    lowered.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    lowered.setProperty(RichText::OffsetTwips, -60);
    QTextCharFormat super = BaseFormat();
    super.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    cursor.insertText(QStringLiteral("x"), BaseFormat());
    cursor.insertText(QStringLiteral("2"), raised);
    cursor.insertText(QStringLiteral(" y"), BaseFormat());
    cursor.insertText(QStringLiteral("i"), lowered);
    cursor.insertText(QStringLiteral("e"), super);
    cursor.insertText(QStringLiteral(" z"), BaseFormat());
    const QByteArray rtf = TRtfWriter::Write(document, 0, -1, {});
    QVERIFY2(rtf.contains("\\up8 2\\up0 "), rtf.constData());
    QVERIFY2(rtf.contains("\\dn6 i\\dn0\\super e\\nosupersub "), rtf.constData());

    // Both ways of ending a raise read back as plain text.
    for (const char* source : { "{\\rtf1 a\\up8 b\\up0 c}", "{\\rtf1 a\\dn8 b\\dn0 c}", "{\\rtf1 a\\up8 b\\nosupersub c}" }) {
        QTextDocument read;
        QTextCursor at(&read);
        TRtfReader::Read(QByteArray(source), at);
        QVERIFY2(FormatOf(read, QStringLiteral("c")).verticalAlignment() == QTextCharFormat::AlignNormal, source);
        QVERIFY2(!FormatOf(read, QStringLiteral("c")).hasProperty(RichText::OffsetTwips), source);
        QVERIFY2(FormatOf(read, QStringLiteral("b")).verticalAlignment() != QTextCharFormat::AlignNormal, source);
    }
}

void TestRtfWriter::listsNumberOnPastSubListsAndParagraphs()
{
    // One list with a sub-list and a plain paragraph inside: the steps after them go on counting,
    // a second sub-list starts again, and so does all of it after a save.
    const QByteArray original
        = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\*\\listtable{\\list\\listtemplateid1{\\listlevel\\levelnfc0"
          "\\levelstartat1{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}}{\\listlevel\\levelnfc4\\levelstartat1"
          "{\\leveltext\\'02\\'01);}{\\levelnumbers\\'01;}}\\listid1}}{\\*\\listoverridetable{\\listoverride"
          "\\listid1\\listoverridecount0\\ls1}}"
          "\\pard\\ls1\\ilvl0 One\\par\\pard\\ls1\\ilvl0 Two\\par\\pard\\ls1\\ilvl1 Sub a\\par\\pard\\ls1\\ilvl1 Sub b\\par"
          "\\pard\\ls1\\ilvl0 Three\\par\\pard Plain\\par\\pard\\ls1\\ilvl0 Four\\par"
          "\\pard\\ls1\\ilvl1 New a\\par}";
    const QStringList expected { "1.", "2.", "a)", "b)", "3.", "", "4.", "a)" };
    const auto read = ReadRtf(original);
    QCOMPARE(ListMarkers(*read, false), expected);
    const QByteArray saved = TRtfWriter::Write(*read, 0, -1);
    QCOMPARE(ListMarkers(*ReadRtf(saved), false), expected);
    QVERIFY2(saved.contains("{\\pntext 3.\\tab}") && saved.contains("{\\pntext 4.\\tab}"), saved.constData());
    // The sub-lists are the second level of the same list again, numbered by their own level's number,
    // so other readers indent, mark and count them as an outline.
    QVERIFY2(saved.contains("\\listhybrid") && saved.contains("{\\leveltext\\'02\\'01);}")
            && saved.count("\\ls1\\ilvl1") == 2 && !saved.contains("\\ls2"),
        saved.constData());
    QCOMPARE(saved.count("{\\pntext a)\\tab}"), 2);
    QCOMPARE(TRtfWriter::Write(*ReadRtf(saved), 0, -1), saved);
}

void TestRtfWriter::listOverrideRestartsItsList()
{
    // Two overrides of one list; the second restarts its first level at 10 and leaves the second be.
    const QByteArray original
        = "{\\rtf1\\ansi{\\*\\listtable{\\list\\listtemplateid1{\\listlevel\\levelnfc0\\levelstartat1{\\leveltext"
          "\\'02\\'00.;}{\\levelnumbers\\'01;}}{\\listlevel\\levelnfc4\\levelstartat1{\\leveltext\\'02\\'01);}"
          "{\\levelnumbers\\'01;}}\\listid1}}{\\*\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}"
          "{\\listoverride\\listid1\\listoverridecount2{\\lfolevel\\listoverridestartat\\levelstartat10}"
          "{\\lfolevel\\levelstartat7}\\ls2}}"
          "\\pard\\ls1 One\\par\\pard\\ls1 Two\\par\\pard\\ls2 Ten\\par\\pard\\ls2 Eleven\\par"
          "\\pard\\ls2\\ilvl1 Sub\\par}";
    const QStringList expected { "1.", "2.", "10.", "11.", "a)", "" };
    const auto read = ReadRtf(original);
    QCOMPARE(ListMarkers(*read), expected);
    QCOMPARE(ListMarkers(*ReadRtf(TRtfWriter::Write(*read, 0, -1))), expected);
}

void TestRtfWriter::numbersOfSeveralLevelsShowAndSurviveASave()
{
    // "1.1." and "1.1.1.": each level's number after those of the levels above it, counted afresh
    // under each new item above.
    const QByteArray original
        = "{\\rtf1\\ansi{\\*\\listtable{\\list\\listtemplateid1{\\listlevel\\levelnfc0{\\leveltext\\'02\\'00.;}"
          "{\\levelnumbers\\'01;}}{\\listlevel\\levelnfc0{\\leveltext\\'04\\'00.\\'01.;}{\\levelnumbers\\'01\\'03;}}"
          "{\\listlevel\\levelnfc4{\\leveltext\\'05\\'00.\\'01\\'02);}{\\levelnumbers\\'01\\'03\\'04;}}\\listid1}}"
          "{\\*\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}}"
          "\\pard\\ls1 A\\par\\pard\\ls1\\ilvl1 B\\par\\pard\\ls1\\ilvl2 C\\par\\pard\\ls1\\ilvl2 D\\par"
          "\\pard\\ls1\\ilvl1 E\\par\\pard\\ls1 F\\par\\pard\\ls1\\ilvl1 G\\par\\pard H\\par}";
    const QStringList expected { "1.", "1.1.", "1.1a)", "1.1b)", "1.2.", "2.", "2.1.", "", "" };
    const auto read = ReadRtf(original);
    QCOMPARE(ListMarkers(*read), expected);
    const QByteArray saved = TRtfWriter::Write(*read, 0, -1);
    QVERIFY2(saved.contains("{\\leveltext\\'04\\'00.\\'01.;}{\\levelnumbers\\'01\\'03;}")
            && saved.contains("{\\pntext 2.1.\\tab}") && saved.contains("{\\pntext 1.1b)\\tab}"),
        saved.constData());
    QCOMPARE(ListMarkers(*ReadRtf(saved)), expected);
}

void TestRtfWriter::listStartingAtFourShowsRomanFourOn()
{
    // Also in the older form; a bullet list's first marker is as large as its text, as the others.
    const QByteArray original
        = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\*\\listtable{\\list\\listtemplateid1{\\listlevel\\levelnfc1"
          "\\levelstartat4{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}}\\listid7}}{\\*\\listoverridetable"
          "{\\listoverride\\listid7\\listoverridecount0\\ls1}}"
          "\\pard\\ls1\\fi-360\\li720 Four\\par\\pard\\ls1\\fi-360\\li720 Five\\par\\pard\\ls1\\fi-360\\li720 Six\\par"
          "\\pard{\\*\\pn\\pnlvlbody\\pnlcltr\\pnstart3{\\pntxta )}}\\fi-360\\li720 c\\par"
          "{\\*\\pn\\pnlvlbody\\pnlcltr\\pnstart3{\\pntxta )}}d\\par}";
    const QStringList expected { "IV.", "V.", "VI.", "c)", "d)" };
    const auto read = ReadRtf(original);
    QCOMPARE(ListMarkers(*read, false), expected);
    const QByteArray saved = TRtfWriter::Write(*read, 0, -1);
    QCOMPARE(ListMarkers(*ReadRtf(saved), false), expected);
    QVERIFY2(saved.contains("{\\pntext IV.\\tab}") && saved.contains("{\\pntext VI.\\tab}"), saved.constData());

    // Bullets other than the usual one are kept, in the window, in the file and for older readers.
    const auto shapes = ReadRtf("{\\rtf1\\ansi{\\*\\listtable{\\list\\listtemplateid1{\\listlevel\\levelnfc23{\\leveltext"
                                "\\'01\\u8226 ?;}}{\\listlevel\\levelnfc23{\\leveltext\\'01\\u9702 ?;}}\\listid1}}"
                                "{\\*\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}}"
                                "\\pard\\ls1\\ilvl0 a\\par\\pard\\ls1\\ilvl1 b\\par\\pard\\ls1\\ilvl0 c\\par}");
    const QStringList shapeMarkers { "\u2022", "\u25E6", "\u2022" };
    QCOMPARE(ListMarkers(*shapes, false), shapeMarkers);
    const QByteArray shapesSaved = TRtfWriter::Write(*shapes, 0, -1);
    QCOMPARE(ListMarkers(*ReadRtf(shapesSaved), false), shapeMarkers);
    QVERIFY2(shapesSaved.contains("{\\pntext\\u9702?\\tab}"), shapesSaved.constData());

    const auto bullets = ReadRtf("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\pard{\\*\\pn\\pnlvlblt{\\pntxtb\\'b7}}\\fs16 one\\par"
                                 "two\\par}");
    QCOMPARE(bullets->begin().charFormat().fontPointSize(), 8.0);
    QCOMPARE(bullets->begin().next().charFormat().fontPointSize(), 8.0);
}

void TestRtfWriter::listsAndBordersOfAnotherWordProcessorSurviveASave()
{
    auto read = [](const QString& name) {
        QFile file(DataPath(QStringLiteral("rtf/") + name));
        return file.open(QIODevice::ReadOnly) ? ReadRtf(file.readAll()) : nullptr;
    };
    auto markers = [](const QTextDocument& document) {
        QStringList found;
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            if (block.textList()) // the empty paragraph after the last item included
                found << RichText::ListMarkerText(block) + u' ' + block.text();
        }
        return found;
    };
    const auto lists = read(QStringLiteral("libreoffice-lists.rtf"));
    QVERIFY(lists);
    const QStringList expected { "IV. Fourth step", "V. Fifth step", "VI. Sixth step", "\u2022 Small bullet one",
        "\u2022 Small bullet two", "1. One", "2. Two", "a. Sub a", "3. Three" };
    QCOMPARE(markers(*lists), expected);
    QCOMPARE(markers(*ReadRtf(TRtfWriter::Write(*lists, 0, -1))), expected);

    const auto borders = read(QStringLiteral("libreoffice-borders.rtf"));
    QVERIFY(borders);
    QStringList kept;
    for (QTextBlock block = borders->begin(); block.isValid(); block = block.next())
        kept << block.blockFormat().stringProperty(RichText::ParagraphBorders);
    const auto saved = ReadRtf(TRtfWriter::Write(*borders, 0, -1));
    QStringList again;
    for (QTextBlock block = saved->begin(); block.isValid(); block = block.next())
        again << block.blockFormat().stringProperty(RichText::ParagraphBorders);
    QCOMPARE(again, kept);
    QCOMPARE(kept.size(), 5);
    QVERIFY(kept[0].isEmpty() && !kept[1].isEmpty() && !kept[2].isEmpty() && kept[3].isEmpty());
    QCOMPARE(saved->findBlockByNumber(1).blockFormat().background().color(), QColor(255, 255, 0));
}

void TestRtfWriter::headersAndFootersSurviveASave()
{
    // The header names the file's third font and second colour; the saved file numbers its own.
    const QByteArray original = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman Times New Roman;}{\\f1\\fswiss Arial;}"
                                "{\\f2\\fmodern\\fcharset0 Courier New;}}{\\colortbl;\\red0\\green0\\blue255;"
                                "\\red255\\green0\\blue0;}"
                                "{\\header \\pard\\qc\\f2\\cf2 En-t\\'eate {\\b gras}\\par}"
                                "{\\footerr \\pard\\qr Page {\\field{\\*\\fldinst PAGE}{\\fldrslt 1}}\\par}"
                                "\\pard\\f1 Corps\\par}";
    const auto read = ReadRtf(original);
    QCOMPARE(Paragraphs(*read).trimmed(), QStringLiteral("Corps")); // not shown
    const QByteArray saved = TRtfWriter::Write(*read, 0, -1);
    QVERIFY2(saved.contains("{\\footerr \\pard\\qr Page {\\field{\\*\\fldinst PAGE}{\\fldrslt 1}}\\par}"),
        saved.constData());
    QVERIFY(saved.indexOf("{\\header") < saved.indexOf("Corps"));
    // What the renumbered words name in the saved tables is what they named before.
    const QRegularExpression header(QStringLiteral("\\{\\\\header \\\\pard\\\\qc\\\\f(\\d+)\\\\cf(\\d+) En-t"));
    const QRegularExpressionMatch match = header.match(QString::fromLatin1(saved));
    QVERIFY2(match.hasMatch(), saved.constData());
    QVERIFY2(saved.contains("{\\f" + match.captured(1).toLatin1() + "\\fmodern"), saved.constData());
    QVERIFY2(saved.contains("Courier New;"), saved.constData());
    const QByteArray colours = saved.mid(saved.indexOf("{\\colortbl"));
    const QList<QByteArray> entries = colours.left(colours.indexOf('}')).split(';');
    const int colour = match.captured(2).toInt();
    QVERIFY(colour > 0 && colour < entries.size());
    QCOMPARE(entries[colour], QByteArray("\\red255\\green0\\blue0"));
    // Saved again, the same; a new document or plain text loses them.
    QCOMPARE(TRtfWriter::Write(*ReadRtf(saved), 0, -1), saved);
    QVERIFY(!TRtfWriter::Write(*read, 0, 3).contains("header"));
    QTextDocument target;
    QTextCursor cursor(&target);
    cursor.insertText(QStringLiteral("Avant "));
    TRtfReader::Read(original, cursor); // pasted RTF brings no header
    QVERIFY(!TRtfWriter::Write(target, 0, -1).contains("header"));
    // A header inside a skipped group, or one left open, is no header of the document.
    QVERIFY(!TRtfWriter::Write(*ReadRtf("{\\rtf1{\\*\\unknown{\\header x}}Corps}"), 0, -1).contains("header"));
    const QByteArray open = TRtfWriter::Write(*ReadRtf("{\\rtf1 Corps{\\header x"), 0, -1);
    QVERIFY(!open.contains("header"));
}

void TestRtfWriter::paragraphBordersAndShadingSurviveASave()
{
    // As another word processor writes them: sides one by one, a box, and a background colour.
    const QByteArray original = "{\\rtf1\\ansi{\\colortbl;\\red0\\green0\\blue0;\\red0\\green0\\blue255;"
                                "\\red255\\green0\\blue0;\\red255\\green255\\blue0;}"
                                "\\pard Plain\\par"
                                "\\pard\\brdrt\\brdrs\\brdrw30\\brdrcf3\\brsp60\\brdrl\\brdrnone\\brdrb\\brdrdash\\brdrw1"
                                "\\brdrcf2\\brdrr\\brdrnone\\cbpat4 Shaded\\par "
                                "Same again\\par"
                                "\\pard\\box\\brdrdb\\brdrw15 Boxed\\par"
                                "\\pard\\shading2500 Grey\\par"
                                "\\pard Plain\\par}";
    const auto read = ReadRtf(original);
    QCOMPARE(Paragraphs(*read), QStringLiteral("Plain\nShaded\nSame again\nBoxed\nGrey\nPlain\n"));
    auto block = [&read](int number) { return read->findBlockByNumber(number).blockFormat(); };
    QVERIFY(!block(0).hasProperty(RichText::ParagraphBorders));
    QCOMPARE(block(1).background().color(), QColor(255, 255, 0));
    RichText::TParagraphBorders borders = RichText::DecodeParagraphBorders(block(1).stringProperty(RichText::ParagraphBorders));
    QCOMPARE(borders[0], (RichText::TParagraphBorder { 1, 30, 0xFF0000, 60 }));
    QCOMPARE(borders[1], RichText::TParagraphBorder {});
    QCOMPARE(borders[2], (RichText::TParagraphBorder { 5, 1, 0x0000FF, 0 }));
    QCOMPARE(block(2).stringProperty(RichText::ParagraphBorders), block(1).stringProperty(RichText::ParagraphBorders));
    borders = RichText::DecodeParagraphBorders(block(3).stringProperty(RichText::ParagraphBorders));
    for (const RichText::TParagraphBorder& side : borders)
        QCOMPARE(side, (RichText::TParagraphBorder { 3, 15, -1, 0 }));
    QVERIFY(block(3).background().style() == Qt::NoBrush);
    QCOMPARE(block(4).background().color(), QColor(192, 192, 192)); // a quarter of black over white
    QVERIFY(!block(5).hasProperty(RichText::ParagraphBorders));

    const QByteArray saved = TRtfWriter::Write(*read, 0, -1);
    QVERIFY2(saved.contains("\\brdrt\\brdrs\\brdrw30\\brdrcf"), saved.constData());
    QVERIFY2(saved.contains("\\brdrr\\brdrdb\\brdrw15"), saved.constData());
    const auto again = ReadRtf(saved);
    for (int i = 0; i < read->blockCount(); ++i) {
        const QTextBlockFormat before = block(i);
        const QTextBlockFormat after = again->findBlockByNumber(i).blockFormat();
        QCOMPARE(after.stringProperty(RichText::ParagraphBorders), before.stringProperty(RichText::ParagraphBorders));
        QCOMPARE(after.background(), before.background());
    }
    QCOMPARE(TRtfWriter::Write(*again, 0, -1), saved);
}

void TestRtfWriter::hiddenTextSurvivesASaveUnseen()
{
    const auto read = ReadRtf("{\\rtf1\\ansi This is hidden: {\\v sec\\{ret\\}\\u233?}.\\par}");
    // One character of no size holds it: positions move by one, the text shown has none of it.
    QCOMPARE(read->firstBlock().text(), QStringLiteral("This is hidden: \uFFFC."));
    QTextCursor object(read.get());
    object.setPosition(17);
    QCOMPARE(object.charFormat().objectType(), int(RichText::HiddenTextFormat));
    QCOMPARE(object.charFormat().stringProperty(RichText::HiddenText), QStringLiteral("sec{ret}\u00E9"));
    const QByteArray saved = TRtfWriter::Write(*read, 0, -1);
    QVERIFY2(saved.contains("{\\v sec\\{ret\\}\\'e9}"), saved.constData());
    QCOMPARE(TRtfWriter::Write(*ReadRtf(saved), 0, -1), saved);

    // Runs of two groups stay two, though nothing else tells them apart; tabs and line breaks stay.
    const auto two = ReadRtf("{\\rtf1\\ansi a{\\v x\\tab y}{\\v z\\line w}b{\\v q{\\b r}}\\par}");
    QCOMPARE(two->firstBlock().text(), QStringLiteral("a\uFFFC\uFFFCb\uFFFC\uFFFC"));
    const QByteArray twoSaved = TRtfWriter::Write(*two, 0, -1);
    QVERIFY2(twoSaved.contains("a{\\v x\\tab y}{\\v z\\line w}b{\\v q}"), twoSaved.constData());
    const auto twoAgain = ReadRtf(twoSaved);
    QCOMPARE(twoAgain->firstBlock().text(), two->firstBlock().text());
    QCOMPARE(TRtfWriter::Write(*twoAgain, 0, -1), twoSaved);
}

void TestRtfWriter::fieldsOfAFewWordsSurviveASave()
{
    const auto read = ReadRtf("{\\rtf1\\ansi Page {\\field{\\*\\fldinst{ PAGE  \\\\* MERGEFORMAT }}{\\fldrslt{\\b 3}}} to "
                              "{\\field{\\*\\fldinst MERGEFIELD Name}{\\fldrslt \\'abName\\'bb}}.\\par"
                              "{\\field{\\*\\fldinst TOC \\\\o}{\\fldrslt One\\par Two}}\\par}");
    QCOMPARE(read->firstBlock().text(), QStringLiteral("Page 3 to \u00ABName\u00BB."));
    const QByteArray saved = TRtfWriter::Write(*read, 0, -1);
    QVERIFY2(saved.contains("{\\field{\\*\\fldinst{PAGE \\\\* MERGEFORMAT}}{\\fldrslt{\\b 3}}}")
            && saved.contains("{\\field{\\*\\fldinst{MERGEFIELD Name}}{\\fldrslt{\\'abName\\'bb}}}"),
        saved.constData());
    // A table of contents spans paragraphs: its text is kept, not the field.
    QVERIFY2(!saved.contains("TOC") && saved.contains("One\\par"), saved.constData());
    QCOMPARE(TRtfWriter::Write(*ReadRtf(saved), 0, -1), saved);
}

void TestRtfWriter::pageSetupSurvivesASave()
{
    // The view has no use for paper and margins, but a save must not strip them from the file.
    const QByteArray original = "{\\rtf1\\ansi\\paperw16838\\paperh11906\\margl1134\\margr1134\\margt851"
                                "\\margb851\\landscape\\pard Paysage\\par}";
    const auto read = ReadRtf(original);
    const QByteArray saved = TRtfWriter::Write(*read, 0, -1);
    QVERIFY2(saved.contains("\\paperw16838\\paperh11906\\margl1134\\margr1134\\margt851\\margb851\\landscape\\viewkind4"),
        saved.constData());
    // Saved again, the same.
    QCOMPARE(TRtfWriter::Write(*ReadRtf(saved), 0, -1), saved);

    // Only what the file said is written; a copy of part of the text carries none of it.
    const auto partial = ReadRtf("{\\rtf1\\margl720 Texte}");
    const QByteArray rewritten = TRtfWriter::Write(*partial, 0, -1);
    QVERIFY(rewritten.contains("\\margl720\\viewkind4"));
    QVERIFY(!rewritten.contains("\\paperw"));
    QVERIFY(!TRtfWriter::Write(*partial, 1, 3).contains("\\margl"));
    // RTF pasted into a document gives it no page setup.
    QTextDocument target;
    QTextCursor cursor(&target);
    cursor.insertText(QStringLiteral("Déjà là "));
    TRtfReader::Read(original, cursor);
    QVERIFY(!TRtfWriter::Write(target, 0, -1).contains("\\paperw"));
}

void TestRtfWriter::characterFormatRoundTrips()
{
    QFETCH(QTextCharFormat, format);
    QTextDocument document;
    QTextCursor cursor(&document);
    cursor.insertText(QStringLiteral("before "), BaseFormat());
    cursor.insertText(QStringLiteral("word"), format);
    cursor.insertText(QStringLiteral(" after"), BaseFormat());
    cursor.insertBlock(QTextBlockFormat(), BaseFormat());
    cursor.insertText(QStringLiteral("next"), format);

    const auto read = RoundTrip(document);
    QCOMPARE(Paragraphs(*read), QStringLiteral("before word after\nnext"));
    QCOMPARE(Signature(FormatOf(*read, QStringLiteral("word"))), Signature(format));
    QCOMPARE(Signature(FormatOf(*read, QStringLiteral("next"))), Signature(format));
    // What the run changed is changed back for the text after it.
    QCOMPARE(Signature(FormatOf(*read, QStringLiteral("after"))), Signature(BaseFormat()));
    QCOMPARE(Signature(FormatOf(*read, QStringLiteral("before"))), Signature(BaseFormat()));
}

void TestRtfWriter::paragraphFormatRoundTrips_data()
{
    QTest::addColumn<QTextBlockFormat>("format");
    auto row = [](const char* name, const std::function<void(QTextBlockFormat&)>& change) {
        QTextBlockFormat format;
        change(format);
        QTest::newRow(name) << format;
    };
    row("right", [](QTextBlockFormat& f) { f.setAlignment(Qt::AlignRight); });
    row("centre", [](QTextBlockFormat& f) { f.setAlignment(Qt::AlignHCenter); });
    row("justified", [](QTextBlockFormat& f) { f.setAlignment(Qt::AlignJustify); });
    row("indents", [](QTextBlockFormat& f) {
        f.setProperty(RichText::StartIndent, 360);
        f.setProperty(RichText::Offset, 360);
        f.setProperty(RichText::RightIndent, 240);
    });
    row("first line indented", [](QTextBlockFormat& f) {
        f.setProperty(RichText::StartIndent, 720);
        f.setProperty(RichText::Offset, -720);
    });
    row("spacing", [](QTextBlockFormat& f) {
        f.setProperty(RichText::SpaceBefore, 120);
        f.setProperty(RichText::SpaceAfter, 200);
    });
    row("one and a half lines", [](QTextBlockFormat& f) { f.setProperty(RichText::LineSpacingRule, 1); });
    row("double", [](QTextBlockFormat& f) { f.setProperty(RichText::LineSpacingRule, 2); });
    row("at least", [](QTextBlockFormat& f) {
        f.setProperty(RichText::LineSpacingRule, 3);
        f.setProperty(RichText::LineSpacing, 300);
    });
    row("exactly", [](QTextBlockFormat& f) {
        f.setProperty(RichText::LineSpacingRule, 4);
        f.setProperty(RichText::LineSpacing, 280);
    });
    row("multiple", [](QTextBlockFormat& f) {
        f.setProperty(RichText::LineSpacingRule, 5);
        f.setProperty(RichText::LineSpacing, 23);
    });
    row("tabs", [](QTextBlockFormat& f) {
        f.setProperty(RichText::TabStops, QVariant::fromValue(QList<int> { 720, 2880 }));
    });
    row("bullet", [](QTextBlockFormat& f) {
        f.setProperty(RichText::Numbering, PFN_BULLET);
        f.setProperty(RichText::StartIndent, 360);
        f.setProperty(RichText::Offset, 360);
    });
    row("arabic period", [](QTextBlockFormat& f) {
        f.setProperty(RichText::Numbering, PFN_ARABIC);
        f.setProperty(RichText::NumberingStyle, PFNS_PERIOD);
        f.setProperty(RichText::NumberingStart, 1);
    });
    row("letter paren", [](QTextBlockFormat& f) {
        f.setProperty(RichText::Numbering, PFN_LCLETTER);
        f.setProperty(RichText::NumberingStyle, PFNS_PAREN);
    });
    row("upper roman parens", [](QTextBlockFormat& f) {
        f.setProperty(RichText::Numbering, PFN_UCROMAN);
        f.setProperty(RichText::NumberingStyle, PFNS_PARENS);
        f.setProperty(RichText::NumberingStart, 4);
        f.setProperty(RichText::NumberingTab, 300);
    });
    row("upper letter plain", [](QTextBlockFormat& f) {
        f.setProperty(RichText::Numbering, PFN_UCLETTER);
        f.setProperty(RichText::NumberingStyle, PFNS_PLAIN);
    });
    row("lower roman", [](QTextBlockFormat& f) {
        f.setProperty(RichText::Numbering, PFN_LCROMAN);
        f.setProperty(RichText::NumberingStyle, PFNS_PERIOD);
    });
    row("page break", [](QTextBlockFormat& f) { f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore); });
}

void TestRtfWriter::paragraphFormatRoundTrips()
{
    QFETCH(QTextBlockFormat, format);
    const auto document = Document(QStringLiteral("before\nitem one\nitem two\nafter"));
    for (int number : { 1, 2 }) {
        QTextCursor cursor(document->findBlockByNumber(number));
        QTextBlockFormat item = format;
        if (number == 2 && item.pageBreakPolicy() != QTextFormat::PageBreak_Auto)
            item.setPageBreakPolicy(QTextFormat::PageBreak_Auto);
        cursor.setBlockFormat(item);
    }

    const auto read = RoundTrip(*document);
    QCOMPARE(Paragraphs(*read), QStringLiteral("before\nitem one\nitem two\nafter"));
    QCOMPARE(Signature(BlockFormatOf(*read, 0)), Signature(QTextBlockFormat()));
    QCOMPARE(Signature(BlockFormatOf(*read, 1)), Signature(format));
    QCOMPARE(Signature(BlockFormatOf(*read, 2)), Signature(document->findBlockByNumber(2).blockFormat()));
    QCOMPARE(Signature(BlockFormatOf(*read, 3)), Signature(QTextBlockFormat()));
}

void TestRtfWriter::textRoundTrips_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << QStringLiteral("Hello, world.");
    QTest::newRow("rtf specials") << QStringLiteral("{braces} and \\back\\slashes\\ ; \\par");
    QTest::newRow("tab and line break") << QStringLiteral("a\tb\u2028c");
    QTest::newRow("cp1252 beyond ascii") << QStringLiteral("café – “quoted” € ½ ÿ");
    QTest::newRow("beyond cp1252") << QStringLiteral("Ελλάδα Россия 中文 ☺ ∑");
    QTest::newRow("surrogate pair") << QStringLiteral("smile \U0001F600 end");
    QTest::newRow("private use") << QStringLiteral("\uF0B7\uE000");
    QTest::newRow("spaces and hyphens") << QStringLiteral("a\u00A0b\u00ADc\u2011d  e ");
    QTest::newRow("digits after words") << QStringLiteral("x1 \\b0 2");
    QTest::newRow("paragraphs") << QStringLiteral("one\ntwo\n\nfour");
    QTest::newRow("empty first and last") << QStringLiteral("\nmiddle\n");
}

void TestRtfWriter::textRoundTrips()
{
    QFETCH(QString, text);
    QCOMPARE(Paragraphs(*RoundTrip(*Document(text))), text);
}

void TestRtfWriter::symbolFontTextIsWrittenAsItsCodes()
{
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextCharFormat symbol = BaseFormat();
    symbol.setFontFamilies(QStringList { QStringLiteral("Symbol") });
    symbol.setProperty(RichText::Charset, int(SYMBOL_CHARSET));
    symbol.setProperty(RichText::PitchAndFamily, FF_DECORATIVE | VARIABLE_PITCH);
    cursor.insertText(QStringLiteral("x "), BaseFormat());
    cursor.insertText(QStringLiteral("αΔ×∞ 12{a"), symbol);

    const QByteArray rtf = TRtfWriter::Write(document, 0, -1);
    QVERIFY2(rtf.contains("\\'61\\'44\\'b4\\'a5 12\\'7b\\u97?"), rtf.constData());
    const auto read = ReadRtf(rtf);
    QCOMPARE(Paragraphs(*read), QStringLiteral("x αΔ×∞ 12{a"));
    QCOMPARE(Signature(FormatOf(*read, QStringLiteral("α"))), Signature(symbol));
}

void TestRtfWriter::emptyParagraphKeepsItsFormat()
{
    QTextCharFormat large = BaseFormat();
    large.setFontPointSize(28);
    const auto document = Document(QStringLiteral("a\n\nb"));
    QTextCursor(document->findBlockByNumber(1)).setBlockCharFormat(large);
    const auto read = RoundTrip(*document);
    QCOMPARE(read->findBlockByNumber(1).charFormat().fontPointSize(), 28.0);
    QCOMPARE(FormatOf(*read, QStringLiteral("b")).fontPointSize(), 12.0);
}

void TestRtfWriter::numberedParagraphsReadBackAsOneList()
{
    const auto document = Document(QStringLiteral("one\ntwo\nthree\nplain"));
    QTextBlockFormat numbered;
    numbered.setProperty(RichText::Numbering, PFN_ARABIC);
    numbered.setProperty(RichText::NumberingStyle, PFNS_PERIOD);
    for (int number : { 0, 1, 2 })
        QTextCursor(document->findBlockByNumber(number)).setBlockFormat(numbered);

    const QByteArray rtf = TRtfWriter::Write(*document, 0, -1);
    // The old numbering: one \pn group, then the marker text of every item for readers without it.
    QCOMPARE(rtf.count("\\pnlvlbody"), 1);
    QVERIFY2(rtf.contains("{\\pntext 1.\\tab}") && rtf.contains("{\\pntext 3.\\tab}"), rtf.constData());
    const auto read = ReadRtf(rtf);
    QCOMPARE(Paragraphs(*read), QStringLiteral("one\ntwo\nthree\nplain"));
    QTextList* list = read->firstBlock().textList();
    QVERIFY(list);
    QCOMPARE(list->count(), 3);
    QVERIFY(!read->lastBlock().textList());
}

void TestRtfWriter::listsAfterOtherParagraphsStartAgain()
{
    const auto document = Document(QStringLiteral("a\nb\nplain\nc"));
    QTextBlockFormat letters;
    letters.setProperty(RichText::Numbering, PFN_LCLETTER);
    letters.setProperty(RichText::NumberingStyle, PFNS_PAREN);
    for (int number : { 0, 1, 3 })
        QTextCursor(document->findBlockByNumber(number)).setBlockFormat(letters);

    const QByteArray rtf = TRtfWriter::Write(*document, 0, -1);
    // Word processors that read list tables in preference to the old form get the letters too.
    QVERIFY2(rtf.contains("\\levelnfc4") && rtf.contains("{\\leveltext\\'02\\'00);}"), rtf.constData());
    QVERIFY(rtf.contains("{\\pntext a)\\tab}") && rtf.contains("{\\pntext b)\\tab}"));
    QCOMPARE(rtf.count("{\\pntext a)\\tab}"), 2);
    const auto read = ReadRtf(rtf);
    QTextList* first = read->firstBlock().textList();
    QTextList* second = read->lastBlock().textList();
    QVERIFY(first && second && first != second);
    QCOMPARE(first->count(), 2);
    QCOMPARE(Signature(read->lastBlock().blockFormat()), Signature(document->lastBlock().blockFormat()));
}

void TestRtfWriter::writesTheControlDialect()
{
    const QByteArray rtf = TRtfWriter::Write(*Document(QStringLiteral("first\nsecond")), 0, -1);
    QVERIFY2(
        rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat\\deflang1033{\\fonttbl{\\f0"), rtf.constData());
    QVERIFY(rtf.contains("\\viewkind4\\uc1 \\pard"));
    QCOMPARE(rtf.count("\\par\r\n"), 1); // between the paragraphs only
    QVERIFY(rtf.endsWith("second}\r\n"));
    QVERIFY(!rtf.contains("\\plain"));
}

void TestRtfWriter::writesOnlyFormattingChanges()
{
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextCharFormat bold = BaseFormat();
    bold.setFontWeight(QFont::Bold);
    cursor.insertText(QStringLiteral("plain "), BaseFormat());
    cursor.insertText(QStringLiteral("bold"), bold);
    cursor.insertText(QStringLiteral(" plain"), BaseFormat());
    const QByteArray rtf = TRtfWriter::Write(document, 0, -1);
    QVERIFY2(rtf.contains(" plain \\b bold\\b0  plain}"), rtf.constData());
    QCOMPARE(rtf.count("\\fs24"), 1);
}

void TestRtfWriter::charactersBeyondTheCodePage_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("latin-1") << QStringLiteral("é") << QByteArray("\\'e9");
    QTest::newRow("cp1252 high") << QStringLiteral("€") << QByteArray("\\'80");
    QTest::newRow("cjk") << QStringLiteral("中") << QByteArray("\\u20013?");
    QTest::newRow("negative") << QStringLiteral("\uF0B7") << QByteArray("\\u-3913?");
    QTest::newRow("braces") << QStringLiteral("{x}") << QByteArray("\\{x\\}");
    QTest::newRow("tab") << QStringLiteral("a\tb") << QByteArray("a\\tab b");
    QTest::newRow("line break") << QStringLiteral("a\u2028b") << QByteArray("a\\line b");
}

void TestRtfWriter::charactersBeyondTheCodePage()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, written);
    const QByteArray rtf = TRtfWriter::Write(*Document(text), 0, -1);
    QVERIFY2(rtf.contains(written), rtf.constData());
}

void TestRtfWriter::rangeWritesWholeParagraphFormats()
{
    const auto document = Document(QStringLiteral("Hello brave world\nsecond line\nthird"));
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    QTextCursor(document->firstBlock()).setBlockFormat(centred);
    QTextCursor select(document.get());
    select.setPosition(6);
    select.setPosition(11, QTextCursor::KeepAnchor);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    select.mergeCharFormat(bold);

    const auto word = ReadRtf(TRtfWriter::Write(*document, 6, 11));
    QCOMPARE(Paragraphs(*word), QStringLiteral("brave"));
    QCOMPARE(FormatOf(*word, QStringLiteral("brave")).fontWeight(), int(QFont::Bold));
    QCOMPARE(BlockFormatOf(*word, 0).alignment(), Qt::AlignHCenter);

    const auto across = ReadRtf(TRtfWriter::Write(*document, 12, 24));
    QCOMPARE(Paragraphs(*across), QStringLiteral("world\nsecond"));
    QCOMPARE(BlockFormatOf(*across, 0).alignment(), Qt::AlignHCenter);
    QCOMPARE(BlockFormatOf(*across, 1).alignment(), Qt::AlignLeft);
}

void TestRtfWriter::emptyDocumentIsValidRtf()
{
    QTextDocument document;
    const QByteArray rtf = TRtfWriter::Write(document, 0, -1);
    QVERIFY(rtf.startsWith("{\\rtf1"));
    QCOMPARE(rtf.count('{'), rtf.count('}'));
    const auto read = ReadRtf(rtf);
    QCOMPARE(read->blockCount(), 1);
    QVERIFY(read->isEmpty());
}

void TestRtfWriter::tokensStayInOnePiece()
{
    // The mail merge replaces tokens in the RTF source, so formatting must not split them.
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextCharFormat bold = BaseFormat();
    bold.setFontWeight(QFont::Bold);
    cursor.insertText(QStringLiteral("Dear "), bold);
    cursor.insertText(QStringLiteral("[FIRSTNAME] [LAST_NAME],"), BaseFormat());
    const QByteArray rtf = TRtfWriter::Write(document, 0, -1);
    QVERIFY2(rtf.contains("[FIRSTNAME] [LAST_NAME],"), rtf.constData());
}

QTEST_MAIN(TestRtfWriter)
#include "tst_rtf_writer.moc"
