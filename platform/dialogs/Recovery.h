#pragma once
// Recovery.h: the recovery copy of work with unsaved changes. While the work is changed and not
// saved, a copy is written now and then into the user's configuration folder; a save or a normal
// close removes it. A copy left behind by a program that ended without removing it (a
// crash, a killed process) is offered at the next start.
#include <QDateTime>
#include <QString>

#include <functional>
#include <vector>

class IDialogs;
class QObject;

struct TRecoveryCopy {
    QString CopyPath; // the copy itself
    QString InfoPath; // its original file name and time
    QString OriginalFile; // as the window named the document ("Untitled Document" for a new one)
    QDateTime Time; // when the copy was written
};

class TRecovery {
public:
    /// Copies are written at most this often.
    static constexpr qint64 IntervalSeconds = 60;

    /// The copies of this program go into folder, named by its process, so several programs running
    /// at once keep one copy each; suffix is the copy's file type.
    explicit TRecovery(QString folder, qint64 processId, const QString& suffix = QStringLiteral("rtf"));

    /// The document changed since the last copy.
    void NoteChange() { FChanged = true; }
    /// True when a change is waiting and the last copy is at least IntervalSeconds old.
    bool Due(const QDateTime& now) const;
    /// Writes the copy atomically (the copy first, then the note naming it); throws EFCreateError.
    void Write(const QByteArray& copy, const QString& originalFile, const QDateTime& now);
    /// Removes this program's copy: the document was saved, closed or left without changes.
    void Discard();
    bool HasCopy() const;
    const QString& CopyPath() const { return FCopyPath; }

    /// Copies whose program is no longer running, newest first. Notes without their copy are removed.
    /// A copy under ownProcess's number was left by an earlier program that had the same number
    /// (containers start their programs with the same numbers every time).
    static std::vector<TRecoveryCopy> LeftBehind(
        const QString& folder, qint64 ownProcess = 0, const QString& suffix = QStringLiteral("rtf"));
    static void Remove(const TRecoveryCopy& copy);
    /// The question offering the copy, in the words of the program named.
    static QString OfferText(const TRecoveryCopy& copy, const QString& program);

private:
    QString FCopyPath;
    QString FInfoPath;
    QDateTime FLastWrite;
    bool FChanged = false;
};

/// Calls save now and then while owner lives, to write the copy when it is due; a failure is
/// ignored, so a copy that cannot be written never interrupts the typing with error boxes.
void StartRecoveryTimer(QObject* owner, const std::function<void()>& save);

/// Asks whether to restore the copy, with the buttons "Restore" and "Discard"; true for Restore.
bool AskToRestore(IDialogs& dialogs, const TRecoveryCopy& copy, const QString& program);
