#pragma once
// SkinComboBox.h: the skinned drop-down list that the colour and font lists build on. Its items
// are drawn by the program, and it can show a value that matches none of them, as the side panel
// does for a font or colour the list does not hold.
#include "Skin.h"

#include <QComboBox>

class TSkinItemDelegate;

class TSkinComboBox : public QComboBox {
    Q_OBJECT

public:
    explicit TSkinComboBox(QWidget* parent = nullptr);
    ~TSkinComboBox() override;

    /// The text shown in the box: the chosen item's, or the value that matched none.
    QString Text() const;
    /// Height of each item of the drop-down list, in pixels.
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int pixels);
    /// Least width of the drop-down list; 0 makes it as wide as the box.
    int DroppedWidth() const { return FDroppedWidth; }
    void SetDroppedWidth(int pixels) { FDroppedWidth = pixels; }
    const TSkin& Skin() const { return FSkin; }
    void SetSkin(const TSkin& skin);

    TNotifyEvent OnChange; // the shown value changed, by the user or by the window
    TNotifyEvent OnEnter; // the box got the focus

    void showPopup() override;
    QSize sizeHint() const override;

protected:
    /// Shows an item; with index -1, shows the text of a value that matches no item. OnChange
    /// follows when what is shown changed.
    void ShowItem(int index, const QString& unmatchedText = QString());
    /// Draws one entry of the list: the highlight, then its content.
    virtual void DrawItem(QPainter& painter, const QRect& rect, int index, bool selected) const;
    /// Draws the content of an entry, or with index -1 the unmatched value shown in the box.
    virtual void DrawItemContent(QPainter& painter, const QRect& rect, int index, const QString& text) const;
    /// Runs silently, for filling or refilling the items without reporting changes.
    template <class Fn> void WithoutChanges(Fn&& fn)
    {
        const bool was = FSilent;
        FSilent = true;
        fn();
        FSilent = was;
    }

    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    friend class TSkinItemDelegate;
    void IndexChanged();

    QString FUnmatched;
    int FItemHeight = 20;
    int FDroppedWidth = 0;
    bool FSilent = false;
    TSkin FSkin;
};
