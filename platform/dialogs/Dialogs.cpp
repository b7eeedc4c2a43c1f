// Dialogs.cpp: what the real and the scripted dialogs agree on.
#include "Dialogs.h"

#include <QDir>

TModalResult CancelAnswer(TMsgDlgButtons buttons)
{
    switch (buttons) {
    case TMsgDlgButtons::mbOK:
        return mrOk;
    case TMsgDlgButtons::mbOKCancel:
    case TMsgDlgButtons::mbYesNoCancel:
    case TMsgDlgButtons::mbRetryCancel:
        return mrCancel;
    case TMsgDlgButtons::mbYesNo:
        return mrNo;
    case TMsgDlgButtons::mbAbortRetryIgnore:
        return mrAbort;
    }
    return mrCancel;
}

bool HasButton(TMsgDlgButtons buttons, TModalResult answer)
{
    switch (buttons) {
    case TMsgDlgButtons::mbOK:
        return answer == mrOk;
    case TMsgDlgButtons::mbOKCancel:
        return answer == mrOk || answer == mrCancel;
    case TMsgDlgButtons::mbAbortRetryIgnore:
        return answer == mrAbort || answer == mrRetry || answer == mrIgnore;
    case TMsgDlgButtons::mbYesNoCancel:
        return answer == mrYes || answer == mrNo || answer == mrCancel;
    case TMsgDlgButtons::mbYesNo:
        return answer == mrYes || answer == mrNo;
    case TMsgDlgButtons::mbRetryCancel:
        return answer == mrRetry || answer == mrCancel;
    }
    return false;
}

QString OverwriteQuestion(const QString& fileName)
{
    return QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(QDir::toNativeSeparators(fileName));
}
