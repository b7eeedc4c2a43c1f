// MainEdit.cpp: the commands that edit the text rather than format it, the find and replace commands
// with their one-shot workers, and the displays that follow the caret.
#include "Main.h"

#include "Clock.h"
#include "CommandGuard.h"
#include "Dialogs.h"
#include "PictureInsertion.h"
#include "Recovery.h"
#include "Shell.h"
#include "TextCommands.h"
#include "WordCounter.h"
#include "WaitCursor.h"

#include <QAction>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QTextDocument>
#include <QThread>

// The find and replace commands hand the opening of their dialog to the user-interface thread from a
// worker of their own that ends as soon as the dialog is open, so the command returns at once.
class TDialogWorker : public QThread {
public:
    TDialogWorker(TFrmMain& window, void (TFrmMain::*show)())
        : FWindow(&window)
        , FShow(show)
    {
        connect(this, &QThread::finished, this, &QObject::deleteLater);
    }

protected:
    void run() override
    {
        QMetaObject::invokeMethod(
            qApp,
            [window = FWindow, show = FShow] {
                if (window)
                    RunCommand(window->Dialogs(), [&] { (window->*show)(); });
            },
            Qt::BlockingQueuedConnection);
    }

private:
    QPointer<TFrmMain> FWindow;
    void (TFrmMain::*FShow)();
};

class TSearchFind : public TDialogWorker {
public:
    explicit TSearchFind(TFrmMain& window)
        : TDialogWorker(window, &TFrmMain::ShowFindDialog)
    {
    }
};

class TFindReplace : public TDialogWorker {
public:
    explicit TFindReplace(TFrmMain& window)
        : TDialogWorker(window, &TFrmMain::ShowReplaceDialog)
    {
    }
};

void TFrmMain::WaitForWorkers()
{
    // A worker blocks until the user-interface thread has run its call; run it here so it can end.
    for (const QPointer<QThread>& worker : std::as_const(FWorkers)) {
        while (worker && !worker->wait(10))
            QCoreApplication::sendPostedEvents(qApp, QEvent::MetaCall);
    }
    FWorkers.clear();
}

void TFrmMain::StartWorker(QThread* worker)
{
    FWorkers.removeAll(nullptr);
    FWorkers.append(worker);
    worker->start();
}

// ---- clipboard, undo and deletion ----

void TFrmMain::BtnCutClick() { Editor->CutToClipboard(); }
void TFrmMain::btnCopyClick() { Editor->CopyToClipboard(); }
void TFrmMain::BtnPasteClick() { Editor->PasteFromClipboard(); }
void TFrmMain::BtnUndoClick() { Editor->Undo(); }
void TFrmMain::BtnRedoClick() { Editor->Redo(); }
void TFrmMain::SelectAll2Click() { Editor->SelectAll(); }
void TFrmMain::Delete2Click() { Editor->ClearSelection(); }
void TFrmMain::DeleteAll1Click()
{
    // One edit the user can undo, leaving the document modified, never a silent reset.
    Editor->SelectAll();
    Editor->ClearSelection();
}

// ---- insertion ----

void TFrmMain::BtnDateClick()
{
    Editor->SetSelectedText(LongDateText(FClock.Today()));
    // The inserted date is left selected; the caret goes after it.
    Editor->SetSelectionStart(Editor->SelectionStart() + Editor->SelectionLength());
}

void TFrmMain::BtnPictureClick()
{
    ProcessMessages();
    if (OpenPictureDialog1.Filter.isEmpty()) {
        OpenPictureDialog1.Filter = OpenPictureFilter();
        OpenPictureDialog1.Options.FileMustExist = true;
        OpenPictureDialog1.Options.PathMustExist = true;
    }
    if (!FDialogs.OpenPicture(OpenPictureDialog1))
        return;
    ProcessMessages();
    TWaitCursor wait;
    InsertPictureFile(*Editor, OpenPictureDialog1.FileName);
}

// ---- find and replace ----

void TFrmMain::btnFindTClick() { StartWorker(new TSearchFind(*this)); }
void TFrmMain::btnFindTextClick() { StartWorker(new TFindReplace(*this)); }

void TFrmMain::ShowFindDialog()
{
    if (!FDestroying)
        Editor->OpenFindDialog(Editor->SelectedText());
}

void TFrmMain::ShowReplaceDialog()
{
    if (!FDestroying)
        Editor->OpenReplaceDialog(Editor->SelectedText(), QString());
}

void TFrmMain::FindNext1Click()
{
    if (!Editor->RepeatFind())
        FShell.Beep();
    if (Editor->isEnabled() && Editor->isVisible())
        Editor->SetFocus();
}

void TFrmMain::EditorTextNotFound(const QString& findText)
{
    FDialogs.ShowWarning(QStringLiteral("Text \"%1\" not found.").arg(findText));
}

void TFrmMain::EditorProtectChange(bool& allowChange) { allowChange = FAllowProtectedChange; }

// ---- displays that follow the caret ----

void TFrmMain::UpdateWordCount(const QString& text) { Label3->setText(WordCountText(CountWords(text))); }

void TFrmMain::UpdateWordCount()
{
    if (const std::optional<TTextCounts> counts = FWordCounter->Counts(*Editor->Control().document()))
        Label3->setText(WordCountText(*counts));
    else
        UpdateWordCount(Editor->Text());
}

void TFrmMain::UpdateCaretPosition()
{
    const QPoint caret = Editor->CaretPosition();
    SetStatusText(1, CaretPositionText(caret.y(), caret.x()));
}

// ---- editor events ----

void TFrmMain::EditorChange()
{
    SetModifiedState(Editor->Modified());
    if (FRecovery)
        FRecovery->NoteChange();
}

void TFrmMain::EditorKeyDown(int& key)
{
    if (key == Qt::Key_NumLock || key == Qt::Key_CapsLock || key == Qt::Key_ScrollLock || key == Qt::Key_Insert)
        UpdateLockKeys();
}

void TFrmMain::EditorMouseDown(TMouseButton button)
{
    if (button == TMouseButton::mbRight)
        PopupMenu1->popup(QCursor::pos());
}
