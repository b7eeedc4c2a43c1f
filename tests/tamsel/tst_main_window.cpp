// The main window: its controls and command tables, captions, the status bar, the zoom, the side
// panel, the help text, the companion programs and links, the start and the close.
#include "MainFixture.h"

#include "SkinButton.h"
#include "SkinPanel.h"
#include "TrackBar.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void init() { F = std::make_unique<TMainFixture>(); }
    void cleanup() { F.reset(); }

    void startsUntitledWithTheDesignTexts();
    void keysRunTheirCommands();
    void contextMenuShowsShortcutsWithoutBindingThem();
    void zoomTableBoundaries_data();
    void zoomTableBoundaries();
    void statusBarFollowsTheDocumentAndTheKeys();
    void hintsShowWholeInTheStatusBar();
    void sidePanelToggleCarriesTheTick();
    void helpTextIsTheShortcutList();
    void companionsStartFromTheProgramFolder();
    void linksOpenButNeverStartPrograms();
    void commandLineFileOpensWithoutHistory();
    void closeAsksAndCancelKeepsRunning();
    void fitsTheWorkArea();
    void insertionToolsOpenTheirWindows();
    void realKeysAndClicksReachTheWindow();

private:
    std::unique_ptr<TMainFixture> F;
};

void TestMainWindow::startsUntitledWithTheDesignTexts()
{
    TFrmMain& w = *F->Window;
    QCOMPARE(w.CurrentFile(), QStringLiteral("Untitled Document"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Orvane Tamsel Express"));
    QCOMPARE(w.Label3->text(), QStringLiteral("Mots: 0     Caractères: 0"));
    QCOMPARE(w.StatusPanels.size(), 9);
    // The design's widths, wider where a panel's longest text would be cut.
    const int widths[] = { 315, 150, 110, 150, 50, 50, 50, 70, 50 };
    for (int i = 0; i < 9; ++i)
        QVERIFY(w.StatusPanels[i]->width() >= widths[i]);
    const std::pair<int, QString> texts[] = { { 1, QStringLiteral("Line: 12345  Column: 1234") },
        { 3, QStringLiteral("Zoom Factor: 200%") }, { 7, QStringLiteral("OVERWRITE") }, { 6, QStringLiteral("SCROLL") } };
    for (const auto& [panel, text] : texts) {
        const QLabel& label = *w.StatusPanels[panel];
        QVERIFY2(label.fontMetrics().horizontalAdvance(text) <= label.contentsRect().width(), qPrintable(text));
    }
    QCOMPARE(w.StatusText(1), QStringLiteral("Line:   1  Column:   1"));
    QCOMPARE(w.SkPanel2->width(), 304);
    QCOMPARE(w.ToolBar1->height(), 42);
    QCOMPARE(w.ZoomBar->Min(), 50);
    QCOMPARE(w.ZoomBar->Max(), 200);
    QCOMPARE(w.ZoomBar->Frequency(), 5);
    QCOMPARE(w.Editor->Font().Name, QStringLiteral("Arial"));
    QCOMPARE(w.Editor->Font().Size, 12);
    QVERIFY(w.Editor->WantTabs());
    QVERIFY(!w.Editor->HideSelection());
    QCOMPARE(w.BtnSave->DropdownMenu(), w.PopupMenu3);
    QCOMPARE(w.BtnRightAlign->DropdownMenu(), w.PopupMenu4);
    QCOMPARE(w.btnFindT->DropdownMenu(), w.PopupMenu5);
    QVERIFY(w.menuBar()->actions().isEmpty() || !w.menuBar()->isVisible());
}

void TestMainWindow::keysRunTheirCommands()
{
    TFrmMain& w = *F->Window;
    const QList<QPair<QAction*, QKeySequence>> keys {
        { w.OpenDocument1, QKeySequence(QStringLiteral("Ctrl+O")) },
        { w.NewDocument1, QKeySequence(QStringLiteral("Ctrl+N")) },
        { w.SaveDocument1, QKeySequence(QStringLiteral("Ctrl+S")) },
        { w.Print1, QKeySequence(QStringLiteral("Ctrl+P")) },
        { w.History1, QKeySequence(QStringLiteral("Ctrl+H")) },
        { w.Bold2, QKeySequence(QStringLiteral("Ctrl+B")) },
        { w.Italic2, QKeySequence(QStringLiteral("Ctrl+I")) },
        { w.Undeline1, QKeySequence(QStringLiteral("Ctrl+U")) },
        { w.Find2, QKeySequence(QStringLiteral("Ctrl+F")) },
        { w.Find1, QKeySequence(QStringLiteral("Ctrl+R")) },
        { w.SpellCheck1, QKeySequence(QStringLiteral("F9")) },
        { w.MailMerge1, QKeySequence(QStringLiteral("F10")) },
        { w.FindNext1, QKeySequence(QStringLiteral("F3")) },
    };
    for (const auto& [action, key] : keys) {
        QCOMPARE(action->shortcut(), key);
        QVERIFY(w.actions().contains(action));
    }
    // A key reaches its handler: Ctrl+B makes the typing format bold.
    F->Type(QStringLiteral("mot"));
    F->Editor().SelectAll();
    w.Bold2->trigger();
    QVERIFY(F->Editor().SelectionAttributes().Style().Contains(TFontStyle::fsBold));
    QVERIFY(w.btnBold->Down());
    // F10 starts the mail merge program.
    w.MailMerge1->trigger();
    QCOMPARE(F->Shell.StartedPrograms().value(0), F->Folder.path() + QStringLiteral("/pelmora"));
}

void TestMainWindow::contextMenuShowsShortcutsWithoutBindingThem()
{
    TFrmMain& w = *F->Window;
    QCOMPARE(w.Cut2->text(), QStringLiteral("Couper\tCtrl+X"));
    QCOMPARE(w.Copy2->text(), QStringLiteral("&Copier\tCtrl+C"));
    QCOMPARE(w.Delete2->text(), QStringLiteral("Effacer Sélection\tCtrl+D"));
    for (QAction* action : w.PopupMenu1->actions())
        QVERIFY(action->shortcut().isEmpty());
    QCOMPARE(w.PopupMenu1->actions().size(), 13); // nine items and four separators
    QCOMPARE(w.Editor->contextMenuPolicy(), Qt::PreventContextMenu);
}

void TestMainWindow::zoomTableBoundaries_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("numerator");
    QTest::addColumn<int>("denominator");
    QTest::newRow("0") << 0 << 50 << 1 << 2;
    QTest::newRow("50") << 50 << 50 << 1 << 2;
    QTest::newRow("51") << 51 << 60 << 3 << 5;
    QTest::newRow("99") << 99 << 90 << 9 << 10;
    QTest::newRow("100") << 100 << 100 << 0 << 0;
    QTest::newRow("109") << 109 << 100 << 0 << 0;
    QTest::newRow("110") << 110 << 110 << 11 << 10;
    QTest::newRow("150") << 150 << 150 << 3 << 2;
    QTest::newRow("195") << 195 << 190 << 19 << 10;
    QTest::newRow("196") << 196 << 200 << 2 << 1;
    QTest::newRow("200") << 200 << 200 << 2 << 1;
}

void TestMainWindow::zoomTableBoundaries()
{
    QFETCH(int, position);
    QFETCH(int, percent);
    QFETCH(int, numerator);
    QFETCH(int, denominator);
    TZoomLevel level;
    QVERIFY(ZoomLevelFor(position, level));
    QCOMPARE(level.Percent, percent);
    QCOMPARE(level.Numerator, numerator);
    QCOMPARE(level.Denominator, denominator);
    F->Window->ApplyZoom(position);
    QCOMPARE(F->Window->StatusText(3), QStringLiteral("Zoom Factor: %1%").arg(percent));
    QCOMPARE(F->Window->Label1->text(), QStringLiteral("Zoom: %1%").arg(percent));
    WPARAM n = 0;
    LPARAM d = 0;
    F->Editor().Perform(EM_GETZOOM, reinterpret_cast<WPARAM>(&n), reinterpret_cast<LPARAM>(&d));
    QCOMPARE(int(n), numerator);
    QCOMPARE(int(d), denominator);

    // Outside 0..200 nothing changes.
    QVERIFY(!ZoomLevelFor(-1, level));
    QVERIFY(!ZoomLevelFor(201, level));
    F->Window->ApplyZoom(201);
    QCOMPARE(F->Window->StatusText(3), QStringLiteral("Zoom Factor: %1%").arg(percent));
}

void TestMainWindow::statusBarFollowsTheDocumentAndTheKeys()
{
    TFrmMain& w = *F->Window;
    F->Type(QStringLiteral("x"));
    QCOMPARE(w.StatusText(2), QStringLiteral("Modified"));
    w.SetModifiedState(false);
    QCOMPARE(w.StatusText(2), QString());
    QVERIFY(!F->Editor().Modified());

    w.UpdateLockKeys();
    QCOMPARE(w.StatusText(4), QString());
    QCOMPARE(w.StatusText(7), QStringLiteral("INSERT"));
    F->Shell.SetKeyToggled(TLockKey::lkNumLock, true);
    F->Shell.SetKeyToggled(TLockKey::lkCapsLock, true);
    F->Shell.SetKeyToggled(TLockKey::lkScrollLock, true);
    F->Shell.SetKeyToggled(TLockKey::lkInsert, true);
    int key = Qt::Key_CapsLock;
    w.EditorKeyDown(key);
    QCOMPARE(w.StatusText(4), QStringLiteral("NUM"));
    QCOMPARE(w.StatusText(5), QStringLiteral("CAPS"));
    QCOMPARE(w.StatusText(6), QStringLiteral("SCROLL"));
    QCOMPARE(w.StatusText(7), QStringLiteral("OVERWRITE"));
    QCOMPARE(w.StatusText(8), QString());
}

void TestMainWindow::hintsShowWholeInTheStatusBar()
{
    TFrmMain& w = *F->Window;
    QCOMPARE(w.btnBold->toolTip(), QStringLiteral("Gras"));
    w.BtnNewMouseMove(w.btnBold);
    QCOMPARE(w.StatusText(0), QStringLiteral("Gras|Passer Texte Sélectionné en Gras"));
    w.BtnNewMouseMove(w.BtnNew);
    QCOMPARE(w.StatusText(0), QStringLiteral("Créer un Nouveau Document"));
    w.ClearStatusHint();
    QCOMPARE(w.StatusText(0), QString());
}

void TestMainWindow::sidePanelToggleCarriesTheTick()
{
    TFrmMain& w = *F->Window;
    // No settings file: the panel starts hidden, with the tick.
    QVERIFY(!w.SkPanel2->isVisibleTo(&w));
    QVERIFY(w.HideSidePanel1->isChecked());
    w.HideSidePanel1Click();
    QVERIFY(w.SkPanel2->isVisibleTo(&w));
    QVERIFY(!w.HideSidePanel1->isChecked());
    w.HideSidePanel1Click();
    QVERIFY(!w.SkPanel2->isVisibleTo(&w));
    QVERIFY(w.HideSidePanel1->isChecked());
}

void TestMainWindow::helpTextIsTheShortcutList()
{
    F->Window->SpeedButton1Click();
    QCOMPARE(F->Dialogs.Messages().size(), 1);
    const QStringList lines = F->Dialogs.Messages().front().Text.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 33);
    QCOMPARE(lines.front(), QStringLiteral("Short-Cut keys for the editor"));
    QCOMPARE(lines[13], QStringLiteral("Ctrl + I    -   Italic"));
    QCOMPARE(lines[23], QStringLiteral("F10          -   Open Pelmora..."));
    QCOMPARE(lines.back(), QStringLiteral("- Print Preview - Page Margins"));
    QCOMPARE(F->Dialogs.Messages().front().Type, TMsgDlgType::mtInformation);
}

void TestMainWindow::companionsStartFromTheProgramFolder()
{
    TFrmMain& w = *F->Window;
    F->Type(QStringLiteral("Texte à corriger"));
    F->Editor().SetSelectionStart(0);
    w.btnDefaultClick();
    // Nothing selected: the whole text goes to the spell checker through the clipboard.
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("Texte à corriger"));
    w.SpeedButton2Click();
    F->Shell.SetStartResult(false); // a missing program: nothing happens, nothing is said
    w.btnScreenHeightClick();
    const QString folder = F->Folder.path();
    QCOMPARE(F->Shell.StartedPrograms(),
        QStringList({ folder + QStringLiteral("/ivrospell"), folder + QStringLiteral("/pastrel"),
            folder + QStringLiteral("/pelmora") }));
    QVERIFY(F->Dialogs.Messages().isEmpty());
    QVERIFY(F->Dialogs.Errors().isEmpty());
}

void TestMainWindow::linksOpenButNeverStartPrograms()
{
    F->Window->EditorURLClick(QStringLiteral("https://example.org/lettre"));
    F->Window->EditorURLClick(QStringLiteral("file:///usr/bin/xterm"));
    QCOMPARE(F->Shell.RequestedLinks().size(), 2);
    QCOMPARE(F->Shell.OpenedLinks(), QStringList({ QStringLiteral("https://example.org/lettre") }));
}

void TestMainWindow::commandLineFileOpensWithoutHistory()
{
    F->WriteFile(QStringLiteral("depart.rtf"), QByteArray("{\\rtf1 D\\'e9part}"));
    TMainFixture g(false);
    g.Window->SetArguments({ F->Path(QStringLiteral("depart.rtf")) });
    g.Window->FormShow();
    QCOMPARE(g.Editor().Text(), QStringLiteral("Départ"));
    QCOMPARE(g.Window->windowTitle(),
        QStringLiteral("Orvane Tamsel Express >>  [%1]").arg(F->Path(QStringLiteral("depart.rtf"))));
    QVERIFY(g.History->Entries().isEmpty());

    TMainFixture h(false);
    h.Window->SetArguments({ F->Path(QStringLiteral("absent.rtf")) });
    h.Window->FormShow();
    QCOMPARE(h.Window->CurrentFile(), QStringLiteral("Untitled Document"));
    QCOMPARE(h.Window->StatusText(7), QStringLiteral("INSERT"));
}

void TestMainWindow::closeAsksAndCancelKeepsRunning()
{
    F->Type(QStringLiteral("Important"));
    F->Dialogs.QueueAnswer(mrCancel);
    QVERIFY(!F->Window->FormClose());
    QCOMPARE(F->Editor().Text(), QStringLiteral("Important"));
    QVERIFY(F->Shell.Fades().isEmpty());

    F->Dialogs.QueueAnswer(mrNo);
    QVERIFY(F->Window->FormClose());
    QCOMPARE(F->Shell.Fades(), QList<int>({ 600 }));
}

void TestMainWindow::fitsTheWorkArea()
{
    F->Shell.SetWorkArea(QRect(0, 0, 1600, 900));
    F->Window->show();
    F->Window->FitToWorkArea();
    QCOMPARE(F->Window->frameGeometry().width(), 1020);
    QCOMPARE(F->Window->frameGeometry().height(), 900);
    QCOMPARE(F->Window->frameGeometry().left(), 290);
    QCOMPARE(F->Window->frameGeometry().top(), 0);
}

void TestMainWindow::insertionToolsOpenTheirWindows()
{
    F->Window->BtnCharClick();
    F->Window->InsertTable1Click();
    F->Window->BtnEmoticonsClick();
    F->Window->InsertFromEquationBuilder1Click();
    QCOMPARE(F->Dialogs.ModalDialogs(),
        QStringList({ QStringLiteral("TDLLForm"), QStringLiteral("TDllForms"), QStringLiteral("TfrmEmoticons"),
            QStringLiteral("TfrmEBuilder") }));
    QCOMPARE(F->Dialogs.Messages().size(), 0);
    QCOMPARE(F->Window->Editor->TextLength(), 0); // closed without a choice
}

void TestMainWindow::realKeysAndClicksReachTheWindow()
{
    TFrmMain& w = *F->Window;
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QWidget& control = F->Editor().Control();
    control.setFocus();
    QTest::keyClicks(&control, QStringLiteral("gras"));
    QCOMPARE(F->Editor().Text(), QStringLiteral("gras"));
    QCOMPARE(w.StatusText(2), QStringLiteral("Modified"));
    QCOMPARE(w.Label3->text(), QStringLiteral("Words:   1   Characters:   4"));
    QCOMPARE(w.StatusText(1), QStringLiteral("Line:   1  Column:   5"));

    // The window's keys are not swallowed by the editor control.
    QTest::keyClick(&control, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&control, Qt::Key_B, Qt::ControlModifier);
    QVERIFY(F->Editor().SelectionAttributes().Style().Contains(TFontStyle::fsBold));
    QVERIFY(w.btnBold->Down());

    // A right click in the text opens the window's own menu.
    QTest::mouseClick(control.findChild<QWidget*>(QStringLiteral("qt_scrollarea_viewport")), Qt::RightButton,
        Qt::NoModifier, QPoint(20, 10));
    QTRY_VERIFY(w.PopupMenu1->isVisible());
    w.PopupMenu1->hide();

    // A click on a tool button runs its command.
    QTest::mouseClick(w.BtnUndo, Qt::LeftButton);
    QVERIFY(!F->Editor().SelectionAttributes().Style().Contains(TFontStyle::fsBold));
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
