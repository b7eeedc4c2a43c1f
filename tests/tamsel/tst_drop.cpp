// Documents dropped on the main window: opened as Open opens them, through the save prompt, and
// drags that carry no document left to the editor.
#include "MainFixture.h"

#include "RichEditControl.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

class TestDrop : public QObject {
    Q_OBJECT

private slots:
    void init() { F = std::make_unique<TMainFixture>(); }
    void cleanup() { F.reset(); }

    void droppedDocumentOpensOnTheEditorAndOnTheWindow_data();
    void droppedDocumentOpensOnTheEditorAndOnTheWindow();
    void modifiedDocumentAsksFirst();
    void otherDragsAreNotTaken();
    void unreadableDropKeepsNothingHalfOpen();

private:
    // Drags the files over the widget and drops them there; whether the drag was taken.
    bool Drop(QWidget* target, const QStringList& paths, const QString& text = QString());
    std::unique_ptr<TMainFixture> F;
};

bool TestDrop::Drop(QWidget* target, const QStringList& paths, const QString& text)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    if (!urls.isEmpty())
        data.setUrls(urls);
    if (!text.isEmpty())
        data.setText(text);
    const QPoint point = target->rect().center();
    QDragEnterEvent enter(point, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(point), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    // The document opens once the drop is over.
    QCoreApplication::processEvents();
    return drop.isAccepted();
}

void TestDrop::droppedDocumentOpensOnTheEditorAndOnTheWindow_data()
{
    QTest::addColumn<bool>("onEditor");
    QTest::addColumn<QString>("name");
    QTest::newRow("editor, rtf") << true << "lettre.rtf";
    QTest::newRow("editor, txt") << true << "notes.txt";
    QTest::newRow("window, rtf") << false << "lettre.rtf";
}

void TestDrop::droppedDocumentOpensOnTheEditorAndOnTheWindow()
{
    QFETCH(bool, onEditor);
    QFETCH(QString, name);
    F->WriteFile(name,
        name.endsWith(".rtf") ? QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 D\\'e9pos\\par}")
                              : QByteArray("D\xc3\xa9pos"));
    QWidget* target = onEditor ? F->Editor().Control().viewport() : static_cast<QWidget*>(F->Window.get());
    QVERIFY(Drop(target, { F->Path(QStringLiteral("picture.png")), F->Path(name) }));
    QCOMPARE(F->Window->CurrentFile(), F->Path(name));
    QCOMPARE(F->Editor().Text().trimmed(), QStringLiteral("Dépos"));
    QVERIFY(!F->Editor().Modified());
    QCOMPARE(F->Editor().PlainText(), name.endsWith(".txt"));
    QVERIFY(F->Dialogs.Errors().isEmpty());
    // As with Open, the document joins the history.
    QCOMPARE(F->History->Entries(), QStringList { F->Path(name) });
}

void TestDrop::modifiedDocumentAsksFirst()
{
    F->WriteFile(QStringLiteral("b.rtf"), "{\\rtf1\\ansi B\\par}");
    F->Type(QStringLiteral("Travail"));

    F->Dialogs.QueueAnswer(mrCancel);
    QVERIFY(Drop(F->Editor().Control().viewport(), { F->Path(QStringLiteral("b.rtf")) }));
    QCOMPARE(F->Dialogs.Prompts().size(), 1);
    QCOMPARE(F->Editor().Text(), QStringLiteral("Travail")); // cancelled: nothing lost
    QVERIFY(F->Editor().Modified());

    F->Dialogs.QueueAnswer(mrYes);
    F->Dialogs.QueueSaveFileName(F->Path(QStringLiteral("travail.rtf")));
    QVERIFY(Drop(F->Editor().Control().viewport(), { F->Path(QStringLiteral("b.rtf")) }));
    QVERIFY(F->ReadFile(QStringLiteral("travail.rtf")).contains("Travail"));
    QCOMPARE(F->Editor().Text().trimmed(), QStringLiteral("B"));
    QCOMPARE(F->Window->CurrentFile(), F->Path(QStringLiteral("b.rtf")));
}

void TestDrop::otherDragsAreNotTaken()
{
    F->WriteFile(QStringLiteral("picture.png"), "\x89PNG\r\n\x1a\n");
    QVERIFY(!Drop(F->Window.get(), { F->Path(QStringLiteral("picture.png")) }));
    QVERIFY(!Drop(F->Window.get(), { F->Path(QStringLiteral("missing.rtf")) }));
    QVERIFY(!Drop(F->Window.get(), {}, QStringLiteral("some text")));
    QCOMPARE(F->Window->CurrentFile(), TFrmMain::UntitledDocument);
    // Text dragged onto the editor is still the editor's to insert.
    Drop(F->Editor().Control().viewport(), {}, QStringLiteral("glissé"));
    QCOMPARE(F->Window->CurrentFile(), TFrmMain::UntitledDocument);
    QVERIFY(F->Dialogs.Errors().isEmpty());
}

void TestDrop::unreadableDropKeepsNothingHalfOpen()
{
    // A program renamed .rtf is refused like an Open of it; the window shows the error.
    F->WriteFile(QStringLiteral("program.rtf"), QByteArray("\x7f" "ELF\0\0\0", 7));
    F->Type(QStringLiteral("Gardé"));
    F->Editor().SetModified(false);
    QVERIFY(Drop(F->Window.get(), { F->Path(QStringLiteral("program.rtf")) }));
    QCOMPARE(F->Dialogs.Errors().size(), 1);
    QCOMPARE(F->Editor().Text(), QStringLiteral("Gardé"));
    QCOMPARE(F->Window->CurrentFile(), TFrmMain::UntitledDocument);
}

QTEST_MAIN(TestDrop)
#include "tst_drop.moc"
