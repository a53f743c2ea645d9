// Implementation of root classes of the class library (TObject, TPersistent) and of the register of live objects.
#include "Object.h"
#include "Exceptions.h"
#include "TypInfo.h"
#include <atomic>
#include <new>
#include <sys/mman.h>

static std::atomic<TObjectDestroyHook> DestroyHook{nullptr};

namespace {

// The register of live objects is a map of the address space with one bit
// per 8 bytes (an object's alignment): set while an object starts there. Its
// serial is kept in the object and read only once the bit says it lives. No
// table is searched, so the cost per object does not depend on how many live,
// and neighbours in memory share the map's cache lines.
// Three levels: 2 MB of address space per leaf of bits (32 KB), 16 GB per
// middle table, and a top table over 48-bit addresses. Tables are mapped on
// first use, only the pages touched take memory, and they are never freed:
// objects are made and freed during shutdown too.
constexpr int GrainShift = 3;
constexpr int LeafShift = 21;
constexpr int MidShift = 34;
constexpr int AddressBits = 48;
constexpr quintptr LeafWords = (quintptr(1) << (LeafShift - GrainShift)) / 64;
constexpr quintptr MidSize = quintptr(1) << (MidShift - LeafShift);
constexpr quintptr TopSize = quintptr(1) << (AddressBits - MidShift);

struct TLeaf
{
    std::atomic<quint64> Bits[LeafWords];
};
struct TMid
{
    std::atomic<TLeaf *> Leaves[MidSize];
};
std::atomic<TMid *> Top[TopSize];

// Zeroed memory straight from the system: pages never touched cost nothing.
void *MapZeroed(std::size_t Size)
{
    void *p = mmap(nullptr, Size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        throw std::bad_alloc();
    return p;
}

template <typename T> T *Table(std::atomic<T *> &Slot, bool Make)
{
    T *t = Slot.load(std::memory_order_acquire);
    if (t || !Make)
        return t;
    auto *fresh = static_cast<T *>(MapZeroed(sizeof(T)));
    if (Slot.compare_exchange_strong(t, fresh, std::memory_order_acq_rel))
        return fresh;
    munmap(fresh, sizeof(T)); // another thread mapped it first
    return t;
}

// The leaf covering address A; nil when no object was ever made in its 2 MB
// and Make is false.
TLeaf *LeafOf(quintptr A, bool Make)
{
    if (A >> AddressBits) {
        // User space on our targets ends below 2^48; nothing we made lives above.
        if (Make)
            qFatal("object at an address beyond 48 bits");
        return nullptr;
    }
    TMid *mid = Table(Top[A >> MidShift], Make);
    return mid ? Table(mid->Leaves[(A >> LeafShift) & (MidSize - 1)], Make) : nullptr;
}

std::atomic<quint64> &WordIn(TLeaf *Leaf, quintptr A)
{
    return Leaf->Bits[(A >> (GrainShift + 6)) & (LeafWords - 1)];
}

quint64 BitOf(quintptr A)
{
    return quint64(1) << ((A >> GrainShift) & 63);
}

// Each thread keeps the leaf it last used (objects made together lie
// together) and a block of serials, so making objects on several threads
// does not contend for one counter.
struct TThreadRegister
{
    quintptr Chunk = ~quintptr(0);
    TLeaf *Leaf = nullptr;
    quint64 NextSerial = 0;
    quint64 SerialEnd = 0;
};
constexpr quint64 SerialBlock = 4096;
std::atomic<quint64> NextSerialBlock{1};
thread_local TThreadRegister tRegister;

// Out of line, so that the common path of making and freeing an object
// stays a few instructions with no call.
[[gnu::noinline]] void SwitchLeaf(TThreadRegister &R, quintptr A)
{
    R.Leaf = LeafOf(A, true);
    R.Chunk = A >> LeafShift;
}

[[gnu::noinline]] void Refill(TThreadRegister &R, quintptr A)
{
    if (R.NextSerial == R.SerialEnd) {
        R.NextSerial = NextSerialBlock.fetch_add(SerialBlock, std::memory_order_relaxed);
        R.SerialEnd = R.NextSerial + SerialBlock;
    }
    if ((A >> LeafShift) != R.Chunk)
        SwitchLeaf(R, A);
}

} // namespace

TObject::TObject()
{
    TThreadRegister &r = tRegister;
    const quintptr a = quintptr(this);
    if (Q_UNLIKELY(r.NextSerial == r.SerialEnd || (a >> LeafShift) != r.Chunk))
        Refill(r, a);
    FSerial = r.NextSerial++;
    // Release: whoever sees the bit sees the serial.
    WordIn(r.Leaf, a).fetch_or(BitOf(a), std::memory_order_release);
}

TObject::~TObject()
{
    TThreadRegister &r = tRegister;
    const quintptr a = quintptr(this);
    if (Q_UNLIKELY((a >> LeafShift) != r.Chunk))
        SwitchLeaf(r, a);
    WordIn(r.Leaf, a).fetch_and(~BitOf(a), std::memory_order_relaxed);
    if (TObjectDestroyHook hook = DestroyHook.load(std::memory_order_acquire))
        hook(this);
}

quint64 LiveSerial(const TObject *AObject)
{
    // Only an aligned address can hold an object; its memory is read only
    // once the register says an object lives there.
    const quintptr a = quintptr(AObject);
    if (!a || (a & ((quintptr(1) << GrainShift) - 1)))
        return 0;
    TLeaf *leaf = LeafOf(a, false);
    if (!leaf || !(WordIn(leaf, a).load(std::memory_order_acquire) & BitOf(a)))
        return 0;
    return AObject->Serial();
}

bool ObjectIsLive(const TObject *AObject, quint64 Serial)
{
    // Serials start at 1: 0 is what an absent object answers.
    return Serial && LiveSerial(AObject) == Serial;
}

void SetObjectDestroyHook(TObjectDestroyHook Hook)
{
    DestroyHook.store(Hook, std::memory_order_release);
}

TClass TObject::StaticClass()
{
    // A plain TObject can be created, as in the class library.
    static const TClass FClass = StationRtti::NewClassInfo(
        QStringLiteral("TObject"), nullptr, [](TObject *) -> TObject * { return new TObject; },
        ClassTypeInfo<TObject>());
    return FClass;
}

TClass TObject::ClassType() const
{
    return StaticClass();
}

QString TObject::ClassName() const
{
    return ClassType()->ClassName();
}

TClass TObject::ClassParent() const
{
    return ClassType()->ClassParent();
}

bool TObject::InheritsFrom(TClass AClass) const
{
    return ClassType()->InheritsFrom(AClass);
}

static void DefineNothing(TPublisher<TPersistent> &) {}

TClass TPersistent::StaticClass()
{
    // TPersistent declares no published properties; it is abstract in use but
    // creatable, as in the class library.
    static const TClass FClass = StationRtti::MakeClass<TPersistent, TObject>("TPersistent", &DefineNothing);
    return FClass;
}

TClass TPersistent::ClassType() const
{
    return StaticClass();
}

void TPersistent::Assign(TPersistent *Source)
{
    if (Source)
        Source->AssignTo(this);
    else
        AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent *Dest)
{
    Dest->AssignError(this);
}

void TPersistent::AssignError(const TPersistent *Source) const
{
    const QString sourceName = Source ? Source->ClassName() : QStringLiteral("nil");
    throw EConvertError(QStringLiteral("Cannot assign a %1 to a %2").arg(sourceName, ClassName()));
}

QString TPersistent::GetNamePath() const
{
    return ClassName();
}

TPersistent *TPersistent::GetOwner() const
{
    return nullptr;
}

void TPersistent::DefineProperties(TFiler *) {}
