// Implementation of root classes of the class library: TObject and TPersistent.
#include "Object.h"
#include "Exceptions.h"
#include "TypInfo.h"
#include <QHash>
#include <atomic>
#include <mutex>

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

// The register of live objects, split by address so that threads making and
// freeing objects seldom wait for each other.
constexpr quintptr ShardCount = 64;

struct alignas(64) TLiveShard
{
    std::mutex Lock;
    QHash<const TObject *, quint64> Serials;
};

// Never destroyed: objects are freed during shutdown too.
TLiveShard &ShardOf(const TObject *AObject)
{
    static TLiveShard *shards = new TLiveShard[ShardCount];
    const quintptr a = quintptr(AObject);
    return shards[((a >> 4) ^ (a >> 12)) % ShardCount];
}

} // namespace

TObject::TObject() : FSerial(NewSerial())
{
    TLiveShard &s = ShardOf(this);
    std::lock_guard<std::mutex> lock(s.Lock);
    s.Serials.insert(this, FSerial);
}

TObject::~TObject()
{
    {
        TLiveShard &s = ShardOf(this);
        std::lock_guard<std::mutex> lock(s.Lock);
        s.Serials.remove(this);
    }
    if (TObjectDestroyHook hook = DestroyHook.load(std::memory_order_acquire))
        hook(this);
}

bool ObjectIsLive(const TObject *AObject, quint64 Serial)
{
    if (!AObject)
        return false;
    TLiveShard &s = ShardOf(AObject);
    std::lock_guard<std::mutex> lock(s.Lock);
    const auto it = s.Serials.constFind(AObject);
    return it != s.Serials.constEnd() && *it == Serial;
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
    return s.Serials.value(AObject, 0);
}
