#include "RichTextFormat.h"

#include "RichEditRecords.h"

#include <QTextBlockFormat>

namespace RichText {

void ApplyDisplayProperties(QTextBlockFormat& format)
{
    const int start = format.intProperty(StartIndent);
    const int offset = format.intProperty(Offset);
    const int numbering = format.intProperty(Numbering);
    // A numbered paragraph puts its marker at the start indent and all of its text at start + offset.
    format.setLeftMargin(PixelsFromTwips(start + offset));
    format.setTextIndent(numbering ? 0.0 : PixelsFromTwips(-offset));
    format.setRightMargin(PixelsFromTwips(format.intProperty(RightIndent)));
    format.setTopMargin(PixelsFromTwips(format.intProperty(SpaceBefore)));
    format.setBottomMargin(PixelsFromTwips(format.intProperty(SpaceAfter)));

    const int spacing = format.intProperty(LineSpacing);
    switch (format.intProperty(LineSpacingRule)) {
    case 1:
        format.setLineHeight(150, QTextBlockFormat::ProportionalHeight);
        break;
    case 2:
        format.setLineHeight(200, QTextBlockFormat::ProportionalHeight);
        break;
    case 3:
        format.setLineHeight(PixelsFromTwips(spacing), QTextBlockFormat::MinimumHeight);
        break;
    case 4:
        format.setLineHeight(PixelsFromTwips(spacing), QTextBlockFormat::FixedHeight);
        break;
    case 5:
        format.setLineHeight(spacing * 100.0 / 20.0, QTextBlockFormat::ProportionalHeight);
        break;
    default:
        format.setLineHeight(100, QTextBlockFormat::SingleHeight);
        break;
    }

    QList<QTextOption::Tab> tabs;
    const auto stops = format.property(TabStops).value<QList<int>>();
    for (int stop : stops)
        tabs.append(QTextOption::Tab(PixelsFromTwips(stop), QTextOption::LeftTab));
    format.setTabPositions(tabs);
}

QColor QColorFromColorRef(COLORREF color)
{
    if (color == clDefault || color == clWindowText)
        return QColor(Qt::black);
    if (color == clWindow)
        return QColor(Qt::white);
    if (color & 0xFF000000)
        return QColor(Qt::black);
    return QColor(GetRValue(color), GetGValue(color), GetBValue(color));
}

COLORREF ColorRefFromQColor(const QColor& color)
{
    return RGB(BYTE(color.red()), BYTE(color.green()), BYTE(color.blue()));
}

QString ControlTextFromDocumentText(QString text)
{
    for (QChar& c : text) {
        if (c == ParagraphBreak)
            c = u'\r';
        else if (c == LineBreak)
            c = u'\v';
    }
    return text;
}

QString DocumentTextFromControlText(QString text)
{
    // CR LF and lone LF are paragraph breaks too; fold them first.
    text.replace(QLatin1String("\r\n"), QLatin1String("\r"));
    for (QChar& c : text) {
        if (c == u'\r' || c == u'\n')
            c = ParagraphBreak;
        else if (c == u'\v')
            c = LineBreak;
    }
    return text;
}

} // namespace RichText
