// Character and paragraph formats through EM_GET/SETCHARFORMAT and EM_GET/SETPARAFORMAT.
#include "ControlFixture.h"

#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>

class TestControlFormats : public QObject {
    Q_OBJECT
private slots:
    void sizesAreStoredInTwips();
    void automaticColourReadsAsEffect();
    void backgroundColourAndAutomaticBackground();
    void stylesSwitchOnAndOff();
    void scriptPositionAndWeight();
    void readMaskOnlyHoldsUniformValues();
    void emptySelectionSetsTheTypingFormat();
    void wordScopeTakesTheWordAtTheCaret();
    void defaultScopeChangesTextWithoutOwnFormat();
    void shortRecordIsNotWrittenPastItsSize();
    void recordWithBadSizeIsRefused();
    void protectedAndCharsetKept();
    void paragraphIndentsAndAlignment();
    void paragraphSpacingAndTabs();
    void offsetIndentIsRelative();
    void numberingMakesOneListPerRun();
    void ctrlShiftLStepsThroughNumberings();
    void mixedParagraphsClearTheirMaskBits();
};

void TestControlFormats::sizesAreStoredInTwips()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("hello world"));
    Select(control, 0, 5);
    CHARFORMAT2 size;
    size.dwMask = CFM_SIZE;
    size.yHeight = 11 * 20;
    QVERIFY(SetCharFormat(control, SCF_SELECTION, size));
    QCOMPARE(CharFormatOf(control).yHeight, 220);
    size.yHeight = 210;
    QVERIFY(SetCharFormat(control, SCF_SELECTION, size));
    // Half points survive: the editor truncates to whole points, the control must not round.
    QCOMPARE(CharFormatOf(control).yHeight, 210);
    QVERIFY(CharFormatOf(control).dwMask & CFM_SIZE);
}

void TestControlFormats::automaticColourReadsAsEffect()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("colour"));
    Select(control, 0, 6);
    QVERIFY(CharFormatOf(control).dwEffects & CFE_AUTOCOLOR);

    CHARFORMAT2 red;
    red.dwMask = CFM_COLOR;
    red.crTextColor = RGB(255, 0, 0);
    QVERIFY(SetCharFormat(control, SCF_SELECTION, red));
    CHARFORMAT2 read = CharFormatOf(control);
    QVERIFY(!(read.dwEffects & CFE_AUTOCOLOR));
    QCOMPARE(read.crTextColor, RGB(255, 0, 0));

    CHARFORMAT2 automatic;
    automatic.dwMask = CFM_COLOR;
    automatic.dwEffects = CFE_AUTOCOLOR;
    QVERIFY(SetCharFormat(control, SCF_SELECTION, automatic));
    QVERIFY(CharFormatOf(control).dwEffects & CFE_AUTOCOLOR);
}

void TestControlFormats::backgroundColourAndAutomaticBackground()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("marked text"));
    Select(control, 0, 6);
    QVERIFY(CharFormatOf(control).dwEffects & CFE_AUTOBACKCOLOR);
    CHARFORMAT2 yellow;
    yellow.dwMask = CFM_BACKCOLOR;
    yellow.crBackColor = RGB(255, 255, 0);
    QVERIFY(SetCharFormat(control, SCF_SELECTION, yellow));
    QCOMPARE(CharFormatOf(control).crBackColor, RGB(255, 255, 0));
    QVERIFY(!(CharFormatOf(control).dwEffects & CFE_AUTOBACKCOLOR));
    yellow.dwEffects = CFE_AUTOBACKCOLOR;
    QVERIFY(SetCharFormat(control, SCF_SELECTION, yellow));
    QVERIFY(CharFormatOf(control).dwEffects & CFE_AUTOBACKCOLOR);
}

void TestControlFormats::stylesSwitchOnAndOff()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("styled"));
    Select(control, 0, 6);
    CHARFORMAT2 styles;
    styles.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
    styles.dwEffects = CFE_BOLD | CFE_UNDERLINE;
    QVERIFY(SetCharFormat(control, SCF_SELECTION, styles));
    QCOMPARE(CharFormatOf(control).dwEffects & 0x0F, DWORD(CFE_BOLD | CFE_UNDERLINE));
    styles.dwEffects = CFE_ITALIC | CFE_STRIKEOUT;
    QVERIFY(SetCharFormat(control, SCF_SELECTION, styles));
    QCOMPARE(CharFormatOf(control).dwEffects & 0x0F, DWORD(CFE_ITALIC | CFE_STRIKEOUT));

    CHARFORMAT2 wave;
    wave.dwMask = CFM_UNDERLINETYPE;
    wave.bUnderlineType = CFU_UNDERLINEWAVE;
    QVERIFY(SetCharFormat(control, SCF_SELECTION, wave));
    QCOMPARE(CharFormatOf(control).bUnderlineType, CFU_UNDERLINEWAVE);
    QVERIFY(CharFormatOf(control).dwEffects & CFE_UNDERLINE);
}

void TestControlFormats::scriptPositionAndWeight()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("H2O"));
    Select(control, 1, 2);
    CHARFORMAT2 script;
    script.dwMask = CFM_SUBSCRIPT;
    script.dwEffects = CFE_SUBSCRIPT;
    QVERIFY(SetCharFormat(control, SCF_SELECTION, script));
    QCOMPARE(CharFormatOf(control).dwEffects & (CFE_SUBSCRIPT | CFE_SUPERSCRIPT), CFE_SUBSCRIPT);
    script.dwEffects = CFE_SUPERSCRIPT;
    QVERIFY(SetCharFormat(control, SCF_SELECTION, script));
    QCOMPARE(CharFormatOf(control).dwEffects & (CFE_SUBSCRIPT | CFE_SUPERSCRIPT), CFE_SUPERSCRIPT);
    script.dwEffects = 0;
    QVERIFY(SetCharFormat(control, SCF_SELECTION, script));
    QCOMPARE(CharFormatOf(control).dwEffects & (CFE_SUBSCRIPT | CFE_SUPERSCRIPT), DWORD(0));

    CHARFORMAT2 weight;
    weight.dwMask = CFM_WEIGHT;
    weight.wWeight = 800;
    QVERIFY(SetCharFormat(control, SCF_SELECTION, weight));
    QCOMPARE(CharFormatOf(control).wWeight, WORD(800));
    QVERIFY(CharFormatOf(control).dwEffects & CFE_BOLD);
}

void TestControlFormats::readMaskOnlyHoldsUniformValues()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("one two"));
    Select(control, 0, 3);
    CHARFORMAT2 bold;
    bold.dwMask = CFM_BOLD | CFM_SIZE;
    bold.dwEffects = CFE_BOLD;
    bold.yHeight = 400;
    QVERIFY(SetCharFormat(control, SCF_SELECTION, bold));
    Select(control, 0, 7);
    const CHARFORMAT2 mixed = CharFormatOf(control);
    QVERIFY(!(mixed.dwMask & CFM_BOLD));
    QVERIFY(!(mixed.dwMask & CFM_SIZE));
    QVERIFY(mixed.dwMask & CFM_ITALIC);
    QVERIFY(mixed.dwMask & CFM_FACE);
}

void TestControlFormats::emptySelectionSetsTheTypingFormat()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("ab"));
    Select(control, 1, 1);
    CHARFORMAT2 bold;
    bold.dwMask = CFM_BOLD;
    bold.dwEffects = CFE_BOLD;
    QVERIFY(SetCharFormat(control, SCF_SELECTION, bold));
    QVERIFY(CharFormatOf(control).dwEffects & CFE_BOLD);
    QTest::keyClicks(&control, QStringLiteral("X"));
    QCOMPARE(control.Text(), QStringLiteral("aXb"));
    Select(control, 1, 2);
    QVERIFY(CharFormatOf(control).dwEffects & CFE_BOLD);
    Select(control, 0, 1);
    QVERIFY(!(CharFormatOf(control).dwEffects & CFE_BOLD));
}

void TestControlFormats::wordScopeTakesTheWordAtTheCaret()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("alpha beta gamma"));
    Select(control, 8, 8);
    CHARFORMAT2 italic;
    italic.dwMask = CFM_ITALIC;
    italic.dwEffects = CFE_ITALIC;
    QVERIFY(SetCharFormat(control, SCF_WORD | SCF_SELECTION, italic));
    Select(control, 6, 10);
    QVERIFY(CharFormatOf(control).dwEffects & CFE_ITALIC);
    QVERIFY(CharFormatOf(control).dwMask & CFM_ITALIC);
    Select(control, 0, 5);
    QVERIFY(!(CharFormatOf(control).dwEffects & CFE_ITALIC));
    Select(control, 11, 16);
    QVERIFY(!(CharFormatOf(control).dwEffects & CFE_ITALIC));
}

void TestControlFormats::defaultScopeChangesTextWithoutOwnFormat()
{
    TRichEditControl control;
    SetUp(control);
    CHARFORMAT2 face;
    face.dwMask = CFM_FACE | CFM_SIZE;
    std::strcpy(face.szFaceName, "Times New Roman");
    face.yHeight = 280;
    QVERIFY(SetCharFormat(control, SCF_DEFAULT, face));
    control.SetText(QStringLiteral("text"));
    Select(control, 0, 4);
    const CHARFORMAT2 read = CharFormatOf(control);
    QCOMPARE(QString::fromUtf8(read.szFaceName), QStringLiteral("Times New Roman"));
    QCOMPARE(read.yHeight, 280);
    QCOMPARE(QString::fromUtf8(CharFormatOf(control, SCF_DEFAULT).szFaceName), QStringLiteral("Times New Roman"));
}

void TestControlFormats::shortRecordIsNotWrittenPastItsSize()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("x"));
    Select(control, 0, 1);
    CHARFORMAT2 record;
    std::memset(static_cast<void*>(&record), 0xAB, sizeof record);
    record.cbSize = SizeOfCharFormatA;
    control.Perform(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&record));
    QCOMPARE(record.cbSize, SizeOfCharFormatA);
    QCOMPARE(record.yHeight, 240);
    const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
    for (size_t i = SizeOfCharFormatA; i < sizeof record; ++i)
        QCOMPARE(int(bytes[i]), 0xAB);

    PARAFORMAT2 paragraph;
    std::memset(static_cast<void*>(&paragraph), 0xCD, sizeof paragraph);
    paragraph.cbSize = SizeOfParaFormat;
    control.Perform(EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&paragraph));
    QCOMPARE(paragraph.wAlignment, PFA_LEFT);
    QCOMPARE(int(reinterpret_cast<const unsigned char*>(&paragraph)[SizeOfParaFormat]), 0xCD);
}

void TestControlFormats::recordWithBadSizeIsRefused()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("x"));
    Select(control, 0, 1);
    CHARFORMAT2 record;
    record.cbSize = 12;
    record.dwMask = CFM_BOLD;
    record.dwEffects = CFE_BOLD;
    QCOMPARE(control.Perform(EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&record)), LRESULT(0));
    QCOMPARE(control.Perform(EM_SETCHARFORMAT, SCF_SELECTION, 0), LRESULT(0));
    QVERIFY(!(CharFormatOf(control).dwEffects & CFE_BOLD));
}

void TestControlFormats::protectedAndCharsetKept()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("abc"));
    Select(control, 0, 3);
    CHARFORMAT2 record;
    record.dwMask = CFM_PROTECTED | CFM_CHARSET;
    record.dwEffects = CFE_PROTECTED;
    record.bCharSet = SYMBOL_CHARSET;
    QVERIFY(SetCharFormat(control, SCF_SELECTION, record));
    const CHARFORMAT2 read = CharFormatOf(control);
    QVERIFY(read.dwEffects & CFE_PROTECTED);
    QCOMPARE(read.bCharSet, SYMBOL_CHARSET);
}

void TestControlFormats::paragraphIndentsAndAlignment()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("first\rsecond\rthird"));
    Select(control, 2, 8);
    PARAFORMAT2 format;
    format.dwMask = PFM_ALIGNMENT | PFM_STARTINDENT | PFM_OFFSET | PFM_RIGHTINDENT;
    format.wAlignment = PFA_CENTER;
    format.dxStartIndent = 720;
    format.dxOffset = -360;
    format.dxRightIndent = 144;
    QVERIFY(SetParaFormat(control, format));
    const PARAFORMAT2 read = ParaFormatOf(control);
    QCOMPARE(read.wAlignment, PFA_CENTER);
    QCOMPARE(read.dxStartIndent, 720);
    QCOMPARE(read.dxOffset, -360);
    QCOMPARE(read.dxRightIndent, 144);
    Select(control, 14, 14);
    QCOMPARE(ParaFormatOf(control).wAlignment, PFA_LEFT);
    QCOMPARE(ParaFormatOf(control).dxStartIndent, 0);
}

void TestControlFormats::paragraphSpacingAndTabs()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("spaced"));
    for (BYTE rule = 0; rule <= 5; ++rule) {
        PARAFORMAT2 format;
        format.dwMask = PFM_LINESPACING | PFM_SPACEBEFORE | PFM_SPACEAFTER | PFM_TABSTOPS;
        format.bLineSpacingRule = rule;
        format.dyLineSpacing = rule == 5 ? 30 : 300;
        format.dySpaceBefore = 120;
        format.dySpaceAfter = 240;
        format.cTabCount = 2;
        format.rgxTabs[0] = 720;
        format.rgxTabs[1] = 1440;
        QVERIFY(SetParaFormat(control, format));
        const PARAFORMAT2 read = ParaFormatOf(control);
        QCOMPARE(read.bLineSpacingRule, rule);
        QCOMPARE(read.dyLineSpacing, format.dyLineSpacing);
        QCOMPARE(read.dySpaceBefore, 120);
        QCOMPARE(read.dySpaceAfter, 240);
        QCOMPARE(read.cTabCount, SHORT(2));
        QCOMPARE(read.rgxTabs[1], 1440);
    }
}

void TestControlFormats::offsetIndentIsRelative()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("indent"));
    PARAFORMAT2 format;
    format.dwMask = PFM_STARTINDENT;
    format.dxStartIndent = 200;
    QVERIFY(SetParaFormat(control, format));
    format.dwMask = PFM_OFFSETINDENT;
    format.dxStartIndent = 100;
    QVERIFY(SetParaFormat(control, format));
    QCOMPARE(ParaFormatOf(control).dxStartIndent, 300);
}

void TestControlFormats::numberingMakesOneListPerRun()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("a\rb\rc\rd"));
    Select(control, 0, 3);
    PARAFORMAT2 format;
    format.dwMask = PFM_NUMBERING | PFM_NUMBERINGSTYLE | PFM_OFFSET;
    format.wNumbering = PFN_ARABIC;
    format.wNumberingStyle = PFNS_PERIOD;
    format.dxOffset = 200;
    QVERIFY(SetParaFormat(control, format));
    QTextBlock first = control.document()->begin();
    QVERIFY(first.textList());
    QCOMPARE(first.textList(), first.next().textList());
    QCOMPARE(first.textList()->format().numberSuffix(), QStringLiteral("."));
    QVERIFY(!first.next().next().textList());
    QCOMPARE(ParaFormatOf(control).wNumbering, PFN_ARABIC);
    QCOMPARE(ParaFormatOf(control).wNumberingStyle, PFNS_PERIOD);

    // The third paragraph joins the list of its neighbours when it gets the same numbering.
    Select(control, 4, 4);
    QVERIFY(SetParaFormat(control, format));
    QCOMPARE(first.textList(), control.document()->findBlock(4).textList());
    QCOMPARE(first.textList()->count(), 3);

    format.dwMask = PFM_NUMBERING;
    format.wNumbering = 0;
    Select(control, 2, 2);
    QVERIFY(SetParaFormat(control, format));
    QVERIFY(!control.document()->findBlock(2).textList());
    QVERIFY(first.textList());
    QVERIFY(first.textList() != control.document()->findBlock(4).textList());
}

void TestControlFormats::ctrlShiftLStepsThroughNumberings()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("item"));
    const WORD expected[] = { PFN_BULLET, PFN_ARABIC, PFN_LCLETTER, PFN_UCLETTER, PFN_LCROMAN, PFN_UCROMAN, 0, PFN_BULLET };
    for (WORD numbering : expected) {
        QTest::keyClick(&control, Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(ParaFormatOf(control).wNumbering, numbering);
    }
    QCOMPARE(control.Text(), QStringLiteral("item"));
}

void TestControlFormats::mixedParagraphsClearTheirMaskBits()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("left\rright"));
    Select(control, 6, 6);
    PARAFORMAT2 format;
    format.dwMask = PFM_ALIGNMENT;
    format.wAlignment = PFA_RIGHT;
    QVERIFY(SetParaFormat(control, format));
    Select(control, 0, 10);
    const PARAFORMAT2 read = ParaFormatOf(control);
    QVERIFY(!(read.dwMask & PFM_ALIGNMENT));
    QVERIFY(read.dwMask & PFM_STARTINDENT);
}

QTEST_MAIN(TestControlFormats)
#include "tst_control_formats.moc"
