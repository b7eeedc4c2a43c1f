#pragma once
// MenuStyle.h: the look of the main window's popup menus. Every command item has two lines (its
// caption and its hint) beside a 38-pixel icon column; highlights, ticks and separators are painted
// by the program with the gradients of the history list instead of by the platform style.
#include <QProxyStyle>

class QMenu;
class QStyleOptionMenuItem;

class TOwnerDrawMenuStyle : public QProxyStyle {
public:
    TOwnerDrawMenuStyle();

    QSize sizeFromContents(
        ContentsType type, const QStyleOption* option, const QSize& size, const QWidget* widget) const override;
    void drawControl(
        ControlElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const override;

private:
    // The menu is the QMenu being laid out or painted; null when an item is drawn on its own.
    QSize MenuItemMeasureItem(const QStyleOptionMenuItem& item, const QWidget* menu) const;
    void MenuItemDrawItem(const QStyleOptionMenuItem& item, QPainter& canvas, const QWidget* menu) const;
    QSize MeasureSeparator() const;
    void SeparatorDrawItem(const QStyleOptionMenuItem& item, QPainter& canvas, const QWidget* menu) const;
};

// Draws the menu with the shared owner-drawn style, which lives as long as the application.
// withImages keeps the icon column even when no item has an icon, as a menu given an image list does.
void MakeOwnerDrawn(QMenu& menu, bool withImages = true);
