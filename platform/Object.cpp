// Implementation of root classes of the class library (TObject, TPersistent) and of the register of live objects.
#include "Object.h"
#include "Exceptions.h"
#include "TypInfo.h"
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>

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

// The register of live objects, split by address (64 KB regions) so that
// threads making and freeing objects seldom wait for each other. Each part is an open-addressed
// table (linear probing, deletion by shifting back): one cache line touched
// for most insertions and removals.
constexpr quintptr ShardCount = 64;

struct alignas(64) TLiveShard
{
    struct TSlot
    {
        const TObject *Object;
        quint64 Serial;
    };
    std::mutex Lock;
    TSlot *Slots = nullptr;
    quintptr Mask = 0;
    quintptr Count = 0;

    // Objects made one after another lie side by side, and so do their
    // slots: the table's cache lines are shared as the heap's are.
    static quintptr Home(const TObject *AObject)
    {
        const quintptr a = quintptr(AObject);
        return (a >> 4) ^ (a >> 22);
    }

    void Grow()
    {
        const quintptr cap = Slots ? (Mask + 1) * 2 : 256;
        auto *fresh = static_cast<TSlot *>(calloc(cap, sizeof(TSlot)));
        if (!fresh)
            throw std::bad_alloc();
        TSlot *old = Slots;
        const quintptr oldCap = Slots ? Mask + 1 : 0;
        Slots = fresh;
        Mask = cap - 1;
        for (quintptr i = 0; i < oldCap; ++i)
            if (old[i].Object)
                Slots[Find(old[i].Object)] = old[i];
        free(old);
    }

    // The slot of AObject, or the empty one where it would go.
    quintptr Find(const TObject *AObject) const
    {
        quintptr i = Home(AObject) & Mask;
        while (Slots[i].Object && Slots[i].Object != AObject)
            i = (i + 1) & Mask;
        return i;
    }

    void Insert(const TObject *AObject, quint64 Serial)
    {
        if ((Count + 1) * 2 > (Slots ? Mask + 1 : 0))
            Grow();
        Slots[Find(AObject)] = {AObject, Serial};
        ++Count;
    }

    quint64 SerialOf(const TObject *AObject) const
    {
        if (!Slots)
            return 0;
        const TSlot &slot = Slots[Find(AObject)];
        return slot.Object ? slot.Serial : 0;
    }

    void Remove(const TObject *AObject)
    {
        if (!Slots)
            return;
        quintptr i = Find(AObject);
        if (!Slots[i].Object)
            return;
        --Count;
        // Entries after the hole that may not stay behind it move into it.
        for (quintptr j = i;;) {
            j = (j + 1) & Mask;
            if (!Slots[j].Object)
                break;
            const quintptr home = Home(Slots[j].Object) & Mask;
            if (((j - home) & Mask) >= ((j - i) & Mask)) {
                Slots[i] = Slots[j];
                i = j;
            }
        }
        Slots[i] = {nullptr, 0};
    }
};

// Never destroyed: objects are freed during shutdown too.
TLiveShard &ShardOf(const TObject *AObject)
{
    static TLiveShard *shards = new TLiveShard[ShardCount];
    const quintptr a = quintptr(AObject);
    return shards[((a >> 16) ^ (a >> 28)) % ShardCount];
}

} // namespace

TObject::TObject() : FSerial(NewSerial())
{
    TLiveShard &s = ShardOf(this);
    std::lock_guard<std::mutex> lock(s.Lock);
    s.Insert(this, FSerial);
}

TObject::~TObject()
{
    {
        TLiveShard &s = ShardOf(this);
        std::lock_guard<std::mutex> lock(s.Lock);
        s.Remove(this);
    }
    if (TObjectDestroyHook hook = DestroyHook.load(std::memory_order_acquire))
        hook(this);
}

bool ObjectIsLive(const TObject *AObject, quint64 Serial)
{
    // Serials start at 1: 0 is what an absent object answers.
    if (!AObject || !Serial)
        return false;
    TLiveShard &s = ShardOf(AObject);
    std::lock_guard<std::mutex> lock(s.Lock);
    return s.SerialOf(AObject) == Serial;
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

quint64 LiveSerial(const TObject *AObject)
{
    if (!AObject)
        return 0;
    TLiveShard &s = ShardOf(AObject);
    std::lock_guard<std::mutex> lock(s.Lock);
    return s.SerialOf(AObject);
}
