// The memory a build holds: what the process holds now against what it held when the build started.
#pragma once

#include <QElapsedTimer>
#include <QtGlobal>

// Bytes the process holds now: its resident memory, or under the address
// sanitizer the bytes allocated and not freed (its shadow and quarantine
// would count otherwise). 0 where it cannot be told.
qint64 qdzMemoryInUse();

// Watches one build against a limit. Read cheaply: the measure is taken at
// most once a millisecond however often Exceeded is asked. It bounds the
// process, not the build alone: what the whole process came to hold since
// Start (other threads' builds and allocations included), and with
// CountReuse also the free memory kept from before that it used again, as
// often as the allocator can be asked without slowing the build. The
// allocator keeps no account per thread, and memory freed on another thread
// than the one that made it could not be charged soundly to either build.
class TqdzMemoryMeter
{
public:
    // Measures from now on; Limit in bytes, 0 for none. CountReuse for a
    // build's start: free memory kept from earlier builds counts once this
    // one uses it (not for frequent short measures: it walks the free lists).
    void Start(qint64 Limit, bool CountReuse = true);
    // True once the memory held grew by more than the limit since Start.
    bool Exceeded();
    qint64 Limit() const { return FLimit; }

private:
    qint64 FBase = 0;
    qint64 FLimit = 0;
    qint64 FKeptFree = 0;
    qint64 FReused = 0;
    qint64 FReuseWait = 0;
    QElapsedTimer FClock;
    QElapsedTimer FReuseClock;
};
