#pragma once
// The current date and time, behind an interface so that tests can fix it.
#include <QDateTime>

class IClock {
public:
    virtual ~IClock() = default;
    /// Local date and time.
    virtual QDateTime Now() const = 0;
    QDate Today() const { return Now().date(); }
};

class TSystemClock : public IClock {
public:
    QDateTime Now() const override { return QDateTime::currentDateTime(); }
};
