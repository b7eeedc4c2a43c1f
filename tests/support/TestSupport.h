#pragma once
// Paths of test data, set by CTest for every test program, and the outside tools tests check
// files with.
#include <QString>
#include <QStringList>

// A file under tests/data/.
QString DataPath(const QString& relative);
// A file of the shared collection of RTF documents written by other programs.
QString SamplePath(const QString& name);
// What an outside program (pdfinfo, pdftotext, ...) writes to standard output; empty when it
// cannot run.
QString ToolOutput(const QString& program, const QStringList& arguments);
// The page count pdfinfo gives for a PDF file; -1 when it gives none.
int PdfPageCount(const QString& path);
