#pragma once
// PrintPreview.h: the print preview window: the document on pages with margins, header and
// footer, the printer and page choices, and printing; and the main window's quick print.
#include "GdiDefs.h"
#include "PgQuickPrint.h"

#include <QDialog>

#include <functional>

class IDialogs;
class QComboBox;
class QLabel;
class THeaderFooterForm;
class TMarginsForm;
class TPgPreview;
class TPgPropertyComboBox;
class TPgPropertyGraphic;
class TPgRtfPreview;
class TRtCustomRichEdit;
class TRtSpinEdit;
class TSkinButton;
class TSkinComboBox;
class TSkinPanel;
class TTrackBar;

/// What the window needs of the program: the editor shown and the stored margins.
struct TPreviewHost {
    std::function<TPgPrintMargins()> Margins;
    std::function<void(const TPgPrintMargins&)> StoreMargins;
    /// The name part of the document's file, the print jobs' title.
    std::function<QString()> DocumentTitle;
};

class TfrmPrintPreview : public QDialog {
    Q_OBJECT
public:
    /// The editor, dialogs and dialog forms must outlive the window.
    TfrmPrintPreview(IDialogs& dialogs, TRtCustomRichEdit& editor, TMarginsForm& marginsForm,
        THeaderFooterForm& headerFooterForm, TPreviewHost host, QWidget* parent = nullptr);
    ~TfrmPrintPreview() override;

    TPgPreview& Preview() const { return *PgPreview1; }
    TPgRtfPreview& Paginator() const { return *PgRtfPreview1; }
    /// Stored margins into the preview and the paginator; values outside the dialog's limits fall
    /// back to the defaults. Returns the margins applied.
    TPgPrintMargins ApplyMargins(TPgPrintMargins margins);
    /// Clear, paginate the editor, first page; the page indicator follows.
    void RebuildPreview();
    /// The main window's print preview button: rebuild, fit the page, show modally.
    void OpenPrintPreview();
    /// Copies and quality of the window into the printer's settings for the next job.
    void ApplyJobSettings();
    QString DocumentTitle() const { return FHost.DocumentTitle ? FHost.DocumentTitle() : QString(); }

    void FormCreate();
    void FormActivate();
    void SkTrackBar1Change();
    void SkButton4Click();
    void SkButton5Click();
    void PgPreview1PageChanged();
    void PgPreview1OrientationChanged();
    void PgPropertyComboBox2Change();
    void ComboBox2Change();
    void RtSpinEdit1Change();
    void btnPrintAllClick();
    void btnPrintCurrentClick();
    void EditMargins();
    void EditHeaderFooter();

    TSkinPanel* SkPanel1 = nullptr;
    QLabel* Label3 = nullptr; // page indicator
    QLabel* Label6 = nullptr; // first
    QLabel* Label7 = nullptr; // previous
    QLabel* Label9 = nullptr; // next
    QLabel* Label8 = nullptr; // last
    TPgPropertyGraphic* PgPropertyGraphic1 = nullptr; // pages per sheet
    TPgPropertyGraphic* PgPropertyGraphic2 = nullptr; // orientation
    TTrackBar* SkTrackBar1 = nullptr;
    TSkinButton* SkButton4 = nullptr; // "Pleine Larg."
    TSkinButton* SkButton5 = nullptr; // "Pleine Page"
    TSkinButton* SkButton6 = nullptr; // "Marges"
    TSkinButton* SkButton7 = nullptr; // "Tête & Pied"
    TPgPropertyComboBox* PgPropertyComboBox1 = nullptr; // printers
    TPgPropertyComboBox* PgPropertyComboBox2 = nullptr; // paper
    TSkinComboBox* ComboBox2 = nullptr; // quality
    TRtSpinEdit* RtSpinEdit1 = nullptr; // copies
    TSkinButton* btnPrintAll = nullptr;
    TSkinButton* btnPrintCurrent = nullptr;
    TSkinButton* SkButton1 = nullptr; // "Fermer"
    TSkinButton* SkButton2 = nullptr; // hidden "Zoom In"
    TSkinButton* SkButton3 = nullptr; // hidden "Zoom Out"
    TPgPreview* PgPreview1 = nullptr;
    TPgRtfPreview* PgRtfPreview1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    /// Runs a handler; errors are shown, the window stays usable.
    void Run(const std::function<void()>& handler);
    void PrintJob(bool currentPageOnly);

    IDialogs& FDialogs;
    TRtCustomRichEdit& FEditor;
    TMarginsForm& FMarginsForm;
    THeaderFooterForm& FHeaderFooterForm;
    TPreviewHost FHost;
};

/// The main window's quick print. fromToolButton with no selection prints through the engine with
/// the window's settings; otherwise the print dialog and the editor's own printing run.
void QuickPrint(TfrmPrintPreview& form, IDialogs& dialogs, TRtCustomRichEdit& editor, bool fromToolButton);
/// Prints the editor's characters first..last (exclusive) into a job on the printer, a page for
/// each slice the area holds; area in printer pixels. Returns the pages printed.
int PrintSelection(TRtCustomRichEdit& editor, class TPrinterDevice& printer, const QString& title, const RECT& area,
    LONG first, LONG last);
