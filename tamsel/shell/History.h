#pragma once
// History.h: the document history window. It keeps the list of documents opened or saved through
// the file dialogs (newest first), stores it in a small text file, and reopens, removes or clears
// its entries.
#include <QDialog>
#include <QIcon>
#include <QString>
#include <QStringList>

#include <array>

class IDialogs;
class IHistoryOwner;
class QFontMetrics;
class QListWidget;
class QPainter;
class TSkinButton;
class TSkinPanel;

/// The picture of an entry, by the path's extension compared with its letter case: 0 plain text,
/// 1 other files, 2 RTF, 3 .doc, 4 web and XML files, 6 compressed rich text (5 is never chosen).
int HistoryPictureIndex(const QString& path);

/// The path shortened to the width by eliding folders in its middle, keeping the file name whole
/// while it fits.
QString ElidedPath(const QString& path, const QFontMetrics& metrics, int width);

/// Bytes; a larger history file is not read, so a damaged one cannot fill the memory.
constexpr qsizetype MaxHistoryFileSize = 16 * 1024 * 1024;

/// The entries of a history file; a missing, unreadable or oversized file throws EFOpenError.
/// UTF-8, or Windows-1252 as older versions wrote; lines ended by CR LF or LF, empty lines skipped.
QStringList ReadHistoryFile(const QString& fileName);
/// Replaces the file with one CR LF ended UTF-8 line per entry; a failure throws EFCreateError and
/// leaves the old file as it was.
void WriteHistoryFile(const QString& fileName, const QStringList& entries);

class THistoryForm : public QDialog {
    Q_OBJECT

public:
    /// Reads the history file at once (FormCreate); the window stays hidden until shown.
    THistoryForm(IHistoryOwner& owner, IDialogs& dialogs, QString historyFile, QWidget* parent = nullptr);
    /// Does not write the file: the main window calls FormDestroy inside its own error guard.
    ~THistoryForm() override;

    static constexpr int ItemHeight = 35; // pixels

    /// Puts the path at the top, duplicates allowed; the focus stays on the entry it was on.
    void AddToHistory(const QString& path);
    QStringList Entries() const;
    QString HistoryFile() const { return FHistoryFile; }
    /// The file was read and the first showing has not yet selected the newest entry.
    bool JustLoaded() const { return FJustLoaded; }

    void FormCreate(QObject* sender);
    void FormShow(QObject* sender);
    /// Writes the entries to the history file; throws EFCreateError.
    void FormDestroy(QObject* sender = nullptr);

    void ListBox1Click(QObject* sender);
    void ListBox1DrawItem(QPainter& painter, int index, const QRect& rect, bool selected, bool focused) const;
    void btnOpenClick(QObject* sender);
    void btnRemoveClick(QObject* sender);
    void uxButton1Click(QObject* sender);
    void btnCloseClick(QObject* sender);
    void SkPanel1MouseDown(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);

    TSkinPanel* SkPanel1 = nullptr;
    QListWidget* ListBox1 = nullptr;
    TSkinPanel* SkPanel2 = nullptr; // the bottom panel with the buttons
    TSkinButton* SkButton1 = nullptr;
    TSkinButton* btnRemove = nullptr;
    TSkinButton* btnOpen = nullptr;
    TSkinButton* btnClose = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CenterOnParent();
    void DeleteSelected();
    int SelectedCount() const;

    IHistoryOwner& FOwner;
    IDialogs& FDialogs;
    QString FHistoryFile;
    bool FJustLoaded = false;
    std::array<QIcon, 7> FPictures; // by HistoryPictureIndex; null where a picture is missing
};
