#pragma once
// The local clock, behind an interface so that tests can set the time.
#include <QDateTime>

namespace kelpo {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime Now() const = 0;  // local wall-clock time
};

class SystemClock : public Clock {
public:
    QDateTime Now() const override { return QDateTime::currentDateTime(); }
};

// A clock for tests: shows the time it was set to.
class FixedClock : public Clock {
public:
    explicit FixedClock(QDateTime t = QDateTime(QDate(2026, 12, 10), QTime(12, 0))) : t_(t) {}
    QDateTime Now() const override { return t_; }
    void Set(const QDateTime &t) { t_ = t; }
    void AddSecs(qint64 s) { t_ = t_.addSecs(s); }

private:
    QDateTime t_;
};

}  // namespace kelpo
