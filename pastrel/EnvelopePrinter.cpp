// EnvelopePrinter.cpp: the envelope's page, placed on the sheet the printer reports.
#include "EnvelopePrinter.h"

#include "DeviceContext.h"
#include "DevMode.h"
#include "Errors.h"
#include "PrinterDevice.h"

#include <QPainter>

void PrintEnvelope(TPrinterDevice& device, const TEnvelope& envelope, const QString& title)
{
    if (envelope.Recipient.isEmpty())
        throw Exception(QStringLiteral("There is no recipient's address to print"));
    DEVMODE mode;
    mode.dmFields = DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_ORIENTATION | DM_COPIES;
    SetDevModePaper(mode, QPageSize(envelope.Size.PageSize));
    mode.dmOrientation = DMORIENT_LANDSCAPE;
    mode.dmCopies = 1;
    if (!device.SetDevMode(mode))
        throw EPrinter(QStringLiteral("The printer cannot take %1 envelopes").arg(envelope.Size.Caption));
    device.BeginDoc(title);
    try {
        TDeviceContext& canvas = device.Canvas();
        QPainter* painter = canvas.Painter();
        if (!painter)
            throw EPrinter(QStringLiteral("Printer %1 is not available").arg(device.Printer().Device));
        // The painter starts at the printable area; the envelope starts at the sheet's corner.
        const QPoint offset = canvas.Caps().PhysicalOffset;
        DrawEnvelope(*painter, envelope, QPointF(-offset.x(), -offset.y()), canvas.GetDeviceCaps(LOGPIXELSY));
        device.EndDoc();
    } catch (...) {
        if (device.Printing())
            device.Abort();
        throw;
    }
}
