#pragma once
// MergeSettings.h: the page margins kept in "Settings.ini", millimetres.
#include <QString>

class TIniFile;
class TPgPreview;
class TPgRtfPreview;

struct TMergeMargins {
    double Left = 25;
    double Top = 15;
    double Right = 25;
    double Bottom = 15;
    double MarginTop = 25; ///< top margin plus header height
    double MarginBottom = 25; ///< bottom margin plus footer height
};

/// Reads the "Margins" section; numbers with "." or ",", each missing, unreadable or out-of-range
/// value (below 0 or above 500 mm) falls back to its default.
TMergeMargins LoadMarginSettings(const TIniFile& file);
/// Writes the margins with "." whatever the locale; the caller writes the file.
void SaveMarginSettings(TIniFile& file, const TMergeMargins& margins);
/// Page margins to the preview and the text bounds to the paginator, header and footer heights in mm.
void ApplyMergeMargins(TPgPreview& preview, TPgRtfPreview& paginator, const TMergeMargins& margins, double header = 10,
    double footer = 10);
