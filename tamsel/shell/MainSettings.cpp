// MainSettings.cpp: the settings file of the main window, read at every activation and written at
// program end.
#include "Main.h"

#include "FontComboBox.h"
#include "IniFile.h"
#include "Margins.h"
#include "PrintPreview.h"
#include "RtSpinEdit.h"
#include "SkinPanel.h"
#include "TrackBar.h"
#include "WaitCursor.h"

#include <QAction>
#include <QDir>
#include <QScopeGuard>

#include <algorithm>
#include <utility>

namespace {

const QString FontSection = QStringLiteral("Font Settings");
const QString PreviewSection = QStringLiteral("Print Preview");

} // namespace

QString TFrmMain::SettingsFileName() const { return QDir(FSettingsFolder).filePath(QStringLiteral("Varnok.ini")); }

void TFrmMain::SetMargins(int top, int left, int bottom, int right, int header, int footer)
{
    FTopMargin = top;
    FLeftMargin = left;
    FBottomMargin = bottom;
    FRightMargin = right;
    FHeaderMargin = header;
    FFooterMargin = footer;
    StoreSettings();
}

void TFrmMain::ApplyStoredFont()
{
    const bool modified = Editor->Modified(); // a document emptied by the user stays modified
    TFont font = Editor->Font();
    font.Size = FStoredFontSize;
    font.Name = FStoredFontName;
    Editor->SetFont(font);
    Editor->SelectionAttributes().SetSize(FStoredFontSize);
    Editor->SelectionAttributes().SetName(FStoredFontName);
    Editor->SetModified(modified);
    // The side panel shows the font the next character will have.
    const bool wasUpdating = std::exchange(FUpdatingControls, true);
    const auto restoreUpdating = qScopeGuard([&] { FUpdatingControls = wasUpdating; });
    FontSize1->SetValue(FStoredFontSize);
    FontName->SetFontName(FStoredFontName);
}

void TFrmMain::StoreFontChoice()
{
    FStoredFontSize = FontSize1->Value();
    FStoredFontName = FontName->FontName();
    StoreSettings();
}

void TFrmMain::StoreSettings()
{
    // The settings are read again at every activation, so a choice must reach the file at once or
    // the next dialog would take it back. A file that cannot be written must not turn every zoom
    // step into an error box; the write at program end reports it.
    if (FApplyingSettings)
        return;
    try {
        WriteSettingsFile();
    } catch (const std::exception&) {
    }
}

void TFrmMain::LoadSettings()
{
    const TIniFile ini(SettingsFileName());

    const bool wasApplying = std::exchange(FApplyingSettings, true);
    const auto restore = qScopeGuard([&] { FApplyingSettings = wasApplying; });

    // The stored font shapes new documents and what is typed into an empty one. Text already
    // written, and the side panel that shows the caret's format, stay as they are.
    FStoredFontSize = std::clamp(
        ini.ReadInteger(FontSection, QStringLiteral("Size"), 12), FontSize1->MinValue(), FontSize1->MaxValue());
    FStoredFontName = ini.ReadString(FontSection, QStringLiteral("Name"), QStringLiteral("Arial"));
    if (FStoredFontName.trimmed().isEmpty())
        FStoredFontName = QStringLiteral("Arial");
    TFont font = Editor->Font();
    font.Size = FStoredFontSize;
    font.Name = FStoredFontName;
    if (font.Size != Editor->Font().Size || font.Name != Editor->Font().Name) {
        const bool modified = Editor->Modified();
        Editor->SetFont(font);
        Editor->SetModified(modified);
    }
    if (Editor->TextLength() == 0)
        ApplyStoredFont();

    ZoomBar->SetPosition(ini.ReadInteger(FontSection, QStringLiteral("Zoom"), 100));
    ApplyZoom(ZoomBar->Position());

    // A stored true only removes the tick; it never shows a panel the user hid.
    HideSidePanel1->setChecked(!ini.ReadBool(FontSection, QStringLiteral("SideBar"), false));
    if (HideSidePanel1->isChecked())
        SkPanel2->hide();

    TPgPrintMargins margins { ini.ReadInteger(PreviewSection, QStringLiteral("Top Margin"), 15),
        ini.ReadInteger(PreviewSection, QStringLiteral("Left Margin"), 25),
        ini.ReadInteger(PreviewSection, QStringLiteral("Bottom Margin"), 15),
        ini.ReadInteger(PreviewSection, QStringLiteral("Right Margin"), 25),
        ini.ReadInteger(PreviewSection, QStringLiteral("Header Margin"), 10),
        ini.ReadInteger(PreviewSection, QStringLiteral("Footer Margin"), 10) };
    // A hand-edited file may hold anything; values the dialog could not give make nonsense pages.
    if (!MarginsInLimits(margins))
        margins = TPgPrintMargins {};
    FTopMargin = margins.Top;
    FLeftMargin = margins.Left;
    FBottomMargin = margins.Bottom;
    FRightMargin = margins.Right;
    FHeaderMargin = margins.Header;
    FFooterMargin = margins.Footer;
    if (FPrintPreview)
        FPrintPreview->ApplyMargins(margins);
    ProcessMessages();
}

void TFrmMain::WriteSettingsFile()
{
    TIniFile ini(SettingsFileName());
    ini.WriteInteger(FontSection, QStringLiteral("Size"), FStoredFontSize);
    ini.WriteString(FontSection, QStringLiteral("Name"), FStoredFontName);
    ini.WriteInteger(FontSection, QStringLiteral("Zoom"), ZoomBar->Position());
    ini.WriteBool(FontSection, QStringLiteral("SideBar"), SkPanel2->isVisibleTo(this));
    ini.WriteInteger(PreviewSection, QStringLiteral("Top Margin"), FTopMargin);
    ini.WriteInteger(PreviewSection, QStringLiteral("Left Margin"), FLeftMargin);
    ini.WriteInteger(PreviewSection, QStringLiteral("Bottom Margin"), FBottomMargin);
    ini.WriteInteger(PreviewSection, QStringLiteral("Right Margin"), FRightMargin);
    ini.WriteInteger(PreviewSection, QStringLiteral("Header Margin"), FHeaderMargin);
    ini.WriteInteger(PreviewSection, QStringLiteral("Footer Margin"), FFooterMargin);
    ini.UpdateFile();
}

void TFrmMain::SaveSettings()
{
    ProcessMessages();
    WriteSettingsFile();
}
