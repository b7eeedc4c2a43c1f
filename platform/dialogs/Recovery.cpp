// Recovery.cpp
#include "Recovery.h"

#include "AtomicFile.h"
#include "Dialogs.h"
#include "IniFile.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#endif

namespace {

const QString Prefix = QStringLiteral("Recovery-");
// How often a window looks for a change to copy; TRecovery limits the copies to one a minute.
constexpr int RecoveryCheckMilliseconds = 5000;
const QString Section = QStringLiteral("Recovery");

// A process that still runs keeps its copy. A killed one may linger unreaped, and its number may
// soon belong to another program: neither is a Tamsel that still runs.
bool ProcessRuns(qint64 id)
{
#if defined(Q_OS_LINUX)
    QFile status(QStringLiteral("/proc/%1/stat").arg(id));
    if (id <= 0 || !status.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = status.readAll();
    const qsizetype nameEnd = line.lastIndexOf(')');
    if (nameEnd < 0 || nameEnd + 2 >= line.size() || line[nameEnd + 2] == 'Z' || line[nameEnd + 2] == 'X')
        return false;
    const QString program = QFileInfo(QStringLiteral("/proc/%1/exe").arg(id)).symLinkTarget();
    // A program of another user cannot be looked at: it may be a Tamsel, so its copy waits.
    return program.isEmpty()
        || QFileInfo(program).fileName() == QFileInfo(QCoreApplication::applicationFilePath()).fileName();
#elif defined(Q_OS_UNIX)
    return id > 0 && (::kill(pid_t(id), 0) == 0 || errno == EPERM);
#else
    Q_UNUSED(id);
    return false;
#endif
}

} // namespace

TRecovery::TRecovery(QString folder, qint64 processId, const QString& suffix)
{
    const QDir dir(folder);
    FCopyPath = dir.filePath(Prefix + QString::number(processId) + u'.' + suffix);
    FInfoPath = dir.filePath(Prefix + QString::number(processId) + QStringLiteral(".ini"));
}

bool TRecovery::Due(const QDateTime& now) const
{
    return FChanged && (!FLastWrite.isValid() || FLastWrite.secsTo(now) >= IntervalSeconds);
}

void TRecovery::Write(const QByteArray& copy, const QString& originalFile, const QDateTime& now)
{
    QDir().mkpath(QFileInfo(FCopyPath).absolutePath());
    WriteFileAtomically(FCopyPath, copy);
    // The note comes second: a note always names a complete copy.
    TIniFile info(FInfoPath);
    info.WriteString(Section, QStringLiteral("File"), originalFile);
    info.WriteString(Section, QStringLiteral("Time"), now.toString(Qt::ISODate));
    info.UpdateFile();
    FLastWrite = now;
    FChanged = false;
}

void TRecovery::Discard()
{
    QFile::remove(FInfoPath);
    QFile::remove(FCopyPath);
    FLastWrite = QDateTime();
    FChanged = false;
}

bool TRecovery::HasCopy() const { return QFileInfo::exists(FInfoPath) && QFileInfo::exists(FCopyPath); }

std::vector<TRecoveryCopy> TRecovery::LeftBehind(const QString& folder, qint64 ownProcess, const QString& suffix)
{
    std::vector<TRecoveryCopy> copies;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({ Prefix + QStringLiteral("*.ini") }, QDir::Files)) {
        bool numbered = false;
        const qint64 id = name.mid(Prefix.size(), name.size() - Prefix.size() - 4).toLongLong(&numbered);
        if (!numbered || (id != ownProcess && ProcessRuns(id)))
            continue;
        TRecoveryCopy copy;
        copy.InfoPath = dir.filePath(name);
        copy.CopyPath = dir.filePath(name.chopped(4) + u'.' + suffix);
        const TIniFile info(copy.InfoPath);
        copy.OriginalFile = info.ReadString(Section, QStringLiteral("File"), QString());
        copy.Time = QDateTime::fromString(info.ReadString(Section, QStringLiteral("Time"), QString()), Qt::ISODate);
        if (!QFileInfo(copy.CopyPath).isFile() || copy.OriginalFile.isEmpty() || !copy.Time.isValid()) {
            Remove(copy);
            continue;
        }
        copies.push_back(copy);
    }
    std::sort(copies.begin(), copies.end(), [](const TRecoveryCopy& a, const TRecoveryCopy& b) { return a.Time > b.Time; });
    return copies;
}

void TRecovery::Remove(const TRecoveryCopy& copy)
{
    QFile::remove(copy.InfoPath);
    QFile::remove(copy.CopyPath);
}

QString TRecovery::OfferText(const TRecoveryCopy& copy, const QString& program)
{
    return QStringLiteral("%1 was not closed normally. A recovery copy of %2 was kept on %3.\n\n"
                          "Restore it, or discard it?")
        .arg(program, QDir::toNativeSeparators(copy.OriginalFile),
            copy.Time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
}

void StartRecoveryTimer(QObject* owner, const std::function<void()>& save)
{
    auto* timer = new QTimer(owner);
    timer->setObjectName(QStringLiteral("RecoveryTimer"));
    timer->setInterval(RecoveryCheckMilliseconds);
    QObject::connect(timer, &QTimer::timeout, owner, [save] {
        try {
            save();
        } catch (const std::exception&) {
        }
    });
    timer->start();
}

bool AskToRestore(IDialogs& dialogs, const TRecoveryCopy& copy, const QString& program)
{
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("RecoveryForm"));
    dialog.setWindowTitle(IDialogs::ApplicationTitle());
    auto* layout = new QVBoxLayout(&dialog);
    auto* text = new QLabel(TRecovery::OfferText(copy, program), &dialog);
    text->setObjectName(QStringLiteral("LblRecovery"));
    text->setWordWrap(true);
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* restore = buttons->addButton(QStringLiteral("Restore"), QDialogButtonBox::AcceptRole);
    restore->setObjectName(QStringLiteral("BtnRestore"));
    restore->setDefault(true);
    QPushButton* discard = buttons->addButton(QStringLiteral("Discard"), QDialogButtonBox::RejectRole);
    discard->setObjectName(QStringLiteral("BtnDiscard"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    return dialogs.ShowModal(dialog) == mrOk;
}
