// What the RTF reader makes of each construct: formatting, paragraphs, numbering, fields,
// skipped destinations, code pages and Unicode.
#include "RichEditRecords.h"
#include "RtfTestSupport.h"

#include "Errors.h"

#include <QTextList>
#include <QtTest>

class TestRtfReader : public QObject {
    Q_OBJECT

private slots:
    void stylesGiveTheirFormatting();
    void bytesNotStartingWithRtfAreAConvertError_data();
    void bytesNotStartingWithRtfAreAConvertError();
    void characterFormat_data();
    void characterFormat();
    void plainReturnsToTheDefaultSizeAndFont();
    void fontTableGivesFamilyCharsetAndPitch_data();
    void fontTableGivesFamilyCharsetAndPitch();
    void colorsComeFromTheColorTable_data();
    void colorsComeFromTheColorTable();
    void hiddenTextTakesOneUnseenCharacter();
    void alignment_data();
    void alignment();
    void indentsAndSpacingAreTwips();
    void lineSpacing_data();
    void lineSpacing();
    void tabStops();
    void paragraphFormatAppliesWhereTheParagraphEnds();
    void pageBreakMarksTheNextParagraph_data();
    void pageBreakMarksTheNextParagraph();
    void continuousSectionStaysOnThePage();
    void controlWordsForCharacters_data();
    void controlWordsForCharacters();
    void oldNumbering_data();
    void oldNumbering();
    void listTableLevels_data();
    void listTableLevels();
    void consecutiveNumberedParagraphsShareAList();
    void hyperlinkResultCarriesTheLink_data();
    void hyperlinkResultCarriesTheLink();
    void otherFieldsShowOnlyTheirResult();
    void destinationsAreSkipped_data();
    void destinationsAreSkipped();
    void codePages_data();
    void codePages();
    void unicodeAndFallbacks_data();
    void unicodeAndFallbacks();
    void symbolFontsShowTheirGlyphs_data();
    void symbolFontsShowTheirGlyphs();
    void maxCharactersLimitsTheText_data();
    void maxCharactersLimitsTheText();
    void readsAtTheCursor();
};

void TestRtfReader::bytesNotStartingWithRtfAreAConvertError_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("plain text") << QByteArray("Dear Sir,\r\n");
    QTest::newRow("leading space") << QByteArray(" {\\rtf1 x}");
    QTest::newRow("html") << QByteArray("<html><body>{\\rtf1}</body></html>");
    QTest::newRow("brace only") << QByteArray("{\\rt");
}

void TestRtfReader::bytesNotStartingWithRtfAreAConvertError()
{
    QFETCH(QByteArray, bytes);
    QTextDocument document;
    QTextCursor cursor(&document);
    QVERIFY_THROWS_EXCEPTION(EConvertError, TRtfReader::Read(bytes, cursor));
    QVERIFY(document.isEmpty());
}

void TestRtfReader::characterFormat_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("property");
    QTest::addColumn<QVariant>("expected");
    const int underline = RichText::UnderlineType;
    QTest::newRow("bold") << QByteArray("\\b word") << int(QTextFormat::FontWeight) << QVariant(700);
    QTest::newRow("bold off") << QByteArray("\\b\\b0 word") << int(QTextFormat::FontWeight) << QVariant(400);
    QTest::newRow("group end restores") << QByteArray("{\\b x}word") << int(QTextFormat::FontWeight) << QVariant(400);
    QTest::newRow("plain resets") << QByteArray("\\b\\i\\plain word") << int(QTextFormat::FontItalic)
                                  << QVariant(false);
    QTest::newRow("italic") << QByteArray("\\i word") << int(QTextFormat::FontItalic) << QVariant(true);
    QTest::newRow("strike") << QByteArray("\\strike word") << int(QTextFormat::FontStrikeOut) << QVariant(true);
    QTest::newRow("underline") << QByteArray("\\ul word") << underline << QVariant(int(CFU_UNDERLINE));
    QTest::newRow("words") << QByteArray("\\ulw word") << underline << QVariant(int(CFU_UNDERLINEWORD));
    QTest::newRow("double") << QByteArray("\\uldb word") << underline << QVariant(int(CFU_UNDERLINEDOUBLE));
    QTest::newRow("dotted") << QByteArray("\\uld word") << underline << QVariant(int(CFU_UNDERLINEDOTTED));
    QTest::newRow("dash") << QByteArray("\\uldash word") << underline << QVariant(int(CFU_UNDERLINEDASH));
    QTest::newRow("dash dot") << QByteArray("\\uldashd word") << underline << QVariant(int(CFU_UNDERLINEDASHDOT));
    QTest::newRow("dash dot dot") << QByteArray("\\uldashdd word") << underline
                                  << QVariant(int(CFU_UNDERLINEDASHDOTDOT));
    QTest::newRow("wave") << QByteArray("\\ulwave word") << underline << QVariant(int(CFU_UNDERLINEWAVE));
    QTest::newRow("wave style") << QByteArray("\\ulwave word") << int(QTextFormat::TextUnderlineStyle)
                                << QVariant(int(QTextCharFormat::WaveUnderline));
    QTest::newRow("thick") << QByteArray("\\ulth word") << underline << QVariant(int(CFU_UNDERLINETHICK));
    QTest::newRow("ulnone") << QByteArray("\\ul\\ulnone word") << underline << QVariant();
    QTest::newRow("ul0") << QByteArray("\\uldb\\ul0 word") << int(QTextFormat::TextUnderlineStyle)
                         << QVariant(int(QTextCharFormat::NoUnderline));
    QTest::newRow("half points") << QByteArray("\\fs21 word") << int(QTextFormat::FontPointSize) << QVariant(10.5);
    QTest::newRow("superscript") << QByteArray("\\super word") << int(QTextFormat::TextVerticalAlignment)
                                 << QVariant(int(QTextCharFormat::AlignSuperScript));
    QTest::newRow("subscript") << QByteArray("\\sub word") << int(QTextFormat::TextVerticalAlignment)
                               << QVariant(int(QTextCharFormat::AlignSubScript));
    QTest::newRow("nosupersub") << QByteArray("\\super\\nosupersub word") << int(QTextFormat::TextVerticalAlignment)
                                << QVariant(int(QTextCharFormat::AlignNormal));
    QTest::newRow("up") << QByteArray("\\up6 word") << int(RichText::OffsetTwips) << QVariant(60);
    QTest::newRow("down") << QByteArray("\\dn4 word") << int(RichText::OffsetTwips) << QVariant(-40);
    QTest::newRow("up0") << QByteArray("\\up6\\up0 word") << int(RichText::OffsetTwips) << QVariant();
    QTest::newRow("protected") << QByteArray("\\protect word") << int(RichText::Protected) << QVariant(true);
    QTest::newRow("protect0") << QByteArray("\\protect\\protect0 word") << int(RichText::Protected) << QVariant();
    QTest::newRow("caps") << QByteArray("\\caps word") << int(QTextFormat::FontCapitalization)
                          << QVariant(int(QFont::AllUppercase));
    QTest::newRow("small caps") << QByteArray("\\scaps word") << int(QTextFormat::FontCapitalization)
                                << QVariant(int(QFont::SmallCaps));
    QTest::newRow("font") << QByteArray("\\f1\\f0 word") << int(RichText::Charset) << QVariant(int(ANSI_CHARSET));
}

void TestRtfReader::characterFormat()
{
    QFETCH(QByteArray, body);
    QFETCH(int, property);
    QFETCH(QVariant, expected);
    const auto document = ReadRtf(Rtf("x " + body + " y"));
    QCOMPARE(FormatOf(*document, QStringLiteral("word")).property(property), expected);
}

void TestRtfReader::plainReturnsToTheDefaultSizeAndFont()
{
    TRtfReadOptions options;
    options.defaultFormat.setFontPointSize(10);
    const auto document = ReadRtf(
        "{\\rtf1\\ansi\\deff1{\\fonttbl{\\f0 Arial;}{\\f1 Georgia;}}\\f0\\fs40\\b big\\plain small}", options);
    const QTextCharFormat small = FormatOf(*document, QStringLiteral("small"));
    // RTF's own default size, not the control's: a file reads the same whatever the user typed last.
    QCOMPARE(small.fontPointSize(), 12.0);
    QCOMPARE(small.fontWeight(), int(QFont::Normal));
    QCOMPARE(small.fontFamilies().toStringList(), QStringList { QStringLiteral("Georgia") });
    QCOMPARE(FormatOf(*document, QStringLiteral("big")).fontPointSize(), 20.0);
}

void TestRtfReader::fontTableGivesFamilyCharsetAndPitch_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("family");
    QTest::addColumn<QVariant>("charset");
    QTest::addColumn<QVariant>("pitchAndFamily");
    QTest::newRow("groups") << QByteArray("{\\rtf1{\\fonttbl{\\f3\\froman\\fprq2\\fcharset238{\\*\\panose 0202}"
                                          "Times New Roman{\\*\\falt Times};}}\\f3 word}")
                            << "Times New Roman" << QVariant(238) << QVariant(FF_ROMAN | VARIABLE_PITCH);
    QTest::newRow("mac style") << QByteArray("{\\rtf1\\mac{\\fonttbl\\f0\\fswiss\\fcharset77 Helvetica;"
                                             "\\f1\\fmodern\\fprq1 Monaco;}\\f1 word}")
                               << "Monaco" << QVariant() << QVariant(FF_MODERN | FIXED_PITCH);
    QTest::newRow("name in its code page")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fnil\\fcharset129 \\'b8\\'bc\\'c0\\'ba;}}"
                      "\\f0 word}")
        << QString::fromUtf8("맑은") << QVariant(129) << QVariant(FF_DONTCARE);
    // This kept the control characters, so a written and reread name no longer named a symbol font.
    QTest::newRow("control characters in the name") << QByteArray(
        "{\\rtf1{\\fonttbl{\\f0\\fswiss\\fcharset0 \\'01Ari\x10"
        "al;}}\\f0 word}") << "Arial" << QVariant(0) << QVariant(FF_SWISS);
    // This kept the first table's family: formats were cached by font number across tables.
    QTest::newRow("redefined later") << QByteArray("{\\rtf1{\\fonttbl{\\f1 Arial;}}\\f1 x{\\fonttbl{\\f1\\fcharset0 "
                                                   "Georgia;}}\\f1 word}")
                                     << "Georgia" << QVariant(0) << QVariant();
    QTest::newRow("unknown font number") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f42 word}") << QString()
                                         << QVariant() << QVariant();
}

void TestRtfReader::fontTableGivesFamilyCharsetAndPitch()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, family);
    QFETCH(QVariant, charset);
    QFETCH(QVariant, pitchAndFamily);
    const QTextCharFormat format = FormatOf(*ReadRtf(rtf), QStringLiteral("word"));
    QCOMPARE(format.fontFamilies().toStringList().value(0), family);
    QCOMPARE(format.property(RichText::Charset), charset);
    QCOMPARE(format.property(RichText::PitchAndFamily), pitchAndFamily);
}

void TestRtfReader::colorsComeFromTheColorTable_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QColor>("foreground");
    QTest::addColumn<QColor>("background");
    QTest::newRow("cf1") << Rtf("\\cf1 word") << QColor(255, 0, 0) << QColor();
    QTest::newRow("cf0 is automatic") << Rtf("\\cf1\\cf0 word") << QColor() << QColor();
    QTest::newRow("index out of range") << Rtf("\\cf77 word") << QColor() << QColor();
    QTest::newRow("highlight") << Rtf("\\highlight2 word") << QColor() << QColor(0, 128, 0);
    QTest::newRow("cb") << Rtf("\\cb1 word") << QColor() << QColor(255, 0, 0);
    QTest::newRow("chcbpat") << Rtf("\\chcbpat2 word") << QColor() << QColor(0, 128, 0);
    QTest::newRow("highlight0") << Rtf("\\highlight2\\highlight0 word") << QColor() << QColor();
    QTest::newRow("real first entry") << QByteArray("{\\rtf1{\\colortbl\\red0\\green0\\blue128;}\\cf0 word}")
                                      << QColor(0, 0, 128) << QColor();
}

void TestRtfReader::colorsComeFromTheColorTable()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QColor, foreground);
    QFETCH(QColor, background);
    const QTextCharFormat format = FormatOf(*ReadRtf(rtf), QStringLiteral("word"));
    QCOMPARE(format.hasProperty(QTextFormat::ForegroundBrush), foreground.isValid());
    QCOMPARE(format.hasProperty(QTextFormat::BackgroundBrush), background.isValid());
    if (foreground.isValid())
        QCOMPARE(format.foreground().color(), foreground);
    if (background.isValid())
        QCOMPARE(format.background().color(), background);
}

void TestRtfReader::hiddenTextTakesOneUnseenCharacter()
{
    // Each hidden run is kept whole in one character of no size, to be written back.
    QCOMPARE(Paragraphs(*ReadRtf(Rtf("shown {\\v secret }text\\v  more\\v0  end"))),
        QStringLiteral("shown \uFFFCtext\uFFFC end"));
}

void TestRtfReader::alignment_data()
{
    QTest::addColumn<QByteArray>("control");
    QTest::addColumn<int>("alignment");
    QTest::newRow("ql") << QByteArray("\\ql") << int(Qt::AlignLeft);
    QTest::newRow("qr") << QByteArray("\\qr") << int(Qt::AlignRight);
    QTest::newRow("qc") << QByteArray("\\qc") << int(Qt::AlignHCenter);
    QTest::newRow("qj") << QByteArray("\\qj") << int(Qt::AlignJustify);
}

void TestRtfReader::alignment()
{
    QFETCH(QByteArray, control);
    QFETCH(int, alignment);
    const auto document = ReadRtf(Rtf(control + " text\\par"));
    QCOMPARE(int(BlockFormatOf(*document, 0).alignment()), alignment);
}

void TestRtfReader::indentsAndSpacingAreTwips()
{
    const auto document = ReadRtf(Rtf("\\li720\\fi-360\\ri240\\sb120\\sa240 text\\par"));
    const QTextBlockFormat format = BlockFormatOf(*document, 0);
    QCOMPARE(format.intProperty(RichText::StartIndent), 360);
    QCOMPARE(format.intProperty(RichText::Offset), 360);
    QCOMPARE(format.intProperty(RichText::RightIndent), 240);
    QCOMPARE(format.intProperty(RichText::SpaceBefore), 120);
    QCOMPARE(format.intProperty(RichText::SpaceAfter), 240);
    // The display properties follow: the following lines at 720 twips, the first one 360 before them.
    QCOMPARE(format.leftMargin(), RichText::PixelsFromTwips(720));
    QCOMPARE(format.textIndent(), -RichText::PixelsFromTwips(360));
}

void TestRtfReader::lineSpacing_data()
{
    QTest::addColumn<QByteArray>("control");
    QTest::addColumn<int>("rule");
    QTest::addColumn<int>("spacing");
    QTest::newRow("none") << QByteArray("") << 0 << 0;
    QTest::newRow("sl0") << QByteArray("\\sl0\\slmult1") << 0 << 0;
    QTest::newRow("single") << QByteArray("\\sl240\\slmult1") << 0 << 0;
    QTest::newRow("one and a half") << QByteArray("\\sl360\\slmult1") << 1 << 0;
    QTest::newRow("double") << QByteArray("\\sl480\\slmult1") << 2 << 0;
    QTest::newRow("multiple") << QByteArray("\\sl276\\slmult1") << 5 << 23;
    QTest::newRow("at least") << QByteArray("\\sl300\\slmult0") << 3 << 300;
    QTest::newRow("at least without slmult") << QByteArray("\\sl300") << 3 << 300;
    QTest::newRow("exactly") << QByteArray("\\sl-300\\slmult0") << 4 << 300;
}

void TestRtfReader::lineSpacing()
{
    QFETCH(QByteArray, control);
    QFETCH(int, rule);
    QFETCH(int, spacing);
    const QTextBlockFormat format = BlockFormatOf(*ReadRtf(Rtf(control + " text\\par")), 0);
    QCOMPARE(format.intProperty(RichText::LineSpacingRule), rule);
    QCOMPARE(format.intProperty(RichText::LineSpacing), spacing);
}

void TestRtfReader::tabStops()
{
    const QTextBlockFormat format = BlockFormatOf(*ReadRtf(Rtf("\\tx1440\\tqr\\tx720 a\\tab b\\par")), 0);
    QCOMPARE(format.property(RichText::TabStops).value<QList<int>>(), (QList<int> { 720, 1440 }));
    QCOMPARE(format.tabPositions().size(), 2);
}

void TestRtfReader::paragraphFormatAppliesWhereTheParagraphEnds()
{
    // The format in force at \par is the paragraph's, even when set after its text; groups restore it.
    const auto document = ReadRtf(Rtf("first\\qc\\par\\pard second\\par{\\pard\\qr third\\par}fourth\\par\\qj last"));
    QCOMPARE(Paragraphs(*document), QStringLiteral("first\nsecond\nthird\nfourth\nlast"));
    QCOMPARE(BlockFormatOf(*document, 0).alignment(), Qt::AlignHCenter);
    QCOMPARE(BlockFormatOf(*document, 1).alignment(), Qt::AlignLeft);
    QCOMPARE(BlockFormatOf(*document, 2).alignment(), Qt::AlignRight);
    QCOMPARE(BlockFormatOf(*document, 3).alignment(), Qt::AlignLeft);
    QCOMPARE(BlockFormatOf(*document, 4).alignment(), Qt::AlignJustify);
}

void TestRtfReader::pageBreakMarksTheNextParagraph_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("inside a paragraph") << QByteArray("one\\page two");
    QTest::newRow("after par") << QByteArray("one\\par\\page two");
    QTest::newRow("in its own group") << QByteArray("one\\par{\\page}two");
    QTest::newRow("pagebb") << QByteArray("one\\par\\pagebb two");
    QTest::newRow("section") << QByteArray("one\\sect two");
    QTest::newRow("merged letters") << QByteArray("{one\\par}\\sect{\\sectd\\sbkpage two}");
}

void TestRtfReader::pageBreakMarksTheNextParagraph()
{
    QFETCH(QByteArray, body);
    const auto document = ReadRtf(Rtf(body));
    QCOMPARE(Paragraphs(*document), QStringLiteral("one\ntwo"));
    QCOMPARE(BlockFormatOf(*document, 0).pageBreakPolicy(), QTextFormat::PageBreak_Auto);
    QCOMPARE(BlockFormatOf(*document, 1).pageBreakPolicy(), QTextFormat::PageBreak_AlwaysBefore);
}

void TestRtfReader::continuousSectionStaysOnThePage()
{
    const auto document = ReadRtf(Rtf("one\\sect\\sectd\\sbknone two\\sect\\sectd\\sbkcol three"));
    QCOMPARE(Paragraphs(*document), QStringLiteral("one\ntwo\nthree"));
    for (int block = 0; block < 3; ++block)
        QCOMPARE(BlockFormatOf(*document, block).pageBreakPolicy(), QTextFormat::PageBreak_Auto);
}

void TestRtfReader::controlWordsForCharacters_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");
    QTest::newRow("line") << QByteArray("a\\line b") << QStringLiteral("a\u2028b");
    QTest::newRow("tab") << QByteArray("a\\tab b") << QStringLiteral("a\tb");
    QTest::newRow("par") << QByteArray("a\\par b") << QStringLiteral("a\nb");
    QTest::newRow("backslash newline") << QByteArray("a\\\r\nb") << QStringLiteral("a\nb");
    QTest::newRow("sect") << QByteArray("a\\sect b") << QStringLiteral("a\nb");
    QTest::newRow("source line ends") << QByteArray("a\r\nb\nc") << QStringLiteral("abc");
    QTest::newRow("dashes") << QByteArray("\\emdash\\endash") << QStringLiteral("\u2014\u2013");
    QTest::newRow("quotes") << QByteArray("\\lquote\\rquote\\ldblquote\\rdblquote") << QStringLiteral("‘’“”");
    QTest::newRow("bullet") << QByteArray("\\bullet") << QStringLiteral("•");
    QTest::newRow("spaces") << QByteArray("\\emspace\\enspace\\~") << QStringLiteral("\u2003\u2002\u00A0");
    QTest::newRow("hyphens") << QByteArray("a\\-b\\_c") << QStringLiteral("a\u00ADb\u2011c");
    QTest::newRow("escapes") << QByteArray("\\{\\}\\\\") << QStringLiteral("{}\\");
    QTest::newRow("unknown words") << QByteArray("\\lang1033\\noproof\\insrsid123 text") << QStringLiteral("text");
    QTest::newRow("delimiting space") << QByteArray("\\b  two") << QStringLiteral(" two");
}

void TestRtfReader::controlWordsForCharacters()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    QCOMPARE(Paragraphs(*ReadRtf(Rtf(body))), expected);
}

void TestRtfReader::oldNumbering_data()
{
    QTest::addColumn<QByteArray>("numbering");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("bullet"); // empty for the usual one
    QTest::newRow("bullet") << QByteArray("{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'B7}}")
                            << int(PFN_BULLET) << 0 << 0 << QString();
    // Read in the marker's own font: Wingdings' square, a letter o of a text font.
    QTest::newRow("square bullet") << QByteArray("{\\*\\pn\\pnlvlblt\\pnf2{\\pntxtb\\'A7}}") << int(PFN_BULLET) << 0
                                   << 0 << QStringLiteral("\u25AA");
    QTest::newRow("letter bullet") << QByteArray("{\\*\\pn\\pnlvlblt\\pnf0{\\pntxtb o}}") << int(PFN_BULLET) << 0 << 0
                                   << QStringLiteral("o");
    QTest::newRow("middle dot") << QByteArray("{\\*\\pn\\pnlvlblt{\\pntxtb\\'B7}}") << int(PFN_BULLET) << 0 << 0
                                << QString();
    QTest::newRow("decimal period") << QByteArray("{\\pntext 1.\\tab}{\\*\\pn\\pnlvlbody\\pnstart1\\pndec{\\pntxta.}}")
                                    << int(PFN_ARABIC) << int(PFNS_PERIOD) << 1 << QString();
    QTest::newRow("letter paren") << QByteArray("{\\*\\pn\\pnlvlbody\\pnstart2\\pnlcltr{\\pntxta )}}")
                                  << int(PFN_LCLETTER) << int(PFNS_PAREN) << 2 << QString();
    QTest::newRow("roman parens") << QByteArray("{\\*\\pn\\pnlvlbody\\pnucrm{\\pntxtb (}{\\pntxta )}}")
                                  << int(PFN_UCROMAN) << int(PFNS_PARENS) << 1 << QString();
    QTest::newRow("plain") << QByteArray("{\\*\\pn\\pnlvlbody\\pnucltr}") << int(PFN_UCLETTER) << int(PFNS_PLAIN) << 1 << QString();
    QTest::newRow("lower roman") << QByteArray("{\\*\\pn\\pnlvlbody\\pnlcrm{\\pntxta .}}") << int(PFN_LCROMAN)
                                 << int(PFNS_PERIOD) << 1 << QString();
    QTest::newRow("outline level") << QByteArray("{\\*\\pn\\pnlvl3\\pndec{\\pntxta .}}") << int(PFN_ARABIC)
                                   << int(PFNS_PERIOD) << 1 << QString();
}

void TestRtfReader::oldNumbering()
{
    QFETCH(QByteArray, numbering);
    QFETCH(int, type);
    QFETCH(int, style);
    QFETCH(int, start);
    QFETCH(QString, bullet);
    const auto document = ReadRtf(Rtf("\\pard" + numbering + "\\fi-360\\li720 Item\\par"));
    const QTextBlockFormat format = BlockFormatOf(*document, 0);
    QCOMPARE(document->firstBlock().text(), QStringLiteral("Item")); // the marker text is not doubled
    QCOMPARE(format.intProperty(RichText::Numbering), type);
    QCOMPARE(format.intProperty(RichText::NumberingStyle), style);
    QCOMPARE(format.intProperty(RichText::NumberingStart), start);
    QCOMPARE(format.stringProperty(RichText::NumberingBullet), bullet);
    QVERIFY(document->firstBlock().textList());
}

void TestRtfReader::listTableLevels_data()
{
    QTest::addColumn<int>("levelFormat");
    QTest::addColumn<QByteArray>("levelText");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("marker"); // the lists start at 4
    QTest::newRow("arabic") << 0 << QByteArray("\\'02\\'00.;") << int(PFN_ARABIC) << int(PFNS_PERIOD) << "4.";
    QTest::newRow("upper roman") << 1 << QByteArray("\\'02\\'00);") << int(PFN_UCROMAN) << int(PFNS_PAREN) << "IV)";
    QTest::newRow("lower roman") << 2 << QByteArray("\\'03(\\'00);") << int(PFN_LCROMAN) << int(PFNS_PARENS) << "(iv)";
    QTest::newRow("upper letter") << 3 << QByteArray("\\'01\\'00;") << int(PFN_UCLETTER) << int(PFNS_PLAIN) << "D";
    QTest::newRow("lower letter") << 4 << QByteArray("\\'02\\'00.;") << int(PFN_LCLETTER) << int(PFNS_PERIOD) << "d.";
    QTest::newRow("bullet") << 23 << QByteArray("\\'01\\u-3913 ?;") << int(PFN_BULLET) << 0 << "\u2022";
    QTest::newRow("other formats count") << 22 << QByteArray("\\'02\\'00.;") << int(PFN_ARABIC) << int(PFNS_PERIOD)
                                         << "4.";
    QTest::newRow("other bullet") << 23 << QByteArray("\\'01\\u9702 ?;") << int(PFN_BULLET) << 0 << "\u25E6";
    QTest::newRow("symbol font bullet") << 23 << QByteArray("\\'01\\u-3929 ?;") << int(PFN_BULLET) << 0 << "\u25AA";
    // A decimal level whose text holds no number shows its text: a bullet.
    QTest::newRow("fixed marker") << 0 << QByteArray("\\'01\\u8226 ?;") << int(PFN_BULLET) << 0 << "\u2022";
    QTest::newRow("none") << 255 << QByteArray("\\'00;") << 0 << 0 << QString();
}

void TestRtfReader::listTableLevels()
{
    QFETCH(int, levelFormat);
    QFETCH(QByteArray, levelText);
    QFETCH(int, type);
    QFETCH(int, style);
    QFETCH(QString, marker);
    const QByteArray rtf = "{\\rtf1\\ansi{\\*\\listtable{\\list\\listtemplateid5{\\listlevel\\levelnfc"
        + QByteArray::number(levelFormat) + "\\levelstartat4{\\leveltext\\leveltemplateid9" + levelText
        + "}{\\levelnumbers\\'01;}\\fi-360\\li720}{\\listname ;}\\listid77}}"
          "{\\*\\listoverridetable{\\listoverride\\listid77\\listoverridecount0\\ls3}}"
          "\\pard{\\listtext 4.\\tab}\\ls3\\ilvl0\\fi-360\\li720 Item\\par}";
    const auto document = ReadRtf(rtf);
    const QTextBlock block = document->firstBlock();
    QCOMPARE(block.text(), QStringLiteral("Item"));
    QCOMPARE(block.blockFormat().intProperty(RichText::Numbering), type);
    QCOMPARE(block.blockFormat().intProperty(RichText::NumberingStyle), style);
    QCOMPARE(bool(block.textList()), !marker.isEmpty());
    QCOMPARE(RichText::ListMarkerText(block), marker);
}

void TestRtfReader::consecutiveNumberedParagraphsShareAList()
{
    const QByteArray bullet = "{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb\\'B7}}";
    const QByteArray number = "{\\*\\pn\\pnlvlbody\\pndec{\\pntxta )}}";
    const auto document = ReadRtf(Rtf("\\pard" + bullet + " a\\par b\\par\\pard" + number
        + " c\\par d\\par\\pard e\\par\\pard" + bullet + " f\\par\\pard" + number + " g"));
    QList<QTextList*> lists;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        lists.append(block.textList());
    QCOMPARE(lists.size(), 7);
    QVERIFY(lists[0] && lists[0] == lists[1]);
    QVERIFY(lists[2] && lists[2] == lists[3] && lists[2] != lists[0]);
    QVERIFY(!lists[4]);
    QVERIFY(lists[5] && lists[5] != lists[0]);
    QVERIFY(lists[6] && lists[6] != lists[2] && lists[6] != lists[5]);
    QCOMPARE(lists[0]->format().style(), QTextListFormat::ListDisc);
    QCOMPARE(lists[2]->format().style(), QTextListFormat::ListDecimal);
    QCOMPARE(lists[2]->format().numberSuffix(), QStringLiteral(")"));
    QCOMPARE(lists[2]->format().indent(), 0);
}

void TestRtfReader::hyperlinkResultCarriesTheLink_data()
{
    QTest::addColumn<QByteArray>("instruction");
    QTest::addColumn<QString>("href");
    QTest::newRow("quoted") << QByteArray("{HYPERLINK \"https://example.org/a?b=1\"}") << "https://example.org/a?b=1";
    QTest::newRow("unquoted") << QByteArray("HYPERLINK http://example.org ") << "http://example.org";
    QTest::newRow("bookmark") << QByteArray("{ HYPERLINK  \\\\l \"part_2\" }") << "#part_2";
    QTest::newRow("url and bookmark") << QByteArray("HYPERLINK \"doc.rtf\" \\\\l \"top\"") << "doc.rtf#top";
    QTest::newRow("tooltip") << QByteArray("HYPERLINK \\\\o \"Tip\" \"http://x.org\"") << "http://x.org";
    QTest::newRow("split over groups") << QByteArray("{\\rtlch HYPER}{LINK \"mailto:a@b.org\"}") << "mailto:a@b.org";
    QTest::newRow("hex in url") << QByteArray("HYPERLINK \"http://x.org/caf\\'e9\"")
                                << QStringLiteral("http://x.org/café");
}

void TestRtfReader::hyperlinkResultCarriesTheLink()
{
    QFETCH(QByteArray, instruction);
    QFETCH(QString, href);
    const auto document = ReadRtf(
        Rtf("See {\\field{\\*\\fldinst " + instruction + "}{\\fldrslt{\\ul\\cf1 the }{\\plain\\b word}}} now"));
    QCOMPARE(Paragraphs(*document), QStringLiteral("See the word now"));
    for (const QString& text : { QStringLiteral("the"), QStringLiteral("word") }) {
        const QTextCharFormat format = FormatOf(*document, text);
        QVERIFY(format.isAnchor());
        QCOMPARE(format.anchorHref(), href);
    }
    QVERIFY(!FormatOf(*document, QStringLiteral("now")).isAnchor());
    QCOMPARE(FormatOf(*document, QStringLiteral("word")).fontWeight(), int(QFont::Bold));
}

void TestRtfReader::otherFieldsShowOnlyTheirResult()
{
    const auto document
        = ReadRtf(Rtf("Page {\\field{\\*\\fldinst{ PAGE }}{\\fldrslt{3}}} of {\\field{\\*\\fldinst NUMPAGES}}"
                      " {\\field{\\*\\fldinst IF {\\field{\\*\\fldinst PAGE}{\\fldrslt 1}} = 1 \"x\"}"
                      "{\\fldrslt yes}}."));
    QCOMPARE(Paragraphs(*document), QStringLiteral("Page 3 of  yes."));
    QVERIFY(!FormatOf(*document, QStringLiteral("3")).isAnchor());
    // The result of a field of a few words knows its field, to be written again.
    QCOMPARE(FormatOf(*document, QStringLiteral("3")).stringProperty(RichText::FieldInstruction), QStringLiteral("PAGE"));
    QVERIFY(!FormatOf(*document, QStringLiteral("yes")).hasProperty(RichText::FieldInstruction));
}

void TestRtfReader::destinationsAreSkipped_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");
    QTest::newRow("header and footer") << QByteArray("{\\header\\pard head\\par}{\\footerr foot}{\\headerf first}text")
                                       << "text";
    QTest::newRow("footnote keeps its number")
        << QByteArray("a{\\super\\chftn}{\\footnote\\pard{\\super\\chftn} Note.}b{\\chftn}{\\footnote x}") << "a1b2";
    QTest::newRow("info") << QByteArray("{\\info{\\title T}{\\author A}}text") << "text";
    QTest::newRow("stylesheet") << QByteArray("{\\stylesheet{\\s0 Normal;}{\\*\\cs1 Link;}}text") << "text";
    QTest::newRow("unknown ignorable") << QByteArray("{\\*\\unknownthing secret {nested}}text") << "text";
    QTest::newRow("generator") << QByteArray("{\\*\\generator Some writer 1.0;}text") << "text";
    QTest::newRow("picture") << QByteArray("a{\\pict\\pngblip\\picw10\\pich10 89504e470d0a1a0a}b") << "ab";
    QTest::newRow("shape picture pair") << QByteArray(
        "a{\\*\\shppict{\\pict\\pngblip 8950}}{\\nonshppict{\\pict\\wmetafile8 0100}}b")
                                        << "ab";
    // A shape without a picture shows what it left for readers without shapes.
    QTest::newRow("shape") << QByteArray("a{\\shp{\\*\\shpinst{\\sp{\\sn fill}{\\sv 1}}{\\shptxt t}}{\\shprslt x}}b") << "axb";
    QTest::newRow("object result") << QByteArray("a{\\object\\objemb{\\*\\objclass Paint}{\\*\\objdata 0105}"
                                                 "{\\result{\\pict 0100}shown}}b")
                                   << "ashownb";
    QTest::newRow("binary with braces") << QByteArray("a{\\pict\\bin5 }}{\\}}b") << "ab";
    QTest::newRow("binary outside a picture") << QByteArray("a\\bin3 xyzb") << "ab";
    QTest::newRow("bookmarks") << QByteArray("{\\*\\bkmkstart m}mark{\\*\\bkmkend m}") << "mark";
    QTest::newRow("list text") << QByteArray("{\\listtext\\f1 \\'b7\\tab}item") << "item";
    QTest::newRow("unicode pair") << QByteArray("{\\upr{ansi text}{\\*\\ud{unicode text}}}") << "unicode text";
    QTest::newRow("annotation") << QByteArray("a{\\*\\atnid X}{\\*\\annotation comment}b") << "ab";
    QTest::newRow("index entries") << QByteArray("word{\\xe {entry}}{\\tc toc}") << "word";
    QTest::newRow("font table in the body") << QByteArray("{\\fonttbl{\\f9 Extra;}}text") << "text";
}

void TestRtfReader::destinationsAreSkipped()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    QCOMPARE(Paragraphs(*ReadRtf(Rtf(body))), expected);
}

void TestRtfReader::codePages_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");
    auto withFont = [](const char* charset, const QByteArray& text) {
        return "{\\rtf1\\ansi{\\fonttbl{\\f0\\fnil\\fcharset" + QByteArray(charset) + " Font;}}\\f0 " + text + "}";
    };
    QTest::newRow("1252") << withFont("0", "caf\\'e9 \\'80\\'93") << QStringLiteral("café €“");
    QTest::newRow("1251") << withFont("204", "\\'cf\\'f0\\'e8\\'e2\\'e5\\'f2") << QStringLiteral("Привет");
    QTest::newRow("1253") << withFont("161", "\\'c5\\'eb\\'eb\\'dc\\'e4\\'e1") << QStringLiteral("Ελλάδα");
    QTest::newRow("1255") << withFont("177", "\\'f9\\'ec\\'e5\\'ed") << QStringLiteral("שלום");
    QTest::newRow("874") << withFont("222", "\\'e4\\'b7\\'c2") << QStringLiteral("ไทย");
    QTest::newRow("437 oem") << withFont("255", "\\'8e\\'99\\'9a") << QStringLiteral("ÄÖÜ");
    QTest::newRow("mac roman font") << withFont("77", "caf\\'8e") << QStringLiteral("café");
    QTest::newRow("shift-jis pairs") << withFont("128", "\\'82\\'a0\\'93\\'fa\\'96\\'7b") << QStringLiteral("あ日本");
    QTest::newRow("shift-jis literal trail byte") << withFont("128", "\\'83N") << QStringLiteral("ク");
    QTest::newRow("gbk") << withFont("134", "\\'d6\\'d0\\'ce\\'c4") << QStringLiteral("中文");
    QTest::newRow("korean") << withFont("129", "\\'c7\\'d1\\'b1\\'b9") << QStringLiteral("한국");
    QTest::newRow("big5") << withFont("136", "\\'a4\\'a4\\'a4\\'e5") << QStringLiteral("中文");
    QTest::newRow("double-byte then formatting")
        << withFont("128", "\\'82\\'a0{\\b\\'82\\'a2}\\'82\\'a4") << QStringLiteral("あいう");
    QTest::newRow("ansicpg for default charset") << QByteArray(
        "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset1 F;}}"
        "\\f0 \\'c4\\'e0}") << QStringLiteral("Да");
    QTest::newRow("ansicpg without font table")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1253 \\'c1}") << QStringLiteral("Α");
    QTest::newRow("mac") << QByteArray("{\\rtf1\\mac caf\\'8e}") << QStringLiteral("café");
    QTest::newRow("pc") << QByteArray("{\\rtf1\\pc \\'81}") << QStringLiteral("ü");
    QTest::newRow("pca") << QByteArray("{\\rtf1\\pca \\'9b}") << QStringLiteral("ø");
    QTest::newRow("raw 8-bit text") << QByteArray("{\\rtf1\\ansi caf\xe9}") << QStringLiteral("café");
    QTest::newRow("cpg overrides charset")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset0\\cpg1251 F;}}\\f0 \\'c4}") << QStringLiteral("Д");
    // This kept an escape character: EBCDIC maps a printable byte to it.
    QTest::newRow("control characters of other code pages")
        << QByteArray("{\\rtf1\\ansi\\ansicpg500 \\'27\\'c1}") << QStringLiteral("A");
    QTest::newRow("font switch") << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset0 A;}{\\f1\\fcharset161 B;}}"
                                               "\\f0\\'80\\f1\\'d9\\f0\\'80}")
                                 << QStringLiteral("€Ω€");
}

void TestRtfReader::codePages()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QCOMPARE(Paragraphs(*ReadRtf(rtf)), expected);
}

void TestRtfReader::unicodeAndFallbacks_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");
    QTest::newRow("question mark fallback") << QByteArray("\\u945?\\u946?") << QStringLiteral("αβ");
    QTest::newRow("negative") << QByteArray("\\u-3913?") << QStringLiteral("\uF0B7");
    QTest::newRow("hex fallback") << QByteArray("\\u8217\\'92s") << QStringLiteral("’s");
    QTest::newRow("uc0") << QByteArray("\\uc0\\u945 x") << QStringLiteral("αx");
    QTest::newRow("uc2 hex pair") << QByteArray("\\uc2\\u12354\\'82\\'a0x") << QStringLiteral("あx");
    QTest::newRow("uc2 text") << QByteArray("\\uc2\\u12354 abx") << QStringLiteral("あx");
    QTest::newRow("control word counts one") << QByteArray("\\u8226\\bullet x") << QStringLiteral("•x");
    QTest::newRow("group ends the fallback") << QByteArray("\\uc3\\u945{}xyz") << QStringLiteral("αxyz");
    QTest::newRow("uc is per group") << QByteArray("{\\uc2\\u945 ab}\\u946 cd") << QStringLiteral("αβd");
    QTest::newRow("surrogate pair") << QByteArray("\\u-10179?\\u-8704?") << QString::fromUtf8("\xF0\x9F\x98\x80");
    QTest::newRow("space delimiter is not fallback") << QByteArray("\\u945 ?b") << QStringLiteral("αb");
}

void TestRtfReader::unicodeAndFallbacks()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    QCOMPARE(Paragraphs(*ReadRtf(Rtf(body))), expected);
}

void TestRtfReader::symbolFontsShowTheirGlyphs_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("family");
    QTest::newRow("alpha") << Rtf("\\f1\\'61") << QStringLiteral("α") << "Symbol";
    QTest::newRow("delta") << Rtf("\\f1\\'44") << QStringLiteral("Δ") << "Symbol";
    QTest::newRow("times") << Rtf("\\f1\\'b4") << QStringLiteral("×") << "Symbol";
    QTest::newRow("infinity") << Rtf("\\f1\\'a5") << QStringLiteral("∞") << "Symbol";
    QTest::newRow("bullet") << Rtf("\\f1\\'b7") << QStringLiteral("•") << "Symbol";
    QTest::newRow("plain letters") << Rtf("\\f1 abg") << QStringLiteral("αβγ") << "Symbol";
    QTest::newRow("private use codes") << Rtf("\\f1\\u-3913?") << QStringLiteral("•") << "Symbol";
    QTest::newRow("symbol by name") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Symbol;}}\\f0 p}") << QStringLiteral("π")
                                    << "Symbol";
    QTest::newRow("wingdings") << Rtf("\\f2\\'4a") << QStringLiteral("\uF04A") << "Wingdings";
}

void TestRtfReader::symbolFontsShowTheirGlyphs()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QFETCH(QString, family);
    const auto document = ReadRtf(rtf);
    QCOMPARE(Paragraphs(*document), expected);
    QCOMPARE(FormatOf(*document, expected.left(1)).fontFamilies().toStringList().value(0), family);
}

void TestRtfReader::maxCharactersLimitsTheText_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");
    QTest::newRow("inside a run") << 5 << QByteArray("Hello world") << "Hello";
    QTest::newRow("across runs") << 7 << QByteArray("Hel{\\b lo w}orld") << "Hello w";
    QTest::newRow("paragraph breaks count") << 5 << QByteArray("ab\\par cd\\par ef") << "ab\ncd";
    QTest::newRow("zero") << 0 << QByteArray("text") << "";
    QTest::newRow("surrogate pair kept whole") << 2 << QByteArray("a\\u-10179?\\u-8704?") << "a";
}

void TestRtfReader::maxCharactersLimitsTheText()
{
    QFETCH(int, limit);
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    TRtfReadOptions options;
    options.maxCharacters = limit;
    QCOMPARE(Paragraphs(*ReadRtf(Rtf(body), options)), expected);
}

void TestRtfReader::readsAtTheCursor()
{
    QTextDocument document;
    document.setPlainText(QStringLiteral("Hello world"));
    QTextCursor cursor(&document);
    cursor.setPosition(6);
    TRtfReader::Read(Rtf("{\\b big} "), cursor);
    QCOMPARE(document.toPlainText(), QStringLiteral("Hello big world"));
    QCOMPARE(cursor.position(), 10);
    QCOMPARE(FormatOf(document, QStringLiteral("big")).fontWeight(), int(QFont::Bold));
}

void TestRtfReader::stylesGiveTheirFormatting()
{
    // The paragraph style gives alignment, spacing and character formatting the paragraph does not
    // set; its own words win; a character style formats its run only; table styles are no styles.
    const auto document = ReadRtf("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}"
                                  "{\\stylesheet{\\s0 Normal;}{\\s1\\qc\\sb240\\b\\fs40 heading 1;}"
                                  "{\\s2\\sbasedon1\\i heading 2;}{\\*\\cs10 \\additive\\f1\\ul Code;}"
                                  "{\\*\\ts11\\tsrowd\\fs8 Table Grid;}}"
                                  "\\pard\\plain\\s1 Title\\par\\pard\\plain\\s1\\ql\\fs24 Left\\par"
                                  "\\pard\\plain\\s2 Sub\\par\\pard\\plain Body {\\cs10 code} end\\par}");
    QCOMPARE(Paragraphs(*document).trimmed(), QStringLiteral("Title\nLeft\nSub\nBody code end"));
    QCOMPARE(BlockFormatOf(*document, 0).alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QVERIFY(BlockFormatOf(*document, 0).topMargin() > 0);
    QCOMPARE(FormatOf(*document, QStringLiteral("Title")).fontPointSize(), 20.0);
    QCOMPARE(FormatOf(*document, QStringLiteral("Title")).fontWeight(), int(QFont::Bold));
    QCOMPARE(BlockFormatOf(*document, 1).alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    QCOMPARE(FormatOf(*document, QStringLiteral("Left")).fontPointSize(), 12.0);
    QVERIFY(FormatOf(*document, QStringLiteral("Sub")).fontItalic());
    QCOMPARE(FormatOf(*document, QStringLiteral("Sub")).fontWeight(), int(QFont::Bold)); // from its base
    QVERIFY(FormatOf(*document, QStringLiteral("code")).fontUnderline());
    QVERIFY(FormatOf(*document, QStringLiteral("code")).fontFamilies().toStringList().contains("Courier New"));
    QVERIFY(!FormatOf(*document, QStringLiteral("end")).fontUnderline());
    QCOMPARE(FormatOf(*document, QStringLiteral("Body")).fontPointSize(), 12.0);
}

QTEST_MAIN(TestRtfReader)
#include "tst_rtf_reader.moc"
