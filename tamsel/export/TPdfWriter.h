#pragma once
// TPdfWriter.h: a PDF 1.4 file of page pictures. Each page's drawing commands are deflated when the
// page is finished; each picture is deflated when placed and waits in a scratch file until EndDoc
// puts every object in place and writes the file in one go.
#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <deque>
#include <future>
#include <memory>
#include <vector>

class QTemporaryDir;
class TBitmap;

class TPdfWriter {
public:
    TPdfWriter();
    ~TPdfWriter(); // removes the scratch folder, whatever state the document is in
    TPdfWriter(const TPdfWriter&) = delete;
    TPdfWriter& operator=(const TPdfWriter&) = delete;

    // Properties, set before BeginDoc.
    QString FileName() const { return FFileName; }
    void SetFileName(const QString& fileName) { FFileName = fileName; }
    QString TITLE() const { return FTitle; }
    void SetTITLE(const QString& title) { FTitle = title; }
    QString Author() const { return FAuthor; }
    void SetAuthor(const QString& author) { FAuthor = author; }
    QString Creator() const { return FCreator; }
    void SetCreator(const QString& creator) { FCreator = creator; }
    QString Producer() const { return FProducer; }
    void SetProducer(const QString& producer) { FProducer = producer; }
    QString Keywords() const { return FKeywords; }
    void SetKeywords(const QString& keywords) { FKeywords = keywords; }
    QString Subject() const { return FSubject; }
    void SetSubject(const QString& subject) { FSubject = subject; }
    /// Points.
    int PageWidth() const { return FPageWidth; }
    void SetPageWidth(int points) { FPageWidth = points; }
    int PageHeight() const { return FPageHeight; }
    void SetPageHeight(int points) { FPageHeight = points; }
    bool Compress() const { return FCompress; }
    void SetCompress(bool compress) { FCompress = compress; }
    /// Pages begun so far.
    int PageNumber() const { return FPageNumber; }
    /// The resolution a picture is taken to have when it is scaled onto the page. Fixed rather than
    /// read from a screen, so that a document gives the same file on every machine.
    int PixelsPerInchX() const { return FPixelsPerInchX; }
    int PixelsPerInchY() const { return FPixelsPerInchY; }
    void SetPixelsPerInch(int x, int y);
    /// The /CreationDate; an invalid value (the default) takes the local time at BeginDoc.
    void SetCreationDate(const QDateTime& when) { FCreationDate = when; }

    void BeginDoc();
    /// Places the picture with its top-left corner x points from the left and y points below the top.
    /// Its bytes are taken as red, green, blue; a 32-bit picture loses its fourth byte.
    void DrawBitmap(int x, int y, const TBitmap& picture);
    void NewPage();
    /// Writes the file atomically; on failure the target is left as it was. Throws EFCreateError or
    /// EFOpenError.
    void EndDoc();
    /// Drops the document in progress and its scratch files; nothing is written.
    void Abort();

    /// The folder of this document's scratch files; empty outside BeginDoc..EndDoc.
    QString ScratchFolder() const;

    /// The placement command of a picture, without its line end.
    QByteArray PlacementLine(int x, int y, int width, int height) const;
    /// Info strings: Windows-1252 when every character has a byte there, else UTF-16BE with a byte
    /// order mark; backslashes and parentheses escaped.
    static QByteArray LiteralString(const QString& value);
    /// zlib at its default level; throws on failure.
    static QByteArray Deflate(const char* data, qsizetype size);

private:
    void RequireOpen(const char* operation) const;
    void Append(const QByteArray& piece); // to the output, recording the offset after it
    void BeginContent();
    void FinishContent();
    QString ScratchPath(int picture) const;
    void RemoveScratch();
    /// Takes the sizes of finished pictures until at most `keep` are still being deflated.
    void CollectPictures(std::size_t keep);

    QString FFileName;
    QString FTitle;
    QString FAuthor;
    QString FCreator;
    QString FProducer;
    QString FKeywords;
    QString FSubject;
    int FPageWidth = 612;
    int FPageHeight = 792;
    bool FCompress = true;
    int FPageNumber = 0;
    int FPixelsPerInchX = 96;
    int FPixelsPerInchY = 96;
    QDateTime FCreationDate;

    // Working state of the document in progress.
    bool FOpen = false;
    int FObjectCount = 0;
    qint64 FRunningOffset = 0;
    std::vector<qint64> FOffsets; // entry k: where object k+1 starts; finally the xref's offset
    std::vector<int> FContentObjects;
    int FPictureCount = 0;
    std::vector<qint64> FPictureSizes; // bytes of each scratch file
    // Pictures being deflated and saved on other threads: each is deflated on its own, so the file's
    // bytes do not depend on how many run at once.
    std::deque<std::pair<int, std::future<qint64>>> FPending;
    qsizetype FHeaderSize = 0;
    QByteArray FOutput; // the file up to the pictures while the document is open
    QByteArray FObject;
    QByteArray FContent;
    std::unique_ptr<QTemporaryDir> FScratch;
};
