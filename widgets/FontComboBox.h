#pragma once
// FontComboBox.h: the font list: the installed font families by face name, each name drawn in its
// own face.
#include "Sets.h"
#include "SkinComboBox.h"

#include <QSet>
#include <QStringList>

enum class TFontListOption : int {
    foNoSymbolFonts = 0, // leave out fonts of the symbol character set
    foScalableOnly = 1, // leave out bitmap fonts
    foFixedPitchOnly = 2, // only fonts whose glyphs share one width
};
using TFontListOptions = TSet<TFontListOption>;

// Whether the family's glyphs stand for symbols rather than letters (the symbol character set).
bool IsSymbolFamily(const QString& family);
// The installed families of the symbol character set, by face name, in the font database's order.
QStringList SymbolFontFamilies();

class TFontComboBox : public TSkinComboBox {
    Q_OBJECT

public:
    explicit TFontComboBox(QWidget* parent = nullptr);

    /// The face name shown, which need not be an installed family.
    QString FontName() const { return Text(); }
    /// Chooses the family of that name (exact match first, then ignoring case); a name of no family
    /// is shown as it is. Raises OnChange when the shown name changes.
    void SetFontName(const QString& name);
    TFontListOptions Options() const { return FOptions; }
    void SetOptions(TFontListOptions options);
    /// Draw each name in its own face; symbol faces are always drawn in the list's font.
    bool UseFonts() const { return FUseFonts; }
    void SetUseFonts(bool use);
    /// Reads the installed families again, keeping the shown name.
    void Reload();

protected:
    void DrawItemContent(QPainter& painter, const QRect& rect, int index, const QString& text) const override;

private:
    TFontListOptions FOptions;
    bool FUseFonts = true;
    QSet<QString> FSymbolFamilies;
};
