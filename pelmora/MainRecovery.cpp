// MainRecovery.cpp: the main window's recovery copy of an unsaved template, tokens and data, and the
// offer to restore one left behind by a Pelmora that did not end normally.
#include "Main.h"

#include "Errors.h"
#include "PgRtfPreview.h"
#include "Recovery.h"
#include "RtRichEd.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDataStream>
#include <QDateTime>
#include <QFile>
#include <QPlainTextEdit>

namespace {

const QString CopySuffix = QStringLiteral("pmr");
const QByteArray PackageMagic = QByteArrayLiteral("Pelmora recovery copy 1\n");
const QString UntitledWork = QStringLiteral("an untitled letter");

} // namespace

QByteArray TfrmMain::RecoveryPackage() const
{
    QBuffer rtf;
    rtf.open(QIODevice::WriteOnly);
    TPgRtfPreview::SaveRtfToStream(Editor->Control(), rtf);
    QByteArray package = PackageMagic;
    QDataStream out(&package, QIODevice::WriteOnly | QIODevice::Append);
    out.setVersion(QDataStream::Qt_6_0);
    out << rtf.data() << memTokens->toPlainText() << memData->toPlainText() << FTemplateFile;
    return package;
}

void TfrmMain::RestorePackage(const QByteArray& package)
{
    if (!package.startsWith(PackageMagic))
        throw EConvertError(QStringLiteral("The recovery copy is damaged"));
    QDataStream in(package.mid(PackageMagic.size()));
    in.setVersion(QDataStream::Qt_6_0);
    QByteArray rtf;
    QString tokens, data, templateFile;
    in >> rtf >> tokens >> data >> templateFile;
    if (in.status() != QDataStream::Ok)
        throw EConvertError(QStringLiteral("The recovery copy is damaged"));
    // Read whole before anything is replaced.
    QBuffer stream(&rtf);
    stream.open(QIODevice::ReadOnly);
    Editor->Clear();
    Editor->SetPlainText(false);
    Editor->SetStreamMode(TRichStreamModes { TRichStreamMode::smUnicode });
    Editor->Lines()->LoadFromStream(stream);
    memTokens->setPlainText(tokens);
    memData->setPlainText(data);
    FTemplateFile = templateFile;
    // The restored work is unsaved work.
    Editor->SetModified(true);
    memTokens->document()->setModified(true);
    memData->document()->setModified(true);
}

bool TfrmMain::HasUnsavedWork() const
{
    return Editor->Modified() || memTokens->document()->isModified() || memData->document()->isModified();
}

void TfrmMain::NoteChange()
{
    if (FRecovery)
        FRecovery->NoteChange();
}

void TfrmMain::StartRecovery(const QString& folder)
{
    FRecovery = std::make_unique<TRecovery>(folder, QCoreApplication::applicationPid(), CopySuffix);
    StartRecoveryTimer(this, [this] { SaveRecoveryCopy(); });
}

void TfrmMain::SaveRecoveryCopy()
{
    if (!FRecovery)
        return;
    if (!HasUnsavedWork()) {
        if (FRecovery->HasCopy())
            FRecovery->Discard();
        return;
    }
    const QDateTime now = QDateTime::currentDateTime();
    if (!FRecovery->Due(now))
        return;
    FRecovery->Write(RecoveryPackage(), FTemplateFile.isEmpty() ? UntitledWork : FTemplateFile, now);
}

void TfrmMain::DiscardRecoveryCopy()
{
    if (FRecovery)
        FRecovery->Discard();
}

bool TfrmMain::OfferRecovery(const QString& folder)
{
    for (const TRecoveryCopy& copy : TRecovery::LeftBehind(folder, QCoreApplication::applicationPid(), CopySuffix)) {
        if (!AskToRestore(FDialogs, copy, QStringLiteral("Pelmora"))) {
            TRecovery::Remove(copy);
            continue;
        }
        QFile file(copy.CopyPath);
        if (!file.open(QIODevice::ReadOnly))
            throw EFOpenError(copy.CopyPath);
        try {
            RestorePackage(file.readAll());
        } catch (const EConvertError&) {
            TRecovery::Remove(copy); // of no use, and it would be offered at every start
            throw;
        }
        // The restored work has its own copy before the old one goes.
        if (FRecovery) {
            FRecovery->NoteChange();
            SaveRecoveryCopy();
        }
        if (!FRecovery || FRecovery->CopyPath() != copy.CopyPath)
            TRecovery::Remove(copy);
        return true;
    }
    return false;
}
