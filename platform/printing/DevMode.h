#pragma once
// DevMode.h: the device-mode record a printer keeps its job settings in, with the platform's codes.
#include "WinTypes.h"

#include <QPageSize>

#include <optional>

// dmFields: a member is read only when its bit is set.
constexpr DWORD DM_ORIENTATION = 0x00000001;
constexpr DWORD DM_PAPERSIZE = 0x00000002;
constexpr DWORD DM_PAPERLENGTH = 0x00000004;
constexpr DWORD DM_PAPERWIDTH = 0x00000008;
constexpr DWORD DM_COPIES = 0x00000100;
constexpr DWORD DM_PRINTQUALITY = 0x00000400;
constexpr DWORD DM_COLOR = 0x00000800;
constexpr DWORD DM_DUPLEX = 0x00001000;
constexpr DWORD DM_COLLATE = 0x00008000;
constexpr DWORD DM_DITHERTYPE = 0x10000000;

constexpr SHORT DMORIENT_PORTRAIT = 1;
constexpr SHORT DMORIENT_LANDSCAPE = 2;

constexpr SHORT DMPAPER_LETTER = 1;
constexpr SHORT DMPAPER_TABLOID = 3;
constexpr SHORT DMPAPER_LEDGER = 4;
constexpr SHORT DMPAPER_LEGAL = 5;
constexpr SHORT DMPAPER_STATEMENT = 6;
constexpr SHORT DMPAPER_EXECUTIVE = 7;
constexpr SHORT DMPAPER_A3 = 8;
constexpr SHORT DMPAPER_A4 = 9;
constexpr SHORT DMPAPER_A5 = 11;
constexpr SHORT DMPAPER_B4 = 12;
constexpr SHORT DMPAPER_B5 = 13;
constexpr SHORT DMPAPER_ENV_9 = 19;
constexpr SHORT DMPAPER_ENV_10 = 20;
constexpr SHORT DMPAPER_ENV_11 = 21;
constexpr SHORT DMPAPER_ENV_12 = 22;
constexpr SHORT DMPAPER_ENV_14 = 23;
constexpr SHORT DMPAPER_ENV_DL = 27;
constexpr SHORT DMPAPER_ENV_C5 = 28;
constexpr SHORT DMPAPER_ENV_C3 = 29;
constexpr SHORT DMPAPER_ENV_C4 = 30;
constexpr SHORT DMPAPER_ENV_C6 = 31;
constexpr SHORT DMPAPER_ENV_C65 = 32;
constexpr SHORT DMPAPER_A6 = 70;
/// Custom paper: dmPaperWidth and dmPaperLength give the size.
constexpr SHORT DMPAPER_USER = 256;

constexpr SHORT DMRES_DRAFT = -1;
constexpr SHORT DMRES_LOW = -2;
constexpr SHORT DMRES_MEDIUM = -3;
constexpr SHORT DMRES_HIGH = -4;

constexpr SHORT DMCOLOR_MONOCHROME = 1;
constexpr SHORT DMCOLOR_COLOR = 2;

constexpr SHORT DMDUP_SIMPLEX = 1;
constexpr SHORT DMDUP_VERTICAL = 2;
constexpr SHORT DMDUP_HORIZONTAL = 3;

constexpr SHORT DMCOLLATE_FALSE = 0;
constexpr SHORT DMCOLLATE_TRUE = 1;

constexpr DWORD DMDITHER_NONE = 1;
constexpr DWORD DMDITHER_COARSE = 2;
constexpr DWORD DMDITHER_FINE = 3;
constexpr DWORD DMDITHER_LINEART = 4;
constexpr DWORD DMDITHER_GRAYSCALE = 10;

/// The members of the platform's record that the page engine reads and writes. The device name
/// lives with the printer entry, not here.
struct DEVMODE {
    DWORD dmFields = 0;
    SHORT dmOrientation = DMORIENT_PORTRAIT;
    SHORT dmPaperSize = DMPAPER_A4;
    SHORT dmPaperLength = 0; ///< tenths of a millimetre, for DMPAPER_USER
    SHORT dmPaperWidth = 0; ///< tenths of a millimetre, for DMPAPER_USER
    SHORT dmCopies = 1;
    SHORT dmPrintQuality = DMRES_MEDIUM; ///< DMRES_* or dots per inch
    SHORT dmColor = DMCOLOR_COLOR;
    SHORT dmDuplex = DMDUP_SIMPLEX;
    SHORT dmCollate = DMCOLLATE_FALSE;
    DWORD dmDitherType = DMDITHER_NONE;

    bool operator==(const DEVMODE&) const = default;
};

/// Bits of every member above.
constexpr DWORD AllDevModeFields = DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_COPIES
    | DM_PRINTQUALITY | DM_COLOR | DM_DUPLEX | DM_COLLATE | DM_DITHERTYPE;
constexpr SHORT MaxCopies = 9999;

/// The sheet the record's paper members name, or none for an unknown code or a bad custom size.
std::optional<QPageSize> PageSizeFromDevMode(const DEVMODE& mode);
/// Writes the paper code of the size into the record, DMPAPER_USER with its size for one without a code.
void SetDevModePaper(DEVMODE& mode, const QPageSize& size);
/// True when every member whose bit is set holds a value the platform defines. Dither types are
/// driver-defined beyond the standard ones, so any value passes.
[[nodiscard]] bool IsValidDevMode(const DEVMODE& mode);
/// Copies the members whose bits are set in the source, and those bits, into the target.
void MergeDevMode(DEVMODE& target, const DEVMODE& source);
