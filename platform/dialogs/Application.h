#pragma once
// Application.h: the application object and its program-wide error handler.
#include <QApplication>

class IDialogs;

class TApplication : public QApplication {
    Q_OBJECT

public:
    /// The dialogs show the errors that escape event handlers; they must outlive the application.
    TApplication(int& argc, char** argv, IDialogs& dialogs);

    // An exception that leaves an event handler is shown in an error box captioned with the
    // application title, with a full stop added; EAbort shows nothing. While one error box is open,
    // further errors go to the log instead of stacking boxes (a failing paint would repeat forever).
    bool notify(QObject* receiver, QEvent* event) override;

private:
    void ShowException(const QString& message);

    IDialogs& FDialogs;
    bool FShowingError = false;
};
