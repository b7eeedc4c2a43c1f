#pragma once
// The document model behind the rich edit control, shared by the control, its RTF reader and writer
// and (later) its page layout.
//
// Text: one QTextDocument. A paragraph is a block; the control's CR between paragraphs is the block
// separator. A line break inside a paragraph (\line, the control's VT) is U+2028. An embedded object is
// one U+FFFC with an object format. A table is a QTextTable; each cell's frame mark is one character, so
// a cell end counts once, as a paragraph break does. Tables nest inside cells.
// A page break (\page) sets PageBreak_AlwaysBefore on the paragraph that follows it.
//
// Formats: the twips properties below are the truth that the control's records read and write; the
// Qt properties (point size, margins in pixels, alignment, list) are derived from them for display.
// A colour is automatic when the foreground brush is absent or Qt::NoBrush; the same for the background.
#include "GdiColors.h"
#include "WinTypes.h"

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QSize>
#include <QString>
#include <QTextFormat>

#include <array>

class QTextBlockFormat;
class QTextCharFormat;
class QTextBlock;
class QTextDocument;
class QTextListFormat;

namespace RichText {

enum Property : int {
    // Characters.
    Charset = QTextFormat::UserProperty + 1, // int, the character-set byte (absent: DEFAULT_CHARSET)
    PitchAndFamily, // int, the platform's pitch-and-family byte
    Protected, // bool
    UnderlineType, // int, CFU_* (absent: from the Qt underline)
    OffsetTwips, // int, raised (positive) or lowered baseline, \up and \dn
    // Paragraphs, all lengths in twips.
    StartIndent, // int, first line from the left margin
    Offset, // int, following lines relative to the first
    RightIndent, // int
    SpaceBefore, // int
    SpaceAfter, // int
    LineSpacing, // int, dyLineSpacing
    LineSpacingRule, // int, 0..5
    Numbering, // int, 0 none, PFN_*
    NumberingStyle, // int, PFNS_*
    NumberingStart, // int
    NumberingTab, // int, twips
    TabStops, // QList<int>, twips
    ParagraphBorders, // QString, EncodeParagraphBorders; the shading is the block's background
    NumberingBullet, // QString, a bullet list's marker other than "•"
    // Tables (on the table's format), twips.
    // Lists (on the list's format) that start elsewhere than 1.
    ListNumbering = QTextFormat::UserProperty + 24, // int, PFN_*
    ListNumberingStyle, // int, PFNS_*
    ListNumberingStart, // int
    ListBullet, // QString, the marker of a bullet list drawn by us
    // Lists read from a file's list table: the file's list (\ls) and the level of it, so that a
    // save writes the levels of one outline as one list again.
    ListOutline, // qint64, unique to the read
    ListLevel, // int, 0-8
    TableCellRights = QTextFormat::UserProperty + 32, // QList<int>, \cellx of each column
    TableLeft, // int, \trleft
    TableGap, // int, \trgaph: half the space between cells
    // Objects (U+FFFC characters).
    ObjectData = QTextFormat::UserProperty + 64, // QByteArray, the picture's bytes
    ObjectKind, // int, TObjectKind
    ObjectWidthTwips, // int, natural size
    ObjectHeightTwips, // int
    HiddenText, // QString, on a HiddenTextFormat object
    // Characters of a field's result other than a hyperlink's: the field's instruction ("PAGE",
    // "MERGEFIELD Name" ...), so that a save writes the field again and not its last result.
    FieldInstruction = QTextFormat::UserProperty + 80, // QString
    // A number made of the numbers of several levels ("2.1.", "II-3"): the text with U+E000 + level
    // for each level's number, on the paragraph (NumberingTemplate) and on its list (ListNumberTemplate).
    NumberingTemplate = QTextFormat::UserProperty + 81, // QString
    ListNumberTemplate = QTextFormat::UserProperty + 82, // QString
};

enum class TObjectKind : int { Unknown = 0, Emf = 1, Png = 2, Jpeg = 3, Bitmap = 4, Wmf = 5 };

// Object type registered with the document layout for embedded objects.
constexpr int ObjectTextFormat = QTextFormat::UserObject + 1;
// Hidden text (\v) is kept as one object character of no size that holds it (HiddenText), so it
// takes no room on screen or paper and is written back as it was read.
constexpr int HiddenTextFormat = QTextFormat::UserObject + 2;

// An embedded picture: the bytes of a metafile or bitmap file and its natural size.
struct TPicture {
    TObjectKind kind = TObjectKind::Unknown;
    QByteArray data;
    QSize sizeTwips;
    bool IsValid() const { return kind != TObjectKind::Unknown && !data.isEmpty() && !sizeTwips.isEmpty(); }
};

// The character format of the object character that holds a picture, over the text's own format.
QTextCharFormat FormatForPicture(const TPicture& picture, const QTextCharFormat& base);
TPicture PictureFromFormat(const QTextFormat& format);

constexpr QChar ParagraphBreak = QChar(0x2029);
constexpr QChar LineBreak = QChar(0x2028);
constexpr QChar ObjectCharacter = QChar(0xFFFC);

// Pixels per inch of the document's own layout (the screen view); layout for devices uses twips.
constexpr int DisplayDpi = 96;

inline double PixelsFromTwips(int twips) { return twips * double(DisplayDpi) / 1440.0; }

// Recomputes the Qt display properties of a paragraph format from its twips properties.
void ApplyDisplayProperties(QTextBlockFormat& format);

// The list that shows paragraphs of a numbering (PFN_*) in a numbering style (PFNS_*).
QTextListFormat ListFormatFor(int numbering, int style, int start = 1, const QString& bullet = QString(),
    const QString& numberTemplate = QString());
// The marker of item number of a numbered paragraph, with the style's parentheses or period.
QString NumberText(int numbering, int style, int number);

// How a document's pages were set up where it came from (twips: paper width and height, left,
// right, top and bottom margins; then 1 for landscape); -1 where it said nothing. The view does not
// use it; it is kept so that a save gives it back.
enum TPageSetupField { PagePaperWidth, PagePaperHeight, PageMarginLeft, PageMarginRight, PageMarginTop,
    PageMarginBottom, PageLandscape, PageSetupFields };
using TPageSetup = std::array<int, PageSetupFields>;
TPageSetup NoPageSetup();
TPageSetup PageSetupOf(const QTextDocument& document);
void SetPageSetup(QTextDocument& document, const TPageSetup& setup);

// Header and footer groups of a read document as its file wrote them, with the fonts and colours
// their numbers stood for there. The view does not show them; a save writes them back.
struct TKeptFont {
    QString name;
    int charset = -1; // -1 when the file did not say
    int pitchAndFamily = -1;
};
struct TKeptGroups {
    QByteArray rtf; // the groups, one after another
    QHash<int, TKeptFont> fonts;
    QHash<int, QRgb> colors; // a number missing here is the automatic colour
};
TKeptGroups KeptGroupsOf(const QTextDocument& document);
void SetKeptGroups(QTextDocument& document, const TKeptGroups& groups);

// A paragraph's border on one side, kept to be written back (the window does not draw it).
struct TParagraphBorder {
    int style = 0; // 0 none, else an index + 1 of ParagraphBorderStyles
    int width = 0; // twips
    int color = -1; // RGB; -1 automatic
    int space = 0; // twips between border and text, \brsp
    bool operator==(const TParagraphBorder&) const = default;
};
using TParagraphBorders = std::array<TParagraphBorder, 4>; // top, left, bottom, right
// The border kinds kept, by their RTF words without "brdr": s, th, db, dot, dash, hair.
extern const char* const ParagraphBorderStyles[6];
QString EncodeParagraphBorders(const TParagraphBorders& borders);
TParagraphBorders DecodeParagraphBorders(const QString& text);

// The format a list paragraph's marker is drawn in: that of its first character, else its mark's.
QTextCharFormat MarkerCharFormat(const QTextBlock& block);

// The marker a list paragraph shows ("•", "1.", "a)" ...); empty outside lists.
QString ListMarkerText(const QTextBlock& block);

// Underline types (CFU_*) and the Qt underline styles that show them.
QTextCharFormat::UnderlineStyle QtUnderlineFromType(int type);
int UnderlineTypeFromQt(int style);

// The text of the document as the control counts it: CR between paragraphs, VT for line breaks.
QString ControlTextFromDocumentText(QString text);

// The control's text of the characters [start, end) of the document: CR between paragraphs, VT for
// line breaks, a tab for the end of a cell that its row goes on after and CR for the end of a row, so
// that one character stands for each character position. With cellLines false, the paragraph breaks
// inside a cell become spaces, so that each row is one line.
QString ControlTextOfRange(const QTextDocument& document, int start, int end, bool cellLines = true);
QString DocumentTextFromControlText(QString text);

} // namespace RichText
