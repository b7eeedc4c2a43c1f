#pragma once
// SkinPanel.h: the skinned panels windows are laid out with: title bands that drag a borderless
// window, rounded tinted panels with an optional caption strip, group panels and flat spacers.
#include "Skin.h"

#include <QString>
#include <QWidget>

class TWindowDragger;

enum class TSkinPanelKind : int {
    pkPanel = 0, // rounded, tinted; a caption, when set, sits in a title strip at the top
    pkTitle = 1, // the whole panel is a title band with its caption
    pkGroup = 2, // rounded white body under a light caption strip
    pkFlat = 3, // a plain fill, for spacers and white areas
};

class TSkinPanel : public QWidget {
    Q_OBJECT

public:
    explicit TSkinPanel(QWidget* parent = nullptr);
    TSkinPanel(const QString& caption, TSkinPanelKind kind, QWidget* parent = nullptr);

    QString Caption() const { return FCaption; }
    void SetCaption(const QString& caption);
    TSkinPanelKind Kind() const { return FKind; }
    void SetKind(TSkinPanelKind kind);
    Qt::Alignment Alignment() const { return FAlignment; }
    void SetAlignment(Qt::Alignment alignment);
    /// Body colour; clDefault keeps the skin's tint (pkPanel) or body colour (the others).
    COLORREF Color() const { return FColor; }
    void SetColor(COLORREF color);
    /// Caption colour; clDefault takes the skin's title or text colour.
    COLORREF FontColor() const { return FFontColor; }
    void SetFontColor(COLORREF color);
    /// Height of the caption strip in pixels; 0 sizes it to the font.
    int TitleHeight() const;
    void SetTitleHeight(int pixels);
    /// Pressing the left button on the panel moves its window.
    bool DragsWindow() const;
    void SetDragsWindow(bool drags);
    TWindowDragger* Dragger() const { return FDragger; }
    const TSkin& Skin() const { return FSkin; }
    void SetSkin(const TSkin& skin);

    TSkinMouseEvent OnMouseDown;
    TSkinMouseEvent OnMouseUp;
    TSkinMouseMoveEvent OnMouseMove; // also without a button held

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool HasTitleStrip() const;
    QRect TitleRect() const;
    QFont CaptionFont() const;
    void DrawCaption(QPainter& painter, const QRect& area, const QColor& color) const;
    void UpdateMargins();

    QString FCaption;
    TSkinPanelKind FKind = TSkinPanelKind::pkPanel;
    Qt::Alignment FAlignment = Qt::AlignCenter;
    COLORREF FColor = clDefault;
    COLORREF FFontColor = clDefault;
    int FTitleHeight = 0;
    TWindowDragger* FDragger = nullptr;
    TSkin FSkin;
};

// A group box: a rounded white body under a caption strip; its layout starts below the strip.
class TSkinGroupPanel : public TSkinPanel {
    Q_OBJECT

public:
    explicit TSkinGroupPanel(QWidget* parent = nullptr);
    explicit TSkinGroupPanel(const QString& caption, QWidget* parent = nullptr);
};
