// FontComboBox.cpp: the font list.
#include "FontComboBox.h"

#include <QFontDatabase>
#include <QPainter>

namespace {

// The installed families by face name. The database tells apart a family that several foundries
// make as "Name [foundry]"; documents name faces without the foundry, so each face appears once.
QStringList InstalledFaces()
{
    QStringList faces;
    QSet<QString> seen;
    for (const QString& family : QFontDatabase::families()) {
        if (QFontDatabase::isPrivateFamily(family))
            continue; // the system's own user-interface faces
        const qsizetype foundry = family.indexOf(QLatin1String(" ["));
        const QString face = foundry > 0 && family.endsWith(u']') ? family.left(foundry) : family;
        if (!seen.contains(face)) {
            seen.insert(face);
            faces.append(face);
        }
    }
    return faces;
}

} // namespace

bool IsSymbolFamily(const QString& family)
{
    return QFontDatabase::writingSystems(family).contains(QFontDatabase::Symbol);
}

QStringList SymbolFontFamilies()
{
    QStringList symbols;
    for (const QString& face : InstalledFaces())
        if (IsSymbolFamily(face))
            symbols.append(face);
    return symbols;
}

TFontComboBox::TFontComboBox(QWidget* parent)
    : TSkinComboBox(parent)
{
    setMaxVisibleItems(16);
    Reload();
}

void TFontComboBox::SetFontName(const QString& name)
{
    int index = findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0)
        index = findText(name, Qt::MatchFixedString);
    ShowItem(index, index < 0 ? name : QString());
}

void TFontComboBox::SetOptions(TFontListOptions options)
{
    if (options == FOptions)
        return;
    FOptions = options;
    Reload();
}

void TFontComboBox::SetUseFonts(bool use)
{
    FUseFonts = use;
    update();
}

void TFontComboBox::Reload()
{
    const QString shown = FontName();
    QStringList families;
    FSymbolFamilies.clear();
    for (const QString& family : InstalledFaces()) {
        const bool symbol = IsSymbolFamily(family);
        if (symbol && FOptions.Contains(TFontListOption::foNoSymbolFonts))
            continue;
        if (FOptions.Contains(TFontListOption::foScalableOnly) && !QFontDatabase::isScalable(family))
            continue;
        if (FOptions.Contains(TFontListOption::foFixedPitchOnly) && !QFontDatabase::isFixedPitch(family))
            continue;
        if (symbol)
            FSymbolFamilies.insert(family);
        families.append(family);
    }
    WithoutChanges([&] {
        clear();
        addItems(families);
    });
    if (!shown.isEmpty())
        SetFontName(shown);
    else
        ShowItem(-1);
}

void TFontComboBox::DrawItemContent(QPainter& painter, const QRect& rect, int index, const QString& text) const
{
    if (FUseFonts && index >= 0 && !FSymbolFamilies.contains(text)) {
        QFont face(text);
        face.setPointSizeF(font().pointSizeF());
        painter.setFont(face);
    } else {
        painter.setFont(font());
    }
    TSkinComboBox::DrawItemContent(painter, rect, index, text);
}
