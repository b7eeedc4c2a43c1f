#pragma once
// PrinterDevice.h: the program's printer: the selected entry of the printer list, its device mode,
// information contexts and the print job.
#include "DevMode.h"
#include "Printers.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

class TDeviceContext;
class TPrintJob;

// DeviceCapabilities queries.
constexpr WORD DC_DUPLEX = 7;
constexpr WORD DC_ORIENTATION = 17;
constexpr WORD DC_COPIES = 18;
constexpr WORD DC_COLLATE = 22;
constexpr WORD DC_COLORDEVICE = 32;

enum class TPrinterOrientation {
    poPortrait = 0,
    poLandscape = 1,
};

class TPrinterDevice {
public:
    /// Reads the system's printers and selects the default one.
    TPrinterDevice();
    /// A job still running is aborted.
    ~TPrinterDevice();
    TPrinterDevice(const TPrinterDevice&) = delete;
    TPrinterDevice& operator=(const TPrinterDevice&) = delete;

    const TPrinters& Printers() const { return FPrinters; }
    /// Reads the system's list again; the selection and the settings of printers still listed stay.
    void Refresh();
    int PrinterIndex() const { return FPrinterIndex; }
    /// -1 selects the default printer. The printer keeps the settings it had when last selected.
    /// Throws EPrinter for an index outside the list or while a job runs.
    void SetPrinterIndex(int index);
    /// Device, driver and port of the selection.
    const TPrinterEntry& Printer() const { return FPrinters.Entry(FPrinterIndex); }

    /// The selected printer's settings. Every member holds a value and has its bit set.
    const DEVMODE& DevMode() const { return DevModeOf(FPrinterIndex); }
    /// Takes the members whose bits are set. False, with nothing changed, when one of them holds a
    /// value the platform does not define. While a job runs the settings wait for the next job;
    /// only ResetDC changes the running one.
    [[nodiscard]] bool SetDevMode(const DEVMODE& mode);
    /// Selects the printer again without a device mode: its driver's defaults return.
    void ResetDevMode();
    TPrinterOrientation Orientation() const;
    void SetOrientation(TPrinterOrientation orientation);

    /// For the selected or the named printer; -1 when the printer or the query is unknown.
    int DeviceCapabilities(WORD capability) const;
    int DeviceCapabilities(const QString& device, WORD capability) const;

    /// A context that answers GetDeviceCaps for the selection, or null when the printer cannot
    /// be used. The caller owns it; deleting it is DeleteDC.
    std::unique_ptr<TDeviceContext> CreateIC() const;
    /// For any listed printer. Members whose bits are clear in the mode come from that printer's
    /// current settings; a null mode takes them all.
    std::unique_ptr<TDeviceContext> CreateIC(const QString& device, const DEVMODE* mode = nullptr) const;
    /// The job's context while printing, else an information context of the selection, kept until
    /// the selection or its settings change. Throws EPrinter when the printer cannot be used.
    HDC Handle();
    TDeviceContext& Canvas() { return *Handle(); }

    const QString& Title() const { return FTitle; }
    void SetTitle(const QString& title) { FTitle = title; }
    /// Where jobs on the PDF printer are written. Empty: a new file named after the title in the
    /// user's documents folder for each job.
    const QString& OutputFileName() const { return FOutputFileName; }
    void SetOutputFileName(const QString& fileName) { FOutputFileName = fileName; }
    /// The PDF file of the running or last finished job; empty for other printers.
    const QString& JobFileName() const { return FJobFileName; }

    /// Starts a job named after the title with its first page open. Throws EPrinter when a job
    /// runs, the printer cannot be used or the job cannot start.
    void BeginDoc();
    void BeginDoc(const QString& title);
    /// Starting a page while one is open, or ending one while none is, does nothing.
    void StartPage();
    void EndPage();
    void NewPage();
    /// Orientation and paper of the mode apply from the next page on, which starts the context at
    /// its defaults when they change. Returns the job's context.
    HDC ResetDC(const DEVMODE& mode);
    /// Finishes the job. A PDF file appears at its path only complete; throws EPrinter otherwise.
    void EndDoc();
    /// Ends the job without finishing it; a PDF job leaves no file.
    void Abort();
    bool Printing() const { return FJob != nullptr; }
    bool Aborted() const { return FAborted; }
    /// Pages started in the running job, the open one included; 0 outside a job.
    int PageNumber() const;

private:
    void CheckPrinting(bool printing) const;
    DEVMODE& DevModeOf(int index) const;
    QString JobOutputFileName() const;

    TPrinters FPrinters;
    // Per printer of the list, read from its driver when first needed: asking every printer at
    // start-up would wait on each network printer.
    mutable std::vector<std::optional<DEVMODE>> FDevModes;
    int FPrinterIndex = 0;
    std::unique_ptr<TDeviceContext> FInfoContext;
    std::unique_ptr<TPrintJob> FJob;
    QString FTitle;
    QString FOutputFileName;
    QString FJobFileName;
    bool FAborted = false;
};

/// A file name for the title in the folder that names no existing file: "<title>.pdf", then
/// "<title> (2).pdf" and on. Characters that cannot stand in a file name are dropped.
QString UniquePdfFileName(const QString& folder, const QString& title);
