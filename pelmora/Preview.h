#pragma once
// Preview.h: Pelmora's merge preview: one letter per record laid out in the page preview, browsed
// page by page and printed whole, by current page or by range.
#include <QDialog>

#include <memory>

class IDialogs;
class QLabel;
class QPushButton;
class TIniFile;
class TPgPreview;
class TPgRtfMailMerge;
class TPgRtfPreview;
class TRtCustomRichEdit;
struct TMergeFieldSource;

class TPrintPreviewForm : public QDialog {
    Q_OBJECT
public:
    TPrintPreviewForm(IDialogs& dialogs, const QString& settingsFolder, QWidget* parent = nullptr);
    ~TPrintPreviewForm() override;

    /// Lays out one letter per record (one empty page without records) and shows page 1.
    void PrepareMerge(TRtCustomRichEdit& editor, const TMergeFieldSource& source);
    /// The first and last page of "FIRST-LAST" or "PAGE", the last cut to the page count.
    /// Throws EPrinter "Invalid Range" when the first page is not a page of the document.
    static std::pair<int, int> ParseRange(const QString& text, int pageCount);

    TPgPreview* PgPreview1;
    QLabel* Label3;
    QPushButton *ToolButton1, *btnRight, *btnLeft, *ToolButton2, *btnPrintAl, *btnPrintPage, *SkButton1, *btnClose;

    void PgPreview1PageChanged();
    void btnPrintAlClick();
    void btnPrintPageClick();
    void uxButton1Click();

private:
    IDialogs& FDialogs;
    std::unique_ptr<TPgRtfPreview> FPgRtfPreview1;
    std::unique_ptr<TPgRtfMailMerge> FPgRtfMailMerge1;
    std::unique_ptr<TMergeFieldSource> FSource;
};
