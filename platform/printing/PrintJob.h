#pragma once
// PrintJob.h: one print job on a QPrinter, drawn through a device context in the printer's pixels.
#include "DevMode.h"

#include <QString>

#include <memory>

class QPainter;
class QPrinter;
class TDeviceContext;

class TPrintJob {
public:
    /// Starts the job with its first page open. A non-empty file name sends a PDF printer's output
    /// there, through a temporary file beside it. Throws EPrinter when the job cannot start.
    TPrintJob(std::unique_ptr<QPrinter> printer, const DEVMODE& mode, const QString& title, const QString& fileName);
    /// An unfinished job is aborted.
    ~TPrintJob();
    TPrintJob(const TPrintJob&) = delete;
    TPrintJob& operator=(const TPrintJob&) = delete;

    TDeviceContext& Canvas() { return *FCanvas; }
    int PageCount() const { return FPageCount; }
    const QString& FileName() const { return FFileName; }

    void StartPage();
    void EndPage() { FPageOpen = false; }
    /// Orientation and paper for the pages that follow. A page in a new layout starts with the
    /// context at its defaults.
    void ResetDC(const DEVMODE& mode);
    void EndDoc();
    void Abort();

private:
    void DiscardOutput();

    std::unique_ptr<QPrinter> FPrinter;
    std::unique_ptr<QPainter> FPainter;
    std::unique_ptr<TDeviceContext> FCanvas;
    DEVMODE FMode;
    QString FFileName;
    QString FPartFileName; // what the printer writes until the job is complete
    int FPageCount = 0;
    bool FPageOpen = false;
    bool FLayoutPending = false;
    bool FFinished = false;
};
