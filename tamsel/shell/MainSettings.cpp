// MainSettings.cpp: the settings file of the main window, read at every activation and written at
// program end.
#include "Main.h"

#include "FontComboBox.h"
#include "IniFile.h"
#include "RtSpinEdit.h"
#include "SkinPanel.h"
#include "TrackBar.h"
#include "WaitCursor.h"

#include <QAction>
#include <QDir>

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
}

void TFrmMain::LoadSettings()
{
    const TIniFile ini(SettingsFileName());

    // The size and the face name go through the side panel as a user's choice would, so a stored
    // value that differs from the one shown becomes the typing format at the caret.
    const bool wasApplying = FApplyingSettings;
    FApplyingSettings = true;
    struct TRestore {
        bool& flag;
        bool value;
        ~TRestore() { flag = value; }
    } restore { FApplyingSettings, wasApplying };
    FontSize1->SetValue(ini.ReadInteger(FontSection, QStringLiteral("Size"), 12));
    TFont font = Editor->Font();
    font.Size = FontSize1->Value();
    Editor->SetFont(font);

    FontName->SetFontName(ini.ReadString(FontSection, QStringLiteral("Name"), QStringLiteral("Arial")));
    font.Name = FontName->FontName();
    Editor->SetFont(font);

    ZoomBar->SetPosition(ini.ReadInteger(FontSection, QStringLiteral("Zoom"), 100));
    // The print preview's own zoom goes back to 100 % here once the preview exists.
    ApplyZoom(ZoomBar->Position());

    // A stored true only removes the tick; it never shows a panel the user hid.
    HideSidePanel1->setChecked(!ini.ReadBool(FontSection, QStringLiteral("SideBar"), false));
    if (HideSidePanel1->isChecked())
        SkPanel2->hide();

    SetMargins(ini.ReadInteger(PreviewSection, QStringLiteral("Top Margin"), 15),
        ini.ReadInteger(PreviewSection, QStringLiteral("Left Margin"), 25),
        ini.ReadInteger(PreviewSection, QStringLiteral("Bottom Margin"), 15),
        ini.ReadInteger(PreviewSection, QStringLiteral("Right Margin"), 25),
        ini.ReadInteger(PreviewSection, QStringLiteral("Header Margin"), 10),
        ini.ReadInteger(PreviewSection, QStringLiteral("Footer Margin"), 10));
    // The margins reach the print preview here once it exists.
    ProcessMessages();
}

void TFrmMain::SaveSettings()
{
    TIniFile ini(SettingsFileName());
    ini.WriteInteger(FontSection, QStringLiteral("Size"), FontSize1->Value());
    ini.WriteString(FontSection, QStringLiteral("Name"), FontName->FontName());
    ini.WriteInteger(FontSection, QStringLiteral("Zoom"), ZoomBar->Position());
    ini.WriteBool(FontSection, QStringLiteral("SideBar"), SkPanel2->isVisibleTo(this));
    ini.WriteInteger(PreviewSection, QStringLiteral("Top Margin"), FTopMargin);
    ini.WriteInteger(PreviewSection, QStringLiteral("Left Margin"), FLeftMargin);
    ini.WriteInteger(PreviewSection, QStringLiteral("Bottom Margin"), FBottomMargin);
    ini.WriteInteger(PreviewSection, QStringLiteral("Right Margin"), FRightMargin);
    ini.WriteInteger(PreviewSection, QStringLiteral("Header Margin"), FHeaderMargin);
    ini.WriteInteger(PreviewSection, QStringLiteral("Footer Margin"), FFooterMargin);
    ProcessMessages();
    ini.UpdateFile();
}
