// Run-time type information: class references, the registry of classes by
// name, and the published properties of every class with their kinds,
// declared defaults and stored rules. The template serializer, the script
// engine and the built-page store all read this one facility.
//
// Declaring a class (the macro goes first in the class body and leaves the
// access at private):
//
//   class TMyView : public TComponent
//   {
//       STATION_CLASS(TMyView, TComponent)
//   public:
//       explicit TMyView(TComponent *AOwner);      // the virtual constructor
//       int Left() const;            void SetLeft(int Value);
//       bool Visible() const;        void SetVisible(bool Value);
//       TFont *Font() const;         void SetFont(TFont *Value);
//       TNotifyEvent OnClick() const; void SetOnClick(TNotifyEvent Value);
//       ...
//   };
//
// and once in its .cpp (also when the class publishes nothing new):
//
//   STATION_PUBLISHED(TMyView)
//   {
//       P.Prop("Left", &TMyView::Left, &TMyView::SetLeft).Default(0);
//       P.Prop("Visible", &TMyView::Visible, &TMyView::SetVisible).Default(true);
//       P.Prop("Font", &TMyView::Font, &TMyView::SetFont);
//       P.Prop("Count", &TMyView::Count);                        // read-only
//       P.Prop("Caption", &TMyView::Caption, &TMyView::SetCaption)
//           .Stored(&TMyView::IsCaptionStored);                   // or .Stored(false)
//       P.Prop("OnClick", &TMyView::OnClick, &TMyView::SetOnClick);
//       P.Republish("Tag").Default(5);             // inherited: same place, new rule
//   }
//
//   RegisterClass(TMyView::StaticClass());         // findable and creatable by name
//
// Properties are listed inherited first, in registration order. A class with
// a constructor taking (TComponent *AOwner) is created by name with its owner,
// one taking (TCollection *) with its collection, others with (); abstract
// classes have class references but creating them raises EAbstractError.
//
// Enumerations, sets and events:
//
//   STATION_DECLARE_ENUM(TPrinterOrientation, poPortrait, poLandscape)
//   STATION_ENUM(TExistingEnum, eaOne, eaTwo)        // for an enum declared elsewhere
//   STATION_DECLARE_SET(TFontStyles, TFontStyle)     // TSet<TFontStyle>, element i = bit i
//   STATION_EVENT(TNotifyEvent, void(TObject *Sender))
//   Button->SetOnClick(TNotifyEvent(this, &TForm1::Button1Click));
//   if (FOnClick) FOnClick(this);
//
// Generic access: GetOrdProp, GetFloatProp, GetStrProp, GetObjectProp,
// GetMethodProp, GetEnumProp, GetSetProp and their Set counterparts take a
// property info or a name; names are matched without regard to case and may be
// dotted paths through class-kind properties ("Font.Name").
#pragma once
#include "Object.h"
#include "Exceptions.h"
#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

STATION_EXCEPTION(EPropertyError, Exception)
STATION_EXCEPTION(EPropertyConvertError, Exception)

class TComponent;
class TCollection;
class Variant;

enum TTypeKind {
    tkUnknown, tkInteger, tkChar, tkEnumeration, tkFloat, tkString, tkSet, tkClass,
    tkMethod, tkWChar, tkLString, tkWString, tkVariant, tkArray, tkRecord,
    tkInterface, tkInt64, tkDynArray
};
enum TOrdType { otSByte, otUByte, otSWord, otUWord, otSLong, otULong };
enum TFloatType { ftSingle, ftDouble, ftExtended, ftComp, ftCurr };

class TTypeInfo;
using PTypeInfo = const TTypeInfo *;
class TPropInfo;
using PPropInfo = const TPropInfo *;

// Description of one type: its kind and what that kind needs (range,
// identifiers, element type, class, call signature).
class TTypeInfo
{
public:
    TTypeKind Kind = tkUnknown;
    TOrdType OrdType = otSLong;
    TFloatType FloatType = ftDouble;
    qint64 MinValue = 0;
    qint64 MaxValue = 0;
    QStringList Names;                 // enumeration identifiers by value
    PTypeInfo CompType = nullptr;      // set: the element enumeration
    TClass (*ClassGetter)() = nullptr; // class: resolved on use, so a class may name itself
    const void *Signature = nullptr;   // method: identity of the call signature

    QString Name() const;
    TClass ClassType() const;
    bool IsOrdinal() const;

    static TTypeInfo MakeOrdinal(const QString &Name, TTypeKind Kind, TOrdType Ord, qint64 Min, qint64 Max);
    static TTypeInfo MakeEnum(const QString &Name, const char *Identifiers);
    static TTypeInfo MakeSet(const QString &Name, PTypeInfo Element);
    static TTypeInfo MakeFloat(const QString &Name, TFloatType FloatType);
    static TTypeInfo MakeString(const QString &Name, TTypeKind Kind);
    static TTypeInfo MakeClass(TClass (*Getter)());
    static TTypeInfo MakeMethod(const QString &Name, const void *Signature);
    static TTypeInfo MakeVariant();

private:
    QString FName;
};

// Type information of the built-in types. Found by TypeInfoOf<T>(); a type of
// one's own gets it through STATION_ENUM / STATION_DECLARE_SET / STATION_EVENT.
PTypeInfo StationTypeInfo(const bool *);
PTypeInfo StationTypeInfo(const char *);
PTypeInfo StationTypeInfo(const QChar *);
PTypeInfo StationTypeInfo(const qint8 *);
PTypeInfo StationTypeInfo(const quint8 *);
PTypeInfo StationTypeInfo(const qint16 *);
PTypeInfo StationTypeInfo(const quint16 *);
PTypeInfo StationTypeInfo(const qint32 *);
PTypeInfo StationTypeInfo(const quint32 *);
PTypeInfo StationTypeInfo(const qint64 *);
PTypeInfo StationTypeInfo(const float *);
PTypeInfo StationTypeInfo(const double *);
PTypeInfo StationTypeInfo(const QString *);
PTypeInfo StationTypeInfo(const Variant *);

// Named variants of the built-in types, for Prop(...).Type(...).
PTypeInfo TypeInfoWideString();  // "WideString"
PTypeInfo TypeInfoExtended();    // "Extended"
PTypeInfo TypeInfoDateTime();    // "TDateTime", streamed as a date
PTypeInfo TypeInfoCurrency();    // "Currency"
PTypeInfo TypeInfoTColor();      // "TColor"
PTypeInfo TypeInfoTComponentName(); // "TComponentName", a string
PTypeInfo TypeInfoTModalResult();   // "TModalResult", an integer
PTypeInfo TypeInfoTCursor();        // "TCursor", -32768..32767
PTypeInfo TypeInfoTShortCut();      // "TShortCut", 0..65535
PTypeInfo TypeInfoDate();           // "TDate"
PTypeInfo TypeInfoTime();           // "TTime"

// ---------------------------------------------------------------------------
// Sets: element i of the enumeration is bit i, as sets cross every boundary
// (templates, scripts, binary streams) as integers of their member bits.

template<class E>
class TSet
{
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> Elements)
    {
        for (E e : Elements)
            FBits |= Bit(e);
    }
    static constexpr TSet FromInt(quint32 Bits)
    {
        TSet s;
        s.FBits = Bits;
        return s;
    }
    constexpr quint32 ToInt() const { return FBits; }
    constexpr bool Contains(E e) const { return (FBits & Bit(e)) != 0; }
    constexpr bool Empty() const { return FBits == 0; }
    TSet &Include(E e) { FBits |= Bit(e); return *this; }
    TSet &Exclude(E e) { FBits &= ~Bit(e); return *this; }
    constexpr TSet operator+(TSet o) const { return FromInt(FBits | o.FBits); }
    constexpr TSet operator-(TSet o) const { return FromInt(FBits & ~o.FBits); }
    constexpr TSet operator*(TSet o) const { return FromInt(FBits & o.FBits); }
    constexpr bool operator==(const TSet &) const = default;

private:
    static constexpr quint32 Bit(E e) { return quint32(1) << static_cast<int>(e); }
    quint32 FBits = 0;
};

// ---------------------------------------------------------------------------
// Method pointers: an object and a method of it, as one value (data + code).
// TMethod is the untyped form the type information hands around; TEvent<Sig>
// is the typed form held in event properties.

struct TMethod
{
    void (*Code)() = nullptr;       // type-erased call thunk
    void *Data = nullptr;           // the object the method is bound to
    alignas(void *) unsigned char Target[2 * sizeof(void *)] = {}; // the member function
    const void *Signature = nullptr;
    bool Assigned() const { return Code != nullptr; }
    friend bool operator==(const TMethod &a, const TMethod &b)
    {
        return a.Code == b.Code && a.Data == b.Data && a.Signature == b.Signature
               && std::memcmp(a.Target, b.Target, sizeof a.Target) == 0;
    }
};

namespace StationRtti {
[[noreturn]] void RaiseMethodMismatch();
}

struct TEventBase {};

template<class Sig>
class TEvent;

template<class R, class... A>
class TEvent<R(A...)> : public TEventBase
{
public:
    TEvent() = default;
    TEvent(std::nullptr_t) {}
    template<class C, class B>
    TEvent(C *Obj, R (B::*Fn)(A...))
    {
        static_assert(std::is_base_of_v<B, C>, "the method must belong to the object's class");
        Bind<B>(static_cast<B *>(Obj), Fn);
    }
    template<class C, class B>
    TEvent(C *Obj, R (B::*Fn)(A...) const)
    {
        static_assert(std::is_base_of_v<B, C>, "the method must belong to the object's class");
        Bind<B>(static_cast<B *>(Obj), Fn);
    }
    // From the untyped form; a method of another signature raises EInvalidCast.
    explicit TEvent(const TMethod &M) : FMethod(M)
    {
        if (M.Code && M.Signature != SignatureId())
            StationRtti::RaiseMethodMismatch();
    }
    const TMethod &Method() const { return FMethod; }
    bool Assigned() const { return FMethod.Code != nullptr; }
    explicit operator bool() const { return Assigned(); }
    void *Data() const { return FMethod.Data; }
    friend bool operator==(const TEvent &a, const TEvent &b) { return a.FMethod == b.FMethod; }

    // Calling an unassigned event does nothing (and returns a default value).
    R operator()(A... Args) const
    {
        if (!FMethod.Code) {
            if constexpr (std::is_void_v<R>)
                return;
            else
                return R();
        }
        auto thunk = reinterpret_cast<R (*)(const TMethod &, A...)>(FMethod.Code);
        return thunk(FMethod, std::forward<A>(Args)...);
    }

    static const void *SignatureId()
    {
        static const char id = 0;
        return &id;
    }

private:
    template<class B, class F>
    void Bind(B *Obj, F Fn)
    {
        static_assert(sizeof(F) <= sizeof(FMethod.Target), "method pointer too large");
        FMethod.Data = static_cast<void *>(const_cast<std::remove_const_t<B> *>(Obj));
        std::memcpy(FMethod.Target, &Fn, sizeof Fn);
        FMethod.Code = reinterpret_cast<void (*)()>(&Invoke<B, F>);
        FMethod.Signature = SignatureId();
    }
    template<class B, class F>
    static R Invoke(const TMethod &M, A... Args)
    {
        F fn;
        std::memcpy(&fn, M.Target, sizeof fn);
        return (static_cast<B *>(M.Data)->*fn)(std::forward<A>(Args)...);
    }
    TMethod FMethod;
};

// ---------------------------------------------------------------------------
// Mapping C++ types to their type information.

template<class T>
PTypeInfo ClassTypeInfo()
{
    static const TTypeInfo FInfo = TTypeInfo::MakeClass(&T::StaticClass);
    return &FInfo;
}

template<class T>
PTypeInfo TypeInfoOf()
{
    if constexpr (std::is_pointer_v<T>) {
        using C = std::remove_cv_t<std::remove_pointer_t<T>>;
        static_assert(std::is_base_of_v<TObject, C>, "class-kind properties hold TObject descendants");
        return ClassTypeInfo<C>();
    } else {
        return StationTypeInfo(static_cast<const T *>(nullptr));
    }
}

namespace StationRtti {

template<class T>
struct IsSet : std::false_type {};
template<class E>
struct IsSet<TSet<E>> : std::true_type {};

template<class T>
inline constexpr bool IsOrdinal = std::is_integral_v<T> || std::is_enum_v<T> || IsSet<T>::value
                                  || std::is_same_v<T, QChar>;
template<class T>
inline constexpr bool IsFloat = std::is_floating_point_v<T>;
template<class T>
inline constexpr bool IsString = std::is_same_v<T, QString>;
template<class T>
inline constexpr bool IsObject = std::is_pointer_v<T>;
template<class T>
inline constexpr bool IsMethod = std::is_base_of_v<TEventBase, T>;
template<class T>
inline constexpr bool IsVariant = std::is_same_v<T, Variant>;

template<class T>
qint64 ToOrd(const T &Value)
{
    if constexpr (IsSet<T>::value)
        return qint64(Value.ToInt());
    else if constexpr (std::is_same_v<T, QChar>)
        return qint64(Value.unicode());
    else if constexpr (std::is_same_v<T, char>)
        return qint64(static_cast<unsigned char>(Value));
    else if constexpr (std::is_same_v<T, bool>)
        return Value ? 1 : 0;
    else
        return static_cast<qint64>(Value);
}

template<class T>
T FromOrd(qint64 Value)
{
    if constexpr (IsSet<T>::value)
        return T::FromInt(quint32(Value));
    else if constexpr (std::is_same_v<T, QChar>)
        return QChar(char16_t(Value));
    else if constexpr (std::is_same_v<T, bool>)
        return Value != 0;
    else
        return static_cast<T>(Value);
}

// ASCII case-insensitive comparison and hash of identifiers.
bool SameName(QStringView a, QStringView b);
quint32 NameHash(QStringView s);

TComponent *OwnerAsComponent(TObject *AOwner);
TCollection *OwnerAsCollection(TObject *AOwner);

template<class T>
TObject *NewInstance(TObject *AOwner)
{
    if constexpr (std::is_constructible_v<T, TComponent *>)
        return new T(OwnerAsComponent(AOwner));
    else if constexpr (std::is_constructible_v<T, TCollection *>)
        return new T(OwnerAsCollection(AOwner));
    else {
        (void)AOwner;
        return new T();
    }
}

template<class T>
constexpr TObject *(*Factory())(TObject *)
{
    if constexpr (std::is_abstract_v<T>)
        return nullptr;
    else if constexpr (std::is_constructible_v<T, TComponent *> || std::is_constructible_v<T, TCollection *>
                       || std::is_default_constructible_v<T>)
        return &NewInstance<T>;
    else
        return nullptr;
}

} // namespace StationRtti

// ---------------------------------------------------------------------------
// Published property: name, type, accessors, declared default, stored rule.

class TPropInfo
{
public:
    virtual ~TPropInfo() = default;

    const QString &Name() const { return FName; }
    PTypeInfo PropType() const { return FPropType; }
    TTypeKind Kind() const { return FPropType->Kind; }
    int Index() const { return FIndex; }            // place in its class's list
    TClass DeclaringClass() const { return FDeclaringClass; }
    bool HasDefault() const { return FHasDefault; }
    qint64 Default() const { return FDefault; }
    virtual bool IsWritable() const = 0;
    // The stored rule alone (constant or the instance's predicate).
    bool IsStored(TObject *Instance) const;

    // Typed accessors. The instance must be of the declaring class; the free
    // functions below check that. A kind that does not fit raises.
    virtual qint64 GetOrd(TObject *Instance) const;
    virtual void SetOrd(TObject *Instance, qint64 Value) const;
    virtual double GetFloat(TObject *Instance) const;
    virtual void SetFloat(TObject *Instance, double Value) const;
    virtual QString GetStr(TObject *Instance) const;
    virtual void SetStr(TObject *Instance, const QString &Value) const;
    virtual TObject *GetObject(TObject *Instance) const;
    virtual void SetObject(TObject *Instance, TObject *Value) const;
    virtual TMethod GetMethod(TObject *Instance) const;
    virtual void SetMethod(TObject *Instance, const TMethod &Value) const;
    virtual void GetVariant(TObject *Instance, Variant &Value) const;
    virtual void SetVariant(TObject *Instance, const Variant &Value) const;

protected:
    TPropInfo(const QString &Name, PTypeInfo Type) : FName(Name), FPropType(Type) {}
    TPropInfo(const TPropInfo &) = default;
    virtual TPropInfo *Clone() const = 0;
    [[noreturn]] void WrongKind() const;
    [[noreturn]] void ReadOnly() const;
    void CheckOrdRange(qint64 Value) const;

private:
    friend class TClassInfo;
    friend class TPropBuilderBase;
    template<class C>
    friend class TPublisher;

    QString FName;
    PTypeInfo FPropType;
    int FIndex = -1;
    TClass FDeclaringClass = nullptr;
    bool FHasDefault = false;
    qint64 FDefault = 0;
    enum { stAlways, stNever, stPredicate } FStoredKind = stAlways;
    bool (*FStoredThunk)(const unsigned char *, TObject *) = nullptr;
    alignas(void *) unsigned char FStoredTarget[2 * sizeof(void *)] = {};
};

namespace StationRtti {

template<class G>
struct GetterTraits;
#define STATION_GETTER_TRAITS(Q)                                                                    \
    template<class R, class B>                                                                      \
    struct GetterTraits<R (B::*)() Q>                                                               \
    {                                                                                               \
        using Value = std::remove_cvref_t<R>;                                                       \
        using Class = B;                                                                            \
    };
STATION_GETTER_TRAITS()
STATION_GETTER_TRAITS(const)
STATION_GETTER_TRAITS(noexcept)
STATION_GETTER_TRAITS(const noexcept)
#undef STATION_GETTER_TRAITS

template<class S>
struct SetterTraits;
template<>
struct SetterTraits<std::nullptr_t>
{
    using Class = void;
};
template<class R, class B, class P>
struct SetterTraits<R (B::*)(P)>
{
    using Class = B;
};
template<class R, class B, class P>
struct SetterTraits<R (B::*)(P) noexcept>
{
    using Class = B;
};

template<class C, class T, class G, class S>
class TPropImpl final : public TPropInfo
{
public:
    TPropImpl(const QString &Name, PTypeInfo Type, G Get, S Set) : TPropInfo(Name, Type), FGet(Get), FSet(Set) {}

    bool IsWritable() const override { return !std::is_same_v<S, std::nullptr_t>; }

    qint64 GetOrd([[maybe_unused]] TObject *Instance) const override
    {
        if constexpr (IsOrdinal<T>)
            return ToOrd(Get(Instance));
        else
            WrongKind();
    }
    void SetOrd([[maybe_unused]] TObject *Instance, [[maybe_unused]] qint64 Value) const override
    {
        if constexpr (IsOrdinal<T>) {
            CheckOrdRange(Value);
            Set(Instance, FromOrd<T>(Value));
        } else {
            WrongKind();
        }
    }
    double GetFloat([[maybe_unused]] TObject *Instance) const override
    {
        if constexpr (IsFloat<T>)
            return double(Get(Instance));
        else
            WrongKind();
    }
    void SetFloat([[maybe_unused]] TObject *Instance, [[maybe_unused]] double Value) const override
    {
        if constexpr (IsFloat<T>)
            Set(Instance, T(Value));
        else {
            WrongKind();
        }
    }
    QString GetStr([[maybe_unused]] TObject *Instance) const override
    {
        if constexpr (IsString<T>)
            return Get(Instance);
        else
            WrongKind();
    }
    void SetStr([[maybe_unused]] TObject *Instance, [[maybe_unused]] const QString &Value) const override
    {
        if constexpr (IsString<T>)
            Set(Instance, Value);
        else {
            WrongKind();
        }
    }
    TObject *GetObject([[maybe_unused]] TObject *Instance) const override
    {
        if constexpr (IsObject<T>)
            return Get(Instance);
        else
            WrongKind();
    }
    void SetObject([[maybe_unused]] TObject *Instance, [[maybe_unused]] TObject *Value) const override
    {
        if constexpr (IsObject<T>) {
            if (!Value) {
                Set(Instance, nullptr);
                return;
            }
            auto typed = dynamic_cast<T>(Value);
            if (!typed)
                throw EPropertyConvertError(QStringLiteral("Invalid property value"));
            Set(Instance, typed);
        } else {
            WrongKind();
        }
    }
    TMethod GetMethod([[maybe_unused]] TObject *Instance) const override
    {
        if constexpr (IsMethod<T>)
            return Get(Instance).Method();
        else
            WrongKind();
    }
    void SetMethod([[maybe_unused]] TObject *Instance, [[maybe_unused]] const TMethod &Value) const override
    {
        if constexpr (IsMethod<T>)
            Set(Instance, T(Value));
        else {
            WrongKind();
        }
    }
    void GetVariant([[maybe_unused]] TObject *Instance, [[maybe_unused]] Variant &Value) const override
    {
        if constexpr (IsVariant<T>)
            Value = Get(Instance);
        else {
            WrongKind();
        }
    }
    void SetVariant([[maybe_unused]] TObject *Instance, [[maybe_unused]] const Variant &Value) const override
    {
        if constexpr (IsVariant<T>)
            Set(Instance, Value);
        else {
            WrongKind();
        }
    }

protected:
    TPropInfo *Clone() const override { return new TPropImpl(*this); }

private:
    decltype(auto) Get([[maybe_unused]] TObject *Instance) const { return (static_cast<C *>(Instance)->*FGet)(); }
    template<class V>
    void Set([[maybe_unused]] TObject *Instance, [[maybe_unused]] V &&Value) const
    {
        if constexpr (std::is_same_v<S, std::nullptr_t>) {
            ReadOnly();
        } else {
            (static_cast<C *>(Instance)->*FSet)(std::forward<V>(Value));
        }
    }
    G FGet;
    S FSet;
};

} // namespace StationRtti

// Modifiers of a property just registered: .Default(v), .NoDefault(),
// .Stored(false) / .Stored(&TMyView::IsXStored), .Type(TypeInfoTColor()).
class TPropBuilderBase
{
public:
    explicit TPropBuilderBase(TPropInfo *Prop) : FProp(Prop) {}

    // Declared default, for ordinal and set kinds only.
    template<class V>
    TPropBuilderBase &Default(const V &Value)
    {
        static_assert(StationRtti::IsOrdinal<V>, "defaults are declared for ordinal and set properties");
        SetDefault(StationRtti::ToOrd(Value));
        return *this;
    }
    TPropBuilderBase &NoDefault();
    TPropBuilderBase &Stored(bool Value);
    template<class B>
    TPropBuilderBase &Stored(bool (B::*Predicate)() const)
    {
        static_assert(std::is_base_of_v<TObject, B>, "stored predicates belong to TObject descendants");
        static_assert(sizeof(Predicate) <= sizeof(FProp->FStoredTarget), "method pointer too large");
        FProp->FStoredKind = TPropInfo::stPredicate;
        std::memcpy(FProp->FStoredTarget, &Predicate, sizeof Predicate);
        FProp->FStoredThunk = [](const unsigned char *Target, TObject *Instance) {
            bool (B::*pred)() const;
            std::memcpy(&pred, Target, sizeof pred);
            return (static_cast<B *>(Instance)->*pred)();
        };
        return *this;
    }
    // Another type of the same kind family (for example "TColor" for an int).
    TPropBuilderBase &Type(PTypeInfo Info);
    // A QString property published as a wide string.
    TPropBuilderBase &Wide() { return Type(TypeInfoWideString()); }

private:
    void SetDefault(qint64 Value);
    TPropInfo *FProp;
};

// ---------------------------------------------------------------------------
// Class reference: name, parent, virtual constructor, published properties.

namespace StationRtti {
TClassInfo *NewClassInfo(const QString &Name, TClass Parent, TObject *(*Factory)(TObject *), PTypeInfo Type);
void FinishClassInfo(TClassInfo *Info);
}

class TClassInfo
{
public:
    TClassInfo(const QString &Name, TClass Parent, TObject *(*Factory)(TObject *), PTypeInfo Type);
    ~TClassInfo();
    TClassInfo(const TClassInfo &) = delete;
    TClassInfo &operator=(const TClassInfo &) = delete;

    const QString &ClassName() const { return FName; }
    TClass ClassParent() const { return FParent; }
    bool InheritsFrom(TClass AClass) const;
    bool IsAbstract() const { return FFactory == nullptr; }
    PTypeInfo TypeInfo() const { return FTypeInfo; }

    // The virtual constructor: Create(AOwner) for components (AOwner must then
    // be a component or null), Create(Collection) for collection items,
    // Create() otherwise. Abstract classes raise EAbstractError.
    TObject *Create(TObject *AOwner = nullptr) const;

    const std::vector<PPropInfo> &Properties() const { return FProps; }
    int PropCount() const { return int(FProps.size()); }
    PPropInfo FindProp(QStringView Name) const;

private:
    template<class C>
    friend class TPublisher;
    friend void StationRtti::FinishClassInfo(TClassInfo *Info);

    TPropInfo *Add(TPropInfo *Prop);
    TPropInfo *Republish(const QString &Name);
    void Finish();

    QString FName;
    TClass FParent;
    TObject *(*FFactory)(TObject *);
    PTypeInfo FTypeInfo;
    std::vector<PPropInfo> FProps;
    std::vector<std::unique_ptr<TPropInfo>> FOwnProps;
    std::vector<std::pair<quint32, int>> FIndex;
};

template<class C>
class TPublisher
{
public:
    explicit TPublisher(TClassInfo *Info) : FInfo(Info) {}

    template<class G, class S = std::nullptr_t>
    TPropBuilderBase Prop(const QString &Name, G Getter, S Setter = nullptr)
    {
        using Traits = StationRtti::GetterTraits<G>;
        using T = typename Traits::Value;
        static_assert(std::is_base_of_v<typename Traits::Class, C>, "getter of another class");
        if constexpr (!std::is_same_v<S, std::nullptr_t>)
            static_assert(std::is_base_of_v<typename StationRtti::SetterTraits<S>::Class, C>,
                          "setter of another class");
        auto *prop = new StationRtti::TPropImpl<C, T, G, S>(Name, TypeInfoOf<T>(), Getter, Setter);
        return TPropBuilderBase(FInfo->Add(prop));
    }
    template<class G, class S = std::nullptr_t>
    TPropBuilderBase Prop(const char *Name, G Getter, S Setter = nullptr)
    {
        return Prop(QString::fromUtf8(Name), Getter, Setter);
    }
    // An inherited property published again: it keeps its place and accessors
    // and takes the default and stored rule given here.
    TPropBuilderBase Republish(const QString &Name) { return TPropBuilderBase(FInfo->Republish(Name)); }
    TPropBuilderBase Republish(const char *Name) { return Republish(QString::fromUtf8(Name)); }

private:
    TClassInfo *FInfo;
};

namespace StationRtti {

template<class T, class Base>
TClass MakeClass(const char *Name, void (*Define)(TPublisher<T> &))
{
    static_assert(std::is_base_of_v<Base, T>, "the base named is not a base");
    TClassInfo *info = NewClassInfo(QString::fromUtf8(Name), Base::StaticClass(), Factory<T>(), ClassTypeInfo<T>());
    TPublisher<T> publisher(info);
    Define(publisher);
    FinishClassInfo(info);
    return info;
}

} // namespace StationRtti

#define STATION_CLASS(ThisClass, BaseClass)                                                         \
public:                                                                                             \
    using inherited = BaseClass;                                                                    \
    static TClass StaticClass()                                                                     \
    {                                                                                               \
        static const TClass FClass =                                                                \
            ::StationRtti::MakeClass<ThisClass, BaseClass>(#ThisClass, &ThisClass::DefinePublished); \
        return FClass;                                                                              \
    }                                                                                               \
    TClass ClassType() const override { return StaticClass(); }                                     \
    static void DefinePublished(TPublisher<ThisClass> &P);                                          \
                                                                                                    \
private:

#define STATION_PUBLISHED(ThisClass) void ThisClass::DefinePublished([[maybe_unused]] TPublisher<ThisClass> &P)

#define STATION_ENUM(TypeName, ...)                                                                 \
    inline PTypeInfo StationTypeInfo(const TypeName *)                                              \
    {                                                                                               \
        static const TTypeInfo FInfo = TTypeInfo::MakeEnum(QStringLiteral(#TypeName), #__VA_ARGS__); \
        return &FInfo;                                                                              \
    }

#define STATION_DECLARE_ENUM(TypeName, ...)                                                         \
    enum TypeName { __VA_ARGS__ };                                                                  \
    STATION_ENUM(TypeName, __VA_ARGS__)

#define STATION_DECLARE_SET(SetName, EnumName)                                                      \
    using SetName = TSet<EnumName>;                                                                 \
    inline PTypeInfo StationTypeInfo(const TSet<EnumName> *)                                        \
    {                                                                                               \
        static const TTypeInfo FInfo = TTypeInfo::MakeSet(QStringLiteral(#SetName), TypeInfoOf<EnumName>()); \
        return &FInfo;                                                                              \
    }

#define STATION_EVENT(EventName, ...)                                                               \
    struct EventName : TEvent<__VA_ARGS__>                                                          \
    {                                                                                               \
        using TEvent<__VA_ARGS__>::TEvent;                                                          \
    };                                                                                              \
    inline PTypeInfo StationTypeInfo(const EventName *)                                             \
    {                                                                                               \
        static const TTypeInfo FInfo = TTypeInfo::MakeMethod(QStringLiteral(#EventName), EventName::SignatureId()); \
        return &FInfo;                                                                              \
    }

STATION_EVENT(TNotifyEvent, void(TObject *Sender))

// ---------------------------------------------------------------------------
// Class registry: classes findable and creatable by name.

// Registers the class and its ancestors up to TPersistent. A different class
// under a name already taken raises EFilerError.
void RegisterClass(TClass AClass);
void RegisterClasses(std::initializer_list<TClass> Classes);
void UnRegisterClass(TClass AClass);
TClass GetClass(QStringView ClassName);    // null when not registered
TClass FindClass(QStringView ClassName);   // raises EClassNotFound

// ---------------------------------------------------------------------------
// Generic access by property info or by (dotted) name.

PPropInfo GetPropInfo(TClass AClass, QStringView PropName);
PPropInfo GetPropInfo(const TObject *Instance, QStringView PropName);
bool IsPublishedProp(const TObject *Instance, QStringView PropName);
// Walks "A.B.C" through class-kind properties: returns the object holding the
// last property and sets Prop to it; null when a step is missing or nil.
TObject *ResolvePropPath(TObject *Instance, QStringView Path, PPropInfo &Prop);

bool IsStoredProp(TObject *Instance, PPropInfo Prop);
// Ordinal and set kinds equal to their declared default.
bool IsDefaultOrdProp(TObject *Instance, PPropInfo Prop);

qint64 GetOrdProp(TObject *Instance, PPropInfo Prop);
void SetOrdProp(TObject *Instance, PPropInfo Prop, qint64 Value);
qint64 GetInt64Prop(TObject *Instance, PPropInfo Prop);
void SetInt64Prop(TObject *Instance, PPropInfo Prop, qint64 Value);
QString GetEnumProp(TObject *Instance, PPropInfo Prop);
void SetEnumProp(TObject *Instance, PPropInfo Prop, const QString &Value);
QString GetSetProp(TObject *Instance, PPropInfo Prop, bool Brackets = false);
void SetSetProp(TObject *Instance, PPropInfo Prop, const QString &Value);
double GetFloatProp(TObject *Instance, PPropInfo Prop);
void SetFloatProp(TObject *Instance, PPropInfo Prop, double Value);
QString GetStrProp(TObject *Instance, PPropInfo Prop);
void SetStrProp(TObject *Instance, PPropInfo Prop, const QString &Value);
TObject *GetObjectProp(TObject *Instance, PPropInfo Prop);
void SetObjectProp(TObject *Instance, PPropInfo Prop, TObject *Value);
TClass GetObjectPropClass(PPropInfo Prop);
TMethod GetMethodProp(TObject *Instance, PPropInfo Prop);
void SetMethodProp(TObject *Instance, PPropInfo Prop, const TMethod &Value);

// As Variant (include Variants.h to use these). Enumerations and sets read
// as identifiers when PreferStrings (Boolean as a Boolean), class kinds as
// object references; writing converts by the property's kind.
Variant GetPropValue(TObject *Instance, PPropInfo Prop, bool PreferStrings = true);
void SetPropValue(TObject *Instance, PPropInfo Prop, const Variant &Value);
Variant GetPropValue(TObject *Instance, QStringView PropName, bool PreferStrings = true);
void SetPropValue(TObject *Instance, QStringView PropName, const Variant &Value);
Variant GetVariantProp(TObject *Instance, PPropInfo Prop);
void SetVariantProp(TObject *Instance, PPropInfo Prop, const Variant &Value);

qint64 GetOrdProp(TObject *Instance, QStringView PropName);
void SetOrdProp(TObject *Instance, QStringView PropName, qint64 Value);
QString GetEnumProp(TObject *Instance, QStringView PropName);
void SetEnumProp(TObject *Instance, QStringView PropName, const QString &Value);
QString GetSetProp(TObject *Instance, QStringView PropName, bool Brackets = false);
void SetSetProp(TObject *Instance, QStringView PropName, const QString &Value);
double GetFloatProp(TObject *Instance, QStringView PropName);
void SetFloatProp(TObject *Instance, QStringView PropName, double Value);
QString GetStrProp(TObject *Instance, QStringView PropName);
void SetStrProp(TObject *Instance, QStringView PropName, const QString &Value);
TObject *GetObjectProp(TObject *Instance, QStringView PropName);
void SetObjectProp(TObject *Instance, QStringView PropName, TObject *Value);
TMethod GetMethodProp(TObject *Instance, QStringView PropName);
void SetMethodProp(TObject *Instance, QStringView PropName, const TMethod &Value);

// Enumeration and set identifiers. GetEnumValue matches without regard to
// case and gives -1 for an unknown name; GetEnumName gives an empty string for
// a value outside the enumeration.
QString GetEnumName(PTypeInfo Type, qint64 Value);
int GetEnumValue(PTypeInfo Type, QStringView Name);
QString SetToString(PTypeInfo SetType, quint32 Value, bool Brackets = false);
quint32 StringToSet(PTypeInfo SetType, QStringView Value);
