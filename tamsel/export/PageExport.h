#pragma once
// PageExport.h: the PDF and presentation exports, which let the rich edit control lay the document
// out page by page onto pictures, and the status window TfrmExport they show meanwhile.
#include "WinTypes.h"

#include <QDialog>
#include <QStringList>

#include <functional>

class QLabel;
class QTimer;
class TRichEditControl;
struct TPresentationOptions;

/// Pages are laid out and pictured at this resolution on every machine, with or without a screen,
/// so the same document always gives the same file.
constexpr int ExportPixelsPerInch = 96;

/// Receives the progress text ("42%") after each page.
using TExportProgress = std::function<void(const QString& progress)>;

/// r × 100 / L truncated, followed by "%"; "100%" for an empty document.
QString ProgressText(LONG position, LONG length);
/// The text rectangle in twips for a rectangle in pixels at ExportPixelsPerInch.
RECT TwipsFromPixels(const RECT& pixels);

/// Writes the document as a PDF file of one picture per page. On any failure nothing is written,
/// an existing file stays as it was and the error is thrown.
void ExportPagesToPdf(TRichEditControl& control, const QString& fileName, const TExportProgress& progress = {});
/// Writes the document as an animated GIF of one frame per page, with the same guarantees.
void ExportPagesToPresentation(TRichEditControl& control, const QString& fileName,
    const TPresentationOptions& options, const TExportProgress& progress = {});

/// The comment block of every presentation file.
QStringList PresentationComments();

// A small looping animation of its own drawing: a ring of dots chasing round.
class TExportAnimation : public QWidget {
    Q_OBJECT
public:
    explicit TExportAnimation(QWidget* parent = nullptr);
    int Frame() const { return FFrame; }
    bool Animating() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QTimer* FTimer = nullptr;
    int FFrame = 0;
};

class TfrmExport : public QDialog {
    Q_OBJECT
public:
    explicit TfrmExport(QWidget* parent = nullptr);

    /// Shows the window over its owner and lets it paint.
    void ShowStatus();
    /// Sets the progress caption and lets the window repaint.
    void SetProgress(const QString& progress);
    void FormClose();

    /// Also told each progress text, for a headless run to show it elsewhere.
    TExportProgress OnProgress;

    TExportAnimation* RtGIFAnimator1 = nullptr;
    QLabel* lblProgBar = nullptr;
    QLabel* lblStatus = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
};
