// Printers.cpp: the printer list, and a device mode turned into a QPrinter's settings.
#include "Printers.h"

#include "Errors.h"

#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <cmath>
#include <cstdlib>

const QString TPrinters::PdfPrinterName = QStringLiteral("PDF File");

namespace {

// A PDF page has no resolution of its own; these only set how fine the engine's integer device
// units are.
const QList<int> PdfResolutions { 150, 300, 600, 1200 };
constexpr int PdfDefaultResolution = 600;

int Pixels(double length) { return int(std::nearbyint(length)); }

constexpr bool IsSet(const DEVMODE& mode, DWORD field) { return (mode.dmFields & field) != 0; }

SHORT DuplexFromQt(QPrinter::DuplexMode duplex)
{
    switch (duplex) {
    case QPrinter::DuplexLongSide:
        return DMDUP_VERTICAL;
    case QPrinter::DuplexShortSide:
        return DMDUP_HORIZONTAL;
    default:
        return DMDUP_SIMPLEX;
    }
}

QPrinter::DuplexMode QtFromDuplex(SHORT duplex)
{
    switch (duplex) {
    case DMDUP_VERTICAL:
        return QPrinter::DuplexLongSide;
    case DMDUP_HORIZONTAL:
        return QPrinter::DuplexShortSide;
    default:
        return QPrinter::DuplexNone;
    }
}

QList<int> SortedResolutions(QList<int> resolutions)
{
    resolutions.removeIf([](int dpi) { return dpi <= 0; });
    std::sort(resolutions.begin(), resolutions.end());
    resolutions.erase(std::unique(resolutions.begin(), resolutions.end()), resolutions.end());
    return resolutions;
}

// info is null for the PDF printer, which has neither colour limits nor duplex.
void ApplyDevMode(QPrinter& printer, const QPrinterInfo& info, const QList<int>& resolutions, int defaultResolution,
    const DEVMODE& mode)
{
    // A layout the driver refuses leaves the driver's own.
    (void)SetPrinterPage(printer, mode);
    if (IsSet(mode, DM_COPIES))
        printer.setCopyCount(mode.dmCopies);
    if (IsSet(mode, DM_COLLATE))
        printer.setCollateCopies(mode.dmCollate == DMCOLLATE_TRUE);
    if (IsSet(mode, DM_COLOR)) {
        const bool colour
            = mode.dmColor == DMCOLOR_COLOR && (info.isNull() || info.supportedColorModes().contains(QPrinter::Color));
        printer.setColorMode(colour ? QPrinter::Color : QPrinter::GrayScale);
    }
    if (IsSet(mode, DM_DUPLEX) && !info.isNull()) {
        const QPrinter::DuplexMode duplex = QtFromDuplex(mode.dmDuplex);
        if (info.supportedDuplexModes().contains(duplex))
            printer.setDuplex(duplex);
    }
    if (IsSet(mode, DM_PRINTQUALITY))
        printer.setResolution(ResolutionFromQuality(mode.dmPrintQuality, resolutions, defaultResolution));
}

}

bool SetPrinterPage(QPrinter& printer, const DEVMODE& mode)
{
    bool accepted = true;
    if (IsSet(mode, DM_PAPERSIZE)) {
        if (const auto size = PageSizeFromDevMode(mode))
            accepted = printer.setPageSize(*size);
    }
    if (IsSet(mode, DM_ORIENTATION))
        accepted = printer.setPageOrientation(
                       mode.dmOrientation == DMORIENT_LANDSCAPE ? QPageLayout::Landscape : QPageLayout::Portrait)
            && accepted;
    // Device coordinates start at the corner of the printable area, as on the platform's printers.
    printer.setFullPage(false);
    const QPageLayout layout = printer.pageLayout();
    return printer.setPageMargins(layout.minimumMargins(), layout.units()) && accepted;
}

TDeviceCaps PrinterCaps(const QPrinter& printer)
{
    TDeviceCaps caps;
    caps.DpiX = caps.DpiY = printer.resolution();
    caps.Pixels = QSize(printer.width(), printer.height()); // what a painter on it gets
    const QRectF sheet = printer.paperRect(QPrinter::DevicePixel);
    const QRectF printable = printer.pageRect(QPrinter::DevicePixel);
    caps.Physical = QSize(Pixels(sheet.width()), Pixels(sheet.height()));
    caps.PhysicalOffset = QPoint(Pixels(printable.left() - sheet.left()), Pixels(printable.top() - sheet.top()));
    caps.Technology = DT_RASPRINTER;
    return caps;
}

int ResolutionFromQuality(SHORT quality, const QList<int>& resolutions, int defaultResolution)
{
    if (resolutions.isEmpty())
        return defaultResolution;
    switch (quality) {
    case DMRES_DRAFT:
        return resolutions.front();
    case DMRES_LOW: {
        const auto below = std::lower_bound(resolutions.begin(), resolutions.end(), defaultResolution);
        return below == resolutions.begin() ? resolutions.front() : *(below - 1);
    }
    case DMRES_HIGH:
        return resolutions.back();
    default:
        break;
    }
    if (quality <= 0)
        return defaultResolution;
    // Ties go to the lower resolution, the first met.
    return *std::min_element(resolutions.begin(), resolutions.end(),
        [quality](int a, int b) { return std::abs(a - quality) < std::abs(b - quality); });
}

TPrinters::TPrinters() { Refresh(); }

void TPrinters::Refresh()
{
    FEntries.clear();
    FDefaultIndex = -1;
    const QString defaultName = QPrinterInfo::defaultPrinterName();
    for (const QPrinterInfo& info : QPrinterInfo::availablePrinters()) {
        if (info.printerName() == defaultName)
            FDefaultIndex = Count();
        FEntries.push_back({ info.printerName(), info.makeAndModel(), info.location(), false });
    }
    FEntries.push_back({ PdfPrinterName, QStringLiteral("PDF"), QStringLiteral("FILE:"), true });
    if (FDefaultIndex < 0)
        FDefaultIndex = PdfIndex();
}

const TPrinterEntry& TPrinters::Entry(int index) const
{
    if (index < 0 || index >= Count())
        throw EPrinter(QStringLiteral("Printer index %1 out of range").arg(index));
    return FEntries[std::size_t(index)];
}

QStringList TPrinters::Names() const
{
    QStringList names;
    for (const TPrinterEntry& entry : FEntries)
        names << entry.Device;
    return names;
}

int TPrinters::IndexOf(const QString& device) const
{
    for (int index = 0; index < Count(); ++index) {
        if (FEntries[std::size_t(index)].Device == device)
            return index;
    }
    return -1;
}

DEVMODE TPrinters::DefaultDevMode(int index) const
{
    const TPrinterEntry& entry = Entry(index);
    DEVMODE mode;
    mode.dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_PRINTQUALITY | DM_COLOR | DM_DUPLEX | DM_COLLATE
        | DM_DITHERTYPE;
    // Drivers report their resolution as a dots-per-inch value, not as a quality level.
    if (entry.IsPdf) {
        mode.dmPrintQuality = PdfDefaultResolution;
        return mode;
    }
    const QPrinterInfo info = QPrinterInfo::printerInfo(entry.Device);
    if (info.isNull())
        return mode;
    QPrinter printer(info, QPrinter::HighResolution);
    const QPageLayout layout = printer.pageLayout();
    SetDevModePaper(mode, layout.pageSize());
    mode.dmOrientation = layout.orientation() == QPageLayout::Landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    mode.dmCopies = SHORT(std::clamp(printer.copyCount(), 1, int(MaxCopies)));
    mode.dmCollate = printer.collateCopies() ? DMCOLLATE_TRUE : DMCOLLATE_FALSE;
    mode.dmColor = printer.colorMode() == QPrinter::Color ? DMCOLOR_COLOR : DMCOLOR_MONOCHROME;
    mode.dmDuplex = DuplexFromQt(printer.duplex());
    mode.dmPrintQuality = SHORT(std::clamp(printer.resolution(), 1, 32767));
    return mode;
}

std::unique_ptr<QPrinter> TPrinters::CreatePrinter(int index, const DEVMODE& mode) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    const TPrinterEntry& entry = FEntries[std::size_t(index)];
    if (entry.IsPdf) {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        ApplyDevMode(*printer, QPrinterInfo(), PdfResolutions, PdfDefaultResolution, mode);
        return printer;
    }
    // The list may be older than the system's: a printer removed since is not used.
    const QPrinterInfo info = QPrinterInfo::printerInfo(entry.Device);
    if (info.isNull())
        return nullptr;
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    if (!printer->isValid())
        return nullptr;
    const int defaultResolution = printer->resolution();
    ApplyDevMode(*printer, info, SortedResolutions(info.supportedResolutions()), defaultResolution, mode);
    return printer;
}
