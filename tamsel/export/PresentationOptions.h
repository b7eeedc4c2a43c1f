#pragma once
// PresentationOptions.h: the options of a presentation export (page size, seconds per page, frame)
// and the borderless window TfrmPresentation that asks for them.
#include "GdiDefs.h"
#include "Skin.h"

#include <QDialog>
#include <QSize>

class QFrame;
class QLabel;
class QToolButton;
class TRtSpinEdit;
class TSkinButton;
class TSkinCheckBox;
class TSkinPanel;
class IDialogs;

enum class TPresentationPage : int {
    ppFullPage = 0, // "Page Entière"
    ppHalfPage = 1, // "Demi-Page"
    ppScreen = 2, // "Taille Ecran 4:3"
};

enum class TScreenSize : int {
    ss800x600 = 0,
    ss900x675 = 1,
    ss1000x750 = 2,
};

constexpr COLORREF PresentationSelectionColor = 12615680; // red 0, green 128, blue 192
constexpr COLORREF PresentationChoiceColor = 6214399; // red 255, green 210, blue 94

struct TPresentationOptions {
    TPresentationPage Page = TPresentationPage::ppFullPage;
    TScreenSize Screen = TScreenSize::ss800x600;
    int Seconds = 15; // 5..60
    bool Frame = false;
    COLORREF FrameColor = PresentationSelectionColor;

    /// The page picture in pixels.
    QSize PictureSize() const;
    /// Where the text goes on the page picture, in pixels: 20 from every edge.
    RECT TextRect() const;
};

/// "800 x 600" and the like.
QString ScreenSizeCaption(TScreenSize size);
/// Reads "full", "half" or "WxH" as --slide takes it; false for anything else.
[[nodiscard]] bool ParseSlide(const QString& text, TPresentationOptions& options);

class TfrmPresentation : public QDialog {
    Q_OBJECT
public:
    /// dialogs shows the colour dialog; it must outlive the window.
    explicit TfrmPresentation(IDialogs& dialogs, QWidget* parent = nullptr);

    TPresentationOptions Options() const;
    void SetOptions(const TPresentationOptions& options);

    // Event handlers.
    void FormShow();
    void Panel1Click();
    void Panel2Click();
    void Panel4Click();
    void Panel1MouseMove();
    void Panel2MouseMove();
    void Panel4MouseMove();
    void SkPanel3MouseMove();
    void uxToolButton1Click();
    void uxToolButton2Click();
    void SkButton3Click();
    void btnCloseClick();

    // Controls, by their design names.
    TSkinPanel* SkPanel1 = nullptr;
    TSkinPanel* SkPanel3 = nullptr;
    TSkinPanel* SkPanel4 = nullptr;
    TSkinPanel* Panel1 = nullptr;
    TSkinPanel* Panel2 = nullptr;
    TSkinPanel* Panel3 = nullptr;
    TSkinPanel* Panel4 = nullptr;
    TSkinPanel* Panel5 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label5 = nullptr;
    QFrame* Bevel1 = nullptr;
    QFrame* Bevel2 = nullptr;
    QFrame* Bevel3 = nullptr;
    QToolButton* uxToolButton1 = nullptr;
    QToolButton* uxToolButton2 = nullptr;
    TRtSpinEdit* RtSpinEdit1 = nullptr;
    TSkinCheckBox* chkFrame = nullptr;
    TSkinButton* SkButton3 = nullptr;
    TSkinButton* btnClose = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void Select(TPresentationPage page);
    void ShowBevel(QFrame* bevel);
    void SetScreen(TScreenSize size);

    IDialogs& FDialogs;
    TPresentationPage FPage = TPresentationPage::ppFullPage;
    TScreenSize FScreen = TScreenSize::ss800x600;
};
