#pragma once
// Printers.h: the printers a job can go to: the system's, then the PDF printer that is always there.
#include "DevMode.h"
#include "DeviceContext.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QPrinter;

struct TPrinterEntry {
    QString Device; ///< the name shown and selected
    QString Driver; ///< make and model; "PDF" for the PDF printer
    QString Port; ///< location; "FILE:" for the PDF printer
    bool IsPdf = false;
};

class TPrinters {
public:
    static const QString PdfPrinterName;

    /// Reads the system's printers now.
    TPrinters();

    /// Reads the system's printers again. The PDF printer stays last, so the list is never empty.
    void Refresh();

    int Count() const { return int(FEntries.size()); }
    /// Throws EPrinter for an index outside the list.
    const TPrinterEntry& Entry(int index) const;
    QStringList Names() const;
    /// -1 when no printer has that name.
    int IndexOf(const QString& device) const;
    /// The system's default printer when it has one, else the PDF printer.
    int DefaultIndex() const { return FDefaultIndex; }
    int PdfIndex() const { return Count() - 1; }

    /// The settings a new selection of the printer starts with.
    DEVMODE DefaultDevMode(int index) const;
    /// A printer set up for the record, or null when the printer cannot be used (gone from the
    /// system, rejected by its driver). The PDF printer still needs its output file name.
    std::unique_ptr<QPrinter> CreatePrinter(int index, const DEVMODE& mode) const;

private:
    std::vector<TPrinterEntry> FEntries;
    int FDefaultIndex = 0;
};

/// The resolution a quality selects among the driver's: draft the lowest, low the next below the
/// default, medium the default, high the highest, a dots-per-inch value the nearest.
int ResolutionFromQuality(SHORT quality, const QList<int>& resolutions, int defaultResolution);

/// Sets the record's paper and orientation on the printer, with the narrowest margins its driver
/// allows. False when the printer refuses the layout.
[[nodiscard]] bool SetPrinterPage(QPrinter& printer, const DEVMODE& mode);
/// GetDeviceCaps of the printer as it is set up: its resolution, printable area, sheet and the
/// printable area's offset on the sheet.
TDeviceCaps PrinterCaps(const QPrinter& printer);
