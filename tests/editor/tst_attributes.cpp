// Character and paragraph attributes of the editor, read and written in points.
#include "RtRichEd.h"

#include <QTest>

class TestAttributes : public QObject {
    Q_OBJECT
private slots:
    void sizeIsWrittenInTwipsAndReadTruncated();
    void colourAutomaticAndRgb();
    void backgroundColour();
    void styleSwitchesAbsentStylesOff();
    void scriptPosition();
    void wordAttributesTakeTheWordAtTheCaret();
    void fontAssignmentSendsOneFormat();
    void copyingAnotherAttributesObject();
    void defaultAttributesFollowTheFont();
    void numberingMovesTheOffset();
    void alignmentAndIndentsInPoints();
    void lineSpacingKeepsItsRule();
};

static void Select(TRtRichEdit& editor, int start, int length)
{
    editor.SetSelectionStart(start);
    editor.SetSelectionLength(length);
}

void TestAttributes::sizeIsWrittenInTwipsAndReadTruncated()
{
    TRtRichEdit editor;
    editor.SetSelectedText(QStringLiteral("sized text"));
    Select(editor, 0, 5);
    editor.SelectionAttributes().SetSize(11);
    CHARFORMAT2 format;
    editor.Perform(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    QCOMPARE(format.yHeight, 220);
    CHARFORMAT2 half;
    half.dwMask = CFM_SIZE;
    half.yHeight = 210;
    editor.Perform(EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&half));
    // This was 11 when 10.5 points were rounded, not truncated.
    QCOMPARE(editor.SelectionAttributes().Size(), 10);
}

void TestAttributes::colourAutomaticAndRgb()
{
    TRtRichEdit editor;
    editor.SetSelectedText(QStringLiteral("colour"));
    Select(editor, 0, 6);
    QCOMPARE(editor.SelectionAttributes().Color(), clWindowText);
    editor.SelectionAttributes().SetColor(RGB(0, 128, 0));
    QCOMPARE(editor.SelectionAttributes().Color(), RGB(0, 128, 0));
    editor.SelectionAttributes().SetColor(clWindowText);
    QCOMPARE(editor.SelectionAttributes().Color(), clWindowText);
    editor.SelectionAttributes().SetColor(RGB(1, 2, 3));
    editor.SelectionAttributes().SetColor(clDefault);
    QCOMPARE(editor.SelectionAttributes().Color(), clWindowText);
}

void TestAttributes::backgroundColour()
{
    TRtRichEdit editor;
    editor.SetSelectedText(QStringLiteral("marked"));
    Select(editor, 0, 6);
    QCOMPARE(editor.SelectionAttributes().BackColor(), clWindow);
    editor.SelectionAttributes().SetBackColor(RGB(255, 255, 0));
    QCOMPARE(editor.SelectionAttributes().BackColor(), RGB(255, 255, 0));
    editor.SelectionAttributes().SetBackColor(clWindow);
    QCOMPARE(editor.SelectionAttributes().BackColor(), clWindow);
}

void TestAttributes::styleSwitchesAbsentStylesOff()
{
    TRtRichEdit editor;
    editor.SetSelectedText(QStringLiteral("styled"));
    Select(editor, 0, 6);
    editor.SelectionAttributes().SetStyle({ TFontStyle::fsBold, TFontStyle::fsUnderline });
    QVERIFY(editor.SelectionAttributes().Style() == TFontStyles({ TFontStyle::fsBold, TFontStyle::fsUnderline }));
    editor.SelectionAttributes().SetStyle({ TFontStyle::fsItalic });
    QVERIFY(editor.SelectionAttributes().Style() == TFontStyles({ TFontStyle::fsItalic }));
}

void TestAttributes::scriptPosition()
{
    TRtRichEdit editor;
    editor.SetSelectedText(QStringLiteral("x2"));
    Select(editor, 1, 1);
    editor.SelectionAttributes().SetScriptPosition(TScriptPosition::spSuperscript);
    QCOMPARE(editor.SelectionAttributes().ScriptPosition(), TScriptPosition::spSuperscript);
    editor.SelectionAttributes().SetScriptPosition(TScriptPosition::spSubscript);
    QCOMPARE(editor.SelectionAttributes().ScriptPosition(), TScriptPosition::spSubscript);
    editor.SelectionAttributes().SetScriptPosition(TScriptPosition::spNormal);
    QCOMPARE(editor.SelectionAttributes().ScriptPosition(), TScriptPosition::spNormal);
}

void TestAttributes::wordAttributesTakeTheWordAtTheCaret()
{
    TRtRichEdit editor;
    editor.SetSelectedText(QStringLiteral("one two three"));
    editor.SetSelectionStart(5);
    editor.CaretWordAttributes().SetStyle({ TFontStyle::fsBold });
    Select(editor, 4, 3);
    QVERIFY(editor.SelectionAttributes().Style().Contains(TFontStyle::fsBold));
    Select(editor, 0, 3);
    QVERIFY(!editor.SelectionAttributes().Style().Contains(TFontStyle::fsBold));
}

void TestAttributes::fontAssignmentSendsOneFormat()
{
    TRtRichEdit editor;
    editor.SetSelectedText(QStringLiteral("font"));
    Select(editor, 0, 4);
    TFont font;
    font.Name = QStringLiteral("Times New Roman");
    font.Size = 14;
    font.Style = { TFontStyle::fsItalic };
    font.Color = RGB(200, 0, 0);
    font.Charset = ANSI_CHARSET;
    editor.SelectionAttributes().Assign(font);
    TFont read;
    editor.SelectionAttributes().AssignTo(read);
    QCOMPARE(read.Name, font.Name);
    QCOMPARE(read.Size, 14);
    QVERIFY(read.Style == font.Style);
    QCOMPARE(read.Color, font.Color);
}

void TestAttributes::copyingAnotherAttributesObject()
{
    TRtRichEdit editor;
    editor.SetSelectedText(QStringLiteral("source target"));
    Select(editor, 0, 6);
    editor.SelectionAttributes().SetSize(20);
    editor.SelectionAttributes().SetColor(RGB(0, 0, 255));
    TRtRichEdit other;
    other.SetSelectedText(QStringLiteral("copy"));
    Select(other, 0, 4);
    other.SelectionAttributes().Assign(editor.SelectionAttributes());
    QCOMPARE(other.SelectionAttributes().Size(), 20);
    QCOMPARE(other.SelectionAttributes().Color(), RGB(0, 0, 255));
}

void TestAttributes::defaultAttributesFollowTheFont()
{
    TRtRichEdit editor;
    TFont font;
    font.Name = QStringLiteral("Arial");
    font.Size = 12;
    editor.SetFont(font);
    QCOMPARE(editor.DefaultAttributes().Name(), QStringLiteral("Arial"));
    QCOMPARE(editor.DefaultAttributes().Size(), 12);
    editor.SetSelectedText(QStringLiteral("typed"));
    Select(editor, 0, 5);
    QCOMPARE(editor.SelectionAttributes().Size(), 12);
}

void TestAttributes::numberingMovesTheOffset()
{
    TRtRichEdit editor;
    editor.SetSelectedText(QStringLiteral("item"));
    QCOMPARE(editor.ParagraphAttributes().Offset(), 0);
    editor.ParagraphAttributes().SetNumbering(TRtNumberingStyle::nsBullet);
    QCOMPARE(editor.ParagraphAttributes().Numbering(), TRtNumberingStyle::nsBullet);
    QCOMPARE(editor.ParagraphAttributes().Offset(), 10);
    editor.ParagraphAttributes().SetOffset(25);
    editor.ParagraphAttributes().SetNumbering(TRtNumberingStyle::nsArabic);
    QCOMPARE(editor.ParagraphAttributes().Offset(), 25);
    editor.ParagraphAttributes().SetNumbering(TRtNumberingStyle::nsNone);
    QCOMPARE(editor.ParagraphAttributes().Offset(), 0);
    QCOMPARE(editor.ParagraphAttributes().Numbering(), TRtNumberingStyle::nsNone);
}

void TestAttributes::alignmentAndIndentsInPoints()
{
    TRtRichEdit editor;
    editor.SetSelectedText(QStringLiteral("paragraph"));
    editor.ParagraphAttributes().SetAlignment(TAlignment::taRightJustify);
    QCOMPARE(editor.ParagraphAttributes().Alignment(), TAlignment::taRightJustify);
    editor.ParagraphAttributes().SetAlignment(TAlignment::taJustify);
    QCOMPARE(editor.ParagraphAttributes().Alignment(), TAlignment::taJustify);
    editor.ParagraphAttributes().SetStartIndent(36);
    editor.ParagraphAttributes().SetRightIndent(18);
    QCOMPARE(editor.ParagraphAttributes().StartIndent(), 36);
    QCOMPARE(editor.ParagraphAttributes().RightIndent(), 18);
    PARAFORMAT2 format;
    editor.Perform(EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format));
    QCOMPARE(format.dxStartIndent, 720);
}

void TestAttributes::lineSpacingKeepsItsRule()
{
    TRtRichEdit editor;
    editor.SetSelectedText(QStringLiteral("spacing"));
    editor.ParagraphAttributes().SetLineSpacingRule(4);
    editor.ParagraphAttributes().SetLineSpacing(18);
    QCOMPARE(editor.ParagraphAttributes().LineSpacingRule(), 4);
    QCOMPARE(editor.ParagraphAttributes().LineSpacing(), 18);
    editor.ParagraphAttributes().SetLineSpacingRule(1);
    QCOMPARE(editor.ParagraphAttributes().LineSpacing(), 18);
    QCOMPARE(editor.ParagraphAttributes().LineSpacingRule(), 1);
}

QTEST_MAIN(TestAttributes)
#include "tst_attributes.moc"
