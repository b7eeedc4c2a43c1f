#include "FormatLayout.h"

#include "LinkDetector.h"
#include "PictureObject.h"
#include "RichTextFormat.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextList>

#include <cmath>

namespace {

double LineTop(const QTextBlock& block, const QTextLine& line) { return block.layout()->position().y() + line.y(); }

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
        layout = block.layout();
        if (layout->lineCount() == 0)
            continue;
        for (; lineIndex < layout->lineCount(); ++lineIndex) {
            const QTextLine line = layout->lineAt(lineIndex);
            const int lineStart = block.position() + line.textStart();
            if (lineStart >= end) {
                slice.next = end;
                slice.height = bottom - slice.top;
                return slice;
            }
            const double top = LineTop(block, line);
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
            bottom = top + line.height();
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
    painter.setClipRect(QRectF(-width, slice.top, 3 * width, slice.height), Qt::IntersectClip);
    painter.setPen(QColorFromColorRef(clWindowText));
    // A device context's opaque background mode would paint each run's box over its neighbours.
    painter.setBackgroundMode(Qt::TransparentMode);
    for (QTextBlock block = FDocument->findBlock(slice.start); block.isValid() && block.position() < slice.next;
         block = block.next()) {
        const QTextLayout* layout = block.layout();
        if (layout->lineCount() == 0)
            continue;
        const QPointF origin = layout->position();
        // Only the slice's own lines: a paragraph spanning many pages costs one page of lines, and
        // no line of a neighbouring page is written (hidden by the clip, but still in a PDF's text).
        for (int i = LineAt(*layout, std::max(0, slice.start - block.position())); i < layout->lineCount(); ++i) {
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
            QTextCharFormat format = block.charFormat();
            if (block.begin() != block.end())
                format = block.begin().fragment().charFormat();
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
