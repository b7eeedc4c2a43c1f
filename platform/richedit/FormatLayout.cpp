#include "FormatLayout.h"

#include "LinkDetector.h"
#include "ParagraphDecoration.h"
#include "PictureObject.h"
#include "RichTextFormat.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextList>
#include <QTextTable>

#include <cmath>

namespace {

// The line holding the position, found by halving: a paragraph many pages long is not scanned
// from its start for every page.
int LineAt(const QTextLayout& layout, int position)
{
    int low = 0;
    int high = layout.lineCount() - 1;
    while (low < high) {
        const int middle = (low + high + 1) / 2;
        if (layout.lineAt(middle).textStart() <= position)
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

} // namespace

TFormatLayout::TFormatLayout(const QTextDocument& source, const TFormatKey& key, int revision)
    : FKey(key)
    , FRevision(revision)
    , FMeasuringDevice(1, 1, QImage::Format_RGB32)
{
    FMeasuringDevice.setDotsPerMeterX(int(std::nearbyint(key.dpiX / 0.0254)));
    FMeasuringDevice.setDotsPerMeterY(int(std::nearbyint(key.dpiY / 0.0254)));
    FDocument.reset(source.clone());
    TPictureObjectHandler::RegisterWith(*FDocument);
    FDocument->setUndoRedoEnabled(false);
    FDocument->setDefaultFont(source.defaultFont());
    FDocument->setDocumentMargin(0);
    // Pages wrap at the rectangle whatever the control's view does (a copy without word wrap).
    QTextOption option = FDocument->defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    FDocument->setDefaultTextOption(option);

    QTextCursor cursor(FDocument.get());
    cursor.beginEditBlock();
    for (QTextBlock block = FDocument->begin(); block.isValid(); block = block.next()) {
        if (!key.justify && (block.blockFormat().alignment() & Qt::AlignJustify)) {
            QTextBlockFormat format = block.blockFormat();
            format.setAlignment(Qt::AlignLeft);
            cursor.setPosition(block.position());
            cursor.setBlockFormat(format);
        }
        if (key.links) {
            // Detected links print as the screen shows them.
            for (const auto& span : FindLinks(block.text())) {
                QTextCharFormat link;
                link.setForeground(QColor(0, 0, 255));
                link.setFontUnderline(true);
                cursor.setPosition(block.position() + span.start);
                cursor.setPosition(block.position() + span.start + span.length, QTextCursor::KeepAnchor);
                cursor.mergeCharFormat(link);
            }
        }
    }
    cursor.endEditBlock();

    FDocument->documentLayout()->setPaintDevice(&FMeasuringDevice);
    // The document's own layout counts 96 pixels to the inch; the device's resolution scales it.
    FDocument->setTextWidth(key.widthTwips * double(key.dpiX) / 1440.0);
    FDocument->documentLayout()->blockBoundingRect(FDocument->lastBlock());
    FHasTables = !FDocument->rootFrame()->childFrames().isEmpty();
}

// Where a block's lines are placed: blocks in table cells are laid out relative to their cell.
QPointF TFormatLayout::BlockOrigin(const QTextBlock& block) const
{
    if (!FHasTables)
        return block.layout()->position();
    return FDocument->documentLayout()->blockBoundingRect(block).topLeft();
}

QTextTable* TFormatLayout::OuterTable(const QTextBlock& block) const
{
    if (!FHasTables)
        return nullptr;
    QTextTable* outer = nullptr;
    const QTextCursor cursor(block);
    for (QTextFrame* frame = cursor.currentFrame(); frame; frame = frame->parentFrame()) {
        if (auto* table = qobject_cast<QTextTable*>(frame))
            outer = table;
    }
    return outer;
}

// The top of a row: above its cells' first lines by their padding and border.
double TFormatLayout::RowTop(QTextTable& table, int row) const
{
    if (row == 0)
        return FDocument->documentLayout()->frameBoundingRect(&table).top();
    const double scale = FKey.dpiY / double(RichText::DisplayDpi);
    double top = -1;
    for (int column = 0; column < table.columns(); ++column) {
        const QTextTableCell cell = table.cellAt(row, column);
        if (!cell.isValid() || cell.row() != row)
            continue;
        const QTextTableCellFormat format = cell.format().toTableCellFormat();
        const QTextBlock first = FDocument->findBlock(cell.firstPosition());
        const double y = BlockOrigin(first).y() - (format.topPadding() + format.topBorder()) * scale;
        top = top < 0 ? y : std::min(top, y);
        column += cell.columnSpan() - 1;
    }
    return top;
}

TFormatLayout::TRowBand TFormatLayout::RowBandAt(QTextTable& table, int position) const
{
    const QTextTableCell cell = table.cellAt(position);
    int first = cell.isValid() ? cell.row() : 0;
    // A cell merged down from a row above ties that row to this one.
    for (bool moved = true; moved && first > 0;) {
        moved = false;
        for (int column = 0; column < table.columns(); ++column) {
            const QTextTableCell above = table.cellAt(first, column);
            if (above.row() < first) {
                first = above.row();
                moved = true;
            }
        }
    }
    int last = first;
    for (int row = first; row <= last && row < table.rows(); ++row) {
        for (int column = 0; column < table.columns(); ++column) {
            const QTextTableCell spanning = table.cellAt(row, column);
            if (spanning.isValid())
                last = std::max(last, spanning.row() + spanning.rowSpan() - 1);
        }
    }
    TRowBand band;
    band.start = table.cellAt(first, 0).firstPosition();
    for (int column = 0; column < table.columns(); ++column) {
        const QTextTableCell opening = table.cellAt(first, column);
        if (opening.row() == first) {
            band.start = opening.firstPosition();
            break;
        }
    }
    band.top = RowTop(table, first);
    if (last + 1 < table.rows()) {
        band.next = table.lastPosition() + 1;
        for (int column = 0; column < table.columns(); ++column) {
            const QTextTableCell below = table.cellAt(last + 1, column);
            if (below.row() == last + 1) {
                band.next = below.firstPosition();
                break;
            }
        }
        band.bottom = RowTop(table, last + 1);
    } else {
        band.next = table.lastPosition() + 1;
        band.bottom = FDocument->documentLayout()->frameBoundingRect(&table).bottom();
    }
    band.bottom = std::max(band.bottom, band.top);
    return band;
}

TFormatLayout::~TFormatLayout() = default;

TFormatSlice TFormatLayout::Measure(int start, int end, double height) const
{
    TFormatSlice slice;
    slice.start = start;
    slice.next = end;
    QTextBlock block = FDocument->findBlock(start);
    if (!block.isValid() || start >= end)
        return slice;
    QTextLayout* layout = block.layout();
    int lineIndex = 0;
    if (layout->lineCount() > 0)
        lineIndex = LineAt(*layout, start - block.position());
    bool firstLine = true;
    double bottom = 0;
    for (; block.isValid(); block = block.next(), lineIndex = 0) {
        if (QTextTable* table = OuterTable(block)) {
            const TRowBand band = RowBandAt(*table, block.position());
            // Rows are taken whole unless the slice starts inside one or one alone overflows the page.
            if (block.position() == band.start && band.start >= start && band.next <= end
                && !(firstLine && band.bottom - band.top > height)) {
                if (firstLine) {
                    slice.top = band.top;
                } else if (band.bottom - slice.top > height) {
                    slice.next = band.start;
                    slice.height = bottom - slice.top;
                    return slice;
                }
                firstLine = false;
                bottom = std::max(bottom, band.bottom);
                if (band.next >= end)
                    break;
                block = FDocument->findBlock(band.next);
                if (!block.isValid())
                    break;
                block = block.previous(); // the loop steps to it
                continue;
            }
        }
        layout = block.layout();
        if (layout->lineCount() == 0)
            continue;
        const double origin = BlockOrigin(block).y();
        for (; lineIndex < layout->lineCount(); ++lineIndex) {
            const QTextLine line = layout->lineAt(lineIndex);
            const int lineStart = block.position() + line.textStart();
            if (lineStart >= end) {
                slice.next = end;
                slice.height = bottom - slice.top;
                return slice;
            }
            const double top = origin + line.y();
            if (firstLine) {
                slice.top = top;
            } else {
                const bool pageBreak
                    = lineIndex == 0 && (block.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore);
                if (pageBreak || top + line.height() - slice.top > height) {
                    slice.next = lineStart;
                    slice.height = bottom - slice.top;
                    return slice;
                }
            }
            firstLine = false;
            bottom = std::max(bottom, top + line.height());
        }
    }
    slice.next = end;
    slice.height = bottom - slice.top;
    return slice;
}

void TFormatLayout::Draw(QPainter& painter, const TFormatSlice& slice) const
{
    painter.save();
    painter.translate(0, -slice.top);
    // Whole paragraphs are drawn as the document draws them; the band keeps the lines of the slice.
    const double width = FKey.widthTwips * double(FKey.dpiX) / 1440.0;
    DrawParagraphDecorations(painter, slice, width);
    painter.setClipRect(QRectF(-width, slice.top, 3 * width, slice.height), Qt::IntersectClip);
    painter.setPen(QColorFromColorRef(clWindowText));
    // A device context's opaque background mode would paint each run's box over its neighbours.
    painter.setBackgroundMode(Qt::TransparentMode);
    for (QTextBlock block = FDocument->findBlock(slice.start); block.isValid() && block.position() < slice.next;
         block = block.next()) {
        if (QTextTable* table = OuterTable(block)) {
            // The rows of the slice as the document draws them, cell borders and shading included.
            const TRowBand first = RowBandAt(*table, std::max(block.position(), slice.start));
            const int lastPosition = std::min(slice.next, table->lastPosition()) - 1;
            const TRowBand last = RowBandAt(*table, std::max(lastPosition, first.start));
            const double top = std::max(first.top, slice.top);
            const double bottom = std::min(last.bottom, slice.top + slice.height);
            if (bottom > top) {
                painter.save();
                const QRectF band(-width, top, 3 * width, bottom - top);
                painter.setClipRect(band, Qt::IntersectClip);
                QAbstractTextDocumentLayout::PaintContext context;
                context.clip = band;
                context.palette.setColor(QPalette::Text, QColorFromColorRef(clWindowText));
                FDocument->documentLayout()->draw(&painter, context);
                painter.restore();
            }
            const QTextBlock after = FDocument->findBlock(std::min(slice.next, table->lastPosition() + 1));
            if (!after.isValid() || after.position() >= slice.next)
                break;
            block = after.previous();
            continue;
        }
        const QTextLayout* layout = block.layout();
        if (layout->lineCount() == 0)
            continue;
        const QPointF origin = BlockOrigin(block);
        const int firstLine = LineAt(*layout, std::max(0, slice.start - block.position()));
        // Only the slice's own lines: a paragraph spanning many pages costs one page of lines, and
        // no line of a neighbouring page is written (hidden by the clip, but still in a PDF's text).
        for (int i = firstLine; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const int lineStart = block.position() + line.textStart();
            if (lineStart >= slice.next)
                break;
            // A slice that starts inside a line (a printed selection) still shows that line.
            if (lineStart >= slice.start || lineStart + line.textLength() > slice.start)
                line.draw(&painter, origin);
        }
        const QTextLine first = layout->lineAt(0);
        if (block.textList() && block.position() >= slice.start) {
            // The marker sits in the paragraph's offset, right-aligned before its text.
            const QTextCharFormat format = RichText::MarkerCharFormat(block);
            const QFont deviceFont(format.font().resolve(FDocument->defaultFont()), &FMeasuringDevice);
            painter.setFont(deviceFont);
            const QFontMetricsF metrics(deviceFont, &FMeasuringDevice);
            const QString text = RichText::ListMarkerText(block);
            const double x = origin.x() + first.x() - metrics.horizontalAdvance(text) - metrics.horizontalAdvance(u' ');
            painter.drawText(QPointF(std::max(0.0, x), origin.y() + first.y() + first.ascent()), text);
        }
    }
    painter.restore();
}

// Shading and borders under the slice's text. A border lies outside the lines, so it may reach a
// little above or below the slice.
void TFormatLayout::DrawParagraphDecorations(QPainter& painter, const TFormatSlice& slice, double width) const
{
    painter.save();
    const double reach = FKey.dpiY / 4.0;
    painter.setClipRect(QRectF(-width, slice.top - reach, 3 * width, slice.height + 2 * reach), Qt::IntersectClip);
    for (QTextBlock block = FDocument->findBlock(slice.start); block.isValid() && block.position() < slice.next;
         block = block.next()) {
        const QTextBlockFormat format = block.blockFormat();
        if ((!format.hasProperty(RichText::ParagraphBorders) && format.background().style() == Qt::NoBrush)
            || block.layout()->lineCount() == 0 || OuterTable(block))
            continue;
        const int firstLine = LineAt(*block.layout(), std::max(0, slice.start - block.position()));
        QRectF box = RichText::ParagraphBox(block, BlockOrigin(block), firstLine);
        // The box of a paragraph that goes on with the same borders reaches down to the next one.
        const QTextBlock next = block.next();
        if (RichText::JoinsNextParagraph(block) && next.position() < slice.next && next.layout()->lineCount() > 0
            && !OuterTable(next))
            box.setBottom(BlockOrigin(next).y() + next.layout()->lineAt(0).y());
        RichText::DrawParagraphDecoration(painter, block, box, FKey.dpiX / 1440.0, true);
    }
    painter.restore();
}
