#pragma once
// ColorComboBox.h: the colour list: named colours, each with a swatch, chosen as COLORREF values.
// It starts with the sixteen standard colours, black first.
#include "SkinComboBox.h"

#include <QString>

#include <span>

struct TNamedColor {
    const char* Name;
    COLORREF Color;
};

// Black, Maroon, Green, Olive, Navy, Purple, Teal, Gray, Silver, Red, Lime, Yellow, Blue, Fuchsia,
// Aqua, White, in this order.
std::span<const TNamedColor> StandardColors();

class TColorComboBox : public TSkinComboBox {
    Q_OBJECT

public:
    explicit TColorComboBox(QWidget* parent = nullptr);

    /// The chosen entry's colour, or the colour shown when it matched no entry.
    COLORREF Selected() const;
    /// Chooses the entry of that colour; a colour of no entry is shown as its value. Raises OnChange
    /// when the shown colour changes, and never OnClick.
    void SetSelected(COLORREF color);
    COLORREF ColorAt(int index) const;
    int IndexOfColor(COLORREF color) const; // -1 when no entry has it
    void AddColor(const QString& name, COLORREF color);
    /// Replaces the entries with the sixteen standard colours.
    void ResetColors();

    TNotifyEvent OnClick; // the user chose an entry

protected:
    void DrawItemContent(QPainter& painter, const QRect& rect, int index, const QString& text) const override;

private:
    COLORREF FUnmatchedColor = clNone;
};
