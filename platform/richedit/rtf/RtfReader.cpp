// RtfReader.cpp: RTF to the document model. The tokenizer splits the bytes; TRtfParser keeps a stack of
// group states (destination, character and paragraph formatting) and feeds a QTextCursor.
#include "RtfReader.h"

#include "RtfPicture.h"

#include "Errors.h"
#include "RichEditRecords.h"
#include "RichTextFormat.h"
#include "RtfCodePages.h"
#include "RtfKeywords.h"
#include "RtfTokenizer.h"

#include <QHash>
#include <QPointer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>

#include <algorithm>
#include <atomic>
#include <string>
#include <array>
#include <vector>

namespace {

constexpr int MaxGroupDepth = 1000;
constexpr int MaxFieldDepth = 32;
constexpr int MaxLength = 31680; // twips, 22 inches: more than any page
constexpr int MaxHalfPoints = 3276; // 1638 points, the largest size the platform accepts
constexpr int MaxPageTwips = 31680 * 4; // far beyond any paper: 88 inches
constexpr int MaxUnicodeSkip = 16;
constexpr int MaxTableEntries = 16384; // fonts, colours, lists and list overrides each
constexpr int MaxListLevels = 9;
constexpr int MaxShortText = 256; // font names, level texts, numbering texts
constexpr int MaxInstruction = 4096;
constexpr qsizetype MaxKeptBytes = 16 * 1024 * 1024; // headers and footers kept for the next save
constexpr int MaxCachedFormats = 65536;
constexpr char16_t LineSeparator = 0x2028;
constexpr int MaxTableColumns = 63; // as many cells as other word processors allow in a row
constexpr int MaxTableNesting = 8;
constexpr int MaxBorderTwips = 75;

enum class TDestination : int {
    dsText = 0,
    dsSkip = 1,
    dsFontTable = 2,
    dsColorTable = 3,
    dsFieldInstruction = 4,
    dsListTable = 5,
    dsList = 6,
    dsListLevel = 7,
    dsLevelText = 8,
    dsListOverrideTable = 9,
    dsListOverride = 10,
    dsNumbering = 11,
    dsNumberingBefore = 12,
    dsNumberingAfter = 13,
    dsObject = 14, // an object's wrapper: only its \result is text
    dsUnicodePair = 15, // \upr: only its \ud is text
    dsPicture = 16,
    dsNestTableProps = 17, // a nested row's definition: its words count, its text does not
    dsStyleSheet = 18, // the style table: its entries are groups
    dsStyle = 19, // one style: its words make the style, its text is the style's name
    dsShape = 20, // \shp: its picture property, or else its \shprslt, is document
    dsShapeInstance = 21, // the shape's properties: {\sp{\sn name}{\sv value}}
    dsShapeName = 22, // a property's name
};

struct TCharState {
    int font = -1; // \f number; -1 keeps the default format's family
    int halfPoints = 24;
    int color = -1; // colour table index; -1 automatic
    int background = 0; // colour table index; 0 none
    int underline = CFU_UNDERLINENONE;
    int offsetTwips = 0;
    int link = -1; // index of the hyperlink target
    int field = -1; // index of the instruction of the field whose result this is
    int vertical = 0; // 0 baseline, 1 superscript, 2 subscript
    int capitals = 0; // 0 as typed, 1 all capitals, 2 small capitals
    bool bold = false;
    bool italic = false;
    bool strike = false;
    bool protect = false;
    bool hidden = false;
    bool operator==(const TCharState&) const = default;
};

size_t qHash(const TCharState& s, size_t seed = 0)
{
    return qHashMulti(seed, s.font, s.halfPoints, s.color, s.background, s.underline, s.offsetTwips, s.link * 31 + s.field,
        s.vertical * 4 + s.capitals, int(s.bold) | int(s.italic) << 1 | int(s.strike) << 2 | int(s.protect) << 3);
}

struct TNumbering {
    int numbering = 0; // PFN_*, 0 none
    int style = 0; // PFNS_*
    int start = -1; // -1 unset
    int tab = 0;
    QString bullet; // a marker other than "•"; empty for it
    QString numberTemplate; // RichText::NumberingTemplate; empty for a number of its own level only
    bool operator==(const TNumbering&) const = default;
};

struct TParaState {
    int alignment = 0; // 0 left, 1 right, 2 centre, 3 justified
    int leftIndent = 0;
    int firstIndent = 0;
    int rightIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    int lineSpacing = 0;
    bool lineMultiple = false;
    bool inTable = false;
    int nesting = 0; // \itap
    bool pageBreakBefore = false;
    TNumbering numbering; // from \pn
    int listOverride = 0; // \ls
    int listLevel = 0; // \ilvl
    int tabCount = 0;
    std::array<int, MAX_TAB_STOPS> tabs {};
    std::array<RichText::TParagraphBorder, 4> borders {}; // colours as colour table indexes here
    int background = -1; // \cbpat colour table index
    int patternColor = -1; // \cfpat
    int shading = 0; // \shading, in hundredths of a percent of the pattern colour
    bool operator==(const TParaState&) const = default;
};

size_t qHash(const TParaState& s, size_t seed = 0)
{
    seed = qHashMulti(seed, s.alignment, s.leftIndent, s.firstIndent, s.rightIndent, s.spaceBefore, s.spaceAfter,
        s.lineSpacing, int(s.lineMultiple) | int(s.inTable) << 1 | int(s.pageBreakBefore) << 2, s.numbering.numbering,
        s.numbering.style, s.numbering.start, s.numbering.tab, s.listOverride, s.listLevel, s.numbering.bullet);
    for (const RichText::TParagraphBorder& side : s.borders)
        seed = qHashMulti(seed, side.style, side.width, side.color, side.space);
    seed = qHashMulti(seed, s.background, s.patternColor, s.shading);
    return qHashRange(s.tabs.begin(), s.tabs.begin() + s.tabCount, seed);
}

struct TGroupState {
    TCharState chars;
    TParaState para;
    TDestination destination = TDestination::dsText;
    int style = -1; // in a style entry: its \s or \cs number
    bool characterStyle = false;
    int unicodeSkip = 1;
    int codePage = CpAnsi;
    const TSingleByteTable* table = nullptr; // null for a multi-byte code page
};

struct TFontEntry {
    QString name;
    QByteArray pendingBytes; // name bytes not yet decoded
    int charset = -1; // -1 when \fcharset is missing
    int pitchAndFamily = -1; // -1 when neither \fprq nor a family is given
    int codePage = 0; // \cpg, 0 when missing
};

// The nesting level of the table cell a paragraph belongs to, 0 outside tables.
int TableDepth(const TParaState& para)
{
    return std::min(para.nesting > 0 ? para.nesting : (para.inTable ? 1 : 0), MaxTableNesting);
}

struct TBorderDef {
    int width = -1; // twips; -1 when the side was not described
    Qt::PenStyle style = Qt::NoPen;
    int color = 0; // colour table index, 0 automatic
};

struct TCellDef {
    int right = 0; // \cellx
    int mergeHorizontal = 0; // 1 first of a merged run, 2 merged into the cell before
    int mergeVertical = 0; // the same, downwards
    std::array<TBorderDef, 4> borders {}; // top, left, bottom, right
    int background = -1; // colour table index
    int shading = 0; // hundredths of a percent
    int vertical = 0; // 0 top, 1 centre, 2 bottom
};

struct TRowDef {
    std::vector<TCellDef> cells;
    int alignment = 0; // 0 left, 1 centre, 2 right
    int left = 0;
    int gap = 0;
};

// A table being read: the cursor is in one of its cells while cellOpen.
struct TOpenTable {
    QTextTable* table = nullptr;
    int row = 0;
    int column = -1; // last cell used in the row
    bool cellOpen = false;
    bool rowEnded = false;
    bool shaped = false; // the first row gave the table its format
    int left = 0; // twips, the left edge of the grid
    std::vector<int> bounds; // twips, the right edge of each column known so far
    std::vector<int> mergeFrom; // per column: the row a vertical merge started at, -1 none
    std::vector<int> place; // the column each cell of the row goes to, from the row's definition
    std::vector<int> current; // the column each cell of the row went to
};

struct TListLevel {
    int numbering = PFN_ARABIC;
    int style = PFNS_PERIOD;
    int start = 1;
    QString bullet; // the marker of a level without a number
    QString numberTemplate; // RichText::NumberingTemplate of a number with higher levels' numbers
};

struct TList {
    int id = 0;
    std::vector<TListLevel> levels;
};

struct TField {
    std::size_t depth = 0; // group depth of the \field
    bool inInstruction = false; // a field inside another field's instruction
    QString instruction;
};

struct TPendingNumbering {
    bool bullet = false;
    bool body = false;
    int format = 0;
    int start = -1;
    int indent = 0;
    QString before;
    QString after;
};

// Ends the edit block whatever way the read ends.
class TEditBlock {
public:
    explicit TEditBlock(QTextCursor& cursor)
        : FCursor(cursor)
    {
        FCursor.beginEditBlock();
    }
    ~TEditBlock() { FCursor.endEditBlock(); }
    TEditBlock(const TEditBlock&) = delete;
    TEditBlock& operator=(const TEditBlock&) = delete;

private:
    QTextCursor& FCursor;
};

int Clamp(int value, int low, int high) { return std::clamp(value, low, high); }

// Control characters, and characters the document gives a meaning of its own (paragraph and frame
// marks, the object character), are not text of a run.
bool IsTextCharacter(char16_t c)
{
    return (c >= 0x20 || c == u'\t') && c != 0x2029 && c != 0xFDD0 && c != 0xFDD1 && c != 0xFFFC;
}
int Length(int twips) { return Clamp(twips, -MaxLength, MaxLength); }

int StyleFromTexts(const QString& before, const QString& after)
{
    if (after.startsWith(u'.'))
        return PFNS_PERIOD;
    if (after.startsWith(u')'))
        return before.endsWith(u'(') ? PFNS_PARENS : PFNS_PAREN;
    return PFNS_PLAIN;
}

int NumberingFromLevelFormat(int format)
{
    switch (format) {
    case 1:
        return PFN_UCROMAN;
    case 2:
        return PFN_LCROMAN;
    case 3:
        return PFN_UCLETTER;
    case 4:
        return PFN_LCLETTER;
    case 23:
        return PFN_BULLET;
    case 255:
        return 0;
    default:
        return PFN_ARABIC;
    }
}

qint64 NextReadNumber()
{
    static std::atomic<qint64> count { 0 };
    return ++count;
}

// Fields whose result is a few words within a paragraph, kept as fields. Others (a table of contents,
// an index) span paragraphs and are kept as their text.
bool IsInlineField(const QString& instruction)
{
    static const QStringList Kinds { "PAGE", "NUMPAGES", "SECTIONPAGES", "SECTION", "DATE", "TIME", "CREATEDATE",
        "SAVEDATE", "PRINTDATE", "EDITTIME", "AUTHOR", "TITLE", "SUBJECT", "KEYWORDS", "COMMENTS", "FILENAME",
        "FILESIZE", "LASTSAVEDBY", "NUMCHARS", "NUMWORDS", "REF", "PAGEREF", "NOTEREF", "SEQ", "STYLEREF",
        "DOCPROPERTY", "USERNAME", "USERINITIALS", "MERGEFIELD" };
    const QString text = instruction.trimmed();
    const qsizetype end = text.indexOf(u' ');
    return Kinds.contains(end < 0 ? text : text.left(end), Qt::CaseInsensitive);
}

// The target of a HYPERLINK field instruction, empty for other fields.
QString HyperlinkTarget(const QString& instruction)
{
    const QString text = instruction.trimmed();
    if (!text.startsWith(QLatin1String("HYPERLINK"), Qt::CaseInsensitive))
        return {};
    QStringList arguments;
    qsizetype i = 9;
    while (i < text.size()) {
        if (text[i].isSpace()) {
            ++i;
        } else if (text[i] == u'"') {
            const qsizetype end = text.indexOf(u'"', i + 1);
            arguments.append(text.mid(i + 1, end < 0 ? -1 : end - i - 1));
            i = end < 0 ? text.size() : end + 1;
        } else {
            qsizetype end = i;
            while (end < text.size() && !text[end].isSpace())
                ++end;
            arguments.append(text.mid(i, end - i));
            i = end;
        }
    }
    QString url;
    QString anchor;
    for (qsizetype n = 0; n < arguments.size(); ++n) {
        const QString& argument = arguments[n];
        if (argument.startsWith(u'\\') && argument.size() == 2) {
            const QChar option = argument[1].toLower();
            if (option == u'l' && n + 1 < arguments.size())
                anchor = arguments[++n];
            else if ((option == u'o' || option == u't') && n + 1 < arguments.size())
                ++n;
        } else if (url.isEmpty()) {
            url = argument;
        }
    }
    if (!anchor.isEmpty())
        url += u'#' + anchor;
    return url;
}

class TRtfParser {
public:
    TRtfParser(const QByteArray& rtf, QTextCursor& cursor, const TRtfReadOptions& options);
    void Run();

private:
    TGroupState& Top() { return FStack.back(); }
    void SetDestination(TDestination destination) { Top().destination = destination; }

    // Groups.
    void PushGroup();
    bool PopGroup();
    void GroupEnded(const TGroupState& ended);

    // Tokens.
    bool SkipFallback(TRtfToken& token);
    void ControlWord(const TRtfToken& token);
    void ControlSymbol(unsigned char symbol);
    void Text(std::string_view bytes);
    void HexByte(unsigned char value);

    // Keywords by destination.
    void DocumentWord(TRtfKeyword keyword, int parameter, bool hasParameter);
    void FontTableWord(TRtfKeyword keyword, int parameter);
    void ColorTableWord(TRtfKeyword keyword, int parameter);
    void ListTableWord(TRtfKeyword keyword, int parameter);
    void NumberingWord(TRtfKeyword keyword, int parameter);
    bool CharacterWord(TRtfKeyword keyword, int parameter, bool hasParameter);
    bool ParagraphWord(TRtfKeyword keyword, int parameter, bool hasParameter);
    bool SpecialWord(TRtfKeyword keyword, int parameter, bool hasParameter);

    // Text.
    void AppendText(QStringView text);
    void AppendCharacter(char16_t character) { AppendText(QStringView(&character, 1)); }
    void DecodeSingleByte(std::string_view bytes, QString& target);
    void FlushBytes();
    QString* BodyRun();
    void CheckLimit();
    void FlushRun();

    // Paragraphs.
    void EndParagraph();
    void FinishBlock();
    TNumbering ResolveNumbering(const TParaState& para) const;
    const QTextBlockFormat& BlockFormat(const TParaState& para, const TNumbering& numbering, bool pageBreak);
    const QTextCharFormat& CharFormat(const TCharState& chars);
    void PictureWord(TRtfKeyword keyword, int parameter);
    bool TableWord(TRtfKeyword keyword, int parameter, bool hasParameter);
    bool ParagraphBorderWord(TRtfKeyword keyword, int parameter);

    // Tables.
    bool EnterDepth();
    void EnsureCell(int depth);
    void OpenCell(TOpenTable& open);
    void OpenTable();
    void CloseTable();
    void EndCell(int depth);
    void EndRow(int depth);
    void ShapeRow(TOpenTable& open, const TRowDef& definition);
    void LayRow(TOpenTable& open, const TRowDef& definition, std::vector<int>& current, std::vector<int>& first,
        std::vector<int>& end);
    void WidenTable(TOpenTable& open);
    QColor ColorAt(int index) const;
    bool TakeCharacter();
    void FinishPicture(const TGroupState& ended);

    // Tables of the document.
    void DecodeFontName();
    void FinishFontEntry();
    void FinishColor();
    void FinishLevelText();
    void FinishNumbering();
    void SetDocumentCodePage(int codePage);
    void UpdateCodePage(TGroupState& state) const;
    int FontCodePage(int font) const;

    // Header and footer groups, kept as written.
    void StartKeeping(std::string_view word);
    void FinishKeeping();

    std::string_view FData;
    TRtfTokenizer FTokenizer;
    std::size_t FGroupStart = 0; // where the group opened last began
    std::size_t FKeepStart = std::string_view::npos; // where the header or footer being skipped began
    QByteArray FKept;
    QTextCursor& FCursor;
    const TRtfReadOptions& FOptions;
    TMultiByteDecoder FMultiByte;

    std::vector<TGroupState> FStack;
    int FOverflowDepth = 0; // groups beyond MaxGroupDepth, read with their parent's state
    int FSkipDepth = 0; // groups inside a skipped destination
    int FFallbackLeft = 0; // characters of a \u fallback still to skip
    bool FIgnorable = false; // after \*

    int FDocumentCodePage = CpAnsi;
    TCharState FPlainChars;

    struct TStyle {
        TCharState chars;
        TParaState para;
        bool characterStyle = false;
    };
    QHash<int, TStyle> FStyles; // paragraph styles by \s number, character styles by 100000 + \cs
    void StyleWord(TRtfKeyword keyword, int parameter, bool hasParameter);
    void ApplyStyle(int key, TGroupState& state);

    QHash<int, TFontEntry> FFonts;
    int FFontNumber = -1; // the font table entry being read
    TFontEntry FFontEntry;
    std::vector<QColor> FColors; // invalid for the automatic colour
    int FRed = -1, FGreen = -1, FBlue = -1;
    std::vector<TList> FLists;
    QHash<int, std::size_t> FListById;
    QHash<int, int> FListOverrides; // \ls to \listid
    int FOverrideList = 0, FOverrideNumber = 0;
    // The restarts of the list override being read, by level; -1 where the level counts on.
    int FOverrideLevel = -1;
    bool FOverrideRestarts = false;
    std::array<int, MaxListLevels> FOverrideStarts {};
    QHash<int, std::array<int, MaxListLevels>> FOverrideStartsByNumber;
    QString FLevelText;
    TPendingNumbering FPendingNumbering;
    std::vector<TField> FFields;
    QStringList FLinks;
    QStringList FFieldInstructions;
    // Lists of one read only are levels of one outline: a pasted list is not one of the document's.
    const qint64 FReadNumber = NextReadNumber();
    QHash<QString, int> FFieldInstructionIndex;
    int FFootnotes = 0;

    QByteArray FPendingBytes; // multi-byte text waiting for the rest of its characters
    int FPendingCodePage = 0;
    QString FScratch;
    QString FRun; // text of FRunState not yet inserted
    TCharState FRunState;
    QHash<TCharState, QTextCharFormat> FCharFormats;
    QHash<TParaState, QTextBlockFormat> FBlockFormats;

    qsizetype FCharactersLeft;
    bool FLimitReached = false;
    TRtfPictureGroup FPicture;
    bool FPictureTaken = false; // a \shppict gave its picture, so the \nonshppict after it is not needed
    std::string FShapeProperty; // the name of the shape property being read
    bool FParagraphEmpty = true;
    bool FPendingCellBreak = false; // a \par inside a table cell, shown only when the cell goes on
    std::vector<TOpenTable> FTables; // innermost last
    std::array<TRowDef, MaxTableNesting + 1> FRowDefs; // the last row definition of each level
    TCellDef FCellDef; // the cell being described, until its \cellx
    int FRowDefLevel = 1;
    int FBorderSide = -1; // the border \brdr words describe: 0..3 of FCellDef, 4..7 of the paragraph, 8 all
                          // four of the paragraph (\box), -1 none
    RichText::TPageSetup FPageSetup = RichText::NoPageSetup();
    bool FWholeDocument = false;
    bool FPageBreakPending = false;
    bool FSectionBreakPending = false; // the page break of a \sect, which its section may take back
    QPointer<QTextList> FList; // a list goes when its last paragraph does (a row made ahead and dropped)
    TNumbering FListNumbering;
    int FListOverride = 0;
    int FListLevel = 0;
    bool FPreviousNumbered = false;
    struct TLevelList {
        QPointer<QTextList> list;
        TNumbering numbering;
    };
    QHash<std::pair<int, int>, TLevelList> FLevelLists; // by \ls and \ilvl
};

TRtfParser::TRtfParser(const QByteArray& rtf, QTextCursor& cursor, const TRtfReadOptions& options)
    : FData(rtf.constData(), std::size_t(rtf.size()))
    , FTokenizer(FData)
    , FCursor(cursor)
    , FOptions(options)
    , FCharactersLeft(std::max(0, options.maxCharacters))
{
    const QTextCharFormat& defaults = options.defaultFormat;
    // Text read carries RTF's own defaults (12 points, font 0), never the control's default font: a
    // file must read the same whatever font the user last typed in.
    FPlainChars.font = 0;
    FPlainChars.bold = defaults.hasProperty(QTextFormat::FontWeight) && defaults.fontWeight() >= QFont::DemiBold;
    FPlainChars.italic = defaults.fontItalic();
    FStack.reserve(64);
    FStack.emplace_back();
    Top().chars = FPlainChars;
    UpdateCodePage(Top());
    FRunState = FPlainChars;
    FParagraphEmpty = cursor.atBlockStart();
    FWholeDocument = cursor.document()->isEmpty();
    FRun.reserve(4096);
}

void TRtfParser::Run()
{
    bool reading = true;
    while (reading && !FLimitReached) {
        TRtfToken token = FTokenizer.Next();
        if (token.kind == TRtfTokenKind::tkEnd)
            break;
        if (token.kind == TRtfTokenKind::tkGroupStart)
            FGroupStart = FTokenizer.Position() - 1;
        if (FSkipDepth > 0 || Top().destination == TDestination::dsSkip) {
            // Inside a skipped destination only the group structure counts.
            if (token.kind == TRtfTokenKind::tkGroupStart)
                ++FSkipDepth;
            else if (token.kind == TRtfTokenKind::tkGroupEnd && FSkipDepth > 0)
                --FSkipDepth;
            else if (token.kind == TRtfTokenKind::tkGroupEnd) {
                FinishKeeping();
                reading = PopGroup();
            }
            continue;
        }
        if (FFallbackLeft > 0 && SkipFallback(token))
            continue;

        switch (token.kind) {
        case TRtfTokenKind::tkGroupStart:
            FlushBytes();
            PushGroup();
            break;
        case TRtfTokenKind::tkGroupEnd:
            FlushBytes();
            reading = PopGroup();
            break;
        case TRtfTokenKind::tkControlWord:
            FlushBytes();
            ControlWord(token);
            break;
        case TRtfTokenKind::tkControlSymbol:
            FlushBytes();
            ControlSymbol(token.value);
            break;
        case TRtfTokenKind::tkHexByte:
            HexByte(token.value);
            break;
        case TRtfTokenKind::tkText:
            Text(token.text);
            break;
        case TRtfTokenKind::tkBinary:
            FlushBytes();
            if (Top().destination == TDestination::dsPicture)
                FPicture.AppendBinary(token.text.data(), qsizetype(token.text.size()));
            break;
        case TRtfTokenKind::tkEnd:
            FlushBytes();
            break;
        }
    }
    FlushBytes();
    FlushRun();
    while (!FTables.empty())
        CloseTable();
    // The empty paragraph after the last \par is the document model's, not the file's: it joins no
    // list, or it would show one more number below the last item.
    if (FCursor.block().length() == 1 && FCursor.block().previous().isValid()) {
        Top().para.numbering = {};
        Top().para.listOverride = 0;
    }
    FinishBlock();
    // Only a whole document says how its pages are set up; pasted RTF leaves them alone.
    if (FWholeDocument && std::any_of(FPageSetup.begin(), FPageSetup.end(), [](int value) { return value >= 0; }))
        RichText::SetPageSetup(*FCursor.document(), FPageSetup);
    if (FWholeDocument && !FKept.isEmpty()) {
        RichText::TKeptGroups kept;
        kept.rtf = FKept;
        for (auto font = FFonts.begin(); font != FFonts.end(); ++font)
            kept.fonts.insert(font.key(), { font->name, font->charset, font->pitchAndFamily });
        for (std::size_t i = 0; i < FColors.size(); ++i) {
            if (FColors[i].isValid())
                kept.colors.insert(int(i), FColors[i].rgb() & 0xFFFFFF);
        }
        RichText::SetKeptGroups(*FCursor.document(), kept);
    }
}

// A header or footer group of the body is skipped, but its bytes are kept for the next save.
void TRtfParser::StartKeeping(std::string_view word)
{
    if (!FWholeDocument || FKeepStart != std::string_view::npos || !FFields.empty() || FStack.size() < 3
        || FOverflowDepth > 0)
        return;
    if (!word.starts_with("header") && !word.starts_with("footer"))
        return;
    // Only a group that the word opens: "{\header ...".
    const std::size_t wordStart = std::size_t(word.data() - FData.data()) - 1;
    if (wordStart != FGroupStart + 1)
        return;
    for (std::size_t i = 1; i + 1 < FStack.size(); ++i) {
        if (FStack[i].destination != TDestination::dsText)
            return;
    }
    FKeepStart = FGroupStart;
}

void TRtfParser::FinishKeeping()
{
    if (FKeepStart == std::string_view::npos)
        return;
    const std::size_t end = FTokenizer.Position();
    if (end > FKeepStart && FKept.size() + qsizetype(end - FKeepStart) <= MaxKeptBytes) {
        FKept.append(FData.data() + FKeepStart, qsizetype(end - FKeepStart));
        FKept.append("\r\n");
    }
    FKeepStart = std::string_view::npos;
}

// ---- Groups

void TRtfParser::PushGroup()
{
    FIgnorable = false;
    FFallbackLeft = 0;
    if (int(FStack.size()) > MaxGroupDepth) {
        ++FOverflowDepth;
        return;
    }
    FStack.push_back(FStack.back());
}

// False when the document's outermost group ends.
bool TRtfParser::PopGroup()
{
    FIgnorable = false;
    FFallbackLeft = 0;
    if (FOverflowDepth > 0) {
        --FOverflowDepth;
        return true;
    }
    if (FStack.size() <= 2)
        return false;
    const TGroupState ended = FStack.back();
    // A hidden run ends with its group, as the writer gives each its own group: {\v a}{\v b} stays two.
    if (FRunState.hidden && ended.chars.hidden && ended.destination == TDestination::dsText)
        FlushRun();
    FStack.pop_back();
    GroupEnded(ended);
    return true;
}

// Finishes what a destination group collected; the parent group is already on top.
void TRtfParser::GroupEnded(const TGroupState& ended)
{
    const TDestination parent = Top().destination;
    switch (ended.destination) {
    case TDestination::dsFontTable:
        FinishFontEntry();
        if (parent != TDestination::dsFontTable) {
            // Text before the table was read with the document's code page; fonts may change that.
            for (TGroupState& state : FStack)
                UpdateCodePage(state);
            FCharFormats.clear();
        }
        break;
    case TDestination::dsLevelText:
        if (parent != TDestination::dsLevelText)
            FinishLevelText();
        break;
    case TDestination::dsList:
        if (parent != TDestination::dsList && !FLists.empty())
            FListById.insert(FLists.back().id, FLists.size() - 1);
        break;
    case TDestination::dsListOverride:
        if (parent != TDestination::dsListOverride && FOverrideNumber > 0 && FListOverrides.size() < MaxTableEntries) {
            FListOverrides.insert(FOverrideNumber, FOverrideList);
            if (std::any_of(FOverrideStarts.begin(), FOverrideStarts.end(), [](int start) { return start >= 0; }))
                FOverrideStartsByNumber.insert(FOverrideNumber, FOverrideStarts);
        }
        break;
    case TDestination::dsNumbering:
        if (parent != TDestination::dsNumbering)
            FinishNumbering();
        break;
    case TDestination::dsPicture:
        if (parent != TDestination::dsPicture)
            FinishPicture(ended);
        break;
    case TDestination::dsStyle:
        if (parent != TDestination::dsStyle && ended.style >= 0 && FStyles.size() < MaxTableEntries)
            FStyles.insert(ended.characterStyle ? 100000 + ended.style : ended.style,
                { ended.chars, ended.para, ended.characterStyle });
        break;
    default:
        break;
    }
    while (!FFields.empty() && FFields.back().depth > FStack.size())
        FFields.pop_back();
}

// ---- Tokens

// Skips the characters standing in for a \u character; true when the whole token was skipped.
bool TRtfParser::SkipFallback(TRtfToken& token)
{
    switch (token.kind) {
    case TRtfTokenKind::tkText:
        if (std::size_t(FFallbackLeft) >= token.text.size()) {
            FFallbackLeft -= int(token.text.size());
            return true;
        }
        token.text.remove_prefix(std::size_t(FFallbackLeft));
        FFallbackLeft = 0;
        return false;
    case TRtfTokenKind::tkControlWord:
    case TRtfTokenKind::tkControlSymbol:
    case TRtfTokenKind::tkHexByte:
    case TRtfTokenKind::tkBinary:
        --FFallbackLeft;
        return true;
    default:
        FFallbackLeft = 0;
        return false;
    }
}

void TRtfParser::ControlWord(const TRtfToken& token)
{
    const TRtfKeyword keyword = KeywordFromName(token.text);
    const bool ignorable = std::exchange(FIgnorable, false);
    const TDestination destination = Top().destination;
    const int parameter = token.parameter;
    const bool hasParameter = token.hasParameter;

    switch (destination) {
    case TDestination::dsFontTable:
        FontTableWord(keyword, parameter);
        break;
    case TDestination::dsColorTable:
        ColorTableWord(keyword, parameter);
        break;
    case TDestination::dsListTable:
    case TDestination::dsList:
    case TDestination::dsListLevel:
    case TDestination::dsListOverrideTable:
    case TDestination::dsListOverride:
        ListTableWord(keyword, parameter);
        break;
    case TDestination::dsNumbering:
        NumberingWord(keyword, parameter);
        break;
    case TDestination::dsObject:
        if (keyword == TRtfKeyword::kwResult)
            SetDestination(TDestination::dsText);
        else if (keyword == TRtfKeyword::kwPict) {
            FPicture = {};
            SetDestination(TDestination::dsPicture);
        }
        break;
    case TDestination::dsUnicodePair:
        if (keyword == TRtfKeyword::kwUd)
            SetDestination(TDestination::dsText);
        break;
    case TDestination::dsPicture:
        PictureWord(keyword, parameter);
        break;
    case TDestination::dsStyleSheet:
    case TDestination::dsStyle:
        StyleWord(keyword, parameter, hasParameter);
        break;
    case TDestination::dsShape:
        // The result stands in for the shape's picture with readers that cannot take it.
        if (keyword == TRtfKeyword::kwShpinst)
            SetDestination(TDestination::dsShapeInstance);
        else if (keyword == TRtfKeyword::kwShprslt)
            SetDestination(FPictureTaken ? TDestination::dsSkip : TDestination::dsText);
        break;
    case TDestination::dsShapeInstance:
        if (keyword == TRtfKeyword::kwSn) {
            FShapeProperty.clear();
            SetDestination(TDestination::dsShapeName);
        } else if (keyword == TRtfKeyword::kwSv) {
            // A picture frame's picture; fills, shadows and the text of text boxes are not taken.
            SetDestination(FShapeProperty == "pib" ? TDestination::dsObject : TDestination::dsSkip);
        }
        break;
    default:
        if (keyword == TRtfKeyword::kwSkipDestination)
            StartKeeping(token.text);
        DocumentWord(keyword, parameter, hasParameter);
        break;
    }
    // An ignorable destination this reader does not take up is skipped whole.
    if (ignorable && Top().destination == destination)
        SetDestination(TDestination::dsSkip);
}

void TRtfParser::DocumentWord(TRtfKeyword keyword, int parameter, bool hasParameter)
{
    TGroupState& state = Top();
    const TDestination destination = state.destination;
    switch (keyword) {
    case TRtfKeyword::kwAnsi:
        SetDocumentCodePage(CpAnsi);
        break;
    case TRtfKeyword::kwMac:
        SetDocumentCodePage(10000);
        break;
    case TRtfKeyword::kwPc:
        SetDocumentCodePage(437);
        break;
    case TRtfKeyword::kwPca:
        SetDocumentCodePage(850);
        break;
    case TRtfKeyword::kwAnsicpg:
        if (parameter > 0 && parameter < 65536)
            SetDocumentCodePage(parameter);
        break;
    case TRtfKeyword::kwPaperw:
    case TRtfKeyword::kwPaperh:
    case TRtfKeyword::kwMargl:
    case TRtfKeyword::kwMargr:
    case TRtfKeyword::kwMargt:
    case TRtfKeyword::kwMargb:
        if (hasParameter && parameter >= 0 && parameter <= MaxPageTwips)
            FPageSetup[std::size_t(int(keyword) - int(TRtfKeyword::kwPaperw))] = parameter;
        break;
    case TRtfKeyword::kwLandscape:
        FPageSetup[RichText::PageLandscape] = 1;
        break;
    case TRtfKeyword::kwDeff:
        FPlainChars.font = parameter;
        state.chars.font = parameter;
        UpdateCodePage(state);
        break;
    case TRtfKeyword::kwFonttbl:
        // A table in the middle of the document redefines the fonts of the text after it.
        FlushRun();
        SetDestination(TDestination::dsFontTable);
        FFontNumber = -1;
        break;
    case TRtfKeyword::kwColortbl:
        FlushRun();
        FCharFormats.clear();
        SetDestination(TDestination::dsColorTable);
        FColors.clear();
        FRed = FGreen = FBlue = -1;
        break;
    case TRtfKeyword::kwListtable:
        SetDestination(TDestination::dsListTable);
        break;
    case TRtfKeyword::kwStylesheet:
        SetDestination(TDestination::dsStyleSheet);
        break;
    case TRtfKeyword::kwS:
        // The style's formatting first; the paragraph's own words after it win.
        ApplyStyle(parameter, state);
        break;
    case TRtfKeyword::kwCs:
        ApplyStyle(100000 + parameter, state);
        break;
    case TRtfKeyword::kwListoverridetable:
        SetDestination(TDestination::dsListOverrideTable);
        break;
    case TRtfKeyword::kwSkipDestination:
        SetDestination(TDestination::dsSkip);
        break;
    case TRtfKeyword::kwFootnote:
        ++FFootnotes;
        SetDestination(TDestination::dsSkip);
        break;
    case TRtfKeyword::kwPict:
        FPicture = {};
        SetDestination(TDestination::dsPicture);
        break;
    case TRtfKeyword::kwShp:
        FPictureTaken = false;
        SetDestination(TDestination::dsShape);
        break;
    case TRtfKeyword::kwShppict:
        FPictureTaken = false;
        SetDestination(TDestination::dsObject);
        break;
    case TRtfKeyword::kwNonshppict:
        // The same picture again, for readers of the older form: taken only when the first failed.
        SetDestination(std::exchange(FPictureTaken, false) ? TDestination::dsSkip : TDestination::dsObject);
        break;
    case TRtfKeyword::kwObject:
        SetDestination(TDestination::dsObject);
        break;
    case TRtfKeyword::kwUpr:
        SetDestination(TDestination::dsUnicodePair);
        break;
    case TRtfKeyword::kwPn:
        FPendingNumbering = {};
        SetDestination(TDestination::dsNumbering);
        break;
    case TRtfKeyword::kwField:
        if (FFields.size() < MaxFieldDepth)
            FFields.push_back({ FStack.size(), destination == TDestination::dsFieldInstruction, {} });
        break;
    case TRtfKeyword::kwFldinst:
        SetDestination(TDestination::dsFieldInstruction);
        break;
    case TRtfKeyword::kwNesttableprops:
        SetDestination(TDestination::dsNestTableProps);
        break;
    case TRtfKeyword::kwFldrslt:
        if (!FFields.empty() && FFields.back().inInstruction) {
            SetDestination(TDestination::dsSkip);
        } else {
            SetDestination(TDestination::dsText);
            if (!FFields.empty()) {
                const QString& instruction = FFields.back().instruction;
                const QString target = HyperlinkTarget(instruction);
                if (!target.isEmpty()) {
                    FLinks.append(target);
                    state.chars.link = int(FLinks.size()) - 1;
                } else if (IsInlineField(instruction)) {
                    const QString kept = instruction.simplified();
                    auto found = FFieldInstructionIndex.constFind(kept);
                    if (found == FFieldInstructionIndex.constEnd() && FFieldInstructions.size() < MaxTableEntries) {
                        FFieldInstructions.append(kept);
                        found = FFieldInstructionIndex.insert(kept, int(FFieldInstructions.size()) - 1);
                    }
                    if (found != FFieldInstructionIndex.constEnd())
                        state.chars.field = found.value();
                }
            }
        }
        break;
    default:
        if (!CharacterWord(keyword, parameter, hasParameter) && !ParagraphWord(keyword, parameter, hasParameter)
            && !TableWord(keyword, parameter, hasParameter))
            SpecialWord(keyword, parameter, hasParameter);
        break;
    }
}

// Words of the style table: each entry's number, its base and its formatting, nothing else.
void TRtfParser::StyleWord(TRtfKeyword keyword, int parameter, bool hasParameter)
{
    TGroupState& state = Top();
    switch (keyword) {
    case TRtfKeyword::kwS:
    case TRtfKeyword::kwCs:
        if (parameter < 0 || parameter >= 100000)
            break;
        SetDestination(TDestination::dsStyle);
        state.style = parameter;
        state.characterStyle = keyword == TRtfKeyword::kwCs;
        state.chars = FPlainChars; // a style says all it sets
        state.para = TParaState {};
        break;
    case TRtfKeyword::kwSbasedon: {
        const auto base = FStyles.constFind(state.characterStyle ? 100000 + parameter : parameter);
        if (state.destination == TDestination::dsStyle && base != FStyles.constEnd()) {
            state.chars = base->chars;
            state.para = base->para;
        }
        break;
    }
    default:
        if (state.destination == TDestination::dsStyle && !CharacterWord(keyword, parameter, hasParameter))
            ParagraphWord(keyword, parameter, hasParameter);
        break;
    }
}

void TRtfParser::ApplyStyle(int key, TGroupState& state)
{
    const auto style = FStyles.constFind(key);
    if (style == FStyles.constEnd())
        return;
    const TParaState& para = style->para;
    if (!style->characterStyle) {
        // Formatting only: where the paragraph stands (its table, its list) is its own.
        state.para.alignment = para.alignment;
        state.para.leftIndent = para.leftIndent;
        state.para.firstIndent = para.firstIndent;
        state.para.rightIndent = para.rightIndent;
        state.para.spaceBefore = para.spaceBefore;
        state.para.spaceAfter = para.spaceAfter;
        state.para.lineSpacing = para.lineSpacing;
        state.para.lineMultiple = para.lineMultiple;
        state.para.pageBreakBefore = para.pageBreakBefore;
    }
    const int link = state.chars.link;
    state.chars = style->chars;
    state.chars.link = link;
}

void TRtfParser::FontTableWord(TRtfKeyword keyword, int parameter)
{
    switch (keyword) {
    case TRtfKeyword::kwF:
        FinishFontEntry();
        FFontNumber = parameter;
        FFontEntry = {};
        break;
    case TRtfKeyword::kwFcharset:
        FFontEntry.charset = Clamp(parameter, 0, 255);
        break;
    case TRtfKeyword::kwCpg:
        FFontEntry.codePage = Clamp(parameter, 0, 65535);
        break;
    case TRtfKeyword::kwFprq:
        FFontEntry.pitchAndFamily = (std::max(FFontEntry.pitchAndFamily, 0) & 0xF0) | Clamp(parameter, 0, 2);
        break;
    case TRtfKeyword::kwFnil:
    case TRtfKeyword::kwFbidi:
    case TRtfKeyword::kwFroman:
    case TRtfKeyword::kwFswiss:
    case TRtfKeyword::kwFmodern:
    case TRtfKeyword::kwFscript:
    case TRtfKeyword::kwFdecor:
    case TRtfKeyword::kwFtech: {
        int family = FF_DONTCARE;
        if (keyword == TRtfKeyword::kwFroman)
            family = FF_ROMAN;
        else if (keyword == TRtfKeyword::kwFswiss)
            family = FF_SWISS;
        else if (keyword == TRtfKeyword::kwFmodern)
            family = FF_MODERN;
        else if (keyword == TRtfKeyword::kwFscript)
            family = FF_SCRIPT;
        else if (keyword == TRtfKeyword::kwFdecor || keyword == TRtfKeyword::kwFtech)
            family = FF_DECORATIVE;
        FFontEntry.pitchAndFamily = (std::max(FFontEntry.pitchAndFamily, 0) & 0x0F) | family;
        break;
    }
    case TRtfKeyword::kwU: {
        DecodeFontName();
        const auto character = char16_t(parameter < 0 ? parameter + 65536 : parameter);
        if (FFontNumber >= 0 && FFontEntry.name.size() < MaxShortText && IsTextCharacter(character)
            && character != u'\t')
            FFontEntry.name += QChar(character);
        FFallbackLeft = Top().unicodeSkip;
        break;
    }
    case TRtfKeyword::kwSkipDestination:
        SetDestination(TDestination::dsSkip);
        break;
    case TRtfKeyword::kwUc:
        Top().unicodeSkip = Clamp(parameter, 0, MaxUnicodeSkip);
        break;
    default:
        break;
    }
}

void TRtfParser::ColorTableWord(TRtfKeyword keyword, int parameter)
{
    switch (keyword) {
    case TRtfKeyword::kwRed:
        FRed = Clamp(parameter, 0, 255);
        break;
    case TRtfKeyword::kwGreen:
        FGreen = Clamp(parameter, 0, 255);
        break;
    case TRtfKeyword::kwBlue:
        FBlue = Clamp(parameter, 0, 255);
        break;
    default:
        break;
    }
}

void TRtfParser::ListTableWord(TRtfKeyword keyword, int parameter)
{
    const TDestination destination = Top().destination;
    TList* list = FLists.empty() ? nullptr : &FLists.back();
    TListLevel* level = list && !list->levels.empty() ? &list->levels.back() : nullptr;
    switch (keyword) {
    case TRtfKeyword::kwList:
        if (destination == TDestination::dsListTable && FLists.size() < MaxTableEntries) {
            FLists.emplace_back();
            SetDestination(TDestination::dsList);
        } else {
            SetDestination(TDestination::dsSkip);
        }
        break;
    case TRtfKeyword::kwListlevel:
        if (destination == TDestination::dsList && list && list->levels.size() < MaxListLevels) {
            list->levels.emplace_back();
            SetDestination(TDestination::dsListLevel);
        } else {
            SetDestination(TDestination::dsSkip);
        }
        break;
    case TRtfKeyword::kwListid:
        if (destination == TDestination::dsList && list)
            list->id = parameter;
        else if (destination == TDestination::dsListOverride)
            FOverrideList = parameter;
        break;
    case TRtfKeyword::kwLevelnfc:
        if (destination == TDestination::dsListLevel && level)
            level->numbering = NumberingFromLevelFormat(parameter);
        break;
    case TRtfKeyword::kwLevelstartat:
        if (destination == TDestination::dsListLevel && level)
            level->start = Clamp(parameter, 0, 32767);
        else if (destination == TDestination::dsListOverride && FOverrideRestarts && FOverrideLevel >= 0
            && FOverrideLevel < MaxListLevels)
            FOverrideStarts[std::size_t(FOverrideLevel)] = Clamp(parameter, 0, 32767);
        break;
    case TRtfKeyword::kwLfolevel: // the next level of the override; it restarts only when it says so
        if (destination == TDestination::dsListOverride) {
            ++FOverrideLevel;
            FOverrideRestarts = false;
        }
        break;
    case TRtfKeyword::kwListoverridestartat:
        if (destination == TDestination::dsListOverride)
            FOverrideRestarts = true;
        break;
    case TRtfKeyword::kwLeveltext:
        if (destination == TDestination::dsListLevel) {
            FLevelText.clear();
            SetDestination(TDestination::dsLevelText);
        } else {
            SetDestination(TDestination::dsSkip);
        }
        break;
    case TRtfKeyword::kwListoverride:
        if (destination == TDestination::dsListOverrideTable) {
            FOverrideList = FOverrideNumber = 0;
            FOverrideLevel = -1;
            FOverrideRestarts = false;
            FOverrideStarts.fill(-1);
            SetDestination(TDestination::dsListOverride);
        } else {
            SetDestination(TDestination::dsSkip);
        }
        break;
    case TRtfKeyword::kwLs:
        if (destination == TDestination::dsListOverride)
            FOverrideNumber = parameter;
        break;
    case TRtfKeyword::kwSkipDestination:
        SetDestination(TDestination::dsSkip);
        break;
    default:
        break;
    }
}

void TRtfParser::NumberingWord(TRtfKeyword keyword, int parameter)
{
    TPendingNumbering& pending = FPendingNumbering;
    switch (keyword) {
    case TRtfKeyword::kwPnlvlblt:
        pending.bullet = true;
        break;
    case TRtfKeyword::kwPnlvlbody:
    case TRtfKeyword::kwPnlvl:
        pending.body = true;
        break;
    case TRtfKeyword::kwPnlvlcont:
        pending.bullet = pending.body = false;
        break;
    case TRtfKeyword::kwPndec:
        pending.format = PFN_ARABIC;
        break;
    case TRtfKeyword::kwPnlcltr:
        pending.format = PFN_LCLETTER;
        break;
    case TRtfKeyword::kwPnucltr:
        pending.format = PFN_UCLETTER;
        break;
    case TRtfKeyword::kwPnlcrm:
        pending.format = PFN_LCROMAN;
        break;
    case TRtfKeyword::kwPnucrm:
        pending.format = PFN_UCROMAN;
        break;
    case TRtfKeyword::kwPnstart:
        pending.start = Clamp(parameter, 0, 32767);
        break;
    case TRtfKeyword::kwPnindent:
        pending.indent = Clamp(parameter, 0, MaxLength);
        break;
    case TRtfKeyword::kwPnf: // the marker's font, so that a symbol font's code is read as its character
        Top().chars.font = parameter;
        UpdateCodePage(Top());
        break;
    case TRtfKeyword::kwPntxta:
        pending.after.clear();
        SetDestination(TDestination::dsNumberingAfter);
        break;
    case TRtfKeyword::kwPntxtb:
        pending.before.clear();
        SetDestination(TDestination::dsNumberingBefore);
        break;
    case TRtfKeyword::kwSkipDestination:
        SetDestination(TDestination::dsSkip);
        break;
    default:
        break;
    }
}

bool TRtfParser::CharacterWord(TRtfKeyword keyword, int parameter, bool hasParameter)
{
    TGroupState& state = Top();
    TCharState& chars = state.chars;
    const bool on = !hasParameter || parameter != 0;
    switch (keyword) {
    case TRtfKeyword::kwPlain: {
        const int link = chars.link; // \plain inside a field's result keeps the field
        const int field = chars.field;
        chars = FPlainChars;
        chars.link = link;
        chars.field = field;
        UpdateCodePage(state);
        break;
    }
    case TRtfKeyword::kwF:
        chars.font = parameter;
        UpdateCodePage(state);
        break;
    case TRtfKeyword::kwFs:
        chars.halfPoints = hasParameter && parameter > 0 ? std::min(parameter, MaxHalfPoints) : 24;
        break;
    case TRtfKeyword::kwB:
        chars.bold = on;
        break;
    case TRtfKeyword::kwI:
        chars.italic = on;
        break;
    case TRtfKeyword::kwStrike:
    case TRtfKeyword::kwStriked:
        chars.strike = on;
        break;
    case TRtfKeyword::kwProtect:
        chars.protect = on;
        break;
    case TRtfKeyword::kwV:
        chars.hidden = on;
        break;
    case TRtfKeyword::kwCaps:
        chars.capitals = on ? 1 : (chars.capitals == 1 ? 0 : chars.capitals);
        break;
    case TRtfKeyword::kwScaps:
        chars.capitals = on ? 2 : (chars.capitals == 2 ? 0 : chars.capitals);
        break;
    case TRtfKeyword::kwUl:
        chars.underline = on ? CFU_UNDERLINE : CFU_UNDERLINENONE;
        break;
    case TRtfKeyword::kwUlnone:
        chars.underline = CFU_UNDERLINENONE;
        break;
    case TRtfKeyword::kwUlw:
        chars.underline = on ? CFU_UNDERLINEWORD : CFU_UNDERLINENONE;
        break;
    case TRtfKeyword::kwUldb:
        chars.underline = on ? CFU_UNDERLINEDOUBLE : CFU_UNDERLINENONE;
        break;
    case TRtfKeyword::kwUld:
    case TRtfKeyword::kwUlthd:
        chars.underline = on ? CFU_UNDERLINEDOTTED : CFU_UNDERLINENONE;
        break;
    case TRtfKeyword::kwUldash:
    case TRtfKeyword::kwUlthdash:
    case TRtfKeyword::kwUlldash:
    case TRtfKeyword::kwUlthldash:
        chars.underline = on ? CFU_UNDERLINEDASH : CFU_UNDERLINENONE;
        break;
    case TRtfKeyword::kwUldashd:
    case TRtfKeyword::kwUlthdashd:
        chars.underline = on ? CFU_UNDERLINEDASHDOT : CFU_UNDERLINENONE;
        break;
    case TRtfKeyword::kwUldashdd:
    case TRtfKeyword::kwUlthdashdd:
        chars.underline = on ? CFU_UNDERLINEDASHDOTDOT : CFU_UNDERLINENONE;
        break;
    case TRtfKeyword::kwUlwave:
    case TRtfKeyword::kwUlhwave:
    case TRtfKeyword::kwUluldbwave:
        chars.underline = on ? CFU_UNDERLINEWAVE : CFU_UNDERLINENONE;
        break;
    case TRtfKeyword::kwUlth:
        chars.underline = on ? CFU_UNDERLINETHICK : CFU_UNDERLINENONE;
        break;
    case TRtfKeyword::kwCf:
        chars.color = parameter;
        break;
    case TRtfKeyword::kwCb:
    case TRtfKeyword::kwHighlight:
    case TRtfKeyword::kwChcbpat:
        chars.background = parameter;
        break;
    case TRtfKeyword::kwSuper:
        chars.vertical = 1;
        chars.offsetTwips = 0;
        break;
    case TRtfKeyword::kwSub:
        chars.vertical = 2;
        chars.offsetTwips = 0;
        break;
    case TRtfKeyword::kwNosupersub:
        chars.vertical = 0;
        chars.offsetTwips = 0;
        break;
    case TRtfKeyword::kwUp:
    case TRtfKeyword::kwDn: {
        const int halfPoints = Clamp(hasParameter ? parameter : 6, 0, MaxHalfPoints);
        const bool up = keyword == TRtfKeyword::kwUp;
        chars.vertical = halfPoints == 0 ? 0 : (up ? 1 : 2);
        chars.offsetTwips = (up ? 10 : -10) * halfPoints;
        break;
    }
    default:
        return false;
    }
    return true;
}

bool TRtfParser::ParagraphWord(TRtfKeyword keyword, int parameter, bool hasParameter)
{
    TParaState& para = Top().para;
    switch (keyword) {
    case TRtfKeyword::kwPard:
        para = TParaState {};
        if (FBorderSide >= 4)
            FBorderSide = -1;
        break;
    case TRtfKeyword::kwBrdrt:
    case TRtfKeyword::kwBrdrl:
    case TRtfKeyword::kwBrdrb:
    case TRtfKeyword::kwBrdrr:
        FBorderSide = 4 + int(keyword) - int(TRtfKeyword::kwBrdrt);
        para.borders[std::size_t(FBorderSide - 4)] = {};
        break;
    case TRtfKeyword::kwBox:
        FBorderSide = 8;
        para.borders.fill({});
        break;
    case TRtfKeyword::kwCbpat:
        para.background = std::max(0, parameter);
        break;
    case TRtfKeyword::kwCfpat:
        para.patternColor = std::max(0, parameter);
        break;
    case TRtfKeyword::kwShading:
        para.shading = Clamp(parameter, 0, 10000);
        break;
    case TRtfKeyword::kwQl:
        para.alignment = 0;
        break;
    case TRtfKeyword::kwQr:
        para.alignment = 1;
        break;
    case TRtfKeyword::kwQc:
        para.alignment = 2;
        break;
    case TRtfKeyword::kwQj:
    case TRtfKeyword::kwQd:
        para.alignment = 3;
        break;
    case TRtfKeyword::kwLi:
        para.leftIndent = Length(parameter);
        break;
    case TRtfKeyword::kwFi:
        para.firstIndent = Length(parameter);
        break;
    case TRtfKeyword::kwRi:
        para.rightIndent = Length(parameter);
        break;
    case TRtfKeyword::kwSb:
        para.spaceBefore = Clamp(parameter, 0, MaxLength);
        break;
    case TRtfKeyword::kwSa:
        para.spaceAfter = Clamp(parameter, 0, MaxLength);
        break;
    case TRtfKeyword::kwSl:
        para.lineSpacing = Length(parameter);
        break;
    case TRtfKeyword::kwSlmult:
        para.lineMultiple = !hasParameter || parameter != 0;
        break;
    case TRtfKeyword::kwTx:
    case TRtfKeyword::kwTb:
        if (para.tabCount < MAX_TAB_STOPS)
            para.tabs[std::size_t(para.tabCount++)] = Clamp(parameter, 0, MaxLength);
        break;
    case TRtfKeyword::kwIntbl:
        para.inTable = !hasParameter || parameter != 0;
        break;
    case TRtfKeyword::kwItap:
        para.nesting = Clamp(parameter, 0, MaxTableNesting);
        break;
    case TRtfKeyword::kwPagebb:
        para.pageBreakBefore = !hasParameter || parameter != 0;
        break;
    case TRtfKeyword::kwLs:
        para.listOverride = parameter;
        break;
    case TRtfKeyword::kwIlvl:
        para.listLevel = Clamp(parameter, 0, MaxListLevels - 1);
        break;
    default:
        return false;
    }
    return true;
}

bool TRtfParser::SpecialWord(TRtfKeyword keyword, int parameter, bool hasParameter)
{
    const bool body = Top().destination == TDestination::dsText;
    switch (keyword) {
    case TRtfKeyword::kwPar:
        if (!body)
            break;
        // The mark of a cell's last paragraph is the cell end; it shows only when the cell goes on.
        if (TableDepth(Top().para) > 0) {
            if (EnterDepth())
                FPendingCellBreak = true;
        } else {
            EndParagraph();
        }
        break;
    case TRtfKeyword::kwSect:
        // A new section starts a new page unless it says it runs on (\sbknone after it).
        if (!body)
            break;
        if (!FParagraphEmpty || FPendingCellBreak)
            EndParagraph();
        FPageBreakPending = FSectionBreakPending = true;
        break;
    case TRtfKeyword::kwSbknone:
        if (FSectionBreakPending)
            FPageBreakPending = FSectionBreakPending = false;
        return true;
    case TRtfKeyword::kwPage:
        if (!body)
            break;
        if (!FParagraphEmpty || FPendingCellBreak)
            EndParagraph();
        FPageBreakPending = true;
        break;
    case TRtfKeyword::kwCell:
        if (body)
            EndCell(1);
        break;
    case TRtfKeyword::kwNestcell:
        if (body)
            EndCell(std::max(2, TableDepth(Top().para)));
        break;
    case TRtfKeyword::kwRow:
        if (body)
            EndRow(1);
        break;
    case TRtfKeyword::kwNestrow:
        if (body || Top().destination == TDestination::dsNestTableProps)
            EndRow(std::max(2, TableDepth(Top().para)));
        break;
    case TRtfKeyword::kwLine:
        AppendCharacter(LineSeparator);
        break;
    case TRtfKeyword::kwTab:
        AppendCharacter(u'\t');
        break;
    case TRtfKeyword::kwEmdash:
        AppendCharacter(0x2014);
        break;
    case TRtfKeyword::kwEndash:
        AppendCharacter(0x2013);
        break;
    case TRtfKeyword::kwEmspace:
        AppendCharacter(0x2003);
        break;
    case TRtfKeyword::kwEnspace:
        AppendCharacter(0x2002);
        break;
    case TRtfKeyword::kwQmspace:
        AppendCharacter(0x2005);
        break;
    case TRtfKeyword::kwBullet:
        AppendCharacter(0x2022);
        break;
    case TRtfKeyword::kwLquote:
        AppendCharacter(0x2018);
        break;
    case TRtfKeyword::kwRquote:
        AppendCharacter(0x2019);
        break;
    case TRtfKeyword::kwLdblquote:
        AppendCharacter(0x201C);
        break;
    case TRtfKeyword::kwRdblquote:
        AppendCharacter(0x201D);
        break;
    case TRtfKeyword::kwZwj:
        AppendCharacter(0x200D);
        break;
    case TRtfKeyword::kwZwnj:
        AppendCharacter(0x200C);
        break;
    case TRtfKeyword::kwLtrmark:
        AppendCharacter(0x200E);
        break;
    case TRtfKeyword::kwRtlmark:
        AppendCharacter(0x200F);
        break;
    case TRtfKeyword::kwChftn:
        // The footnote's number; the note itself follows and is skipped.
        if (body)
            AppendText(QString::number(FFootnotes + 1));
        break;
    case TRtfKeyword::kwU: {
        int code = parameter < 0 ? parameter + 65536 : parameter;
        if (code < 0 || code > 0xFFFF)
            code = 0xFFFD;
        // Symbol fonts' characters written as private-use codes stand for the font's glyphs.
        if (Top().codePage == CpSymbol && code >= 0xF020 && code <= 0xF0FF)
            code = UnicodeFromSymbolCode(static_cast<unsigned char>(code - 0xF000));
        if (code == RichText::ParagraphBreak.unicode())
            SpecialWord(TRtfKeyword::kwPar, 0, false);
        else if (IsTextCharacter(char16_t(code)))
            AppendCharacter(char16_t(code));
        FFallbackLeft = Top().unicodeSkip;
        break;
    }
    case TRtfKeyword::kwUc:
        Top().unicodeSkip = Clamp(hasParameter ? parameter : 1, 0, MaxUnicodeSkip);
        break;
    default:
        return false;
    }
    return true;
}

void TRtfParser::ControlSymbol(unsigned char symbol)
{
    const bool ignorable = std::exchange(FIgnorable, false);
    switch (symbol) {
    case '*':
        FIgnorable = true;
        return;
    case '\\':
    case '{':
    case '}':
        if (Top().destination == TDestination::dsFontTable)
            FFontEntry.pendingBytes += char(symbol);
        else
            AppendCharacter(symbol);
        break;
    case '~':
        AppendCharacter(0x00A0);
        break;
    case '-':
        AppendCharacter(0x00AD);
        break;
    case '_':
        AppendCharacter(0x2011);
        break;
    case '\n':
    case '\r':
        SpecialWord(TRtfKeyword::kwPar, 0, false);
        break;
    default:
        break;
    }
    if (ignorable)
        SetDestination(TDestination::dsSkip);
}

void TRtfParser::Text(std::string_view bytes)
{
    if (std::exchange(FIgnorable, false)) {
        SetDestination(TDestination::dsSkip);
        return;
    }
    TGroupState& state = Top();
    switch (state.destination) {
    case TDestination::dsText:
        if (!state.table) {
            FPendingBytes.append(bytes.data(), qsizetype(bytes.size()));
            FPendingCodePage = state.codePage;
        } else if (QString* run = BodyRun()) {
            DecodeSingleByte(bytes, *run);
            CheckLimit();
        }
        break;
    case TDestination::dsFieldInstruction:
    case TDestination::dsLevelText:
    case TDestination::dsNumberingBefore:
    case TDestination::dsNumberingAfter:
        if (!state.table) {
            FPendingBytes.append(bytes.data(), qsizetype(bytes.size()));
            FPendingCodePage = state.codePage;
        } else {
            FScratch.resize(0);
            DecodeSingleByte(bytes, FScratch);
            AppendText(FScratch);
        }
        break;
    case TDestination::dsFontTable:
        for (char c : bytes) {
            if (c == ';')
                FinishFontEntry();
            else if (FFontNumber >= 0 && FFontEntry.pendingBytes.size() < MaxShortText
                && static_cast<unsigned char>(c) >= 0x20)
                FFontEntry.pendingBytes += c;
        }
        break;
    case TDestination::dsColorTable:
        for (char c : bytes) {
            if (c == ';')
                FinishColor();
        }
        break;
    case TDestination::dsPicture:
        FPicture.AppendHex(bytes.data(), qsizetype(bytes.size()));
        break;
    case TDestination::dsShapeName:
        if (FShapeProperty.size() + bytes.size() <= 64)
            FShapeProperty.append(bytes);
        break;
    default:
        // Object wrappers and list tables: their text is no text of the document.
        break;
    }
}

void TRtfParser::HexByte(unsigned char value)
{
    TGroupState& state = Top();
    if (std::exchange(FIgnorable, false)) {
        SetDestination(TDestination::dsSkip);
        return;
    }
    switch (state.destination) {
    case TDestination::dsFontTable:
        if (FFontNumber >= 0 && FFontEntry.pendingBytes.size() < MaxShortText && value >= 0x20)
            FFontEntry.pendingBytes += char(value);
        break;
    case TDestination::dsLevelText:
        // The level text's length and number placeholders are raw byte values.
        if (value < 0x20) {
            FlushBytes();
            AppendCharacter(value);
            break;
        }
        [[fallthrough]];
    case TDestination::dsText:
    case TDestination::dsFieldInstruction:
    case TDestination::dsNumberingBefore:
    case TDestination::dsNumberingAfter:
        if (!state.table) {
            FPendingBytes += char(value);
            FPendingCodePage = state.codePage;
        } else {
            const char16_t character = value == '\t' ? u'\t' : state.table->map[value];
            if ((value >= 0x20 || value == '\t') && IsTextCharacter(character))
                AppendCharacter(character);
        }
        break;
    default:
        break;
    }
}

// ---- Pictures

void TRtfParser::PictureWord(TRtfKeyword keyword, int parameter)
{
    using TFormat = TRtfPictureGroup::TFormat;
    switch (keyword) {
    case TRtfKeyword::kwEmfblip:
        FPicture.format = TFormat::Emf;
        break;
    case TRtfKeyword::kwPngblip:
        FPicture.format = TFormat::Png;
        break;
    case TRtfKeyword::kwJpegblip:
        FPicture.format = TFormat::Jpeg;
        break;
    case TRtfKeyword::kwDibitmap:
        FPicture.format = TFormat::Dib;
        break;
    case TRtfKeyword::kwWmetafile:
        FPicture.format = TFormat::Wmf;
        break;
    case TRtfKeyword::kwPicw:
        FPicture.width = parameter;
        break;
    case TRtfKeyword::kwPich:
        FPicture.height = parameter;
        break;
    case TRtfKeyword::kwPicwgoal:
        FPicture.goalWidth = parameter;
        break;
    case TRtfKeyword::kwPichgoal:
        FPicture.goalHeight = parameter;
        break;
    case TRtfKeyword::kwPicscalex:
        FPicture.scaleX = parameter;
        break;
    case TRtfKeyword::kwPicscaley:
        FPicture.scaleY = parameter;
        break;
    default:
        break;
    }
}

void TRtfParser::FinishPicture(const TGroupState& ended)
{
    const RichText::TPicture picture = PictureFromRtf(FPicture);
    FPicture = {};
    if (!picture.IsValid() || ended.chars.hidden || FLimitReached || Top().destination == TDestination::dsSkip)
        return;
    FlushBytes();
    FlushRun();
    if (!EnterDepth())
        return;
    if (FCharactersLeft <= 0) {
        FLimitReached = true;
        return;
    }
    FCursor.insertText(QString(RichText::ObjectCharacter), RichText::FormatForPicture(picture, CharFormat(ended.chars)));
    --FCharactersLeft;
    FPictureTaken = true;
}

// ---- Text

void TRtfParser::AppendText(QStringView text)
{
    if (text.isEmpty())
        return;
    switch (Top().destination) {
    case TDestination::dsText:
        if (QString* run = BodyRun()) {
            run->append(text);
            CheckLimit();
        }
        break;
    case TDestination::dsFieldInstruction:
        if (!FFields.empty() && FFields.back().instruction.size() < MaxInstruction)
            FFields.back().instruction.append(text);
        break;
    case TDestination::dsLevelText:
        if (FLevelText.size() < MaxShortText)
            FLevelText.append(text);
        break;
    case TDestination::dsNumberingBefore:
        if (FPendingNumbering.before.size() < MaxShortText)
            FPendingNumbering.before.append(text);
        break;
    case TDestination::dsNumberingAfter:
        if (FPendingNumbering.after.size() < MaxShortText)
            FPendingNumbering.after.append(text);
        break;
    default:
        break;
    }
}

void TRtfParser::DecodeSingleByte(std::string_view bytes, QString& target)
{
    const TSingleByteTable& table = *Top().table;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    std::size_t i = 0;
    while (i < size) {
        if (table.asciiCompatible) {
            const std::size_t start = i;
            while (i < size && data[i] >= 0x20 && data[i] < 0x7F)
                ++i;
            if (i > start)
                target.append(QLatin1StringView(bytes.data() + start, qsizetype(i - start)));
            if (i == size)
                break;
        }
        // Code pages of other platforms map some printable bytes to control characters.
        const unsigned char b = data[i++];
        if (b >= 0x20 && IsTextCharacter(table.map[b]))
            target.append(QChar(table.map[b]));
        else if (b == '\t')
            target.append(u'\t');
    }
}

// Decodes the multi-byte text collected so far; every token but text and hex bytes ends it.
void TRtfParser::FlushBytes()
{
    if (FPendingBytes.isEmpty())
        return;
    FScratch.resize(0);
    FMultiByte.Decode(FPendingCodePage, FPendingBytes, FScratch);
    FPendingBytes.resize(0);
    FScratch.removeIf([](QChar c) { return !IsTextCharacter(c.unicode()); });
    AppendText(FScratch);
}

// The run to append body text to, once the cursor is in the paragraph's table cell and the run has
// the current formatting; null when the limit is reached.
QString* TRtfParser::BodyRun()
{
    const TGroupState& state = Top();
    if (FLimitReached)
        return nullptr;
    if (!EnterDepth())
        return nullptr;
    if (!(state.chars == FRunState)) {
        FlushRun();
        FRunState = state.chars;
    }
    FParagraphEmpty = false;
    return FLimitReached ? nullptr : &FRun;
}

void TRtfParser::CheckLimit()
{
    if (FRun.size() >= FCharactersLeft)
        FlushRun();
}

void TRtfParser::FlushRun()
{
    if (FRun.isEmpty())
        return;
    if (FRun.size() >= FCharactersLeft) {
        qsizetype keep = FCharactersLeft;
        if (keep > 0 && FRun[keep - 1].isHighSurrogate())
            --keep;
        FRun.truncate(keep);
        FLimitReached = true;
    }
    if (FRunState.hidden) {
        if (FCharactersLeft <= 0) {
            FLimitReached = true;
            FRun.resize(0);
            return;
        }
        QTextCharFormat hidden = CharFormat(FRunState);
        hidden.setObjectType(RichText::HiddenTextFormat);
        hidden.setProperty(RichText::HiddenText, FRun);
        FCursor.insertText(QString(RichText::ObjectCharacter), hidden);
        FCharactersLeft -= 1;
        FRun.resize(0);
        return;
    }
    if (!FRun.isEmpty())
        FCursor.insertText(FRun, CharFormat(FRunState));
    FCharactersLeft -= FRun.size();
    FRun.resize(0);
}

// ---- Paragraphs

void TRtfParser::EndParagraph()
{
    FlushRun();
    FPendingCellBreak = false;
    if (FLimitReached || !EnterDepth() || FCharactersLeft <= 0) {
        FLimitReached = true;
        return;
    }
    FinishBlock();
    FCursor.insertBlock(QTextBlockFormat(), CharFormat(Top().chars));
    --FCharactersLeft;
    FParagraphEmpty = true;
}

// Gives the paragraph being built its format and joins it to the list of the paragraph before.
void TRtfParser::FinishBlock()
{
    const TParaState& para = Top().para;
    const TNumbering numbering = ResolveNumbering(para);
    FCursor.setBlockFormat(BlockFormat(para, numbering, FPageBreakPending || para.pageBreakBefore));
    FPageBreakPending = FSectionBreakPending = false;

    const QTextBlock block = FCursor.block();
    if (numbering.numbering == 0) {
        if (QTextList* list = block.textList())
            list->remove(block);
        FPreviousNumbered = false;
        return;
    }
    // Markers take their size from the paragraph mark, which for the document's first paragraph
    // has the default format rather than that of its text: the first bullet came out larger.
    if (block.begin() != block.end()) {
        const QTextCharFormat text = block.begin().fragment().charFormat();
        if (!text.isImageFormat() && text.objectType() == QTextFormat::NoObject && block.charFormat().font() != text.font()) {
            QTextCharFormat mark = block.charFormat();
            mark.setFont(text.font(), QTextCharFormat::FontPropertiesAll);
            mark.setForeground(text.foreground());
            // A cell's first paragraph mark is the cell's own format, which the marker is drawn in.
            QTextTableCell cell;
            if (mark.isTableCellFormat() && !FTables.empty())
                cell = FTables.back().table->cellAt(block.position());
            if (cell.isValid() && cell.firstPosition() == block.position())
                cell.setFormat(mark);
            else if (!mark.isTableCellFormat())
                FCursor.setBlockCharFormat(mark);
        }
    }
    if (FList && FPreviousNumbered && FListNumbering == numbering && FListOverride == para.listOverride
        && FListLevel == para.listLevel) {
        FList->add(block);
        return;
    }
    // A list of the list table goes on after its sub-lists and after other paragraphs: the third
    // step shows "3.". An item of a level starts the deeper levels after it afresh.
    if (para.listOverride > 0) {
        for (auto it = FLevelLists.begin(); it != FLevelLists.end();) {
            if (it.key().first == para.listOverride && it.key().second > para.listLevel)
                it = FLevelLists.erase(it);
            else
                ++it;
        }
        const auto kept = FLevelLists.constFind({ para.listOverride, para.listLevel });
        if (kept != FLevelLists.constEnd() && kept->list && kept->numbering == numbering) {
            kept->list->add(block);
            FList = kept->list;
            FListNumbering = numbering;
            FListOverride = para.listOverride;
            FListLevel = para.listLevel;
            FPreviousNumbered = true;
            return;
        }
    }
    QTextListFormat listFormat = RichText::ListFormatFor(numbering.numbering, numbering.style,
        numbering.start >= 0 ? numbering.start : 1, numbering.bullet, para.listOverride > 0 ? numbering.numberTemplate : QString());
    if (para.listOverride > 0) {
        listFormat.setProperty(RichText::ListOutline, (FReadNumber << 32) | qint64(para.listOverride));
        listFormat.setProperty(RichText::ListLevel, para.listLevel);
    }
    FList = FCursor.createList(listFormat);
    FListNumbering = numbering;
    FListOverride = para.listOverride;
    FListLevel = para.listLevel;
    FPreviousNumbered = true;
    if (para.listOverride > 0 && FLevelLists.size() < MaxTableEntries)
        FLevelLists.insert({ para.listOverride, para.listLevel }, { FList, numbering });
}

TNumbering TRtfParser::ResolveNumbering(const TParaState& para) const
{
    if (para.listOverride > 0) {
        const auto found = FListOverrides.constFind(para.listOverride);
        const auto list
            = found != FListOverrides.constEnd() ? FListById.constFind(found.value()) : FListById.constEnd();
        if (list != FListById.constEnd() && !FLists[list.value()].levels.empty()) {
            const std::vector<TListLevel>& levels = FLists[list.value()].levels;
            {
                const TListLevel& level = levels[std::min(std::size_t(para.listLevel), levels.size() - 1)];
                if (level.numbering == 0)
                    return {};
                TNumbering numbering;
                numbering.numbering = level.numbering;
                numbering.style = level.numbering == PFN_BULLET ? 0 : level.style;
                numbering.start = level.numbering == PFN_BULLET ? -1 : level.start;
                const auto restarts = FOverrideStartsByNumber.constFind(para.listOverride);
                if (level.numbering != PFN_BULLET && restarts != FOverrideStartsByNumber.constEnd()) {
                    const int start = (*restarts)[std::min(std::size_t(para.listLevel), std::size_t(MaxListLevels - 1))];
                    if (start >= 0)
                        numbering.start = start;
                }
                numbering.bullet = level.numbering == PFN_BULLET ? level.bullet : QString();
                numbering.numberTemplate = level.numbering == PFN_BULLET ? QString() : level.numberTemplate;
                numbering.tab = para.numbering.tab;
                return numbering;
            }
        }
    }
    return para.numbering;
}

const QTextBlockFormat& TRtfParser::BlockFormat(const TParaState& para, const TNumbering& numbering, bool pageBreak)
{
    TParaState key = para;
    key.numbering = numbering;
    key.pageBreakBefore = pageBreak;
    const auto found = FBlockFormats.constFind(key);
    if (found != FBlockFormats.constEnd())
        return found.value();

    QTextBlockFormat format;
    static constexpr Qt::Alignment Alignments[] = { Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter, Qt::AlignJustify };
    format.setAlignment(Alignments[para.alignment]);
    auto setLength = [&format](int property, int twips) {
        if (twips != 0)
            format.setProperty(property, twips);
    };
    setLength(RichText::StartIndent, para.leftIndent + para.firstIndent);
    setLength(RichText::Offset, -para.firstIndent);
    setLength(RichText::RightIndent, para.rightIndent);
    setLength(RichText::SpaceBefore, para.spaceBefore);
    setLength(RichText::SpaceAfter, para.spaceAfter);

    const int spacing = para.lineSpacing;
    int rule = 0;
    int value = 0;
    if (spacing != 0 && para.lineMultiple) {
        // The platform counts multiples in twentieths of a line, RTF in 240ths.
        const int lines = std::abs(spacing);
        rule = lines == 240 ? 0 : lines == 360 ? 1 : lines == 480 ? 2 : 5;
        value = rule == 5 ? std::max(1, int(std::nearbyint(lines / 12.0))) : 0;
    } else if (spacing > 0) {
        rule = 3;
        value = spacing;
    } else if (spacing < 0) {
        rule = 4;
        value = -spacing;
    }
    setLength(RichText::LineSpacingRule, rule);
    setLength(RichText::LineSpacing, value);

    if (para.tabCount > 0) {
        QList<int> stops(para.tabs.begin(), para.tabs.begin() + para.tabCount);
        std::sort(stops.begin(), stops.end());
        stops.erase(std::unique(stops.begin(), stops.end()), stops.end());
        format.setProperty(RichText::TabStops, QVariant::fromValue(stops));
    }
    if (numbering.numbering != 0) {
        format.setProperty(RichText::Numbering, numbering.numbering);
        if (numbering.numbering != PFN_BULLET)
            format.setProperty(RichText::NumberingStyle, numbering.style);
        if (numbering.start >= 0)
            format.setProperty(RichText::NumberingStart, numbering.start);
        if (!numbering.bullet.isEmpty())
            format.setProperty(RichText::NumberingBullet, numbering.bullet);
        if (!numbering.numberTemplate.isEmpty())
            format.setProperty(RichText::NumberingTemplate, numbering.numberTemplate);
        setLength(RichText::NumberingTab, numbering.tab);
    }
    if (pageBreak)
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    if (std::any_of(para.borders.begin(), para.borders.end(), [](const auto& side) { return side.style != 0; })) {
        RichText::TParagraphBorders borders = para.borders;
        for (RichText::TParagraphBorder& side : borders) {
            const QColor color = ColorAt(side.color);
            if (side.style == 0)
                side = {};
            else
                side.color = color.isValid() ? int(color.rgb() & 0xFFFFFF) : -1;
        }
        format.setProperty(RichText::ParagraphBorders, RichText::EncodeParagraphBorders(borders));
    }
    if (para.background > 0 || para.shading > 0) {
        // The shading lays that share of the pattern colour over the background.
        const QColor background = ColorAt(para.background).isValid() ? ColorAt(para.background) : QColor(Qt::white);
        const QColor pattern = ColorAt(para.patternColor).isValid() ? ColorAt(para.patternColor) : QColor(Qt::black);
        auto mix = [&para](int under, int over) { return under + (over - under) * para.shading / 10000; };
        format.setBackground(QColor(mix(background.red(), pattern.red()), mix(background.green(), pattern.green()),
            mix(background.blue(), pattern.blue())));
    }
    RichText::ApplyDisplayProperties(format);

    if (FBlockFormats.size() >= MaxCachedFormats)
        FBlockFormats.clear();
    return FBlockFormats.insert(key, format).value();
}

const QTextCharFormat& TRtfParser::CharFormat(const TCharState& chars)
{
    const auto found = FCharFormats.constFind(chars);
    if (found != FCharFormats.constEnd())
        return found.value();

    QTextCharFormat format = FOptions.defaultFormat;
    const auto font = FFonts.constFind(chars.font);
    if (font != FFonts.constEnd()) {
        format.setFontFamilies(QStringList { font->name });
        if (font->charset >= 0)
            format.setProperty(RichText::Charset, font->charset);
        else
            format.clearProperty(RichText::Charset);
        if (font->pitchAndFamily >= 0)
            format.setProperty(RichText::PitchAndFamily, font->pitchAndFamily);
        else
            format.clearProperty(RichText::PitchAndFamily);
    }
    format.setFontPointSize(chars.halfPoints / 2.0);
    format.setFontWeight(chars.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(chars.italic);
    format.setFontStrikeOut(chars.strike);
    format.setUnderlineStyle(RichText::QtUnderlineFromType(chars.underline));
    if (chars.underline != CFU_UNDERLINENONE)
        format.setProperty(RichText::UnderlineType, chars.underline);
    else
        format.clearProperty(RichText::UnderlineType);

    auto colorAt = [this](int index) {
        return index >= 0 && std::size_t(index) < FColors.size() ? FColors[std::size_t(index)] : QColor();
    };
    const QColor foreground = colorAt(chars.color);
    if (foreground.isValid())
        format.setForeground(foreground);
    else
        format.clearForeground();
    const QColor background = chars.background > 0 ? colorAt(chars.background) : QColor();
    if (background.isValid())
        format.setBackground(background);
    else
        format.clearBackground();

    format.setVerticalAlignment(chars.vertical == 1 ? QTextCharFormat::AlignSuperScript
            : chars.vertical == 2                   ? QTextCharFormat::AlignSubScript
                                                    : QTextCharFormat::AlignNormal);
    if (chars.offsetTwips != 0)
        format.setProperty(RichText::OffsetTwips, chars.offsetTwips);
    else
        format.clearProperty(RichText::OffsetTwips);
    format.setFontCapitalization(chars.capitals == 1 ? QFont::AllUppercase
            : chars.capitals == 2                    ? QFont::SmallCaps
                                                     : QFont::MixedCase);
    if (chars.protect)
        format.setProperty(RichText::Protected, true);
    else
        format.clearProperty(RichText::Protected);
    if (chars.link >= 0) {
        format.setAnchor(true);
        format.setAnchorHref(FLinks[chars.link]);
    }
    if (chars.field >= 0)
        format.setProperty(RichText::FieldInstruction, FFieldInstructions[chars.field]);
    if (FCharFormats.size() >= MaxCachedFormats)
        FCharFormats.clear();
    return FCharFormats.insert(chars, format).value();
}

// ---- Paragraph borders

// The kind, width, colour and spacing words of the paragraph border last named; false for others.
bool TRtfParser::ParagraphBorderWord(TRtfKeyword keyword, int parameter)
{
    auto apply = [this](auto&& change) {
        std::array<RichText::TParagraphBorder, 4>& borders = Top().para.borders;
        if (FBorderSide == 8) {
            for (RichText::TParagraphBorder& side : borders)
                change(side);
        } else {
            change(borders[std::size_t(FBorderSide - 4)]);
        }
    };
    auto setStyle = [&apply](int style) {
        apply([style](RichText::TParagraphBorder& side) {
            side.style = style;
            if (side.width == 0)
                side.width = 15;
        });
    };
    switch (keyword) {
    case TRtfKeyword::kwBrdrs:
        setStyle(1);
        break;
    case TRtfKeyword::kwBrdrth:
        setStyle(2);
        break;
    case TRtfKeyword::kwBrdrdb:
        setStyle(3);
        break;
    case TRtfKeyword::kwBrdrdot:
        setStyle(4);
        break;
    case TRtfKeyword::kwBrdrdash:
        setStyle(5);
        break;
    case TRtfKeyword::kwBrdrhair:
        setStyle(6);
        break;
    case TRtfKeyword::kwBrdrnone:
        apply([](RichText::TParagraphBorder& side) { side = {}; });
        break;
    case TRtfKeyword::kwBrdrw:
        apply([parameter](RichText::TParagraphBorder& side) { side.width = Clamp(parameter, 0, MaxBorderTwips); });
        break;
    case TRtfKeyword::kwBrdrcf:
        apply([parameter](RichText::TParagraphBorder& side) { side.color = std::max(0, parameter); });
        break;
    case TRtfKeyword::kwBrsp:
        apply([parameter](RichText::TParagraphBorder& side) { side.space = Clamp(parameter, 0, MaxLength); });
        break;
    default:
        return false;
    }
    return true;
}

// ---- Table structure

bool TRtfParser::TableWord(TRtfKeyword keyword, int parameter, bool hasParameter)
{
    if (FBorderSide >= 4 && ParagraphBorderWord(keyword, parameter))
        return true;
    TRowDef& row = FRowDefs[std::size_t(FRowDefLevel)];
    TBorderDef* border = FBorderSide >= 0 && FBorderSide < 4 ? &FCellDef.borders[std::size_t(FBorderSide)] : nullptr;
    auto setStyle = [border](Qt::PenStyle style) {
        if (!border)
            return;
        border->style = style;
        if (border->width < 0)
            border->width = 15;
    };
    switch (keyword) {
    case TRtfKeyword::kwTrowd:
        // A nested row is described after its cells, inside its own destination.
        FRowDefLevel = Top().destination == TDestination::dsNestTableProps ? std::max(2, TableDepth(Top().para)) : 1;
        FRowDefs[std::size_t(FRowDefLevel)] = {};
        FCellDef = {};
        FBorderSide = -1;
        break;
    case TRtfKeyword::kwCellx:
        FCellDef.right = Length(parameter);
        if (row.cells.size() < std::size_t(MaxTableColumns))
            row.cells.push_back(FCellDef);
        FCellDef = {};
        FBorderSide = -1;
        break;
    case TRtfKeyword::kwClmgf:
        FCellDef.mergeHorizontal = 1;
        break;
    case TRtfKeyword::kwClmrg:
        FCellDef.mergeHorizontal = 2;
        break;
    case TRtfKeyword::kwClvmgf:
        FCellDef.mergeVertical = 1;
        break;
    case TRtfKeyword::kwClvmrg:
        FCellDef.mergeVertical = 2;
        break;
    case TRtfKeyword::kwClbrdrt:
    case TRtfKeyword::kwClbrdrl:
    case TRtfKeyword::kwClbrdrb:
    case TRtfKeyword::kwClbrdrr:
        FBorderSide = int(keyword) - int(TRtfKeyword::kwClbrdrt);
        break;
    case TRtfKeyword::kwTrbrdrt:
    case TRtfKeyword::kwTrbrdrl:
    case TRtfKeyword::kwTrbrdrb:
    case TRtfKeyword::kwTrbrdrr:
    case TRtfKeyword::kwTrbrdrh:
    case TRtfKeyword::kwTrbrdrv:
        // Cells carry their own borders; the row's do not land on a cell.
        FBorderSide = -1;
        break;
    case TRtfKeyword::kwBrdrs:
    case TRtfKeyword::kwBrdrth:
    case TRtfKeyword::kwBrdrdb:
    case TRtfKeyword::kwBrdrhair:
        setStyle(Qt::SolidLine);
        break;
    case TRtfKeyword::kwBrdrdot:
        setStyle(Qt::DotLine);
        break;
    case TRtfKeyword::kwBrdrdash:
        setStyle(Qt::DashLine);
        break;
    case TRtfKeyword::kwBrdrnone:
        if (border)
            *border = { 0, Qt::NoPen, 0 };
        break;
    case TRtfKeyword::kwBrdrw:
        if (border)
            border->width = Clamp(parameter, 0, MaxBorderTwips);
        break;
    case TRtfKeyword::kwBrdrcf:
        if (border)
            border->color = std::max(0, parameter);
        break;
    case TRtfKeyword::kwClcbpat:
        FCellDef.background = std::max(0, parameter);
        break;
    case TRtfKeyword::kwClshdng:
        FCellDef.shading = Clamp(parameter, 0, 10000);
        break;
    case TRtfKeyword::kwClvertalt:
    case TRtfKeyword::kwClvertalc:
    case TRtfKeyword::kwClvertalb:
        FCellDef.vertical = int(keyword) - int(TRtfKeyword::kwClvertalt);
        break;
    case TRtfKeyword::kwTrql:
        row.alignment = 0;
        break;
    case TRtfKeyword::kwTrqc:
        row.alignment = 1;
        break;
    case TRtfKeyword::kwTrqr:
        row.alignment = 2;
        break;
    case TRtfKeyword::kwTrleft:
        row.left = Length(parameter);
        break;
    case TRtfKeyword::kwTrgaph:
        row.gap = Clamp(parameter, 0, 1440);
        break;
    default:
        return false;
    }
    (void)hasParameter;
    return true;
}

QColor TRtfParser::ColorAt(int index) const
{
    return index >= 0 && std::size_t(index) < FColors.size() ? FColors[std::size_t(index)] : QColor();
}

bool TRtfParser::TakeCharacter()
{
    if (FCharactersLeft <= 1) {
        FLimitReached = true;
        return false;
    }
    --FCharactersLeft;
    return true;
}

// Puts the cursor into the cell the paragraph belongs to (or after the tables it left); false when
// the text limit is reached. A paragraph mark held back in a cell is placed when the cell goes on.
bool TRtfParser::EnterDepth()
{
    const int depth = TableDepth(Top().para);
    if (depth != int(FTables.size()) || (depth > 0 && !FTables.back().cellOpen)) {
        FPendingCellBreak = false;
        EnsureCell(depth);
    } else if (FPendingCellBreak) {
        EndParagraph();
    }
    return !FLimitReached;
}

void TRtfParser::EnsureCell(int depth)
{
    FlushRun();
    depth = std::min(depth, MaxTableNesting);
    while (int(FTables.size()) > depth)
        CloseTable();
    while (!FLimitReached && int(FTables.size()) < depth)
        OpenTable();
    if (!FLimitReached && depth > 0 && int(FTables.size()) == depth)
        OpenCell(FTables.back());
    FParagraphEmpty = FCursor.block().length() <= 1;
}

void TRtfParser::OpenCell(TOpenTable& open)
{
    if (open.cellOpen)
        return;
    QTextTable* table = open.table;
    if (open.rowEnded) {
        if (FCharactersLeft <= table->columns()) {
            FLimitReached = true;
            return;
        }
        FCharactersLeft -= table->columns();
        ++open.row;
        open.column = -1;
        open.rowEnded = false;
        open.current.clear();
        // Rows are made ahead in growing steps: each change of the grid costs a pass over all cells.
        if (open.row >= table->rows())
            table->appendRows(std::clamp(table->rows(), 1, 4096));
    }
    if (open.column < 0 && open.current.empty()) {
        // The row's definition, when it came first, tells each cell its columns.
        const TRowDef& definition = FRowDefs[std::size_t(&open - FTables.data() + 1)];
        open.place.clear();
        if (!definition.cells.empty()) {
            std::vector<int> none;
            std::vector<int> end;
            LayRow(open, definition, none, open.place, end);
        }
    }
    if (open.column + 1 < MaxTableColumns) {
        ++open.column;
        const std::size_t j = std::size_t(open.column);
        int target = j < open.place.size() ? open.place[j] : (open.current.empty() ? 0 : open.current.back() + 1);
        if (target >= table->columns() && table->columns() < MaxTableColumns) {
            if (!TakeCharacter())
                return;
            WidenTable(open);
        }
        open.current.push_back(std::min(target, table->columns() - 1));
    }
    // Cells past the last column allowed are read into the last cell.
    const QTextTableCell cell = table->cellAt(open.row, open.current.empty() ? 0 : open.current.back());
    FCursor.setPosition(cell.lastCursorPosition().position());
    open.cellOpen = true;
}

void TRtfParser::WidenTable(TOpenTable& open)
{
    QTextTable* table = open.table;
    const int old = table->columns();
    table->appendColumns(1);
    // Earlier rows keep their own number of cells: their last cell spans the new column.
    for (int row = 0; row < open.row; ++row) {
        const QTextTableCell last = table->cellAt(row, old - 1);
        if (last.row() == row && last.rowSpan() == 1)
            table->mergeCells(row, last.column(), 1, old + 1 - last.column());
    }
}

void TRtfParser::OpenTable()
{
    if (!FTables.empty()) {
        OpenCell(FTables.back());
        if (FLimitReached)
            return;
    }
    const int level = int(FTables.size()) + 1;
    const int columns = std::clamp(int(FRowDefs[std::size_t(level)].cells.size()), 1, MaxTableColumns);
    if (FCharactersLeft <= columns + 1) {
        FLimitReached = true;
        return;
    }
    // The table ends the paragraph before it: the empty paragraph the last \par opened goes.
    const int position = FCursor.position();
    if (FCursor.atBlockStart() && FCursor.block().length() == 1 && position > 0
        && FCursor.document()->characterAt(position - 1) == RichText::ParagraphBreak) {
        FCursor.deletePreviousChar();
        ++FCharactersLeft;
    } else if (!FCursor.atBlockStart()) {
        FinishBlock();
    }
    QTextTableFormat format;
    format.setBorder(0);
    format.setBorderCollapse(true);
    format.setCellSpacing(0);
    format.setCellPadding(0);
    format.setMargin(0);
    TOpenTable open;
    open.table = FCursor.insertTable(1, columns, format);
    FCharactersLeft -= columns + 1;
    FTables.push_back(std::move(open));
}

void TRtfParser::CloseTable()
{
    FlushRun();
    TOpenTable& open = FTables.back();
    if (open.cellOpen)
        FinishBlock();
    if (!open.rowEnded)
        ShapeRow(open, FRowDefs[FTables.size()]);
    QTextTable* table = open.table;
    if (table->rows() > open.row + 1)
        table->removeRows(open.row + 1, table->rows() - open.row - 1);

    // Fixed column widths from the cells' edges.
    if (open.shaped && int(open.bounds.size()) == table->columns()) {
        QTextTableFormat format = table->format();
        QList<int> rights;
        QList<QTextLength> widths;
        int previous = open.left;
        for (const int right : open.bounds) {
            rights.append(right);
            widths.append(QTextLength(QTextLength::FixedLength, RichText::PixelsFromTwips(std::max(right - previous, 15))));
            previous = right;
        }
        format.setColumnWidthConstraints(widths);
        format.setProperty(RichText::TableCellRights, QVariant::fromValue(rights));
        table->setFormat(format);
    }
    FCursor.setPosition(table->lastPosition() + 1);
    FTables.pop_back();
    FParagraphEmpty = FCursor.block().length() <= 1;
}

void TRtfParser::EndCell(int depth)
{
    FlushRun();
    FPendingCellBreak = false;
    if (FLimitReached)
        return;
    // An empty cell still takes its place.
    EnsureCell(depth);
    if (FLimitReached || int(FTables.size()) != std::min(depth, MaxTableNesting))
        return;
    FinishBlock();
    FTables.back().cellOpen = false;
}

void TRtfParser::EndRow(int depth)
{
    FlushRun();
    FPendingCellBreak = false;
    depth = std::min(depth, MaxTableNesting);
    if (int(FTables.size()) < depth)
        return; // a row without cells
    while (int(FTables.size()) > depth)
        CloseTable();
    TOpenTable& open = FTables.back();
    if (open.rowEnded)
        return;
    if (open.cellOpen) {
        FinishBlock();
        open.cellOpen = false;
    }
    ShapeRow(open, FRowDefs[std::size_t(depth)]);
    open.rowEnded = true;
}

// Lays the row's cells onto the table's columns by their right edges (\cellx), as other word
// processors do: an edge no row had yet splits a column, and the cells of the other rows that it
// cuts are merged again so that they stay whole. Then come the cells' formats and merges.
void TRtfParser::ShapeRow(TOpenTable& open, const TRowDef& definition)
{
    QTextTable* table = open.table;
    const int row = open.row;
    const int used = int(open.current.size());
    if (used <= 0)
        return;
    if (!open.shaped) {
        open.shaped = true;
        open.left = definition.left;
        QTextTableFormat format = table->format();
        static constexpr Qt::Alignment Alignments[] = { Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight };
        format.setAlignment(Alignments[definition.alignment]);
        if (definition.alignment == 0 && definition.left > 0)
            format.setLeftMargin(RichText::PixelsFromTwips(definition.left));
        format.setProperty(RichText::TableLeft, definition.left);
        format.setProperty(RichText::TableGap, definition.gap);
        table->setFormat(format);
    }

    std::vector<int> current = open.current;
    std::vector<int> first;
    std::vector<int> end;
    LayRow(open, definition, current, first, end);
    const int columns = table->columns();
    const std::size_t count = first.size();

    // Cells whose place moved take their text along.
    std::vector<std::pair<int, QTextDocumentFragment>> moves;
    for (int j = 0; j < used; ++j) {
        if (current[std::size_t(j)] == first[std::size_t(j)])
            continue;
        const QTextTableCell cell = table->cellAt(row, current[std::size_t(j)]);
        QTextCursor cursor = cell.firstCursorPosition();
        cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
        moves.emplace_back(first[std::size_t(j)], cursor.selection());
        cursor.removeSelectedText();
    }
    for (const auto& [column, fragment] : moves) {
        if (fragment.isEmpty())
            continue;
        QTextCursor cursor = table->cellAt(row, column).lastCursorPosition();
        cursor.insertFragment(fragment);
    }

    const double gap = RichText::PixelsFromTwips(definition.gap);
    for (std::size_t j = 0; j < count;) {
        std::size_t k = j + 1;
        const TCellDef* def = j < definition.cells.size() ? &definition.cells[j] : nullptr;
        if (def && def->mergeHorizontal == 1) {
            while (k < count && k < definition.cells.size() && definition.cells[k].mergeHorizontal == 2)
                ++k;
        }
        const int from = first[j];
        int to = std::min(end[k - 1], columns);
        if (k == count && to < columns)
            to = columns; // a row narrower than the table: its last cell spans the rest
        const QTextTableCell cell = table->cellAt(row, from);
        if (cell.row() != row || cell.column() != from) {
            j = k;
            continue;
        }
        if (to - from > 1)
            table->mergeCells(row, from, 1, to - from);
        if (def) {
            QTextTableCellFormat format;
            // The font its first list marker is drawn in, given when the cell's text was read.
            const QTextCharFormat kept = cell.format();
            format.setFont(kept.font(), QTextCharFormat::FontPropertiesSpecifiedOnly);
            if (kept.hasProperty(QTextFormat::ForegroundBrush))
                format.setForeground(kept.foreground());
            format.setLeftPadding(gap);
            format.setRightPadding(gap);
            for (std::size_t side = 0; side < def->borders.size(); ++side) {
                const TBorderDef& border = def->borders[side];
                if (border.width <= 0 || border.style == Qt::NoPen)
                    continue;
                const double width = std::max(1.0, RichText::PixelsFromTwips(border.width));
                const QTextFrameFormat::BorderStyle style = border.style == Qt::DotLine ? QTextFrameFormat::BorderStyle_Dotted
                    : border.style == Qt::DashLine                                      ? QTextFrameFormat::BorderStyle_Dashed
                                                                                        : QTextFrameFormat::BorderStyle_Solid;
                const QColor color = ColorAt(border.color);
                const QBrush brush(color.isValid() ? color : QColor(Qt::black));
                switch (side) {
                case 0:
                    format.setTopBorder(width), format.setTopBorderStyle(style), format.setTopBorderBrush(brush);
                    break;
                case 1:
                    format.setLeftBorder(width), format.setLeftBorderStyle(style), format.setLeftBorderBrush(brush);
                    break;
                case 2:
                    format.setBottomBorder(width), format.setBottomBorderStyle(style), format.setBottomBorderBrush(brush);
                    break;
                default:
                    format.setRightBorder(width), format.setRightBorderStyle(style), format.setRightBorderBrush(brush);
                    break;
                }
            }
            QColor background = def->background > 0 ? ColorAt(def->background) : QColor();
            if (def->shading > 0) {
                // The shading darkens the fill (white when none) towards black.
                const QColor base = background.isValid() ? background : QColor(Qt::white);
                const double keep = 1.0 - def->shading / 10000.0;
                background = QColor(int(base.red() * keep), int(base.green() * keep), int(base.blue() * keep));
            }
            if (background.isValid())
                format.setBackground(background);
            if (def->vertical == 1)
                format.setVerticalAlignment(QTextCharFormat::AlignMiddle);
            else if (def->vertical == 2)
                format.setVerticalAlignment(QTextCharFormat::AlignBottom);
            QTextTableCell(table->cellAt(row, from)).setFormat(format);

            // Vertical merges run down from the cell that starts them, as wide as it is.
            int& top = open.mergeFrom[std::size_t(from)];
            if (def->mergeVertical == 2 && top >= 0)
                table->mergeCells(top, from, row - top + 1, to - from);
            else
                top = def->mergeVertical == 1 ? row : -1;
        } else {
            open.mergeFrom[std::size_t(from)] = -1;
        }
        for (int column = from + 1; column < to; ++column)
            open.mergeFrom[std::size_t(column)] = -1;
        j = k;
    }
}

// Makes the table's columns hold every edge of the row, and gives each of the row's cells its first
// column and the column after its last; current (the columns cells already went to) follows the
// columns inserted.
void TRtfParser::LayRow(TOpenTable& open, const TRowDef& definition, std::vector<int>& current, std::vector<int>& first,
    std::vector<int>& end)
{
    constexpr int Tolerance = 20; // twips: writers round the same edge differently from row to row
    QTextTable* table = open.table;
    const int row = open.row;
    // The row's edges, rising; cells the definition leaves out are an inch wide.
    std::vector<int> edges;
    int previous = definition.left;
    for (const TCellDef& cell : definition.cells) {
        previous = std::min(std::max(cell.right, previous + Tolerance + 1), MaxPageTwips);
        edges.push_back(previous);
    }
    while (edges.size() < std::max(current.size(), std::size_t(1))) {
        previous = std::min(previous + 1440, MaxPageTwips);
        edges.push_back(previous);
    }
    std::vector<int>& bounds = open.bounds;
    // Columns made for cells before any edge was known take the first edges past the known ones.
    std::size_t next = 0;
    while (int(bounds.size()) < table->columns()) {
        while (next < edges.size() && !bounds.empty() && edges[next] <= bounds.back() + Tolerance)
            ++next;
        bounds.push_back(next < edges.size() ? edges[next++] : (bounds.empty() ? definition.left : bounds.back()) + 1440);
    }
    open.mergeFrom.resize(bounds.size(), -1);

    for (const int edge : edges) {
        const auto at = std::lower_bound(bounds.begin(), bounds.end(), edge - Tolerance);
        if ((at != bounds.end() && *at <= edge + Tolerance) || table->columns() >= MaxTableColumns)
            continue;
        const int column = int(at - bounds.begin());
        const int columns = table->columns();
        if (column == columns) {
            table->appendColumns(1);
            for (int other = 0; other < row; ++other) {
                const QTextTableCell last = table->cellAt(other, columns - 1);
                if (last.row() == other)
                    table->mergeCells(other, last.column(), last.rowSpan(), columns + 1 - last.column());
            }
        } else {
            // The split column keeps its cells as its left part; the other rows' cells that ended
            // with it take the new right part too (those running past it were widened already).
            table->insertColumns(column + 1, 1);
            for (int other = 0; other < row; ++other) {
                const QTextTableCell cell = table->cellAt(other, column);
                if (cell.row() == other && cell.column() + cell.columnSpan() - 1 == column)
                    table->mergeCells(other, cell.column(), cell.rowSpan(), cell.columnSpan() + 1);
            }
            for (int& c : current) {
                if (c > column)
                    ++c;
            }
        }
        open.mergeFrom.insert(open.mergeFrom.begin() + std::min(column + 1, int(open.mergeFrom.size())), -1);
        bounds.insert(bounds.begin() + column, edge);
    }

    const int columns = table->columns();
    const auto columnOf = [&](int edge) {
        const auto at = std::lower_bound(bounds.begin(), bounds.end(), edge - Tolerance);
        return std::min(int(at - bounds.begin()), columns - 1);
    };
    const std::size_t count = edges.size();
    first.assign(count, 0);
    end.assign(count, 0);
    for (std::size_t j = 0; j < count; ++j) {
        first[j] = j == 0 ? std::min(columnOf(definition.left + Tolerance + 1), columns - 1) : std::min(end[j - 1], columns - 1);
        end[j] = std::max(columnOf(edges[j]) + 1, first[j] + 1);
    }

}

// ---- Tables of the document

// Font names are in the font's own code page, but a symbol font's name is plain text.
void TRtfParser::DecodeFontName()
{
    TFontEntry& entry = FFontEntry;
    if (entry.pendingBytes.isEmpty())
        return;
    int codePage = entry.codePage ? entry.codePage : CodePageFromCharset(entry.charset, FDocumentCodePage);
    if (codePage == CpSymbol)
        codePage = FDocumentCodePage;
    if (const TSingleByteTable* table = SingleByteTable(codePage)) {
        for (char b : entry.pendingBytes)
            entry.name += QChar(table->map[static_cast<unsigned char>(b)]);
    } else {
        FMultiByte.Decode(codePage, entry.pendingBytes, entry.name);
        entry.name.removeIf([](QChar c) { return !IsTextCharacter(c.unicode()) || c == u'\t'; });
    }
    entry.pendingBytes.clear();
}

void TRtfParser::FinishFontEntry()
{
    if (FFontNumber < 0)
        return;
    DecodeFontName();
    TFontEntry& entry = FFontEntry;
    entry.name = entry.name.trimmed();
    if (FFonts.size() < MaxTableEntries || FFonts.contains(FFontNumber))
        FFonts.insert(FFontNumber, entry);
    FFontNumber = -1;
    entry = {};
}

void TRtfParser::FinishColor()
{
    if (FColors.size() >= MaxTableEntries)
        return;
    if (FRed < 0 && FGreen < 0 && FBlue < 0)
        FColors.emplace_back();
    else
        FColors.emplace_back(std::max(FRed, 0), std::max(FGreen, 0), std::max(FBlue, 0));
    FRed = FGreen = FBlue = -1;
}

// A level text is its length, then its characters with the placeholders of level numbers (codes 0..8).
namespace {

// A bullet level's marker as it is shown; empty for the usual bullet. The symbol fonts' private
// characters stand for the shapes they draw.
QString BulletFromLevelText(const QString& text)
{
    if (text.isEmpty())
        return {};
    QString marker = text.left(text.front().isHighSurrogate() ? 2 : 1);
    switch (marker.front().unicode()) {
    case 0xF0B7:
    case 0x00B7:
    case 0x2022:
        return {};
    case 0xF0A7:
        return QStringLiteral("\u25AA");
    case 0xF06F:
        return QStringLiteral("\u25E6");
    default:
        return marker.front().unicode() >= 0xE000 && marker.front().unicode() < 0xF900 ? QString() : marker;
    }
}

} // namespace

void TRtfParser::FinishLevelText()
{
    if (FLists.empty() || FLists.back().levels.empty() || FLevelText.isEmpty())
        return;
    QString text = FLevelText;
    const int length = text[0].unicode();
    text = length < 0x20 ? text.mid(1, length) : text;
    if (text.endsWith(u';'))
        text.chop(1);
    qsizetype placeholder = -1;
    for (qsizetype i = 0; i < text.size() && placeholder < 0; ++i) {
        if (text[i].unicode() < 9)
            placeholder = i;
    }
    TListLevel& level = FLists.back().levels.back();
    if (placeholder < 0) {
        // A level text without a number is a fixed marker, whatever number format the level names.
        if (!text.trimmed().isEmpty() && level.numbering != 0) {
            level.numbering = PFN_BULLET;
            level.bullet = BulletFromLevelText(text.trimmed());
        }
        level.style = PFNS_PLAIN;
        return;
    }
    QString after = text.mid(placeholder + 1);
    for (qsizetype i = 0; i < after.size(); ++i) {
        if (after[i].unicode() < 9) {
            after.truncate(i);
            break;
        }
    }
    level.style = StyleFromTexts(text.left(placeholder), after);
    // A number that shows higher levels' numbers too ("2.1."), or another level's only, keeps its text.
    const int own = int(FLists.back().levels.size()) - 1;
    const qsizetype numbers = std::count_if(text.begin(), text.end(), [](QChar c) { return c.unicode() < 9; });
    if (numbers > 1 || text[placeholder].unicode() != own) {
        level.numberTemplate = text;
        for (QChar& c : level.numberTemplate) {
            if (c.unicode() < 9)
                c = QChar(0xE000 + c.unicode());
        }
    }
}

void TRtfParser::FinishNumbering()
{
    const TPendingNumbering& pending = FPendingNumbering;
    TNumbering& numbering = Top().para.numbering;
    numbering = {};
    if (pending.bullet) {
        numbering.numbering = PFN_BULLET;
        numbering.bullet = BulletFromLevelText(pending.before.trimmed());
    } else if (pending.body) {
        numbering.numbering = pending.format ? pending.format : PFN_ARABIC;
        numbering.style = StyleFromTexts(pending.before.trimmed(), pending.after.trimmed());
        numbering.start = pending.start >= 0 ? pending.start : 1;
    }
    if (numbering.numbering != 0)
        numbering.tab = pending.indent;
}

void TRtfParser::SetDocumentCodePage(int codePage)
{
    FDocumentCodePage = codePage;
    for (TGroupState& state : FStack)
        UpdateCodePage(state);
}

void TRtfParser::UpdateCodePage(TGroupState& state) const
{
    state.codePage = FontCodePage(state.chars.font);
    state.table = SingleByteTable(state.codePage);
}

int TRtfParser::FontCodePage(int font) const
{
    const auto found = FFonts.constFind(font);
    if (found == FFonts.constEnd())
        return FDocumentCodePage;
    const TFontEntry& entry = found.value();
    if (entry.codePage > 0)
        return entry.codePage;
    const bool symbolName = entry.name.startsWith(QLatin1String("Symbol"), Qt::CaseInsensitive);
    if (entry.charset < 0)
        return symbolName ? CpSymbol : FDocumentCodePage;
    const int codePage = CodePageFromCharset(entry.charset, FDocumentCodePage);
    if (codePage == CpSymbol && !symbolName)
        return CpPrivateSymbol;
    return codePage;
}

} // namespace

void TRtfReader::Read(const QByteArray& rtf, QTextCursor& cursor, const TRtfReadOptions& options)
{
    if (!rtf.startsWith("{\\rtf"))
        throw EConvertError(QStringLiteral("The data are not in Rich Text Format"));
    if (cursor.isNull())
        return;
    TEditBlock edit(cursor);
    if (cursor.hasSelection())
        cursor.removeSelectedText();
    TRtfParser parser(rtf, cursor, options);
    parser.Run();
}
