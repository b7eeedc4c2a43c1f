#pragma once
// Preview.h: Pelmora's merge preview: one letter per record laid out in the page preview with a
// strip of miniatures, the printer and page choices, the margins kept in "Settings.ini", and
// printing of all pages, the current page or a range.
#include <QDialog>

#include <functional>
#include <memory>

class IDialogs;
class QComboBox;
class QLabel;
class QPushButton;
class THeaderFooterForm;
class TMarginsForm;
class TPgPreview;
class TPgPropertyComboBox;
class TPgPropertyGraphic;
class TPgRtfMailMerge;
class TPgRtfPreview;
class TPgThumbnails;
class TRtCustomRichEdit;
class TRtSpinEdit;
struct TMergeFieldSource;
struct TMergeMargins;

class TPrintPreviewForm : public QDialog {
    Q_OBJECT
public:
    /// The dialogs and the two page dialogs must outlive the window; "Settings.ini" lives in settingsFolder.
    TPrintPreviewForm(IDialogs& dialogs, const QString& settingsFolder, TMarginsForm& marginsForm,
        THeaderFooterForm& headerFooterForm, QWidget* parent = nullptr);
    ~TPrintPreviewForm() override;

    /// Lays out one letter per record (one empty page without records) and shows page 1. The
    /// editor must stay alive while the window shows its letters: a relayout reads it again.
    void PrepareMerge(TRtCustomRichEdit& editor, const TMergeFieldSource& source);
    /// The first and last page of "FIRST-LAST", the last cut to the page count. Throws EPrinter
    /// "Invalid Range" when there is no dash, a number cannot be read, the first page is not a
    /// page of the document or the last is before it.
    static std::pair<int, int> ParseRange(const QString& text, int pageCount);
    /// The margins shown, as they would be stored.
    TMergeMargins CurrentMargins() const;
    QString SettingsPath() const;

    TPgPreview* PgPreview1 = nullptr;
    TPgRtfPreview* PgRtfPreview1 = nullptr;
    TPgThumbnails* PgThumbnails1 = nullptr;
    TPgPropertyComboBox* PgPropertyComboBox1 = nullptr; // printer
    TPgPropertyComboBox* PgPropertyComboBox2 = nullptr; // paper
    TPgPropertyGraphic* PgPropertyGraphic1 = nullptr; // orientation
    TPgPropertyGraphic* PgPropertyGraphic2 = nullptr; // pages per sheet
    QComboBox* ComboBox2 = nullptr; // print quality
    TRtSpinEdit* RtSpinEdit1 = nullptr; // copies
    QLabel* Label3 = nullptr;
    QPushButton *ToolButton1 = nullptr, *btnRight = nullptr, *btnLeft = nullptr, *ToolButton2 = nullptr;
    QPushButton *btnZoomOut = nullptr, *btnZoomIn = nullptr, *btnFull = nullptr, *btnWidth = nullptr;
    QPushButton *btnPrintAl = nullptr, *SkButton3 = nullptr, *btnPrintPage = nullptr, *SkButton1 = nullptr;
    QPushButton *btnMargins = nullptr, *btnHeader = nullptr, *btnClose = nullptr;

    void FormCreate();
    void FormActivate();
    void PgPreview1PageChanged();
    void PgPreview1OrientationChanged();
    void PgPropertyComboBox1Change();
    void PgPropertyComboBox2Change();
    void ComboBox2Change();
    void RtSpinEdit1Change();
    void btnPrintAlClick();
    void btnPrintPageClick();
    void uxButton1Click();
    void btnMarginsClick();
    void btnHeaderClick();
    /// Writes the margins to "Settings.ini" atomically; throws when the file cannot be written.
    void SaveMarginSettings();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// Lays the letters out again when it goes out of scope.
    struct TRelayoutAfter {
        TPrintPreviewForm& Form;
        ~TRelayoutAfter();
    };

    void CreateControls();
    void Run(const std::function<void()>& handler);
    /// The letters laid out again from the last merge's editor and records.
    void Relayout();
    void SetQuality();
    void PrepareJob();

    IDialogs& FDialogs;
    QString FSettingsFolder;
    TMarginsForm& FMarginsForm;
    THeaderFooterForm& FHeaderFooterForm;
    std::unique_ptr<TPgRtfMailMerge> FPgRtfMailMerge1;
    std::unique_ptr<TMergeFieldSource> FSource;
    TRtCustomRichEdit* FEditor = nullptr;
};
