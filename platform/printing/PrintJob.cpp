// PrintJob.cpp: pages, layout changes between sheets and the completion of a print job.
#include "PrintJob.h"

#include "DeviceContext.h"
#include "Errors.h"
#include "Printers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QRandomGenerator>

#include <cstdio>

namespace {

// The printer writes here until the job is complete, so an aborted or failed job never leaves a
// partial file under the name the user chose, nor destroys a file that was there.
QString CreatePartFile(const QString& fileName)
{
    const QFileInfo target(fileName);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = QStringLiteral(".%1.%2.part")
                                 .arg(target.fileName())
                                 .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        const QString path = target.absoluteDir().filePath(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return path;
        if (file.exists())
            continue;
        break;
    }
    throw EPrinter(QStringLiteral("Cannot create file %1").arg(fileName));
}

// The writer finishes a PDF with its trailer; a short write (full disk) loses it.
bool IsCompletePdf(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 64)
        return false;
    if (file.read(5) != "%PDF-")
        return false;
    if (!file.seek(file.size() - 32))
        return false;
    return file.read(32).contains("%%EOF");
}

}

TPrintJob::TPrintJob(
    std::unique_ptr<QPrinter> printer, const DEVMODE& mode, const QString& title, const QString& fileName)
    : FPrinter(std::move(printer))
    , FMode(mode)
    , FFileName(fileName)
{
    FPrinter->setDocName(title);
    FPrinter->setCreator(QCoreApplication::applicationName());
    if (!FFileName.isEmpty()) {
        FPartFileName = CreatePartFile(FFileName);
        FPrinter->setOutputFileName(FPartFileName);
    }
    FPainter = std::make_unique<QPainter>();
    if (!FPainter->begin(FPrinter.get())) {
        DiscardOutput();
        throw EPrinter(QStringLiteral("Cannot start the print job %1").arg(title));
    }
    FCanvas = std::make_unique<TDeviceContext>(*FPainter);
    FPageCount = 1;
    FPageOpen = true;
}

TPrintJob::~TPrintJob()
{
    if (!FFinished)
        Abort();
}

void TPrintJob::StartPage()
{
    if (FPageOpen)
        return;
    const bool layoutChanges = FLayoutPending;
    bool laidOut = true;
    if (FLayoutPending) {
        FLayoutPending = false;
        laidOut = SetPrinterPage(*FPrinter, FMode);
    }
    // A refused layout still gets its page, in the previous layout, before the error is reported.
    if (!FPrinter->newPage())
        throw EPrinter(QStringLiteral("Cannot start page %1").arg(FPageCount + 1));
    ++FPageCount;
    FPageOpen = true;
    // The context takes the sheet's size from the printer when it is made; it keeps its address,
    // which callers hold as the job's handle.
    if (layoutChanges)
        *FCanvas = TDeviceContext(*FPainter);
    if (!laidOut)
        throw EPrinter(QStringLiteral("The printer cannot change the page layout"));
}

void TPrintJob::ResetDC(const DEVMODE& mode)
{
    DEVMODE layout;
    layout.dmFields = mode.dmFields & (DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERWIDTH | DM_PAPERLENGTH);
    layout.dmOrientation = mode.dmOrientation;
    layout.dmPaperSize = mode.dmPaperSize;
    layout.dmPaperWidth = mode.dmPaperWidth;
    layout.dmPaperLength = mode.dmPaperLength;
    MergeDevMode(FMode, layout);
    FLayoutPending = true;
}

void TPrintJob::EndDoc()
{
    FPageOpen = false;
    FFinished = true;
    FCanvas.reset();
    const bool ended = FPainter->end();
    if (!ended || (!FPartFileName.isEmpty() && !IsCompletePdf(FPartFileName))) {
        DiscardOutput();
        throw EPrinter(FFileName.isEmpty() ? QStringLiteral("The print job could not be completed")
                                           : QStringLiteral("Cannot write file %1").arg(FFileName));
    }
    if (FPartFileName.isEmpty())
        return;
    // rename replaces an existing file in one step, unlike QFile::rename.
    if (std::rename(QFile::encodeName(FPartFileName).constData(), QFile::encodeName(FFileName).constData()) != 0) {
        DiscardOutput();
        throw EPrinter(QStringLiteral("Cannot create file %1").arg(FFileName));
    }
    FPartFileName.clear();
}

void TPrintJob::Abort()
{
    FPageOpen = false;
    FFinished = true;
    // Qt cannot withdraw a job from the system's spooler: pages given to a system printer still print.
    FPrinter->abort();
    FCanvas.reset();
    FPainter.reset();
    DiscardOutput();
}

void TPrintJob::DiscardOutput()
{
    if (!FPartFileName.isEmpty())
        QFile::remove(FPartFileName);
    FPartFileName.clear();
}
