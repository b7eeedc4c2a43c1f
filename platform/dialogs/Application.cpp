// Application.cpp: the last line of defence for exceptions; handlers normally catch theirs in
// RunCommand.
#include "Application.h"

#include "CommandGuard.h"
#include "Dialogs.h"
#include "Errors.h"

TApplication::TApplication(int& argc, char** argv, IDialogs& dialogs)
    : QApplication(argc, argv)
    , FDialogs(dialogs)
{
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const EAbort&) {
    } catch (const std::exception& e) {
        ShowException(WithFullStop(MessageOf(e)));
    } catch (...) {
        ShowException(WithFullStop(UnknownErrorMessage()));
    }
    return false;
}

void TApplication::ShowException(const QString& message)
{
    if (FShowingError) {
        qWarning("%s", qUtf8Printable(message));
        return;
    }
    FShowingError = true;
    try {
        FDialogs.ShowError(IDialogs::ApplicationTitle(), message);
    } catch (const std::exception& e) {
        qWarning("%s (%s)", qUtf8Printable(message), e.what());
    } catch (...) {
        qWarning("%s", qUtf8Printable(message));
    }
    FShowingError = false;
}
