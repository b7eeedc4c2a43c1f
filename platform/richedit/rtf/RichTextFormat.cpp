#include "RichTextFormat.h"

#include "RichEditRecords.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextTable>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextList>
#include <QStringList>
#include <QTextListFormat>
#include <QVariant>

#include <algorithm>

namespace {

QString RomanNumber(int number)
{
    static constexpr std::pair<int, const char*> Digits[]
        = { { 1000, "m" }, { 900, "cm" }, { 500, "d" }, { 400, "cd" }, { 100, "c" }, { 90, "xc" }, { 50, "l" },
              { 40, "xl" }, { 10, "x" }, { 9, "ix" }, { 5, "v" }, { 4, "iv" }, { 1, "i" } };
    if (number <= 0 || number > 3999)
        return QString::number(number);
    QString text;
    for (const auto& [value, digits] : Digits) {
        while (number >= value) {
            text += QLatin1String(digits);
            number -= value;
        }
    }
    return text;
}

QString LetterNumber(int number)
{
    if (number <= 0)
        return QString::number(number);
    QString text;
    while (number > 0) {
        --number;
        text.prepend(QChar(u'a' + number % 26));
        number /= 26;
    }
    return text;
}

// Room left of a numbered paragraph's text for its marker when the paragraph gives none: the
// marker is drawn right-aligned before the text and must not fall into the page margin.
constexpr int MinimumMarkerTwips = 360;

} // namespace

namespace RichText {

QString NumberText(int numbering, int style, int number)
{
    QString text;
    switch (numbering) {
    case PFN_LCLETTER:
        text = LetterNumber(number);
        break;
    case PFN_UCLETTER:
        text = LetterNumber(number).toUpper();
        break;
    case PFN_LCROMAN:
        text = RomanNumber(number);
        break;
    case PFN_UCROMAN:
        text = RomanNumber(number).toUpper();
        break;
    default:
        text = QString::number(number);
        break;
    }
    switch (style & 0x0F00) {
    case PFNS_PAREN:
        return text + u')';
    case PFNS_PARENS:
        return u'(' + text + u')';
    case PFNS_PERIOD:
        return text + u'.';
    case PFNS_NONUMBER:
        return {};
    default:
        return text;
    }
}


void ApplyDisplayProperties(QTextBlockFormat& format)
{
    const int start = format.intProperty(StartIndent);
    const int offset = format.intProperty(Offset);
    const int numbering = format.intProperty(Numbering);
    // A numbered paragraph puts its marker at the start indent and all of its text at start + offset.
    const int textStart = numbering ? std::max(start + offset, MinimumMarkerTwips) : start + offset;
    format.setLeftMargin(PixelsFromTwips(textStart));
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

QTextCharFormat FormatForPicture(const TPicture& picture, const QTextCharFormat& base)
{
    QTextCharFormat format = base;
    format.setObjectType(ObjectTextFormat);
    format.setProperty(ObjectKind, int(picture.kind));
    format.setProperty(ObjectData, picture.data);
    format.setProperty(ObjectWidthTwips, picture.sizeTwips.width());
    format.setProperty(ObjectHeightTwips, picture.sizeTwips.height());
    return format;
}

TPicture PictureFromFormat(const QTextFormat& format)
{
    TPicture picture;
    if (format.objectType() != ObjectTextFormat)
        return picture;
    picture.kind = TObjectKind(format.intProperty(ObjectKind));
    picture.data = format.property(ObjectData).toByteArray();
    picture.sizeTwips = QSize(format.intProperty(ObjectWidthTwips), format.intProperty(ObjectHeightTwips));
    return picture;
}

namespace {
constexpr const char* PageSetupProperty = "RichText.PageSetup";
constexpr const char* KeptGroupsProperty = "RichText.KeptGroups";
}

TPageSetup NoPageSetup()
{
    TPageSetup setup;
    setup.fill(-1);
    return setup;
}

TPageSetup PageSetupOf(const QTextDocument& document)
{
    const QList<int> values = document.property(PageSetupProperty).value<QList<int>>();
    TPageSetup setup = NoPageSetup();
    if (values.size() == PageSetupFields)
        std::copy(values.begin(), values.end(), setup.begin());
    return setup;
}

void SetPageSetup(QTextDocument& document, const TPageSetup& setup)
{
    const bool any = std::any_of(setup.begin(), setup.end(), [](int value) { return value >= 0; });
    document.setProperty(PageSetupProperty, any ? QVariant::fromValue(QList<int>(setup.begin(), setup.end())) : QVariant());
}

TKeptGroups KeptGroupsOf(const QTextDocument& document)
{
    // Kept as plain variants: [groups, {number: [name, charset, pitch]}, {number: rgb}].
    const QVariantList parts = document.property(KeptGroupsProperty).toList();
    TKeptGroups groups;
    if (parts.size() != 3)
        return groups;
    groups.rtf = parts[0].toByteArray();
    const QVariantMap fonts = parts[1].toMap();
    for (auto it = fonts.begin(); it != fonts.end(); ++it) {
        const QVariantList font = it.value().toList();
        if (font.size() == 3)
            groups.fonts.insert(it.key().toInt(), { font[0].toString(), font[1].toInt(), font[2].toInt() });
    }
    const QVariantMap colors = parts[2].toMap();
    for (auto it = colors.begin(); it != colors.end(); ++it)
        groups.colors.insert(it.key().toInt(), QRgb(it.value().toUInt()));
    return groups;
}

void SetKeptGroups(QTextDocument& document, const TKeptGroups& groups)
{
    if (groups.rtf.isEmpty()) {
        document.setProperty(KeptGroupsProperty, QVariant());
        return;
    }
    QVariantMap fonts, colors;
    for (auto it = groups.fonts.begin(); it != groups.fonts.end(); ++it)
        fonts.insert(QString::number(it.key()), QVariantList { it->name, it->charset, it->pitchAndFamily });
    for (auto it = groups.colors.begin(); it != groups.colors.end(); ++it)
        colors.insert(QString::number(it.key()), uint(it.value()));
    document.setProperty(KeptGroupsProperty, QVariantList { groups.rtf, fonts, colors });
}

const char* const ParagraphBorderStyles[6] = { "s", "th", "db", "dot", "dash", "hair" };

QString EncodeParagraphBorders(const TParagraphBorders& borders)
{
    QStringList sides;
    for (const TParagraphBorder& side : borders)
        sides << QStringLiteral("%1 %2 %3 %4").arg(side.style).arg(side.width).arg(side.color).arg(side.space);
    return sides.join(u';');
}

TParagraphBorders DecodeParagraphBorders(const QString& text)
{
    TParagraphBorders borders {};
    const QStringList sides = text.split(u';');
    for (qsizetype i = 0; i < sides.size() && i < 4; ++i) {
        const QStringList fields = sides[i].split(u' ');
        if (fields.size() != 4)
            continue;
        TParagraphBorder& side = borders[std::size_t(i)];
        side.style = std::clamp(fields[0].toInt(), 0, 6);
        side.width = std::clamp(fields[1].toInt(), 0, 75);
        side.color = std::clamp(fields[2].toInt(), -1, 0xFFFFFF);
        side.space = std::clamp(fields[3].toInt(), 0, 31680);
    }
    return borders;
}

QTextCharFormat MarkerCharFormat(const QTextBlock& block)
{
    return block.begin() != block.end() ? block.begin().fragment().charFormat() : block.charFormat();
}

namespace {

int ItemNumber(const QTextList& list, const QTextBlock& block)
{
    const QTextListFormat format = list.format();
    return list.itemNumber(block) + (format.hasProperty(ListNumberingStart) ? format.intProperty(ListNumberingStart) : 1);
}

// The number of the item of a higher level of the same outline that a paragraph comes under: the
// nearest one before it, unless a still higher level comes first.
QString NumberAbove(const QTextBlock& block, const QTextListFormat& format, int level)
{
    const QVariant outline = format.property(ListOutline);
    int steps = 0;
    for (QTextBlock before = block.previous(); before.isValid() && steps < 100000; before = before.previous(), ++steps) {
        const QTextList* list = before.textList();
        if (!list || list->format().property(ListOutline) != outline)
            continue;
        const int found = list->format().intProperty(ListLevel);
        if (found == level)
            return NumberText(list->format().intProperty(Numbering), PFNS_PLAIN, ItemNumber(*list, before));
        if (found < level)
            break;
    }
    return QStringLiteral("0");
}

} // namespace

QString ListMarkerText(const QTextBlock& block)
{
    const QTextList* list = block.textList();
    if (!list)
        return {};
    const QTextListFormat format = list->format();
    if (format.hasProperty(ListBullet))
        return format.stringProperty(ListBullet);
    if (format.hasProperty(ListNumberTemplate)) {
        QString text;
        const int own = format.intProperty(ListLevel);
        for (QChar c : format.stringProperty(ListNumberTemplate)) {
            const int level = c.unicode() - 0xE000;
            if (level < 0 || level > 8)
                text += c;
            else if (level == own)
                text += NumberText(format.intProperty(ListNumbering), PFNS_PLAIN, ItemNumber(*list, block));
            else
                text += NumberAbove(block, format, level);
        }
        return text;
    }
    if (format.hasProperty(ListNumbering)) // numbered from a start of its own
        return NumberText(format.intProperty(ListNumbering), format.intProperty(ListNumberingStyle),
            list->itemNumber(block) + format.intProperty(ListNumberingStart));
    return format.style() == QTextListFormat::ListDisc ? QStringLiteral("\u2022") : list->itemText(block);
}

QTextListFormat ListFormatFor(int numbering, int style, int start, const QString& bullet, const QString& numberTemplate)
{
    QTextListFormat format;
    switch (numbering) {
    case PFN_ARABIC:
        format.setStyle(QTextListFormat::ListDecimal);
        break;
    case PFN_LCLETTER:
        format.setStyle(QTextListFormat::ListLowerAlpha);
        break;
    case PFN_UCLETTER:
        format.setStyle(QTextListFormat::ListUpperAlpha);
        break;
    case PFN_LCROMAN:
        format.setStyle(QTextListFormat::ListLowerRoman);
        break;
    case PFN_UCROMAN:
        format.setStyle(QTextListFormat::ListUpperRoman);
        break;
    default:
        format.setStyle(QTextListFormat::ListDisc);
        break;
    }
    format.setIndent(0);
    if (numbering != PFN_BULLET) {
        switch (style & 0x0F00) {
        case PFNS_PARENS:
            format.setNumberPrefix(QStringLiteral("("));
            format.setNumberSuffix(QStringLiteral(")"));
            break;
        case PFNS_PERIOD:
            format.setNumberPrefix(QString());
            format.setNumberSuffix(QStringLiteral("."));
            break;
        case PFNS_PLAIN:
        case PFNS_NONUMBER:
            format.setNumberPrefix(QString());
            format.setNumberSuffix(QString());
            break;
        default:
            format.setNumberPrefix(QString());
            format.setNumberSuffix(QStringLiteral(")"));
            break;
        }
    }
    format.setProperty(Numbering, numbering);
    format.setProperty(NumberingStyle, style);
    // Lists here count from 1 on their own and draw one kind of bullet; others are drawn by us.
    if (numbering == PFN_BULLET && !bullet.isEmpty() && bullet != u"\u2022") {
        format.setStyle(QTextListFormat::ListStyleUndefined);
        format.setProperty(ListBullet, bullet);
    } else if (numbering != PFN_BULLET && (start != 1 || !numberTemplate.isEmpty())) {
        format.setStyle(QTextListFormat::ListStyleUndefined);
        format.setProperty(ListNumbering, numbering);
        format.setProperty(ListNumberingStyle, style);
        format.setProperty(ListNumberingStart, start);
        if (!numberTemplate.isEmpty())
            format.setProperty(ListNumberTemplate, numberTemplate);
    }
    return format;
}

QTextCharFormat::UnderlineStyle QtUnderlineFromType(int type)
{
    switch (type) {
    case CFU_UNDERLINENONE:
        return QTextCharFormat::NoUnderline;
    case CFU_UNDERLINEDOTTED:
        return QTextCharFormat::DotLine;
    case CFU_UNDERLINEDASH:
        return QTextCharFormat::DashUnderline;
    case CFU_UNDERLINEDASHDOT:
        return QTextCharFormat::DashDotLine;
    case CFU_UNDERLINEDASHDOTDOT:
        return QTextCharFormat::DashDotDotLine;
    case CFU_UNDERLINEWAVE:
        return QTextCharFormat::WaveUnderline;
    default:
        return QTextCharFormat::SingleUnderline;
    }
}

int UnderlineTypeFromQt(int style)
{
    switch (style) {
    case QTextCharFormat::NoUnderline:
        return CFU_UNDERLINENONE;
    case QTextCharFormat::DashUnderline:
        return CFU_UNDERLINEDASH;
    case QTextCharFormat::DotLine:
        return CFU_UNDERLINEDOTTED;
    case QTextCharFormat::DashDotLine:
        return CFU_UNDERLINEDASHDOT;
    case QTextCharFormat::DashDotDotLine:
        return CFU_UNDERLINEDASHDOTDOT;
    case QTextCharFormat::WaveUnderline:
    case QTextCharFormat::SpellCheckUnderline:
        return CFU_UNDERLINEWAVE;
    default:
        return CFU_UNDERLINE;
    }
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

namespace {

QChar CellMarkText(const QTextDocument& document, int position, QChar character)
{
    if (character == QChar(0xFDD1))
        return u'\r';
    // The mark that opens a cell: the end of the paragraph before the table, or of the cell before.
    QTextCursor cursor(const_cast<QTextDocument*>(&document));
    cursor.setPosition(position + 1);
    const QTextTable* table = cursor.currentTable();
    if (!table || table->firstPosition() == position + 1)
        return u'\r';
    const QTextTableCell cell = table->cellAt(position + 1);
    const QTextTableCell before = table->cellAt(position - 1);
    return cell.isValid() && before.isValid() && cell.row() == before.row() ? u'\t' : u'\r';
}

} // namespace

QString ControlTextOfRange(const QTextDocument& document, int start, int end, bool cellLines)
{
    QString text;
    if (end <= start)
        return text;
    text.reserve(end - start);
    const bool tables = !document.rootFrame()->childFrames().isEmpty();
    for (QTextBlock block = document.findBlock(start); block.isValid() && block.position() < end; block = block.next()) {
        const int position = block.position();
        const int mark = position + block.length() - 1;
        const int from = std::max(start, position);
        const int to = std::min(end, mark);
        if (to > from)
            text += QStringView(block.text()).mid(from - position, to - from);
        if (mark < start || mark >= end)
            continue;
        const QChar character = document.characterAt(mark);
        if (character == QChar(0xFDD0) || character == QChar(0xFDD1))
            text += CellMarkText(document, mark, character);
        else if (!cellLines && tables && QTextCursor(block).currentTable())
            text += u' ';
        else
            text += u'\r';
    }
    for (QChar& c : text) {
        if (c == ParagraphBreak)
            c = u'\r';
        else if (c == LineBreak)
            c = u'\v';
    }
    return text;
}

} // namespace RichText
