// Implementation of root classes of the class library: TObject and TPersistent.
#include "Object.h"
#include "Exceptions.h"
#include "TypInfo.h"
#include <atomic>

static std::atomic<TObjectDestroyHook> DestroyHook{nullptr};

TObject::~TObject()
{
    if (TObjectDestroyHook hook = DestroyHook.load(std::memory_order_acquire))
        hook(this);
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
