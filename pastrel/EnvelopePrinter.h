#pragma once
// EnvelopePrinter.h: one envelope as a print job on the selected printer.
#include "EnvelopeLayout.h"

class TPrinterDevice;

/// Sets the envelope's paper, lying down, on the device's selected printer and prints one page.
/// Throws EPrinter when the printer cannot take it; a PDF printer writes its output file.
void PrintEnvelope(TPrinterDevice& device, const TEnvelope& envelope, const QString& title);
