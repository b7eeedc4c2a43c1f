#pragma once
// EmotIcons.h: the emoticon picker: 29 small pictures, each drawn here as an enhanced metafile, and
// six divider lines, handed to the document through the clipboard.
#include <QDialog>
#include <QSize>
#include <QString>

class IDialogs;
class QLabel;
class QPainter;
class QRectF;
class TEnhMetafile;
class TSkinButton;
class TSkinPanel;

constexpr int EmoticonCount = 29;
constexpr int FirstDivider = 30;
constexpr int LastDivider = 35;

/// Name and natural size in pixels of picture n (1..29).
QString EmoticonName(int n);
QSize EmoticonSize(int n);
/// Draws picture n stretched over target.
void DrawEmoticon(QPainter& painter, int n, const QRectF& target);
/// Picture n as an enhanced metafile of its natural size at 96 pixels per inch.
TEnhMetafile EmoticonMetafile(int n);
/// The exact text divider n (30..35) puts on the clipboard.
QString DividerText(int n);

class TfrmEmoticons : public QDialog {
    Q_OBJECT
public:
    explicit TfrmEmoticons(IDialogs& dialogs, QWidget* parent = nullptr);

    bool InsertRequest() const { return FInsertRequest; }
    void ClearInsertRequest() { FInsertRequest = false; }

    /// A click on picture or divider n: its content on the clipboard, the request set, closed.
    void ItemClick(int n);
    /// As ItemClick, with a failure shown in an error box.
    void GuardedItemClick(int n);
    void ItemMouseMove(int n);
    void btnCloseClick();

    TSkinPanel* SkPanel3 = nullptr;
    QLabel* Label1 = nullptr;
    TSkinButton* btnClose = nullptr;
    QWidget* Item(int n) const; // picture or divider label n

protected:
    void showEvent(QShowEvent* event) override;

private:
    IDialogs& FDialogs;
    QWidget* FItems[LastDivider + 1] {};
    bool FInsertRequest = false;
};
