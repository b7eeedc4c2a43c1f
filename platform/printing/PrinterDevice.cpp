// PrinterDevice.cpp: printer selection, device modes, information contexts and the job's life.
#include "PrinterDevice.h"

#include "DeviceContext.h"
#include "Errors.h"
#include "PrintJob.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>

namespace {

QString FileTitle(const QString& title)
{
    QString name;
    for (const QChar c : title) {
        if (c.unicode() >= 0x20 && !QStringLiteral("/\\<>:\"|?*").contains(c))
            name += c;
    }
    name = name.trimmed();
    while (name.startsWith(u'.'))
        name.remove(0, 1);
    return name.isEmpty() ? QStringLiteral("Document") : name;
}

}

QString UniquePdfFileName(const QString& folder, const QString& title)
{
    const QDir dir(folder);
    const QString name = FileTitle(title);
    QString path = dir.filePath(name + QStringLiteral(".pdf"));
    for (int number = 2; QFileInfo::exists(path); ++number) {
        if (number > 9999)
            throw EPrinter(QStringLiteral("Cannot find a free file name for %1 in %2").arg(name, folder));
        path = dir.filePath(QStringLiteral("%1 (%2).pdf").arg(name).arg(number));
    }
    return path;
}

TPrinterDevice::TPrinterDevice()
    : FDevModes(std::size_t(FPrinters.Count()))
    , FPrinterIndex(FPrinters.DefaultIndex())
{
}

TPrinterDevice::~TPrinterDevice() = default;

void TPrinterDevice::Refresh()
{
    CheckPrinting(false);
    const QString selected = Printer().Device;
    std::vector<std::optional<DEVMODE>> modes;
    const TPrinters previous = FPrinters;
    FPrinters.Refresh();
    for (int index = 0; index < FPrinters.Count(); ++index) {
        const int old = previous.IndexOf(FPrinters.Entry(index).Device);
        modes.push_back(old >= 0 ? FDevModes[std::size_t(old)] : std::nullopt);
    }
    FDevModes = std::move(modes);
    const int index = FPrinters.IndexOf(selected);
    FPrinterIndex = index >= 0 ? index : FPrinters.DefaultIndex();
    FInfoContext.reset();
}

void TPrinterDevice::SetPrinterIndex(int index)
{
    CheckPrinting(false);
    if (index == -1)
        index = FPrinters.DefaultIndex();
    if (index < 0 || index >= FPrinters.Count())
        throw EPrinter(QStringLiteral("Printer index %1 out of range").arg(index));
    if (index != FPrinterIndex)
        FInfoContext.reset();
    FPrinterIndex = index;
}

bool TPrinterDevice::SetDevMode(const DEVMODE& mode)
{
    if (!IsValidDevMode(mode))
        return false;
    MergeDevMode(DevModeOf(FPrinterIndex), mode);
    FInfoContext.reset();
    return true;
}

void TPrinterDevice::ResetDevMode()
{
    DevModeOf(FPrinterIndex) = FPrinters.DefaultDevMode(FPrinterIndex);
    FInfoContext.reset();
}

TPrinterOrientation TPrinterDevice::Orientation() const
{
    return DevMode().dmOrientation == DMORIENT_LANDSCAPE ? TPrinterOrientation::poLandscape
                                                         : TPrinterOrientation::poPortrait;
}

void TPrinterDevice::SetOrientation(TPrinterOrientation orientation)
{
    DEVMODE mode;
    mode.dmFields = DM_ORIENTATION;
    mode.dmOrientation = orientation == TPrinterOrientation::poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    (void)SetDevMode(mode); // both values are valid
}

int TPrinterDevice::DeviceCapabilities(WORD capability) const
{
    return DeviceCapabilities(Printer().Device, capability);
}

int TPrinterDevice::DeviceCapabilities(const QString& device, WORD capability) const
{
    const int index = FPrinters.IndexOf(device);
    if (index < 0)
        return -1;
    if (FPrinters.Entry(index).IsPdf) {
        switch (capability) {
        case DC_ORIENTATION:
            return 90;
        case DC_COPIES: // one file holds one copy
        case DC_COLORDEVICE:
            return 1;
        case DC_DUPLEX:
        case DC_COLLATE:
            return 0;
        default:
            return -1;
        }
    }
    const QPrinterInfo info = QPrinterInfo::printerInfo(device);
    if (info.isNull())
        return -1;
    switch (capability) {
    case DC_ORIENTATION: // the system's print filters turn any page
        return 90;
    case DC_COPIES:
        return MaxCopies;
    case DC_COLLATE:
        return 1;
    case DC_COLORDEVICE:
        return info.supportedColorModes().contains(QPrinter::Color) ? 1 : 0;
    case DC_DUPLEX: {
        const QList<QPrinter::DuplexMode> modes = info.supportedDuplexModes();
        return modes.contains(QPrinter::DuplexLongSide) || modes.contains(QPrinter::DuplexShortSide) ? 1 : 0;
    }
    default:
        return -1;
    }
}

std::unique_ptr<TDeviceContext> TPrinterDevice::CreateIC() const { return CreateIC(Printer().Device); }

std::unique_ptr<TDeviceContext> TPrinterDevice::CreateIC(const QString& device, const DEVMODE* mode) const
{
    const int index = FPrinters.IndexOf(device);
    if (index < 0)
        return nullptr;
    DEVMODE effective = DevModeOf(index);
    if (mode) {
        if (!IsValidDevMode(*mode))
            return nullptr;
        MergeDevMode(effective, *mode);
    }
    const std::unique_ptr<QPrinter> printer = FPrinters.CreatePrinter(index, effective);
    if (!printer)
        return nullptr;
    return std::make_unique<TDeviceContext>(PrinterCaps(*printer));
}

HDC TPrinterDevice::Handle()
{
    if (FJob)
        return &FJob->Canvas();
    if (!FInfoContext) {
        FInfoContext = CreateIC();
        if (!FInfoContext)
            throw EPrinter(QStringLiteral("Printer %1 is not available").arg(Printer().Device));
    }
    return FInfoContext.get();
}

QString TPrinterDevice::JobOutputFileName() const
{
    if (!Printer().IsPdf)
        return QString();
    if (!FOutputFileName.isEmpty())
        return QFileInfo(FOutputFileName).absoluteFilePath();
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    if (!QDir().mkpath(folder))
        throw EPrinter(QStringLiteral("Cannot create folder %1").arg(folder));
    return UniquePdfFileName(folder, FTitle);
}

void TPrinterDevice::BeginDoc(const QString& title)
{
    SetTitle(title);
    BeginDoc();
}

void TPrinterDevice::BeginDoc()
{
    CheckPrinting(false);
    FJobFileName.clear();
    FAborted = false;
    std::unique_ptr<QPrinter> printer = FPrinters.CreatePrinter(FPrinterIndex, DevMode());
    if (!printer)
        throw EPrinter(QStringLiteral("Printer %1 is not available").arg(Printer().Device));
    const QString fileName = JobOutputFileName();
    FJob = std::make_unique<TPrintJob>(std::move(printer), DevMode(), FTitle, fileName);
    FJobFileName = fileName;
}

void TPrinterDevice::StartPage()
{
    CheckPrinting(true);
    FJob->StartPage();
}

void TPrinterDevice::EndPage()
{
    CheckPrinting(true);
    FJob->EndPage();
}

void TPrinterDevice::NewPage()
{
    CheckPrinting(true);
    FJob->EndPage();
    FJob->StartPage();
}

HDC TPrinterDevice::ResetDC(const DEVMODE& mode)
{
    CheckPrinting(true);
    if (!IsValidDevMode(mode))
        throw EPrinter(QStringLiteral("The printer settings are not valid"));
    FJob->ResetDC(mode);
    return &FJob->Canvas();
}

void TPrinterDevice::EndDoc()
{
    CheckPrinting(true);
    // The job is over whether or not its output could be completed.
    const std::unique_ptr<TPrintJob> job = std::move(FJob);
    try {
        job->EndDoc();
    } catch (...) {
        FJobFileName.clear();
        throw;
    }
}

void TPrinterDevice::Abort()
{
    CheckPrinting(true);
    FJob->Abort();
    FJob.reset();
    FJobFileName.clear();
    FAborted = true;
}

DEVMODE& TPrinterDevice::DevModeOf(int index) const
{
    std::optional<DEVMODE>& mode = FDevModes[std::size_t(index)];
    if (!mode)
        mode = FPrinters.DefaultDevMode(index);
    return *mode;
}

int TPrinterDevice::PageNumber() const { return FJob ? FJob->PageCount() : 0; }

void TPrinterDevice::CheckPrinting(bool printing) const
{
    if (Printing() == printing)
        return;
    throw EPrinter(printing ? QStringLiteral("Printer is not printing") : QStringLiteral("Printing in progress"));
}
