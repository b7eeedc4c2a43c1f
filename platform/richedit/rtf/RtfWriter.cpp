// RtfWriter.cpp: the document model to RTF in the control's dialect. A first pass collects the runs of
// the range with their resolved formats, the fonts and the colours; the second writes the header and
// the paragraphs, emitting only the formatting that changes from run to run.
#include "RtfWriter.h"

#include "RichEditRecords.h"
#include "RichTextFormat.h"
#include "RtfCodePages.h"
#include "RtfPicture.h"
#include "RtfTokenizer.h"

#include <QBrush>
#include <QHash>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr int MaxListLevels = 9;

enum class TEncoding : int {
    enAnsi = 0, // Windows-1252 bytes as \'hh, the rest as \u
    enSymbol = 1, // the Symbol font's codes
    enPrivateSymbol = 2, // other symbol fonts: U+F000 + code
    enUnicode = 3, // fonts of other code pages: everything beyond ASCII as \u
};

struct TFontKey {
    QString family;
    int charset = DEFAULT_CHARSET;
    int pitchAndFamily = 0;
    bool operator==(const TFontKey&) const = default;
};

size_t qHash(const TFontKey& key, size_t seed = 0)
{
    return qHashMulti(seed, key.family, key.charset, key.pitchAndFamily);
}

struct TRunFormat {
    int font = 0;
    int halfPoints = 24;
    int color = 0; // colour table index, 0 automatic
    int background = 0;
    int underline = CFU_UNDERLINENONE;
    int offsetHalfPoints = 0;
    int vertical = 0; // 0 baseline, 1 superscript, 2 subscript
    int capitals = 0; // 0 as typed, 1 all capitals, 2 small capitals
    int link = -1;
    bool bold = false;
    bool italic = false;
    bool strike = false;
    bool protect = false;
    TEncoding encoding = TEncoding::enAnsi;
};

struct TRun {
    int format = 0;
    int object = -1; // index of the object format when the run holds objects
    QString text;
};

// A table cell a paragraph lies in: its table, row and first column, and how many columns it spans.
struct TCellRef {
    const QTextTable* table = nullptr;
    int row = 0;
    int column = 0;
    int columnSpan = 1;
    bool operator==(const TCellRef&) const = default;
};

// A row being written at one nesting level.
struct TRowLevel {
    const QTextTable* table = nullptr;
    int row = 0;
    int nextColumn = 0; // the grid column the next cell mark stands for
    bool cellOpen = false;
    int column = 0;
    int columnSpan = 1;
};

struct TParagraph {
    QTextBlockFormat format;
    std::vector<TCellRef> cells; // outermost first; empty outside tables
    bool firstInFrame = false; // at the start of the document or of a cell
    int markFormat = 0; // the paragraph mark's format: an empty paragraph's height comes from it
    std::size_t firstRun = 0;
    std::size_t runCount = 0;
    bool breakAfter = false;
    const QTextList* list = nullptr; // paragraphs of one list number on across others
};

// The paragraph properties the writer emits; a paragraph writes \pard and them when they change.
struct TParaFormat {
    int alignment = 0; // 0 left, 1 right, 2 centre, 3 justified
    int startIndent = 0;
    int offset = 0;
    int rightIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    int lineSpacing = 0;
    int lineSpacingRule = 0;
    int numbering = 0;
    int numberingStyle = 0;
    int numberingStart = -1;
    int numberingTab = 0;
    QString bullet; // a bullet list's marker other than "•"
    QString numberTemplate; // RichText::NumberingTemplate
    QList<int> tabs;
    QString borders; // RichText::EncodeParagraphBorders
    int background = -1; // RGB; -1 none
    bool operator==(const TParaFormat&) const = default;
    bool SameNumbering(const TParaFormat& other) const
    {
        return numbering == other.numbering && numberingStyle == other.numberingStyle
            && numberingStart == other.numberingStart && bullet == other.bullet && numberTemplate == other.numberTemplate;
    }
};

TParaFormat ParaFormatOf(const QTextBlockFormat& format)
{
    TParaFormat para;
    const Qt::Alignment alignment = format.alignment() & Qt::AlignHorizontal_Mask;
    if (alignment & (Qt::AlignRight | Qt::AlignTrailing))
        para.alignment = 1;
    else if (alignment & Qt::AlignHCenter)
        para.alignment = 2;
    else if (alignment & Qt::AlignJustify)
        para.alignment = 3;
    para.startIndent = format.intProperty(RichText::StartIndent);
    para.offset = format.intProperty(RichText::Offset);
    para.rightIndent = format.intProperty(RichText::RightIndent);
    para.spaceBefore = format.intProperty(RichText::SpaceBefore);
    para.spaceAfter = format.intProperty(RichText::SpaceAfter);
    para.lineSpacing = format.intProperty(RichText::LineSpacing);
    para.lineSpacingRule = format.intProperty(RichText::LineSpacingRule);
    para.numbering = format.intProperty(RichText::Numbering);
    if (para.numbering != 0) {
        para.numberingStyle = format.intProperty(RichText::NumberingStyle);
        if (format.hasProperty(RichText::NumberingStart))
            para.numberingStart = format.intProperty(RichText::NumberingStart);
        para.numberingTab = format.intProperty(RichText::NumberingTab);
        para.bullet = format.stringProperty(RichText::NumberingBullet);
        para.numberTemplate = format.stringProperty(RichText::NumberingTemplate);
    }
    para.tabs = format.property(RichText::TabStops).value<QList<int>>();
    para.borders = format.stringProperty(RichText::ParagraphBorders);
    if (format.background().style() != Qt::NoBrush)
        para.background = int(format.background().color().rgb() & 0xFFFFFF);
    return para;
}


const char* UnderlineWord(int type)
{
    switch (type) {
    case CFU_UNDERLINENONE:
        return "ulnone";
    case CFU_UNDERLINEWORD:
        return "ulw";
    case CFU_UNDERLINEDOUBLE:
        return "uldb";
    case CFU_UNDERLINEDOTTED:
        return "uld";
    case CFU_UNDERLINEDASH:
        return "uldash";
    case CFU_UNDERLINEDASHDOT:
        return "uldashd";
    case CFU_UNDERLINEDASHDOTDOT:
        return "uldashdd";
    case CFU_UNDERLINEWAVE:
        return "ulwave";
    case CFU_UNDERLINETHICK:
        return "ulth";
    default:
        return "ul";
    }
}

class TRtfEmitter {
public:
    explicit TRtfEmitter(const TRtfWriteOptions& options);
    void Collect(const QTextDocument& document, int start, int end);
    QByteArray Emit();

private:
    int FormatSlot(int formatIndex, const QTextCharFormat& format);
    TRunFormat RunFormat(const QTextCharFormat& format);
    QVariant Property(const QTextCharFormat& format, int property) const;
    int FontIndex(const TFontKey& key);
    int ColorIndex(const QVariant& brush);
    int SymbolFont();

    void WriteHeader();
    void WriteListTable();
    void WriteListLevel(const TParaFormat& level, int index);
    void KeepGroups(const RichText::TKeptGroups& kept);
    void WriteParagraphFormat(const TParaFormat& para, int number, int list, int level);
    void WriteNumberText(const TParaFormat& para, int number);
    void WriteChanges(const TRunFormat& format);
    void WriteText(QStringView text, const TRunFormat& format, int object);
    void WriteObject(const QTextCharFormat& format, const TRunFormat& runFormat);
    void OpenLink(int link);
    void CloseLink();

    std::vector<TCellRef> CellsOf(const QTextBlock& block) const;
    QByteArray RowDefinition(const QTextTable& table, int row);
    void EnterCells(const std::vector<TCellRef>& cells);
    void WriteEmptyCell(std::size_t level);
    void WriteCellEnd(std::size_t level);
    void WriteRowEnd(std::size_t level);

    void Word(const char* name);
    void Word(const char* name, int value);
    void Open();
    void Close();
    void Literal(char c);
    void Hex(int byte);
    void Unicode(char16_t character);
    void AppendInt(int value);

    const TRtfWriteOptions& FOptions;
    QByteArray FOut;
    bool FNeedSpace = false; // a control word was written: literal text needs a delimiter first

    std::vector<TFontKey> FFonts;
    QHash<TFontKey, int> FFontIndex;
    std::vector<QRgb> FColors;
    QHash<QRgb, int> FColorIndex;
    RichText::TPageSetup FPageSetup = RichText::NoPageSetup();
    QByteArray FKeptGroups; // headers and footers as read, renumbered for this file's tables
    QStringList FLinks;
    QHash<QString, int> FLinkIndex;
    int FSymbolFont = -1;

    std::vector<TRunFormat> FFormats;
    QHash<int, int> FFormatSlots; // document format index to FFormats
    std::vector<TRun> FRuns;
    std::vector<TParagraph> FParagraphs;
    std::vector<QTextCharFormat> FObjects;
    std::vector<TParaFormat> FParaFormats; // of FParagraphs
    std::vector<int> FParagraphLists; // of FParagraphs: the \ls number, 0 for none
    std::vector<int> FParagraphLevels; // of FParagraphs: the \ilvl number
    QString FNumberText; // the marker of the paragraph being written when made of several levels' numbers
    std::vector<std::vector<TParaFormat>> FLists; // the numbering of each list's levels; numbering 0 for unused
    qsizetype FTextLength = 0;

    TRunFormat FState; // the formatting the reader has at this point of the output
    bool FStateKnown = false;
    TRunFormat FStateOutsideLink;
    int FOpenLink = -1;

    bool FHasTables = false;
    QHash<QPair<const QTextTable*, int>, QByteArray> FRowDefinitions;
    std::vector<TRowLevel> FLevels; // the rows the output is in, outermost first
    bool FTableMarkWritten = false; // a cell or row mark: the next paragraph states its format afresh
};

TRtfEmitter::TRtfEmitter(const TRtfWriteOptions& options)
    : FOptions(options)
{
    // Font 0 is the default format's, which \deff names.
    RunFormat(options.defaultFormat);
}

void TRtfEmitter::Collect(const QTextDocument& document, int start, int end)
{
    // A part of a document (a copy to the clipboard) is no document of its own pages.
    if (start == 0 && end >= document.characterCount() - 1) {
        FPageSetup = RichText::PageSetupOf(document);
        KeepGroups(RichText::KeptGroupsOf(document));
    }
    FHasTables = !document.rootFrame()->childFrames().isEmpty();
    QTextBlock block = document.findBlock(start);
    bool first = true;
    while (block.isValid()) {
        const int blockStart = block.position();
        if (!first && blockStart >= end)
            break;
        first = false;
        TParagraph paragraph;
        paragraph.format = block.blockFormat();
        paragraph.list = block.textList();
        paragraph.markFormat = FormatSlot(block.charFormatIndex(), block.charFormat());
        paragraph.firstRun = FRuns.size();
        if (FHasTables) {
            paragraph.cells = CellsOf(block);
            paragraph.firstInFrame = blockStart == 0 || document.characterAt(blockStart - 1) == QChar(0xFDD0);
            for (const TCellRef& cell : paragraph.cells) {
                const auto key = qMakePair(cell.table, cell.row);
                if (!FRowDefinitions.contains(key))
                    FRowDefinitions.insert(key, RowDefinition(*cell.table, cell.row));
            }
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const int fragmentStart = fragment.position();
            const int fragmentEnd = fragmentStart + fragment.length();
            const int from = std::max(fragmentStart, start);
            const int to = std::min(fragmentEnd, end);
            if (from >= to)
                continue;
            TRun run;
            const QTextCharFormat format = fragment.charFormat();
            run.format = FormatSlot(fragment.charFormatIndex(), format);
            run.text = fragment.text();
            if (from != fragmentStart || to != fragmentEnd)
                run.text = run.text.mid(from - fragmentStart, to - from);
            if (format.objectType() != QTextFormat::NoObject || format.isImageFormat()) {
                run.object = int(FObjects.size());
                FObjects.push_back(format);
            }
            FTextLength += run.text.size();
            FRuns.push_back(std::move(run));
        }
        paragraph.runCount = FRuns.size() - paragraph.firstRun;
        paragraph.breakAfter = blockStart + block.length() - 1 < end;
        if (paragraph.format.intProperty(RichText::Numbering) == PFN_BULLET)
            SymbolFont();
        // The colour table is written before the paragraphs that name its colours.
        if (paragraph.format.hasProperty(RichText::ParagraphBorders)) {
            for (const RichText::TParagraphBorder& side :
                RichText::DecodeParagraphBorders(paragraph.format.stringProperty(RichText::ParagraphBorders))) {
                if (side.style != 0 && side.color >= 0)
                    ColorIndex(QBrush(QColor::fromRgb(QRgb(side.color))));
            }
        }
        if (paragraph.format.background().style() != Qt::NoBrush)
            ColorIndex(paragraph.format.background());
        FParagraphs.push_back(std::move(paragraph));
        block = block.next();
    }
    if (!FHasTables)
        return;
    // A table at the start of the document or of a cell has an empty paragraph before it that only the
    // document model needs; written, it would show as an empty line above the table.
    std::vector<TParagraph> kept;
    kept.reserve(FParagraphs.size());
    for (std::size_t i = 0; i < FParagraphs.size(); ++i) {
        const TParagraph& paragraph = FParagraphs[i];
        const bool tableFollows = i + 1 < FParagraphs.size()
            && FParagraphs[i + 1].cells.size() > paragraph.cells.size()
            && std::equal(paragraph.cells.begin(), paragraph.cells.end(), FParagraphs[i + 1].cells.begin());
        if (paragraph.firstInFrame && paragraph.runCount == 0 && tableFollows)
            continue;
        kept.push_back(std::move(FParagraphs[i]));
    }
    FParagraphs = std::move(kept);
}

std::vector<TCellRef> TRtfEmitter::CellsOf(const QTextBlock& block) const
{
    std::vector<TCellRef> cells;
    const QTextCursor cursor(block);
    for (const QTextFrame* frame = cursor.currentFrame(); frame; frame = frame->parentFrame()) {
        const auto* table = qobject_cast<const QTextTable*>(frame);
        if (!table)
            continue;
        const QTextTableCell cell = table->cellAt(block.position());
        if (cell.isValid())
            cells.insert(cells.begin(), { table, cell.row(), cell.column(), cell.columnSpan() });
    }
    return cells;
}

// \trowd and the cell definitions of a row: merges, borders, shading and right boundaries.
QByteArray TRtfEmitter::RowDefinition(const QTextTable& table, int row)
{
    const QTextTableFormat format = table.format();
    const int columns = table.columns();
    const int left = format.intProperty(RichText::TableLeft);
    QList<int> rights = format.property(RichText::TableCellRights).value<QList<int>>();
    if (rights.size() != columns) {
        // A table made here: its widths in twips, or an even share of a 6.5 inch line.
        rights.clear();
        const QList<QTextLength> widths = format.columnWidthConstraints();
        int x = left;
        for (int column = 0; column < columns; ++column) {
            int width = 9360 / std::max(1, columns);
            if (column < widths.size() && widths[column].type() == QTextLength::FixedLength)
                width = int(std::lround(widths[column].rawValue() * 1440.0 / RichText::DisplayDpi));
            else if (column < widths.size() && widths[column].type() == QTextLength::PercentageLength)
                width = int(std::lround(widths[column].rawValue() * 93.6));
            x += std::max(width, 15);
            rights.append(x);
        }
    }
    QByteArray out = "\\trowd";
    out += "\\trgaph" + QByteArray::number(format.intProperty(RichText::TableGap));
    out += "\\trleft" + QByteArray::number(left);
    if (format.alignment() & Qt::AlignHCenter)
        out += "\\trqc";
    else if (format.alignment() & Qt::AlignRight)
        out += "\\trqr";
    for (int column = 0; column < columns; ++column) {
        const QTextTableCell cell = table.cellAt(row, column);
        if (cell.row() < row)
            out += cell.column() < column ? "\\clvmrg\\clmrg" : cell.columnSpan() > 1 ? "\\clvmrg\\clmgf" : "\\clvmrg";
        else if (cell.column() < column)
            out += "\\clmrg";
        else {
            if (cell.columnSpan() > 1)
                out += "\\clmgf";
            if (cell.rowSpan() > 1)
                out += "\\clvmgf";
        }
        const QTextTableCellFormat cellFormat = cell.format().toTableCellFormat();
        if (cellFormat.verticalAlignment() == QTextCharFormat::AlignMiddle)
            out += "\\clvertalc";
        else if (cellFormat.verticalAlignment() == QTextCharFormat::AlignBottom)
            out += "\\clvertalb";
        struct TSide {
            const char* word;
            int width;
            int style;
            int brush;
        };
        static constexpr TSide Sides[] = {
            { "\\clbrdrt", QTextFormat::TableCellTopBorder, QTextFormat::TableCellTopBorderStyle,
                QTextFormat::TableCellTopBorderBrush },
            { "\\clbrdrl", QTextFormat::TableCellLeftBorder, QTextFormat::TableCellLeftBorderStyle,
                QTextFormat::TableCellLeftBorderBrush },
            { "\\clbrdrb", QTextFormat::TableCellBottomBorder, QTextFormat::TableCellBottomBorderStyle,
                QTextFormat::TableCellBottomBorderBrush },
            { "\\clbrdrr", QTextFormat::TableCellRightBorder, QTextFormat::TableCellRightBorderStyle,
                QTextFormat::TableCellRightBorderBrush },
        };
        for (const TSide& side : Sides) {
            const double width = cellFormat.doubleProperty(side.width);
            const int style = cellFormat.intProperty(side.style);
            if (width <= 0 || style == QTextFrameFormat::BorderStyle_None)
                continue;
            out += side.word;
            out += style == QTextFrameFormat::BorderStyle_Dotted ? "\\brdrdot"
                : style == QTextFrameFormat::BorderStyle_Dashed  ? "\\brdrdash"
                                                                 : "\\brdrs";
            out += "\\brdrw" + QByteArray::number(std::clamp(int(std::lround(width * 1440.0 / RichText::DisplayDpi)), 1, 75));
            const int color = ColorIndex(cellFormat.property(side.brush));
            if (color > 0)
                out += "\\brdrcf" + QByteArray::number(color);
        }
        const int background = ColorIndex(cellFormat.property(QTextFormat::BackgroundBrush));
        if (background > 0)
            out += "\\clcbpat" + QByteArray::number(background);
        out += "\\cellx" + QByteArray::number(rights[column]);
    }
    return out;
}

// Leaves the cells and rows the paragraph is not in, and enters its own, writing the marks between.
void TRtfEmitter::EnterCells(const std::vector<TCellRef>& cells)
{
    std::size_t common = 0;
    while (common < FLevels.size() && common < cells.size() && FLevels[common].cellOpen
        && FLevels[common].table == cells[common].table && FLevels[common].row == cells[common].row
        && FLevels[common].column == cells[common].column)
        ++common;
    while (FLevels.size() > common) {
        const std::size_t level = FLevels.size();
        TRowLevel& row = FLevels.back();
        if (row.cellOpen)
            WriteCellEnd(level);
        if (cells.size() >= level && cells[level - 1].table == row.table && cells[level - 1].row == row.row)
            break; // the next cell of the same row
        WriteRowEnd(level);
        FLevels.pop_back();
    }
    for (std::size_t level = 1; level <= cells.size(); ++level) {
        const TCellRef& cell = cells[level - 1];
        if (level <= FLevels.size() && FLevels[level - 1].cellOpen)
            continue;
        if (level > FLevels.size()) {
            FLevels.push_back({ cell.table, cell.row, 0, false, 0, 1 });
            // A row of the outer table states its cells first; a nested row states them at its end.
            if (level == 1)
                FOut += FRowDefinitions.value(qMakePair(cell.table, cell.row)), FNeedSpace = true;
        }
        TRowLevel& row = FLevels[level - 1];
        // Places of cells merged into one above, or left out of the range written.
        while (row.nextColumn < cell.column)
            WriteEmptyCell(level), ++row.nextColumn;
        row.cellOpen = true;
        row.column = cell.column;
        row.columnSpan = cell.columnSpan;
    }
}

void TRtfEmitter::WriteEmptyCell(std::size_t level)
{
    Word("pard");
    Word("intbl");
    Word("itap", int(level));
    Word(level == 1 ? "cell" : "nestcell");
    FTableMarkWritten = true;
}

void TRtfEmitter::WriteCellEnd(std::size_t level)
{
    TRowLevel& row = FLevels[level - 1];
    Word(level == 1 ? "cell" : "nestcell");
    FTableMarkWritten = true;
    row.cellOpen = false;
    row.nextColumn = row.column + 1;
    for (int spanned = 1; spanned < row.columnSpan; ++spanned)
        WriteEmptyCell(level), ++row.nextColumn;
}

void TRtfEmitter::WriteRowEnd(std::size_t level)
{
    TRowLevel& row = FLevels[level - 1];
    while (row.nextColumn < row.table->columns())
        WriteEmptyCell(level), ++row.nextColumn;
    if (level == 1) {
        Word("row");
    } else {
        Open();
        FOut += "\\*";
        Word("nesttableprops");
        FOut += FRowDefinitions.value(qMakePair(row.table, row.row));
        Word("nestrow");
        Close();
        // Readers without nested tables show the nested rows' text flat, with nothing more.
        Open();
        Word("nonesttables");
        Word("par");
        Close();
    }
    FOut += "\r\n";
    FNeedSpace = false;
    FTableMarkWritten = true;
}

QByteArray TRtfEmitter::Emit()
{
    FOut.reserve(FTextLength + qsizetype(FRuns.size()) * 16 + qsizetype(FParagraphs.size()) * 32 + 1024);
    // Numbered paragraphs in a row with the same numbering are one list, so that a list after other
    // paragraphs starts again.
    // The paragraphs of one list of the document are one list of the file, other paragraphs between.
    // The levels of a file's outline, read as lists of their own, are one list of the file again.
    QHash<const QTextList*, std::pair<int, int>> listPlaces; // the list and level each is written as
    QHash<qint64, int> outlineLists;
    for (const TParagraph& paragraph : FParagraphs) {
        FParaFormats.push_back(ParaFormatOf(paragraph.format));
        const TParaFormat& para = FParaFormats.back();
        int list = 0;
        int level = 0;
        if (para.numbering != 0) {
            const auto fits = [&](int candidate, int candidateLevel) {
                std::vector<TParaFormat>& levels = FLists[std::size_t(candidate - 1)];
                if (std::size_t(candidateLevel) >= levels.size())
                    levels.resize(std::size_t(candidateLevel) + 1);
                TParaFormat& slot = levels[std::size_t(candidateLevel)];
                if (slot.numbering == 0)
                    slot = para;
                return slot.SameNumbering(para);
            };
            const auto place = paragraph.list ? listPlaces.constFind(paragraph.list) : listPlaces.constEnd();
            const qint64 outline
                = paragraph.list ? paragraph.list->format().property(RichText::ListOutline).toLongLong() : 0;
            const int outlineLevel = outline > 0
                ? std::clamp(paragraph.list->format().intProperty(RichText::ListLevel), 0, MaxListLevels - 1)
                : 0;
            if (place != listPlaces.constEnd() && fits(place->first, place->second)) {
                std::tie(list, level) = *place;
            } else if (place == listPlaces.constEnd() && outlineLists.contains(outline)
                && fits(outlineLists.value(outline), outlineLevel)) {
                list = outlineLists.value(outline);
                level = outlineLevel;
            } else if (place == listPlaces.constEnd() && outline > 0 && !outlineLists.contains(outline)) {
                FLists.emplace_back();
                list = int(FLists.size());
                level = outlineLevel;
                fits(list, level);
                outlineLists.insert(outline, list);
            } else {
                const bool continues = !paragraph.list && FParaFormats.size() > 1 && FParagraphLists.back() != 0
                    && FParagraphLevels.back() == 0 && FParaFormats[FParaFormats.size() - 2].SameNumbering(para);
                if (!continues)
                    FLists.push_back({ para });
                list = int(FLists.size());
            }
            if (paragraph.list && place == listPlaces.constEnd())
                listPlaces.insert(paragraph.list, { list, level });
        }
        FParagraphLists.push_back(list);
        FParagraphLevels.push_back(level);
    }
    WriteHeader();

    TParaFormat previous;
    std::size_t previousDepth = 0;
    int number = 0;
    // The last number given in each level of each list; a list may start at 0.
    constexpr int NoNumber = std::numeric_limits<int>::min();
    std::vector<std::array<int, MaxListLevels>> listCounts(FLists.size() + 1);
    for (auto& counts : listCounts)
        counts.fill(NoNumber);
    for (std::size_t i = 0; i < FParagraphs.size(); ++i) {
        const TParagraph& paragraph = FParagraphs[i];
        const TParaFormat& para = FParaFormats[i];
        if (paragraph.format.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
            Word("page");

        // The marker text takes the formatting of the paragraph's text.
        if (paragraph.runCount > 0 && para.numbering != 0)
            WriteChanges(FFormats[std::size_t(FRuns[paragraph.firstRun].format)]);
        else if (paragraph.runCount == 0 && i == 0)
            WriteChanges(FFormats[std::size_t(paragraph.markFormat)]);
        if (para.numbering != 0) {
            // An item of a level starts the deeper levels after it afresh, as readers of the file count.
            auto& counts = listCounts[std::size_t(FParagraphLists[i])];
            const std::size_t level = std::size_t(FParagraphLevels[i]);
            number = counts[level] != NoNumber ? counts[level] + 1 : (para.numberingStart >= 0 ? para.numberingStart : 1);
            counts[level] = number;
            std::fill(counts.begin() + std::ptrdiff_t(level) + 1, counts.end(), NoNumber);
            // A number made of several levels' numbers, as readers of the file count them.
            FNumberText.clear();
            if (!para.numberTemplate.isEmpty()) {
                const std::vector<TParaFormat>& levels = FLists[std::size_t(FParagraphLists[i]) - 1];
                for (QChar c : para.numberTemplate) {
                    const std::size_t other = std::size_t(c.unicode() - 0xE000);
                    if (other >= std::size_t(MaxListLevels)) {
                        FNumberText += c;
                        continue;
                    }
                    const int shown = counts[other] != NoNumber ? counts[other] : 0;
                    const int numbering = other < levels.size() && levels[other].numbering != 0 ? levels[other].numbering : PFN_ARABIC;
                    FNumberText += RichText::NumberText(numbering == PFN_BULLET ? PFN_ARABIC : numbering, PFNS_PLAIN, shown);
                }
            }
        }
        if (FHasTables)
            EnterCells(paragraph.cells);
        const std::size_t depth = paragraph.cells.size();
        const bool stateFormat = std::exchange(FTableMarkWritten, false) || depth != previousDepth || depth > 0;
        const bool listChanges
            = i > 0 && (FParagraphLists[i] != FParagraphLists[i - 1] || FParagraphLevels[i] != FParagraphLevels[i - 1]);
        if (i == 0 || !(para == previous) || stateFormat || listChanges) {
            WriteParagraphFormat(para, number, FParagraphLists[i], FParagraphLevels[i]);
            if (depth > 0) {
                Word("intbl");
                Word("itap", int(depth));
            }
        } else if (para.numbering != 0) {
            WriteNumberText(para, number);
        }
        previous = para;
        previousDepth = depth;

        for (std::size_t r = paragraph.firstRun; r < paragraph.firstRun + paragraph.runCount; ++r) {
            const TRun& run = FRuns[r];
            const TRunFormat& format = FFormats[std::size_t(run.format)];
            if (format.link != FOpenLink) {
                CloseLink();
                // The field's groups restore the formatting outside them, so that must be known first.
                if (format.link >= 0 && !FStateKnown)
                    WriteChanges(format);
                OpenLink(format.link);
            }
            WriteChanges(format);
            WriteText(run.text, format, run.object);
        }
        CloseLink();

        // The last paragraph of a cell ends with the cell's mark instead.
        bool cellEnds = false;
        if (depth > 0) {
            const std::vector<TCellRef> none;
            const std::vector<TCellRef>& next = i + 1 < FParagraphs.size() ? FParagraphs[i + 1].cells : none;
            cellEnds = next.size() < depth || !std::equal(paragraph.cells.begin(), paragraph.cells.end(), next.begin());
        }
        if (paragraph.breakAfter && !cellEnds) {
            if (i + 1 < FParagraphs.size() && FParagraphs[i + 1].runCount == 0)
                WriteChanges(FFormats[std::size_t(FParagraphs[i + 1].markFormat)]);
            Word("par");
            FOut += "\r\n";
            FNeedSpace = false;
        }
    }
    EnterCells({});
    FOut += "}\r\n";
    return FOut;
}

// ---- The first pass

int TRtfEmitter::FormatSlot(int formatIndex, const QTextCharFormat& format)
{
    const auto found = FFormatSlots.constFind(formatIndex);
    if (found != FFormatSlots.constEnd())
        return found.value();
    FFormats.push_back(RunFormat(format));
    const int slot = int(FFormats.size()) - 1;
    FFormatSlots.insert(formatIndex, slot);
    return slot;
}

QVariant TRtfEmitter::Property(const QTextCharFormat& format, int property) const
{
    return format.hasProperty(property) ? format.property(property) : FOptions.defaultFormat.property(property);
}

TRunFormat TRtfEmitter::RunFormat(const QTextCharFormat& format)
{
    TRunFormat run;
    TFontKey font;
    font.family = Property(format, QTextFormat::FontFamilies).toStringList().value(0);
    if (font.family.isEmpty())
        font.family = Property(format, QTextFormat::FontFamily).toString();
    if (font.family.isEmpty())
        font.family = QStringLiteral("Arial");
    const QVariant charset = Property(format, RichText::Charset);
    font.charset = charset.isValid() ? std::clamp(charset.toInt(), 0, 255) : DEFAULT_CHARSET;
    font.pitchAndFamily = Property(format, RichText::PitchAndFamily).toInt() & 0xFF;
    run.font = FontIndex(font);
    if (font.charset == SYMBOL_CHARSET) {
        run.encoding = font.family.startsWith(QLatin1String("Symbol"), Qt::CaseInsensitive)
            ? TEncoding::enSymbol
            : TEncoding::enPrivateSymbol;
    } else if (CodePageFromCharset(font.charset, CpAnsi) != CpAnsi) {
        run.encoding = TEncoding::enUnicode;
    }

    const QVariant size = Property(format, QTextFormat::FontPointSize);
    run.halfPoints = size.isValid() ? std::clamp(int(std::nearbyint(size.toDouble() * 2)), 1, 3276) : 24;
    const QVariant weight = Property(format, QTextFormat::FontWeight);
    run.bold = weight.isValid() && weight.toInt() >= QFont::DemiBold;
    run.italic = Property(format, QTextFormat::FontItalic).toBool();
    run.strike = Property(format, QTextFormat::FontStrikeOut).toBool();
    run.protect = Property(format, RichText::Protected).toBool();

    const QVariant underlineType = Property(format, RichText::UnderlineType);
    const QVariant underlineStyle = Property(format, QTextFormat::TextUnderlineStyle);
    if (underlineType.isValid())
        run.underline = underlineType.toInt();
    else if (underlineStyle.isValid())
        run.underline = RichText::UnderlineTypeFromQt(underlineStyle.toInt());
    else
        run.underline = Property(format, QTextFormat::FontUnderline).toBool() ? CFU_UNDERLINE : CFU_UNDERLINENONE;

    run.color = ColorIndex(Property(format, QTextFormat::ForegroundBrush));
    run.background = ColorIndex(Property(format, QTextFormat::BackgroundBrush));

    const int vertical = Property(format, QTextFormat::TextVerticalAlignment).toInt();
    run.vertical = vertical == QTextCharFormat::AlignSuperScript ? 1
        : vertical == QTextCharFormat::AlignSubScript            ? 2
                                                                 : 0;
    const int offset = Property(format, RichText::OffsetTwips).toInt();
    if (offset != 0) {
        const int halfPoints = std::clamp(int(std::nearbyint(offset / 10.0)), -3276, 3276);
        run.offsetHalfPoints = halfPoints != 0 ? halfPoints : (offset > 0 ? 1 : -1);
    }
    const int capitals = Property(format, QTextFormat::FontCapitalization).toInt();
    run.capitals = capitals == QFont::AllUppercase ? 1 : capitals == QFont::SmallCaps ? 2 : 0;

    // Hyperlinks and other fields are both written as fields; a field's key is its instruction after a NUL.
    QString href = format.isAnchor() ? format.anchorHref() : QString();
    if (href.isEmpty() && format.hasProperty(RichText::FieldInstruction))
        href = QChar(0) + format.stringProperty(RichText::FieldInstruction);
    if (!href.isEmpty()) {
        const auto found = FLinkIndex.constFind(href);
        if (found != FLinkIndex.constEnd()) {
            run.link = found.value();
        } else {
            run.link = int(FLinks.size());
            FLinks.append(href);
            FLinkIndex.insert(href, run.link);
        }
    }
    return run;
}

int TRtfEmitter::FontIndex(const TFontKey& key)
{
    const auto found = FFontIndex.constFind(key);
    if (found != FFontIndex.constEnd())
        return found.value();
    FFonts.push_back(key);
    const int index = int(FFonts.size()) - 1;
    FFontIndex.insert(key, index);
    return index;
}

int TRtfEmitter::ColorIndex(const QVariant& brush)
{
    if (!brush.isValid())
        return 0;
    const QBrush value = qvariant_cast<QBrush>(brush);
    if (value.style() == Qt::NoBrush)
        return 0;
    const QRgb rgb = value.color().rgb() & 0xFFFFFF;
    const auto found = FColorIndex.constFind(rgb);
    if (found != FColorIndex.constEnd())
        return found.value();
    FColors.push_back(rgb);
    const int index = int(FColors.size());
    FColorIndex.insert(rgb, index);
    return index;
}

// Bullets are the Symbol font's bullet, as the readers of the old numbering expect.
int TRtfEmitter::SymbolFont()
{
    if (FSymbolFont < 0)
        FSymbolFont = FontIndex({ QStringLiteral("Symbol"), SYMBOL_CHARSET, FF_DECORATIVE | VARIABLE_PITCH });
    return FSymbolFont;
}

// ---- The second pass

void TRtfEmitter::WriteHeader()
{
    FOut += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat\\deflang1033{\\fonttbl";
    for (std::size_t i = 0; i < FFonts.size(); ++i) {
        const TFontKey& font = FFonts[i];
        Open();
        Word("f", int(i));
        static constexpr const char* Families[] = { "fnil", "froman", "fswiss", "fmodern", "fscript", "fdecor" };
        const int family = font.pitchAndFamily >> 4;
        Word(family < 6 ? Families[family] : "fnil");
        if (font.pitchAndFamily & 0x03)
            Word("fprq", font.pitchAndFamily & 0x03);
        Word("fcharset", font.charset);
        TRunFormat nameFormat;
        nameFormat.encoding
            = CodePageFromCharset(font.charset, CpAnsi) == CpAnsi ? TEncoding::enAnsi : TEncoding::enUnicode;
        // A semicolon would end the name.
        const QStringList parts = font.family.split(u';');
        for (qsizetype part = 0; part < parts.size(); ++part) {
            if (part > 0)
                Hex(';');
            WriteText(parts[part], nameFormat, -1);
        }
        Literal(';');
        Close();
    }
    FOut += "}\r\n";
    if (!FColors.empty()) {
        FOut += "{\\colortbl ;";
        for (QRgb rgb : FColors) {
            Word("red", qRed(rgb));
            Word("green", qGreen(rgb));
            Word("blue", qBlue(rgb));
            FOut += ';';
            FNeedSpace = false;
        }
        FOut += "}\r\n";
    }
    WriteListTable();
    static constexpr const char* PageWords[] = { "paperw", "paperh", "margl", "margr", "margt", "margb" };
    for (int field = 0; field < RichText::PageLandscape; ++field) {
        if (FPageSetup[std::size_t(field)] >= 0)
            Word(PageWords[field], FPageSetup[std::size_t(field)]);
    }
    if (FPageSetup[RichText::PageLandscape] > 0)
        Word("landscape");
    if (!FKeptGroups.isEmpty()) {
        FOut += "\r\n";
        FOut += FKeptGroups;
    }
    FOut += "\\viewkind4\\uc1 ";
    FNeedSpace = false;
}

// The font and colour numbers of kept groups named the file's tables; they are given this file's
// numbers, and the fonts and colours join this file's tables.
void TRtfEmitter::KeepGroups(const RichText::TKeptGroups& kept)
{
    if (kept.rtf.isEmpty())
        return;
    static const QSet<QByteArray> ColorWords { "cf", "cb", "highlight", "chcbpat", "chcfpat", "cbpat", "cfpat", "brdrcf",
        "clcbpat", "clcfpat", "trcbpat", "trcfpat" };
    const std::string_view data(kept.rtf.constData(), std::size_t(kept.rtf.size()));
    TRtfTokenizer tokens(data);
    std::size_t copied = 0;
    FKeptGroups.reserve(kept.rtf.size() + 64);
    while (true) {
        const TRtfToken token = tokens.Next();
        if (token.kind == TRtfTokenKind::tkEnd)
            break;
        if (token.kind != TRtfTokenKind::tkControlWord || !token.hasParameter)
            continue;
        const QByteArray name(token.text.data(), qsizetype(token.text.size()));
        int number = -1;
        if (name == "f") {
            const auto font = kept.fonts.constFind(token.parameter);
            if (font == kept.fonts.constEnd())
                number = 0;
            else
                number = FontIndex({ font->name, font->charset >= 0 ? font->charset : DEFAULT_CHARSET,
                    font->pitchAndFamily >= 0 ? font->pitchAndFamily : 0 });
        } else if (ColorWords.contains(name)) {
            const auto color = kept.colors.constFind(token.parameter);
            number = color == kept.colors.constEnd() ? 0 : ColorIndex(QBrush(QColor::fromRgb(*color)));
        } else {
            continue;
        }
        const std::size_t wordStart = std::size_t(token.text.data() - data.data()) - 1;
        FKeptGroups.append(data.data() + copied, qsizetype(wordStart - copied));
        FKeptGroups += '\\' + name + QByteArray::number(number);
        copied = tokens.Position();
        if (data[copied - 1] == ' ')
            FKeptGroups += ' ';
    }
    FKeptGroups.append(data.data() + copied, qsizetype(data.size() - copied));
}

// The same numbering once more as a list table, which today's word processors read in preference to
// the old form: some of them show the old form's letters and roman numbers as decimal numbers.
void TRtfEmitter::WriteListTable()
{
    if (FLists.empty())
        return;
    FOut += "{\\*\\listtable";
    for (std::size_t i = 0; i < FLists.size(); ++i) {
        Open();
        Word("list");
        Word("listtemplateid", int(i) + 1);
        if (FLists[i].size() == 1)
            Word("listsimple");
        else
            Word("listhybrid");
        for (std::size_t level = 0; level < FLists[i].size(); ++level)
            WriteListLevel(FLists[i][level], int(level));
        Word("listid", int(i) + 1);
        Close();
    }
    FOut += "}\r\n{\\*\\listoverridetable";
    for (std::size_t i = 0; i < FLists.size(); ++i) {
        Open();
        Word("listoverride");
        Word("listid", int(i) + 1);
        Word("listoverridecount", 0);
        Word("ls", int(i) + 1);
        Close();
    }
    FOut += "}\r\n";
}

// One level of the list table; a level no paragraph uses is a plain bullet. A level's text holds the
// level's own number: its index.
void TRtfEmitter::WriteListLevel(const TParaFormat& level, int index)
{
    TParaFormat list = level;
    if (list.numbering == 0)
        list.numbering = PFN_BULLET;
    const bool bullet = list.numbering == PFN_BULLET;
    static constexpr int LevelFormats[] = { 0, 4, 3, 2, 1 }; // arabic, letters, roman numbers
    const int format = list.numbering - PFN_ARABIC;
    Open();
    Word("listlevel");
    Word("levelnfc", bullet ? 23 : format >= 0 && format < 5 ? LevelFormats[format] : 0);
    Word("levelstartat", list.numberingStart >= 0 ? list.numberingStart : 1);
    Word("levelfollow", 0);
    Open();
    Word("leveltext");
    // A number's text holds each level's number as the level's code; the codes' places follow.
    QByteArray places;
    if (bullet && !list.bullet.isEmpty()) {
        Hex(int(list.bullet.size()));
        for (QChar c : list.bullet)
            Unicode(c.unicode());
    } else if (bullet) {
        // As a character of its own, not the symbol font's: some readers show their own bullet for that.
        Hex(1);
        Unicode(0x2022);
    } else {
        QString text = list.numberTemplate;
        if (text.isEmpty()) {
            const QString own(QChar(0xE000 + index));
            const int style = list.numberingStyle & 0x0F00;
            text = style == PFNS_PARENS ? u'(' + own + u')'
                : style == PFNS_PAREN   ? own + u')'
                : style == PFNS_PERIOD  ? own + u'.'
                                        : own;
        }
        Hex(int(text.size()));
        for (qsizetype i = 0; i < text.size(); ++i) {
            const int code = text[i].unicode() - 0xE000;
            if (code >= 0 && code < MaxListLevels) {
                Hex(code);
                places.append(char(i + 1));
            } else {
                WriteText(QStringView(text).mid(i, 1), TRunFormat(), -1);
            }
        }
    }
    Literal(';');
    Close();
    Open();
    Word("levelnumbers");
    for (char place : places)
        Hex(place);
    Literal(';');
    Close();
    Close();
}

void TRtfEmitter::WriteParagraphFormat(const TParaFormat& para, int number, int list, int level)
{
    Word("pard");
    if (para.numbering != 0) {
        WriteNumberText(para, number);
        Open();
        FOut += "\\*";
        Word("pn");
        if (para.numbering == PFN_BULLET) {
            Word("pnlvlblt");
            if (para.bullet.isEmpty())
                Word("pnf", SymbolFont());
            Word("pnindent", para.numberingTab);
            Open();
            Word("pntxtb");
            if (para.bullet.isEmpty()) {
                Hex(0xB7);
            } else {
                for (QChar c : para.bullet)
                    Unicode(c.unicode());
            }
            Close();
        } else {
            Word("pnlvlbody");
            Word("pnindent", para.numberingTab);
            // Readers differ on a missing start (some count from 0), so it is always written.
            Word("pnstart", para.numberingStart >= 0 ? para.numberingStart : 1);
            static constexpr const char* Formats[] = { "pndec", "pnlcltr", "pnucltr", "pnlcrm", "pnucrm" };
            const int format = para.numbering - PFN_ARABIC;
            Word(format >= 0 && format < 5 ? Formats[format] : "pndec");
            const int style = para.numberingStyle & 0x0F00;
            if (style == PFNS_PARENS) {
                Open();
                Word("pntxtb");
                Literal('(');
                Close();
            }
            if (style == PFNS_PAREN || style == PFNS_PARENS || style == PFNS_PERIOD) {
                Open();
                Word("pntxta");
                Literal(style == PFNS_PERIOD ? '.' : ')');
                Close();
            }
        }
        Close();
        Word("ls", list);
        if (level > 0)
            Word("ilvl", level);
    }

    static constexpr const char* Alignments[] = { "ql", "qr", "qc", "qj" };
    if (para.alignment != 0)
        Word(Alignments[para.alignment]);
    if (para.offset != 0)
        Word("fi", -para.offset);
    if (para.startIndent + para.offset != 0)
        Word("li", para.startIndent + para.offset);
    if (para.rightIndent != 0)
        Word("ri", para.rightIndent);
    if (para.spaceBefore != 0)
        Word("sb", para.spaceBefore);
    if (para.spaceAfter != 0)
        Word("sa", para.spaceAfter);
    switch (para.lineSpacingRule) {
    case 1:
        Word("sl", 360);
        Word("slmult", 1);
        break;
    case 2:
        Word("sl", 480);
        Word("slmult", 1);
        break;
    case 3:
        Word("sl", std::abs(para.lineSpacing));
        Word("slmult", 0);
        break;
    case 4:
        Word("sl", -std::abs(para.lineSpacing));
        Word("slmult", 0);
        break;
    case 5:
        Word("sl", para.lineSpacing * 12);
        Word("slmult", 1);
        break;
    default:
        break;
    }
    for (int stop : para.tabs)
        Word("tx", stop);
    if (!para.borders.isEmpty()) {
        static constexpr const char* Sides[] = { "brdrt", "brdrl", "brdrb", "brdrr" };
        const RichText::TParagraphBorders borders = RichText::DecodeParagraphBorders(para.borders);
        for (std::size_t i = 0; i < borders.size(); ++i) {
            const RichText::TParagraphBorder& side = borders[i];
            if (side.style == 0)
                continue;
            Word(Sides[i]);
            Word((QByteArray("brdr") + RichText::ParagraphBorderStyles[side.style - 1]).constData());
            Word("brdrw", side.width);
            if (side.color >= 0)
                Word("brdrcf", ColorIndex(QBrush(QColor::fromRgb(QRgb(side.color)))));
            if (side.space > 0)
                Word("brsp", side.space);
        }
    }
    if (para.background >= 0)
        Word("cbpat", ColorIndex(QBrush(QColor::fromRgb(QRgb(para.background)))));
}

void TRtfEmitter::WriteNumberText(const TParaFormat& para, int number)
{
    Open();
    Word("pntext");
    if (para.numbering == PFN_BULLET && !para.bullet.isEmpty()) {
        for (QChar c : para.bullet)
            Unicode(c.unicode());
    } else if (para.numbering == PFN_BULLET) {
        Word("f", SymbolFont());
        Hex(0xB7);
    } else {
        TRunFormat textFormat;
        WriteText(FNumberText.isEmpty() ? RichText::NumberText(para.numbering, para.numberingStyle, number) : FNumberText,
            textFormat, -1);
    }
    Word("tab");
    Close();
}

void TRtfEmitter::WriteChanges(const TRunFormat& format)
{
    TRunFormat& state = FState;
    if (!FStateKnown || format.font != state.font)
        Word("f", format.font);
    if (!FStateKnown || format.halfPoints != state.halfPoints)
        Word("fs", format.halfPoints);
    if (!FStateKnown)
        state = TRunFormat { .font = format.font, .halfPoints = format.halfPoints };
    if (format.bold != state.bold)
        format.bold ? Word("b") : Word("b", 0);
    if (format.italic != state.italic)
        format.italic ? Word("i") : Word("i", 0);
    if (format.underline != state.underline)
        Word(UnderlineWord(format.underline));
    if (format.strike != state.strike)
        format.strike ? Word("strike") : Word("strike", 0);
    if (format.protect != state.protect)
        format.protect ? Word("protect") : Word("protect", 0);
    if (format.color != state.color)
        Word("cf", format.color);
    if (format.background != state.background)
        Word("highlight", format.background);
    if (format.vertical != state.vertical || format.offsetHalfPoints != state.offsetHalfPoints) {
        // Other readers end a raise only at \up0 and a lowering only at \dn0, not at \nosupersub.
        if (state.offsetHalfPoints > 0 && format.offsetHalfPoints <= 0)
            Word("up", 0);
        else if (state.offsetHalfPoints < 0 && format.offsetHalfPoints >= 0)
            Word("dn", 0);
        if (format.offsetHalfPoints > 0)
            Word("up", format.offsetHalfPoints);
        else if (format.offsetHalfPoints < 0)
            Word("dn", -format.offsetHalfPoints);
        else if (format.vertical == 1)
            Word("super");
        else if (format.vertical == 2)
            Word("sub");
        else if (state.offsetHalfPoints == 0)
            Word("nosupersub");
    }
    if (format.capitals != state.capitals) {
        if (state.capitals == 1)
            Word("caps", 0);
        else if (state.capitals == 2)
            Word("scaps", 0);
        if (format.capitals == 1)
            Word("caps");
        else if (format.capitals == 2)
            Word("scaps");
    }
    state = format;
    FStateKnown = true;
}

void TRtfEmitter::WriteText(QStringView text, const TRunFormat& format, int object)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x20 && u < 0x7F && format.encoding != TEncoding::enSymbol
            && format.encoding != TEncoding::enPrivateSymbol) {
            if (u == '\\' || u == '{' || u == '}') {
                FOut += '\\';
                FOut += char(u);
                FNeedSpace = false;
            } else {
                Literal(char(u));
            }
            continue;
        }
        switch (u) {
        case u'\t':
            Word("tab");
            continue;
        case 0x2028:
            Word("line");
            continue;
        case 0xFFFC:
            if (object >= 0)
                WriteObject(FObjects[std::size_t(object)], format);
            continue;
        case 0x00A0:
            FOut += "\\~";
            FNeedSpace = false;
            continue;
        case 0x00AD:
            FOut += "\\-";
            FNeedSpace = false;
            continue;
        case 0x2011:
            FOut += "\\_";
            FNeedSpace = false;
            continue;
        default:
            break;
        }
        if (u < 0x20)
            continue;
        switch (format.encoding) {
        case TEncoding::enAnsi: {
            const int byte = Cp1252FromUnicode(u);
            byte >= 0 ? Hex(byte) : Unicode(u);
            break;
        }
        case TEncoding::enSymbol: {
            const int code = SymbolCodeFromUnicode(u);
            if (code < 0)
                Unicode(u);
            else if (code == u && code != '\\' && code != '{' && code != '}')
                Literal(char(code)); // digits and punctuation are themselves in the symbol font
            else
                Hex(code);
            break;
        }
        case TEncoding::enPrivateSymbol:
            u >= 0xF000 && u <= 0xF0FF ? Hex(u - 0xF000) : Unicode(u);
            break;
        case TEncoding::enUnicode:
            Unicode(u);
            break;
        }
    }
}

void TRtfEmitter::WriteObject(const QTextCharFormat& format, const TRunFormat& runFormat)
{
    if (format.objectType() == RichText::HiddenTextFormat) {
        Open();
        Word("v");
        WriteText(format.stringProperty(RichText::HiddenText), runFormat, -1);
        Close();
        return;
    }
    if (FOptions.noObjects)
        return;
    const QByteArray picture = RtfFromPicture(RichText::PictureFromFormat(format));
    if (picture.isEmpty())
        return;
    FOut += picture;
    FNeedSpace = false;
}

void TRtfEmitter::OpenLink(int link)
{
    if (link < 0)
        return;
    FStateOutsideLink = FState;
    TRunFormat urlFormat;
    if (FLinks[link].startsWith(QChar(0))) {
        FOut += "{\\field{\\*\\fldinst{";
        FNeedSpace = false;
        WriteText(QStringView(FLinks[link]).mid(1), urlFormat, -1);
        FOut += "}}{\\fldrslt{";
        FNeedSpace = false;
        FOpenLink = link;
        return;
    }
    FOut += "{\\field{\\*\\fldinst{HYPERLINK \"";
    FNeedSpace = false;
    QString url = FLinks[link];
    url.replace(u'"', QLatin1String("%22"));
    WriteText(url, urlFormat, -1);
    FOut += "\"}}{\\fldrslt{";
    FNeedSpace = false;
    FOpenLink = link;
}

void TRtfEmitter::CloseLink()
{
    if (FOpenLink < 0)
        return;
    FOut += "}}}";
    FNeedSpace = false;
    // The reader drops the field's formatting with its groups.
    FState = FStateOutsideLink;
    FOpenLink = -1;
}

void TRtfEmitter::Word(const char* name)
{
    FOut += '\\';
    FOut += name;
    FNeedSpace = true;
}

void TRtfEmitter::Word(const char* name, int value)
{
    FOut += '\\';
    FOut += name;
    AppendInt(value);
    FNeedSpace = true;
}

void TRtfEmitter::Open()
{
    FOut += '{';
    FNeedSpace = false;
}

void TRtfEmitter::Close()
{
    FOut += '}';
    FNeedSpace = false;
}

void TRtfEmitter::Literal(char c)
{
    if (FNeedSpace) {
        FOut += ' ';
        FNeedSpace = false;
    }
    FOut += c;
}

void TRtfEmitter::Hex(int byte)
{
    static constexpr char Digits[] = "0123456789abcdef";
    FOut += "\\'";
    FOut += Digits[(byte >> 4) & 0x0F];
    FOut += Digits[byte & 0x0F];
    FNeedSpace = false;
}

void TRtfEmitter::Unicode(char16_t character)
{
    // The parameter is a signed 16-bit number; "?" stands in for readers without Unicode.
    Word("u", character > 0x7FFF ? int(character) - 0x10000 : int(character));
    FOut += '?';
    FNeedSpace = false;
}

void TRtfEmitter::AppendInt(int value)
{
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    FOut.append(buffer, result.ptr - buffer);
}

} // namespace

QByteArray TRtfWriter::Write(const QTextDocument& document, int start, int end, const TRtfWriteOptions& options)
{
    const int documentEnd = document.characterCount() - 1; // the final paragraph mark is not text
    if (end < 0 || end > documentEnd)
        end = documentEnd;
    start = std::clamp(start, 0, end);
    TRtfEmitter emitter(options);
    emitter.Collect(document, start, end);
    return emitter.Emit();
}
