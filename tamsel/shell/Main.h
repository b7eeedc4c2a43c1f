#pragma once
// Main.h: Tamsel's main window: the tool bar, the side panel of text properties, the editor and the
// status bar, the hidden keyboard menu and the popup menus, the document's files, the settings and
// the commands that format and edit the text.
#include "Dialogs.h"
#include "HistoryOwner.h"
#include "RtRichEd.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>

class IClock;
class IDialogs;
class IShell;
class QAction;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QLabel;
class QMenu;
class QThread;
class THistoryForm;
class TDLLForm;
class TDllForms;
class TfrmEBuilder;
class TfrmEmoticons;
class TfrmExport;
class TfrmPresentation;
class TfrmPrintPreview;
class THeaderFooterForm;
class TMarginsForm;
class TColorComboBox;
class TFontComboBox;
class TRtSpinEdit;
class TSkinButton;
class TSkinPanel;
class TWordCounter;
class TRecovery;
struct TRecoveryCopy;
class TTrackBar;

// One of the sixteen zoom levels of the zoom bar.
struct TZoomLevel {
    int Percent = 100;
    int Numerator = 0; // EM_SETZOOM's wParam and lParam; 0/0 switches zoom off
    int Denominator = 0;
};
/// The level for a zoom bar position; false outside 0..200.
[[nodiscard]] bool ZoomLevelFor(int position, TZoomLevel& level);

class TFrmMain : public QMainWindow, public IHistoryOwner {
    Q_OBJECT

public:
    static inline const QString UntitledDocument = QStringLiteral("Untitled Document");
    static inline const QString DesignCaption = QStringLiteral("Orvane Tamsel Express");
    static inline const QString ApplicationTitle = QStringLiteral("Tamsel Express");

    /// The settings file lives in settingsFolder. The collaborators must outlive the window.
    TFrmMain(IDialogs& dialogs, IShell& shell, IClock& clock, QString settingsFolder, QWidget* parent = nullptr);
    ~TFrmMain() override;

    /// The history window, created after this one; the file commands add to its list.
    void SetHistoryForm(THistoryForm* form) { FHistoryForm = form; }
    THistoryForm* HistoryForm() const { return FHistoryForm; }
    /// A window that is never shown (the command line) skips the work only a person would see.
    void SetHeadless(bool headless) { FHeadless = headless; }
    /// The export status window and the presentation options window, made on first use and kept, so
    /// the options last as long as the program.
    TfrmExport& ExportForm();
    TfrmPresentation& PresentationForm();
    /// The print preview window and its two dialogs, created with this window; null once closed.
    TfrmPrintPreview* PrintPreviewForm() const { return FPrintPreview.get(); }
    TMarginsForm* MarginsForm() const { return FMarginsForm.get(); }
    THeaderFooterForm* HeaderFooterForm() const { return FHeaderFooterForm.get(); }
    /// The arguments the program was started with, without the program name.
    void SetArguments(const QStringList& arguments) { FArguments = arguments; }

    // Window events.
    void FormCreate();
    void FormShow();
    void FormActivate();
    void FormResize();
    /// The shutdown sequence; false when the user cancelled it.
    bool FormClose();
    /// At program end: writes the settings.
    void FormDestroy();

    /// From now on unsaved changes are copied into folder now and then (see TRecovery).
    void StartRecovery(const QString& folder);
    /// Offers the copies a program that did not end normally left in folder; true when one was restored.
    bool OfferRecovery(const QString& folder);
    /// Writes the recovery copy when a change waits and the last copy is old enough.
    void SaveRecoveryCopy();
    /// The document was saved or the program ends normally: the copy goes.
    void DiscardRecoveryCopy();

    // Operations used by the other windows.
    void PromptSaveChanges() override;
    bool DocumentModified() const override;
    void OpenDocumentFrom(const QString& path) override;
    void SaveDocumentTo(const QString& path);
    void SetModifiedState(bool modified);
    void ApplyZoom(int position);
    void FitToWorkArea();
    void UpdateLockKeys();
    void LoadSettings();
    void SaveSettings();
    TRtTextAttributes& CurrentTextAttributes();
    void CollectSymbolFonts();
    bool IsSymbolFont() const;
    void UpdateWordCount(const QString& text);
    /// The counts of the whole document, kept up to date from its changes.
    void UpdateWordCount();
    void UpdateCaretPosition();
    void ExportToPdf(const QString& path);
    void ExportToPresentation(const QString& path);

    // Commands: the handlers the buttons, keys and menu items run.
    void BtnNewClick();
    void BtnHistoryClick();
    void BtnOpenClick();
    /// A document file dropped on the window: opened as Open opens it, after asking to save changes.
    void DropDocument(const QString& path);
    void BtnSaveClick();
    void SaveDocumentAs1Click();
    /// sender: the tool button prints through the page engine; the Ctrl+P item asks the print dialog.
    void BtnQuickPrintClick(QObject* sender = nullptr);
    void BtnPrintPreviewClick();
    void BtnCutClick();
    void btnCopyClick();
    void BtnPasteClick();
    void BtnUndoClick();
    void BtnRedoClick();
    void btnFindTClick();
    void btnFindTextClick();
    void FindNext1Click();
    void BtnDateClick();
    void BtnPictureClick();
    void BtnEmoticonsClick();
    void BtnCharClick();
    void BtnCloseClick();
    void SelectAll2Click();
    void Delete2Click();
    void DeleteAll1Click();
    void InsertTable1Click();
    void InsertFromEquationBuilder1Click();
    void HideSidePanel1Click();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void btnDefaultClick();
    void btnScreenHeightClick();
    void ZoomBarChange();
    /// Shows the whole hint of the tool button under the mouse in the status bar.
    void BtnNewMouseMove(QWidget* sender);
    void ClearStatusHint();
    void ShowFindDialog();
    void ShowReplaceDialog();

    // Character formatting.
    void FontNameChange();
    void FontSize1Change();
    void FontSize1TopClick();
    void FontSize1KeyDown(int& key);
    void ColorComboBox1Click();
    void btnBoldClick();
    void btnItalicClick();
    void btnUnderlineClick();
    void SuperScript1Click();
    void SubScript1Click();
    void btnBackgroundClick();
    void sbtnFormatClick();

    // Paragraph formatting.
    void btnLeftAlignClick(TSkinButton* sender);
    void FullyJustified1Click();
    void btnMainIndentIncClick();
    void btnMainIndentDecClick();
    void btnHangingIndentIncClick();
    void btnHangingIndentDecClick();
    void btnSpacing1Click();
    void btnSpacing15Click();
    void btnSpacing2Click();
    void btnBulletClick();
    void btnNumberingClick();

    // Editor events.
    void EditorChange();
    void EditorKeyDown(int& key);
    void EditorMouseDown(TMouseButton button);
    void EditorMouseUp(TMouseButton button);
    void EditorProtectChange(bool& allowChange);
    void EditorSelectionChange();
    void EditorTextNotFound(const QString& findText);
    void EditorURLClick(const QString& urlText);

    // State, for the other windows and for tests.
    const QString& CurrentFile() const { return FCurrentFile; }
    QString SettingsFileName() const;
    int MainIndent() const { return FMainIndent; }
    int HangingIndent() const { return FHangingIndent; }
    bool PainterActive() const { return FPainterActive; }
    const QStringList& SymbolFonts() const { return FSymbolFonts; }
    int TopMargin() const { return FTopMargin; }
    int LeftMargin() const { return FLeftMargin; }
    int BottomMargin() const { return FBottomMargin; }
    int RightMargin() const { return FRightMargin; }
    int HeaderMargin() const { return FHeaderMargin; }
    int FooterMargin() const { return FFooterMargin; }
    void SetMargins(int top, int left, int bottom, int right, int header, int footer);
    /// Panel n of the status bar.
    QString StatusText(int panel) const;
    IDialogs& Dialogs() const { return FDialogs; }

    // Controls, named as the window's design names them.
    TRtRichEdit* Editor = nullptr;
    QWidget* ToolBar1 = nullptr;
    QWidget* Panel4 = nullptr;
    QWidget* Panel5 = nullptr;
    TSkinPanel* SkPanel2 = nullptr;
    QList<QLabel*> StatusPanels;

    TSkinButton* BtnNew = nullptr;
    TSkinButton* BtnHistory = nullptr;
    TSkinButton* BtnOpen = nullptr;
    TSkinButton* BtnSave = nullptr;
    TSkinButton* BtnQuickPrint = nullptr;
    TSkinButton* BtnPrintPreview = nullptr;
    TSkinButton* BtnCut = nullptr;
    TSkinButton* btnCopy = nullptr;
    TSkinButton* BtnPaste = nullptr;
    TSkinButton* BtnUndo = nullptr;
    TSkinButton* BtnRedo = nullptr;
    TSkinButton* btnFindT = nullptr;
    TSkinButton* BtnDate = nullptr;
    TSkinButton* BtnPicture = nullptr;
    TSkinButton* BtnEmoticons = nullptr;
    TSkinButton* BtnChar = nullptr;
    TSkinButton* BtnClose = nullptr;

    TSkinButton* SpeedButton1 = nullptr;
    QLabel* Label2 = nullptr;
    TSkinButton* SpeedButton2 = nullptr;
    TFontComboBox* FontName = nullptr;
    TColorComboBox* ColorComboBox1 = nullptr;
    TSkinButton* sbtnFormat = nullptr;
    TRtSpinEdit* FontSize1 = nullptr;
    QLabel* Label4 = nullptr;
    TSkinButton* btnBold = nullptr;
    TSkinButton* btnItalic = nullptr;
    TSkinButton* btnUnderline = nullptr;
    TSkinButton* btnLeftAlign = nullptr;
    TSkinButton* btnCenterAlign = nullptr;
    TSkinButton* BtnRightAlign = nullptr;
    TSkinButton* btnDefault = nullptr;
    TSkinButton* btnScreenHeight = nullptr;
    TSkinButton* btnMainIndentDec = nullptr;
    TSkinButton* btnHangingIndentDec = nullptr;
    TSkinButton* btnHangingIndentInc = nullptr;
    TSkinButton* btnMainIndentInc = nullptr;
    TSkinButton* btnSpacing1 = nullptr;
    TSkinButton* btnSpacing15 = nullptr;
    TSkinButton* btnSpacing2 = nullptr;
    TSkinButton* btnBullet = nullptr;
    TSkinButton* btnNumbering = nullptr;
    TSkinButton* btnBackground = nullptr;
    TTrackBar* ZoomBar = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label3 = nullptr;

    // The hidden main menu's items: their keys work though no menu bar shows.
    QAction* OpenDocument1 = nullptr;
    QAction* NewDocument1 = nullptr;
    QAction* SaveDocument1 = nullptr;
    QAction* Print1 = nullptr;
    QAction* History1 = nullptr;
    QAction* Bold2 = nullptr;
    QAction* Italic2 = nullptr;
    QAction* Undeline1 = nullptr;
    QAction* Find2 = nullptr;
    QAction* Find1 = nullptr;
    QAction* SpellCheck1 = nullptr;
    QAction* MailMerge1 = nullptr;
    QAction* FindNext1 = nullptr;

    // Popup menus: the editor's context menu, the check holders, and the buttons' drop-downs.
    QMenu* PopupMenu1 = nullptr;
    QAction* Cut2 = nullptr;
    QAction* Copy2 = nullptr;
    QAction* Paste2 = nullptr;
    QAction* SelectAll2 = nullptr;
    QAction* Delete2 = nullptr;
    QAction* DeleteAll1 = nullptr;
    QAction* InsertTable1 = nullptr;
    QAction* InsertFromEquationBuilder1 = nullptr;
    QAction* HideSidePanel1 = nullptr;
    QMenu* PopupMenu2 = nullptr;
    QAction* Bold1 = nullptr;
    QAction* Italic1 = nullptr;
    QAction* Underline1 = nullptr;
    QAction* Bullets1 = nullptr;
    QMenu* PopupMenu3 = nullptr;
    QAction* SaveDocumentAs1 = nullptr;
    QMenu* PopupMenu4 = nullptr;
    QAction* FullyJustified1 = nullptr;
    QAction* SuperScript1 = nullptr;
    QAction* SubScript1 = nullptr;
    QMenu* PopupMenu5 = nullptr;
    QAction* FindandReplace1 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void CreateControls();
    void CreatePrintForms();
    void FreePrintForms();
    void CreateToolForms();
    void FreeToolForms();
    /// Pastes what an insertion tool left on the clipboard; a picture into a plain-text document is refused.
    void PasteToolResult();
    QWidget* CreateToolBar();
    TSkinPanel* CreateSidePanel();
    void CreateStatusBar();
    void CreateMenus();
    void BindEditorEvents();
    TSkinButton* ToolButton(
        QWidget* parent, const QString& name, const QString& icon, const QString& hint, std::function<void()> handler);
    QAction* KeyItem(
        const QString& name, const QString& caption, const QKeySequence& key, std::function<void()> handler);
    QAction* MenuItem(QMenu* menu, const QString& name, const QString& caption, const QString& shortcutText,
        const QString& icon, std::function<void()> handler);
    void SetStatusText(int panel, const QString& text);
    /// Runs the handler as a command: errors are shown, EAbort ends it silently.
    void Run(const std::function<void()>& handler);
    void StartCompanion(const QString& program);

    void SetCaptionFor(const QString& path);
    void AddToHistory(const QString& path);
    void SaveWithDialog(TFileDialogData& dialog);
    void OpenChosenDocument(const QString& path);
    void AcceptDocumentDrops();
    /// Accepts a drag that carries a document file and opens it once dropped; false for other drags.
    bool HandleDocumentDrag(QEvent* event);
    void SaveDocumentFile(const QString& path);
    void AfterTransfer();
    void SetDocumentMode(bool plainText);
    void StoreSettings();
    void StoreFontChoice();
    /// The stored font becomes the typing format of an empty document.
    void ApplyStoredFont();
    void WriteSettingsFile();

    void ToggleStyle(TFontStyle bit, TSkinButton* button, QAction* holder);
    void SetScriptPosition(TScriptPosition position, QAction* item, QAction* other);
    void ApplyPainter();
    void ApplyFontSize(int threshold);
    void SetSpacingButtons(TSkinButton* down);
    void StepIndent(int& counter, int step, bool allowed, const QString& refusal, bool hanging);
    void StartWorker(QThread* worker);
    void WaitForWorkers();

    IDialogs& FDialogs;
    IShell& FShell;
    IClock& FClock;
    QString FSettingsFolder;
    THistoryForm* FHistoryForm = nullptr;
    std::unique_ptr<TfrmExport> FExportForm;
    std::unique_ptr<TfrmPresentation> FPresentationForm;
    std::unique_ptr<TMarginsForm> FMarginsForm;
    std::unique_ptr<THeaderFooterForm> FHeaderFooterForm;
    std::unique_ptr<TfrmPrintPreview> FPrintPreview;
    std::unique_ptr<TfrmEmoticons> FEmoticons;
    std::unique_ptr<TDLLForm> FCharMap;
    std::unique_ptr<TfrmEBuilder> FEquationBuilder;
    std::unique_ptr<TDllForms> FTableBuilder;
    QStringList FArguments;

    QString FCurrentFile;
    bool FUpdatingControls = false;
    bool FApplyingSettings = false;
    bool FAllowProtectedChange = false;
    QStringList FSymbolFonts;
    int FMainIndent = 0;
    int FHangingIndent = 0;
    bool FPainterActive = false;
    TFontStyles FPainterStyle;
    BYTE FPainterCharset = 0;
    COLORREF FPainterBackColor = 0;
    COLORREF FPainterColor = 0;
    QString FPainterFontName;
    int FPainterSize = 0;
    int FStoredFontSize = 12;
    QString FStoredFontName = QStringLiteral("Arial");
    int FTopMargin = 0;
    int FLeftMargin = 0;
    int FBottomMargin = 0;
    int FRightMargin = 0;
    int FHeaderMargin = 0;
    int FFooterMargin = 0;

    TFileDialogData OpenFileDialog;
    TFileDialogData SaveDialog1;
    TFileDialogData OpenPictureDialog1;
    QList<QPointer<QThread>> FWorkers;
    std::unique_ptr<TWordCounter> FWordCounter;
    std::unique_ptr<TRecovery> FRecovery;
    bool FShown = false;
    bool FHeadless = false;
    bool FActivating = false;
    bool FClosing = false;
    bool FDestroying = false;
};

// The program-wide instance, once the program start has created it.
extern TFrmMain* FrmMain;
