#pragma once
// RtRichEd.h: the rich text editor component of both programs. TRtCustomRichEdit wraps the platform's
// rich edit control, views its character and paragraph formats in points, loads and saves through
// Lines, searches, prints and keeps pasted pictures; TRtRichEdit publishes it.
#include "RichEditControl.h"
#include "Sets.h"

#include <QBuffer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class IDialogs;
class IFindDialog;
class QIODevice;
class TRtCustomRichEdit;
class TPrinterDevice;

enum class TRichStreamFormat : int { sfDefault = 0, sfRichText = 1, sfPlainText = 2 };
enum class TRichStreamMode : int { smSelection = 0, smPlainRtf = 1, smNoObjects = 2, smUnicode = 3 };
using TRichStreamModes = TSet<TRichStreamMode>;
enum class TRichLangOption : int { rlAutoKeyboard = 0, rlAutoFont = 1, rlImeCancelComplete = 2, rlImeAlwaysSendNotify = 3 };
using TRichLangOptions = TSet<TRichLangOption>;
enum class TScrollStyle : int { ssNone = 0, ssHorizontal = 1, ssVertical = 2, ssBoth = 3 };
enum class TAlignment : int { taLeftJustify = 0, taRightJustify = 1, taCenter = 2, taJustify = 3 };
enum class TRtNumberingStyle : int {
    nsNone = 0,
    nsBullet = 1,
    nsArabic = 2,
    nsLowerLetter = 3,
    nsUpperLetter = 4,
    nsLowerRoman = 5,
    nsUpperRoman = 6,
};
enum class TScriptPosition : int { spNormal = 0, spSubscript = 1, spSuperscript = 2 };
enum class TFontStyle : int { fsBold = 0, fsItalic = 1, fsUnderline = 2, fsStrikeOut = 3 };
using TFontStyles = TSet<TFontStyle>;
enum class TFontPitch : int { fpDefault = 0, fpVariable = 1, fpFixed = 2 };
enum class TAttributeType : int { atSelected = 0, atDefaultText = 1, atWord = 2 };
enum class TSearchType : int { stWholeWord = 0, stMatchCase = 1, stBackward = 2, stSetSelection = 3 };
using TSearchTypes = TSet<TSearchType>;
enum class TMouseButton : int { mbLeft = 0, mbRight = 1, mbMiddle = 2 };

// The font of a component, as the programs describe one.
struct TFont {
    QString Name = QStringLiteral("Arial");
    int Size = 12; // points
    TFontStyles Style;
    COLORREF Color = clWindowText;
    BYTE Charset = ANSI_CHARSET;
    TFontPitch Pitch = TFontPitch::fpDefault;
    int Weight = 0; // 0: from the style
};

using TNotifyEvent = std::function<void(QObject* sender)>;
using TRichEditProtectChange = std::function<void(QObject* sender, int startPos, int endPos, bool& allowChange)>;
using TRichEditProtectChangeEx
    = std::function<void(QObject* sender, UINT message, int startPos, int endPos, bool& allowChange)>;
using TRichEditURLClickEvent = std::function<void(QObject* sender, const QString& urlText, TMouseButton button)>;
using TRichEditFindErrorEvent = std::function<void(QObject* sender, const QString& findText)>;
using TRichEditFindCloseEvent = std::function<void(QObject* sender, IFindDialog& dialog)>;
using TRichEditResizeEvent = std::function<void(QObject* sender, const QRect& rect)>;
using TRichEditSaveClipboard = std::function<void(QObject* sender, int numObjects, int numChars, bool& saveClipboard)>;
using TKeyEvent = std::function<void(QObject* sender, int& key, Qt::KeyboardModifiers shift)>;
using TMouseEvent = std::function<void(QObject* sender, TMouseButton button, Qt::KeyboardModifiers shift, int x, int y)>;

// A view of the character format in one scope; it holds no format of its own.
class TRtTextAttributes {
public:
    TRtTextAttributes(TRtCustomRichEdit& editor, TAttributeType type);

    QString Name() const;
    void SetName(const QString& name);
    int Size() const; // points, truncated
    void SetSize(int points);
    int Height() const; // pixels at the screen's resolution
    TFontStyles Style() const;
    void SetStyle(TFontStyles style);
    void SetStyleBit(TFontStyle bit, bool on);
    COLORREF Color() const;
    void SetColor(COLORREF color);
    COLORREF BackColor() const;
    void SetBackColor(COLORREF color);
    BYTE Charset() const;
    void SetCharset(BYTE charset);
    TFontPitch Pitch() const;
    TScriptPosition ScriptPosition() const;
    void SetScriptPosition(TScriptPosition position);
    bool Protected() const;
    void SetProtected(bool on);
    // The effects and masks the control reports for the scope.
    DWORD ConsistentAttributes() const;

    void Assign(const TFont& font);
    void Assign(const TRtTextAttributes& other);
    void AssignTo(TFont& font) const;

private:
    CHARFORMAT2 Get() const;
    void Set(CHARFORMAT2& format);
    WPARAM Scope() const;

    TRtCustomRichEdit& FEditor;
    TAttributeType FType;
};

// A view of the paragraph format of the selected paragraphs; distances in points.
class TRtParaAttributes {
public:
    explicit TRtParaAttributes(TRtCustomRichEdit& editor);

    TAlignment Alignment() const;
    void SetAlignment(TAlignment alignment);
    TRtNumberingStyle Numbering() const;
    void SetNumbering(TRtNumberingStyle numbering);
    int StartIndent() const;
    void SetStartIndent(int points);
    int Offset() const;
    void SetOffset(int points);
    int RightIndent() const;
    void SetRightIndent(int points);
    int LineSpacing() const;
    void SetLineSpacing(int points);
    int LineSpacingRule() const;
    void SetLineSpacingRule(int rule);
    int TabCount() const;
    int Tab(int index) const; // points

private:
    PARAFORMAT2 Get() const;
    void Set(PARAFORMAT2& format);

    TRtCustomRichEdit& FEditor;
};

// A stream converter: moves the stream's bytes to and from the control.
class TConversion {
public:
    virtual ~TConversion() = default;
    virtual qint64 ConvertReadStream(QIODevice& stream, char* buffer, qint64 size);
    virtual qint64 ConvertWriteStream(QIODevice& stream, const char* buffer, qint64 size);
};

struct TRichConversionFormat {
    QString Extension;
    bool PlainText = false;
};

// The Lines property: line access, and loading and saving through streams and files.
class TRichEditStrings {
public:
    explicit TRichEditStrings(TRtCustomRichEdit& editor);
    ~TRichEditStrings();

    int Count() const;
    QString Get(int index) const;
    void Put(int index, const QString& text);
    void Delete(int index);
    void Insert(int index, const QString& text);
    void Add(const QString& text) { Insert(Count(), text); }
    void Clear();
    QString Text() const;
    void SetText(const QString& text);
    QString operator[](int index) const { return Get(index); }

    void BeginUpdate();
    void EndUpdate();

    void LoadFromStream(QIODevice& stream);
    void SaveToStream(QIODevice& stream);
    void LoadFromFile(const QString& fileName);
    void SaveToFile(const QString& fileName);

    TRichStreamFormat StreamFormat() const { return FStreamFormat; }
    void SetStreamFormat(TRichStreamFormat format) { FStreamFormat = format; }
    TRichStreamModes StreamMode() const { return FStreamMode; }
    void SetStreamMode(TRichStreamModes modes) { FStreamMode = modes; }

    static const QList<TRichConversionFormat>& ConversionFormats();

private:
    WPARAM PlatformFormat(bool loading) const;
    void TransferFile(const QString& fileName, bool loading);

    TRtCustomRichEdit& FEditor;
    TRichStreamFormat FStreamFormat = TRichStreamFormat::sfDefault;
    TRichStreamModes FStreamMode;
    std::unique_ptr<TConversion> FConverter;
    int FUpdateCount = 0;
};

class TRtCustomRichEdit : public QWidget, private IRichEditListener {
    Q_OBJECT
public:
    explicit TRtCustomRichEdit(QWidget* parent = nullptr);
    ~TRtCustomRichEdit() override;

    // The platform control; re-created when some options change, so never keep it.
    TRichEditControl& Control() const { return *FControl; }
    static int ControlVersion() { return 3; }
    // Passes a message through to the control.
    LRESULT Perform(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) { return FControl->Perform(message, wParam, lParam); }

    // Collaborators: the dialogs that show the find and replace windows, the printer of PrintDocument.
    void SetDialogs(IDialogs* dialogs) { FDialogs = dialogs; }
    void SetPrinter(TPrinterDevice* printer) { FPrinter = printer; }

    TRtTextAttributes& SelectionAttributes() { return *FSelectionAttributes; }
    TRtTextAttributes& CaretWordAttributes() { return *FWordAttributes; }
    TRtTextAttributes& DefaultAttributes() { return *FDefaultAttributes; }
    TRtParaAttributes& ParagraphAttributes() { return *FParagraphAttributes; }
    TRichEditStrings* Lines() { return FLines.get(); }

    // Properties.
    bool PlainText() const { return FPlainText; }
    void SetPlainText(bool on);
    TRichStreamFormat StreamFormat() const { return FLines->StreamFormat(); }
    void SetStreamFormat(TRichStreamFormat format) { FLines->SetStreamFormat(format); }
    TRichStreamModes StreamMode() const { return FLines->StreamMode(); }
    void SetStreamMode(TRichStreamModes modes) { FLines->SetStreamMode(modes); }
    int UndoLimit() const { return FUndoLimit; }
    void SetUndoLimit(int limit);
    bool AutoURLDetect() const { return FAutoURLDetect; }
    void SetAutoURLDetect(bool on);
    bool WordSelection() const { return FWordSelection; }
    void SetWordSelection(bool on);
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool hide);
    bool HideScrollBars() const { return FHideScrollBars; }
    void SetHideScrollBars(bool hide);
    bool SelectionBar() const { return FSelectionBar; }
    void SetSelectionBar(bool on);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle style);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool on);
    bool WantTabs() const { return FWantTabs; }
    void SetWantTabs(bool on);
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int length);
    bool AllowObjects() const { return FAllowObjects; }
    void SetAllowObjects(bool on);
    bool AllowInPlace() const { return FAllowInPlace; }
    void SetAllowInPlace(bool on) { FAllowInPlace = on; }
    bool AutoVerbMenu() const { return FAutoVerbMenu; }
    void SetAutoVerbMenu(bool on) { FAutoVerbMenu = on; }
    TRichLangOptions LangOptions() const { return FLangOptions; }
    void SetLangOptions(TRichLangOptions options);
    QString Title() const { return FTitle; }
    void SetTitle(const QString& title) { FTitle = title; }
    const TFont& Font() const { return FFont; }
    void SetFont(const TFont& font);
    COLORREF Color() const { return FColor; }
    void SetColor(COLORREF color);
    bool ReadOnly() const;
    void SetReadOnly(bool on);
    // Printer pixels; an empty rectangle is the whole page.
    RECT PrintArea() const { return FPrintArea; }
    void SetPrintArea(const RECT& area) { FPrintArea = area; }

    // Operations.
    int SelectionStart() const;
    void SetSelectionStart(int position);
    int SelectionLength() const;
    void SetSelectionLength(int length);
    QString SelectedText() const;
    void SetSelectedText(const QString& text);
    QString TextOfRange(int start, int end) const;
    QPoint CaretPosition() const; // x column, y line
    bool Modified() const;
    void SetModified(bool modified);
    QString Text() const;
    void SetText(const QString& text);
    int TextLength() const;
    void Clear();
    void SelectAll();
    void ClearSelection();
    void CutToClipboard();
    void CopyToClipboard();
    void PasteFromClipboard();
    void Undo();
    void Redo();
    bool CanUndo() const;
    bool CanRedo() const;
    void SetFocus();
    // Inserts a picture as one embedded object in place of the selection.
    bool InsertPicture(const RichText::TPicture& picture);
    int ObjectCount() const;

    // Search and print.
    int SearchText(const QString& text, int start, int length, TSearchTypes options);
    IFindDialog* OpenFindDialog(const QString& text);
    IFindDialog* OpenReplaceDialog(const QString& text, const QString& replacement);
    bool RepeatFind();
    virtual void PrintDocument(const QString& title);

    // Events.
    TNotifyEvent OnChange;
    TNotifyEvent OnSelectionChange;
    TRichEditProtectChange OnProtectChange;
    TRichEditProtectChangeEx OnProtectChangeEx;
    TRichEditURLClickEvent OnURLClick;
    TRichEditFindErrorEvent OnTextNotFound;
    TRichEditFindCloseEvent OnCloseFindDialog;
    TRichEditResizeEvent OnResizeRequest;
    TRichEditSaveClipboard OnSaveClipboard;
    TKeyEvent OnKeyDown;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;

    // Re-creates the platform window, keeping content and Modified.
    void RecreateWnd();

protected:
    // The overridable steps.
    virtual void DoTextNotFound(const QString& findText);
    virtual void DoResizeRequest(const QRect& rect);
    virtual void DoSetPlainText(bool on);
    virtual void DoCloseFindDialog(IFindDialog& dialog);
    virtual void SelectionChange();
    virtual bool ProtectChange(UINT message, int startPos, int endPos);
    virtual bool SaveClipboard(int numObjects, int numChars);
    virtual void URLClick(const QString& urlText, TMouseButton button);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TRichEditStrings;
    friend class TRtTextAttributes;
    friend class TRtParaAttributes;
    LRESULT RichEditNotify(NMHDR& header) override;
    void CreateWnd();
    void DestroyWnd();
    void ApplyTextMode();
    void ApplyScrollBars();
    // Replaces the selection; undoable and left selected unless it comes from a line operation.
    void ReplaceSelection(const QString& text, bool fromLines);
    bool DialogSearch(IFindDialog& dialog, bool events, bool moveDialog);
    void MoveDialogOffSelection(IFindDialog& dialog);
    IFindDialog& FindDialog(bool replace);
    void ReplaceClick(IFindDialog& dialog);
    void ReplaceAllClick(IFindDialog& dialog);

    TRichEditControl* FControl = nullptr;
    std::unique_ptr<TRtTextAttributes> FSelectionAttributes;
    std::unique_ptr<TRtTextAttributes> FWordAttributes;
    std::unique_ptr<TRtTextAttributes> FDefaultAttributes;
    std::unique_ptr<TRtParaAttributes> FParagraphAttributes;
    std::unique_ptr<TRichEditStrings> FLines;
    std::unique_ptr<QBuffer> FSavedContent;
    bool FSavedModified = false;
    std::unique_ptr<IFindDialog> FFindDialog;
    std::unique_ptr<IFindDialog> FReplaceDialog;
    IFindDialog* FLastSearchDialog = nullptr;
    IDialogs* FDialogs = nullptr;
    TPrinterDevice* FPrinter = nullptr;

    bool FPlainText = false;
    int FUndoLimit = 100;
    bool FAutoURLDetect = true;
    bool FWordSelection = true;
    bool FHideSelection = true;
    bool FHideScrollBars = true;
    bool FSelectionBar = true;
    TScrollStyle FScrollBars = TScrollStyle::ssBoth;
    bool FWordWrap = true;
    bool FWantTabs = false;
    int FMaxLength = 0;
    bool FAllowObjects = true;
    bool FAllowInPlace = true;
    bool FAutoVerbMenu = true;
    TRichLangOptions FLangOptions { TRichLangOption::rlAutoFont };
    QString FTitle;
    TFont FFont;
    COLORREF FColor = clWindow;
    bool FReadOnly = false;
    RECT FPrintArea { 180, 180, 1308, 1924 };
    int FLinkStart = -1;
    int FLinkEnd = -1;
    TMouseButton FLinkButton = TMouseButton::mbLeft;
    bool FSuspendSelectionChange = false;
};

/// The message that closes a Replace All.
QString ReplacedCountText(int count, const QString& text);

class TRtRichEdit : public TRtCustomRichEdit {
    Q_OBJECT
public:
    using TRtCustomRichEdit::TRtCustomRichEdit;
};
