#pragma once
// Paragraph borders and shading as the window and the page engine draw them.
class QPainter;
class QPointF;
class QRectF;
class QTextBlock;

namespace RichText {

// The area a bordered or shaded paragraph's lines take: from its left indent to its right indent,
// from its first line's top to its last line's bottom, with the paragraph's layout at origin. Lines
// before fromLine are left out (a paragraph continued from an earlier page). Empty for others.
QRectF ParagraphBox(const QTextBlock& block, const QPointF& origin, int fromLine = 0);

// Whether the next paragraph has the same borders: the two are one box, without a line between.
bool JoinsNextParagraph(const QTextBlock& block);

// Draws the paragraph's shading (when shade is set) and its borders around box, a border's spacing
// outside it. The top border is left out when the paragraph before has the same borders, the bottom
// one when the next has.
void DrawParagraphDecoration(QPainter& painter, const QTextBlock& block, const QRectF& box, double pixelsPerTwip,
    bool shade);

} // namespace RichText
