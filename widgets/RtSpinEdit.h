#pragma once
// RtSpinEdit.h: the integer spin box of both programs: an edit with up and down arrows, kept within
// its limits. Windows hook the arrows (OnTopClick, OnBottomClick) and the keys (OnKeyDown) to add
// rules of their own, such as rounding a value up or applying it on Enter.
#include "Skin.h"

#include <QWidget>

class QLineEdit;
class QTimer;

enum class TSpinChange : int {
    scCode = 0, // SetValue, or new limits
    scArrowButton = 1, // the up or down arrow beside the edit
    scArrowKey = 2, // the Up or Down key in the edit
    scTyping = 3, // digits typed into the edit
};

class TRtSpinEdit : public QWidget {
    Q_OBJECT

public:
    explicit TRtSpinEdit(QWidget* parent = nullptr);
    ~TRtSpinEdit() override;

    int Value() const { return FValue; }
    /// Clamped to MinValue..MaxValue; OnChange follows when the value changed.
    void SetValue(int value);
    int MinValue() const { return FMinValue; }
    void SetMinValue(int value); // raises MaxValue when needed
    int MaxValue() const { return FMaxValue; }
    void SetMaxValue(int value); // lowers MinValue when needed
    int Increment() const { return FIncrement; }
    void SetIncrement(int increment);
    /// Off: digits cannot be typed; only the arrows and the arrow keys change the value.
    bool EditorEnabled() const { return FEditorEnabled; }
    void SetEditorEnabled(bool enabled);
    /// Most characters the user may type; 0 for no limit. Values set otherwise are shown in full.
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int length);
    Qt::Alignment Alignment() const;
    void SetAlignment(Qt::Alignment alignment);
    /// The Up and Down keys step the value as the arrows do.
    bool ArrowKeys() const { return FArrowKeys; }
    void SetArrowKeys(bool enabled) { FArrowKeys = enabled; }
    /// A number for the window's own use, to tell boxes apart in a shared handler.
    int Tag() const { return FTag; }
    void SetTag(int tag) { FTag = tag; }
    /// How the value changed last time it changed.
    TSpinChange LastChange() const { return FLastChange; }
    /// The text shown, which differs from Value while out-of-range digits are being typed.
    QString Text() const;
    const TSkin& Skin() const { return FSkin; }
    void SetSkin(const TSkin& skin);

    /// Step by Increment as the up or down arrow does, then raise OnTopClick or OnBottomClick.
    void UpClick();
    void DownClick();

    TNotifyEvent OnChange;
    /// After an up arrow or Up key, whether or not the value could go up.
    TNotifyEvent OnTopClick;
    TNotifyEvent OnBottomClick;
    /// Every key pressed in the edit (Qt key codes), before the box acts on it; Enter comes with typed digits
    /// already taken into Value. Set the key to 0 to swallow it.
    TKeyEvent OnKeyDown;
    TSkinMouseMoveEvent OnMouseMove; // also over the edit, and without a button held

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ChangeValue(qint64 value, TSpinChange how);
    void Step(int direction, TSpinChange how);
    void TextEdited(const QString& text);
    void Commit();
    void ShowValue();
    void UpdateValidator();
    void UpdateEditPalette();
    void RepeatStep();
    int ArrowAt(const QPoint& point) const; // 1 up, -1 down, 0 neither
    QRect ArrowColumn() const;

    QLineEdit* FEdit = nullptr;
    QTimer* FRepeat = nullptr;
    int FValue = 0;
    int FMinValue = 0;
    int FMaxValue = 100;
    int FIncrement = 1;
    bool FEditorEnabled = true;
    int FMaxLength = 0;
    bool FArrowKeys = true;
    int FTag = 0;
    TSpinChange FLastChange = TSpinChange::scCode;
    int FPressedArrow = 0;
    int FHotArrow = 0;
    TSkin FSkin;
};
