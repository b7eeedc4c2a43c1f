// History.cpp: the document history window and its file.
#include "History.h"

#include "AtomicFile.h"
#include "CommandGuard.h"
#include "Dialogs.h"
#include "Errors.h"
#include "FileNames.h"
#include "Hints.h"
#include "HistoryOwner.h"
#include "RtfCodePages.h"
#include "Skin.h"
#include "SkinButton.h"
#include "SkinPanel.h"
#include "TamselIcons.h"
#include "WaitCursor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QShowEvent>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace {

const QString MovedMessage = QStringLiteral("Document does not exist or has been moved.");

// FileExists of the platform: a directory of that name does not count.
bool FileExists(const QString& path) { return !path.isEmpty() && QFileInfo(path).isFile(); }

class THistoryItemDelegate : public QStyledItemDelegate {
public:
    THistoryItemDelegate(const THistoryForm& form, QObject* parent)
        : QStyledItemDelegate(parent)
        , FForm(form)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        painter->save();
        FForm.ListBox1DrawItem(*painter, index.row(), option.rect, option.state.testFlag(QStyle::State_Selected),
            option.state.testFlag(QStyle::State_HasFocus));
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        return QSize(1, THistoryForm::ItemHeight); // the view stretches the entries to its width
    }

private:
    const THistoryForm& FForm;
};

TSkinButton* NewButton(const QString& caption, const QString& hint, const char* name, QWidget* parent)
{
    auto* button = new TSkinButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    SetHint(*button, hint);
    button->setMinimumSize(150, 30);
    return button;
}

} // namespace

int HistoryPictureIndex(const QString& path)
{
    const QString extension = ExtensionOf(path);
    if (extension == u".txt")
        return 0;
    if (extension == u".rtf")
        return 2;
    if (extension == u".doc")
        return 3;
    if (extension == u".htm" || extension == u".html" || extension == u".xml")
        return 4;
    if (extension == u".rtc")
        return 6;
    return 1;
}

QString ElidedPath(const QString& path, const QFontMetrics& metrics, int width)
{
    if (metrics.horizontalAdvance(path) <= width)
        return path;
    const qsizetype separator = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    if (separator <= 0)
        return metrics.elidedText(path, Qt::ElideMiddle, width);
    const QString name = path.mid(separator); // with its separator, so the ellipsis stands for folders
    const QString ellipsis(QChar(0x2026));
    const int foldersWidth = width - metrics.horizontalAdvance(name);
    if (foldersWidth >= metrics.horizontalAdvance(ellipsis)) {
        const QString folders = metrics.elidedText(path.left(separator), Qt::ElideMiddle, foldersWidth);
        if (!folders.isEmpty())
            return folders + name;
    }
    // Not even the name fits: it is cut at its end after an ellipsis for the folders.
    return metrics.elidedText(ellipsis + name, Qt::ElideRight, width);
}

QStringList ReadHistoryFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError(fileName);
    const QByteArray bytes = file.read(MaxHistoryFileSize + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > MaxHistoryFileSize)
        throw EFOpenError(fileName);
    const QString text = TextFromUtf8OrWindows1252(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes);
    QStringList entries;
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (!line.isEmpty())
            entries.append(line.toString());
    }
    return entries;
}

void WriteHistoryFile(const QString& fileName, const QStringList& entries)
{
    QByteArray bytes;
    for (const QString& entry : entries) {
        bytes += entry.toUtf8();
        bytes += "\r\n";
    }
    // The folder may be a configuration folder not made yet.
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    WriteFileAtomically(fileName, bytes);
}

THistoryForm::THistoryForm(IHistoryOwner& owner, IDialogs& dialogs, QString historyFile, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , FOwner(owner)
    , FDialogs(dialogs)
    , FHistoryFile(std::move(historyFile))
{
    setObjectName(QStringLiteral("HistoryForm"));
    setWindowTitle(QStringLiteral("Document History"));
    setFixedSize(688, 462);

    SkPanel1 = new TSkinPanel(QStringLiteral("Document History"), TSkinPanelKind::pkTitle, this);
    SkPanel1->setObjectName(QStringLiteral("SkPanel1"));
    SkPanel1->setFixedHeight(45);
    QFont titleFont(QStringLiteral("Arial"), 12);
    titleFont.setBold(true);
    SkPanel1->setFont(titleFont);
    SkPanel1->SetFontColor(RGB(255, 255, 255));
    SkPanel1->SetAlignment(Qt::AlignCenter);
    SkPanel1->SetDragsWindow(true);

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setFont(QFont(QStringLiteral("Arial"), 12));
    ListBox1->setFrameShape(QFrame::NoFrame);
    ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListBox1->setUniformItemSizes(true);
    ListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff); // long paths are elided instead
    ListBox1->setItemDelegate(new THistoryItemDelegate(*this, ListBox1));
    QPalette listPalette = ListBox1->palette();
    listPalette.setColor(QPalette::Base, Qt::white);
    ListBox1->setPalette(listPalette);

    SkPanel2 = new TSkinPanel(this);
    SkPanel2->setObjectName(QStringLiteral("SkPanel2"));
    SkPanel2->SetKind(TSkinPanelKind::pkFlat);
    SkPanel2->SetColor(RGB(218, 229, 244));
    SkPanel2->setFixedHeight(48);
    SkButton1 = NewButton(QStringLiteral(" Vider Liste"), QStringLiteral("|Effacer Tout"), "SkButton1", SkPanel2);
    btnRemove = NewButton(
        QStringLiteral(" Supprimer de Liste"), QStringLiteral("|Effacer Document Sélectionné"), "btnRemove", SkPanel2);
    btnOpen = NewButton(QStringLiteral("  Ouvrir"), QStringLiteral("|Ouvrir Document"), "btnOpen", SkPanel2);
    btnClose = NewButton(QStringLiteral("  Fermer"), QStringLiteral("|Fermer"), "btnClose", SkPanel2);
    auto* buttons = new QHBoxLayout(SkPanel2);
    buttons->setContentsMargins(8, 8, 8, 8);
    buttons->setSpacing(8);
    buttons->addWidget(SkButton1);
    buttons->addWidget(btnRemove);
    buttons->addStretch(1);
    buttons->addWidget(btnOpen);
    buttons->addWidget(btnClose);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(SkPanel1);
    layout->addWidget(ListBox1, 1);
    layout->addWidget(SkPanel2);

    SkPanel1->OnMouseDown
        = Guarded(FDialogs, [this](QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
              SkPanel1MouseDown(sender, button, shift, x, y);
          });
    SkButton1->OnClick = Guarded(FDialogs, [this](QObject* sender) { uxButton1Click(sender); });
    btnRemove->OnClick = Guarded(FDialogs, [this](QObject* sender) { btnRemoveClick(sender); });
    btnOpen->OnClick = Guarded(FDialogs, [this](QObject* sender) { btnOpenClick(sender); });
    btnClose->OnClick = Guarded(FDialogs, [this](QObject* sender) { btnCloseClick(sender); });
    connect(ListBox1, &QListWidget::itemClicked, this,
        [this](QListWidgetItem*) { RunCommand(FDialogs, [this] { ListBox1Click(ListBox1); }); });
    connect(ListBox1, &QListWidget::itemDoubleClicked, this,
        [this](QListWidgetItem*) { RunCommand(FDialogs, [this] { btnOpenClick(ListBox1); }); });

    static constexpr const char16_t* PictureNames[]
        = { u"file-txt", u"file-other", u"file-rtf", u"file-doc", u"file-web", nullptr, u"file-rtc" };
    for (std::size_t i = 0; i < FPictures.size(); ++i)
        if (PictureNames[i])
            FPictures[i] = TamselIcon(PictureNames[i]);

    RunCommand(FDialogs, [this] { FormCreate(this); });
}

THistoryForm::~THistoryForm() = default;

void THistoryForm::AddToHistory(const QString& path)
{
    ListBox1->insertItem(0, path);
    // The document just opened or saved is the one the list offers next time, not whichever entry
    // the focus drifted to as rows were inserted above it.
    ListBox1->clearSelection();
    ListBox1->selectionModel()->setCurrentIndex(ListBox1->model()->index(0, 0), QItemSelectionModel::NoUpdate);
}

QStringList THistoryForm::Entries() const
{
    QStringList entries;
    entries.reserve(ListBox1->count());
    for (int i = 0; i < ListBox1->count(); ++i)
        entries.append(ListBox1->item(i)->text());
    return entries;
}

void THistoryForm::FormCreate(QObject*)
{
    try {
        ListBox1->addItems(ReadHistoryFile(FHistoryFile));
        FJustLoaded = true;
    } catch (const std::exception&) { // no history yet, or one that cannot be read: start empty
    }
}

void THistoryForm::FormShow(QObject*)
{
    if (FJustLoaded) {
        if (ListBox1->count() > 0) {
            ListBox1->item(0)->setSelected(true);
            // A fresh list box has its focus on the first entry.
            if (ListBox1->currentRow() < 0)
                ListBox1->selectionModel()->setCurrentIndex(
                    ListBox1->model()->index(0, 0), QItemSelectionModel::NoUpdate);
        }
        FJustLoaded = false;
    }
    if (ListBox1->count() > 0 && ListBox1->currentItem())
        ListBox1->currentItem()->setSelected(true);
    ListBox1->setFocus();
}

void THistoryForm::FormDestroy(QObject*) { WriteHistoryFile(FHistoryFile, Entries()); }

void THistoryForm::ListBox1Click(QObject*)
{
    const QListWidgetItem* focused = ListBox1->currentItem();
    if (focused && !FileExists(focused->text()))
        FDialogs.ShowInformation(MovedMessage + QStringLiteral("\r\n\r\n")
            + QStringLiteral("Please remove this listing from document history."));
}

void THistoryForm::ListBox1DrawItem(QPainter& painter, int index, const QRect& rect, bool selected, bool focused) const
{
    const QListWidgetItem* item = ListBox1->item(index);
    if (!item)
        return;
    const QString path = item->text();
    painter.setRenderHint(QPainter::Antialiasing, false);
    // Also under the rounded corners, which the style's row panel may have tinted.
    painter.fillRect(rect, Qt::white);
    if (selected) {
        constexpr qreal cornerRadius = 2.5; // the corner ellipse is 5 x 5 pixels
        QPainterPath rounded;
        rounded.addRoundedRect(QRectF(rect), cornerRadius, cornerRadius);
        painter.save();
        painter.setClipPath(rounded, Qt::IntersectClip);
        const COLORREF colors[] = { RGB(255, 245, 221), RGB(255, 245, 221), RGB(255, 210, 94) };
        FillGradient(painter, rect, colors, true);
        painter.setPen(QPen(QColor(197, 197, 197), 1));
        painter.setBrush(Qt::NoBrush);
        // A one-pixel pen outlines one pixel beyond the rectangle, so this ends one pixel short of
        // the entry's right and bottom edges.
        painter.drawRoundedRect(rect.adjusted(0, 0, -2, -2), cornerRadius, cornerRadius);
        painter.restore();
    }
    if (focused) {
        painter.setPen(QPen(QColor(128, 128, 128), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect.adjusted(2, 2, -4, -4));
    }

    const QIcon& picture = FPictures[std::size_t(HistoryPictureIndex(path))];
    if (!picture.isNull())
        picture.paint(&painter, QRect(rect.left() + 2, rect.top() + 1, 32, 32));

    painter.setPen(Qt::black);
    painter.setFont(ListBox1->font());
    const QRect textRect(QPoint(rect.left() + 40, rect.top() + 8), rect.bottomRight());
    if (textRect.width() > 0)
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
            ElidedPath(path, painter.fontMetrics(), textRect.width()));
}

void THistoryForm::btnOpenClick(QObject*)
{
    if (FOwner.DocumentModified())
        FOwner.PromptSaveChanges(); // Cancel throws EAbort before anything has changed
    if (SelectedCount() != 1) {
        FDialogs.ShowInformation(QStringLiteral("Please select only one document to open."));
        return;
    }
    const QString path = ListBox1->selectedItems().constFirst()->text();
    if (!FileExists(path)) {
        FDialogs.ShowInformation(MovedMessage);
        return;
    }
    // The document moves to the top: the new entry is not selected, the old one is.
    ListBox1->insertItem(0, path);
    DeleteSelected();
    ListBox1->selectionModel()->setCurrentIndex(ListBox1->model()->index(0, 0), QItemSelectionModel::NoUpdate);

    hide(); // out of the way of the main window while the document loads
    ProcessMessages();
    try {
        ProcessMessages();
        {
            TWaitCursor wait;
            FOwner.OpenDocumentFrom(path);
        }
        ProcessMessages();
    } catch (const EAbort&) { // the loading was cancelled on purpose: nothing to report
        reject();
        return;
    } catch (...) {
        ProcessMessages();
        // The entry may name a file that is no longer what it was; the error's own text is not shown.
        FDialogs.ShowInformation(MovedMessage);
        reject();
        return;
    }
    accept();
}

void THistoryForm::btnRemoveClick(QObject*)
{
    if (FDialogs.ConfirmYesNo(QStringLiteral("Remove Selected Document(s)?")) == mrYes)
        DeleteSelected();
    if (ListBox1->count() > 0 && ListBox1->currentItem())
        ListBox1->currentItem()->setSelected(true);
    ListBox1->setFocus();
}

void THistoryForm::uxButton1Click(QObject*)
{
    if (FDialogs.ConfirmYesNo(QStringLiteral("Clear All of List?")) == mrYes)
        ListBox1->clear();
    ListBox1->setFocus();
}

void THistoryForm::btnCloseClick(QObject*) { reject(); }

void THistoryForm::SkPanel1MouseDown(QObject*, Qt::MouseButton button, Qt::KeyboardModifiers, int, int)
{
    // The panel's dragger moves the window; a control still holding the mouse would take the moves.
    if (button == Qt::LeftButton)
        if (QWidget* grabber = QWidget::mouseGrabber())
            grabber->releaseMouse();
}

void THistoryForm::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        CenterOnParent();
        RunCommand(FDialogs, [this] { FormShow(this); });
    }
    QDialog::showEvent(event);
}

void THistoryForm::CenterOnParent()
{
    const QWidget* parent = parentWidget();
    if (!parent)
        return;
    const QPoint center = parent->window()->frameGeometry().center();
    move(center - QPoint(width() / 2, height() / 2));
}

void THistoryForm::DeleteSelected() { qDeleteAll(ListBox1->selectedItems()); }

int THistoryForm::SelectedCount() const { return int(ListBox1->selectionModel()->selectedRows().size()); }
