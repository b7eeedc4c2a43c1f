// GridPrintRender.cpp: the table's drawing rules and its metafile.
#include "GridPrintRender.h"

#include "GdiColors.h"
#include "ToolClipboard.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QRect>

#include <algorithm>
#include <cmath>

namespace {

QColor Colour(COLORREF color) { return QColor(GetRValue(color), GetGValue(color), GetBValue(color)); }

QFont QtFont(const TCellFont& font)
{
    QFont qt(font.Name);
    qt.setPixelSize(std::max(1, font.PixelSize));
    qt.setBold(font.Bold);
    qt.setItalic(font.Italic);
    qt.setUnderline(font.Underline);
    qt.setStrikeOut(font.StrikeOut);
    return qt;
}

const TCellFont& FontOf(const TGridTable& table, int column, int row)
{
    return column == 0 || row == 0 ? table.HeaderFont : table.TableFont;
}

} // namespace

QString SingleLineCell(const QString& text)
{
    QString line = text;
    for (QChar& character : line) {
        const char16_t code = character.unicode();
        if (code < 0x20 || code == 0x7F || code == 0x2028 || code == 0x2029 || code == 0x85)
            character = u' ';
    }
    return line;
}

void TGridTable::SetCell(int column, int row, const QString& text)
{
    if (column < 0 || row < 0 || column >= MaxTableCells || row >= MaxTableCells)
        return;
    Cells[std::size_t(column)][std::size_t(row)] = SingleLineCell(text);
}

void TGridTable::ClearCells()
{
    for (auto& column : Cells)
        for (QString& cell : column)
            cell.clear();
}

int TGridTable::TotalWidth() const
{
    int total = 0;
    for (int c = 0; c < ColCount; ++c)
        total += ColWidths[std::size_t(c)];
    return total;
}

int TGridTable::TotalHeight() const
{
    int total = 0;
    for (int r = 0; r < RowCount; ++r)
        total += RowHeights[std::size_t(r)];
    return total;
}

bool IsFixedCell(const TGridTable& table, int column, int row)
{
    return (table.HeaderColumn && column < 1) || (table.HeaderRow && row < 1);
}

COLORREF CellBackground(const TGridTable& table, int c, int r)
{
    COLORREF colour = IsFixedCell(table, c, r) ? table.FixedColor : table.Color;
    if (c >= 1 && !table.HeaderRow && c <= MaxTableCells)
        colour = table.ColColours[std::size_t(c)];
    if (r >= 1 && !table.HeaderColumn && r <= MaxTableCells)
        colour = table.RowColours[std::size_t(r)];
    if (table.ColourByColumn && r >= 1 && c >= 1 && c <= MaxTableCells)
        colour = table.ColColours[std::size_t(c)];
    if (!table.ColourByColumn && c >= 1 && r >= 1 && r <= MaxTableCells)
        colour = table.RowColours[std::size_t(r)];
    return colour;
}

void SetColumnAlignment(TGridTable& table, int column, TColumnAlignment alignment)
{
    if (column < 0 || column > 31)
        return;
    const quint32 bit = quint32(1) << column;
    table.LeftSet &= ~bit;
    table.CentreSet &= ~bit;
    table.RightSet &= ~bit;
    switch (alignment) {
    case TColumnAlignment::caLeft:
        table.LeftSet |= bit;
        break;
    case TColumnAlignment::caCentre:
        table.CentreSet |= bit;
        break;
    case TColumnAlignment::caRight:
        table.RightSet |= bit;
        break;
    }
}

int ColumnAlignmentFlags(const TGridTable& table, int column)
{
    if (column < 0 || column > 31)
        return Qt::AlignLeft;
    const quint32 bit = quint32(1) << column;
    if (table.CentreSet & bit)
        return Qt::AlignHCenter;
    if (table.RightSet & bit)
        return Qt::AlignRight;
    return Qt::AlignLeft;
}

void DrawCellText(QPainter& painter, const TGridTable& table, int c, int r, const QRect& rect)
{
    const QString& text = table.Cell(c, r);
    if (text.isEmpty())
        return;
    const TCellFont& font = FontOf(table, c, r);
    painter.setFont(QtFont(font));
    painter.setPen(Colour(font.Color));
    const int wrapped = Qt::TextWordWrap | Qt::AlignTop | ColumnAlignmentFlags(table, c);
    auto oneLine = [&](int flags) {
        const QFontMetrics metrics(painter.font());
        painter.drawText(rect, flags | Qt::TextSingleLine, metrics.elidedText(text, Qt::ElideRight, rect.width()));
    };
    if (c == 0 && r == 0)
        painter.drawText(rect, Qt::TextWordWrap | Qt::AlignTop | Qt::AlignLeft, text);
    else if (r == 0 && table.HeaderRow)
        oneLine(Qt::AlignCenter);
    else if (c == 0 && table.HeaderColumn)
        oneLine(Qt::AlignLeft | Qt::AlignVCenter);
    else
        painter.drawText(rect, wrapped, text);
}

int WrappedTextHeight(const TCellFont& font, const QString& text, int width)
{
    if (text.isEmpty())
        return 0;
    const QFontMetrics metrics(QtFont(font));
    return metrics.boundingRect(QRect(0, 0, std::max(1, width), 100000), Qt::TextWordWrap, text).height();
}

void AutoRowHeights(TGridTable& table, bool cornerIsCurrent)
{
    if (cornerIsCurrent) {
        const int needed = WrappedTextHeight(table.TableFont, table.Cell(0, 0), table.ColWidths[0]);
        table.RowHeights[0] = needed > 0 ? needed : DefaultRowHeight;
    }
    for (int r = 1; r < table.RowCount; ++r) {
        int height = DefaultRowHeight;
        for (int c = 1; c < table.ColCount; ++c)
            height = std::max(height,
                WrappedTextHeight(FontOf(table, c, r), table.Cell(c, r), table.ColWidths[std::size_t(c)]));
        table.RowHeights[std::size_t(r)] = std::min(height, 1000);
    }
}

void TPgGridPrint::Render(const TGridTable& table, int widthPixels)
{
    FMetafile = TEnhMetafile();
    const int natural = table.TotalWidth();
    const double scale = widthPixels > 0 && natural > 0 ? double(widthPixels) / natural : 1.0;

    std::array<int, MaxTableCells + 1> xs {}; // left edges, and the right end
    int sum = 0;
    for (int c = 0; c < table.ColCount; ++c) {
        sum += table.ColWidths[std::size_t(c)];
        xs[std::size_t(c + 1)] = int(std::lround(sum * scale));
    }
    // Rows keep their height, raised to what the text of a cell needs.
    std::array<int, MaxTableCells + 1> ys {};
    for (int r = 0; r < table.RowCount; ++r) {
        int height = table.RowHeights[std::size_t(r)];
        if (WordWrap)
            for (int c = 0; c < table.ColCount; ++c)
                height = std::max(height,
                    WrappedTextHeight(FontOf(table, c, r), table.Cell(c, r), xs[std::size_t(c + 1)] - xs[std::size_t(c)]));
        ys[std::size_t(r + 1)] = ys[std::size_t(r)] + height;
    }
    const int width = xs[std::size_t(table.ColCount)];
    const int height = ys[std::size_t(table.RowCount)];

    FMetafile = RecordToolPicture(QSize(width + 1, height + 1), QStringLiteral("Tableau"), [&](QPainter& painter) {
        // Every row once, from the top: the picture has no pages to start again on.
        for (int r = 0; r < table.RowCount; ++r) {
            for (int c = 0; c < table.ColCount; ++c) {
                const QRect cell(QPoint(xs[std::size_t(c)], ys[std::size_t(r)]),
                    QPoint(xs[std::size_t(c + 1)], ys[std::size_t(r + 1)]));
                if (!Monochrome) {
                    painter.setPen(IsFixedCell(table, c, r) ? QColor(Qt::black) : Colour(TableSilver));
                    painter.setBrush(Colour(CellBackground(table, c, r)));
                    painter.drawRect(cell);
                }
                painter.setBrush(Qt::NoBrush);
                DrawCellText(painter, table, c, r, cell.adjusted(1, 0, -1, 2));
            }
        }
        const int w = width;
        const int h = height;
        const int x0 = xs[1];
        const int y0 = ys[1];
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Qt::black, 0));
        if (table.HeaderRow && table.HeaderColumn) {
            painter.drawLine(0, y0, w, y0);
            painter.drawLine(0, 0, 0, h);
            painter.drawLine(x0, 0, x0, h);
            painter.drawLine(0, 0, w, 0);
        } else if (table.HeaderRow) {
            painter.drawLine(0, 0, w, 0);
            painter.drawLine(0, y0, w, y0);
            painter.drawLine(0, 0, 0, y0);
        } else if (table.HeaderColumn) {
            painter.drawLine(x0, 0, x0, h);
            painter.drawLine(0, 0, 0, h);
            painter.drawLine(0, 0, x0, 0);
            painter.setPen(QPen(Colour(TableSilver), 0));
            painter.drawLine(x0, 0, w, 0);
        } else {
            painter.setPen(QPen(Colour(TableSilver), 0));
            painter.drawLine(0, h, 0, 0);
            painter.drawLine(0, 0, w, 0);
        }
    });
}
