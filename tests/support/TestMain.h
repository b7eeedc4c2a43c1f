#pragma once
// TestMain.h: runs several Qt Test classes, one per behaviour area, in one test program.
#include <QTest>

template <class Test> int RunTestClass(int argc, char** argv)
{
    Test test;
    return QTest::qExec(&test, argc, argv);
}

/// Runs every class even after a failure; nonzero when any failed.
template <class... Tests> int RunTestClasses(int argc, char** argv)
{
    int status = 0;
    ((status |= RunTestClass<Tests>(argc, argv)), ...);
    return status;
}
