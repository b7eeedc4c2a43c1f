#pragma once
// MainFixture.h: a main window with its history window, driven headless by scripted dialogs and a
// scripted shell, with its settings and history files in a temporary folder.
#include "CommandGuard.h"
#include "History.h"
#include "Main.h"
#include "ScriptedDialogs.h"
#include "ScriptedShell.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

struct TMainFixture {
    explicit TMainFixture(bool activate = true)
        : Clock(QDateTime(QDate(2026, 12, 9), QTime(10, 0)))
    {
        Shell.SetProgramFolder(Folder.path());
        Create(activate);
    }
    ~TMainFixture() { Destroy(); }

    void Create(bool activate)
    {
        Window = std::make_unique<TFrmMain>(Dialogs, Shell, Clock, Folder.path());
        History
            = std::make_unique<THistoryForm>(*Window, Dialogs, Path(QStringLiteral("WrdFileList.dat")), Window.get());
        Window->SetHistoryForm(History.get());
        if (activate)
            Window->FormActivate();
    }
    // Program end and a new start, as between two runs.
    void Restart()
    {
        Window->FormDestroy();
        History->FormDestroy();
        Destroy();
        Create(true);
    }
    void Destroy()
    {
        History.reset();
        Window.reset();
    }

    QString Path(const QString& name) const { return QDir(Folder.path()).filePath(name); }
    TRtRichEdit& Editor() const { return *Window->Editor; }
    void Type(const QString& text) const
    {
        Editor().SetSelectedText(text);
        Editor().SetSelectionStart(Editor().TextLength());
    }
    QByteArray ReadFile(const QString& name) const
    {
        QFile file(Path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void WriteFile(const QString& name, const QByteArray& bytes) const
    {
        QFile file(Path(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    QTemporaryDir Folder;
    TScriptedDialogs Dialogs;
    TScriptedShell Shell;
    TFixedClock Clock;
    std::unique_ptr<TFrmMain> Window;
    std::unique_ptr<THistoryForm> History;
};
