// The memory a build holds: what the process holds now against what it held when the build started.
#pragma once

#include <QElapsedTimer>
#include <QtGlobal>

// Bytes the process holds now: its resident memory, or under the address
// sanitizer the bytes allocated and not freed (its shadow and quarantine
// would count otherwise). 0 where it cannot be told.
qint64 qdzMemoryInUse();

// Watches one build against a limit. Read cheaply: the measure is taken at
// most once a millisecond however often Exceeded is asked.
class TqdzMemoryMeter
{
public:
    // Measures from now on; Limit in bytes, 0 for none. With GiveBack what
    // was freed before goes back to the system first (a build's start: not
    // for frequent short measures, it walks the free memory).
    void Start(qint64 Limit, bool GiveBack = true);
    // True once the memory held grew by more than the limit since Start.
    bool Exceeded();
    qint64 Limit() const { return FLimit; }

private:
    qint64 FBase = 0;
    qint64 FLimit = 0;
    QElapsedTimer FClock;
};
