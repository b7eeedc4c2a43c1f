#pragma once
// CommandGuard.h: the guard every event handler runs in. Qt leaves an exception that escapes a slot
// undefined, so failures end here and are shown as an error box; EAbort ends the command silently.
#include "Dialogs.h"
#include "Errors.h"

#include <utility>

inline QString UnknownErrorMessage() { return QStringLiteral("An unexpected error occurred"); }

template <class Fn> void RunCommand(IDialogs& dialogs, Fn&& fn)
{
    try {
        fn();
    } catch (const EAbort&) { // silent by design
    } catch (const std::exception& e) {
        dialogs.ShowError(IDialogs::ApplicationTitle(), WithFullStop(MessageOf(e)));
    } catch (...) {
        dialogs.ShowError(IDialogs::ApplicationTitle(), WithFullStop(UnknownErrorMessage()));
    }
}

/// The handler wrapped in RunCommand, for connecting to a signal or assigning to an On... event.
/// The dialogs must outlive the returned callable.
template <class Fn> auto Guarded(IDialogs& dialogs, Fn fn)
{
    return [&dialogs, fn = std::move(fn)](
               auto&&... args) mutable { RunCommand(dialogs, [&] { fn(std::forward<decltype(args)>(args)...); }); };
}
