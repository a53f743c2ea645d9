// Implementation of run-time type information.
#include "TypInfo.h"
#include "Collection.h"
#include "Component.h"
#include "Variants.h"
#include <QHash>
#include <limits>
#include <mutex>
#include <shared_mutex>

// ---------------------------------------------------------------------------
// Names

namespace StationRtti {

static inline char16_t FoldAscii(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
}

bool SameName(QStringView a, QStringView b)
{
    const qsizetype n = a.size();
    if (n != b.size())
        return false;
    const QChar *pa = a.data();
    const QChar *pb = b.data();
    for (qsizetype i = 0; i < n; ++i)
        if (FoldAscii(pa[i].unicode()) != FoldAscii(pb[i].unicode()))
            return false;
    return true;
}

quint32 NameHash(QStringView s)
{
    quint32 h = 2166136261u;
    for (QChar c : s) {
        h ^= FoldAscii(c.unicode());
        h *= 16777619u;
    }
    return h;
}

TComponent *OwnerAsComponent(TObject *AOwner)
{
    if (!AOwner)
        return nullptr;
    // The class registry answers first: objects are made by the thousand
    // while a template is read, and a dynamic_cast costs more.
    if (AOwner->InheritsFrom(TComponent::StaticClass()))
        return static_cast<TComponent *>(AOwner);
    auto *c = dynamic_cast<TComponent *>(AOwner);
    if (!c)
        throw EInvalidCast(QStringLiteral("Invalid class typecast"));
    return c;
}

TCollection *OwnerAsCollection(TObject *AOwner)
{
    if (!AOwner)
        return nullptr;
    auto *c = dynamic_cast<TCollection *>(AOwner);
    if (!c)
        throw EInvalidCast(QStringLiteral("Invalid class typecast"));
    return c;
}

void RaiseMethodMismatch()
{
    throw EInvalidCast(QStringLiteral("Invalid class typecast"));
}

TClassInfo *NewClassInfo(const QString &Name, TClass Parent, TObject *(*Factory)(TObject *), PTypeInfo Type)
{
    return new TClassInfo(Name, Parent, Factory, Type);
}

void FinishClassInfo(TClassInfo *Info)
{
    Info->Finish();
}

} // namespace StationRtti

using StationRtti::SameName;

// ---------------------------------------------------------------------------
// Type information

QString TTypeInfo::Name() const
{
    if (Kind == tkClass && FName.isEmpty())
        return ClassType()->ClassName();
    return FName;
}

TClass TTypeInfo::ClassType() const
{
    return ClassGetter ? ClassGetter() : nullptr;
}

bool TTypeInfo::IsOrdinal() const
{
    switch (Kind) {
    case tkInteger:
    case tkChar:
    case tkWChar:
    case tkEnumeration:
    case tkSet:
    case tkInt64:
        return true;
    default:
        return false;
    }
}

TTypeInfo TTypeInfo::MakeOrdinal(const QString &Name, TTypeKind Kind, TOrdType Ord, qint64 Min, qint64 Max)
{
    TTypeInfo t;
    t.FName = Name;
    t.Kind = Kind;
    t.OrdType = Ord;
    t.MinValue = Min;
    t.MaxValue = Max;
    return t;
}

TTypeInfo TTypeInfo::MakeEnum(const QString &Name, const char *Identifiers)
{
    TTypeInfo t;
    t.FName = Name;
    t.Kind = tkEnumeration;
    for (const QString &part : QString::fromLatin1(Identifiers).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        // Identifiers are the values 0, 1, 2...; explicit values would break
        // the identifier <-> value mapping.
        if (part.contains(QLatin1Char('=')))
            throw EPropertyError(QStringLiteral("Enumeration %1 has explicit values").arg(Name));
        const QString ident = part.trimmed();
        if (!ident.isEmpty())
            t.Names.append(ident);
    }
    t.MinValue = 0;
    t.MaxValue = t.Names.size() - 1;
    t.OrdType = t.Names.size() <= 256 ? otUByte : otUWord;
    return t;
}

TTypeInfo TTypeInfo::MakeSet(const QString &Name, PTypeInfo Element)
{
    if (!Element || Element->Kind != tkEnumeration || Element->Names.size() > 32)
        throw EPropertyError(QStringLiteral("Invalid set element type for %1").arg(Name));
    TTypeInfo t;
    t.FName = Name;
    t.Kind = tkSet;
    t.CompType = Element;
    t.OrdType = otULong;
    t.MinValue = 0;
    const int n = int(Element->Names.size());
    t.MaxValue = n >= 32 ? qint64(0xFFFFFFFFu) : (qint64(1) << n) - 1;
    return t;
}

TTypeInfo TTypeInfo::MakeFloat(const QString &Name, TFloatType FloatType)
{
    TTypeInfo t;
    t.FName = Name;
    t.Kind = tkFloat;
    t.FloatType = FloatType;
    return t;
}

TTypeInfo TTypeInfo::MakeString(const QString &Name, TTypeKind Kind)
{
    TTypeInfo t;
    t.FName = Name;
    t.Kind = Kind;
    return t;
}

TTypeInfo TTypeInfo::MakeClass(TClass (*Getter)())
{
    TTypeInfo t;
    t.Kind = tkClass;
    t.ClassGetter = Getter;
    return t;
}

TTypeInfo TTypeInfo::MakeMethod(const QString &Name, const void *Signature)
{
    TTypeInfo t;
    t.FName = Name;
    t.Kind = tkMethod;
    t.Signature = Signature;
    return t;
}

TTypeInfo TTypeInfo::MakeVariant()
{
    TTypeInfo t;
    t.FName = QStringLiteral("Variant");
    t.Kind = tkVariant;
    return t;
}

#define STATION_BUILTIN(CppType, Expr)                                                              \
    PTypeInfo StationTypeInfo(const CppType *)                                                      \
    {                                                                                               \
        static const TTypeInfo FInfo = Expr;                                                        \
        return &FInfo;                                                                              \
    }

STATION_BUILTIN(bool, TTypeInfo::MakeEnum(QStringLiteral("Boolean"), "False, True"))
STATION_BUILTIN(char, TTypeInfo::MakeOrdinal(QStringLiteral("Char"), tkChar, otUByte, 0, 255))
STATION_BUILTIN(QChar, TTypeInfo::MakeOrdinal(QStringLiteral("WideChar"), tkWChar, otUWord, 0, 65535))
STATION_BUILTIN(qint8, TTypeInfo::MakeOrdinal(QStringLiteral("ShortInt"), tkInteger, otSByte, -128, 127))
STATION_BUILTIN(quint8, TTypeInfo::MakeOrdinal(QStringLiteral("Byte"), tkInteger, otUByte, 0, 255))
STATION_BUILTIN(qint16, TTypeInfo::MakeOrdinal(QStringLiteral("SmallInt"), tkInteger, otSWord, -32768, 32767))
STATION_BUILTIN(quint16, TTypeInfo::MakeOrdinal(QStringLiteral("Word"), tkInteger, otUWord, 0, 65535))
STATION_BUILTIN(qint32, TTypeInfo::MakeOrdinal(QStringLiteral("Integer"), tkInteger, otSLong,
                                               std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()))
STATION_BUILTIN(quint32, TTypeInfo::MakeOrdinal(QStringLiteral("Cardinal"), tkInteger, otULong, 0,
                                                std::numeric_limits<quint32>::max()))
STATION_BUILTIN(qint64, TTypeInfo::MakeOrdinal(QStringLiteral("Int64"), tkInt64, otSLong,
                                               std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max()))
STATION_BUILTIN(float, TTypeInfo::MakeFloat(QStringLiteral("Single"), ftSingle))
STATION_BUILTIN(double, TTypeInfo::MakeFloat(QStringLiteral("Double"), ftDouble))
STATION_BUILTIN(QString, TTypeInfo::MakeString(QStringLiteral("String"), tkLString))
STATION_BUILTIN(Variant, TTypeInfo::MakeVariant())

#define STATION_NAMED(Function, Expr)                                                               \
    PTypeInfo Function()                                                                            \
    {                                                                                               \
        static const TTypeInfo FInfo = Expr;                                                        \
        return &FInfo;                                                                              \
    }

STATION_NAMED(TypeInfoWideString, TTypeInfo::MakeString(QStringLiteral("WideString"), tkWString))
STATION_NAMED(TypeInfoExtended, TTypeInfo::MakeFloat(QStringLiteral("Extended"), ftExtended))
STATION_NAMED(TypeInfoDateTime, TTypeInfo::MakeFloat(QStringLiteral("TDateTime"), ftDouble))
STATION_NAMED(TypeInfoCurrency, TTypeInfo::MakeFloat(QStringLiteral("Currency"), ftCurr))
STATION_NAMED(TypeInfoTColor, TTypeInfo::MakeOrdinal(QStringLiteral("TColor"), tkInteger, otSLong,
                                                     std::numeric_limits<qint32>::min(),
                                                     std::numeric_limits<qint32>::max()))
STATION_NAMED(TypeInfoTComponentName, TTypeInfo::MakeString(QStringLiteral("TComponentName"), tkLString))
STATION_NAMED(TypeInfoTModalResult, TTypeInfo::MakeOrdinal(QStringLiteral("TModalResult"), tkInteger, otSLong,
                                                           std::numeric_limits<qint32>::min(),
                                                           std::numeric_limits<qint32>::max()))
STATION_NAMED(TypeInfoTCursor, TTypeInfo::MakeOrdinal(QStringLiteral("TCursor"), tkInteger, otSWord, -32768, 32767))
STATION_NAMED(TypeInfoTShortCut, TTypeInfo::MakeOrdinal(QStringLiteral("TShortCut"), tkInteger, otUWord, 0, 65535))
STATION_NAMED(TypeInfoDate, TTypeInfo::MakeFloat(QStringLiteral("TDate"), ftDouble))
STATION_NAMED(TypeInfoTime, TTypeInfo::MakeFloat(QStringLiteral("TTime"), ftDouble))

// ---------------------------------------------------------------------------
// Property info

bool TPropInfo::IsStored(TObject *Instance) const
{
    switch (FStoredKind) {
    case stAlways:
        return true;
    case stNever:
        return false;
    case stPredicate:
        return FStoredThunk(FStoredTarget, Instance);
    }
    return true;
}

void TPropInfo::WrongKind() const
{
    throw EPropertyConvertError(QStringLiteral("Invalid property type: %1").arg(FPropType->Name()));
}

void TPropInfo::ReadOnly() const
{
    throw EPropertyError(QStringLiteral("Property is read-only"));
}

void TPropInfo::CheckOrdRange(qint64 Value) const
{
    if (Value >= FPropType->MinValue && Value <= FPropType->MaxValue)
        return;
    if (FPropType->Kind == tkEnumeration || FPropType->Kind == tkSet)
        throw EPropertyConvertError(QStringLiteral("Invalid property value"));
    throw ERangeError(QStringLiteral("Range check error"));
}

qint64 TPropInfo::GetOrd(TObject *) const { WrongKind(); }
void TPropInfo::SetOrd(TObject *, qint64) const { WrongKind(); }
double TPropInfo::GetFloat(TObject *) const { WrongKind(); }
void TPropInfo::SetFloat(TObject *, double) const { WrongKind(); }
QString TPropInfo::GetStr(TObject *) const { WrongKind(); }
void TPropInfo::SetStr(TObject *, const QString &) const { WrongKind(); }
TObject *TPropInfo::GetObject(TObject *) const { WrongKind(); }
void TPropInfo::SetObject(TObject *, TObject *) const { WrongKind(); }
TMethod TPropInfo::GetMethod(TObject *) const { WrongKind(); }
void TPropInfo::SetMethod(TObject *, const TMethod &) const { WrongKind(); }
void TPropInfo::GetVariant(TObject *, Variant &) const { WrongKind(); }
void TPropInfo::SetVariant(TObject *, const Variant &) const { WrongKind(); }

TPropBuilderBase &TPropBuilderBase::NoDefault()
{
    FProp->FHasDefault = false;
    FProp->FDefault = 0;
    return *this;
}

TPropBuilderBase &TPropBuilderBase::Stored(bool Value)
{
    FProp->FStoredKind = Value ? TPropInfo::stAlways : TPropInfo::stNever;
    FProp->FStoredThunk = nullptr;
    return *this;
}

void TPropBuilderBase::SetDefault(qint64 Value)
{
    PTypeInfo t = FProp->FPropType;
    if (!t->IsOrdinal() || t->Kind == tkInt64)
        throw EPropertyError(QStringLiteral("Property %1 cannot have a default").arg(FProp->FName));
    if (Value < t->MinValue || Value > t->MaxValue)
        throw EPropertyError(QStringLiteral("Default of property %1 is out of range").arg(FProp->FName));
    FProp->FHasDefault = true;
    FProp->FDefault = Value;
}

static int KindFamily(TTypeKind k)
{
    switch (k) {
    case tkInteger:
    case tkChar:
    case tkWChar:
    case tkEnumeration:
    case tkSet:
    case tkInt64:
        return 1;
    case tkFloat:
        return 2;
    case tkString:
    case tkLString:
    case tkWString:
        return 3;
    default:
        return int(k) + 10;
    }
}

TPropBuilderBase &TPropBuilderBase::Type(PTypeInfo Info)
{
    if (!Info || KindFamily(Info->Kind) != KindFamily(FProp->FPropType->Kind))
        throw EPropertyError(QStringLiteral("Property %1: type of another kind").arg(FProp->FName));
    FProp->FPropType = Info;
    return *this;
}

// ---------------------------------------------------------------------------
// Class info

TClassInfo::TClassInfo(const QString &Name, TClass Parent, TObject *(*Factory)(TObject *), PTypeInfo Type)
    : FName(Name), FParent(Parent), FFactory(Factory), FTypeInfo(Type)
{
    if (Parent)
        FProps = Parent->FProps;
}

TClassInfo::~TClassInfo() = default;

bool TClassInfo::InheritsFrom(TClass AClass) const
{
    for (TClass c = this; c; c = c->FParent)
        if (c == AClass)
            return true;
    return false;
}

TObject *TClassInfo::Create(TObject *AOwner) const
{
    if (!FFactory)
        throw EAbstractError(QStringLiteral("Cannot create an instance of the abstract class %1").arg(FName));
    return FFactory(AOwner);
}

TPropInfo *TClassInfo::Add(TPropInfo *Prop)
{
    std::unique_ptr<TPropInfo> owned(Prop);
    Prop->FDeclaringClass = this;
    for (size_t i = 0; i < FProps.size(); ++i) {
        if (SameName(FProps[i]->Name(), Prop->Name())) {
            // Published again: the new definition takes the old place.
            Prop->FIndex = int(i);
            FProps[i] = Prop;
            FOwnProps.push_back(std::move(owned));
            return Prop;
        }
    }
    Prop->FIndex = int(FProps.size());
    FProps.push_back(Prop);
    FOwnProps.push_back(std::move(owned));
    return Prop;
}

TPropInfo *TClassInfo::Republish(const QString &Name)
{
    for (size_t i = 0; i < FProps.size(); ++i) {
        if (SameName(FProps[i]->Name(), Name)) {
            TPropInfo *copy = FProps[i]->Clone();
            FOwnProps.emplace_back(copy);
            FProps[i] = copy;
            return copy;
        }
    }
    throw EPropertyError(QStringLiteral("Property %1 does not exist").arg(Name));
}

void TClassInfo::Finish()
{
    FIndex.clear();
    FIndex.reserve(FProps.size());
    for (size_t i = 0; i < FProps.size(); ++i)
        FIndex.emplace_back(StationRtti::NameHash(FProps[i]->Name()), int(i));
}

PPropInfo TClassInfo::FindProp(QStringView Name) const
{
    const quint32 h = StationRtti::NameHash(Name);
    for (const auto &entry : FIndex)
        if (entry.first == h && SameName(FProps[size_t(entry.second)]->Name(), Name))
            return FProps[size_t(entry.second)];
    return nullptr;
}

// ---------------------------------------------------------------------------
// Class registry

namespace {

// Read by builds and scripts on any thread; classes register at start-up
// and when a unit is first used.
struct TRegistry
{
    std::shared_mutex Lock;
    QHash<QString, TClass> ByName; // key: upper-cased name
};

TRegistry &Registry()
{
    static TRegistry FRegistry;
    return FRegistry;
}

QString RegistryKey(QStringView Name)
{
    QString key = Name.toString();
    for (QChar &c : key)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 32);
    return key;
}

} // namespace

void RegisterClass(TClass AClass)
{
    std::unique_lock<std::shared_mutex> lock(Registry().Lock);
    for (TClass c = AClass; c && c != TObject::StaticClass(); c = c->ClassParent()) {
        const QString key = RegistryKey(c->ClassName());
        auto it = Registry().ByName.constFind(key);
        if (it != Registry().ByName.constEnd()) {
            if (it.value() != c)
                throw EFilerError(QStringLiteral("A class named %1 already exists").arg(c->ClassName()));
        } else {
            Registry().ByName.insert(key, c);
        }
        if (c == TPersistent::StaticClass())
            break;
    }
}

void RegisterClasses(std::initializer_list<TClass> Classes)
{
    for (TClass c : Classes)
        RegisterClass(c);
}

void UnRegisterClass(TClass AClass)
{
    if (!AClass)
        return;
    const QString key = RegistryKey(AClass->ClassName());
    std::unique_lock<std::shared_mutex> lock(Registry().Lock);
    auto it = Registry().ByName.find(key);
    if (it != Registry().ByName.end() && it.value() == AClass)
        Registry().ByName.erase(it);
}

TClass GetClass(QStringView ClassName)
{
    const QString key = RegistryKey(ClassName);
    std::shared_lock<std::shared_mutex> lock(Registry().Lock);
    return Registry().ByName.value(key, nullptr);
}

TClass FindClass(QStringView ClassName)
{
    TClass c = GetClass(ClassName);
    if (!c)
        throw EClassNotFound(QStringLiteral("Class %1 not found").arg(ClassName));
    return c;
}

// ---------------------------------------------------------------------------
// Generic access

PPropInfo GetPropInfo(TClass AClass, QStringView PropName)
{
    return AClass ? AClass->FindProp(PropName) : nullptr;
}

PPropInfo GetPropInfo(const TObject *Instance, QStringView PropName)
{
    return Instance ? Instance->ClassType()->FindProp(PropName) : nullptr;
}

bool IsPublishedProp(const TObject *Instance, QStringView PropName)
{
    return GetPropInfo(Instance, PropName) != nullptr;
}

TObject *ResolvePropPath(TObject *Instance, QStringView Path, PPropInfo &Prop)
{
    Prop = nullptr;
    TObject *current = Instance;
    qsizetype start = 0;
    while (current) {
        const qsizetype dot = Path.indexOf(QLatin1Char('.'), start);
        const QStringView segment = dot < 0 ? Path.mid(start) : Path.mid(start, dot - start);
        PPropInfo p = current->ClassType()->FindProp(segment);
        if (!p)
            return nullptr;
        if (dot < 0) {
            Prop = p;
            return current;
        }
        if (p->Kind() != tkClass)
            return nullptr;
        current = p->GetObject(current);
        start = dot + 1;
    }
    return nullptr;
}

static void CheckInstance(TObject *Instance, PPropInfo Prop)
{
    if (!Prop)
        throw EPropertyError(QStringLiteral("Property does not exist"));
    if (!Instance || !Instance->ClassType()->InheritsFrom(Prop->DeclaringClass()))
        throw EInvalidCast(QStringLiteral("Invalid class typecast"));
}

bool IsStoredProp(TObject *Instance, PPropInfo Prop)
{
    CheckInstance(Instance, Prop);
    return Prop->IsStored(Instance);
}

bool IsDefaultOrdProp(TObject *Instance, PPropInfo Prop)
{
    CheckInstance(Instance, Prop);
    return Prop->HasDefault() && Prop->GetOrd(Instance) == Prop->Default();
}

qint64 GetOrdProp(TObject *Instance, PPropInfo Prop)
{
    CheckInstance(Instance, Prop);
    return Prop->GetOrd(Instance);
}

void SetOrdProp(TObject *Instance, PPropInfo Prop, qint64 Value)
{
    CheckInstance(Instance, Prop);
    Prop->SetOrd(Instance, Value);
}

qint64 GetInt64Prop(TObject *Instance, PPropInfo Prop)
{
    return GetOrdProp(Instance, Prop);
}

void SetInt64Prop(TObject *Instance, PPropInfo Prop, qint64 Value)
{
    SetOrdProp(Instance, Prop, Value);
}

QString GetEnumProp(TObject *Instance, PPropInfo Prop)
{
    CheckInstance(Instance, Prop);
    return GetEnumName(Prop->PropType(), Prop->GetOrd(Instance));
}

void SetEnumProp(TObject *Instance, PPropInfo Prop, const QString &Value)
{
    CheckInstance(Instance, Prop);
    const int v = GetEnumValue(Prop->PropType(), Value);
    if (v < 0)
        throw EPropertyConvertError(QStringLiteral("Invalid property element: %1").arg(Value));
    Prop->SetOrd(Instance, v);
}

QString GetSetProp(TObject *Instance, PPropInfo Prop, bool Brackets)
{
    CheckInstance(Instance, Prop);
    return SetToString(Prop->PropType(), quint32(Prop->GetOrd(Instance)), Brackets);
}

void SetSetProp(TObject *Instance, PPropInfo Prop, const QString &Value)
{
    CheckInstance(Instance, Prop);
    Prop->SetOrd(Instance, StringToSet(Prop->PropType(), Value));
}

double GetFloatProp(TObject *Instance, PPropInfo Prop)
{
    CheckInstance(Instance, Prop);
    return Prop->GetFloat(Instance);
}

void SetFloatProp(TObject *Instance, PPropInfo Prop, double Value)
{
    CheckInstance(Instance, Prop);
    Prop->SetFloat(Instance, Value);
}

QString GetStrProp(TObject *Instance, PPropInfo Prop)
{
    CheckInstance(Instance, Prop);
    return Prop->GetStr(Instance);
}

void SetStrProp(TObject *Instance, PPropInfo Prop, const QString &Value)
{
    CheckInstance(Instance, Prop);
    Prop->SetStr(Instance, Value);
}

TObject *GetObjectProp(TObject *Instance, PPropInfo Prop)
{
    CheckInstance(Instance, Prop);
    return Prop->GetObject(Instance);
}

void SetObjectProp(TObject *Instance, PPropInfo Prop, TObject *Value)
{
    CheckInstance(Instance, Prop);
    Prop->SetObject(Instance, Value);
}

TClass GetObjectPropClass(PPropInfo Prop)
{
    return Prop && Prop->Kind() == tkClass ? Prop->PropType()->ClassType() : nullptr;
}

TMethod GetMethodProp(TObject *Instance, PPropInfo Prop)
{
    CheckInstance(Instance, Prop);
    return Prop->GetMethod(Instance);
}

void SetMethodProp(TObject *Instance, PPropInfo Prop, const TMethod &Value)
{
    CheckInstance(Instance, Prop);
    Prop->SetMethod(Instance, Value);
}

Variant GetVariantProp(TObject *Instance, PPropInfo Prop)
{
    CheckInstance(Instance, Prop);
    Variant v;
    Prop->GetVariant(Instance, v);
    return v;
}

void SetVariantProp(TObject *Instance, PPropInfo Prop, const Variant &Value)
{
    CheckInstance(Instance, Prop);
    Prop->SetVariant(Instance, Value);
}

static Variant OrdinalVariant(qint64 v)
{
    if (v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max())
        return Variant(int(v));
    return Variant(v);
}

Variant GetPropValue(TObject *Instance, PPropInfo Prop, bool PreferStrings)
{
    CheckInstance(Instance, Prop);
    PTypeInfo t = Prop->PropType();
    switch (t->Kind) {
    case tkInteger:
    case tkChar:
    case tkWChar:
        return OrdinalVariant(Prop->GetOrd(Instance));
    case tkInt64:
        return Variant(Prop->GetOrd(Instance));
    case tkEnumeration:
        if (t == TypeInfoOf<bool>())
            return Variant(Prop->GetOrd(Instance) != 0);
        if (PreferStrings)
            return Variant(GetEnumName(t, Prop->GetOrd(Instance)));
        return OrdinalVariant(Prop->GetOrd(Instance));
    case tkSet:
        if (PreferStrings)
            return Variant(SetToString(t, quint32(Prop->GetOrd(Instance))));
        return OrdinalVariant(Prop->GetOrd(Instance));
    case tkFloat:
        if (t == TypeInfoDateTime())
            return Variant::FromDate(Prop->GetFloat(Instance));
        if (t->FloatType == ftCurr)
            return Variant::FromCurrency(Prop->GetFloat(Instance));
        return Variant(Prop->GetFloat(Instance));
    case tkString:
    case tkLString:
        return Variant(Prop->GetStr(Instance));
    case tkWString:
        return Variant::FromOleStr(Prop->GetStr(Instance));
    case tkVariant: {
        Variant v;
        Prop->GetVariant(Instance, v);
        return v;
    }
    case tkClass:
        return Variant(Prop->GetObject(Instance));
    case tkMethod:
        return Variant(t->Name());
    default:
        throw EPropertyConvertError(QStringLiteral("Invalid property type: %1").arg(t->Name()));
    }
}

void SetPropValue(TObject *Instance, PPropInfo Prop, const Variant &Value)
{
    CheckInstance(Instance, Prop);
    PTypeInfo t = Prop->PropType();
    switch (t->Kind) {
    case tkChar:
    case tkWChar:
        // A character property takes a one-character string by its code.
        if (VarIsStr(Value)) {
            const QString s = VarToStr(Value);
            if (s.size() == 1) {
                Prop->SetOrd(Instance, s.at(0).unicode());
                return;
            }
        }
        Prop->SetOrd(Instance, Value.AsInt64());
        return;
    case tkInteger:
    case tkInt64:
        Prop->SetOrd(Instance, Value.AsInt64());
        return;
    case tkEnumeration:
        if (VarIsStr(Value)) {
            const QString s = VarToStr(Value);
            const int v = GetEnumValue(t, s);
            if (v < 0)
                throw EPropertyConvertError(QStringLiteral("Invalid property element: %1").arg(s));
            Prop->SetOrd(Instance, v);
        } else if (VarType(Value) == varBoolean) {
            Prop->SetOrd(Instance, Value.AsBoolean() ? 1 : 0);
        } else {
            Prop->SetOrd(Instance, Value.AsInt64());
        }
        return;
    case tkSet:
        if (VarIsStr(Value))
            Prop->SetOrd(Instance, StringToSet(t, VarToStr(Value)));
        else
            Prop->SetOrd(Instance, Value.AsInt64());
        return;
    case tkFloat:
        Prop->SetFloat(Instance, Value.AsDouble());
        return;
    case tkString:
    case tkLString:
    case tkWString:
        Prop->SetStr(Instance, VarToStr(Value));
        return;
    case tkVariant:
        Prop->SetVariant(Instance, Value);
        return;
    case tkClass:
        Prop->SetObject(Instance, Value.AsObject());
        return;
    default:
        throw EPropertyConvertError(QStringLiteral("Invalid property type: %1").arg(t->Name()));
    }
}

// By name: the path is walked, a missing property raises.
static TObject *Resolve(TObject *Instance, QStringView PropName, PPropInfo &Prop)
{
    TObject *target = ResolvePropPath(Instance, PropName, Prop);
    if (!target || !Prop)
        throw EPropertyError(QStringLiteral("Property %1 does not exist").arg(PropName));
    return target;
}

#define STATION_BY_NAME_GET(Ret, Fn)                                                                \
    Ret Fn(TObject *Instance, QStringView PropName)                                                 \
    {                                                                                               \
        PPropInfo p;                                                                                \
        TObject *t = Resolve(Instance, PropName, p);                                                \
        return Fn(t, p);                                                                            \
    }
#define STATION_BY_NAME_SET(Arg, Fn)                                                                \
    void Fn(TObject *Instance, QStringView PropName, Arg Value)                                     \
    {                                                                                               \
        PPropInfo p;                                                                                \
        TObject *t = Resolve(Instance, PropName, p);                                                \
        Fn(t, p, Value);                                                                            \
    }

STATION_BY_NAME_GET(qint64, GetOrdProp)
STATION_BY_NAME_SET(qint64, SetOrdProp)
STATION_BY_NAME_GET(QString, GetEnumProp)
STATION_BY_NAME_SET(const QString &, SetEnumProp)
STATION_BY_NAME_SET(const QString &, SetSetProp)
STATION_BY_NAME_GET(double, GetFloatProp)
STATION_BY_NAME_SET(double, SetFloatProp)
STATION_BY_NAME_GET(QString, GetStrProp)
STATION_BY_NAME_SET(const QString &, SetStrProp)
STATION_BY_NAME_GET(TObject *, GetObjectProp)
STATION_BY_NAME_SET(TObject *, SetObjectProp)
STATION_BY_NAME_GET(TMethod, GetMethodProp)
STATION_BY_NAME_SET(const TMethod &, SetMethodProp)

Variant GetPropValue(TObject *Instance, QStringView PropName, bool PreferStrings)
{
    PPropInfo p;
    TObject *t = Resolve(Instance, PropName, p);
    return GetPropValue(t, p, PreferStrings);
}

STATION_BY_NAME_SET(const Variant &, SetPropValue)

QString GetSetProp(TObject *Instance, QStringView PropName, bool Brackets)
{
    PPropInfo p;
    TObject *t = Resolve(Instance, PropName, p);
    return GetSetProp(t, p, Brackets);
}

// ---------------------------------------------------------------------------
// Enumeration and set identifiers

QString GetEnumName(PTypeInfo Type, qint64 Value)
{
    if (!Type)
        return QString();
    if (Type->Kind == tkEnumeration) {
        if (Value >= 0 && Value < Type->Names.size())
            return Type->Names.at(qsizetype(Value));
        return QString();
    }
    if (Type->Kind == tkInteger || Type->Kind == tkInt64)
        return QString::number(Value);
    return QString();
}

int GetEnumValue(PTypeInfo Type, QStringView Name)
{
    if (!Type || Type->Kind != tkEnumeration)
        return -1;
    for (qsizetype i = 0; i < Type->Names.size(); ++i)
        if (SameName(Type->Names.at(i), Name))
            return int(i);
    return -1;
}

QString SetToString(PTypeInfo SetType, quint32 Value, bool Brackets)
{
    QString result;
    PTypeInfo element = SetType ? SetType->CompType : nullptr;
    if (element) {
        for (int i = 0; i < 32 && i < element->Names.size(); ++i) {
            if (Value & (quint32(1) << i)) {
                if (!result.isEmpty())
                    result += QLatin1Char(',');
                result += element->Names.at(i);
            }
        }
    }
    if (Brackets)
        result = QLatin1Char('[') + result + QLatin1Char(']');
    return result;
}

quint32 StringToSet(PTypeInfo SetType, QStringView Value)
{
    PTypeInfo element = SetType ? SetType->CompType : nullptr;
    if (!element)
        throw EPropertyConvertError(QStringLiteral("Invalid property value"));
    quint32 result = 0;
    qsizetype i = 0;
    const qsizetype n = Value.size();
    auto isSeparator = [](QChar c) {
        return c == QLatin1Char(',') || c == QLatin1Char(' ') || c == QLatin1Char('[') || c == QLatin1Char(']')
               || c == QLatin1Char('\t');
    };
    while (i < n) {
        while (i < n && isSeparator(Value[i]))
            ++i;
        const qsizetype start = i;
        while (i < n && !isSeparator(Value[i]))
            ++i;
        if (i == start)
            break;
        const QStringView word = Value.mid(start, i - start);
        const int v = GetEnumValue(element, word);
        if (v < 0)
            throw EPropertyConvertError(QStringLiteral("Invalid property element: %1").arg(word));
        result |= quint32(1) << v;
    }
    return result;
}
