#pragma once
// Main.h: Pelmora's main window: the token list and field data, the letter template and its
// formatting bar, Import/Export of the data file, Open/Save of the template, and Merge.
#include <QMainWindow>

#include <memory>

class IDialogs;
class IShell;
class TSkinPanel;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QFontComboBox;
class QSpinBox;
class TRtRichEdit;
class TPrintPreviewForm;
class TRecovery;
struct TMergeFieldSource;

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    TfrmMain(IDialogs& dialogs, const QString& programFolder, QWidget* parent = nullptr);
    ~TfrmMain() override;

    static const QString HelpText;
    static const QString WebAddress;

    /// Opens links, places and fades the window; without it those steps are skipped.
    void SetShell(IShell* shell) { FShell = shell; }

    /// The preview Merge shows; set by the program start.
    void SetPreviewForm(TPrintPreviewForm* form) { FPreviewForm = form; }
    /// The tokens (lines of the token list) and the records (the field data read as CSV records).
    TMergeFieldSource FieldSource() const;
    /// Replaces tokens and data with the file's, or leaves both as they were when it cannot be read.
    void ImportCsv(const QString& path);
    void ExportCsv(const QString& path) const;

    /// From now on unsaved template, tokens or data are copied into folder now and then.
    void StartRecovery(const QString& folder);
    /// Offers the copy a Pelmora that did not end normally left in folder; true when restored.
    bool OfferRecovery(const QString& folder);
    /// Writes the recovery copy when a change waits and the last copy is old enough.
    void SaveRecoveryCopy();
    /// Removes the copy at a normal end.
    void DiscardRecoveryCopy();
    /// The template, tokens and data in one recovery copy, and back; Restore throws EReadError.
    QByteArray RecoveryPackage() const;
    void RestorePackage(const QByteArray& package);

    QPlainTextEdit* memTokens;
    QPlainTextEdit* memData;
    TRtRichEdit* Editor;
    TSkinPanel* SkPanel1;
    QLabel* Label3; // the maker's web address
    QPushButton *btnOpen, *btnSave, *btnOpenRTF, *btnRTFSave, *btnPaste2, *btnClear, *btnMerge, *btnHelp, *btnExit;
    QPushButton *btnClearTokens, *btnClearData;
    QPushButton *btnBold, *btnItalic, *btnUnderline, *btnLeft, *btnCenter, *btnRight, *btnJustified;
    QPushButton *btnCut, *btnCopy, *btnPaste, *btnUndo, *btnRedo, *btnFontColor;
    QPushButton *btnDecIndent, *btnDecHangingIndent, *btnIncHangingIndent, *btnIncIndent;
    QFontComboBox* FontComboBox1;
    QSpinBox* sedFontSize;

    void btnOpenClick();
    void btnSaveClick();
    void btnOpenRTFClick();
    void btnRTFSaveClick();
    void btnClearClick();
    void btnMergeClick();
    void btnHelpClick();
    void btnExitClick();
    void btnClearTokensClick();
    void btnClearDataClick();
    void EditorSelectionChange();
    void FontComboBox1Change();
    void sedFontSizeChange();
    void btnBoldClick();
    void btnItalicClick();
    void btnUnderlineClick();
    void AlignmentClick(QPushButton* button);
    void btnIncIndentClick();
    void btnDecIndentClick();
    void btnIncHangingIndentClick();
    void btnDecHangingIndentClick();
    void btnFontColorClick();
    void Label3Click();
    void FormActivate();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    /// Asks before unsaved work is dropped; false when the user keeps it.
    bool ConfirmDiscard(bool tokensAndData, bool templateText);
    bool HasUnsavedWork() const;
    void NoteChange();
    template <class Fn> void Bind(QPushButton* button, Fn handler);

    IDialogs& FDialogs;
    IShell* FShell = nullptr;
    QString FProgramFolder;
    TPrintPreviewForm* FPreviewForm = nullptr;
    int FMainIndent = 0;
    int FHangingIndent = 0;
    bool FRefreshingToolbar = false;
    QString FTemplateFile; // the template's file, once opened or saved
    std::unique_ptr<TRecovery> FRecovery;
};
