// The document history: its file, the insertion rule, and the history window's commands and drawing.
#include "Errors.h"
#include "History.h"
#include "HistoryOwner.h"
#include "ScriptedDialogs.h"
#include "SkinButton.h"
#include "TestMain.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

class TFakeOwner : public IHistoryOwner {
public:
    bool Modified = false;
    bool CancelPrompt = false;
    bool FailLoading = false;
    int PromptCount = 0;
    QStringList Opened;

    bool DocumentModified() const override { return Modified; }
    void PromptSaveChanges() override
    {
        ++PromptCount;
        if (CancelPrompt)
            throw EAbort();
    }
    void OpenDocumentFrom(const QString& path) override
    {
        Opened.append(path);
        if (FailLoading)
            throw EFOpenError(path);
    }
};

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QStringList SelectedRows(const QListWidget& list)
{
    QStringList rows;
    for (int i = 0; i < list.count(); ++i)
        if (list.item(i)->isSelected())
            rows.append(QString::number(i));
    return rows;
}

QStringList MessageTexts(const TScriptedDialogs& dialogs)
{
    QStringList texts;
    for (const TShownMessage& message : dialogs.Messages())
        texts.append(message.Text);
    return texts;
}

} // namespace

class TestHistoryFile : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(FDir.isValid()); }
    void roundTripWritesUtf8WithCrLf();
    void olderFilesAreRead_data();
    void olderFilesAreRead();
    void missingOrOversizedFileGivesEmptyHistory();
    void emptyListWritesEmptyFile();
    void failedWriteThrowsAndKeepsOldFile();

private:
    QString Path(const QString& name) const { return FDir.filePath(name); }
    QTemporaryDir FDir;
};

void TestHistoryFile::roundTripWritesUtf8WithCrLf()
{
    const QString file = Path(QStringLiteral("WrdFileList.dat"));
    const QStringList entries { QStringLiteral("/home/zoé/Lettres/réponse.rtf"), QStringLiteral("/tmp/a.txt"),
        QStringLiteral("/tmp/a.txt") };
    TFakeOwner owner;
    TScriptedDialogs dialogs;
    {
        THistoryForm form(owner, dialogs, file);
        for (auto it = entries.rbegin(); it != entries.rend(); ++it)
            form.AddToHistory(*it);
        form.FormDestroy();
    }
    QCOMPARE(ReadAll(file),
        QByteArray("/home/zo\xc3\xa9/Lettres/r\xc3\xa9ponse.rtf\r\n/tmp/a.txt\r\n/tmp/a.txt\r\n"));

    THistoryForm reread(owner, dialogs, file);
    QCOMPARE(reread.Entries(), entries);
    QVERIFY(reread.JustLoaded());
    QVERIFY(dialogs.Errors().isEmpty());
}

void TestHistoryFile::olderFilesAreRead_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("Windows-1252") << QByteArray("C:\\Lettres\\r\xe9ponse.rtf\r\nC:\\\x80uro.txt\r\n")
                                  << QStringList { QStringLiteral("C:\\Lettres\\réponse.rtf"),
                                         QStringLiteral("C:\\€uro.txt") };
    QTest::newRow("LF and empty lines") << QByteArray("\r\n/a.rtf\n\n/b.doc\r\n\r\n/c.txt")
                                        << QStringList { QStringLiteral("/a.rtf"), QStringLiteral("/b.doc"),
                                               QStringLiteral("/c.txt") };
    QTest::newRow("empty file") << QByteArray() << QStringList();
}

void TestHistoryFile::olderFilesAreRead()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, entries);
    const QString file = Path(QStringLiteral("old.dat"));
    QVERIFY(WriteAll(file, bytes));
    TFakeOwner owner;
    TScriptedDialogs dialogs;
    THistoryForm form(owner, dialogs, file);
    QCOMPARE(form.Entries(), entries);
    QVERIFY(form.JustLoaded());
}

void TestHistoryFile::missingOrOversizedFileGivesEmptyHistory()
{
    TFakeOwner owner;
    TScriptedDialogs dialogs;
    THistoryForm missing(owner, dialogs, Path(QStringLiteral("none.dat")));
    QVERIFY(missing.Entries().isEmpty());
    QVERIFY(!missing.JustLoaded());

    const QString big = Path(QStringLiteral("big.dat"));
    QByteArray line("/tmp/some/document.rtf\r\n");
    QVERIFY(WriteAll(big, line.repeated(MaxHistoryFileSize / line.size() + 1)));
    THistoryForm oversized(owner, dialogs, big);
    QVERIFY(oversized.Entries().isEmpty());
    QVERIFY(dialogs.Errors().isEmpty() && dialogs.Messages().isEmpty());
}

void TestHistoryFile::emptyListWritesEmptyFile()
{
    const QString file = Path(QStringLiteral("list.dat"));
    QVERIFY(WriteAll(file, "/tmp/a.rtf\r\n"));
    TFakeOwner owner;
    TScriptedDialogs dialogs;
    THistoryForm form(owner, dialogs, file);
    form.ListBox1->clear();
    form.FormDestroy();
    QVERIFY(QFile::exists(file));
    QCOMPARE(ReadAll(file), QByteArray());
}

void TestHistoryFile::failedWriteThrowsAndKeepsOldFile()
{
    // A folder that is really a file cannot hold the history, whoever runs the test.
    const QString blocker = Path(QStringLiteral("blocker"));
    QVERIFY(WriteAll(blocker, "not a folder"));
    const QString file = blocker + QStringLiteral("/WrdFileList.dat");
    QVERIFY_THROWS_EXCEPTION(EFCreateError, WriteHistoryFile(file, { QStringLiteral("/tmp/a.rtf") }));
    try {
        WriteHistoryFile(file, {});
    } catch (const EFCreateError& error) {
        QCOMPARE(error.Message(), QStringLiteral("Cannot create file %1").arg(file));
    }
    QCOMPARE(ReadAll(blocker), QByteArray("not a folder"));

    // Writing into a missing configuration folder makes the folder.
    const QString nested = Path(QStringLiteral("config/tamsel/WrdFileList.dat"));
    WriteHistoryFile(nested, { QStringLiteral("/tmp/a.rtf") });
    QCOMPARE(ReadAll(nested), QByteArray("/tmp/a.rtf\r\n"));
}

class TestHistoryWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void insertionKeepsFocusOnItsEntry();
    void firstShowSelectsNewestOnce();
    void pictureIndexByExactExtension_data();
    void pictureIndexByExactExtension();
    void longPathsKeepTheFileName();
    void selectedEntryIsDrawnWithGradient();
    void openMovesEntryToTopAndCloses();
    void doubleClickOpens();
    void openRefusesMissingFileOrSeveralEntries();
    void cancelledPromptLeavesEverything();
    void loadFailureShowsMovedMessageAndCloses();
    void removeAndClearAskFirst();
    void clickOnMissingEntryExplains();

private:
    QString MakeFile(const QString& name);
    // A window whose history lists the entries, newest first.
    std::unique_ptr<THistoryForm> NewForm(const QStringList& entries);

    std::unique_ptr<QTemporaryDir> FDir;
    TFakeOwner FOwner;
    TScriptedDialogs FDialogs;
};

void TestHistoryWindow::init()
{
    FDir = std::make_unique<QTemporaryDir>();
    QVERIFY(FDir->isValid());
    FOwner = TFakeOwner();
    FDialogs.ClearRecords();
    QCOMPARE(FDialogs.PendingAnswers(), 0);
}

QString TestHistoryWindow::MakeFile(const QString& name)
{
    const QString path = FDir->filePath(name);
    WriteAll(path, "{\\rtf1 x}");
    return path;
}

std::unique_ptr<THistoryForm> TestHistoryWindow::NewForm(const QStringList& entries)
{
    const QString file = FDir->filePath(QStringLiteral("WrdFileList.dat"));
    WriteAll(file, entries.join(QStringLiteral("\r\n")).toUtf8());
    return std::make_unique<THistoryForm>(FOwner, FDialogs, file);
}

void TestHistoryWindow::insertionKeepsFocusOnItsEntry()
{
    auto form = NewForm({});
    QListWidget& list = *form->ListBox1;
    form->AddToHistory(QStringLiteral("/a.rtf"));
    QCOMPARE(list.currentRow(), 0);

    form->AddToHistory(QStringLiteral("/b.rtf"));
    form->AddToHistory(QStringLiteral("/c.rtf"));
    QCOMPARE(list.currentItem()->text(), QStringLiteral("/a.rtf"));
    QCOMPARE(list.currentRow(), 2);

    list.setCurrentRow(1, QItemSelectionModel::ClearAndSelect); // /b.rtf
    form->AddToHistory(QStringLiteral("/a.rtf"));
    QCOMPARE(form->Entries(),
        QStringList({ QStringLiteral("/a.rtf"), QStringLiteral("/c.rtf"), QStringLiteral("/b.rtf"),
            QStringLiteral("/a.rtf") }));
    QCOMPARE(list.currentItem()->text(), QStringLiteral("/b.rtf"));
    QCOMPARE(SelectedRows(list), QStringList { QStringLiteral("2") });
}

void TestHistoryWindow::firstShowSelectsNewestOnce()
{
    auto form = NewForm({ MakeFile(QStringLiteral("a.rtf")), MakeFile(QStringLiteral("b.rtf")),
        MakeFile(QStringLiteral("c.rtf")) });
    QListWidget& list = *form->ListBox1;
    QVERIFY(form->JustLoaded());
    form->show();
    QVERIFY(!form->JustLoaded());
    QCOMPARE(SelectedRows(list), QStringList { QStringLiteral("0") });
    QCOMPARE(list.currentRow(), 0);
    QCOMPARE(form->size(), QSize(688, 462));
    form->hide();

    list.clearSelection();
    list.selectionModel()->setCurrentIndex(list.model()->index(2, 0), QItemSelectionModel::NoUpdate);
    form->show();
    QCOMPARE(SelectedRows(list), QStringList { QStringLiteral("2") }); // the focused entry, not entry 0
    form->hide();

    auto empty = NewForm({});
    empty->show(); // nothing to select, nothing to fail
    QCOMPARE(SelectedRows(*empty->ListBox1), QStringList());
    QVERIFY(FDialogs.Errors().isEmpty());
}

void TestHistoryWindow::pictureIndexByExactExtension_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("picture");
    QTest::newRow("txt") << "/home/a/notes.txt" << 0;
    QTest::newRow("rtf") << "C:\\Lettres\\offre.rtf" << 2;
    QTest::newRow("doc") << "/x/old.doc" << 3;
    QTest::newRow("htm") << "/x/page.htm" << 4;
    QTest::newRow("html") << "/x/page.html" << 4;
    QTest::newRow("xml") << "/x/data.xml" << 4;
    QTest::newRow("rtc") << "/x/packed.rtc" << 6;
    QTest::newRow("upper case") << "C:\\Lettres\\LETTRE.RTF" << 1;
    QTest::newRow("other") << "/x/book.pdf" << 1;
    QTest::newRow("no extension") << "/x/README" << 1;
    QTest::newRow("dot in folder only") << "/x/v1.rtf/README" << 1;
    QTest::newRow("docx") << "/x/new.docx" << 1;
}

void TestHistoryWindow::pictureIndexByExactExtension()
{
    QFETCH(QString, path);
    QFETCH(int, picture);
    QCOMPARE(HistoryPictureIndex(path), picture);
}

void TestHistoryWindow::longPathsKeepTheFileName()
{
    const QFontMetrics metrics(QFont(QStringLiteral("Arial"), 12));
    const QString path = QStringLiteral("/home/user/Documents/Correspondance/2024/Clients/lettre-de-relance.rtf");
    QCOMPARE(ElidedPath(path, metrics, 10000), path);

    const int width = metrics.horizontalAdvance(path) / 2;
    const QString elided = ElidedPath(path, metrics, width);
    QVERIFY2(elided.endsWith(QStringLiteral("/lettre-de-relance.rtf")), qPrintable(elided));
    QVERIFY2(elided.startsWith(QStringLiteral("/ho")), qPrintable(elided));
    QVERIFY(elided.contains(QChar(0x2026)));
    QVERIFY(metrics.horizontalAdvance(elided) <= width);

    const int narrow = metrics.horizontalAdvance(QStringLiteral("lettre"));
    QVERIFY(metrics.horizontalAdvance(ElidedPath(path, metrics, narrow)) <= narrow);
}

void TestHistoryWindow::selectedEntryIsDrawnWithGradient()
{
    auto form = NewForm({ QStringLiteral("/a.rtf"), QStringLiteral("/b.txt") });
    form->show();
    QListWidget& list = *form->ListBox1;
    list.clearSelection();
    list.item(0)->setSelected(true);
    list.clearFocus();
    const QRect selected = list.visualItemRect(list.item(0));
    const QRect plain = list.visualItemRect(list.item(1));
    QCOMPARE(selected.height(), THistoryForm::ItemHeight);
    QCOMPARE(selected.width(), list.viewport()->width());

    const QImage image = list.viewport()->grab().toImage();
    auto pixel = [&](int x, int y) { return QColor(image.pixel(x, y)); };
    const int x = selected.right() - 20; // clear of the picture and the short path
    QCOMPARE(pixel(x, selected.top() + 3), QColor(255, 245, 221));
    const QColor low = pixel(x, selected.bottom() - 2);
    QCOMPARE(low.red(), 255);
    QVERIFY2(low.green() >= 210 && low.green() <= 216, qPrintable(low.name()));
    QVERIFY2(low.blue() >= 94 && low.blue() <= 110, qPrintable(low.name()));
    // The grey outline stops one pixel short of the right edge.
    QCOMPARE(pixel(x, selected.top()), QColor(197, 197, 197));
    QCOMPARE(pixel(selected.right() - 1, selected.center().y()), QColor(197, 197, 197));
    QVERIFY(pixel(selected.right(), selected.center().y()) != QColor(197, 197, 197));
    QCOMPARE(pixel(x, plain.center().y()), QColor(Qt::white));
    // The path is written in black after the picture's place.
    bool dark = false;
    for (int px = selected.left() + 40; px < selected.left() + 80 && !dark; ++px)
        for (int py = selected.top() + 8; py < selected.bottom() && !dark; ++py)
            dark = pixel(px, py).lightness() < 80;
    QVERIFY(dark);
}

void TestHistoryWindow::openMovesEntryToTopAndCloses()
{
    const QString a = MakeFile(QStringLiteral("a.rtf"));
    const QString b = MakeFile(QStringLiteral("b.txt"));
    const QString c = MakeFile(QStringLiteral("c.doc"));
    auto form = NewForm({ a, b, c });
    FOwner.Modified = true;
    QListWidget& list = *form->ListBox1;
    FDialogs.QueueModal([&](QDialog&) {
        list.clearSelection();
        list.setCurrentRow(2, QItemSelectionModel::ClearAndSelect);
        form->btnOpen->Click();
    });
    QCOMPARE(FDialogs.ShowModal(*form), mrOk);
    QCOMPARE(FDialogs.ModalDialogs(), QStringList { QStringLiteral("THistoryForm") });
    QCOMPARE(FOwner.PromptCount, 1);
    QCOMPARE(FOwner.Opened, QStringList { c });
    QVERIFY(!form->isVisible());
    QCOMPARE(form->Entries(), QStringList({ c, a, b }));
    QVERIFY(FDialogs.Messages().isEmpty());

    form->FormDestroy();
    QVERIFY(ReadAll(form->HistoryFile()).startsWith((c + QStringLiteral("\r\n")).toUtf8()));
}

void TestHistoryWindow::doubleClickOpens()
{
    const QString a = MakeFile(QStringLiteral("a.rtf"));
    const QString b = MakeFile(QStringLiteral("b.rtf"));
    auto form = NewForm({ a, b });
    QListWidget& list = *form->ListBox1;
    FDialogs.QueueModal([&](QDialog&) {
        const QPoint at = list.visualItemRect(list.item(1)).center();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
    });
    FDialogs.ShowModal(*form);
    QCOMPARE(FOwner.Opened, QStringList { b });
    QCOMPARE(form->Entries(), QStringList({ b, a }));
    QVERIFY(!form->isVisible());
}

void TestHistoryWindow::openRefusesMissingFileOrSeveralEntries()
{
    const QString a = MakeFile(QStringLiteral("a.rtf"));
    const QString gone = FDir->filePath(QStringLiteral("gone.rtf"));
    const QStringList entries { a, gone, FDir->path() };
    auto form = NewForm(entries);
    QListWidget& list = *form->ListBox1;
    form->show();

    list.item(0)->setSelected(true);
    list.item(1)->setSelected(true);
    form->btnOpen->Click();
    list.clearSelection();
    form->btnOpen->Click(); // none selected
    list.setCurrentRow(1, QItemSelectionModel::ClearAndSelect);
    form->btnOpen->Click();
    list.setCurrentRow(2, QItemSelectionModel::ClearAndSelect); // a folder is no document
    form->btnOpen->Click();

    QCOMPARE(MessageTexts(FDialogs),
        QStringList({ QStringLiteral("Please select only one document to open."),
            QStringLiteral("Please select only one document to open."),
            QStringLiteral("Document does not exist or has been moved."),
            QStringLiteral("Document does not exist or has been moved.") }));
    QCOMPARE(FDialogs.Messages().first().Type, TMsgDlgType::mtInformation);
    QCOMPARE(form->Entries(), entries);
    QVERIFY(FOwner.Opened.isEmpty());
    QVERIFY(form->isVisible());
}

void TestHistoryWindow::cancelledPromptLeavesEverything()
{
    const QString a = MakeFile(QStringLiteral("a.rtf"));
    const QString b = MakeFile(QStringLiteral("b.rtf"));
    auto form = NewForm({ a, b });
    FOwner.Modified = true;
    FOwner.CancelPrompt = true;
    form->show();
    form->ListBox1->setCurrentRow(1, QItemSelectionModel::ClearAndSelect);
    form->btnOpen->Click();
    QCOMPARE(FOwner.PromptCount, 1);
    QVERIFY(form->isVisible());
    QCOMPARE(form->Entries(), QStringList({ a, b }));
    QVERIFY(FOwner.Opened.isEmpty());
    QVERIFY(FDialogs.Messages().isEmpty() && FDialogs.Errors().isEmpty());
}

void TestHistoryWindow::loadFailureShowsMovedMessageAndCloses()
{
    const QString a = MakeFile(QStringLiteral("a.rtf"));
    const QString b = MakeFile(QStringLiteral("b.rtf"));
    auto form = NewForm({ a, b });
    FOwner.FailLoading = true;
    FDialogs.QueueModal([&](QDialog&) {
        form->ListBox1->setCurrentRow(1, QItemSelectionModel::ClearAndSelect);
        form->btnOpen->Click();
    });
    QCOMPARE(FDialogs.ShowModal(*form), mrCancel);
    QVERIFY(!form->isVisible());
    QCOMPARE(FOwner.Opened, QStringList { b });
    QCOMPARE(MessageTexts(FDialogs), QStringList { QStringLiteral("Document does not exist or has been moved.") });
    QVERIFY(FDialogs.Errors().isEmpty()); // the loader's own message is not shown
    QCOMPARE(form->Entries(), QStringList({ b, a })); // moved before loading
}

void TestHistoryWindow::removeAndClearAskFirst()
{
    const QStringList entries { QStringLiteral("/a.rtf"), QStringLiteral("/b.rtf"), QStringLiteral("/c.rtf"),
        QStringLiteral("/d.rtf") };
    auto form = NewForm(entries);
    QListWidget& list = *form->ListBox1;
    form->show();
    list.setCurrentRow(1, QItemSelectionModel::ClearAndSelect);
    list.item(3)->setSelected(true);

    FDialogs.QueueAnswer(mrNo);
    form->btnRemove->Click();
    QCOMPARE(form->Entries(), entries);
    QCOMPARE(SelectedRows(list), QStringList({ QStringLiteral("1"), QStringLiteral("3") }));
    FDialogs.QueueAnswer(mrYes);
    form->btnRemove->Click();
    QCOMPARE(form->Entries(), QStringList({ QStringLiteral("/a.rtf"), QStringLiteral("/c.rtf") }));
    QVERIFY(list.currentItem() && list.currentItem()->isSelected()); // the focused entry stays selected

    FDialogs.QueueAnswer(mrNo);
    form->SkButton1->Click();
    QCOMPARE(form->Entries().size(), 2);
    FDialogs.QueueAnswer(mrYes);
    form->SkButton1->Click();
    QVERIFY(form->Entries().isEmpty());

    QStringList questions;
    for (const TShownMessage& prompt : FDialogs.Prompts()) {
        questions.append(prompt.Text);
        QCOMPARE(prompt.Buttons, TMsgDlgButtons::mbYesNo);
    }
    QCOMPARE(questions,
        QStringList({ QStringLiteral("Remove Selected Document(s)?"), QStringLiteral("Remove Selected Document(s)?"),
            QStringLiteral("Clear All of List?"), QStringLiteral("Clear All of List?") }));

    FDialogs.QueueAnswer(mrYes);
    form->btnRemove->Click(); // nothing left: still no failure
    QVERIFY(FDialogs.Errors().isEmpty());
}

void TestHistoryWindow::clickOnMissingEntryExplains()
{
    const QString a = MakeFile(QStringLiteral("a.rtf"));
    const QString gone = FDir->filePath(QStringLiteral("gone.rtf"));
    auto form = NewForm({ a, gone });
    QListWidget& list = *form->ListBox1;
    form->show();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.item(0)).center());
    QVERIFY(FDialogs.Messages().isEmpty());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.item(1)).center());
    QCOMPARE(MessageTexts(FDialogs),
        QStringList { QStringLiteral("Document does not exist or has been moved.\r\n\r\n"
                                     "Please remove this listing from document history.") });
    QCOMPARE(form->Entries(), QStringList({ a, gone }));
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    return RunTestClasses<TestHistoryFile, TestHistoryWindow>(argc, argv);
}

#include "tst_history.moc"
