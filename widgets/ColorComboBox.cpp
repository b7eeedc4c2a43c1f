// ColorComboBox.cpp: the colour list.
#include "ColorComboBox.h"

#include <QPainter>

namespace {

constexpr TNamedColor Standard[] = {
    { "Black", RGB(0, 0, 0) },
    { "Maroon", RGB(128, 0, 0) },
    { "Green", RGB(0, 128, 0) },
    { "Olive", RGB(128, 128, 0) },
    { "Navy", RGB(0, 0, 128) },
    { "Purple", RGB(128, 0, 128) },
    { "Teal", RGB(0, 128, 128) },
    { "Gray", RGB(128, 128, 128) },
    { "Silver", RGB(192, 192, 192) },
    { "Red", RGB(255, 0, 0) },
    { "Lime", RGB(0, 255, 0) },
    { "Yellow", RGB(255, 255, 0) },
    { "Blue", RGB(0, 0, 255) },
    { "Fuchsia", RGB(255, 0, 255) },
    { "Aqua", RGB(0, 255, 255) },
    { "White", RGB(255, 255, 255) },
};

// How a colour of no entry reads in the box: the system colours by name, others as $00BBGGRR.
QString ColorText(COLORREF color)
{
    switch (color) {
    case clWindowText:
        return QStringLiteral("clWindowText");
    case clWindow:
        return QStringLiteral("clWindow");
    case clDefault:
        return QStringLiteral("clDefault");
    case clNone:
        return QStringLiteral("clNone");
    default:
        return QStringLiteral("$%1").arg(color, 8, 16, QLatin1Char('0')).toUpper();
    }
}

} // namespace

std::span<const TNamedColor> StandardColors() { return Standard; }

TColorComboBox::TColorComboBox(QWidget* parent)
    : TSkinComboBox(parent)
{
    ResetColors();
    connect(this, &QComboBox::activated, this, [this] {
        if (OnClick)
            OnClick(this);
    });
}

COLORREF TColorComboBox::Selected() const { return currentIndex() >= 0 ? ColorAt(currentIndex()) : FUnmatchedColor; }

void TColorComboBox::SetSelected(COLORREF color)
{
    const int index = IndexOfColor(color);
    FUnmatchedColor = index < 0 ? color : clNone;
    ShowItem(index, index < 0 ? ColorText(color) : QString());
}

COLORREF TColorComboBox::ColorAt(int index) const
{
    return index >= 0 && index < count() ? COLORREF(itemData(index).toUInt()) : clNone;
}

int TColorComboBox::IndexOfColor(COLORREF color) const
{
    for (int i = 0; i < count(); ++i)
        if (ColorAt(i) == color)
            return i;
    return -1;
}

void TColorComboBox::AddColor(const QString& name, COLORREF color)
{
    WithoutChanges([&] { addItem(name, QVariant::fromValue(uint(color))); });
}

void TColorComboBox::ResetColors()
{
    WithoutChanges([&] {
        clear();
        for (const TNamedColor& entry : Standard)
            addItem(QString::fromLatin1(entry.Name), QVariant::fromValue(uint(entry.Color)));
    });
    ShowItem(0);
}

void TColorComboBox::DrawItemContent(QPainter& painter, const QRect& rect, int index, const QString& text) const
{
    const COLORREF color = index >= 0 ? ColorAt(index) : FUnmatchedColor;
    const QRect swatch(rect.left() + 4, rect.top() + 3, 24, std::max(4, rect.height() - 6));
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(QColorFromColorRef(isEnabled() ? Skin().Border : Skin().DisabledText, Qt::gray), 1));
    if (color == clNone)
        painter.setBrush(Qt::NoBrush);
    else
        painter.setBrush(QColorFromColorRef(color, Qt::black));
    painter.drawRoundedRect(PixelAligned(swatch), 2, 2);
    TSkinComboBox::DrawItemContent(painter, rect.adjusted(swatch.width() + 6, 0, 0, 0), index, text);
}
