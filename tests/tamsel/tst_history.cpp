// The document history: its file, the insertion rule, and the history window's commands and drawing.
#include "Errors.h"
#include "History.h"
#include "HistoryOwner.h"
#include "ScriptedDialogs.h"
#include "SkinButton.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString Moved = u"Document does not exist or has been moved."_s;

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

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size());
}

QList<int> SelectedRows(const QListWidget& list)
{
    QList<int> rows;
    for (int i = 0; i < list.count(); ++i)
        if (list.item(i)->isSelected())
            rows.append(i);
    return rows;
}

} // namespace

class TestHistory : public QObject {
    Q_OBJECT
private slots:
    void init();
    void fileRoundTripAndOlderFiles();
    void unreadableFileGivesEmptyHistory();
    void failedWriteThrows();
    void insertionFocusesTheNewestEntry();
    void firstShowSelectsNewestOnce();
    void pictureIndexByExactExtension();
    void longPathsKeepTheFileName();
    void selectedEntryIsDrawnWithGradient();
    void openMovesEntryToTopAndCloses();
    void openRefusals();
    void loadFailureShowsMovedMessageAndCloses();
    void removeAndClearAskFirst();
    void mouseClicksExplainOrOpen();

private:
    QString File(const QString& name, bool create = true)
    {
        const QString path = FDir->filePath(name);
        if (create)
            WriteAll(path, "{\\rtf1 x}");
        return path;
    }
    std::unique_ptr<THistoryForm> NewForm(const QStringList& entries)
    {
        const QString file = FDir->filePath(u"WrdFileList.dat"_s);
        WriteAll(file, entries.join(u"\r\n"_s).toUtf8());
        return std::make_unique<THistoryForm>(FOwner, FDialogs, file);
    }
    QStringList MessageTexts() const
    {
        QStringList texts;
        for (const TShownMessage& message : FDialogs.Messages())
            texts.append(message.Text);
        return texts;
    }

    std::unique_ptr<QTemporaryDir> FDir;
    TFakeOwner FOwner;
    TScriptedDialogs FDialogs;
};

void TestHistory::init()
{
    FDir = std::make_unique<QTemporaryDir>();
    QVERIFY(FDir->isValid());
    FOwner = TFakeOwner();
    FDialogs.ClearRecords();
}

void TestHistory::fileRoundTripAndOlderFiles()
{
    const QStringList entries { u"/home/zoé/réponse.rtf"_s, u"/tmp/a.txt"_s, u"/tmp/a.txt"_s };
    auto form = NewForm({});
    QVERIFY(form->JustLoaded()); // an empty file is read successfully
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        form->AddToHistory(*it);
    form->FormDestroy();
    QCOMPARE(ReadAll(form->HistoryFile()),
        QByteArray("/home/zo\xc3\xa9/r\xc3\xa9ponse.rtf\r\n/tmp/a.txt\r\n/tmp/a.txt\r\n"));
    QCOMPARE(THistoryForm(FOwner, FDialogs, form->HistoryFile()).Entries(), entries);

    form->ListBox1->clear();
    form->FormDestroy();
    QCOMPARE(ReadAll(form->HistoryFile()), QByteArray());

    // Older Windows-1252 files, LF-only lines and empty lines.
    WriteAll(form->HistoryFile(), "C:\\r\xe9ponse.rtf\r\n\r\nC:\\\x80uro.txt\n\n/c.doc");
    QCOMPARE(
        ReadHistoryFile(form->HistoryFile()), QStringList({ u"C:\\réponse.rtf"_s, u"C:\\€uro.txt"_s, u"/c.doc"_s }));
}

void TestHistory::unreadableFileGivesEmptyHistory()
{
    THistoryForm missing(FOwner, FDialogs, File(u"none.dat"_s, false));
    QVERIFY(missing.Entries().isEmpty());
    QVERIFY(!missing.JustLoaded());

    const QByteArray line("/tmp/some/document.rtf\r\n");
    WriteAll(File(u"big.dat"_s, false), line.repeated(MaxHistoryFileSize / line.size() + 1));
    QVERIFY(THistoryForm(FOwner, FDialogs, File(u"big.dat"_s, false)).Entries().isEmpty());
    QVERIFY(FDialogs.Errors().isEmpty() && FDialogs.Messages().isEmpty());
}

void TestHistory::failedWriteThrows()
{
    // A folder that is really a file cannot hold the history, whoever runs the test.
    const QString blocker = File(u"blocker"_s);
    QVERIFY_THROWS_EXCEPTION(EFCreateError, WriteHistoryFile(blocker + u"/WrdFileList.dat"_s, { u"/a.rtf"_s }));
    QCOMPARE(ReadAll(blocker), QByteArray("{\\rtf1 x}"));

    // A configuration folder not made yet is made.
    const QString nested = File(u"config/tamsel/WrdFileList.dat"_s, false);
    WriteHistoryFile(nested, { u"/a.rtf"_s });
    QCOMPARE(ReadAll(nested), QByteArray("/a.rtf\r\n"));
}

void TestHistory::insertionFocusesTheNewestEntry()
{
    auto form = NewForm({});
    QListWidget& list = *form->ListBox1;
    form->AddToHistory(u"/a.rtf"_s);
    QCOMPARE(list.currentRow(), 0);
    form->AddToHistory(u"/b.rtf"_s);
    form->AddToHistory(u"/c.rtf"_s);
    // The focus does not drift down to the oldest entry as rows go in above it.
    QCOMPARE(list.currentRow(), 0);

    list.setCurrentRow(1, QItemSelectionModel::ClearAndSelect); // /b.rtf
    form->AddToHistory(u"/a.rtf"_s);
    QCOMPARE(form->Entries(), QStringList({ u"/a.rtf"_s, u"/c.rtf"_s, u"/b.rtf"_s, u"/a.rtf"_s }));
    form->show();
    QCOMPARE(list.currentItem()->text(), u"/a.rtf"_s);
    QCOMPARE(SelectedRows(list), QList<int> { 0 });
}

void TestHistory::firstShowSelectsNewestOnce()
{
    auto form = NewForm({ File(u"a.rtf"_s), File(u"b.rtf"_s), File(u"c.rtf"_s) });
    QListWidget& list = *form->ListBox1;
    form->show();
    QVERIFY(!form->JustLoaded());
    QCOMPARE(SelectedRows(list), QList<int> { 0 });
    QCOMPARE(form->size(), QSize(688, 462));
    form->hide();

    list.clearSelection();
    list.selectionModel()->setCurrentIndex(list.model()->index(2, 0), QItemSelectionModel::NoUpdate);
    form->show();
    QCOMPARE(SelectedRows(list), QList<int> { 2 }); // the focused entry, not entry 0 again

    auto empty = NewForm({});
    empty->show();
    QVERIFY(SelectedRows(*empty->ListBox1).isEmpty());
    QVERIFY(FDialogs.Errors().isEmpty());
}

void TestHistory::pictureIndexByExactExtension()
{
    const std::pair<const char*, int> cases[]
        = { { "/a/notes.txt", 0 }, { "C:\\Lettres\\offre.rtf", 2 }, { "/x/old.doc", 3 }, { "/x/p.htm", 4 },
              { "/x/p.html", 4 }, { "/x/d.xml", 4 }, { "/x/packed.rtc", 6 }, { "C:\\Lettres\\LETTRE.RTF", 1 },
              { "/x/book.pdf", 1 }, { "/x/README", 1 }, { "/x/v1.rtf/README", 1 }, { "/x/new.docx", 1 } };
    for (const auto& [path, picture] : cases)
        QVERIFY2(HistoryPictureIndex(QString::fromUtf8(path)) == picture, path);
}

void TestHistory::longPathsKeepTheFileName()
{
    const QFontMetrics metrics(QFont(u"Arial"_s, 12));
    const QString path = u"/home/user/Documents/Correspondance/2024/Clients/lettre-de-relance.rtf"_s;
    QCOMPARE(ElidedPath(path, metrics, 10000), path);
    const int width = metrics.horizontalAdvance(path) / 2;
    const QString elided = ElidedPath(path, metrics, width);
    QVERIFY2(elided.startsWith(u"/ho"_s) && elided.contains(u'\u2026') && elided.endsWith(u"/lettre-de-relance.rtf"_s),
        qPrintable(elided));
    QVERIFY(metrics.horizontalAdvance(elided) <= width);
    const int narrow = metrics.horizontalAdvance(u"lettre"_s);
    QVERIFY(metrics.horizontalAdvance(ElidedPath(path, metrics, narrow)) <= narrow);
}

void TestHistory::selectedEntryIsDrawnWithGradient()
{
    auto form = NewForm({ u"/a.rtf"_s, u"/b.txt"_s });
    form->show();
    QListWidget& list = *form->ListBox1;
    list.setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    list.clearFocus();
    const QRect selected = list.visualItemRect(list.item(0));
    QCOMPARE(selected.height(), THistoryForm::ItemHeight);
    QCOMPARE(selected.width(), list.viewport()->width());

    const QImage image = list.viewport()->grab().toImage();
    auto pixel = [&](int x, int y) { return QColor(image.pixel(x, y)); };
    const int x = selected.right() - 20; // clear of the picture and the short path
    QCOMPARE(pixel(x, selected.top() + 3), QColor(255, 245, 221));
    const QColor low = pixel(x, selected.bottom() - 2);
    QVERIFY2(low.red() == 255 && low.green() >= 210 && low.green() <= 216 && low.blue() >= 94 && low.blue() <= 110,
        qPrintable(low.name()));
    // The grey outline stops one pixel short of the right edge.
    QCOMPARE(pixel(x, selected.top()), QColor(197, 197, 197));
    QCOMPARE(pixel(selected.right() - 1, selected.center().y()), QColor(197, 197, 197));
    QVERIFY(pixel(selected.right(), selected.center().y()) != QColor(197, 197, 197));
    QCOMPARE(pixel(x, list.visualItemRect(list.item(1)).center().y()), QColor(Qt::white));
    bool dark = false; // the path, in black after the picture's place
    for (int px = selected.left() + 40; px < selected.left() + 80; ++px)
        for (int py = selected.top() + 8; py < selected.bottom(); ++py)
            dark = dark || pixel(px, py).lightness() < 80;
    QVERIFY(dark);
}

void TestHistory::openMovesEntryToTopAndCloses()
{
    const QStringList entries { File(u"a.rtf"_s), File(u"b.txt"_s), File(u"c.doc"_s) };
    auto form = NewForm(entries);
    FOwner.Modified = true;
    FDialogs.QueueModal([&](QDialog&) {
        form->ListBox1->setCurrentRow(2, QItemSelectionModel::ClearAndSelect);
        form->btnOpen->Click();
    });
    QCOMPARE(FDialogs.ShowModal(*form), mrOk);
    QCOMPARE(FOwner.PromptCount, 1);
    QCOMPARE(FOwner.Opened, QStringList { entries[2] });
    QVERIFY(!form->isVisible());
    QCOMPARE(form->Entries(), QStringList({ entries[2], entries[0], entries[1] }));
    QVERIFY(FDialogs.Messages().isEmpty());
    form->FormDestroy();
    QVERIFY(ReadAll(form->HistoryFile()).startsWith((entries[2] + u"\r\n"_s).toUtf8()));
}

void TestHistory::openRefusals()
{
    const QStringList entries { File(u"a.rtf"_s), File(u"gone.rtf"_s, false), FDir->path() };
    auto form = NewForm(entries);
    QListWidget& list = *form->ListBox1;
    form->show();

    // Cancel in the save prompt ends the command before anything changes.
    FOwner.Modified = FOwner.CancelPrompt = true;
    form->btnOpen->Click();
    QCOMPARE(FOwner.PromptCount, 1);
    QVERIFY(FDialogs.Messages().isEmpty() && FDialogs.Errors().isEmpty());
    FOwner.Modified = false;

    list.item(1)->setSelected(true); // with entry 0
    form->btnOpen->Click();
    list.clearSelection();
    form->btnOpen->Click();
    list.setCurrentRow(1, QItemSelectionModel::ClearAndSelect);
    form->btnOpen->Click();
    list.setCurrentRow(2, QItemSelectionModel::ClearAndSelect); // a folder is no document
    form->btnOpen->Click();

    const QString onlyOne = u"Please select only one document to open."_s;
    QCOMPARE(MessageTexts(), QStringList({ onlyOne, onlyOne, Moved, Moved }));
    QCOMPARE(FDialogs.Messages().first().Type, TMsgDlgType::mtInformation);
    QCOMPARE(form->Entries(), entries);
    QVERIFY(FOwner.Opened.isEmpty());
    QVERIFY(form->isVisible());
}

void TestHistory::loadFailureShowsMovedMessageAndCloses()
{
    const QString a = File(u"a.rtf"_s), b = File(u"b.rtf"_s);
    auto form = NewForm({ a, b });
    FOwner.FailLoading = true;
    FDialogs.QueueModal([&](QDialog&) {
        form->ListBox1->setCurrentRow(1, QItemSelectionModel::ClearAndSelect);
        form->btnOpen->Click();
    });
    QCOMPARE(FDialogs.ShowModal(*form), mrCancel);
    QVERIFY(!form->isVisible());
    QCOMPARE(FOwner.Opened, QStringList { b });
    QCOMPARE(MessageTexts(), QStringList { Moved });
    QVERIFY(FDialogs.Errors().isEmpty()); // the loader's own message is not shown
    QCOMPARE(form->Entries(), QStringList({ b, a })); // moved before loading
}

void TestHistory::removeAndClearAskFirst()
{
    const QStringList entries { u"/a.rtf"_s, u"/b.rtf"_s, u"/c.rtf"_s, u"/d.rtf"_s };
    auto form = NewForm(entries);
    QListWidget& list = *form->ListBox1;
    form->show();
    list.setCurrentRow(1, QItemSelectionModel::ClearAndSelect);
    list.item(3)->setSelected(true);

    for (TModalResult answer : { mrNo, mrYes, mrNo, mrYes })
        FDialogs.QueueAnswer(answer);
    form->btnRemove->Click();
    QCOMPARE(form->Entries(), entries);
    QCOMPARE(SelectedRows(list), QList<int>({ 1, 3 }));
    form->btnRemove->Click();
    QCOMPARE(form->Entries(), QStringList({ u"/a.rtf"_s, u"/c.rtf"_s }));
    QVERIFY(list.currentItem() && list.currentItem()->isSelected()); // the focused entry is selected again
    form->SkButton1->Click();
    QCOMPARE(form->Entries().size(), 2);
    form->SkButton1->Click();
    QVERIFY(form->Entries().isEmpty());

    QStringList questions;
    for (const TShownMessage& prompt : FDialogs.Prompts()) {
        questions.append(prompt.Text);
        QCOMPARE(prompt.Buttons, TMsgDlgButtons::mbYesNo);
    }
    const QString remove = u"Remove Selected Document(s)?"_s, clear = u"Clear All of List?"_s;
    QCOMPARE(questions, QStringList({ remove, remove, clear, clear }));
    FDialogs.QueueAnswer(mrYes);
    form->btnRemove->Click(); // nothing left to remove or focus
    QVERIFY(FDialogs.Errors().isEmpty());
}

void TestHistory::mouseClicksExplainOrOpen()
{
    const QString a = File(u"a.rtf"_s), gone = File(u"gone.rtf"_s, false);
    auto form = NewForm({ a, gone });
    QListWidget& list = *form->ListBox1;
    form->show();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.item(0)).center());
    QVERIFY(FDialogs.Messages().isEmpty());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.item(1)).center());
    QCOMPARE(MessageTexts(), QStringList { Moved + u"\r\n\r\nPlease remove this listing from document history."_s });
    QCOMPARE(form->Entries(), QStringList({ a, gone }));

    FDialogs.QueueModal([&](QDialog&) {
        const QPoint at = list.visualItemRect(list.item(0)).center();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
    });
    QCOMPARE(FDialogs.ShowModal(*form), mrOk);
    QCOMPARE(FOwner.Opened, QStringList { a });
}

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
