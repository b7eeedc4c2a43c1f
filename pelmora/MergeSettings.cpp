// MergeSettings.cpp: margins read and written independently of the user's decimal separator.
#include "MergeSettings.h"

#include "IniFile.h"
#include "PgPreview.h"
#include "PgRtfPreview.h"

namespace {

const QString Section = QStringLiteral("Margins");

double ReadMillimetres(const TIniFile& file, const QString& key, double fallback)
{
    QString text = file.ReadString(Section, key, QString()).trimmed();
    text.replace(u',', u'.');
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !(value >= 0 && value <= 500))
        return fallback;
    return value;
}

} // namespace

TMergeMargins LoadMarginSettings(const TIniFile& file)
{
    const TMergeMargins defaults;
    TMergeMargins margins;
    margins.Left = ReadMillimetres(file, QStringLiteral("Left"), defaults.Left);
    margins.Top = ReadMillimetres(file, QStringLiteral("Top"), defaults.Top);
    margins.Right = ReadMillimetres(file, QStringLiteral("Right"), defaults.Right);
    margins.Bottom = ReadMillimetres(file, QStringLiteral("Bottom"), defaults.Bottom);
    margins.MarginTop = ReadMillimetres(file, QStringLiteral("MarginTop"), defaults.MarginTop);
    margins.MarginBottom = ReadMillimetres(file, QStringLiteral("MarginBottom"), defaults.MarginBottom);
    return margins;
}

void SaveMarginSettings(TIniFile& file, const TMergeMargins& margins)
{
    auto write = [&](const QString& key, double value) { file.WriteString(Section, key, QString::number(value, 'g', 10)); };
    write(QStringLiteral("Left"), margins.Left);
    write(QStringLiteral("Top"), margins.Top);
    write(QStringLiteral("Right"), margins.Right);
    write(QStringLiteral("Bottom"), margins.Bottom);
    write(QStringLiteral("MarginTop"), margins.MarginTop);
    write(QStringLiteral("MarginBottom"), margins.MarginBottom);
}

void ApplyMergeMargins(TPgPreview& preview, TPgRtfPreview& paginator, const TMergeMargins& margins, double header,
    double footer)
{
    preview.Margins().Left.SetAsMillimeters(margins.Left);
    preview.Margins().Top.SetAsMillimeters(margins.Top);
    preview.Margins().Right.SetAsMillimeters(margins.Right);
    preview.Margins().Bottom.SetAsMillimeters(margins.Bottom);
    paginator.TopMargin.SetAsMillimeters(margins.MarginTop);
    paginator.BottomMargin.SetAsMillimeters(margins.MarginBottom);
    preview.Header().SetHeight(TPgMeasurement::pgMillimeters, header);
    preview.Footer().SetHeight(TPgMeasurement::pgMillimeters, footer);
}
