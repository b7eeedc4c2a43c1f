// The recovery copy of unsaved changes: written at most once a minute and only after a change,
// removed by a save, and offered ("Restore"/"Discard") after a program that did not end normally.
#include "../tamsel/MainFixture.h"
#include "Recovery.h"

#include <QBuffer>
#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include <sys/wait.h>
#include <unistd.h>

namespace {

// The number of a process that has ended, as a killed program leaves it.
qint64 EndedProcess()
{
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    int status = 0;
    waitpid(child, &status, 0);
    return child;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QDateTime Start(QDate(2026, 12, 9), QTime(10, 0));

void Click(QDialog& dialog, const char* button)
{
    auto* found = dialog.findChild<QPushButton*>(QString::fromLatin1(button));
    QVERIFY(found);
    found->click();
}

} // namespace

class TestRecovery : public QObject {
    Q_OBJECT
private slots:
    void copiesComeAfterAChangeAtMostOnceAMinute();
    void onlyCopiesOfEndedProgramsAreOffered();
    void windowKeepsACopyUntilTheSave();
    void restoreBringsBackTheWorkUnderItsName();
    void discardRemovesTheCopy();
};

void TestRecovery::copiesComeAfterAChangeAtMostOnceAMinute()
{
    QTemporaryDir folder;
    TRecovery recovery(folder.path(), 4242);
    QVERIFY(!recovery.Due(Start));
    recovery.NoteChange();
    QVERIFY(recovery.Due(Start));
    recovery.Write("{\\rtf1 one}", QStringLiteral("/home/user/letter.rtf"), Start);
    QVERIFY(recovery.HasCopy());
    QCOMPARE(ReadAll(recovery.CopyPath()), QByteArray("{\\rtf1 one}"));
    QVERIFY(!recovery.Due(Start.addSecs(600))); // no change since
    recovery.NoteChange();
    QVERIFY(!recovery.Due(Start.addSecs(59)));
    QVERIFY(recovery.Due(Start.addSecs(60)));
    recovery.Discard();
    QVERIFY(!recovery.HasCopy());
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void TestRecovery::onlyCopiesOfEndedProgramsAreOffered()
{
    QTemporaryDir folder;
    TRecovery running(folder.path(), QCoreApplication::applicationPid());
    running.NoteChange();
    running.Write("{\\rtf1 mine}", QStringLiteral("mine.rtf"), Start);
    TRecovery left(folder.path(), EndedProcess());
    left.NoteChange();
    left.Write("{\\rtf1 lost}", QStringLiteral("/home/user/lost.rtf"), Start.addSecs(30));
    // A program killed but not yet reaped by its parent, and a running program of another kind.
    const pid_t unreaped = fork();
    if (unreaped == 0)
        _exit(0);
    siginfo_t ended {};
    QCOMPARE(waitid(P_PID, id_t(unreaped), &ended, WEXITED | WNOWAIT), 0); // ended, left unreaped
    TRecovery zombie(folder.path(), unreaped);
    zombie.NoteChange();
    zombie.Write("{\\rtf1 killed}", QStringLiteral("killed.rtf"), Start.addSecs(10));
    TRecovery other(folder.path(), getppid());
    other.NoteChange();
    other.Write("{\\rtf1 other}", QStringLiteral("other.rtf"), Start.addSecs(20));
    QCOMPARE(TRecovery::LeftBehind(folder.path()).size(), std::size_t(3));
    waitpid(unreaped, nullptr, 0);
    TRecovery::Remove(TRecovery::LeftBehind(folder.path()).back());
    TRecovery::Remove(TRecovery::LeftBehind(folder.path()).back());
    // An earlier program with this program's number left its copy: it is offered at this start.
    QCOMPARE(TRecovery::LeftBehind(folder.path(), QCoreApplication::applicationPid()).size(), std::size_t(2));
    const std::vector<TRecoveryCopy> copies = TRecovery::LeftBehind(folder.path());
    QCOMPARE(copies.size(), std::size_t(1));
    QCOMPARE(copies[0].OriginalFile, QStringLiteral("/home/user/lost.rtf"));
    QCOMPARE(copies[0].Time, Start.addSecs(30));
    QCOMPARE(ReadAll(copies[0].CopyPath), QByteArray("{\\rtf1 lost}"));
    QVERIFY(TRecovery::OfferText(copies[0], QStringLiteral("Tamsel")).contains(QStringLiteral("/home/user/lost.rtf")));
    QVERIFY(TRecovery::OfferText(copies[0], QStringLiteral("Tamsel")).contains(QStringLiteral("2026-12-09 10:00:30")));

    // A note whose copy is gone (the program died between the two writes of a later copy) is no offer.
    QFile::remove(copies[0].CopyPath);
    QVERIFY(TRecovery::LeftBehind(folder.path()).empty());
    QVERIFY(!QFileInfo::exists(copies[0].InfoPath));
    QVERIFY(running.HasCopy());
}

void TestRecovery::windowKeepsACopyUntilTheSave()
{
    TMainFixture fixture;
    QTemporaryDir recoveryFolder;
    fixture.Window->StartRecovery(recoveryFolder.path());
    fixture.Window->SaveRecoveryCopy();
    QVERIFY(QDir(recoveryFolder.path()).isEmpty()); // nothing changed yet
    fixture.Type(QStringLiteral("Work not saved yet"));
    fixture.Window->SaveRecoveryCopy();
    const std::vector<TRecoveryCopy> none = TRecovery::LeftBehind(recoveryFolder.path());
    QVERIFY(none.empty()); // this program still runs
    const QString copy
        = QDir(recoveryFolder.path()).filePath(QStringLiteral("Recovery-%1.rtf").arg(QCoreApplication::applicationPid()));
    QVERIFY(ReadAll(copy).contains("Work not saved yet"));

    fixture.Type(QStringLiteral(" and more"));
    fixture.Window->SaveRecoveryCopy();
    QVERIFY(!ReadAll(copy).contains("and more")); // within the minute
    fixture.Clock.SetNow(fixture.Clock.Now().addSecs(61));
    fixture.Window->SaveRecoveryCopy();
    QVERIFY(ReadAll(copy).contains("and more"));

    fixture.Window->SaveDocumentTo(fixture.Path(QStringLiteral("saved.rtf")));
    QVERIFY(!QFileInfo::exists(copy));
    QVERIFY(QDir(recoveryFolder.path()).isEmpty());
}

void TestRecovery::restoreBringsBackTheWorkUnderItsName()
{
    TMainFixture fixture;
    QTemporaryDir recoveryFolder;
    {
        TMainFixture crashed;
        crashed.Type(QStringLiteral("Three paragraphs of a letter"));
        TRecovery left(recoveryFolder.path(), EndedProcess());
        left.NoteChange();
        QBuffer rtf;
        rtf.open(QIODevice::WriteOnly);
        crashed.Editor().Lines()->SaveToStream(rtf);
        left.Write(rtf.data(), QStringLiteral("/home/user/letter.rtf"), Start);
    }
    fixture.Window->StartRecovery(recoveryFolder.path());
    QString offer;
    fixture.Dialogs.QueueModal([&](QDialog& dialog) {
        offer = dialog.findChild<QLabel*>(QStringLiteral("LblRecovery"))->text();
        Click(dialog, "BtnRestore");
    });
    QVERIFY(fixture.Window->OfferRecovery(recoveryFolder.path()));
    QVERIFY(offer.contains(QStringLiteral("/home/user/letter.rtf")));
    QVERIFY(offer.contains(QStringLiteral("2026-12-09 10:00:00")));
    QCOMPARE(fixture.Editor().Text().trimmed(), QStringLiteral("Three paragraphs of a letter"));
    QCOMPARE(fixture.Window->Label3->text().simplified(), QStringLiteral("Words: 5 Characters: 28"));
    QVERIFY(fixture.Editor().Modified());
    QVERIFY(fixture.Window->windowTitle().contains(QStringLiteral("/home/user/letter.rtf")));
    // The old copy is gone, replaced by this program's own.
    QVERIFY(TRecovery::LeftBehind(recoveryFolder.path()).empty());
    QCOMPARE(QDir(recoveryFolder.path()).entryList(QDir::Files).size(), 2);
}

void TestRecovery::discardRemovesTheCopy()
{
    TMainFixture fixture;
    QTemporaryDir recoveryFolder;
    TRecovery left(recoveryFolder.path(), EndedProcess());
    left.NoteChange();
    left.Write("{\\rtf1 old work}", QStringLiteral("Untitled Document"), Start);
    fixture.Dialogs.QueueModal([](QDialog& dialog) { Click(dialog, "BtnDiscard"); });
    QVERIFY(!fixture.Window->OfferRecovery(recoveryFolder.path()));
    QCOMPARE(fixture.Editor().TextLength(), 0);
    QVERIFY(QDir(recoveryFolder.path()).isEmpty());
}

QTEST_MAIN(TestRecovery)
#include "tst_recovery.moc"
