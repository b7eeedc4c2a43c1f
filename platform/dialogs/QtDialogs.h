#pragma once
// QtDialogs.h: IDialogs shown with Qt's own dialogs.
#include "Dialogs.h"

#include <QPointer>
#include <QWidget>

class TQtDialogs : public IDialogs {
public:
    /// The window the dialogs are shown over; the active window when none is set.
    void SetOwner(QWidget* owner) { FOwner = owner; }

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
    QWidget* Owner() const;
    [[nodiscard]] bool RunFileDialog(TFileDialogData& data, bool save);

    QPointer<QWidget> FOwner;
};
