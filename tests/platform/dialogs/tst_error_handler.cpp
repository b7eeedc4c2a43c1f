// The program-wide error handler and the command guard: what reaches the user from a failure.
#include "Application.h"
#include "CommandGuard.h"
#include "Errors.h"
#include "ScriptedDialogs.h"
#include "TestMain.h"

#include <QPushButton>
#include <QTimer>

namespace {

// Runs a hook while a box is "open", standing in for the events a real box's loop would process.
class THookedDialogs : public TScriptedDialogs {
public:
    std::function<void()> WhileShowing;

    TModalResult MessageDlg(
        const QString& caption, const QString& text, TMsgDlgType type, TMsgDlgButtons buttons) override
    {
        if (auto hook = std::exchange(WhileShowing, {}))
            hook();
        return TScriptedDialogs::MessageDlg(caption, text, type, buttons);
    }
};

THookedDialogs* Dialogs = nullptr; // the application's, set in main

// Throws from its event handler, the way a failing command would without the guard.
class TThrower : public QObject {
public:
    std::function<void()> Fail;

protected:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User) {
            Fail();
            return true;
        }
        return QObject::event(event);
    }
};

void SendUserEvent(QObject& receiver)
{
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&receiver, &event);
}

}

class TestErrorHandler : public QObject {
    Q_OBJECT

private slots:
    void init() { Dialogs->ClearRecords(); }

    void exceptionInASlotShowsOneErrorWithFullStop()
    {
        QTimer::singleShot(0, [] { throw EFOpenError("/lettres/offre.rtf"); });
        QTRY_COMPARE(Dialogs->Errors().size(), 1);
        QCoreApplication::processEvents();
        QCOMPARE(Dialogs->Errors().size(), 1);
        QCOMPARE(Dialogs->Errors()[0].Text, QStringLiteral("Cannot open file /lettres/offre.rtf."));
        QCOMPARE(Dialogs->Errors()[0].Caption, QStringLiteral("Tamsel Express"));
    }

    void exceptionInAButtonHandlerIsShown()
    {
        QPushButton button("Save");
        QObject::connect(&button, &QPushButton::clicked, [] { throw EFCreateError("/ro/a.rtf"); });
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(Dialogs->Errors().size(), 1);
        QCOMPARE(Dialogs->Errors()[0].Text, QStringLiteral("Cannot create file /ro/a.rtf."));
    }

    void abortShowsNothing()
    {
        TThrower thrower;
        thrower.Fail = [] { throw EAbort(); };
        SendUserEvent(thrower);
        QVERIFY(Dialogs->Errors().isEmpty() && Dialogs->Messages().isEmpty());
    }

    void foreignExceptionsAreShownToo()
    {
        TThrower thrower;
        thrower.Fail = [] { throw std::runtime_error("disk full"); };
        SendUserEvent(thrower);
        thrower.Fail = [] { throw 42; };
        SendUserEvent(thrower);
        thrower.Fail = [] { throw EConvertError("Invalid Range."); };
        SendUserEvent(thrower);
        QCOMPARE(Dialogs->Errors().size(), 3);
        QCOMPARE(Dialogs->Errors()[0].Text, QStringLiteral("disk full."));
        QCOMPARE(Dialogs->Errors()[1].Text, WithFullStop(UnknownErrorMessage()));
        QCOMPARE(Dialogs->Errors()[2].Text, QStringLiteral("Invalid Range.")); // no second full stop
    }

    // A handler that fails again while its error box is open (a paint, say) would stack boxes.
    void errorsWhileAnErrorIsShownAreLogged()
    {
        TThrower second;
        second.Fail = [] { throw Exception("Second"); };
        TThrower first;
        first.Fail = [] { throw Exception("First"); };
        Dialogs->WhileShowing = [&second] { SendUserEvent(second); };
        QTest::ignoreMessage(QtWarningMsg, "Second.");
        SendUserEvent(first);
        QCOMPARE(Dialogs->Errors().size(), 1);
        QCOMPARE(Dialogs->Errors()[0].Text, QStringLiteral("First."));
        SendUserEvent(second); // the box is closed again: shown
        QCOMPARE(Dialogs->Errors().size(), 2);
    }
};

class TestCommandGuard : public QObject {
    Q_OBJECT

private slots:
    void failureBecomesOneErrorBoxAndAbortNone()
    {
        TScriptedDialogs dialogs;
        RunCommand(dialogs, [] { throw EOutOfResources("Failed to Load Stream"); });
        RunCommand(dialogs, [] { throw EAbort(); });
        QCOMPARE(dialogs.Errors().size(), 1);
        QCOMPARE(dialogs.Errors()[0].Text, QStringLiteral("Failed to Load Stream."));
    }

    void guardedHandlerPassesItsArguments()
    {
        TScriptedDialogs dialogs;
        QObject* seen = nullptr;
        std::function<void(QObject*)> handler = Guarded(dialogs, [&](QObject* sender) {
            seen = sender;
            throw Exception("Not found");
        });
        QObject sender;
        handler(&sender);
        QCOMPARE(seen, &sender);
        QCOMPARE(dialogs.Errors().size(), 1);
    }
};

int main(int argc, char** argv)
{
    THookedDialogs dialogs;
    Dialogs = &dialogs;
    TApplication app(argc, argv, dialogs);
    TApplication::setApplicationName("Tamsel Express");
    return RunTestClasses<TestErrorHandler, TestCommandGuard>(argc, argv);
}

#include "tst_error_handler.moc"
