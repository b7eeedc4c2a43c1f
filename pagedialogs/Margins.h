#pragma once
// Margins.h: the borderless dialog that edits the page margins and the header and footer heights
// in whole millimetres. It applies nothing itself; the preview window reads it after its apply button.
#include "PgQuickPrint.h"

#include <QDialog>

#include <functional>

class QLabel;
class TRtSpinEdit;
class TSkinButton;
class TSkinPanel;

/// Limits of the dialog's boxes, also used to reject stored values outside them.
constexpr int MinPageMargin = 1, MaxPageMargin = 100;
constexpr int MinHeaderMargin = 5, MaxHeaderMargin = 15;
/// True when every value lies within the dialog's limits.
[[nodiscard]] bool MarginsInLimits(const TPgPrintMargins& margins);
/// "Value in Inches: " and the millimetres in inches, one or two decimals, the locale's separator.
QString InchText(int millimetres);

/// What tells one program's copy of the dialog from the other's: its words and its start values.
struct TMarginsFormTexts {
    QString Title, Top, Left, Bottom, Right, Header, Footer, Unit, InchLabel, Apply, ApplyHint, Close, CloseHint;
    int StartMargin = 0; ///< 0 keeps 15 top and bottom, 25 left and right
    bool TypedHeights = false; ///< header and footer boxes take typing, not just steps
    bool InchLabelShown = false; ///< the inch label shows before any box is touched
    bool IncludingHeights = false; ///< top and bottom inch values also given with the header or footer
    static TMarginsFormTexts French();
    static TMarginsFormTexts English();
};

class TMarginsForm : public QDialog {
    Q_OBJECT
public:
    explicit TMarginsForm(QWidget* parent = nullptr, const TMarginsFormTexts& texts = TMarginsFormTexts::French());

    /// Where the six values come from at activation and go to on " Appliquer".
    std::function<TPgPrintMargins()> OnLoadMargins;
    std::function<void(const TPgPrintMargins&)> OnStoreMargins;

    TPgPrintMargins Values() const;
    void SetValues(const TPgPrintMargins& margins);

    void FormActivate();
    void SkButton2Click();
    void SpinEdit2Change(TRtSpinEdit* sender);
    void SpinEdit2MouseMove(TRtSpinEdit* sender);
    void SkPanel3MouseMove();

    TSkinPanel* SkPanel1 = nullptr;
    TSkinPanel* SkPanel3 = nullptr;
    TSkinPanel* SkPanel2 = nullptr;
    TRtSpinEdit* SpinEdit2 = nullptr; // top
    TRtSpinEdit* SpinEdit1 = nullptr; // left
    TRtSpinEdit* SpinEdit4 = nullptr; // bottom
    TRtSpinEdit* SpinEdit3 = nullptr; // right
    TRtSpinEdit* SpinHeader = nullptr;
    TRtSpinEdit* SpinFooter = nullptr;
    QLabel* Label6 = nullptr;
    TSkinButton* SkButton2 = nullptr; // " Appliquer"
    TSkinButton* SkButton1 = nullptr; // " Fermer"

protected:
    void showEvent(QShowEvent* event) override;

private:
    TRtSpinEdit* Spin(int tag, int minimum, int maximum, int value, const QRect& place);
    TMarginsFormTexts FTexts;
};
