// The script engine's name space: type codes, the items a script can refer to
// (variables, types, parameters, routines, members of host classes, indexing
// helpers), the script object that holds them with the host registration
// operations, and the type rules and declaration strings shared by the
// builder, the expression type check and the built-in library.
//
// Object references in script values are Variants of kind varObject. An
// object enters script values through kwObjectToVar (or one of the
// registration operations, which use it) and is checked against the objects
// known to be alive whenever a script value is used as an object
// (kwVarToObject); a stale or foreign reference raises, it never crashes.
// A reference is its address and the object's serial, so a reference to a
// freed object never reaches a new object made at the same address.
#pragma once
#include "Classes.h"
#include "Component.h"
#include "SysUtils.h"
#include "TypInfo.h"
#include "Types.h"
#include "Variants.h"
#include "kw_iilparser.h"
#include <QHash>
#include <QList>
#include <QString>
#include <atomic>
#include <climits>
#include <memory>
#include <new>
#include <vector>

STATION_DECLARE_ENUM(TkwVarType, fvtInt, fvtBool, fvtFloat, fvtChar, fvtString, fvtClass, fvtArray, fvtVariant,
                     fvtEnum, fvtConstructor)

class TkwScript;
class TkwCustomVariable;
class TkwParamItem;
class TkwProcVariable;
class TkwPropertyHelper;
class TkwMethodHelper;
class TkwClassVariable;
class TkwCustomEvent;
class TkwStatement;

// Callbacks handed in by the host, each bound to an object. Member and routine
// names reach them in upper case; for a global routine Instance and ClassType
// are nil.
STATION_EVENT(TkwGetVariableValueEvent, Variant(const QString &VarName, TkwVarType VarTyp, const Variant &OldValue))
STATION_EVENT(TkwGetValueEvent, Variant(TObject *Instance, TClass ClassType, const QString &PropName))
STATION_EVENT(TkwSetValueEvent, void(TObject *Instance, TClass ClassType, const QString &PropName, const Variant &Value))
// The getter and setter forms that also receive the property helper.
STATION_EVENT(TkwGetValueNewEvent,
              Variant(TObject *Instance, TClass ClassType, const QString &PropName, TkwPropertyHelper *Caller))
STATION_EVENT(TkwSetValueNewEvent, void(TObject *Instance, TClass ClassType, const QString &PropName,
                                        const Variant &Value, TkwPropertyHelper *Caller))
// Params is a zero-based variant array of the arguments; var parameters are
// copied back from it after the call.
STATION_EVENT(TkwCallMethodEvent,
              Variant(TObject *Instance, TClass ClassType, const QString &MethodName, Variant &Params))
STATION_EVENT(TkwCallMethodNewEvent,
              Variant(TObject *Instance, TClass ClassType, const QString &MethodName, TkwMethodHelper *Caller))
STATION_EVENT(TkwGetUnitEvent, void(TkwScript *Sender, const QString &UnitName, QString &UnitText))
STATION_EVENT(TkwRunLineEvent, void(TkwScript *Sender, const QString &UnitName, const QString &SourcePos))

// Messages of the name space; variables so that a host may translate them.
extern QString SInvalidObject; // "Invalid object reference"
extern QString SNilObject;     // "Object reference is nil"
extern QString SNilParam;      // "Parameter '%1' of %2 must not be nil"
extern QString SInvalidCast;   // "Invalid class typecast"
extern QString SRangeError;    // "Range check error"

// ---------------------------------------------------------------------------
// Objects in script values

// Makes AObject known as alive and returns it as a script value; raises,
// without touching it, when no object lives at that address. It stays known until it is destroyed, by whatever frees it,
// or until kwForgetObject. An object first reached through an Anchor (its
// owner) counts as owned by it. Nil gives a nil reference.
Variant kwObjectToVar(TObject *AObject, TObject *Anchor = nullptr);
void kwTrackObject(TObject *AObject, TObject *Anchor = nullptr);
// The same for a value that may hold a reference kept from earlier (a stored
// variable, a host's result): tracked only while it is the same live object
// it was made from, so a stale one raises when it is used.
void kwTrackValue(const Variant &V, TObject *Anchor = nullptr);
// A pointer that a list only refers to (it may be stale): the script value
// when it is still the object stored; raises otherwise, without touching it.
Variant kwObjectRefToVar(const TObjectRef &Ref, TObject *Anchor = nullptr);
void kwForgetObject(TObject *AObject);
bool kwObjectAlive(const TObject *AObject);
// Known to be alive and owned by the object it was reached through.
bool kwObjectOwned(const TObject *AObject);
// The object a script value refers to: nil for nil, Empty, Null and the
// integer 0; raises for any other non-object value, for an object that is not
// known to be alive, and (when AClass is given) for one of another class.
TObject *kwVarToObject(const Variant &V, TClass AClass = nullptr);
// Raises when V is an object reference that is not known to be alive.
void kwCheckObject(const Variant &V);

// Asked before a script frees AObject or changes the items of the list
// AObject: each installed guard may raise to refuse (a host refuses for what
// it is working on), or answer True when it takes the object over and frees
// it itself later; the script then no longer reaches it. The application
// object is never freed by a script.
using TkwFreeGuard = bool (*)(TObject *AObject);
void kwAddFreeGuard(TkwFreeGuard Guard);
// True when a guard took AObject over: the caller must not free it.
bool kwCheckScriptFree(TObject *AObject);
// Asked before a script empties or replaces what AObject holds (Assign,
// Clear, LoadFromStream): each installed guard may raise to refuse, as it
// would for freeing what goes.
using TkwClearGuard = void (*)(TObject *AObject);
void kwAddClearGuard(TkwClearGuard Guard);
void kwCheckScriptClear(TObject *AObject);

// Objects a script's constructor made are numbered as they are made; 0 for
// any other object. kwCreationSerial is the last number given, so an object
// numbered above a value taken earlier was made since.
quint64 kwCreatedSerial(const TObject *AObject);
quint64 kwCreationSerial();
void kwMarkCreated(TObject *AObject);
// The objects this thread's scripts made after Serial and not yet freed,
// oldest first, with their numbers and the script that ran (its address
// only: it may be gone).
struct TkwCreatedObject
{
    TObject *Object;
    quint64 Serial;
    const TkwScript *Script;
};
std::vector<TkwCreatedObject> kwCreatedSince(quint64 Serial);

// The scripts running on this thread, outermost first: a run of the main
// block or a call from the host enters its script for its length, so a host
// can tell whose script asks it for something.
class TkwRunningScript
{
public:
    explicit TkwRunningScript(TkwScript *AScript);
    ~TkwRunningScript();
    TkwRunningScript(const TkwRunningScript &) = delete;
    TkwRunningScript &operator=(const TkwRunningScript &) = delete;
    static const std::vector<TkwScript *> &Scripts();
};

// ---------------------------------------------------------------------------
// Names

// ASCII upper case, the script engine's rule for names.
QString kwUpperCase(const QString &S);
// "Integer", "Boolean", "Extended", "Char", "String", "Array", "Variant";
// TypeName for fvtClass and fvtEnum.
QString kwVarTypeName(TkwVarType Typ, const QString &TypeName = QString());

// A list of objects under names, sorted by upper-cased name; duplicates are
// kept, a new one ahead of the older ones, so a lookup finds the newest.
// It owns nothing.
class TkwNamedList
{
public:
    int Count() const { return int(FItems.size()); }
    TObject *Items(int Index) const { return FItems[size_t(Index)].Item; }
    const QString &Names(int Index) const { return FItems[size_t(Index)].Name; }
    void Add(const QString &Name, TObject *Item);
    void Delete(int Index);
    int IndexOf(const TObject *Item) const;
    // Index of the first entry of that name, -1 when none.
    int Find(const QString &Name) const;
    void Clear()
    {
        FItems.clear();
        ++FVersion;
    }
    // Changes with every addition and removal.
    unsigned Version() const { return FVersion; }

private:
    struct TEntry
    {
        QString Key;
        QString Name;
        TObject *Item;
    };
    std::vector<TEntry> FItems;
    unsigned FVersion = 0;
};

// ---------------------------------------------------------------------------
// Items

// A list of owned items: parameters, statements or members.
class TkwItemList : public TObject
{
public:
    TkwItemList() = default;
    ~TkwItemList() override;

    // Frees and removes every item.
    virtual void Clear();
    int Count() const { return int(FItems.size()); }
    TObject *Items(int Index) const;
    void Add(TObject *Item);
    // Takes Item out of the list without freeing it.
    void Remove(TObject *Item);

protected:
    std::vector<TObject *> FItems;
};

class TkwCustomVariable : public TkwItemList
{
public:
    TkwCustomVariable(const QString &AName, TkwVarType ATyp, const QString &ATypeName);

    // Stores Value unless read-only.
    virtual void SetValue(const Variant &Value);
    // The stored value.
    virtual Variant GetValue();
    // Appends Tail to the stored string in place, as assigning the stored
    // string joined with Tail would; False (and nothing done) when the item
    // holds no string, is read-only, or its value comes from elsewhere.
    virtual bool AppendStr(const QString &Tail);

    TkwParamItem *Params(int Index) const;
    // Params without the range check, for 0 <= Index < Count().
    TkwParamItem *ParamAt(int Index) const;
    QString GetTypeName() const { return kwVarTypeName(FTyp, FTypeName); }
    // The parameters that are not optional.
    int RequiredParamCount() const;

    // The registrar; kwRTTIStamp() for items made by registration modules.
    TObject *AddedBy() const { return FAddedBy; }
    void SetAddedBy(TObject *Value) { FAddedBy = Value; }
    bool IsReadOnly() const { return FIsReadOnly; }
    void SetIsReadOnly(bool Value)
    {
        FIsReadOnly = Value;
        UpdateDirect();
    }
    // A macro routine receives the source text of its arguments.
    bool IsMacro() const { return FIsMacro; }
    void SetIsMacro(bool Value) { FIsMacro = Value; }
    const QString &Name() const { return FName; }
    const QString &UpperName() const { return FUpperName; }
    TkwVarType Typ() const { return FTyp; }
    void SetTyp(TkwVarType Value)
    {
        FTyp = Value;
        UpdateDirect();
    }
    const QString &TypeName() const { return FTypeName; }
    void SetTypeName(const QString &Value) { FTypeName = Value; }
    // The stored value as it is, and storing without conversion or checks
    // (the for statement's counter).
    const Variant &Value() const { return FValue; }
    void StoreValue(const Variant &Value) { FValue = Value; }
    void StoreValue(Variant &&Value) { FValue = std::move(Value); }
    void StoreInt(int Value) { FValue.SetInteger(Value); }
    // Stores an Int64 result as SetValue would when that is plain (see
    // DirectIntWrite, which must hold): a Variant keeps it, a typed Integer
    // variable takes one that fits in 32 bits as an Integer. False, with
    // nothing stored, otherwise.
    bool StoreInt64(qint64 Value)
    {
        if (FTyp == fvtVariant) {
            FValue.SetInt64(Value);
            return true;
        }
        if (FTyp == fvtInt && FConvertsToType && Value >= INT_MIN && Value <= INT_MAX) {
            FValue.SetInteger(int(Value));
            return true;
        }
        return false;
    }
    void StoreEmpty() { FValue.Clear(); }
    const TkwGetVariableValueEvent &OnGetVarValue() const { return FOnGetVarValue; }
    void SetOnGetVarValue(const TkwGetVariableValueEvent &Value)
    {
        FOnGetVarValue = Value;
        UpdateDirect();
    }

    // GetValue gives the stored value as it is (no provider, no routine):
    // the interpreter's fast paths read Value() instead.
    bool DirectRead() const { return FDirectRead; }
    // SetValue would store an Integer as it is: the fast paths store it with
    // StoreValue instead.
    bool DirectIntWrite() const { return FDirectIntWrite; }

protected:
    // Set by the kinds whose GetValue and SetValue keep to the rules above.
    void SetDirect(bool Value)
    {
        FDirect = Value;
        UpdateDirect();
    }
    // Set by the kinds whose SetValue converts to the declared type.
    void SetConvertsToType(bool Value) { FConvertsToType = Value; }

    Variant FValue;
    TkwGetVariableValueEvent FOnGetVarValue;

private:
    friend class TkwArrayHelper;
    // The two answers above, kept up to date by the setters they depend on
    // (the interpreter asks them on every fast read and write).
    void UpdateDirect()
    {
        FDirectRead = FDirect && !FOnGetVarValue.Assigned();
        FDirectIntWrite = FDirect && !FIsReadOnly && FTyp != fvtBool && FTyp != fvtFloat && FTyp != fvtString;
    }
    bool FDirect = false;
    bool FConvertsToType = false;
    bool FDirectRead = false;
    bool FDirectIntWrite = false;
    TObject *FAddedBy = nullptr;
    bool FIsReadOnly = false;
    bool FIsMacro = false;
    QString FName;
    QString FUpperName;
    TkwVarType FTyp;
    QString FTypeName;
};

// A plain variable or constant: SetValue converts to the type.
class TkwVariable : public TkwCustomVariable
{
public:
    TkwVariable(const QString &AName, TkwVarType ATyp, const QString &ATypeName)
        : TkwCustomVariable(AName, ATyp, ATypeName)
    {
        SetDirect(true);
        SetConvertsToType(true);
    }
    void SetValue(const Variant &Value) override;
    // The stored value, or what OnGetVarValue answers unless that is Null.
    Variant GetValue() override;
    bool AppendStr(const QString &Tail) override;
    // The helper that indexes an array variable (owned); nil for others.
    TkwCustomVariable *ArrayHelper() const { return FArrayHelper.get(); }
    void SetArrayHelper(TkwCustomVariable *Value) { FArrayHelper.reset(Value); }

private:
    std::unique_ptr<TkwCustomVariable> FArrayHelper;
};

// A registered type name with its type code.
class TkwTypeVariable : public TkwCustomVariable
{
public:
    TkwTypeVariable(const QString &AName, TkwVarType ATyp);
};

// A string variable whose characters can be read and replaced one by one.
class TkwStringVariable : public TkwVariable
{
public:
    TkwStringVariable(const QString &AName, TkwVarType ATyp, const QString &ATypeName)
        : TkwVariable(AName, ATyp, ATypeName)
    {
        SetDirect(false);
    }
    void SetValue(const Variant &Value) override;
    Variant GetValue() override;
    bool AppendStr(const QString &Tail) override;
    const QString &Str() const { return FStr; }
    // 1-based; an index outside 1..Length raises ERangeError.
    QString GetChar(int Index) const;
    void SetChar(int Index, QChar Ch);

private:
    QString FStr;
};

// A formal parameter.
class TkwParamItem : public TkwCustomVariable
{
public:
    TkwParamItem(const QString &AName, TkwVarType ATyp, const QString &ATypeName, bool AIsOptional,
                 bool AIsVarParam);
    bool IsOptional() const { return FIsOptional; }
    bool IsVarParam() const { return FIsVarParam; }
    // A late-bound member learns on each call which arguments are var ones.
    void SetIsVarParam(bool Value) { FIsVarParam = Value; }
    // Unassigned when there is none.
    const Variant &DefValue() const { return FDefValue; }
    void SetDefValue(const Variant &Value) { FDefValue = Value; }

private:
    bool FIsOptional;
    bool FIsVarParam;
    Variant FDefValue;
};

inline TkwParamItem *TkwCustomVariable::ParamAt(int Index) const
{
    return static_cast<TkwParamItem *>(FItems[size_t(Index)]);
}

// A variable or parameter of a script routine; Str is the item as a string
// variable, when it is one (its text is restored through SetValue).
struct TkwLocal
{
    TkwCustomVariable *Var;
    TkwStringVariable *Str;
};

// A procedure or function declared in a script. Its Program is a nested
// script whose Parent is the enclosing one and whose items are the
// parameters, the local declarations and, for a function, "Result".
class TkwProcVariable final : public TkwCustomVariable
{
public:
    TkwProcVariable(const QString &AName, TkwVarType ATyp, const QString &ATypeName, TkwScript *AParent,
                    bool AIsFunc = true);
    ~TkwProcVariable() override;

    // Parameters belong to the program; this list only refers to them.
    void Clear() override;
    // Adds a parameter to the routine's list and, by name, to its program.
    void AddParam(TkwParamItem *Param);
    // Runs the routine: the function's "Result", Null for a procedure.
    Variant GetValue() override;
    // GetValue, inline for the interpreter's own calls.
    inline Variant Run();

    bool IsFunc() const { return FIsFunc; }
    bool Executing() const { return FExecuting; }
    TkwScript *Program() const { return FProgram.get(); }
    // The routine's own variables and parameters, whose values a recursive
    // call keeps: looked up once, and again after the program's items
    // change.
    const std::vector<TkwLocal> &Locals()
    {
        if (ItemsChanged())
            LookUpItems();
        return FLocals;
    }
    // The function's "Result" item; nil for a procedure.
    TkwCustomVariable *ResultVariable()
    {
        if (ItemsChanged())
            LookUpItems();
        return FResult;
    }

private:
    friend class TkwCustomEvent;
    void LookUpItems();
    bool ItemsChanged() const;

    bool FIsFunc;
    bool FExecuting = false;
    std::vector<TkwLocal> FLocals;
    TkwCustomVariable *FResult = nullptr;
    unsigned FItemsVersion = 0;
    bool FItemsKnown = false;
    std::unique_ptr<TkwScript> FProgram;
    std::vector<TkwCustomEvent *> FEvents; // adapters that run this routine
};

// Raised when a script asks for more memory than it may have.
STATION_EXCEPTION(EOutOfMemory, Exception)

// The longest string a script may build; longer ones raise EOutOfMemory
// before the memory is asked for.
constexpr qsizetype kwMaxStringLength = qsizetype(1) << 25;
extern QString SOutOfMemory; // "Out of memory"
// Raises EOutOfMemory when a string of Length characters is too long.
void kwCheckStringLength(qsizetype Length);

// Runs Body; an allocation failure inside it (std::bad_alloc) becomes the
// script exception EOutOfMemory. Used where scripts are entered and where
// script except parts catch.
template<class F>
decltype(auto) kwScriptMemory(F &&Body)
{
    try {
        return Body();
    } catch (const std::bad_alloc &) {
        throw EOutOfMemory(SOutOfMemory);
    }
}

// Raises EStackOverflow when the machine stack of the running thread is
// nearly used up: called where the interpreter recurses (calls, statement
// lists, event handlers), so deep scripts fail before the stack does.
// The lowest stack address of the running thread the interpreter may use:
// all ones until the thread's first check finds it, 0 when it is unknown.
// One comparison per check.
inline thread_local quintptr kwStackLimit = ~quintptr(0);
// Below the limit: finds it on the thread's first check, else raises.
void kwStackCheckFailed();
[[noreturn]] void kwStackOverflow();
// Script routine calls that may be active at once.
constexpr int kwMaxCallDepth = 1000;
inline void kwCheckStack()
{
    if (reinterpret_cast<quintptr>(__builtin_frame_address(0)) < kwStackLimit) [[unlikely]]
        kwStackCheckFailed();
}

// One call of a script routine, from a script or from the host (an event,
// CallFunction): counts against the limit of active calls (EStackOverflow
// beyond it) and, when the routine is already running, keeps the values of
// its variables and parameters to put them back when the call ends. Nil
// gives an empty frame.
class TkwCallFrame
{
public:
    inline explicit TkwCallFrame(TkwProcVariable *Proc);
    ~TkwCallFrame()
    {
        Restore();
        if (FCounted)
            --Depth;
    }
    TkwCallFrame(const TkwCallFrame &) = delete;
    TkwCallFrame &operator=(const TkwCallFrame &) = delete;
    // Puts the saved values back now (before var parameters are copied out
    // into the caller's variables, which may be the routine's own).
    void Restore()
    {
        if (FSaving)
            RestoreSaved();
    }

private:
    void Save(TkwProcVariable *Proc);
    void RestoreSaved();

    // Script routines run on the machine's stack: an endless recursion
    // raises before it runs out. Counted per thread, as the stack is.
    static inline thread_local int Depth = 0;
    bool FCounted = false;
    bool FSaving = false;
    size_t FBase = 0; // where this frame's values start on the saved stack
};

// Base of the member entries of registered classes and of the indexing
// helpers. The designator sets the parent (the previous item and its value)
// before each access.
class TkwCustomHelper : public TkwCustomVariable
{
public:
    using TkwCustomVariable::TkwCustomVariable;

    TkwCustomVariable *ParentRef() const { return FParentRef; }
    void SetParentRef(TkwCustomVariable *Value) { FParentRef = Value; }
    const Variant &ParentValue() const { return FParentValue; }
    void SetParentValue(const Variant &Value) { FParentValue = Value; }
    void SetParentValue(Variant &&Value) { FParentValue = std::move(Value); }
    // The owning class entry; nil for global routines and helpers.
    TkwClassVariable *ClassVar() const { return FClassVar; }
    void SetClassVar(TkwClassVariable *Value) { FClassVar = Value; }
    TkwScript *Script() const { return FScript; }
    void SetScript(TkwScript *Value) { FScript = Value; }
    // Whether the caller uses the value read.
    bool NeedResult() const { return FNeedResult; }
    void SetNeedResult(bool Value) { FNeedResult = Value; }

    // The class registered for this member (nil for global routines).
    TClass ClassRef() const;
    // The class of the class entry this member is applied to, when the script
    // names a class instead of an object (constructor calls); else nil.
    TClass NamedClass() const;
    // The parent value as an object of the member's class (checked).
    TObject *Instance() const;

protected:
    // Instance, raising for nil.
    TObject *RequiredInstance() const;

private:
    TkwCustomVariable *FParentRef = nullptr;
    Variant FParentValue;
    TkwClassVariable *FClassVar = nullptr;
    TkwScript *FScript = nullptr;
    bool FNeedResult = true;
};

// A property of a host class: published (through the run-time type
// information) or served by the getter and setter.
class TkwPropertyHelper : public TkwCustomHelper
{
public:
    // A published property.
    TkwPropertyHelper(PPropInfo AProp, TkwVarType ATyp, const QString &ATypeName);
    // A property served by callbacks; read-only without a setter.
    TkwPropertyHelper(const QString &AName, TkwVarType ATyp, const QString &ATypeName,
                      const TkwGetValueEvent &AGetter, const TkwSetValueEvent &ASetter);
    TkwPropertyHelper(const QString &AName, TkwVarType ATyp, const QString &ATypeName,
                      const TkwGetValueNewEvent &AGetter, const TkwSetValueNewEvent &ASetter);

    Variant GetValue() override;
    void SetValue(const Variant &Value) override;

    bool IsPublished() const { return FProp != nullptr; }
    PPropInfo PropInfo() const { return FProp; }

private:
    PPropInfo FProp = nullptr;
    TkwGetValueEvent FOnGetValue;
    TkwSetValueEvent FOnSetValue;
    TkwGetValueNewEvent FOnGetValueNew;
    TkwSetValueNewEvent FOnSetValueNew;
};

// A routine or method described by a declaration string.
class TkwMethodHelper : public TkwCustomHelper
{
public:
    TkwMethodHelper(const QString &Syntax, TkwScript *AScript);

    // Calls the handler; indexed properties pass NAME.GET.
    Variant GetValue() override;
    // Indexed properties only: calls the handler with NAME.SET.
    void SetValue(const Variant &Value) override;

    // Argument Index (0-based); Index equal to the parameter count gives the
    // value being assigned to an indexed property. Object references are
    // checked.
    Variant GetParam(int Index) const;
    void SetParam(int Index, const Variant &Value);

    const QString &Syntax() const { return FSyntax; }
    const QString &Category() const { return FCategory; }
    void SetCategory(const QString &Value) { FCategory = Value; }
    const QString &Description() const { return FDescription; }
    void SetDescription(const QString &Value) { FDescription = Value; }
    // Registered as an indexed property.
    bool IndexMethod() const { return FIndexMethod; }
    void SetIndexMethod(bool Value) { FIndexMethod = Value; }
    const TkwCallMethodEvent &OnCall() const { return FOnCall; }
    void SetOnCall(const TkwCallMethodEvent &Value) { FOnCall = Value; }
    const TkwCallMethodNewEvent &OnCallNew() const { return FOnCallNew; }
    void SetOnCallNew(const TkwCallMethodNewEvent &Value) { FOnCallNew = Value; }

    // Object parameters (those typed by a registered class) must not be nil:
    // a call with nil in one raises before the handler runs, naming it.
    // AllowNil exempts the parameter of that name, for handlers that take
    // nil as a value (a list item, an owner); it raises for an unknown name.
    TkwMethodHelper *AllowNil(const QString &ParamName);
    bool NilAllowed(int Index) const;
    // Whether parameter Index is an object parameter.
    bool ObjectParam(int Index) const;

private:
    TkwMethodHelper(std::unique_ptr<TkwCustomVariable> Parsed, const QString &Syntax, TkwScript *AScript);
    Variant Call(const QString &MethodName);
    void CheckObjectParams();

    // Bit i: parameter i takes an object / may be nil. Found on first use,
    // once the classes the declaration names are registered.
    quint64 FObjectParams = 0;
    quint64 FNilAllowed = 0;
    bool FObjectParamsKnown = false;

    QString FSyntax;
    QString FCategory;
    QString FDescription;
    bool FIndexMethod = false;
    Variant FSetValue;
    TkwCallMethodEvent FOnCall;
    TkwCallMethodNewEvent FOnCallNew;
};

// Element of the parent array value at the integer indexes given as its
// parameters (1 to 3 dimensions).
class TkwArrayHelper : public TkwCustomHelper
{
public:
    // DimCount integer index parameters "p0".."p2", of which the first
    // RequiredCount are required (all when it is negative).
    TkwArrayHelper(const QString &AName, int DimCount, TkwVarType ATyp = fvtVariant,
                   const QString &ATypeName = QStringLiteral("Variant"), int RequiredCount = -1);
    Variant GetValue() override;
    void SetValue(const Variant &Value) override;
    // Writes Value at the indexes into Var's own array (Var holds one).
    static void PutInto(TkwVariable *Var, const Variant &Value, const int *Index, int Count);

private:
    // The indexes for A's dimension count (into Result, 3 at most); their
    // count, 0 for a count outside 1..3.
    int Indexes(const Variant &A, int *Result) const;
};

// Character of the parent string value at a 1-based index, as a
// one-character string; writing replaces it and writes the string back to
// the parent item.
class TkwStringHelper : public TkwCustomHelper
{
public:
    TkwStringHelper();
    Variant GetValue() override;
    void SetValue(const Variant &Value) override;
};

// An owned component of a registered form or data module, found by name on
// the form the designator reached.
class TkwComponentHelper : public TkwCustomHelper
{
public:
    explicit TkwComponentHelper(TComponent *AComponent);
    Variant GetValue() override;
};

// Creates an adapter of one event kind for a host object and a procedure.
using TkwEventClass = TkwCustomEvent *(*)(TObject *AObject, TkwProcVariable *AHandler);

template<class T>
TkwCustomEvent *kwNewEvent(TObject *AObject, TkwProcVariable *AHandler)
{
    return new T(AObject, AHandler);
}
template<class T>
constexpr TkwEventClass kwEventClassOf()
{
    return &kwNewEvent<T>;
}

// An event property of a host class. Assigning "0" (nil) clears the host's
// event; assigning a procedure name installs an adapter that runs it.
class TkwEventHelper : public TkwCustomHelper
{
public:
    TkwEventHelper(const QString &AName, TkwEventClass AEvent);
    void SetValue(const Variant &Value) override;
    Variant GetValue() override;
    TkwEventClass EventClass() const { return FEvent; }

private:
    TkwEventClass FEvent;
};

// A registered host class with its members.
class TkwClassVariable : public TkwCustomVariable
{
public:
    // Adds a property helper for every published property that is no event.
    // The entry is named AName, the class's own name when empty.
    TkwClassVariable(TClass AClass, const QString &AAncestor, TkwScript *AScript, const QString &AName = QString());
    ~TkwClassVariable() override;

    TkwMethodHelper *AddConstructor(const QString &Syntax, const TkwCallMethodNewEvent &CallEvent);
    TkwMethodHelper *AddMethod(const QString &Syntax, const TkwCallMethodNewEvent &CallEvent);
    void AddEvent(const QString &Name, TkwEventClass AEvent);
    void AddProperty(const QString &Name, const QString &TypeName, const TkwGetValueEvent &GetEvent,
                     const TkwSetValueEvent &SetEvent = TkwSetValueEvent());
    void AddIndexProperty(const QString &Name, const QString &Params, const QString &TypeName,
                          const TkwCallMethodNewEvent &CallEvent, bool AIsReadOnly = false);
    void AddDefaultProperty(const QString &Name, const QString &Params, const QString &TypeName,
                            const TkwCallMethodNewEvent &CallEvent, bool AIsReadOnly = false);
    // A helper for an owned component (once per name).
    void AddComponent(TComponent *AComponent);
    // A member by name without regard to case, here or in the ancestors'
    // entries; nil when none.
    TkwCustomHelper *Find(const QString &Name) const;

    TClass ClassRef() const { return FClassRef; }
    const QString &Ancestor() const { return FAncestor; }
    TkwCustomHelper *DefProp() const { return FDefProp; }
    void SetDefProp(TkwCustomHelper *Value) { FDefProp = Value; }
    TkwScript *Script() const { return FScript; }
    int MemberCount() const { return FMembers.Count(); }
    TkwCustomHelper *Members(int Index) const;

    // Type code and type name of a published property.
    static TkwVarType PropVarType(PPropInfo Prop, QString &TypeName);

private:
    void AddMember(TkwCustomHelper *Helper);
    TkwCustomHelper *FindLocal(const QString &Name) const;

    TClass FClassRef;
    QString FAncestor;
    TkwCustomHelper *FDefProp = nullptr;
    TkwScript *FScript;
    TkwNamedList FMembers; // owned
};

// Base of the event adapters: bridges a host event of fixed signature to a
// script procedure. The adapter is owned by the script; when it is freed, or
// its procedure is, the host's event is cleared if it still points at it.
class TkwCustomEvent : public TObject
{
public:
    TkwCustomEvent(TObject *AObject, TkwProcVariable *AHandler);
    ~TkwCustomEvent() override;

    // The handler method to install (the adapter bound to it).
    virtual TMethod GetMethod() = 0;
    // Runs the procedure with Params as its parameters (in order); the
    // parameters keep their values afterwards. Nothing runs once the
    // procedure is gone.
    void CallHandler(const QList<Variant> &Params);
    // Installs GetMethod in the host object's event property Prop.
    void Install(PPropInfo Prop);

    TkwProcVariable *Handler() const { return FHandler; }
    TObject *Sender() const { return FSender; }
    // The parameters' values as the last call left them.
    const QList<Variant> &ParamsAfter() const { return FParamsAfter; }

private:
    void Uninstall();
    void HandlerDestroyed();
    friend class TkwProcVariable;

    TkwProcVariable *FHandler;
    TObject *FSender;
    quint64 FSenderSerial; // tells FSender from a later object at its address
    PPropInfo FProp = nullptr;
    TMethod FInstalled;
    QList<Variant> FParamsAfter;
};

// Base of the host registration modules: each registers its names in its
// constructor.
class TkwRTTIModule : public TObject
{
public:
    explicit TkwRTTIModule(TkwScript *AScript) : FScript(AScript) {}
    TkwScript *Script() const { return FScript; }

private:
    TkwScript *FScript;
};

using TkwRTTIModuleClass = TkwRTTIModule *(*)(TkwScript *AScript);

template<class T>
TkwRTTIModule *kwNewModule(TkwScript *AScript)
{
    return new T(AScript);
}

// The process-wide list of module classes that AddRTTI loads, in order.
const QList<TkwRTTIModuleClass> &kwRTTIModules();
// Appends (or puts first) a module class; a class already listed stays where
// it is.
void kwAddRTTIModule(TkwRTTIModuleClass AModule, bool First = false);
void kwRemoveRTTIModule(TkwRTTIModuleClass AModule);

// The AddedBy mark of items made by registration modules.
TObject *kwRTTIStamp();

// ---------------------------------------------------------------------------
// Statements

// A statement list: the main statement of a script, a procedure body, a
// branch. Statement kinds derive from it.
class TkwStatement : public TkwItemList
{
public:
    TkwStatement(TkwScript *AProgram, const QString &AUnitName, const QString &ASourcePos);
    // Runs the items in order; stops when the program is terminated and after
    // an item that called break, continue or exit.
    virtual void Execute();
    // Execute without the stack check: for a loop that checked once before
    // its first round (each round runs at the same depth).
    inline void ExecuteItems();
    // Execute of a plain list, without the virtual call.
    inline void RunList();

    TkwScript *Program() const { return FProgram; }
    const QString &UnitName() const { return FUnitName; }
    const QString &SourcePos() const { return FSourcePos; }

private:
    // ExecuteItems for two items or more.
    void ExecuteList();

    TkwScript *FProgram;
    QString FUnitName;
    QString FSourcePos;
};

// ---------------------------------------------------------------------------
// The script

class TkwScript : public TComponent, public TkwParserHost
{
    STATION_CLASS(TkwScript, TComponent)
public:
    explicit TkwScript(TComponent *AOwner);
    ~TkwScript() override;

    // --- name space
    // Appends Item under Name; a variable item gets AddedBy from the script.
    void Add(const QString &Name, TObject *Item);
    int Count() const { return FItems.Count(); }
    TObject *Items(int Index) const;
    // Takes Item out of the name space without freeing it.
    void Remove(TObject *Item);
    // The item of that name here; nil when absent or not a variable item.
    TkwCustomVariable *FindLocal(const QString &Name) const;
    // FindLocal here, then up the Parent chain.
    TkwCustomVariable *Find(const QString &Name) const;
    // Find, nil unless the item is a registered class.
    TkwClassVariable *FindClass(const QString &Name) const;
    // SetValue on the item found, or a new Variant variable.
    void SetVariable(const QString &Name, const Variant &Value);

    // Changes with every addition and removal of an item.
    unsigned ItemsVersion() const { return FItems.Version(); }

    // Frees every item but the registration modules and their items, clears
    // the main statement and the owned objects and the error texts.
    void Clear();
    // Frees the items registered by Owner (last first), clears the main
    // statement and the owned objects.
    void ClearItems(TObject *Owner);
    // Frees the items registered by Owner only.
    void RemoveItems(TObject *Owner);
    // Creates the registration modules of the module list (once).
    void AddRTTI();
    void ClearRTTI();

    // --- registration (a name already found is not registered again)
    // Under Name when given (a class known to scripts by another name; the
    // class's own name can then be added as a descendant entry, an alias).
    virtual TkwClassVariable *AddClass(TClass AClass, const QString &Ancestor, const QString &Name = QString());
    virtual void AddConst(const QString &Name, const QString &Typ, const Variant &Value);
    virtual void AddEnum(const QString &Typ, const QString &Names);
    virtual void AddEnumSet(const QString &Typ, const QString &Names);
    virtual void AddForm(TComponent *Form);
    virtual void AddComponent(TComponent *Form);
    // Registered even when the name exists; the newest entry is found first.
    virtual TkwMethodHelper *AddMethod(const QString &Syntax, const TkwCallMethodNewEvent &CallEvent,
                                       const QString &Category = QString(),
                                       const QString &Description = QString());
    virtual TkwMethodHelper *AddMethodParams(const QString &Syntax, const TkwCallMethodEvent &CallEvent,
                                             const QString &Category = QString(),
                                             const QString &Description = QString());
    virtual void AddObject(const QString &Name, TObject *AObject);
    virtual void AddVariable(const QString &Name, const QString &Typ, const Variant &Value);
    virtual void AddType(const QString &TypeName, TkwVarType Typ);

    // --- calls from the host
    // Runs the script procedure Name with the elements of Params (a variant
    // array; Empty for none) as its parameters; Null when Name is no
    // procedure of this script.
    Variant CallFunction(const QString &Name, const Variant &Params);
    // The same, and the parameters' values are copied back into Params.
    Variant CallFunctionByRef(const QString &Name, Variant &Params);
    // Calls the first OnRunLine found here or up the Parent chain.
    void RunLine(const QString &UnitName, const QString &SourcePos)
    {
        ++FRunLines;
        // A flag test while no script has a line handler.
        if (FRunLineHandlers.load(std::memory_order_relaxed))
            CallRunLine(UnitName, SourcePos);
    }
    // Lines announced on this thread so far (by any script).
    static quint64 RunLineCount() { return FRunLines; }

    bool DoGetUnit(const QString &UnitName, QString &UnitText) override;

    // --- compiling and running
    // Parses Lines in SyntaxType and builds the program; False with
    // ErrorMessage, ErrorPosition and ErrorUnit set on a compile error. An
    // unknown language raises. Earlier declarations stay.
    bool Compile();
    // Runs the main statement; exceptions of the script reach the caller.
    void Execute();
    // Stops the running script (and its routines) before the next statement.
    void Terminate();
    // Lines holding a statement, per unit name (empty for the main text),
    // ascending, each once.
    void AddCodeLine(const QString &UnitName, int Line);
    QList<int> CodeLines(const QString &UnitName = QString()) const;

    // --- published
    TStrings *Lines() const { return FLines.get(); }
    void SetLines(TStrings *Value);
    QString SyntaxType() const { return FSyntaxType; }
    void SetSyntaxType(const QString &Value) { FSyntaxType = Value; }
    TkwGetUnitEvent OnGetILUnit() const { return FOnGetILUnit; }
    void SetOnGetILUnit(TkwGetUnitEvent Value) { FOnGetILUnit = Value; }
    TkwGetUnitEvent OnGetUnit() const { return FOnGetUnit; }
    void SetOnGetUnit(TkwGetUnitEvent Value) { FOnGetUnit = Value; }
    TkwRunLineEvent OnRunLine() const { return FOnRunLine; }
    void SetOnRunLine(TkwRunLineEvent Value);
    TkwGetVariableValueEvent OnGetVarValue() const { return FOnGetVarValue; }
    void SetOnGetVarValue(TkwGetVariableValueEvent Value) { FOnGetVarValue = Value; }

    // --- state
    TkwStatement *Statement() const { return FStatement.get(); }
    // Objects the script owns besides its items (freed by Clear).
    void AddOwnedObject(TObject *AObject);
    int OwnedObjectCount() const { return int(FOwnedObjects.size()); }
    TkwScript *Parent() const { return FParent; }
    // Raises EInvalidOperation when Value would close a loop of parents.
    void SetParent(TkwScript *Value);
    TObject *AddedBy() const { return FAddedBy; }
    void SetAddedBy(TObject *Value) { FAddedBy = Value; }
    bool RTTIAdded() const { return FRTTIAdded; }

    bool IsRunning() const { return FIsRunning; }
    void SetIsRunning(bool Value) { FIsRunning = Value; }
    bool IsExecutionRoot() const { return FIsExecutionRoot; }
    void SetIsExecutionRoot(bool Value) { FIsExecutionRoot = Value; }
    TkwScript *RunningProgram() const { return FRunningProgram; }
    void SetRunningProgram(TkwScript *Value) { FRunningProgram = Value; }
    bool Terminated() const { return FStop & sfTerminated; }
    void SetTerminated(bool Value) { SetStop(sfTerminated, Value); }
    bool ExitCalled() const { return FStop & sfExit; }
    void SetExitCalled(bool Value) { SetStop(sfExit, Value); }
    bool BreakCalled() const { return FStop & sfBreak; }
    void SetBreakCalled(bool Value) { SetStop(sfBreak, Value); }
    bool ContinueCalled() const { return FStop & sfContinue; }
    void SetContinueCalled(bool Value) { SetStop(sfContinue, Value); }
    // Any of the four above: a statement list goes no further.
    bool Stopping() const { return FStop != 0; }
    void ClearStop() { FStop = 0; }
    // Clears the four, or sets Terminated and ExitCalled alone.
    void ResetStop(bool Terminated) { FStop = Terminated ? quint8(sfTerminated | sfExit) : quint8(0); }
    // A member name that cannot be resolved while compiling (and the script
    // is not running) is left to be resolved when it is first evaluated.
    // Copied into the programs of the script's routines as they are built.
    bool KeepUnresolved() const { return FKeepUnresolved; }
    void SetKeepUnresolved(bool Value) { FKeepUnresolved = Value; }

protected:
    // Forgets a parent script that is being freed.
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    void AddFormComponents(TComponent *Form);
    void FreeItems(bool (*Match)(TObject *Item, TObject *Owner), TObject *Owner);
    void ClearOwnedObjects();
    Variant Call(const QString &Name, Variant &Params, bool ByRef);
    void CallRunLine(const QString &UnitName, const QString &SourcePos);

    static inline thread_local quint64 FRunLines = 0;
    // Scripts that have an OnRunLine handler, on any thread.
    static inline std::atomic<int> FRunLineHandlers{0};

    TkwNamedList FItems;
    QHash<QString, QList<int>> FCodeLines;
    std::unique_ptr<TStrings> FLines;
    QString FSyntaxType = QStringLiteral("PascalScript");
    TkwGetUnitEvent FOnGetILUnit;
    TkwGetUnitEvent FOnGetUnit;
    TkwRunLineEvent FOnRunLine;
    TkwGetVariableValueEvent FOnGetVarValue;
    std::unique_ptr<TkwStatement> FStatement;
    std::vector<TObject *> FOwnedObjects;
    TkwScript *FParent = nullptr;
    TObject *FAddedBy = nullptr;
    bool FRTTIAdded = false;
    bool FIsRunning = false;
    bool FIsExecutionRoot = false;
    TkwScript *FRunningProgram = nullptr;
    // Terminated, exit, break and continue, one bit each: statements test
    // them all at once after every statement.
    enum : quint8 { sfTerminated = 1, sfExit = 2, sfBreak = 4, sfContinue = 8 };
    void SetStop(quint8 Flag, bool Value) { FStop = Value ? quint8(FStop | Flag) : quint8(FStop & ~Flag); }
    quint8 FStop = 0;
    bool FKeepUnresolved = false;
};

// A terminate stops before the next statement, a break, continue or exit
// after the one that called it. Lists of one or two (a routine's or a
// branch's body) run here; an empty one (an absent else) does nothing.
inline void TkwStatement::ExecuteItems()
{
    if (FProgram->Terminated())
        return;
    const size_t n = FItems.size();
    if (n == 1) {
        static_cast<TkwStatement *>(FItems[0])->Execute();
    } else if (n == 2) {
        static_cast<TkwStatement *>(FItems[0])->Execute();
        if (!FProgram->Stopping())
            static_cast<TkwStatement *>(FItems[1])->Execute();
    } else if (n) {
        ExecuteList();
    }
}

inline TkwCallFrame::TkwCallFrame(TkwProcVariable *Proc)
{
    if (!Proc)
        return;
    kwCheckStack();
    if (Depth >= kwMaxCallDepth)
        kwStackOverflow();
    // Saved before counted: a save that runs out of memory leaves no count
    // behind (the frame's destructor does not run when its constructor fails).
    if (Proc->Executing())
        Save(Proc);
    ++Depth;
    FCounted = true;
}

// Nested statements recurse on the machine stack.
inline void TkwStatement::RunList()
{
    kwCheckStack();
    ExecuteItems();
}

inline Variant TkwProcVariable::Run()
{
    const bool wasExecuting = FExecuting;
    FExecuting = true;
    TkwCustomVariable *result = ResultVariable();
    if (result)
        result->StoreEmpty();

    TkwScript *root = FProgram.get();
    while (root && !root->IsExecutionRoot())
        root = root->Parent();
    TkwScript *savedRunning = root ? root->RunningProgram() : nullptr;
    // A routine called while its caller is being terminated (in a run)
    // runs nothing.
    const TkwScript *caller = savedRunning ? savedRunning : root;
    const bool callerTerminated = caller && root->IsRunning() && caller->Terminated();
    const bool rootTerminated = root && root->Terminated();
    if (root)
        root->SetRunningProgram(FProgram.get());

    struct TRestore
    {
        TkwProcVariable *Proc;
        TkwScript *Root;
        TkwScript *SavedRunning;
        bool WasExecuting;
        bool CallerTerminated;
        bool RootTerminated;
        ~TRestore()
        {
            TkwScript *p = Proc->FProgram.get();
            // A break or continue outside any loop must not stop the next call.
            // A Terminate stops the caller, also when it is this routine's own
            // program (a recursion) whose flags the call shares.
            p->ResetStop((SavedRunning == p && CallerTerminated)
                         || (Root && Root->Terminated() && !RootTerminated));
            p->SetIsRunning(false);
            if (Root)
                Root->SetRunningProgram(SavedRunning);
            Proc->FExecuting = WasExecuting;
        }
    } restore{this, root, savedRunning, wasExecuting, callerTerminated, rootTerminated};

    FProgram->ResetStop(callerTerminated);
    FProgram->SetIsRunning(true);
    // The body is a plain statement list: run without a virtual call.
    FProgram->Statement()->RunList();
    if (!result)
        return Null();
    return result->DirectRead() ? result->Value() : result->GetValue();
}

inline bool TkwProcVariable::ItemsChanged() const
{
    return !FItemsKnown || FItemsVersion != FProgram->ItemsVersion();
}

// ---------------------------------------------------------------------------
// Type rules and declaration strings

// A type code with its type name (class or enumeration name).
struct TkwTypeRec
{
    TkwVarType Typ = fvtVariant;
    QString TypeName;
};

// The type code of the item named TypeName (through the Parent chain);
// fvtClass when there is none.
TkwVarType StrToVarType(const QString &TypeName, const TkwScript *Script);
// Both must be registered classes; True when class 2 is class 1 or descends
// from it.
bool ClassInherits(const QString &Name1, const QString &Name2, const TkwScript *Script);
// Whether a value of type 2 suits an operand or target of type 1.
bool TypesCompatible(const TkwTypeRec &Typ1, const TkwTypeRec &Typ2, const TkwScript *Script);
// TypesCompatible, and no Float value into an Integer target.
bool AssignCompatible(const TkwCustomVariable *Var1, const TkwCustomVariable *Var2, const TkwScript *Script);
// A literal of the program tree: 'quoted' text, an integer (32 or 64 bits,
// "$" for hexadecimal) or a floating-point number; Unassigned for ''.
Variant ParserStringToVariant(const QString &S);
// "line:column" as (X = column, Y = line); (0, 0) for an empty text.
TPoint StrToPos(const QString &S);
// Reads a declaration such as "function Copy(S: String; Index, Count:
// Integer): String" into an item with the name, the result type and the
// parameters.
std::unique_ptr<TkwCustomVariable> ParseMethodSyntax(const QString &Syntax, const TkwScript *Script);

// Argument lists of Format built from variant arrays. The records refer to
// values the list owns, so it must live as long as they are used.
class TkwVarRecArray
{
public:
    TkwVarRecArray() = default;
    TkwVarRecArray(const TkwVarRecArray &) = delete;
    TkwVarRecArray &operator=(const TkwVarRecArray &) = delete;
    ~TkwVarRecArray() { Clear(); }
    const std::vector<TVarRec> &Items() const { return FItems; }
    int Count() const { return int(FItems.size()); }
    // Frees what the conversion allocated and empties the list.
    void Clear();

private:
    friend void VariantToVarRecArray(const Variant &A, TkwVarRecArray &Result);
    std::vector<TVarRec> FItems;
    std::vector<std::unique_ptr<Variant>> FVariants;
};

Variant VarRecToVariant(const TVarRec &V);
// One record per element of the one-dimensional array A (low to high);
// Empty and Null give no records. Result is cleared first.
void VariantToVarRecArray(const Variant &A, TkwVarRecArray &Result);
void ClearVarRecArray(TkwVarRecArray &A);
