#pragma once
// PgPrinter.h: the engine's access to the program's printer: its metrics, its job settings in the
// device mode, and print jobs of one, two or four document pages to a sheet.
#include "DevMode.h"
#include "PgClasses.h"

#include <QString>

#include <array>

#include <functional>
#include <memory>

class TPrinterDevice;
struct TPrintDialogData;

enum class TPgDuplex : int { pgSimplex = 0, pgHorzDuplex = 1, pgVertDuplex = 2 };
enum class TPgPrintColor : int { pgColor = 0, pgMonochrome = 1 };
enum class TPgDitherType : int { pgNone = 0, pgCourse = 1, pgFine = 2, pgLineArt = 3, pgGrayScale = 4 };
enum class TPgPrintQuality : int { pgDraft = 0, pgLow = 1, pgMedium = 2, pgHigh = 3 };

/// The one printer of the program: the engine, the editor's PrintDocument and the print dialog
/// all use it, so a printer chosen in one place is the printer everywhere.
TPrinterDevice& ProgramPrinter();
/// The print dialog's fields for the printer's current selection and settings.
TPrintDialogData PrintDialogDataFor(const TPrinterDevice& printer);
/// Takes the print dialog's answer into the printer: its selection, copies, collation and, for
/// printing to a file, the PDF printer with that file. Throws EPrinter for a printer not listed.
void ApplyPrintDialog(TPrinterDevice& printer, const TPrintDialogData& data);

/// Metrics of the current printer, measured in portrait, in device pixels.
class TPgPrinterInfo {
public:
    explicit TPgPrinterInfo(class TPgPrinter& printer)
        : FPrinter(printer)
    {
    }
    int PhysicalWidth = 0, PhysicalHeight = 0;
    int PrintableWidth = 0, PrintableHeight = 0;
    int MarginLeft = 0, MarginTop = 0, MarginRight = 0, MarginBottom = 0;
    int DpiX = 0, DpiY = 0;
    bool NoPrinterContext = false;
    bool Loaded = false;

    int PixelsPerInchX();
    int PixelsPerInchY();
    TPgExtended SheetWidthInches();
    TPgExtended SheetHeightInches();
    /// Left, top, right, bottom; rotated for a landscape sheet.
    RECT UnprintableMargins(bool landscape);
    /// The same in inches.
    std::array<TPgExtended, 4> UnprintableMarginsInches(bool landscape);
    /// The built-in A4 sheet at 300 pixels per inch, used when no printer can be measured.
    void LoadBuiltIn();

private:
    void Ensure();
    TPgPrinter& FPrinter;
};

class TPgPrinter {
public:
    /// device: the printer used; null stands for a system without any printer.
    explicit TPgPrinter(TPrinterDevice* device);
    ~TPgPrinter();
    TPgPrinter(const TPgPrinter&) = delete;
    TPgPrinter& operator=(const TPgPrinter&) = delete;

    TPrinterDevice* Device() const { return FDevice; }
    void SetDevice(TPrinterDevice* device);
    bool HasPrinter() const;

    QString Title = QStringLiteral("<document>");
    bool ReversePrintOrder = false;
    TPgPagesPerSheet PagesPerSheet = TPgPagesPerSheet::pgOnePage;
    bool SheetLandscape() const { return FSheetLandscape; }
    void SetSheetOrientation(bool landscape);
    int PageCounter() const { return FPageCounter; }
    bool Printing() const { return FPrinting; }
    TPgPrinterInfo& Info() { return FInfo; }
    bool Landscape() const;

    bool Collate() const;
    void SetCollate(bool on);
    TPgDuplex Duplex() const;
    void SetDuplex(TPgDuplex duplex);
    int PrintCopies() const;
    void SetPrintCopies(int copies);
    TPgPrintColor PrintColor() const;
    void SetPrintColor(TPgPrintColor color);
    TPgDitherType DitherType() const;
    void SetDitherType(TPgDitherType dither);
    TPgPrintQuality PrintQuality() const;
    void SetPrintQuality(TPgPrintQuality quality);
    void SetPaperSize(TPgPaperSize paper);

    void Measure();
    void CheckPrinterContext();
    /// Selects the printer with its driver's defaults.
    void SetPrinterIndex(int index);
    int PrinterIndex() const;

    /// The printer's context: the job's while printing, else an information context; with no
    /// usable printer, one with the built-in A4 metrics, so layout always has a reference.
    TDeviceContext& Handle();

    /// Throws EPrinter "Unable to print... No Printer available." when no printer can be used;
    /// false when a job is already running.
    [[nodiscard]] bool BeginDoc();
    void NewPage();
    void PlacePage(int number);
    void EndDoc();
    /// Ends a failed job: the job is dropped, Printing cleared and AfterPrint fired.
    void AbortDoc();

    TNotifyEvent BeforePrint, AfterPrint, OnAbortPrint, OnChangePrinter;

    /// The cell of the sheet the last placed page went to, in sheet pixels, and its scale in percent.
    RECT PlacedCell() const { return FPlacedCell; }
    int PlacedScale() const { return FPlacedScale; }

private:
    void RestoreOrientation();
    void WriteDevMode(DWORD field, const std::function<void(DEVMODE&)>& write);
    const DEVMODE* CurrentDevMode() const;

    TPrinterDevice* FDevice;
    TPgPrinterInfo FInfo;
    bool FSheetLandscape = false;
    bool FPrinting = false;
    int FPageCounter = 0;
    bool FSavedSheetLandscape = false;
    bool FSavedDeviceLandscape = false;
    bool FLandscapeWithoutDevice = false;
    std::unique_ptr<TDeviceContext> FFallback;
    RECT FPlacedCell {};
    int FPlacedScale = 100;
};
