// Implementation of root classes of the class library (TObject, TPersistent) and of the register of live objects.
#include "Object.h"
#include "Exceptions.h"
#include "TypInfo.h"
#include <atomic>
#include <new>
#include <sys/mman.h>

static std::atomic<TObjectDestroyHook> DestroyHook{nullptr};

namespace {

// Serials are handed to each thread in blocks, so making objects on several
// threads does not contend for one counter.
constexpr quint64 SerialBlock = 4096;
std::atomic<quint64> NextSerialBlock{1};
thread_local quint64 tNextSerial = 0;
thread_local quint64 tSerialEnd = 0;

quint64 NewSerial()
{
    if (tNextSerial == tSerialEnd) {
        tNextSerial = NextSerialBlock.fetch_add(SerialBlock, std::memory_order_relaxed);
        tSerialEnd = tNextSerial + SerialBlock;
    }
    return tNextSerial++;
}

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

// The word holding AObject's bit, nil when no object was ever registered in
// its 2 MB; Bit is set to the bit's mask.
std::atomic<quint64> *Word(const TObject *AObject, quint64 &Bit, bool Make)
{
    const quintptr a = quintptr(AObject);
    if (a >> AddressBits) {
        // User space on our targets ends below 2^48; nothing we made lives above.
        if (Make)
            qFatal("object at an address beyond 48 bits");
        return nullptr;
    }
    TMid *mid = Table(Top[a >> MidShift], Make);
    if (!mid)
        return nullptr;
    TLeaf *leaf = Table(mid->Leaves[(a >> LeafShift) & (MidSize - 1)], Make);
    if (!leaf)
        return nullptr;
    const quintptr grain = (a >> GrainShift) & ((quintptr(1) << (LeafShift - GrainShift)) - 1);
    Bit = quint64(1) << (grain & 63);
    return &leaf->Bits[grain >> 6];
}

} // namespace

TObject::TObject() : FSerial(NewSerial())
{
    quint64 bit = 0;
    std::atomic<quint64> *w = Word(this, bit, true);
    // Release: whoever sees the bit sees the serial.
    w->fetch_or(bit, std::memory_order_release);
}

TObject::~TObject()
{
    quint64 bit = 0;
    std::atomic<quint64> *w = Word(this, bit, true);
    w->fetch_and(~bit, std::memory_order_relaxed);
    if (TObjectDestroyHook hook = DestroyHook.load(std::memory_order_acquire))
        hook(this);
}

quint64 LiveSerial(const TObject *AObject)
{
    // Only an aligned address can hold an object; its memory is read only
    // once the register says an object lives there.
    if (!AObject || (quintptr(AObject) & ((quintptr(1) << GrainShift) - 1)))
        return 0;
    quint64 bit = 0;
    std::atomic<quint64> *w = Word(AObject, bit, false);
    if (!w || !(w->load(std::memory_order_acquire) & bit))
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
