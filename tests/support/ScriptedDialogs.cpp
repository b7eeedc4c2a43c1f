// ScriptedDialogs.cpp: the scripted answers follow the real dialogs' rules wherever a caller could
// tell the difference (default extension, overwrite question, size limits, cancel answers).
#include "ScriptedDialogs.h"

#include "CommandGuard.h"
#include "FileFilter.h"

#include <QDialog>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <stdexcept>

namespace {

[[noreturn]] void ScriptError(const QString& text) { throw std::logic_error(text.toStdString()); }

}

TScriptedDialogs::~TScriptedDialogs()
{
    for (TScriptedFindDialog* dialog : FFindDialogs)
        dialog->FOwner = nullptr;
}

void TScriptedDialogs::QueueAnswer(TModalResult answer) { FAnswers.append(answer); }

void TScriptedDialogs::QueueOpenFileName(const QString& path, int filterIndex)
{
    FOpenFileNames.append({ path, filterIndex });
}

void TScriptedDialogs::QueueSaveFileName(const QString& path, int filterIndex)
{
    FSaveFileNames.append({ path, filterIndex });
}

void TScriptedDialogs::QueueColor(COLORREF color) { FColors.append(color); }

void TScriptedDialogs::QueueFont(const TFontDialogData& font) { FFonts.append(font); }

void TScriptedDialogs::QueueInput(const QString& value) { FInputValues.append(value); }

void TScriptedDialogs::QueuePrint(const TPrintDialogData& print) { FPrints.append(print); }

void TScriptedDialogs::QueueModal(std::function<void(QDialog& dialog)> handler)
{
    FModalHandlers.append(std::move(handler));
}

void TScriptedDialogs::QueueModal(TModalResult result)
{
    FModalHandlers.append([result](QDialog& dialog) {
        if (result == mrCancel)
            dialog.reject();
        else
            dialog.done(int(result));
    });
}

int TScriptedDialogs::PendingAnswers() const
{
    return int(FAnswers.size() + FOpenFileNames.size() + FSaveFileNames.size() + FColors.size() + FFonts.size()
        + FInputValues.size() + FPrints.size() + FModalHandlers.size());
}

void TScriptedDialogs::ClearRecords()
{
    FMessages.clear();
    FErrors.clear();
    FPrompts.clear();
    FFileDialogs.clear();
    FColorDialogs.clear();
    FFontDialogs.clear();
    FPrintDialogs.clear();
    FInputs.clear();
    FModalDialogs.clear();
}

TScriptedFindDialog* TScriptedDialogs::LastFindDialog() const
{
    for (auto it = FFindDialogs.rbegin(); it != FFindDialogs.rend(); ++it) {
        if (!(*it)->IsReplaceDialog())
            return *it;
    }
    return nullptr;
}

TScriptedFindDialog* TScriptedDialogs::LastReplaceDialog() const
{
    for (auto it = FFindDialogs.rbegin(); it != FFindDialogs.rend(); ++it) {
        if ((*it)->IsReplaceDialog())
            return *it;
    }
    return nullptr;
}

TModalResult TScriptedDialogs::MessageDlg(
    const QString& caption, const QString& text, TMsgDlgType type, TMsgDlgButtons buttons)
{
    TShownMessage shown { caption, text, type, buttons, mrOk };
    if (buttons != TMsgDlgButtons::mbOK)
        shown.Answer = FAnswers.isEmpty() ? CancelAnswer(buttons) : FAnswers.takeFirst();
    if (type == TMsgDlgType::mtError)
        FErrors.append(shown);
    else if (buttons != TMsgDlgButtons::mbOK)
        FPrompts.append(shown);
    else
        FMessages.append(shown);
    if (!HasButton(buttons, shown.Answer))
        ScriptError(
            QStringLiteral("Scripted answer %1 is not a button of the box \"%2\"").arg(int(shown.Answer)).arg(text));
    return shown.Answer;
}

bool TScriptedDialogs::OpenFile(TFileDialogData& dialog) { return AnswerFileDialog(dialog, false, FOpenFileNames); }

bool TScriptedDialogs::SaveFile(TFileDialogData& dialog) { return AnswerFileDialog(dialog, true, FSaveFileNames); }

bool TScriptedDialogs::AnswerFileDialog(TFileDialogData& data, bool save, QList<TFileAnswer>& answers)
{
    FFileDialogs.append({ save, data });
    if (answers.isEmpty())
        return false;
    const TFileAnswer answer = answers.takeFirst();
    const TFileFilter filter(data.Filter);
    const int index = answer.FilterIndex > 0 ? answer.FilterIndex : filter.ValidIndex(data.FilterIndex);
    if (filter.Count() > 0 && (index < 1 || index > filter.Count()))
        ScriptError(QStringLiteral("Scripted filter index %1 is not one of the dialog's").arg(index));
    const QDir folder(data.InitialDir.isEmpty() ? QDir::currentPath() : data.InitialDir);
    const QString fileName
        = filter.WithDefaultExtension(QDir::cleanPath(folder.absoluteFilePath(answer.Path)), index, data.DefaultExt);

    const QFileInfo info(fileName);
    if (data.Options.PathMustExist && !info.absoluteDir().exists()) {
        qWarning(
            "Scripted file dialog: the folder of %s does not exist; the dialog is cancelled", qPrintable(fileName));
        return false;
    }
    if (!save && data.Options.FileMustExist && !info.isFile()) {
        qWarning("Scripted open dialog: %s does not exist; the dialog is cancelled", qPrintable(fileName));
        return false;
    }
    if (save && data.Options.OverwritePrompt && info.exists()
        && MessageDlg(data.Title, OverwriteQuestion(fileName), TMsgDlgType::mtWarning, TMsgDlgButtons::mbYesNo)
            != mrYes)
        return false;
    data.FileName = fileName;
    data.FilterIndex = index;
    return true;
}

bool TScriptedDialogs::ChooseColor(COLORREF& color)
{
    FColorDialogs.append(color);
    if (FColors.isEmpty())
        return false;
    color = FColors.takeFirst();
    return true;
}

bool TScriptedDialogs::ChooseFont(TFontDialogData& font)
{
    FFontDialogs.append(font);
    if (FFonts.isEmpty())
        return false;
    const TFontDialogData chosen = FFonts.takeFirst();
    font.Name = chosen.Name;
    font.Size = chosen.Size;
    if (font.MinSize > 0)
        font.Size = std::max(font.Size, font.MinSize);
    if (font.MaxSize > 0)
        font.Size = std::min(font.Size, font.MaxSize);
    font.Bold = chosen.Bold;
    font.Italic = chosen.Italic;
    if (font.Effects) {
        font.Underline = chosen.Underline;
        font.StrikeOut = chosen.StrikeOut;
        font.Color = chosen.Color;
    }
    return true;
}

bool TScriptedDialogs::Print(TPrintDialogData& print)
{
    FPrintDialogs.append(print);
    if (FPrints.isEmpty())
        return false;
    const TPrintDialogData chosen = FPrints.takeFirst();
    if (chosen.PrintRange == TPrintRange::prSelection && !print.AllowSelection)
        ScriptError(QStringLiteral("Scripted print range: the dialog does not offer the selection"));
    if (chosen.PrintRange == TPrintRange::prPageNums) {
        if (!print.AllowPageNums)
            ScriptError(QStringLiteral("Scripted print range: the dialog does not offer page numbers"));
        if (print.MaxPage > 0 && (chosen.FromPage < print.MinPage || chosen.ToPage > print.MaxPage))
            ScriptError(QStringLiteral("Scripted print range %1-%2 is outside %3-%4")
                            .arg(chosen.FromPage)
                            .arg(chosen.ToPage)
                            .arg(print.MinPage)
                            .arg(print.MaxPage));
    }
    if (chosen.PrintToFile && !print.AllowPrintToFile)
        ScriptError(QStringLiteral("Scripted print to file: the dialog does not offer it"));
    print.PrinterName = chosen.PrinterName;
    print.Copies = chosen.Copies;
    print.Collate = chosen.Collate;
    print.PrintRange = chosen.PrintRange;
    print.FromPage = chosen.FromPage;
    print.ToPage = chosen.ToPage;
    print.PrintToFile = chosen.PrintToFile;
    print.OutputFileName = chosen.OutputFileName;
    return true;
}

bool TScriptedDialogs::InputQuery(const QString& caption, const QString& prompt, QString& value)
{
    FInputs.append({ caption, prompt, value });
    if (FInputValues.isEmpty())
        return false;
    value = FInputValues.takeFirst();
    return true;
}

// The window is shown without a nested loop, so its show and close handlers run as they would.
TModalResult TScriptedDialogs::ShowModal(QDialog& dialog)
{
    FModalDialogs.append(QString::fromLatin1(dialog.metaObject()->className()));
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    if (!FModalHandlers.isEmpty())
        FModalHandlers.takeFirst()(dialog);
    if (dialog.isVisible())
        dialog.reject();
    const int result = dialog.result();
    return result == QDialog::Rejected ? mrCancel : static_cast<TModalResult>(result);
}

std::unique_ptr<IFindDialog> TScriptedDialogs::CreateFindDialog()
{
    return std::make_unique<TScriptedFindDialog>(*this, false);
}

std::unique_ptr<IFindDialog> TScriptedDialogs::CreateReplaceDialog()
{
    return std::make_unique<TScriptedFindDialog>(*this, true);
}

TScriptedFindDialog::TScriptedFindDialog(TScriptedDialogs& owner, bool replace)
    : FOwner(&owner)
    , FReplace(replace)
{
    owner.FFindDialogs.push_back(this);
}

TScriptedFindDialog::~TScriptedFindDialog()
{
    if (FOwner)
        std::erase(FOwner->FFindDialogs, this);
}

void TScriptedFindDialog::Show()
{
    FVisible = true;
    ++FShowCount;
}

void TScriptedFindDialog::Close()
{
    if (!FVisible)
        return;
    FVisible = false;
    if (OnClose) {
        const TFindDialogEvent handler = OnClose;
        if (FOwner)
            RunCommand(*FOwner, [&] { handler(*this); });
        else
            handler(*this);
    }
}

void TScriptedFindDialog::PressFindNext() { Press(OnFind, "Find Next"); }

void TScriptedFindDialog::PressReplace() { Press(OnReplace, "Replace"); }

void TScriptedFindDialog::PressReplaceAll() { Press(OnReplaceAll, "Replace All"); }

void TScriptedFindDialog::PressClose()
{
    if (!FVisible)
        ScriptError(QStringLiteral("Close pressed on a hidden find dialog"));
    Close();
}

void TScriptedFindDialog::Press(const TFindDialogEvent& event, const char* button)
{
    const QString name = QString::fromLatin1(button);
    if (!FVisible)
        ScriptError(name + QStringLiteral(" pressed on a hidden find dialog"));
    if (FFindText.isEmpty())
        ScriptError(name + QStringLiteral(" is disabled while the search text is empty"));
    if (!FReplace && &event != &OnFind)
        ScriptError(name + QStringLiteral(" pressed on the find dialog, which has no such button"));
    if (!event)
        return;
    const TFindDialogEvent handler = event;
    if (FOwner)
        RunCommand(*FOwner, [&] { handler(*this); });
    else
        handler(*this);
}
