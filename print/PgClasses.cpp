// PgClasses.cpp: units, paper, pages, margins, header and footer, resources and page drawing.
#include "PgClasses.h"

#include "DeviceContext.h"
#include "EnhMetafile.h"
#include "Errors.h"
#include "PgPrinter.h"
#include "PgRtfPreview.h"
#include "RichEditControl.h"
#include "Units.h"

#include <QDateTime>
#include <QIODevice>
#include <QLocale>

#include <cmath>

// ---- units ----

namespace {

TPgExtended ToInches(TPgMeasurement unit, TPgExtended x)
{
    switch (unit) {
    case TPgMeasurement::pgUnits:
        return x / 100 / 25.4L;
    case TPgMeasurement::pgPixels:
        return x / 96;
    case TPgMeasurement::pgMillimeters:
        return x / 25.4L;
    case TPgMeasurement::pgCentimeters:
        return x * 10 / 25.4L;
    case TPgMeasurement::pgInches:
        return x;
    case TPgMeasurement::pgTwips:
        return x / 1440;
    }
    return x;
}

TPgExtended FromInches(TPgMeasurement unit, TPgExtended x)
{
    switch (unit) {
    case TPgMeasurement::pgUnits:
        return x * 25.4L * 100;
    case TPgMeasurement::pgPixels:
        return x * 96;
    case TPgMeasurement::pgMillimeters:
        return x * 25.4L;
    case TPgMeasurement::pgCentimeters:
        return x * 25.4L / 10;
    case TPgMeasurement::pgInches:
        return x;
    case TPgMeasurement::pgTwips:
        return x * 1440;
    }
    return x;
}

struct TPaperEntry {
    const char* Name;
    TPgMeasurement Unit;
    TPgExtended Width, Height;
    SHORT Code;
};

// Envelope 12 and 14 are taken as the portrait sheets the printer codes name (4.75 x 11 in and
// 5 x 11.5 in), like every other envelope of the table.
const TPaperEntry PaperTable[PgPaperSizeCount] = {
    { "A3", TPgMeasurement::pgMillimeters, 297, 420, 8 },
    { "A4", TPgMeasurement::pgMillimeters, 210, 297, 9 },
    { "A5", TPgMeasurement::pgMillimeters, 148.5L, 210, 11 },
    { "A6", TPgMeasurement::pgMillimeters, 105, 148, 70 },
    { "B5", TPgMeasurement::pgInches, 6.92L, 9.84L, 13 },
    { "C5", TPgMeasurement::pgInches, 6.38L, 9.02L, 28 },
    { "C6", TPgMeasurement::pgMillimeters, 114, 162, 0 },
    { "C65", TPgMeasurement::pgMillimeters, 114, 229, 0 },
    { "Legal", TPgMeasurement::pgInches, 8.5L, 14, 5 },
    { "Letter", TPgMeasurement::pgInches, 8.5L, 11, 1 },
    { "Custom", TPgMeasurement::pgInches, 0, 0, 0 },
    { "B4", TPgMeasurement::pgMillimeters, 250, 354, 12 },
    { "Envelope_DL", TPgMeasurement::pgMillimeters, 110, 220, 0 },
    { "Envelope_DL_Maxi", TPgMeasurement::pgMillimeters, 120, 235, 0 },
    { "Envelope_09", TPgMeasurement::pgInches, 3.78L, 8.78L, 19 },
    { "Envelope_10", TPgMeasurement::pgInches, 4.18L, 9.12L, 20 },
    { "Envelope_11", TPgMeasurement::pgInches, 4.12L, 10.38L, 21 },
    { "Envelope_12", TPgMeasurement::pgInches, 4.75L, 11, 22 },
    { "Envelope_14", TPgMeasurement::pgInches, 5, 11.5L, 23 },
    { "Tabloid", TPgMeasurement::pgInches, 11, 17, 3 },
    { "Ledger", TPgMeasurement::pgInches, 17, 11, 4 },
    { "Executive", TPgMeasurement::pgInches, 7.14L, 10.12L, 7 },
};

void Fire(const TPgChangeEvent& event)
{
    if (event)
        event();
}

} // namespace

TPgExtended ConvertValue(TPgMeasurement from, TPgMeasurement to, TPgExtended x)
{
    if (from == to)
        return x;
    return FromInches(to, ToInches(from, x));
}

int PgRound(TPgExtended x) { return int(std::nearbyint(x)); }

QString PaperSizeName(TPgPaperSize paper)
{
    const int index = int(paper);
    return index >= 0 && index < PgPaperSizeCount ? QString::fromLatin1(PaperTable[index].Name)
                                                  : QStringLiteral("Custom");
}

TPgPaperSize PaperSizeFromName(const QString& name)
{
    for (int i = 0; i < PgPaperSizeCount; ++i)
        if (name == QLatin1String(PaperTable[i].Name))
            return TPgPaperSize(i);
    return TPgPaperSize::Custom;
}

QStringList GetPaperSizeNames()
{
    QStringList names;
    for (const TPaperEntry& entry : PaperTable)
        names << QString::fromLatin1(entry.Name);
    return names;
}

bool PaperSizeInches(TPgPaperSize paper, TPgExtended& width, TPgExtended& height)
{
    const int index = int(paper);
    if (paper == TPgPaperSize::Custom || index < 0 || index >= PgPaperSizeCount)
        return false;
    width = ConvertValue(PaperTable[index].Unit, TPgMeasurement::pgInches, PaperTable[index].Width);
    height = ConvertValue(PaperTable[index].Unit, TPgMeasurement::pgInches, PaperTable[index].Height);
    return true;
}

SHORT PaperPrinterCode(TPgPaperSize paper)
{
    const int index = int(paper);
    return index >= 0 && index < PgPaperSizeCount ? PaperTable[index].Code : 0;
}

// ---- values ----

void TPgValue::SetAsInches(TPgExtended inches)
{
    if (inches == FValue)
        return;
    FValue = inches;
    Fire(OnChange);
}

void TPgValue::Assign(const TPgValue& other)
{
    FValue = other.FValue;
    Fire(OnChange);
}

TPgValuePoint::TPgValuePoint()
{
    X.OnChange = Y.OnChange = [this] { Fire(OnChange); };
}

TPgValueSize::TPgValueSize()
{
    Width.OnChange = Height.OnChange = [this] { Fire(OnChange); };
}

TPgValueRect::TPgValueRect() { Wire(); }

TPgValueRect::TPgValueRect(const TPgValueRect& other)
{
    Wire();
    TopLeft.X = other.TopLeft.X;
    TopLeft.Y = other.TopLeft.Y;
    BottomRight.X = other.BottomRight.X;
    BottomRight.Y = other.BottomRight.Y;
}

TPgValueRect& TPgValueRect::operator=(const TPgValueRect& other)
{
    SetRect(other.Left(), other.Top(), other.Right(), other.Bottom());
    return *this;
}

void TPgValueRect::Wire()
{
    TopLeft.OnChange = BottomRight.OnChange = [this] { Fire(OnChange); };
}

TPgExtended TPgValueRect::Edge(int edge) const
{
    switch (edge) {
    case 1:
        return Left();
    case 2:
        return Top();
    case 3:
        return Right();
    case 4:
        return Bottom();
    }
    return 0;
}

void TPgValueRect::SetEdge(int edge, TPgExtended inches)
{
    switch (edge) {
    case 1:
        TopLeft.X.SetAsInches(inches);
        break;
    case 2:
        TopLeft.Y.SetAsInches(inches);
        break;
    case 3:
        BottomRight.X.SetAsInches(inches);
        break;
    case 4:
        BottomRight.Y.SetAsInches(inches);
        break;
    }
}

void TPgValueRect::SetRect(TPgExtended left, TPgExtended top, TPgExtended right, TPgExtended bottom)
{
    SetEdge(1, left);
    SetEdge(2, top);
    SetEdge(3, right);
    SetEdge(4, bottom);
}

bool TPgFont::operator==(const TPgFont& other) const
{
    return Font.Name == other.Font.Name && Font.Size == other.Font.Size && Font.Style == other.Font.Style
        && Font.Color == other.Font.Color && Font.Charset == other.Font.Charset && Angle == other.Angle;
}

// ---- margins ----

TPgMargins::TPgMargins()
    : Left(0.5L)
    , Top(0.5L)
    , Right(0.5L)
    , Bottom(0.5L)
    , FPen { 12632256, 1, PS_DOT, 4 }
    , FPrinterMarginPen(FPen)
    , FValues(std::make_unique<TPgMarginValues>(*this))
{
    Left.OnChange = Top.OnChange = Right.OnChange = Bottom.OnChange = [this] { Changed(); };
}

TPgMargins::~TPgMargins() = default;

void TPgMargins::SetClipMargins(bool on)
{
    if (on != FClipMargins) {
        FClipMargins = on;
        Changed();
    }
}

void TPgMargins::SetPen(const TPgPen& pen)
{
    if (!(pen == FPen)) {
        FPen = pen;
        Changed();
    }
}

void TPgMargins::SetPrinterMarginPen(const TPgPen& pen)
{
    if (!(pen == FPrinterMarginPen)) {
        FPrinterMarginPen = pen;
        Changed();
    }
}

void TPgMargins::SetShowPrinterMargins(bool on)
{
    if (on != FShowPrinterMargins) {
        FShowPrinterMargins = on;
        Changed();
    }
}

void TPgMargins::SetVisible(bool on)
{
    if (on != FVisible) {
        FVisible = on;
        Changed();
    }
}

void TPgMargins::Assign(const TPgMargins& other)
{
    Left.SetAsInches(other.Left.AsInches());
    Top.SetAsInches(other.Top.AsInches());
    Right.SetAsInches(other.Right.AsInches());
    Bottom.SetAsInches(other.Bottom.AsInches());
    SetClipMargins(other.FClipMargins);
    SetPen(other.FPen);
    SetPrinterMarginPen(other.FPrinterMarginPen);
    SetShowPrinterMargins(other.FShowPrinterMargins);
    SetVisible(other.FVisible);
}

namespace {

QString PenText(const TPgPen& pen)
{
    return QStringLiteral("\"%1,%2,%3,%4\"").arg(pen.Color).arg(pen.Width).arg(pen.Style).arg(pen.Mode);
}

// Splits at commas outside double quotes; the quotes are removed.
QStringList SplitQuoted(const QString& text)
{
    QStringList items;
    QString item;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == u'"')
            quoted = !quoted;
        else if (c == u',' && !quoted) {
            items << item.trimmed();
            item.clear();
        } else
            item += c;
    }
    items << item.trimmed();
    return items;
}

TPgPen PenFromText(const QString& text)
{
    const QStringList parts = text.split(u',');
    if (parts.size() != 4)
        throw EConvertError(QStringLiteral("'%1' is not a valid pen").arg(text));
    TPgPen pen;
    bool ok[4];
    pen.Color = parts[0].trimmed().toUInt(&ok[0]);
    pen.Width = parts[1].trimmed().toInt(&ok[1]);
    pen.Style = parts[2].trimmed().toUInt(&ok[2]);
    pen.Mode = parts[3].trimmed().toInt(&ok[3]);
    if (!ok[0] || !ok[1] || !ok[2] || !ok[3])
        throw EConvertError(QStringLiteral("'%1' is not a valid pen").arg(text));
    return pen;
}

} // namespace

QString TPgMargins::MarginValues() const
{
    return QStringLiteral("%1,%2,%3,%4,%5,%6")
        .arg(Left.AsTwips())
        .arg(Top.AsTwips())
        .arg(Right.AsTwips())
        .arg(Bottom.AsTwips())
        .arg(PenText(FPen), PenText(FPrinterMarginPen));
}

void TPgMargins::SetMarginValues(const QString& text)
{
    const QStringList items = SplitQuoted(text);
    if (items.size() != 4 && items.size() != 6)
        throw EConvertError(QStringLiteral("'%1' is not a valid margin setting").arg(text));
    int twips[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        twips[i] = items[i].toInt(&ok);
        if (!ok)
            throw EConvertError(QStringLiteral("'%1' is not a valid margin setting").arg(text));
    }
    TPgPen pen = FPen, printerPen = FPrinterMarginPen;
    if (items.size() == 6) {
        pen = PenFromText(items[4]);
        printerPen = PenFromText(items[5]);
    }
    Left.SetAsTwips(twips[0]);
    Top.SetAsTwips(twips[1]);
    Right.SetAsTwips(twips[2]);
    Bottom.SetAsTwips(twips[3]);
    SetPen(pen);
    SetPrinterMarginPen(printerPen);
}

// ---- header and footer ----

TPgHeaderFooterCaption::TPgHeaderFooterCaption(TPgHeaderFooter& owner)
    : FOwner(owner)
{
    FFont.Name = QStringLiteral("Arial");
    FFont.Size = 12;
}

void TPgHeaderFooterCaption::SetCaption(const QString& text)
{
    if (text == FCaption)
        return;
    FCaption = text;
    FOwner.Changed();
}

void TPgHeaderFooterCaption::SetFont(const TFont& font)
{
    FFont = font;
    FOwner.Changed();
}

TPgHeaderFooter::TPgHeaderFooter()
    : CaptionLeft(*this)
    , CaptionCenter(*this)
    , CaptionRight(*this)
{
    Height.OnChange = [this] { Changed(); };
}

TPgHeaderFooter::~TPgHeaderFooter() = default;

TPgHeaderFooterCaption& TPgHeaderFooter::Caption(int index)
{
    return index == 0 ? CaptionLeft : index == 1 ? CaptionCenter : CaptionRight;
}

void TPgHeaderFooter::SetShowLine(bool on)
{
    if (on != FShowLine) {
        FShowLine = on;
        Changed();
    }
}

void TPgHeaderFooter::SetVisible(bool on)
{
    if (on != FVisible) {
        FVisible = on;
        Changed();
    }
}

TPgExtended TPgHeaderFooter::GetHeight(TPgMeasurement unit) const
{
    if (Height.AsInches() != 0)
        return Height.AsUnit(unit);
    const TFont* largest = &CaptionLeft.Font();
    if (CaptionCenter.Font().Size > largest->Size)
        largest = &CaptionCenter.Font();
    if (CaptionRight.Font().Size > largest->Size)
        largest = &CaptionRight.Font();
    TDeviceContext reference = TDeviceContext::InformationContext(600, 600, QSize(6000, 6000));
    reference.SelectFont(PgCreateFont(*largest, 600));
    TEXTMETRICW metrics;
    reference.GetTextMetrics(&metrics);
    return ConvertValue(TPgMeasurement::pgInches, unit, TPgExtended(metrics.tmHeight) / 600);
}

void TPgHeaderFooter::Assign(const TPgHeaderFooter& other)
{
    for (int i = 0; i < 3; ++i) {
        Caption(i).SetCaption(const_cast<TPgHeaderFooter&>(other).Caption(i).Caption());
        Caption(i).SetFont(const_cast<TPgHeaderFooter&>(other).Caption(i).Font());
    }
    FPen = other.FPen;
    SetShowLine(other.FShowLine);
    SetVisible(other.FVisible);
    Height.SetAsInches(other.Height.AsInches());
}

void TPgHeaderFooter::DrawParts(
    TDeviceContext& canvas, const RECT& area, int xPpi, int yPpi, int pageNo, int pageCount) const
{
    CaptionLeft.DrawCaption(canvas, area, xPpi, yPpi, 0, pageNo, pageCount, IsHeader());
    CaptionCenter.DrawCaption(canvas, area, xPpi, yPpi, 1, pageNo, pageCount, IsHeader());
    CaptionRight.DrawCaption(canvas, area, xPpi, yPpi, 2, pageNo, pageCount, IsHeader());
    if (!FShowLine)
        return;
    canvas.SelectPen(CreatePen(int(FPen.Style), FPen.Width <= 1 ? 0 : FPen.Width, FPen.Color));
    const int y = IsHeader() ? area.bottom : area.top;
    canvas.MoveToEx(area.left, y);
    canvas.LineTo(area.right, y);
}

RECT TPgHeader::Area(
    const TPgMargins& margins, TPgExtended pageWidth, TPgExtended pageHeight, TPgExtended height, int xPpi, int yPpi)
{
    return { PgRound(margins.Left.AsInches() * xPpi), PgRound(margins.Top.AsInches() * yPpi),
        PgRound((pageWidth - margins.Right.AsInches()) * xPpi), PgRound((margins.Top.AsInches() + height) * yPpi) };
}

void TPgHeader::Draw(TDeviceContext& canvas, const TPgMargins& margins, TPgExtended pageWidth, TPgExtended pageHeight,
    int xPpi, int yPpi, int pageNo, int pageCount) const
{
    if (!Visible())
        return;
    DrawParts(canvas, Area(margins, pageWidth, pageHeight, GetHeight(TPgMeasurement::pgInches), xPpi, yPpi), xPpi, yPpi,
        pageNo, pageCount);
}

RECT TPgFooter::Area(
    const TPgMargins& margins, TPgExtended pageWidth, TPgExtended pageHeight, TPgExtended height, int xPpi, int yPpi)
{
    return { PgRound(margins.Left.AsInches() * xPpi), PgRound((pageHeight - margins.Bottom.AsInches() - height) * yPpi),
        PgRound((pageWidth - margins.Right.AsInches()) * xPpi),
        PgRound((pageHeight - margins.Bottom.AsInches()) * yPpi) };
}

void TPgFooter::Draw(TDeviceContext& canvas, const TPgMargins& margins, TPgExtended pageWidth, TPgExtended pageHeight,
    int xPpi, int yPpi, int pageNo, int pageCount) const
{
    if (!Visible())
        return;
    DrawParts(canvas, Area(margins, pageWidth, pageHeight, GetHeight(TPgMeasurement::pgInches), xPpi, yPpi), xPpi, yPpi,
        pageNo, pageCount);
}

// ---- captions ----

namespace {

// The separator a locale puts between the fields of its short date or time format.
QString SeparatorOf(const QString& format, QChar fallback)
{
    for (const QChar c : format)
        if (c.isPunct())
            return QString(c);
    return QString(fallback);
}

} // namespace

QString ExpandTokens(const QString& text, int pageNo, int pageCount, const QDateTime& now)
{
    if (!text.contains(u'{'))
        return text;
    const QLocale locale;
    const QString dateSeparator = SeparatorOf(locale.dateFormat(QLocale::ShortFormat), u'/');
    const QString timeSeparator = SeparatorOf(locale.timeFormat(QLocale::ShortFormat), u':');
    QString result = text;
    const QDate date = now.date();
    const QTime time = now.time();
    const auto twoDigits = [](int value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); };
    // Joined piece by piece: a separator next to a digit must not read as a placeholder.
    result.replace(QStringLiteral("{DATE}"),
        twoDigits(date.day()) + dateSeparator + twoDigits(date.month()) + dateSeparator
            + QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0')));
    result.replace(QStringLiteral("{TIME}"), twoDigits(time.hour()) + timeSeparator + twoDigits(time.minute()));
    result.replace(QStringLiteral("{PAGE}"), QString::number(pageNo));
    result.replace(QStringLiteral("{NUMPAGES}"), QString::number(pageCount));
    return result;
}

QString ExpandTokens(const QString& text, int pageNo, int pageCount)
{
    return ExpandTokens(text, pageNo, pageCount, QDateTime::currentDateTime());
}

void TPgHeaderFooterCaption::DrawCaption(TDeviceContext& canvas, const RECT& area, int xPpi, int yPpi, int alignment,
    int pageNo, int pageCount, bool header) const
{
    const QString text = ExpandTokens(FCaption, pageNo, pageCount);
    if (text.isEmpty())
        return;
    const TPgFontMapper& mapper = TPgFontMapper::Instance();
    const auto [width, height] = mapper.MeasureText(FFont, text);
    const int textWidth = PgRound(xPpi * width);
    int x = area.left;
    if (alignment == 1)
        x = (area.left + area.right - textWidth) / 2;
    else if (alignment == 2)
        x = area.right - textWidth;
    // The font is realised at xPpi, so its height is measured in the same units.
    const int textHeight = PgRound(xPpi * height);
    const int y = header ? area.bottom - textHeight : area.top;
    mapper.DrawText(canvas, x, y, FFont, xPpi, text);
}

// ---- text mapper ----

HFONT PgCreateFont(const TFont& font, int ppi)
{
    LOGFONTW logFont;
    logFont.lfHeight = -MulDiv(font.Size, ppi, 72);
    logFont.lfWeight = font.Style.Contains(TFontStyle::fsBold) ? FW_BOLD : 400;
    logFont.lfItalic = font.Style.Contains(TFontStyle::fsItalic);
    logFont.lfUnderline = font.Style.Contains(TFontStyle::fsUnderline);
    logFont.lfStrikeOut = font.Style.Contains(TFontStyle::fsStrikeOut);
    logFont.lfCharSet = font.Charset;
    TGdiFont made = CreateFontIndirect(logFont);
    made.SetFaceName(font.Name);
    return made;
}

TPgFontMapper& TPgFontMapper::Instance()
{
    static TPgFontMapper mapper;
    return mapper;
}

namespace {

TDeviceContext& ReferenceSurface(const TFont& font)
{
    static TDeviceContext surface = TDeviceContext::InformationContext(
        TPgFontMapper::ReferenceResolution, TPgFontMapper::ReferenceResolution, QSize(1, 1));
    surface.SelectFont(PgCreateFont(font, TPgFontMapper::ReferenceResolution));
    return surface;
}

} // namespace

std::pair<TPgExtended, TPgExtended> TPgFontMapper::MeasureText(const TFont& font, const QString& text) const
{
    TDeviceContext& surface = ReferenceSurface(font);
    SIZE size {};
    surface.GetTextExtentPoint32(text, &size);
    if (text.isEmpty()) {
        TEXTMETRICW metrics;
        surface.GetTextMetrics(&metrics);
        size.cy = metrics.tmHeight;
    }
    return { TPgExtended(size.cx) / ReferenceResolution, TPgExtended(size.cy) / ReferenceResolution };
}

std::vector<INT> TPgFontMapper::Advances(const TFont& font, const QString& text, int targetPpi) const
{
    TDeviceContext& surface = ReferenceSurface(font);
    std::vector<INT> advances(std::size_t(text.size()));
    TPgExtended carry = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        SIZE size {};
        surface.GetTextExtentPoint32(QStringView(text).mid(i, 1), &size);
        const TPgExtended advance = TPgExtended(size.cx) / ReferenceResolution * targetPpi;
        const TPgExtended whole = std::trunc(advance);
        INT result = INT(whole);
        carry += advance - whole;
        if (carry > 1) {
            const TPgExtended carried = std::trunc(carry);
            result += INT(carried);
            carry -= carried;
        }
        advances[std::size_t(i)] = result;
    }
    return advances;
}

void TPgFontMapper::DrawText(
    TDeviceContext& canvas, int x, int y, const TFont& font, int ppi, const QString& text) const
{
    canvas.SelectFont(PgCreateFont(font, ppi));
    canvas.SetTextColor(font.Color == clWindowText ? 0 : font.Color);
    canvas.SetBkMode(TRANSPARENT);
    canvas.SetTextAlign(TA_LEFT | TA_TOP);
    if (text.isEmpty())
        return;
    const std::vector<INT> advances = Advances(font, text, ppi);
    canvas.ExtTextOut(x, y, ETO_CLIPPED, nullptr, text, advances.data());
}

int TPgFontMapper::WrappedLineCount(const TFont& font, const QString& text, TPgExtended width) const
{
    QString source = text;
    source.replace(QStringLiteral("\r\n"), QStringLiteral("\r"));
    QStringList words;
    QString word;
    for (const QChar c : source) {
        word += c;
        if (c == u' ' || c == u'\r') {
            words << word;
            word.clear();
        }
    }
    if (!word.isEmpty())
        words << word;
    int lines = 0;
    QString line;
    bool brokeLine = false;
    for (const QString& next : words) {
        const QString candidate = line + next;
        if (!brokeLine && (line.isEmpty() || MeasureText(font, candidate).first <= width || !WordWrap)) {
            line = candidate;
        } else if (MeasureText(font, next).first > width && !brokeLine) {
            ++lines; // the word overflows the line it ends
            line.clear();
            brokeLine = false;
            continue;
        } else {
            ++lines;
            line = next;
        }
        brokeLine = next.endsWith(u'\r');
    }
    if (!line.isEmpty())
        ++lines;
    return lines;
}

// ---- resources ----

struct TPgCustomMemoList::TMemo {
    std::unique_ptr<QWidget> Owner;
    TRichEditControl* Control = nullptr;
};

TPgCustomMemoList::TPgCustomMemoList() = default;
TPgCustomMemoList::~TPgCustomMemoList() = default;

std::unique_ptr<TPgCustomMemoList::TMemo> TPgCustomMemoList::Create()
{
    auto memo = std::make_unique<TMemo>();
    TRtCustomRichEdit* supplied = nullptr;
    if (NeedRichEdit)
        NeedRichEdit(nullptr, supplied);
    if (supplied) {
        memo->Owner.reset(supplied);
        memo->Control = &supplied->Control();
        supplied->resize(0, 0);
    } else {
        auto* control = new TRichEditControl;
        memo->Owner.reset(control);
        memo->Control = control;
        // Word wrap stays on: the copy is never shown, pages wrap at their own rectangle, and a
        // view without wrap lays out every line as the text streams in (several times slower).
        control->resize(0, 0);
        control->SetTextLimit(1000000);
    }
    // Never shown: nothing on screen, nothing in the window system's lists.
    memo->Owner->setAttribute(Qt::WA_DontShowOnScreen);
    return memo;
}

TRichEditControl* TPgCustomMemoList::AddMemo(TRichEditControl& source)
{
    if (const auto found = FMemos.find(&source); found != FMemos.end()) {
        ++found->second.References;
        return &source;
    }
    std::unique_ptr<TMemo> memo = Create();
    // The copy's limit never cuts the source short: pages would silently miss its end.
    memo->Control->SetTextLimit(std::max<LONG>(memo->Control->TextLimit(), source.TextLength() + 1));
    const QByteArray rtf = source.SaveBytes(SF_RTF);
    // Streamed in, not typed in: replacing the selection with the string would show the markup.
    if (!rtf.isEmpty() && !memo->Control->LoadBytes(SF_RTF | SFF_SELECTION, rtf))
        throw EOutOfResources(QStringLiteral("Failed to Load Stream"));
    if (memo->Control->TextLength() < source.TextLength())
        throw EOutOfResources(QStringLiteral("Failed to Load Stream"));
    TRichEditControl* control = memo->Control;
    FMemos.emplace(control, TEntry { std::move(memo), 1 });
    return control;
}

TRichEditControl* TPgCustomMemoList::NewControl()
{
    FLoose.push_back(Create());
    FLoose.back()->Control->SetTextLimit(0x7FFFFFFF); // holds whatever a stream brings
    return FLoose.back()->Control;
}

void TPgCustomMemoList::Release(const TRichEditControl* memo)
{
    const auto found = FMemos.find(memo);
    if (found != FMemos.end() && --found->second.References <= 0)
        FMemos.erase(found);
}

void TPgCustomMemoList::AddReference(const TRichEditControl* memo)
{
    if (const auto found = FMemos.find(memo); found != FMemos.end())
        ++found->second.References;
}

int TPgCustomMemoList::References(const TRichEditControl* memo) const
{
    const auto found = FMemos.find(memo);
    return found != FMemos.end() ? found->second.References : 0;
}

void TPgCustomMemoList::Clear()
{
    FMemos.clear();
    FLoose.clear();
}

void TPgResourceTable::Clear()
{
    Brushes.Clear();
    Fonts.Clear();
    Pens.Clear();
    Graphics.Clear();
    Memos.Clear();
}

namespace {

DWORD WriteToDevice(DWORD_PTR cookie, BYTE* buffer, LONG size, LONG* transferred)
{
    auto* device = reinterpret_cast<QIODevice*>(cookie);
    const qint64 written = device->write(reinterpret_cast<const char*>(buffer), size);
    *transferred = LONG(std::max<qint64>(0, written));
    return written == size ? 0 : 1;
}

DWORD ReadFromDevice(DWORD_PTR cookie, BYTE* buffer, LONG size, LONG* transferred)
{
    auto* device = reinterpret_cast<QIODevice*>(cookie);
    const qint64 wanted = device->isSequential() ? size : std::min<qint64>(size, device->size() - device->pos());
    const qint64 read = device->read(reinterpret_cast<char*>(buffer), std::max<qint64>(0, wanted));
    *transferred = LONG(std::max<qint64>(0, read));
    return read < 0 || (!device->isSequential() && read < wanted) ? 1 : 0;
}

} // namespace

void SaveRtfToStream(TRichEditControl& control, QIODevice& stream)
{
    EDITSTREAM edit;
    edit.dwCookie = reinterpret_cast<DWORD_PTR>(&stream);
    edit.pfnCallback = WriteToDevice;
    if (!stream.isWritable())
        throw EOutOfResources(QStringLiteral("Failed to Save Stream"));
    control.StreamOut(SF_RTF, edit);
    if (edit.dwError != 0)
        throw EOutOfResources(QStringLiteral("Failed to Save Stream"));
}

void LoadRtfFromStream(TRichEditControl& control, QIODevice& stream)
{
    EDITSTREAM edit;
    edit.dwCookie = reinterpret_cast<DWORD_PTR>(&stream);
    edit.pfnCallback = ReadFromDevice;
    if (!stream.isReadable())
        throw EOutOfResources(QStringLiteral("Failed to Load Stream"));
    control.StreamIn(SF_RTF | SFF_SELECTION, edit);
    if (edit.dwError != 0)
        throw EOutOfResources(QStringLiteral("Failed to Load Stream"));
}

// ---- drawing objects ----

HPEN PgShapePen(const TPgPen& pen, int ppi)
{
    if (pen.Color == PgNoColor)
        return CreatePen(PS_NULL, 0, 0);
    const int width = PgRound(TPgExtended(ppi) / 72 / 4 * pen.Width);
    const DWORD style = pen.Style & PS_STYLE_MASK;
    if (style == PS_SOLID && width <= 1)
        return CreatePen(PS_SOLID, 0, pen.Color);
    LOGBRUSH brush;
    brush.lbStyle = BS_SOLID;
    brush.lbColor = pen.Color;
    return ExtCreatePen(PS_GEOMETRIC | style | PS_ENDCAP_SQUARE | PS_JOIN_MITER, DWORD(std::max(1, width)), brush);
}

void TPgBaseSolidShape::Offset(TPgExtended dx, TPgExtended dy)
{
    Left += dx;
    Right += dx;
    Top += dy;
    Bottom += dy;
}

RECT TPgBaseSolidShape::BoundingBox(int xPpi, int yPpi) const
{
    return { PgRound(Left * xPpi), PgRound(Top * yPpi), PgRound(Right * xPpi), PgRound(Bottom * yPpi) };
}

void TPgRectangleShape::Draw(TDeviceContext& canvas, int xPpi, int yPpi) const
{
    const TPgBrush brush = Brush ? *Brush : TPgBrush { PgNoColor, BS_HOLLOW };
    if (brush.Color == PgNoColor || brush.Style == BS_HOLLOW)
        canvas.SelectBrush(std::get<TGdiBrush>(GetStockObject(HOLLOW_BRUSH)));
    else {
        LOGBRUSH logBrush;
        logBrush.lbStyle = brush.Style;
        logBrush.lbColor = brush.Color;
        canvas.SelectBrush(CreateBrushIndirect(logBrush));
    }
    canvas.SelectPen(PgShapePen(Pen ? *Pen : TPgPen(), xPpi));
    const RECT box = BoundingBox(xPpi, yPpi);
    const POINT corners[4]
        = { { box.left, box.top }, { box.right, box.top }, { box.right, box.bottom }, { box.left, box.bottom } };
    canvas.Polygon(corners, 4);
}

// ---- pages ----

TPgPageRtfInfo::TPgPageRtfInfo(TPgPage& page)
    : FPage(page)
{
    Rect.OnChange = [this] {
        Forget();
        FPage.Changed();
    };
}

TPgPageRtfInfo::~TPgPageRtfInfo() { SetRichEdit(nullptr); }

void TPgPageRtfInfo::SetRange(int start, int end)
{
    if (start == FCharStart && end == FCharEnd)
        return;
    FCharStart = start;
    FCharEnd = end;
    Forget();
    FPage.Changed();
}

void TPgPageRtfInfo::SetRichEdit(TRichEditControl* memo)
{
    if (memo == FRichEdit)
        return;
    TPgCustomMemoList& memos = FPage.Owner().ResourceTable().Memos;
    if (memo)
        memos.AddReference(memo);
    if (FRichEdit)
        memos.Release(FRichEdit);
    FRichEdit = memo;
    Forget();
}

TPgPage::TPgPage(TPgPageList& owner)
    : RtfInfo(*this)
    , FOwner(owner)
{
}

TPgPage::~TPgPage() = default;

void TPgPage::Changed() { FOwner.PageChangedBy(*this); }

// ---- canvas ----

TPgCanvas::TPgCanvas(TPgPageList& owner)
    : TextInset(1 / 25.4L)
    , FOwner(owner)
{
}

TPgRectangleShape* TPgCanvas::Rectangle(
    TPgMeasurement unit, TPgExtended x1, TPgExtended y1, TPgExtended x2, TPgExtended y2)
{
    auto shape = std::make_unique<TPgRectangleShape>();
    TPgResourceTable& resources = FOwner.ResourceTable();
    shape->Brush = resources.Brushes.Add(Brush);
    shape->Pen = resources.Pens.Add(Pen);
    shape->Left = ConvertValue(unit, TPgMeasurement::pgInches, x1);
    shape->Top = ConvertValue(unit, TPgMeasurement::pgInches, y1);
    shape->Right = ConvertValue(unit, TPgMeasurement::pgInches, x2);
    shape->Bottom = ConvertValue(unit, TPgMeasurement::pgInches, y2);
    TPgRectangleShape* result = shape.get();
    FOwner.AddObject(std::move(shape));
    return result;
}

TPgExtended TPgCanvas::TextBoxHeight(const QString& text, TPgMeasurement unit, TPgExtended width) const
{
    const TPgExtended inset = TextInset.AsInches();
    const TPgExtended boxWidth = ConvertValue(unit, TPgMeasurement::pgInches, width) - 2 * inset;
    const TPgFontMapper& mapper = TPgFontMapper::Instance();
    const int lines = mapper.WrappedLineCount(Font, text, boxWidth);
    QString oneLine = text;
    oneLine.replace(u'\r', u' ').replace(u'\n', u' ');
    const TPgExtended lineHeight
        = std::trunc(mapper.MeasureText(Font, oneLine).second * TPgFontMapper::ReferenceResolution)
        / TPgFontMapper::ReferenceResolution;
    return ConvertValue(TPgMeasurement::pgInches, unit, lines * lineHeight + 2 * inset);
}

// ---- page list ----

TPgPageList::TPgPageList()
    : FCanvas(*this)
    , FPrinter(std::make_unique<TPgPrinter>(&ProgramPrinter()))
{
    FHeader.OnChange = FFooter.OnChange = [this] {
        if (!IsUpdating())
            Fire(Events.HeaderFooterChanged);
    };
    FMargins.OnChange = [this] {
        if (!IsUpdating())
            Fire(Events.MarginsChanged);
    };
}

TPgPageList::~TPgPageList()
{
    Events = TPgPageListEvents();
    FPages.clear();
    FResources.Clear();
}

void TPgPageList::SetCurrentPage(int number)
{
    if (number == FCurrentPage || number < 1 || number > Count())
        return;
    FCurrentPage = number;
    Fire(Events.CurrentPageChanged);
}

TPgPage& TPgPageList::NewPage() { return InsertPage(Count() + 1); }

TPgPage& TPgPageList::InsertPage(int index)
{
    index = std::clamp(index, 1, Count() + 1);
    auto page = std::make_unique<TPgPage>(*this);
    page->Orientation = FOrientation;
    LoadPaperSize();
    page->Width = FPaperWidth;
    page->Height = FPaperHeight;
    TPgPage& added = *page;
    FPages.insert(FPages.begin() + (index - 1), std::move(page));
    Renumber(index);
    if (!IsUpdating()) {
        Fire(Events.PageCountChanged);
        Fire(Events.PageChanged);
    }
    SetCurrentPage(index);
    Fire(Events.PageAdded);
    return added;
}

void TPgPageList::Renumber(int from)
{
    for (int i = from; i <= Count(); ++i)
        FPages[std::size_t(i - 1)]->FNumber = i;
}

void TPgPageList::Clear(bool keepNoPage, bool freeResources)
{
    FPages.clear(); // each page gives back its reference to its copy first
    if (freeResources)
        FResources.Clear();
    FCurrentPage = 0;
    if (!keepNoPage) {
        FCurrentPage = 1;
        NewPage();
    }
    Fire(Events.Cleared);
}

void TPgPageList::DeletePagesAfter(int number)
{
    number = std::max(number, 0);
    if (number >= Count())
        return;
    FPages.erase(FPages.begin() + number, FPages.end());
    if (!IsUpdating())
        Fire(Events.PageCountChanged);
    if (FCurrentPage > Count()) {
        FCurrentPage = Count();
        Fire(Events.CurrentPageChanged);
    }
}

void TPgPageList::EndUpdate()
{
    if (FUpdateCount == 0)
        return;
    if (--FUpdateCount == 0) {
        Fire(Events.PageCountChanged);
        Fire(Events.PageChanged);
    }
}

void TPgPageList::SetOrientation(TPgOrientation orientation)
{
    BeginUpdate();
    try {
        for (const auto& page : FPages) {
            const TPgExtended small = std::min(page->Width, page->Height);
            const TPgExtended large = std::max(page->Width, page->Height);
            page->Orientation = orientation;
            page->Width = orientation == TPgOrientation::pgPortrait ? small : large;
            page->Height = orientation == TPgOrientation::pgPortrait ? large : small;
            page->Changed();
        }
        FOrientation = orientation;
        if (!FPages.empty()) {
            FPaperWidth = FPages.front()->Width;
            FPaperHeight = FPages.front()->Height;
        }
    } catch (...) {
        EndUpdate();
        Fire(Events.OrientationChanged);
        throw;
    }
    EndUpdate();
    Fire(Events.OrientationChanged);
}

void TPgPageList::SetPaperSize(TPgPaperSize paper)
{
    if (paper == FPaperSize)
        return;
    BeginUpdate();
    try {
        FPaperSize = paper;
        LoadPaperSize();
        for (const auto& page : FPages) {
            page->Width = FPaperWidth;
            page->Height = FPaperHeight;
            page->Changed();
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
    Fire(Events.PaperSizeChanged);
}

void TPgPageList::LoadPaperSize()
{
    TPgExtended width = 0, height = 0;
    if (!PaperSizeInches(FPaperSize, width, height)) {
        if (!FPaperLoaded) { // a Custom list without any size yet starts from A4
            PaperSizeInches(TPgPaperSize::A4, width, height);
            if (FOrientation == TPgOrientation::pgLandscape)
                std::swap(width, height);
            FPaperWidth = width;
            FPaperHeight = height;
            FPaperLoaded = true;
        }
        return;
    }
    if (FOrientation == TPgOrientation::pgLandscape)
        std::swap(width, height);
    FPaperWidth = width;
    FPaperHeight = height;
    FPaperLoaded = true;
}

TPgValueRect TPgPageList::GetHeaderRect() const
{
    TPgValueRect rect;
    const TPgPage& page = Pages(FCurrentPage);
    rect.SetRect(FMargins.Left.AsInches(), FMargins.Top.AsInches(), page.Width - FMargins.Right.AsInches(),
        FMargins.Top.AsInches() + FHeader.GetHeight(TPgMeasurement::pgInches));
    return rect;
}

TPgValueRect TPgPageList::GetFooterRect() const
{
    TPgValueRect rect;
    const TPgPage& page = Pages(FCurrentPage);
    const TPgExtended bottom = page.Height - FMargins.Bottom.AsInches();
    rect.SetRect(FMargins.Left.AsInches(), bottom - FFooter.GetHeight(TPgMeasurement::pgInches),
        page.Width - FMargins.Right.AsInches(), bottom);
    return rect;
}

void TPgPageList::AddObject(std::unique_ptr<TPgBaseObject> object)
{
    if (FCurrentPage < 1 || FCurrentPage > Count())
        throw Exception(QStringLiteral("There is no current page to draw on"));
    switch (FCanvas.CoordsRelativeTo) {
    case TPgCoordsRelative::pgFromPage:
        break;
    case TPgCoordsRelative::pgFromPrinterMargins: {
        const auto margins = FPrinter->Info().UnprintableMarginsInches(FPrinter->Landscape());
        object->Offset(margins[0], margins[1]);
        break;
    }
    case TPgCoordsRelative::pgFromUserMargins:
        object->Offset(FMargins.Left.AsInches(), FMargins.Top.AsInches());
        break;
    case TPgCoordsRelative::pgFromHeaderLine:
        object->Offset(FMargins.Left.AsInches(), FMargins.Top.AsInches() + FHeader.GetHeight(TPgMeasurement::pgInches));
        break;
    }
    TPgPage& page = Pages(FCurrentPage);
    page.Objects.push_back(std::move(object));
    page.Changed();
}

void TPgPageList::PageChangedBy(TPgPage&)
{
    if (!IsUpdating())
        Fire(Events.PageChanged);
}

void TPgPageList::PrintRange(int from, int to)
{
    if (from < 1 || from > Count() || to < 1 || to > Count())
        throw EPrinter(
            QStringLiteral("Page range %1-%2 is outside the document's pages 1-%3").arg(from).arg(to).arg(Count()));
    std::vector<int> numbers;
    const int step = from <= to ? 1 : -1;
    for (int n = from;; n += step) {
        numbers.push_back(n);
        if (n == to)
            break;
    }
    PrintPages(numbers);
}

// ---- drawing a page ----

void DrawPage(const TPgPage& page, TDeviceContext& canvas, int xPpi, bool objectFlag, int yPpi, bool forPrinter)
{
    RenderRtfSlice(page, canvas, xPpi, page.RtfInfo.WrapLines, yPpi, forPrinter);
    for (const auto& object : page.Objects) {
        if (forPrinter && !object->Printable)
            continue;
        object->Draw(canvas, xPpi, yPpi);
    }
    const TPgPageList& list = page.Owner();
    if (page.ShowHeader)
        list.Header().Draw(canvas, list.Margins(), page.Width, page.Height, xPpi, yPpi, page.Number(), list.Count());
    if (page.ShowFooter)
        list.Footer().Draw(canvas, list.Margins(), page.Width, page.Height, xPpi, yPpi, page.Number(), list.Count());
}
