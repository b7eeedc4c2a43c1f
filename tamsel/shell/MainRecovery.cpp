// MainRecovery.cpp: the main window's recovery copy of unsaved changes and the offer to restore one
// left behind by a program that did not end normally.
#include "Main.h"

#include "Clock.h"
#include "Errors.h"
#include "PgClasses.h"
#include "Recovery.h"

#include <QBuffer>
#include <QCoreApplication>

void TFrmMain::StartRecovery(const QString& folder)
{
    FRecovery = std::make_unique<TRecovery>(folder, QCoreApplication::applicationPid());
    StartRecoveryTimer(this, [this] { SaveRecoveryCopy(); });
}

void TFrmMain::SaveRecoveryCopy()
{
    if (!FRecovery)
        return;
    if (!Editor->Modified()) {
        if (FRecovery->HasCopy())
            FRecovery->Discard();
        return;
    }
    const QDateTime now = FClock.Now();
    if (!FRecovery->Due(now))
        return;
    QBuffer rtf;
    rtf.open(QIODevice::WriteOnly);
    SaveRtfToStream(Editor->Control(), rtf);
    FRecovery->Write(rtf.data(), FCurrentFile, now);
}

void TFrmMain::DiscardRecoveryCopy()
{
    if (FRecovery)
        FRecovery->Discard();
}

bool TFrmMain::OfferRecovery(const QString& folder)
{
    for (const TRecoveryCopy& copy : TRecovery::LeftBehind(folder, QCoreApplication::applicationPid())) {
        if (!AskToRestore(FDialogs, copy, QStringLiteral("Tamsel"))) {
            TRecovery::Remove(copy);
            continue;
        }
        SetDocumentMode(false);
        Editor->Lines()->LoadFromFile(copy.CopyPath);
        FCurrentFile = copy.OriginalFile;
        if (FCurrentFile == UntitledDocument)
            setWindowTitle(DesignCaption);
        else
            SetCaptionFor(FCurrentFile);
        SetModifiedState(true);
        UpdateWordCount();
        EditorSelectionChange();
        // The restored work has its own copy before the old one goes; others wait for the next start.
        if (FRecovery) {
            FRecovery->NoteChange();
            SaveRecoveryCopy();
        }
        if (!FRecovery || FRecovery->CopyPath() != copy.CopyPath) // else the new copy took its place
            TRecovery::Remove(copy);
        return true;
    }
    return false;
}
