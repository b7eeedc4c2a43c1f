// PgPrinter.cpp: printer metrics, device-mode settings and print jobs of the page engine.
#include "PgPrinter.h"

#include "DeviceContext.h"
#include "Dialogs.h"
#include "Errors.h"
#include "PrinterDevice.h"

#include <algorithm>
#include <cmath>

TPrinterDevice& ProgramPrinter()
{
    static TPrinterDevice printer;
    return printer;
}

TPrintDialogData PrintDialogDataFor(const TPrinterDevice& printer)
{
    TPrintDialogData data;
    data.PrinterName = printer.Printer().Device;
    data.Copies = printer.DevMode().dmCopies;
    data.Collate = printer.DevMode().dmCollate == DMCOLLATE_TRUE;
    data.PrintToFile = printer.Printer().IsPdf;
    data.OutputFileName = printer.OutputFileName();
    return data;
}

void ApplyPrintDialog(TPrinterDevice& printer, const TPrintDialogData& data)
{
    int index
        = data.PrinterName.isEmpty() ? printer.Printers().DefaultIndex() : printer.Printers().IndexOf(data.PrinterName);
    if (data.PrintToFile)
        index = printer.Printers().PdfIndex();
    if (index < 0)
        throw EPrinter(QStringLiteral("There is no printer named %1").arg(data.PrinterName));
    DEVMODE mode;
    mode.dmFields = DM_COPIES | DM_COLLATE;
    mode.dmCopies = SHORT(std::clamp(data.Copies, 1, int(MaxCopies)));
    mode.dmCollate = data.Collate ? DMCOLLATE_TRUE : DMCOLLATE_FALSE;
    printer.SetPrinterIndex(index);
    if (!printer.SetDevMode(mode))
        throw EPrinter(QStringLiteral("The printer %1 does not accept these settings").arg(printer.Printer().Device));
    if (data.PrintToFile && !data.OutputFileName.isEmpty())
        printer.SetOutputFileName(data.OutputFileName);
}

namespace {

const QString NoPrinterMessage = QStringLiteral("Unable to print... No Printer available.");

// The sheet used when no printer can be measured: A4 at 300 pixels per inch.
TDeviceCaps BuiltInCaps(bool landscape)
{
    TDeviceCaps caps;
    caps.DpiX = caps.DpiY = 300;
    caps.Physical = QSize(2481, 3507);
    caps.Pixels = QSize(2358, 3407);
    caps.PhysicalOffset = QPoint(65, 50);
    caps.Technology = DT_RASPRINTER;
    if (landscape) {
        caps.Physical.transpose();
        caps.Pixels.transpose();
        caps.PhysicalOffset = QPoint(50, 58);
    }
    return caps;
}

} // namespace

// ---- metrics ----

void TPgPrinterInfo::Ensure()
{
    if (!Loaded)
        FPrinter.Measure();
}

void TPgPrinterInfo::LoadBuiltIn()
{
    PhysicalWidth = 2481;
    PhysicalHeight = 3507;
    MarginLeft = 65;
    MarginTop = 50;
    MarginRight = 58;
    MarginBottom = 50;
    PrintableWidth = PhysicalWidth - MarginLeft - MarginRight;
    PrintableHeight = PhysicalHeight - MarginTop - MarginBottom;
    DpiX = DpiY = 300;
}

int TPgPrinterInfo::PixelsPerInchX()
{
    Ensure();
    return FPrinter.Landscape() ? DpiY : DpiX;
}

int TPgPrinterInfo::PixelsPerInchY()
{
    Ensure();
    return FPrinter.Landscape() ? DpiX : DpiY;
}

TPgExtended TPgPrinterInfo::SheetWidthInches()
{
    Ensure();
    return FPrinter.Landscape() ? TPgExtended(PhysicalHeight) / DpiY : TPgExtended(PhysicalWidth) / DpiX;
}

TPgExtended TPgPrinterInfo::SheetHeightInches()
{
    Ensure();
    return FPrinter.Landscape() ? TPgExtended(PhysicalWidth) / DpiX : TPgExtended(PhysicalHeight) / DpiY;
}

RECT TPgPrinterInfo::UnprintableMargins(bool landscape)
{
    Ensure();
    if (landscape)
        return { MarginTop, MarginRight, MarginBottom, MarginLeft };
    return { MarginLeft, MarginTop, MarginRight, MarginBottom };
}

std::array<TPgExtended, 4> TPgPrinterInfo::UnprintableMarginsInches(bool landscape)
{
    const RECT margins = UnprintableMargins(landscape);
    const TPgExtended x = PixelsPerInchX();
    const TPgExtended y = PixelsPerInchY();
    return { margins.left / x, margins.top / y, margins.right / x, margins.bottom / y };
}

// ---- printer ----

TPgPrinter::TPgPrinter(TPrinterDevice* device)
    : FDevice(device)
    , FInfo(*this)
{
}

TPgPrinter::~TPgPrinter()
{
    if (FPrinting && FDevice && FDevice->Printing())
        FDevice->Abort();
}

void TPgPrinter::SetDevice(TPrinterDevice* device)
{
    if (FPrinting)
        throw EPrinter(QStringLiteral("Printing in progress"));
    FDevice = device;
    FInfo.NoPrinterContext = false;
    FFallback.reset();
    Measure();
}

bool TPgPrinter::HasPrinter() const { return FDevice && FDevice->Printers().Count() > 0; }

bool TPgPrinter::Landscape() const
{
    if (!HasPrinter())
        return FLandscapeWithoutDevice;
    return FDevice->Orientation() == TPrinterOrientation::poLandscape;
}

void TPgPrinter::SetSheetOrientation(bool landscape)
{
    if (landscape == FSheetLandscape)
        return;
    FSheetLandscape = landscape;
    Measure();
}

const DEVMODE* TPgPrinter::CurrentDevMode() const { return HasPrinter() ? &FDevice->DevMode() : nullptr; }

void TPgPrinter::WriteDevMode(DWORD field, const std::function<void(DEVMODE&)>& write)
{
    if (!HasPrinter())
        return;
    DEVMODE mode;
    mode.dmFields = field;
    write(mode);
    // A value the printer refuses leaves its settings as they were.
    if (!FDevice->SetDevMode(mode))
        throw EPrinter(QStringLiteral("The printer %1 does not accept this setting").arg(FDevice->Printer().Device));
}

bool TPgPrinter::Collate() const
{
    const DEVMODE* mode = CurrentDevMode();
    return mode && mode->dmCollate == DMCOLLATE_TRUE;
}

void TPgPrinter::SetCollate(bool on)
{
    WriteDevMode(DM_COLLATE, [on](DEVMODE& mode) { mode.dmCollate = on ? DMCOLLATE_TRUE : DMCOLLATE_FALSE; });
}

TPgDuplex TPgPrinter::Duplex() const
{
    const DEVMODE* mode = CurrentDevMode();
    if (!mode)
        return TPgDuplex::pgSimplex;
    switch (mode->dmDuplex) {
    case DMDUP_VERTICAL:
        return TPgDuplex::pgVertDuplex;
    case DMDUP_HORIZONTAL:
        return TPgDuplex::pgHorzDuplex;
    default:
        return TPgDuplex::pgSimplex;
    }
}

void TPgPrinter::SetDuplex(TPgDuplex duplex)
{
    WriteDevMode(DM_DUPLEX, [duplex](DEVMODE& mode) {
        mode.dmDuplex = duplex == TPgDuplex::pgHorzDuplex ? DMDUP_HORIZONTAL
            : duplex == TPgDuplex::pgVertDuplex           ? DMDUP_VERTICAL
                                                          : DMDUP_SIMPLEX;
    });
}

int TPgPrinter::PrintCopies() const
{
    const DEVMODE* mode = CurrentDevMode();
    return mode ? mode->dmCopies : 1;
}

void TPgPrinter::SetPrintCopies(int copies)
{
    if (copies < 1 || copies > MaxCopies)
        throw EPrinter(QStringLiteral("%1 is not a valid number of copies (1 to %2)").arg(copies).arg(MaxCopies));
    WriteDevMode(DM_COPIES, [copies](DEVMODE& mode) { mode.dmCopies = SHORT(copies); });
}

TPgPrintColor TPgPrinter::PrintColor() const
{
    const DEVMODE* mode = CurrentDevMode();
    return mode && mode->dmColor == DMCOLOR_MONOCHROME ? TPgPrintColor::pgMonochrome : TPgPrintColor::pgColor;
}

void TPgPrinter::SetPrintColor(TPgPrintColor color)
{
    WriteDevMode(DM_COLOR, [color](DEVMODE& mode) {
        mode.dmColor = color == TPgPrintColor::pgMonochrome ? DMCOLOR_MONOCHROME : DMCOLOR_COLOR;
    });
}

TPgDitherType TPgPrinter::DitherType() const
{
    const DEVMODE* mode = CurrentDevMode();
    if (!mode)
        return TPgDitherType::pgNone;
    switch (mode->dmDitherType) {
    case DMDITHER_COARSE:
        return TPgDitherType::pgCourse;
    case DMDITHER_FINE:
        return TPgDitherType::pgFine;
    case DMDITHER_LINEART:
        return TPgDitherType::pgLineArt;
    case DMDITHER_GRAYSCALE:
        return TPgDitherType::pgGrayScale;
    default:
        return TPgDitherType::pgNone;
    }
}

void TPgPrinter::SetDitherType(TPgDitherType dither)
{
    static const DWORD Codes[]
        = { DMDITHER_NONE, DMDITHER_COARSE, DMDITHER_FINE, DMDITHER_LINEART, DMDITHER_GRAYSCALE };
    WriteDevMode(DM_DITHERTYPE, [dither](DEVMODE& mode) { mode.dmDitherType = Codes[int(dither)]; });
}

TPgPrintQuality TPgPrinter::PrintQuality() const
{
    const DEVMODE* mode = CurrentDevMode();
    if (!mode)
        return TPgPrintQuality::pgMedium;
    switch (mode->dmPrintQuality) {
    case DMRES_HIGH:
        return TPgPrintQuality::pgHigh;
    case DMRES_LOW:
        return TPgPrintQuality::pgLow;
    case DMRES_DRAFT:
        return TPgPrintQuality::pgDraft;
    default:
        return TPgPrintQuality::pgMedium;
    }
}

void TPgPrinter::SetPrintQuality(TPgPrintQuality quality)
{
    static const SHORT Codes[] = { DMRES_DRAFT, DMRES_LOW, DMRES_MEDIUM, DMRES_HIGH };
    WriteDevMode(DM_PRINTQUALITY, [quality](DEVMODE& mode) { mode.dmPrintQuality = Codes[int(quality)]; });
    Measure();
}

void TPgPrinter::SetPaperSize(TPgPaperSize paper)
{
    const SHORT code = PaperPrinterCode(paper);
    if (code == 0)
        return;
    WriteDevMode(DM_PAPERSIZE, [code](DEVMODE& mode) { mode.dmPaperSize = code; });
    FInfo.Loaded = false;
}

void TPgPrinter::Measure()
{
    FInfo.Loaded = true;
    if (!HasPrinter() || FInfo.NoPrinterContext) {
        FInfo.LoadBuiltIn();
        return;
    }
    const TPrinterOrientation remembered = FDevice->Orientation();
    FDevice->SetOrientation(TPrinterOrientation::poPortrait);
    const std::unique_ptr<TDeviceContext> context = FDevice->CreateIC();
    if (!context) {
        FInfo.LoadBuiltIn();
    } else {
        FInfo.PhysicalWidth = context->GetDeviceCaps(PHYSICALWIDTH);
        FInfo.PhysicalHeight = context->GetDeviceCaps(PHYSICALHEIGHT);
        FInfo.PrintableWidth = context->GetDeviceCaps(HORZRES);
        FInfo.PrintableHeight = context->GetDeviceCaps(VERTRES);
        FInfo.MarginLeft = context->GetDeviceCaps(PHYSICALOFFSETX);
        FInfo.MarginTop = context->GetDeviceCaps(PHYSICALOFFSETY);
        FInfo.DpiX = context->GetDeviceCaps(LOGPIXELSX);
        FInfo.DpiY = context->GetDeviceCaps(LOGPIXELSY);
        // Each border from its own side: printers whose left and right borders differ exist.
        FInfo.MarginRight = FInfo.PhysicalWidth - FInfo.PrintableWidth - FInfo.MarginLeft;
        FInfo.MarginBottom = FInfo.PhysicalHeight - FInfo.PrintableHeight - FInfo.MarginTop;
    }
    if (!FPrinting)
        FDevice->SetOrientation(remembered);
}

void TPgPrinter::CheckPrinterContext()
{
    if (HasPrinter())
        FInfo.NoPrinterContext = FDevice->CreateIC() == nullptr;
    Measure();
}

int TPgPrinter::PrinterIndex() const { return HasPrinter() ? FDevice->PrinterIndex() : -1; }

void TPgPrinter::SetPrinterIndex(int index)
{
    if (!HasPrinter())
        throw EPrinter(NoPrinterMessage);
    FDevice->SetPrinterIndex(index);
    FDevice->ResetDevMode();
    FInfo.NoPrinterContext = false;
    Measure();
    if (OnChangePrinter)
        OnChangePrinter(nullptr);
}

TDeviceContext& TPgPrinter::Handle()
{
    if (HasPrinter() && !FInfo.NoPrinterContext) {
        try {
            return FDevice->Canvas();
        } catch (const EPrinter&) {
            // Layout and painting go on against the built-in sheet; only printing reports it.
        }
    }
    if (!FFallback)
        FFallback = std::make_unique<TDeviceContext>(BuiltInCaps(false));
    return *FFallback;
}

bool TPgPrinter::BeginDoc()
{
    if (!HasPrinter() || !FDevice->CreateIC())
        throw EPrinter(NoPrinterMessage);
    if (FPrinting || FDevice->Printing())
        return false;
    const int index = FDevice->PrinterIndex();
    if (BeforePrint)
        BeforePrint(nullptr);
    if (FDevice->PrinterIndex() != index)
        SetPrinterIndex(FDevice->PrinterIndex());
    FSavedSheetLandscape = FSheetLandscape;
    FSavedDeviceLandscape = Landscape();
    try {
        if (PagesPerSheet == TPgPagesPerSheet::pgTwoPage)
            FSheetLandscape = !FSheetLandscape;
        FDevice->SetOrientation(FSheetLandscape ? TPrinterOrientation::poLandscape : TPrinterOrientation::poPortrait);
        Measure();
        FDevice->SetTitle(Title);
        FDevice->BeginDoc();
    } catch (...) {
        FSheetLandscape = FSavedSheetLandscape;
        FDevice->SetOrientation(
            FSavedDeviceLandscape ? TPrinterOrientation::poLandscape : TPrinterOrientation::poPortrait);
        if (AfterPrint)
            AfterPrint(nullptr);
        throw;
    }
    FPrinting = true;
    FPageCounter = 1;
    PlacePage(1);
    return true;
}

void TPgPrinter::NewPage()
{
    if (!FPrinting)
        throw EPrinter(QStringLiteral("Printer is not printing"));
    const int old = FPageCounter++;
    const bool newSheet = PagesPerSheet == TPgPagesPerSheet::pgOnePage
        || (PagesPerSheet == TPgPagesPerSheet::pgTwoPage && old % 2 == 0)
        || (PagesPerSheet == TPgPagesPerSheet::pgFourPage && old % 4 == 0);
    if (newSheet) {
        DEVMODE mode;
        mode.dmFields = DM_ORIENTATION;
        mode.dmOrientation = FSheetLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
        FDevice->EndPage();
        try {
            FDevice->ResetDC(mode);
        } catch (...) {
            FDevice->StartPage();
            throw;
        }
        FDevice->StartPage();
    }
    PlacePage(FPageCounter);
}

void TPgPrinter::PlacePage(int number)
{
    TDeviceContext& canvas = Handle();
    const int sheetWidth = PgRound(FInfo.SheetWidthInches() * FInfo.PixelsPerInchX());
    const int sheetHeight = PgRound(FInfo.SheetHeightInches() * FInfo.PixelsPerInchY());
    const int halfWidth = sheetWidth / 2;
    const int halfHeight = sheetHeight / 2;
    const RECT unprintable = FInfo.UnprintableMargins(FSheetLandscape);
    RECT cell { 0, 0, sheetWidth, sheetHeight };
    int scale = 100;
    switch (PagesPerSheet) {
    case TPgPagesPerSheet::pgOnePage:
        break;
    case TPgPagesPerSheet::pgTwoPage: {
        const bool first = number % 2 == 1;
        if (FSheetLandscape)
            cell = first ? RECT { 0, 0, halfWidth, sheetHeight } : RECT { halfWidth, 0, sheetWidth, sheetHeight };
        else
            cell = first ? RECT { 0, 0, sheetWidth, halfHeight } : RECT { 0, halfHeight, sheetWidth, sheetHeight };
        // A page is the sheet turned a quarter; it must fit its half on any paper, not only on
        // paper whose halves have the sheet's own proportions.
        const TPgExtended fit = std::min(
            TPgExtended(cell.right - cell.left) / sheetHeight, TPgExtended(cell.bottom - cell.top) / sheetWidth);
        scale = int(std::trunc(fit * 100 + 1e-9L));
        break;
    }
    case TPgPagesPerSheet::pgFourPage:
        switch (number % 4) {
        case 1:
            cell = { 0, 0, halfWidth, halfHeight };
            break;
        case 2:
            cell = { halfWidth, 0, sheetWidth, halfHeight };
            break;
        case 3:
            cell = { 0, halfHeight, halfWidth, sheetHeight };
            break;
        default:
            cell = { halfWidth, halfHeight, sheetWidth, sheetHeight };
            break;
        }
        scale = 49;
        break;
    }
    FPlacedCell = cell;
    FPlacedScale = scale;
    canvas.SelectClipRgn(nullptr);
    canvas.SetMapMode(MM_ANISOTROPIC);
    canvas.SetWindowExtEx(cell.right - cell.left, cell.bottom - cell.top);
    canvas.SetViewportExtEx(cell.right - cell.left, cell.bottom - cell.top);
    canvas.ScaleViewportExtEx(scale, 100, scale, 100);
    canvas.SetViewportOrgEx(cell.left - unprintable.left, cell.top - unprintable.top);
}

void TPgPrinter::RestoreOrientation()
{
    FSheetLandscape = FSavedSheetLandscape;
    if (HasPrinter() && !FDevice->Printing())
        FDevice->SetOrientation(
            FSavedDeviceLandscape ? TPrinterOrientation::poLandscape : TPrinterOrientation::poPortrait);
    FInfo.Loaded = false;
}

void TPgPrinter::EndDoc()
{
    if (!FPrinting)
        return;
    try {
        FDevice->EndDoc();
    } catch (...) {
        FPrinting = false;
        RestoreOrientation();
        if (AfterPrint)
            AfterPrint(nullptr);
        throw;
    }
    FPrinting = false;
    RestoreOrientation();
    if (AfterPrint)
        AfterPrint(nullptr);
}

void TPgPrinter::AbortDoc()
{
    if (!FPrinting)
        return;
    if (FDevice && FDevice->Printing())
        FDevice->Abort();
    FPrinting = false;
    RestoreOrientation();
    if (OnAbortPrint)
        OnAbortPrint(nullptr);
    if (AfterPrint)
        AfterPrint(nullptr);
}

// ---- printing the document ----

void TPgPageList::PrintPages(const std::vector<int>& numbers)
{
    if (numbers.empty())
        return;
    for (const int number : numbers)
        if (number < 1 || number > Count())
            throw EPrinter(QStringLiteral("Page %1 is outside the document's pages 1-%2").arg(number).arg(Count()));
    TPgPrinter& printer = *FPrinter;
    printer.SetSheetOrientation(Pages(numbers.front()).Orientation == TPgOrientation::pgLandscape);
    printer.PagesPerSheet = PagesPerSheet;
    printer.SetPaperSize(FPaperSize);
    if (!printer.BeginDoc())
        return;
    try {
        const int total = int(numbers.size());
        for (int i = 0; i < total; ++i) {
            const TPgPage& page = Pages(numbers[std::size_t(i)]);
            const int xPpi = printer.Info().PixelsPerInchX();
            const int yPpi = printer.Info().PixelsPerInchY();
            TDeviceContext& canvas = printer.Handle();
            canvas.BeginPath();
            if (FMargins.ClipMargins())
                canvas.Rectangle(PgRound(FMargins.Left.AsInches() * xPpi), PgRound(FMargins.Top.AsInches() * yPpi),
                    PgRound((page.Width - FMargins.Right.AsInches()) * xPpi),
                    PgRound((page.Height - FMargins.Bottom.AsInches()) * yPpi));
            else
                canvas.Rectangle(0, 0, PgRound(page.Width * xPpi), PgRound(page.Height * yPpi));
            canvas.EndPath();
            const QRegion clip = canvas.PathToRegion();
            canvas.SelectClipRgn(clip);
            DrawPage(page, canvas, xPpi, false, yPpi, true);
            if (Events.PrintProgress)
                Events.PrintProgress(i + 1, total);
            if (i + 1 < total)
                printer.NewPage();
        }
    } catch (...) {
        printer.AbortDoc();
        throw;
    }
    printer.EndDoc();
}
