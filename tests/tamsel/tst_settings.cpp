// The settings file: defaults, clamping, the ten keys written in order, re-application at every
// activation, and settings and history surviving a restart.
#include "MainFixture.h"

#include "FontComboBox.h"
#include "IniFile.h"
#include "RtSpinEdit.h"
#include "SkinPanel.h"
#include "TrackBar.h"

#include <QAction>

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void init() { F = std::make_unique<TMainFixture>(); }
    void cleanup() { F.reset(); }

    void defaultsWithoutASettingsFile();
    void tenKeysWrittenInOrder();
    void zoomIsClamped_data();
    void zoomIsClamped();
    void activationAppliesTheStoredValuesAgain();
    void choicesSurviveTheNextActivation();
    void storedFontShapesOnlyNewTyping();
    void storedFontNeverReachesAnOpenedDocument();
    void damagedValuesGiveDefaults();
    void settingsAndHistorySurviveARestart();

private:
    std::unique_ptr<TMainFixture> F;
};

void TestSettings::defaultsWithoutASettingsFile()
{
    TFrmMain& w = *F->Window;
    QVERIFY(!w.SkPanel2->isVisibleTo(&w));
    QCOMPARE(w.ZoomBar->Position(), 100);
    QCOMPARE(w.StatusText(3), QStringLiteral("Zoom Factor: 100%"));
    QCOMPARE(w.FontSize1->Value(), 12);
    QCOMPARE(w.FontName->FontName(), QStringLiteral("Arial"));
    QCOMPARE(w.TopMargin(), 15);
    QCOMPARE(w.LeftMargin(), 25);
    QCOMPARE(w.BottomMargin(), 15);
    QCOMPARE(w.RightMargin(), 25);
    QCOMPARE(w.HeaderMargin(), 10);
    QCOMPARE(w.FooterMargin(), 10);
}

void TestSettings::tenKeysWrittenInOrder()
{
    F->Window->FormDestroy();
    const QString text = QString::fromUtf8(F->ReadFile(QStringLiteral("Varnok.ini")));
    const QStringList lines = text.split(QRegularExpression(QStringLiteral("\r?\n")), Qt::SkipEmptyParts);
    QCOMPARE(lines,
        QStringList({ QStringLiteral("[Font Settings]"), QStringLiteral("Size=12"), QStringLiteral("Name=Arial"),
            QStringLiteral("Zoom=100"), QStringLiteral("SideBar=0"), QStringLiteral("[Print Preview]"),
            QStringLiteral("Top Margin=15"), QStringLiteral("Left Margin=25"), QStringLiteral("Bottom Margin=15"),
            QStringLiteral("Right Margin=25"), QStringLiteral("Header Margin=10"),
            QStringLiteral("Footer Margin=10") }));
}

void TestSettings::zoomIsClamped_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("position");
    QTest::newRow("20") << 20 << 50;
    QTest::newRow("500") << 500 << 200;
    QTest::newRow("150") << 150 << 150;
}

void TestSettings::zoomIsClamped()
{
    QFETCH(int, stored);
    QFETCH(int, position);
    F->WriteFile(QStringLiteral("Varnok.ini"), QStringLiteral("[Font Settings]\r\nZoom=%1\r\n").arg(stored).toUtf8());
    F->Window->FormActivate();
    QCOMPARE(F->Window->ZoomBar->Position(), position);
    TZoomLevel level;
    QVERIFY(ZoomLevelFor(position, level));
    QCOMPARE(F->Window->StatusText(3), QStringLiteral("Zoom Factor: %1%").arg(level.Percent));
}

void TestSettings::activationAppliesTheStoredValuesAgain()
{
    F->WriteFile(QStringLiteral("Varnok.ini"),
        QByteArray("[Font Settings]\r\nZoom=120\r\nSideBar=1\r\n[Print Preview]\r\nTop Margin=30\r\n"));
    F->Window->FormActivate();
    TFrmMain& w = *F->Window;
    QCOMPARE(w.ZoomBar->Position(), 120);
    QCOMPARE(w.TopMargin(), 30);
    // A stored true only removes the tick; the panel hidden at the first activation stays hidden.
    QVERIFY(!w.HideSidePanel1->isChecked());
    QVERIFY(!w.SkPanel2->isVisibleTo(&w));
}

void TestSettings::choicesSurviveTheNextActivation()
{
    TFrmMain& w = *F->Window;
    // A first run: no settings file. The user shows the side panel, zooms and sets margins.
    QVERIFY(!w.SkPanel2->isVisibleTo(&w));
    w.HideSidePanel1Click();
    w.ZoomBar->SetPosition(150);
    QCOMPARE(w.StatusText(3), QStringLiteral("Zoom Factor: 150%"));
    w.SetMargins(1, 2, 3, 4, 5, 6);

    w.FormActivate(); // for example when the history window or any dialog closes
    QVERIFY(w.SkPanel2->isVisibleTo(&w));
    QVERIFY(!w.HideSidePanel1->isChecked());
    QCOMPARE(w.ZoomBar->Position(), 150);
    QCOMPARE(w.StatusText(3), QStringLiteral("Zoom Factor: 150%"));
    QCOMPARE(w.TopMargin(), 1);
    QCOMPARE(w.FooterMargin(), 6);
    // Each choice reached the file at once.
    const TIniFile ini(F->Path(QStringLiteral("Varnok.ini")));
    QCOMPARE(ini.ReadInteger(QStringLiteral("Font Settings"), QStringLiteral("Zoom"), 0), 150);
    QVERIFY(ini.ReadBool(QStringLiteral("Font Settings"), QStringLiteral("SideBar"), false));
    QCOMPARE(ini.ReadInteger(QStringLiteral("Print Preview"), QStringLiteral("Right Margin"), 0), 4);

    w.HideSidePanel1Click();
    w.FormActivate();
    QVERIFY(!w.SkPanel2->isVisibleTo(&w));
}

void TestSettings::storedFontShapesOnlyNewTyping()
{
    TFrmMain& w = *F->Window;
    F->Type(QStringLiteral("grand"));
    w.FontSize1->SetValue(20); // the user picks 20 pt: the typing format follows, and it sticks
    QCOMPARE(F->Editor().SelectionAttributes().Size(), 20);
    w.FormActivate();
    QCOMPARE(w.FontSize1->Value(), 20);
    QCOMPARE(F->Editor().SelectionAttributes().Size(), 20);

    // Text already written keeps its format, and the side panel shows the caret's, not the stored one.
    F->Editor().SelectAll();
    F->Editor().SelectionAttributes().SetName(QStringLiteral("Times New Roman"));
    F->Editor().SelectionAttributes().SetSize(16);
    F->WriteFile(QStringLiteral("Varnok.ini"), QByteArray("[Font Settings]\r\nName=Courier New\r\nSize=24\r\n"));
    F->Editor().SetSelectionStart(2); // inside the word
    w.EditorSelectionChange();
    F->Editor().SetModified(false);
    w.FormActivate();
    QCOMPARE(w.FontName->FontName(), QStringLiteral("Times New Roman"));
    QCOMPARE(w.FontSize1->Value(), 16);
    F->Editor().SetSelectionStart(0);
    F->Editor().SetSelectionLength(5);
    QCOMPARE(F->Editor().SelectionAttributes().Name(), QStringLiteral("Times New Roman"));
    QCOMPARE(F->Editor().SelectionAttributes().Size(), 16);
    QVERIFY(!F->Editor().Modified());

    // A new document types in the stored font.
    w.BtnNewClick();
    QCOMPARE(w.FontSize1->Value(), 24);
    QCOMPARE(w.FontName->FontName(), QStringLiteral("Courier New"));
    F->Type(QStringLiteral("neuf"));
    F->Editor().SetSelectionStart(0);
    F->Editor().SetSelectionLength(4);
    QCOMPARE(F->Editor().SelectionAttributes().Size(), 24);
}

void TestSettings::storedFontNeverReachesAnOpenedDocument()
{
    TFrmMain& w = *F->Window;
    w.FontSize1->SetValue(20);
    w.FormActivate();
    // RTF that leaves size and face to the defaults: 12 points and font 0.
    F->WriteFile(QStringLiteral("implicite.rtf"),
        QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Liberation Sans;}}\\pard Texte sans taille.\\par}"));
    w.OpenDocumentFrom(F->Path(QStringLiteral("implicite.rtf")));
    F->Editor().SetSelectionStart(0);
    F->Editor().SetSelectionLength(5);
    QCOMPARE(F->Editor().SelectionAttributes().Size(), 12);
    QCOMPARE(F->Editor().SelectionAttributes().Name(), QStringLiteral("Liberation Sans"));
    w.FormActivate();
    QCOMPARE(F->Editor().SelectionAttributes().Size(), 12);
    w.SaveDocumentTo(F->Path(QStringLiteral("implicite.rtf")));
    const QByteArray saved = F->ReadFile(QStringLiteral("implicite.rtf"));
    QVERIFY(saved.contains("\\fs24"));
    QVERIFY(!saved.contains("\\fs40"));
}

void TestSettings::damagedValuesGiveDefaults()
{
    F->WriteFile(QStringLiteral("Varnok.ini"),
        QByteArray("[Font Settings]\r\nSize=douze\r\nZoom=\r\nSideBar=oui\r\n[Print Preview]\r\nLeft "
                   "Margin=9999999999999\r\n"));
    F->Window->FormActivate();
    QCOMPARE(F->Window->FontSize1->Value(), 12);
    QCOMPARE(F->Window->ZoomBar->Position(), 100);
    QCOMPARE(F->Window->LeftMargin(), 25);
    // Sizes beyond the spin box's limits are kept within them.
    F->WriteFile(QStringLiteral("Varnok.ini"), QByteArray("[Font Settings]\r\nSize=2000\r\n"));
    F->Window->FormActivate();
    QCOMPARE(F->Window->FontSize1->Value(), 800);
}

void TestSettings::settingsAndHistorySurviveARestart()
{
    TFrmMain& w = *F->Window;
    w.HideSidePanel1Click();
    w.ZoomBar->SetPosition(175);
    w.FontSize1->SetValue(16);
    w.SetMargins(20, 30, 20, 30, 12, 8);
    F->Type(QStringLiteral("Gardé"));
    F->Dialogs.QueueSaveFileName(F->Path(QStringLiteral("garde.rtf")));
    w.BtnSaveClick();
    F->Restart();

    TFrmMain& again = *F->Window;
    QCOMPARE(again.ZoomBar->Position(), 175);
    QCOMPARE(again.StatusText(3), QStringLiteral("Zoom Factor: 170%"));
    QCOMPARE(again.FontSize1->Value(), 16);
    QVERIFY(!again.HideSidePanel1->isChecked());
    QCOMPARE(again.TopMargin(), 20);
    QCOMPARE(again.FooterMargin(), 8);
    QCOMPARE(F->History->Entries(), QStringList({ F->Path(QStringLiteral("garde.rtf")) }));
}

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
