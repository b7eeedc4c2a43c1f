#pragma once
// ScriptedDialogs.h: IDialogs for tests. Answers come from queues filled beforehand, an empty queue
// answers as the user's Cancel would, and everything shown is recorded.
#include "Dialogs.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <vector>

struct TShownMessage {
    QString Caption;
    QString Text;
    TMsgDlgType Type = TMsgDlgType::mtInformation;
    TMsgDlgButtons Buttons = TMsgDlgButtons::mbOK;
    TModalResult Answer = mrNone;
};

struct TShownFileDialog {
    bool Save = false;
    TFileDialogData Data; // as the caller presented it
};

struct TShownInput {
    QString Caption;
    QString Prompt;
    QString Value; // the preset text
};

class TScriptedFindDialog;

class TScriptedDialogs : public IDialogs {
public:
    TScriptedDialogs() = default;
    ~TScriptedDialogs() override;
    TScriptedDialogs(const TScriptedDialogs&) = delete;
    TScriptedDialogs& operator=(const TScriptedDialogs&) = delete;

    // Answers, each used once and in order. A box with only OK takes none. An answer that is not a
    // button of the box, or a choice the real dialog would not allow, throws std::logic_error.
    void QueueAnswer(TModalResult answer);
    /// The file the user picks; a filter index of 0 keeps the dialog's. The default extension is
    /// added as by the real dialog; a file that must exist but does not cancels the dialog.
    void QueueOpenFileName(const QString& path, int filterIndex = 0);
    /// As QueueOpenFileName. Replacing an existing file with the overwrite prompt on asks a question
    /// that takes an answer from QueueAnswer: mrYes goes on, anything else cancels the dialog.
    void QueueSaveFileName(const QString& path, int filterIndex = 0);
    void QueueColor(COLORREF color);
    /// Name, size, bold and italic, and with effects underline, strike-out and colour are taken.
    void QueueFont(const TFontDialogData& font);
    void QueueInput(const QString& value);
    /// Printer, copies, collate, range, pages and print to file are taken.
    void QueuePrint(const TPrintDialogData& print);
    /// Drives a window passed to ShowModal while it is shown (fill fields, click buttons); a window
    /// still open afterwards is closed as by its title bar, which answers mrCancel.
    void QueueModal(std::function<void(QDialog& dialog)> handler);
    /// Closes the next modal window at once with this result.
    void QueueModal(TModalResult result);
    /// Answers of every kind not yet used.
    int PendingAnswers() const;

    // What was shown, in order.
    const QList<TShownMessage>& Messages() const { return FMessages; } // information and warnings
    const QList<TShownMessage>& Errors() const { return FErrors; }
    const QList<TShownMessage>& Prompts() const { return FPrompts; } // boxes with a choice
    const QList<TShownFileDialog>& FileDialogs() const { return FFileDialogs; }
    const QList<COLORREF>& ColorDialogs() const { return FColorDialogs; } // the preset colours
    const QList<TFontDialogData>& FontDialogs() const { return FFontDialogs; }
    const QList<TPrintDialogData>& PrintDialogs() const { return FPrintDialogs; }
    const QList<TShownInput>& Inputs() const { return FInputs; }
    const QStringList& ModalDialogs() const { return FModalDialogs; } // class names
    void ClearRecords();

    /// The find (replace) dialog created last and not yet destroyed, or null.
    TScriptedFindDialog* LastFindDialog() const;
    TScriptedFindDialog* LastReplaceDialog() const;

    TModalResult MessageDlg(
        const QString& caption, const QString& text, TMsgDlgType type, TMsgDlgButtons buttons) override;
    [[nodiscard]] bool OpenFile(TFileDialogData& dialog) override;
    [[nodiscard]] bool SaveFile(TFileDialogData& dialog) override;
    [[nodiscard]] bool ChooseColor(COLORREF& color) override;
    [[nodiscard]] bool ChooseFont(TFontDialogData& font) override;
    [[nodiscard]] bool Print(TPrintDialogData& print) override;
    [[nodiscard]] bool InputQuery(const QString& caption, const QString& prompt, QString& value) override;
    TModalResult ShowModal(QDialog& dialog) override;
    std::unique_ptr<IFindDialog> CreateFindDialog() override;
    std::unique_ptr<IFindDialog> CreateReplaceDialog() override;

private:
    friend class TScriptedFindDialog;
    struct TFileAnswer {
        QString Path;
        int FilterIndex = 0;
    };

    [[nodiscard]] bool AnswerFileDialog(TFileDialogData& data, bool save, QList<TFileAnswer>& answers);

    QList<TModalResult> FAnswers;
    QList<TFileAnswer> FOpenFileNames;
    QList<TFileAnswer> FSaveFileNames;
    QList<COLORREF> FColors;
    QList<TFontDialogData> FFonts;
    QList<QString> FInputValues;
    QList<TPrintDialogData> FPrints;
    QList<std::function<void(QDialog&)>> FModalHandlers;

    QList<TShownMessage> FMessages;
    QList<TShownMessage> FErrors;
    QList<TShownMessage> FPrompts;
    QList<TShownFileDialog> FFileDialogs;
    QList<COLORREF> FColorDialogs;
    QList<TFontDialogData> FFontDialogs;
    QList<TPrintDialogData> FPrintDialogs;
    QList<TShownInput> FInputs;
    QStringList FModalDialogs;

    std::vector<TScriptedFindDialog*> FFindDialogs; // alive ones, oldest first
};

// A find or replace dialog that a test fills and presses. Pressing a button that the real dialog
// would not offer (hidden dialog, empty search text, Replace on the find dialog) throws
// std::logic_error. The events run inside RunCommand, so their errors land in Errors().
class TScriptedFindDialog : public IFindDialog {
public:
    TScriptedFindDialog(TScriptedDialogs& owner, bool replace);
    ~TScriptedFindDialog() override;
    TScriptedFindDialog(const TScriptedFindDialog&) = delete;
    TScriptedFindDialog& operator=(const TScriptedFindDialog&) = delete;

    bool IsReplaceDialog() const override { return FReplace; }
    QString FindText() const override { return FFindText; }
    void SetFindText(const QString& text) override { FFindText = text; }
    QString ReplaceText() const override { return FReplaceText; }
    void SetReplaceText(const QString& text) override { FReplaceText = text; }
    TFindOptions Options() const override { return FOptions; }
    void SetOptions(const TFindOptions& options) override { FOptions = options; }
    void Show() override;
    void Close() override;
    bool IsVisible() const override { return FVisible; }
    QRect WindowRect() const override { return FWindowRect; }
    void Move(int x, int y) override { FWindowRect.moveTo(x, y); }

    void PressFindNext();
    void PressReplace();
    void PressReplaceAll();
    /// Cancel, Escape or the title bar's close button.
    void PressClose();
    int ShowCount() const { return FShowCount; }

private:
    friend class TScriptedDialogs;
    void Press(const TFindDialogEvent& event, const char* button);

    TScriptedDialogs* FOwner;
    bool FReplace;
    QString FFindText;
    QString FReplaceText;
    TFindOptions FOptions;
    bool FVisible = false;
    int FShowCount = 0;
    QRect FWindowRect { 300, 200, 380, 160 };
};
