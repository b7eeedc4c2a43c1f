#pragma once
// Shell services: the program's folders, links and companion programs, lock keys, the screen's work
// area, beep and window fades. Windows receive an IShell so that tests can replace it.
#include <QRect>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class QWidget;

// The toggle keys the status bar shows, with the platform's virtual-key codes as ordinals.
enum class TLockKey {
    lkCapsLock = 20,
    lkInsert = 45,
    lkNumLock = 144,
    lkScrollLock = 145,
};

class IShell {
public:
    virtual ~IShell() = default;

    /// The folder of the running program, without a trailing separator.
    virtual QString ProgramFolder() const = 0;
    /// Where the program keeps its settings and history files; the folder exists when this returns,
    /// unless it could not be created.
    virtual QString SettingsFolder(const QString& programName) const = 0;
    /// Opens an http, https, ftp, mailto or "www." link in the user's browser or mail program.
    /// Anything else, local files above all, is refused with false, and so is a mailto link that
    /// asks for an attachment.
    [[nodiscard]] virtual bool OpenLink(const QString& link) = 0;
    /// Starts an executable with no arguments and does not wait for it.
    [[nodiscard]] virtual bool StartProgram(const QString& path) = 0;
    [[nodiscard]] virtual bool IsKeyToggled(TLockKey key) const = 0;
    /// The work area (screen minus panels) of the screen showing the window, or of the primary
    /// screen when the window is null; global coordinates.
    virtual QRect WorkArea(const QWidget* window) const = 0;
    virtual void Beep() = 0;
    /// Fades the window out and hides it; returns when done. The opacity is restored afterwards so a
    /// later show is visible. 0 ms hides at once.
    virtual void FadeOut(QWidget& window, int milliseconds) = 0;
    /// Shows the window, fading it in; returns when done.
    virtual void FadeIn(QWidget& window, int milliseconds) = 0;
};

class TKeyToggleTracker;
class TX11Indicators;

class TShell : public IShell {
public:
    /// Hands a vetted link to the desktop; QDesktopServices by default.
    using TLinkOpener = std::function<bool(const QUrl& url)>;

    /// Make it after the application object, whose key presses it watches.
    explicit TShell(TLinkOpener opener = {});
    ~TShell() override;
    TShell(const TShell&) = delete;
    TShell& operator=(const TShell&) = delete;

    QString ProgramFolder() const override;
    QString SettingsFolder(const QString& programName) const override;
    [[nodiscard]] bool OpenLink(const QString& link) override;
    [[nodiscard]] bool StartProgram(const QString& path) override;
    // Caps, Num and Scroll Lock come from the keyboard's XKB indicators when running on X11 (libX11
    // is loaded at run time). Elsewhere, and always for Insert, they are counted from the key presses
    // the program sees, starting from off: toggles made in other programs are missed.
    [[nodiscard]] bool IsKeyToggled(TLockKey key) const override;
    QRect WorkArea(const QWidget* window) const override;
    void Beep() override;
    void FadeOut(QWidget& window, int milliseconds) override;
    void FadeIn(QWidget& window, int milliseconds) override;

private:
    TLinkOpener FOpener;
    std::unique_ptr<TKeyToggleTracker> FTracker;
    std::unique_ptr<TX11Indicators> FIndicators;
};

/// The link as it would be opened, or an empty URL when OpenLink refuses it.
QUrl UrlFromLink(const QString& link);

/// The settings folder rule: the program folder when a file can really be created there (permission
/// bits alone say little when running as root) and it is no installed "bin" folder, else "<configHome>/<programName>", created if missing.
QString SettingsFolderFor(const QString& programFolder, const QString& configHome, const QString& programName);

/// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
QString ConfigHome();

/// True when a file can be created (and removed again) in the folder.
[[nodiscard]] bool IsFolderWritable(const QString& folder);
