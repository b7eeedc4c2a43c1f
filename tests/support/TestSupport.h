#pragma once
// Paths of test data, set by CTest for every test program.
#include <QString>

// A file under tests/data/.
QString DataPath(const QString& relative);
// A file of the shared collection of RTF documents written by other programs.
QString SamplePath(const QString& name);
