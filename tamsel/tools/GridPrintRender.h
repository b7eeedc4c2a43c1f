#pragma once
// GridPrintRender.h: the table of the table builder as data, the rules by which its cells are
// coloured, aligned and drawn, and TPgGridPrint, which draws the whole table into one enhanced
// metafile: every row and column once, top to bottom, with the border lines.
#include "EnhMetafile.h"
#include "WinTypes.h"

#include <QString>

#include <array>

class QPainter;
class QRect;

constexpr int MaxTableCells = 20; // columns and rows
constexpr int DefaultColWidth = 64;
constexpr int DefaultRowHeight = 24;
constexpr COLORREF DefaultHeaderColor = 11791103;
constexpr COLORREF TableWhite = 16777215;
constexpr COLORREF TableSilver = 12632256;

/// A font by name, pixel height at 96 pixels per inch, colour and style.
struct TCellFont {
    QString Name = QStringLiteral("Arial");
    int PixelSize = 11;
    COLORREF Color = 0;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    static int PixelsFromPoints(int points) { return (points * 96 + 36) / 72; }
};

struct TGridTable {
    int ColCount = 5;
    int RowCount = 5;
    std::array<std::array<QString, MaxTableCells>, MaxTableCells> Cells {}; // [column][row], one line each
    std::array<int, MaxTableCells> ColWidths;
    std::array<int, MaxTableCells> RowHeights;
    COLORREF FixedColor = DefaultHeaderColor;
    COLORREF Color = TableWhite;
    std::array<COLORREF, MaxTableCells + 1> ColColours; // slots 1..20
    std::array<COLORREF, MaxTableCells + 1> RowColours;
    bool ColourByColumn = false;
    bool HeaderRow = true; // row 0 is a fixed header
    bool HeaderColumn = true; // column 0 is a fixed header
    quint32 RightSet = 0; // bits of columns 0..31
    quint32 LeftSet = 0;
    quint32 CentreSet = 0;
    TCellFont TableFont; // ordinary cells
    TCellFont HeaderFont { QStringLiteral("Arial"), TCellFont::PixelsFromPoints(10), 0 };

    TGridTable()
    {
        ColWidths.fill(DefaultColWidth);
        RowHeights.fill(DefaultRowHeight);
        ColColours.fill(TableWhite);
        RowColours.fill(TableWhite);
    }
    const QString& Cell(int column, int row) const { return Cells[std::size_t(column)][std::size_t(row)]; }
    /// Stores a cell as one line: line breaks and other control characters become spaces, so that a
    /// text export keeps one cell per line.
    void SetCell(int column, int row, const QString& text);
    void ClearCells();
    int TotalWidth() const;
    int TotalHeight() const;
};

/// A cell's text as one line.
QString SingleLineCell(const QString& text);

/// Whether (column, row) is a header cell.
bool IsFixedCell(const TGridTable& table, int column, int row);
/// The background of a cell, by the colouring rules (a later rule overriding an earlier one).
COLORREF CellBackground(const TGridTable& table, int column, int row);
/// Puts a column into one alignment set, taking it out of the others; columns above 31 are ignored.
enum class TColumnAlignment { caLeft, caCentre, caRight };
void SetColumnAlignment(TGridTable& table, int column, TColumnAlignment alignment);
/// Qt's horizontal alignment flag of a column: centre first, then right, else left.
int ColumnAlignmentFlags(const TGridTable& table, int column);
/// Draws a cell's text in rect by the header and alignment rules (no background).
void DrawCellText(QPainter& painter, const TGridTable& table, int column, int row, const QRect& rect);
/// The height word-wrapped text needs within width in the font.
int WrappedTextHeight(const TCellFont& font, const QString& text, int width);
/// Auto height: row 0 only when the corner is current; rows 1.. from their cells in columns 1.., at least 24.
void AutoRowHeights(TGridTable& table, bool cornerIsCurrent);

class TPgGridPrint {
public:
    /// Draws the whole table into a new metafile, replacing the earlier one. widthPixels is the
    /// wanted table width at 96 pixels per inch (0: natural width).
    void Render(const TGridTable& table, int widthPixels = 0);
    const TEnhMetafile& Metafile() const { return FMetafile; }

    bool Monochrome = false;
    bool WordWrap = false;

private:
    TEnhMetafile FMetafile;
};
