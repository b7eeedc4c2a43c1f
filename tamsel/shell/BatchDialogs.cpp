// BatchDialogs.cpp: dialogs that answer without showing anything.
#include "BatchDialogs.h"

TModalResult TBatchDialogs::MessageDlg(const QString&, const QString&, TMsgDlgType, TMsgDlgButtons buttons)
{
    return CancelAnswer(buttons);
}
