// The memory a build holds, measured for its limit.
#include "qdzMemoryMeter.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QDZ_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QDZ_ASAN 1
#endif

#ifdef QDZ_ASAN
#include <cstddef>
// The sanitizer's allocator statistics (not every compiler ships the header).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#elif defined(Q_OS_LINUX)
#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <unistd.h>
#endif

qint64 qdzMemoryInUse()
{
#ifdef QDZ_ASAN
    return qint64(__sanitizer_get_current_allocated_bytes());
#elif defined(Q_OS_LINUX)
    // The resident pages, second field of statm: a few microseconds, where
    // the allocator's own statistics walk every free block.
    std::FILE *f = std::fopen("/proc/self/statm", "r");
    if (!f)
        return 0;
    long long size = 0, resident = 0;
    const int read = std::fscanf(f, "%lld %lld", &size, &resident);
    std::fclose(f);
    return read == 2 ? resident * qint64(sysconf(_SC_PAGESIZE)) : 0;
#else
    return 0;
#endif
}

#if !defined(QDZ_ASAN) && defined(Q_OS_LINUX)
// Free memory the allocator keeps and can hand out again without the
// process growing: its free blocks less the releasable top. Walks the free
// lists, so it is asked seldom.
static qint64 KeptFree()
{
    const struct mallinfo2 m = mallinfo2();
    return m.fordblks > m.keepcost ? qint64(m.fordblks - m.keepcost) : 0;
}
#endif

void TqdzMemoryMeter::Start(qint64 Limit, bool CountReuse)
{
    FLimit = Limit;
    FBase = Limit > 0 ? qdzMemoryInUse() : 0;
    FKeptFree = 0;
    FReused = 0;
#if !defined(QDZ_ASAN) && defined(Q_OS_LINUX)
    // What an earlier build freed stays with the allocator for the next one
    // (giving it back would make the next build fault it all in again); a
    // build that reuses it holds it all the same.
    if (Limit > 0 && CountReuse)
        FKeptFree = KeptFree();
#else
    (void)CountReuse;
#endif
    FClock.invalidate();
    FReuseClock.invalidate();
    FReuseWait = 0;
}

bool TqdzMemoryMeter::Exceeded()
{
    if (FLimit <= 0 || (FClock.isValid() && FClock.elapsed() < 1))
        return false;
    FClock.start();
    const qint64 grown = qdzMemoryInUse() - FBase;
#if !defined(QDZ_ASAN) && defined(Q_OS_LINUX)
    // Reuse is looked at only once it could make the difference, and then
    // at most a twentieth of the time, since the look walks the free lists.
    if (grown + FKeptFree > FLimit && (!FReuseClock.isValid() || FReuseClock.elapsed() >= FReuseWait)) {
        QElapsedTimer cost;
        cost.start();
        FReused = std::max<qint64>(FKeptFree - KeptFree(), 0);
        FReuseWait = std::max<qint64>(1, cost.elapsed() * 20);
        FReuseClock.start();
    }
#endif
    return grown + FReused > FLimit;
}
