// MainFiles.cpp: the main window's document files: New, Open, Save and Save As, and loading and saving
// by path with the format chosen by the extension.
#include "Main.h"

#include "AtomicFile.h"
#include "CompressedDocument.h"
#include "Errors.h"
#include "FileNames.h"
#include "History.h"
#include "RichEditControl.h"
#include "TrackBar.h"
#include "WaitCursor.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

namespace {

const QString OpenFilter = QStringLiteral(
    "Rich Text Format (*.rtf)|*.rtf|Rich Text Compressed (*.rtc)|*.rtc|Word 97-2003 & 6.0/95 - RTF (*.doc)|*.doc|"
    "Plain Text (*.txt)|*.txt|Tous Fichiers (*.*)|*.*");
const QString SaveFilter = QStringLiteral(
    "Rich Text Format (*.rtf)|*.rtf|Rich Text Compressed (*.rtc)|*.rtc|Word 97-2003 & 6.0/95 - RTF (*.doc)|*.doc|"
    "Portable Document Format (*.pdf)|*.pdf|Orvane Presentation Format (*.ovp)|*.ovp|Plain Text (*.txt)|*.txt");

bool IsExport(const QString& extension)
{
    return extension == QLatin1String(".pdf") || extension == QLatin1String(".ovp");
}

bool IsSavable(const QString& extension)
{
    static const QStringList Known { QStringLiteral(".rtf"), QStringLiteral(".doc"), QStringLiteral(".rtc"),
        QStringLiteral(".pdf"), QStringLiteral(".ovp"), QStringLiteral(".txt") };
    return Known.contains(extension);
}

// Saving under a name of no known format would write nothing and still clear the modified flag.
void RequireSavable(const QString& path)
{
    if (!IsSavable(ExtensionOf(path)))
        throw Exception(
            QStringLiteral("Cannot save %1: the file name must end in .rtf, .rtc, .doc, .txt, .pdf or .ovp").arg(path));
}

// A file holding NUL bytes is a program or a picture, unless it is RTF or text in UTF-16; shown as
// text it would be garbage that a later save writes over the original.
bool IsBinaryFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false; // the load reports why it cannot read it
    QByteArray chunk = file.read(64 * 1024);
    const QByteArray head = chunk.left(64).trimmed();
    if (head.startsWith("{\\rtf") || chunk.startsWith("\xFF\xFE") || chunk.startsWith("\xFE\xFF"))
        return false;
    while (!chunk.isEmpty()) {
        if (chunk.contains('\0'))
            return true;
        chunk = file.read(64 * 1024);
    }
    return false;
}

// The first local document file a drag carries; empty when it carries none.
QString DraggedDocument(const QMimeData* data)
{
    static const QStringList Documents { QStringLiteral(".rtf"), QStringLiteral(".doc"), QStringLiteral(".rtc"),
        QStringLiteral(".txt") };
    if (!data || !data->hasUrls())
        return QString();
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        const QFileInfo file(url.toLocalFile());
        if (file.isFile() && Documents.contains(ExtensionOf(file.fileName())))
            return file.absoluteFilePath();
    }
    return QString();
}

const QString PlainTextQuestion = QStringLiteral("Saving as plain text removes all formatting and pictures. Continue?");

} // namespace

void TFrmMain::SetDocumentMode(bool plainText)
{
    Editor->SetPlainText(plainText);
    Editor->SetStreamMode(plainText ? TRichStreamModes {} : TRichStreamModes { TRichStreamMode::smUnicode });
}

void TFrmMain::AddToHistory(const QString& path)
{
    if (FHistoryForm)
        FHistoryForm->AddToHistory(path);
}

void TFrmMain::BtnNewClick()
{
    if (Editor->Modified())
        PromptSaveChanges();
    ProcessMessages();
    FCurrentFile = UntitledDocument;
    setWindowTitle(DesignCaption);
    QCoreApplication::setApplicationName(ApplicationTitle); // message boxes no longer name the old file
    SetDocumentMode(false);
    Editor->Lines()->Clear();
    Editor->Perform(EM_SETTYPOGRAPHYOPTIONS, TO_ADVANCEDTYPOGRAPHY, TO_ADVANCEDTYPOGRAPHY);
    ApplyStoredFont();
    SetModifiedState(false);
    EditorSelectionChange();
    ProcessMessages();
}

void TFrmMain::BtnOpenClick()
{
    if (Editor->Modified())
        PromptSaveChanges();
    if (OpenFileDialog.Filter.isEmpty()) {
        OpenFileDialog.Filter = OpenFilter;
        OpenFileDialog.DefaultExt = QStringLiteral("rtf");
        OpenFileDialog.Options.PathMustExist = true;
        OpenFileDialog.Options.FileMustExist = true;
    }
    OpenFileDialog.Title = QStringLiteral("Open Document");
    if (!FDialogs.OpenFile(OpenFileDialog)) {
        ProcessMessages();
        return;
    }
    OpenChosenDocument(OpenFileDialog.FileName);
}

void TFrmMain::OpenChosenDocument(const QString& path)
{
    ProcessMessages();
    AddToHistory(path); // before reading, so the entry stays even when reading fails
    ProcessMessages();
    {
        TWaitCursor wait;
        OpenDocumentFrom(path);
    }
    ProcessMessages();
}

void TFrmMain::DropDocument(const QString& path)
{
    if (Editor->Modified())
        PromptSaveChanges();
    OpenChosenDocument(path);
}

void TFrmMain::AcceptDocumentDrops()
{
    // The editor takes dropped text itself; a dropped document file is the window's.
    setAcceptDrops(true);
    Editor->Control().viewport()->installEventFilter(this);
}

bool TFrmMain::HandleDocumentDrag(QEvent* event)
{
    auto* drag = static_cast<QDropEvent*>(event);
    const QString path = DraggedDocument(drag->mimeData());
    if (path.isEmpty())
        return false;
    if (event->type() != QEvent::Drop) {
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
        return true;
    }
    drag->setDropAction(Qt::CopyAction);
    drag->accept();
    // Opened once the drop is over: a question asked inside it would hold the program it came from.
    QTimer::singleShot(0, this, [this, path] { Run([&] { DropDocument(path); }); });
    return true;
}

bool TFrmMain::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop)
        && watched == Editor->Control().viewport() && HandleDocumentDrag(event))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

void TFrmMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (!HandleDocumentDrag(event))
        event->ignore();
}

void TFrmMain::dragMoveEvent(QDragMoveEvent* event)
{
    if (!HandleDocumentDrag(event))
        event->ignore();
}

void TFrmMain::dropEvent(QDropEvent* event)
{
    if (!HandleDocumentDrag(event))
        event->ignore();
}

void TFrmMain::SaveWithDialog(TFileDialogData& dialog)
{
    if (dialog.Filter.isEmpty()) {
        dialog.Filter = SaveFilter;
        dialog.DefaultExt = QStringLiteral("rtf");
        dialog.Options.OverwritePrompt = true;
        dialog.Options.PathMustExist = true;
    }
    if (!FDialogs.SaveFile(dialog))
        return;
    const QString path = dialog.FileName;
    RequireSavable(path);
    // Plain text keeps only the characters, in the window too; the user decides before they go.
    if (ExtensionOf(path) == QLatin1String(".txt") && !Editor->PlainText()
        && FDialogs.ConfirmYesNo(PlainTextQuestion) != mrYes)
        return;
    ProcessMessages();
    if (!IsExport(ExtensionOf(path)))
        AddToHistory(path);
    ProcessMessages();
    {
        TWaitCursor wait;
        SaveDocumentTo(path);
    }
    ProcessMessages();
}

void TFrmMain::BtnSaveClick()
{
    if (FCurrentFile != UntitledDocument) {
        ProcessMessages();
        {
            TWaitCursor wait;
            SaveDocumentTo(FCurrentFile);
        }
        ProcessMessages();
        return;
    }
    SaveDialog1.FileName = UntitledDocument;
    SaveWithDialog(SaveDialog1);
}

void TFrmMain::SaveDocumentAs1Click()
{
    // The current name without folder and extension; an untitled document proposes its title.
    const QString extension = ExtensionOf(FCurrentFile);
    const QString name = QFileInfo(FCurrentFile).fileName();
    SaveDialog1.FileName = extension.isEmpty() ? FCurrentFile : name.left(name.size() - extension.size());
    SaveWithDialog(SaveDialog1);
}

void TFrmMain::AfterTransfer()
{
    if (FHeadless) {
        SetModifiedState(false);
        return;
    }
    ApplyZoom(ZoomBar->Position()); // loading text into the control drops its zoom
    ProcessMessages();
    SetModifiedState(false);
    Editor->SetFocus();
    QCoreApplication::setApplicationName(QFileInfo(FCurrentFile).fileName());
    ProcessMessages();
    // The caret did not move, so the control reports no selection change for the new text.
    EditorSelectionChange();
}

void TFrmMain::OpenDocumentFrom(const QString& path)
{
    const QString extension = ExtensionOf(path);
    if (extension != QLatin1String(".rtc") && IsBinaryFile(path))
        throw Exception(QStringLiteral("%1 is not a document Tamsel can open.").arg(path));
    FCurrentFile = path;
    SetCaptionFor(path);
    Editor->Clear();
    try {
        if (extension == QLatin1String(".rtf") || extension == QLatin1String(".doc")) {
            SetDocumentMode(false);
            Editor->Lines()->LoadFromFile(path);
        } else if (extension == QLatin1String(".rtc")) {
            SetDocumentMode(false);
            LoadCompressedDocument(*Editor, path);
        } else if (extension == QLatin1String(".txt")) {
            SetDocumentMode(true);
            Editor->Lines()->LoadFromFile(path);
        }
    } catch (...) {
        // What could not be read stays untitled, so a later Save asks for a name instead of
        // overwriting the file with what little was read.
        FCurrentFile = UntitledDocument;
        setWindowTitle(DesignCaption);
        throw;
    }
    AfterTransfer();
}

// Written beside the target and moved over it only when complete: a failed save keeps the old file.
void TFrmMain::SaveDocumentFile(const QString& path)
{
    WriteFileAtomically(path, [this](QIODevice& file) { Editor->Lines()->SaveToStream(file); });
}

void TFrmMain::SaveDocumentTo(const QString& path)
{
    RequireSavable(path);
    const QString extension = ExtensionOf(path);
    const bool exporting = IsExport(extension);
    if (!exporting) {
        FCurrentFile = path;
        SetCaptionFor(path);
    }
    if (extension == QLatin1String(".rtf") || extension == QLatin1String(".doc")) {
        SetDocumentMode(false);
        SaveDocumentFile(path);
    } else if (extension == QLatin1String(".rtc")) {
        SetDocumentMode(false);
        SaveCompressedDocument(*Editor, path);
    } else if (extension == QLatin1String(".pdf")) {
        SetDocumentMode(false);
        ExportToPdf(path);
    } else if (extension == QLatin1String(".ovp")) {
        SetDocumentMode(false);
        ExportToPresentation(path);
    } else if (extension == QLatin1String(".txt")) {
        SetDocumentMode(true);
        SaveDocumentFile(path);
    }
    // An export is no copy the user can edit again: the document keeps its unsaved changes.
    const bool modified = Editor->Modified();
    AfterTransfer();
    if (exporting)
        SetModifiedState(modified);
    else
        DiscardRecoveryCopy();
}
