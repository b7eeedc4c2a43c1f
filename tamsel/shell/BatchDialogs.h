#pragma once
// BatchDialogs.h: the dialogs of a headless run (tamsel --convert): nothing is shown and nobody is
// waited for. Notices are passed over, questions get their cancel answer, our own windows close
// with OK at once keeping the values set in them, and the common dialogs are cancelled.
#include "QtDialogs.h"

class TBatchDialogs : public TQtDialogs {
public:
    TModalResult MessageDlg(
        const QString& caption, const QString& text, TMsgDlgType type, TMsgDlgButtons buttons) override;
    [[nodiscard]] bool OpenFile(TFileDialogData&) override { return false; }
    [[nodiscard]] bool SaveFile(TFileDialogData&) override { return false; }
    [[nodiscard]] bool ChooseColor(COLORREF&) override { return false; }
    [[nodiscard]] bool ChooseFont(TFontDialogData&) override { return false; }
    [[nodiscard]] bool Print(TPrintDialogData&) override { return false; }
    [[nodiscard]] bool InputQuery(const QString&, const QString&, QString&) override { return false; }
    TModalResult ShowModal(QDialog&) override { return TModalResult::mrOk; }
};
