#pragma once
// SkinButton.h: the skinned push and tool button: glyph and caption, hover, pressed and disabled
// looks, a down state that the windows set (and that grouped buttons toggle), a drop-down menu and a
// modal result for dialog buttons.
#include "Skin.h"

#include <QAbstractButton>
#include <QIcon>

class QMenu;
class QVariantAnimation;

enum class TButtonLayout : int { blGlyphLeft = 0, blGlyphRight = 1, blGlyphTop = 2, blGlyphBottom = 3 };

class TSkinButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit TSkinButton(QWidget* parent = nullptr);
    explicit TSkinButton(const QString& caption, QWidget* parent = nullptr);
    ~TSkinButton() override;

    QString Caption() const { return text(); }
    void SetCaption(const QString& caption);
    QIcon Glyph() const { return icon(); }
    void SetGlyph(const QIcon& glyph);
    QSize GlyphSize() const { return iconSize(); }
    void SetGlyphSize(const QSize& size);
    TButtonLayout Layout() const { return FLayout; }
    void SetLayout(TButtonLayout layout);
    /// A flat button shows its face only under the mouse or when down, as on a tool bar.
    bool Flat() const { return FFlat; }
    void SetFlat(bool flat);

    /// The down state of a tool button. Windows set it freely; a click changes it only for buttons
    /// with a group index.
    bool Down() const { return FDown; }
    void SetDown(bool down);
    /// Buttons of one parent with the same non-zero index form a group with at most one down; a click
    /// puts the button down and its group's others up.
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int index);
    /// A click on the down button of a group puts it up again (a group of one becomes a toggle).
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool allow);

    /// Shown below the button from an arrow at its right edge; the rest of the button still clicks.
    QMenu* DropdownMenu() const { return FDropdownMenu; }
    void SetDropdownMenu(QMenu* menu);
    /// Non-zero: after OnClick the button's dialog closes with this result.
    int ModalResult() const { return FModalResult; }
    void SetModalResult(int result) { FModalResult = result; }
    /// Caption colour; clDefault takes the skin's text colour.
    COLORREF FontColor() const { return FFontColor; }
    void SetFontColor(COLORREF color);
    /// Milliseconds the hover tint takes to fade in or out; 0 switches at once.
    int HoverDuration() const { return FHoverDuration; }
    void SetHoverDuration(int milliseconds);
    const TSkin& Skin() const { return FSkin; }
    void SetSkin(const TSkin& skin);

    /// Acts as a click by the user; does nothing while disabled.
    void Click();

    TNotifyEvent OnClick;
    TSkinMouseMoveEvent OnMouseMove; // also without a button held

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    void Clicked();
    void FadeHover(qreal target);
    QRect ArrowRect() const;
    QRect ContentRect() const;
    TSkinState FaceState() const;

    TButtonLayout FLayout = TButtonLayout::blGlyphLeft;
    bool FFlat = false;
    bool FDown = false;
    int FGroupIndex = 0;
    bool FAllowAllUp = false;
    QMenu* FDropdownMenu = nullptr;
    int FModalResult = 0;
    COLORREF FFontColor = clDefault;
    int FHoverDuration = 120;
    qreal FHoverLevel = 0; // 0 resting, 1 fully hot
    QVariantAnimation* FHoverFade = nullptr;
    TSkin FSkin;
};
