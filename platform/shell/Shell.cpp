// Shell.cpp: the platform's shell services on Qt, with the X11 keyboard indicators loaded at run time.
#include "Shell.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QTemporaryFile>
#include <QThread>
#include <QWidget>

#include <dlfcn.h>

#include <algorithm>
#include <optional>

// Counts the lock-key presses delivered to the program's windows. Only events sent to a QWindow are
// counted: the same key event is passed on to every parent widget that ignores it, and each of those
// deliveries goes through the application's filters again.
class TKeyToggleTracker : public QObject {
public:
    TKeyToggleTracker()
    {
        if (QCoreApplication::instance())
            QCoreApplication::instance()->installEventFilter(this);
    }

    bool Toggled(TLockKey key) const
    {
        switch (key) {
        case TLockKey::lkCapsLock:
            return FCapsLock;
        case TLockKey::lkInsert:
            return FInsert;
        case TLockKey::lkNumLock:
            return FNumLock;
        case TLockKey::lkScrollLock:
            return FScrollLock;
        }
        return false;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && watched->isWindowType()) {
            auto* keyEvent = static_cast<QKeyEvent*>(event);
            if (!keyEvent->isAutoRepeat()) {
                switch (keyEvent->key()) {
                case Qt::Key_CapsLock:
                    FCapsLock = !FCapsLock;
                    break;
                case Qt::Key_Insert:
                    FInsert = !FInsert;
                    break;
                case Qt::Key_NumLock:
                    FNumLock = !FNumLock;
                    break;
                case Qt::Key_ScrollLock:
                    FScrollLock = !FScrollLock;
                    break;
                default:
                    break;
                }
            }
        }
        return false;
    }

private:
    bool FCapsLock = false;
    bool FInsert = false;
    bool FNumLock = false;
    bool FScrollLock = false;
};

// The keyboard's lock indicators through XKB, on a display connection of our own. libX11 is opened
// with dlopen so that the program neither links against it nor needs it off X11.
class TX11Indicators {
public:
    static std::unique_ptr<TX11Indicators> Open()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb") || qEnvironmentVariableIsEmpty("DISPLAY"))
            return nullptr;
        std::unique_ptr<TX11Indicators> indicators(new TX11Indicators);
        return indicators->Load() ? std::move(indicators) : nullptr;
    }

    ~TX11Indicators()
    {
        if (FDisplay)
            FCloseDisplay(FDisplay);
        if (FLibrary)
            dlclose(FLibrary);
    }

    std::optional<bool> State(TLockKey key) const
    {
        unsigned long atom = 0;
        switch (key) {
        case TLockKey::lkCapsLock:
            atom = FCapsLock;
            break;
        case TLockKey::lkNumLock:
            atom = FNumLock;
            break;
        case TLockKey::lkScrollLock:
            atom = FScrollLock;
            break;
        case TLockKey::lkInsert:
            return std::nullopt; // the keyboard has no indicator for it
        }
        int index = 0;
        int state = 0;
        int real = 0;
        alignas(8) unsigned char map[64] = {}; // XkbIndicatorMapRec, which we do not read
        if (atom == 0 || !FGetNamedIndicator(FDisplay, atom, &index, &state, map, &real))
            return std::nullopt;
        return state != 0;
    }

private:
    using TOpenDisplay = void* (*)(const char*);
    using TCloseDisplay = int (*)(void*);
    using TInternAtom = unsigned long (*)(void*, const char*, int);
    using TGetNamedIndicator = int (*)(void*, unsigned long, int*, int*, void*, int*);

    TX11Indicators() = default;

    bool Load()
    {
        FLibrary = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
        if (!FLibrary)
            return false;
        auto openDisplay = reinterpret_cast<TOpenDisplay>(dlsym(FLibrary, "XOpenDisplay"));
        FCloseDisplay = reinterpret_cast<TCloseDisplay>(dlsym(FLibrary, "XCloseDisplay"));
        auto internAtom = reinterpret_cast<TInternAtom>(dlsym(FLibrary, "XInternAtom"));
        FGetNamedIndicator = reinterpret_cast<TGetNamedIndicator>(dlsym(FLibrary, "XkbGetNamedIndicator"));
        if (!openDisplay || !FCloseDisplay || !internAtom || !FGetNamedIndicator)
            return false;
        FDisplay = openDisplay(nullptr);
        if (!FDisplay)
            return false;
        FCapsLock = internAtom(FDisplay, "Caps Lock", 0);
        FNumLock = internAtom(FDisplay, "Num Lock", 0);
        FScrollLock = internAtom(FDisplay, "Scroll Lock", 0);
        return true;
    }

    void* FLibrary = nullptr;
    void* FDisplay = nullptr;
    TCloseDisplay FCloseDisplay = nullptr;
    TGetNamedIndicator FGetNamedIndicator = nullptr;
    unsigned long FCapsLock = 0;
    unsigned long FNumLock = 0;
    unsigned long FScrollLock = 0;
};

namespace {

// Steps the window's opacity from one value to another over the given time. User input waits, as
// it did while the platform animated a window.
void FadeOpacity(QWidget& window, double from, double to, int milliseconds)
{
    QPointer<QWidget> alive(&window);
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const double progress = std::min(1.0, double(clock.elapsed()) / milliseconds);
        alive->setWindowOpacity(from + (to - from) * progress);
        if (progress >= 1.0)
            return;
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
        if (!alive)
            return;
        QThread::msleep(15);
    }
}

}

TShell::TShell(TLinkOpener opener)
    : FOpener(std::move(opener))
    , FTracker(std::make_unique<TKeyToggleTracker>())
    , FIndicators(TX11Indicators::Open())
{
    if (!FOpener)
        FOpener = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

TShell::~TShell() = default;

QString TShell::ProgramFolder() const { return QCoreApplication::applicationDirPath(); }

QString TShell::SettingsFolder(const QString& programName) const
{
    return SettingsFolderFor(ProgramFolder(), ConfigHome(), programName);
}

bool TShell::OpenLink(const QString& link)
{
    const QUrl url = UrlFromLink(link);
    return !url.isEmpty() && FOpener(url);
}

bool TShell::StartProgram(const QString& path)
{
    // Paths built after the design carry the other platform's separator ("folder\\Program").
    QString program = path;
    program.replace(u'\\', u'/');
    const QFileInfo info(QDir::cleanPath(program));
    if (!info.isFile() || !info.isExecutable())
        return false;
    return QProcess::startDetached(info.absoluteFilePath(), {});
}

bool TShell::IsKeyToggled(TLockKey key) const
{
    if (FIndicators) {
        if (const auto state = FIndicators->State(key))
            return *state;
    }
    return FTracker->Toggled(key);
}

QRect TShell::WorkArea(const QWidget* window) const
{
    QScreen* screen = window ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void TShell::Beep() { QApplication::beep(); }

void TShell::FadeOut(QWidget& window, int milliseconds)
{
    const double opacity = window.windowOpacity();
    QPointer<QWidget> alive(&window);
    if (milliseconds > 0 && window.isVisible())
        FadeOpacity(window, opacity, 0.0, milliseconds);
    if (!alive)
        return;
    window.hide();
    window.setWindowOpacity(opacity);
}

void TShell::FadeIn(QWidget& window, int milliseconds)
{
    const double opacity = window.windowOpacity();
    if (milliseconds <= 0 || window.isVisible()) {
        window.show();
        return;
    }
    window.setWindowOpacity(0.0);
    window.show();
    FadeOpacity(window, 0.0, opacity, milliseconds);
}

QUrl UrlFromLink(const QString& link)
{
    QString text = link.trimmed();
    if (text.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
        text.prepend(QLatin1String("http://"));
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative())
        return {};
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("mailto")) {
        // Some mail programs attach the local file a link names; a document must not send files.
        const QString query = url.query(QUrl::FullyDecoded).toLower();
        if (url.path().isEmpty() || query.contains(QLatin1String("attach")))
            return {};
        return url;
    }
    const bool network
        = scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("ftp");
    return network && !url.host().isEmpty() ? url : QUrl();
}

bool IsFolderWritable(const QString& folder)
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".write-probe-XXXXXX")));
    return probe.open(); // removed again when the probe goes
}

QString SettingsFolderFor(const QString& programFolder, const QString& configHome, const QString& programName)
{
    // An installed program's bin folder holds programs only, though root could write there.
    const bool installed = QFileInfo(programFolder).fileName() == QLatin1String("bin");
    if (!installed && IsFolderWritable(programFolder))
        return programFolder;
    const QString folder = QDir(configHome).filePath(programName);
    QDir().mkpath(folder); // a failure shows when the settings are written
    return folder;
}

QString ConfigHome()
{
    const QString configured = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured))
        return QDir::cleanPath(configured);
    return QDir(QDir::homePath()).filePath(QStringLiteral(".config"));
}
