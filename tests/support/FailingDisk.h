#pragma once
// A disk for tests that refuses every write with a set reason, as a full or
// read-only disk would; the target is left alone. It stands in for the real
// disk from its making to its end (then the disk set before it is back); an
// empty reason lets writes through to the real disk.
#include <QString>

#include <utility>

#include "AtomicFile.h"

namespace kelpo {

class FailingDisk : public DiskFaults {
public:
    explicit FailingDisk(QString failure = QString()) : reason(std::move(failure)), previous_(SetDiskFaults(this)) {}
    ~FailingDisk() override { SetDiskFaults(previous_); }
    FailingDisk(const FailingDisk &) = delete;
    FailingDisk &operator=(const FailingDisk &) = delete;

    QString WriteFailure(const QString &) const override { return reason; }

    QString reason;  // what every write fails with; empty: none fails

private:
    const DiskFaults *previous_;
};

}  // namespace kelpo
