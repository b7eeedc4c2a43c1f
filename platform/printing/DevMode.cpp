// DevMode.cpp: paper codes and checks of the device-mode record.
#include "DevMode.h"

#include <QSizeF>

#include <cmath>

namespace {

struct TPaperCode {
    SHORT Code;
    QPageSize::PageSizeId Id;
};

// The engine lays out B4 and B5 pages at the ISO sizes, so their codes select the ISO sheets.
constexpr TPaperCode PaperCodes[] = {
    { DMPAPER_LETTER, QPageSize::Letter },
    { DMPAPER_TABLOID, QPageSize::Tabloid },
    { DMPAPER_LEDGER, QPageSize::Ledger },
    { DMPAPER_LEGAL, QPageSize::Legal },
    { DMPAPER_STATEMENT, QPageSize::Statement },
    { DMPAPER_EXECUTIVE, QPageSize::ExecutiveStandard },
    { DMPAPER_A3, QPageSize::A3 },
    { DMPAPER_A4, QPageSize::A4 },
    { DMPAPER_A5, QPageSize::A5 },
    { DMPAPER_B4, QPageSize::B4 },
    { DMPAPER_B5, QPageSize::B5 },
    { DMPAPER_ENV_9, QPageSize::Envelope9 },
    { DMPAPER_ENV_10, QPageSize::Envelope10 },
    { DMPAPER_ENV_11, QPageSize::Envelope11 },
    { DMPAPER_ENV_12, QPageSize::Envelope12 },
    { DMPAPER_ENV_14, QPageSize::Envelope14 },
    { DMPAPER_ENV_DL, QPageSize::EnvelopeDL },
    { DMPAPER_ENV_C5, QPageSize::EnvelopeC5 },
    { DMPAPER_ENV_C3, QPageSize::EnvelopeC3 },
    { DMPAPER_ENV_C4, QPageSize::EnvelopeC4 },
    { DMPAPER_ENV_C6, QPageSize::EnvelopeC6 },
    { DMPAPER_ENV_C65, QPageSize::EnvelopeC65 },
    { DMPAPER_A6, QPageSize::A6 },
};

constexpr bool IsSet(const DEVMODE& mode, DWORD field) { return (mode.dmFields & field) != 0; }

}

std::optional<QPageSize> PageSizeFromDevMode(const DEVMODE& mode)
{
    if (mode.dmPaperSize == DMPAPER_USER) {
        if (mode.dmPaperWidth <= 0 || mode.dmPaperLength <= 0)
            return std::nullopt;
        const QSizeF millimetres(mode.dmPaperWidth / 10.0, mode.dmPaperLength / 10.0);
        return QPageSize(millimetres, QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    }
    for (const TPaperCode& paper : PaperCodes) {
        if (paper.Code == mode.dmPaperSize)
            return QPageSize(paper.Id);
    }
    return std::nullopt;
}

void SetDevModePaper(DEVMODE& mode, const QPageSize& size)
{
    mode.dmFields |= DM_PAPERSIZE;
    for (const TPaperCode& paper : PaperCodes) {
        if (paper.Id == size.id()) {
            mode.dmPaperSize = paper.Code;
            return;
        }
    }
    const QSizeF millimetres = size.size(QPageSize::Millimeter);
    mode.dmPaperSize = DMPAPER_USER;
    mode.dmPaperWidth = SHORT(std::nearbyint(millimetres.width() * 10));
    mode.dmPaperLength = SHORT(std::nearbyint(millimetres.height() * 10));
    mode.dmFields |= DM_PAPERWIDTH | DM_PAPERLENGTH;
}

bool IsValidDevMode(const DEVMODE& mode)
{
    if (IsSet(mode, DM_ORIENTATION) && mode.dmOrientation != DMORIENT_PORTRAIT
        && mode.dmOrientation != DMORIENT_LANDSCAPE)
        return false;
    if (IsSet(mode, DM_PAPERSIZE) && !PageSizeFromDevMode(mode))
        return false;
    if (IsSet(mode, DM_COPIES) && (mode.dmCopies < 1 || mode.dmCopies > MaxCopies))
        return false;
    if (IsSet(mode, DM_PRINTQUALITY) && (mode.dmPrintQuality == 0 || mode.dmPrintQuality < DMRES_HIGH))
        return false;
    if (IsSet(mode, DM_COLOR) && mode.dmColor != DMCOLOR_MONOCHROME && mode.dmColor != DMCOLOR_COLOR)
        return false;
    if (IsSet(mode, DM_DUPLEX) && (mode.dmDuplex < DMDUP_SIMPLEX || mode.dmDuplex > DMDUP_HORIZONTAL))
        return false;
    if (IsSet(mode, DM_COLLATE) && mode.dmCollate != DMCOLLATE_FALSE && mode.dmCollate != DMCOLLATE_TRUE)
        return false;
    return true;
}

void MergeDevMode(DEVMODE& target, const DEVMODE& source)
{
    const auto take = [&](DWORD field, auto member) {
        if (IsSet(source, field))
            target.*member = source.*member;
    };
    take(DM_ORIENTATION, &DEVMODE::dmOrientation);
    take(DM_PAPERSIZE, &DEVMODE::dmPaperSize);
    take(DM_PAPERLENGTH, &DEVMODE::dmPaperLength);
    take(DM_PAPERWIDTH, &DEVMODE::dmPaperWidth);
    take(DM_COPIES, &DEVMODE::dmCopies);
    take(DM_PRINTQUALITY, &DEVMODE::dmPrintQuality);
    take(DM_COLOR, &DEVMODE::dmColor);
    take(DM_DUPLEX, &DEVMODE::dmDuplex);
    take(DM_COLLATE, &DEVMODE::dmCollate);
    take(DM_DITHERTYPE, &DEVMODE::dmDitherType);
    target.dmFields |= source.dmFields & AllDevModeFields;
}
