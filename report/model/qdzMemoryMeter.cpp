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

void TqdzMemoryMeter::Start(qint64 Limit, bool GiveBack)
{
    FLimit = Limit;
#if !defined(QDZ_ASAN) && defined(Q_OS_LINUX)
    // Memory freed before (an earlier build's pages and objects) goes back
    // to the system first: resident memory then grows with what this build
    // holds, whether or not it reuses what was freed.
    if (Limit > 0 && GiveBack)
        malloc_trim(0);
#else
    (void)GiveBack;
#endif
    FBase = Limit > 0 ? qdzMemoryInUse() : 0;
    FClock.invalidate();
}

bool TqdzMemoryMeter::Exceeded()
{
    if (FLimit <= 0 || (FClock.isValid() && FClock.elapsed() < 1))
        return false;
    FClock.start();
    return qdzMemoryInUse() - FBase > FLimit;
}
