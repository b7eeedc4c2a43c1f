#pragma once
// EquationBuilder.h: the equation builder: a small rich text editor and a palette of symbol buttons;
// the formula goes to the document as rich text or as a metafile picture, through the clipboard.
#include <QDialog>
#include <QString>

#include <functional>
#include <vector>

class IDialogs;
class QLabel;
class TEnhMetafile;
class TRtRichEdit;
class TRtSpinEdit;
class TSkinButton;
class TSkinPanel;

/// A palette button: its number, the font it types in and what it types.
struct TSymbolButton {
    int Number;
    QString Font; // "Symbol", "Arial" or "Times New Roman"
    QString Text; // the Unicode characters inserted
    bool Symbol; // the symbol character set, else ANSI
};
/// Every palette button but Tab and Space, the Symbol font's codes given as the characters they show.
const std::vector<TSymbolButton>& SymbolButtons();

/// The formula of the editor as a metafile: sized from the laid-out text (all lines, unwrapped) with
/// a margin of 5 pixels. Throws EConvertError when the editor is empty.
TEnhMetafile EquationPicture(TRtRichEdit& editor);

class TfrmEBuilder : public QDialog {
    Q_OBJECT
public:
    explicit TfrmEBuilder(IDialogs& dialogs, QWidget* parent = nullptr);

    bool TextRequest() const { return FTextRequest; }
    bool ImageRequest() const { return FImageRequest; }

    void SymbolClick(const TSymbolButton& button);
    void WhiteSpaceClick(const QString& text);
    void btnCopyClick();
    void btnPasteClick();
    void btnInsertTextClick();
    void btnInsertImageClick();
    void btnClearClick();
    void btnPlainTextClick();
    void SpeedButton1Click();
    void SkButton86Click(); // superscript
    void SkButton87Click(); // subscript
    void btnUnderlineClick();
    void RtSpinEdit1Change();
    void EQBuilderSelectionChange();
    /// The palette button of that number, or null.
    TSkinButton* Button(int number) const;

    TSkinPanel* SkPanel1 = nullptr;
    TRtRichEdit* EQBuilder = nullptr;
    TRtSpinEdit* RtSpinEdit1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    TSkinButton* btnClose = nullptr;
    TSkinButton* btnCopy = nullptr;
    TSkinButton* btnPaste = nullptr;
    TSkinButton* btnInsertText = nullptr;
    TSkinButton* btnInsertImage = nullptr;
    TSkinButton* btnClear = nullptr;
    TSkinButton* btnPlainText = nullptr;
    TSkinButton* SpeedButton1 = nullptr;
    TSkinButton* SkButton86 = nullptr;
    TSkinButton* SkButton87 = nullptr;
    TSkinButton* btnUnderline = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void PasteText(const QString& text);
    void Guard(const std::function<void()>& command);

    IDialogs& FDialogs;
    std::vector<std::pair<int, TSkinButton*>> FButtons;
    bool FTextRequest = false;
    bool FImageRequest = false;
};
