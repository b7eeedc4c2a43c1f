#pragma once
// SkinCheckBox.h: the skinned check box.
#include "Skin.h"

#include <QAbstractButton>

class TSkinCheckBox : public QAbstractButton {
    Q_OBJECT

public:
    explicit TSkinCheckBox(QWidget* parent = nullptr);
    explicit TSkinCheckBox(const QString& caption, QWidget* parent = nullptr);

    QString Caption() const { return text(); }
    void SetCaption(const QString& caption);
    bool Checked() const { return isChecked(); }
    void SetChecked(bool checked) { setChecked(checked); }
    /// Caption colour; clDefault takes the skin's text colour.
    COLORREF FontColor() const { return FFontColor; }
    void SetFontColor(COLORREF color);
    const TSkin& Skin() const { return FSkin; }
    void SetSkin(const TSkin& skin);

    TNotifyEvent OnClick; // the user toggled it
    TNotifyEvent OnChange; // the state changed, by the user or by SetChecked

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    QRect BoxRect() const;

    COLORREF FFontColor = clDefault;
    TSkin FSkin;
};
