#include "ParagraphDecoration.h"

#include "RichTextFormat.h"

#include <QPainter>
#include <QPen>
#include <QRectF>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>
#include <cstring>

namespace RichText {

namespace {

QString BordersOf(const QTextBlock& block)
{
    return block.isValid() ? block.blockFormat().stringProperty(ParagraphBorders) : QString();
}

} // namespace

QRectF ParagraphBox(const QTextBlock& block, const QPointF& origin, int fromLine)
{
    const QTextLayout* layout = block.layout();
    const QTextBlockFormat format = block.blockFormat();
    if (!layout || layout->lineCount() <= fromLine
        || (!format.hasProperty(ParagraphBorders) && format.background().style() == Qt::NoBrush))
        return {};
    double left = 0;
    double right = 0;
    for (int i = std::max(0, fromLine); i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        left = i == fromLine ? line.x() : std::min(left, line.x());
        right = std::max(right, line.x() + line.width());
    }
    const QTextLine first = layout->lineAt(std::max(0, fromLine));
    const QTextLine last = layout->lineAt(layout->lineCount() - 1);
    return QRectF(origin.x() + left, origin.y() + first.y(), right - left, last.y() + last.height() - first.y());
}

bool JoinsNextParagraph(const QTextBlock& block)
{
    const QString borders = BordersOf(block);
    return !borders.isEmpty() && borders == BordersOf(block.next());
}

void DrawParagraphDecoration(QPainter& painter, const QTextBlock& block, const QRectF& box, double pixelsPerTwip,
    bool shade)
{
    if (box.isEmpty())
        return;
    const QTextBlockFormat format = block.blockFormat();
    if (shade && format.background().style() != Qt::NoBrush)
        painter.fillRect(box, format.background());
    const QString encoded = format.stringProperty(ParagraphBorders);
    if (encoded.isEmpty())
        return;
    TParagraphBorders borders = DecodeParagraphBorders(encoded);
    if (encoded == BordersOf(block.previous()))
        borders[0].style = 0;
    if (encoded == BordersOf(block.next()))
        borders[2].style = 0;

    // Each side's kind, line width and distance outside the text.
    std::array<const char*, 4> kinds {};
    std::array<double, 4> widths {};
    std::array<double, 4> gaps {};
    for (std::size_t side = 0; side < 4; ++side) {
        const TParagraphBorder& border = borders[side];
        if (border.style == 0)
            continue;
        const char* kind = kinds[side] = ParagraphBorderStyles[std::clamp(border.style, 1, 6) - 1];
        double width = std::max(1.0, (border.width > 0 ? border.width : 15) * pixelsPerTwip);
        if (std::strcmp(kind, "th") == 0)
            width *= 2;
        else if (std::strcmp(kind, "hair") == 0)
            width = 1;
        widths[side] = width;
        gaps[side] = border.space * pixelsPerTwip + width / 2;
    }
    const QRectF outer = box.adjusted(-gaps[1], -gaps[0], gaps[3], gaps[2]);
    const QLineF lines[4] = { { outer.topLeft(), outer.topRight() }, { outer.topLeft(), outer.bottomLeft() },
        { outer.bottomLeft(), outer.bottomRight() }, { outer.topRight(), outer.bottomRight() } };
    // A double border's second line lies further out by twice the line's width.
    const QPointF outwards[4] = { { 0, -1 }, { -1, 0 }, { 0, 1 }, { 1, 0 } };

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (std::size_t side = 0; side < 4; ++side) {
        const TParagraphBorder& border = borders[side];
        const char* kind = kinds[side];
        if (!kind)
            continue;
        const Qt::PenStyle style = std::strcmp(kind, "dot") == 0 ? Qt::DotLine
            : std::strcmp(kind, "dash") == 0                     ? Qt::DashLine
                                                                 : Qt::SolidLine;
        QPen pen(border.color >= 0 ? QColor::fromRgb(QRgb(border.color)) : QColor(Qt::black), widths[side], style,
            Qt::SquareCap);
        painter.setPen(pen);
        painter.drawLine(lines[side]);
        if (std::strcmp(kind, "db") == 0)
            painter.drawLine(lines[side].translated(outwards[side] * (2 * widths[side])));
    }
    painter.restore();
}

} // namespace RichText
