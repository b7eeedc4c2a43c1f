#pragma once
// Dialogs.h: IDialogs, through which every modal interaction and the find and replace dialogs go,
// with the records the common dialogs read and fill.
#include "WinTypes.h"

#include <QCoreApplication>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>

class QDialog;

enum class TModalResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
};
using enum TModalResult;

enum class TMsgDlgType {
    mtWarning = 0,
    mtError = 1,
    mtInformation = 2,
    mtConfirmation = 3,
};

// Button sets of a message box, with the platform's MB_* values as ordinals.
enum class TMsgDlgButtons {
    mbOK = 0,
    mbOKCancel = 1,
    mbAbortRetryIgnore = 2,
    mbYesNoCancel = 3,
    mbYesNo = 4,
    mbRetryCancel = 5,
};

struct TFileDialogOptions {
    bool OverwritePrompt = false; // save: ask before replacing an existing file
    bool FileMustExist = false; // open: only an existing file is accepted
    bool PathMustExist = false; // the chosen file's folder must exist
};

// The state of one file dialog component. Keep it for the life of the window that owns the dialog:
// FilterIndex and FileName come back with the user's choice and preset the next showing.
struct TFileDialogData {
    QString Title {}; // empty: "Open" or "Save As"
    QString Filter {}; // "Description|*.a;*.b|Description|*.c"
    int FilterIndex = 1; // 1-based
    QString DefaultExt {}; // without the dot; added when the user types no extension
    QString InitialDir {};
    QString FileName {}; // in: proposed name; out: the full path chosen
    TFileDialogOptions Options {};
};

struct TFontDialogData {
    QString Name {};
    int Size = 12; // points
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    COLORREF Color = 0;
    int MinSize = 0; // points; 0 is no limit
    int MaxSize = 0;
    bool Effects = true; // colour, underline and strike-out are offered
};

enum class TPrintRange {
    prAllPages = 0,
    prSelection = 1,
    prPageNums = 2,
};

struct TPrintDialogData {
    QString PrinterName {}; // empty: the system's default printer
    int Copies = 1;
    bool Collate = false;
    TPrintRange PrintRange = TPrintRange::prAllPages;
    int FromPage = 0;
    int ToPage = 0;
    int MinPage = 0;
    int MaxPage = 0;
    bool AllowSelection = false;
    bool AllowPageNums = false;
    bool AllowPrintToFile = false;
    bool PrintToFile = false;
    QString OutputFileName {}; // set when printing to a file
};

struct TFindOptions {
    bool Down = true;
    bool MatchCase = false;
    bool WholeWord = false;
    bool HideUpDown = false;
    bool HideMatchCase = false;
    bool HideWholeWord = false;
    bool DisableUpDown = false;
    bool DisableMatchCase = false;
    bool DisableWholeWord = false;
};

class IFindDialog;
using TFindDialogEvent = std::function<void(IFindDialog& dialog)>;

// A modeless find or replace dialog. It is created hidden and hides again when closed; its owner
// keeps it for further use.
class IFindDialog {
public:
    virtual ~IFindDialog() = default;

    virtual bool IsReplaceDialog() const = 0;
    virtual QString FindText() const = 0;
    virtual void SetFindText(const QString& text) = 0;
    virtual QString ReplaceText() const = 0;
    virtual void SetReplaceText(const QString& text) = 0;
    virtual TFindOptions Options() const = 0;
    virtual void SetOptions(const TFindOptions& options) = 0;

    virtual void Show() = 0;
    /// Hides the dialog; raises OnClose when it was visible.
    virtual void Close() = 0;
    virtual bool IsVisible() const = 0;
    /// The window's frame in global screen coordinates.
    virtual QRect WindowRect() const = 0;
    /// Moves the frame's top left corner to the screen point.
    virtual void Move(int x, int y) = 0;

    TFindDialogEvent OnFind; // "Find Next"
    TFindDialogEvent OnReplace; // "Replace"
    TFindDialogEvent OnReplaceAll; // "Replace All"
    TFindDialogEvent OnClose;
};

class IDialogs {
public:
    virtual ~IDialogs() = default;

    /// A message box; returns the button pressed, or the box's cancel answer when it is dismissed.
    virtual TModalResult MessageDlg(
        const QString& caption, const QString& text, TMsgDlgType type, TMsgDlgButtons buttons)
        = 0;
    [[nodiscard]] virtual bool OpenFile(TFileDialogData& dialog) = 0;
    [[nodiscard]] virtual bool SaveFile(TFileDialogData& dialog) = 0;
    [[nodiscard]] virtual bool OpenPicture(TFileDialogData& dialog) { return OpenFile(dialog); }
    [[nodiscard]] virtual bool ChooseColor(COLORREF& color) = 0;
    [[nodiscard]] virtual bool ChooseFont(TFontDialogData& font) = 0;
    [[nodiscard]] virtual bool Print(TPrintDialogData& print) = 0;
    /// A text input box; the value is changed only when the user confirms.
    [[nodiscard]] virtual bool InputQuery(const QString& caption, const QString& prompt, QString& value) = 0;
    /// Runs one of our own windows modally. Rejecting it answers mrCancel; accepting it mrOk, or the
    /// result the window gave to done().
    virtual TModalResult ShowModal(QDialog& dialog) = 0;
    virtual std::unique_ptr<IFindDialog> CreateFindDialog() = 0;
    virtual std::unique_ptr<IFindDialog> CreateReplaceDialog() = 0;

    // Boxes captioned with the application title.
    void ShowInformation(const QString& text)
    {
        MessageDlg(ApplicationTitle(), text, TMsgDlgType::mtInformation, TMsgDlgButtons::mbOK);
    }
    void ShowWarning(const QString& text)
    {
        MessageDlg(ApplicationTitle(), text, TMsgDlgType::mtWarning, TMsgDlgButtons::mbOK);
    }
    void ShowError(const QString& caption, const QString& text)
    {
        MessageDlg(caption, text, TMsgDlgType::mtError, TMsgDlgButtons::mbOK);
    }
    /// mrYes or mrNo.
    [[nodiscard]] TModalResult ConfirmYesNo(const QString& text)
    {
        return MessageDlg(ApplicationTitle(), text, TMsgDlgType::mtConfirmation, TMsgDlgButtons::mbYesNo);
    }
    /// mrYes, mrNo or mrCancel.
    [[nodiscard]] TModalResult ConfirmYesNoCancel(const QString& text)
    {
        return MessageDlg(ApplicationTitle(), text, TMsgDlgType::mtConfirmation, TMsgDlgButtons::mbYesNoCancel);
    }

    static QString ApplicationTitle() { return QCoreApplication::applicationName(); }
};

/// The answer a message box gives when it is dismissed without a button: Cancel, else No, else the
/// first button.
TModalResult CancelAnswer(TMsgDlgButtons buttons);
/// Whether the box has a button giving this answer.
bool HasButton(TMsgDlgButtons buttons, TModalResult answer);
/// The question asked before a save dialog replaces an existing file.
QString OverwriteQuestion(const QString& fileName);
