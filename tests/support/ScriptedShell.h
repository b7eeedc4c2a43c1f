#pragma once
// ScriptedShell.h: IShell for tests. Nothing is launched; links and programs are recorded, and the
// folders, key states and work area are whatever the test sets.
#include "Clock.h"
#include "Shell.h"

#include <QMap>
#include <QStringList>

class TScriptedShell : public IShell {
public:
    void SetProgramFolder(const QString& folder) { FProgramFolder = folder; }
    /// Returned for every program name; the program folder when unset.
    void SetSettingsFolder(const QString& folder) { FSettingsFolder = folder; }
    void SetKeyToggled(TLockKey key, bool toggled) { FToggled[key] = toggled; }
    void SetWorkArea(const QRect& area) { FWorkArea = area; }
    /// What starting a program answers; links answer true once they pass the real rules.
    void SetStartResult(bool started) { FStartResult = started; }

    /// Every link asked for, and those that passed the rules and were opened (as URLs).
    const QStringList& RequestedLinks() const { return FRequestedLinks; }
    const QStringList& OpenedLinks() const { return FOpenedLinks; }
    const QStringList& StartedPrograms() const { return FStartedPrograms; }
    int Beeps() const { return FBeeps; }
    /// The durations passed to FadeOut and FadeIn.
    const QList<int>& Fades() const { return FFades; }

    QString ProgramFolder() const override { return FProgramFolder; }
    QString SettingsFolder(const QString& programName) const override;
    [[nodiscard]] bool OpenLink(const QString& link) override;
    [[nodiscard]] bool StartProgram(const QString& path) override;
    [[nodiscard]] bool IsKeyToggled(TLockKey key) const override { return FToggled.value(key, false); }
    QRect WorkArea(const QWidget*) const override { return FWorkArea; }
    void Beep() override { ++FBeeps; }
    /// Hide and show at once, whatever the duration.
    void FadeOut(QWidget& window, int milliseconds) override;
    void FadeIn(QWidget& window, int milliseconds) override;

private:
    QString FProgramFolder;
    QString FSettingsFolder;
    QMap<TLockKey, bool> FToggled;
    QRect FWorkArea { 0, 0, 1280, 984 };
    bool FStartResult = true;
    QStringList FRequestedLinks;
    QStringList FOpenedLinks;
    QStringList FStartedPrograms;
    int FBeeps = 0;
    QList<int> FFades;
};

class TFixedClock : public IClock {
public:
    explicit TFixedClock(QDateTime now)
        : FNow(std::move(now))
    {
    }
    void SetNow(const QDateTime& now) { FNow = now; }
    QDateTime Now() const override { return FNow; }

private:
    QDateTime FNow;
};
