// Items of the script name space: variables, types, parameters, script
// routines, the statement list, the module list, and the register of objects
// that script values may refer to.
#include "kw_iinterpreter.h"
#include "Forms.h"
#include <QHash>
#include <algorithm>
#include <mutex>
#include <thread>

QString SInvalidObject = QStringLiteral("Invalid object reference");
QString SNilObject = QStringLiteral("Object reference is nil");
QString SNilParam = QStringLiteral("Parameter '%1' of %2 must not be nil");
QString SInvalidCast = QStringLiteral("Invalid class typecast");
QString SRangeError = QStringLiteral("Range check error");
QString SOutOfMemory = QStringLiteral("Out of memory");

void kwCheckStringLength(qsizetype Length)
{
    if (Length > kwMaxStringLength || Length < 0)
        throw EOutOfMemory(SOutOfMemory);
}

// ---------------------------------------------------------------------------
// Objects known to be alive

namespace {

// Every object that enters a script value is entered here and stays until it
// is destroyed, wherever that happens (the platform's destroy hook), so an
// object freed with its owner, a cleared list or the host is never reached
// again. Objects are destroyed on any thread, hence the lock.
class TkwObjectWatch
{
public:
    struct TEntry
    {
        TClass Class;
        // Tells the object from a later one at the same address.
        quint64 Serial;
        bool IsComponent;
        // Reached through another object that owns it: not the script's to free.
        bool Owned;
        // Made by a script's constructor: its number (see kwCreatedSerial),
        // the thread and the script that made it.
        quint64 Created = 0;
        std::thread::id Thread;
        const TkwScript *Script = nullptr;
    };

    TkwObjectWatch() { SetObjectDestroyHook(&Destroyed); }

    // The serial of AObject, known from now on; 0 when no object lives at
    // that address (a pointer kept after its object was freed), which is
    // then left untouched.
    quint64 Track(TObject *AObject, TObject *AAnchor)
    {
        if (!AObject)
            return 0;
        std::lock_guard<std::mutex> lock(FLock);
        if (auto it = FObjects.constFind(AObject); it != FObjects.constEnd())
            return it->Serial;
        const quint64 serial = LiveSerial(AObject);
        if (!serial)
            return 0;
        auto *comp = dynamic_cast<TComponent *>(AObject);
        if (comp && comp->ComponentState().Contains(csDestroying))
            return serial;
        FObjects.insert(AObject, TEntry{AObject->ClassType(), serial, comp != nullptr,
                                        !comp && AAnchor && AAnchor != AObject, 0, {}, nullptr});
        return serial;
    }

    void MarkCreated(TObject *AObject, const TkwScript *AScript)
    {
        std::lock_guard<std::mutex> lock(FLock);
        auto it = FObjects.find(AObject);
        if (it != FObjects.end() && it->Created == 0) {
            it->Created = ++FCreated;
            it->Thread = std::this_thread::get_id();
            it->Script = AScript;
        }
    }

    std::vector<TkwCreatedObject> CreatedSince(quint64 Serial)
    {
        std::vector<TkwCreatedObject> r;
        const std::thread::id here = std::this_thread::get_id();
        std::lock_guard<std::mutex> lock(FLock);
        for (auto it = FObjects.constBegin(); it != FObjects.constEnd(); ++it)
            if (it->Created > Serial && it->Thread == here)
                r.push_back(TkwCreatedObject{const_cast<TObject *>(it.key()), it->Created, it->Script});
        std::sort(r.begin(), r.end(), [](const auto &A, const auto &B) { return A.Serial < B.Serial; });
        return r;
    }

    quint64 LastCreated()
    {
        std::lock_guard<std::mutex> lock(FLock);
        return FCreated;
    }

    void Forget(const TObject *AObject)
    {
        std::lock_guard<std::mutex> lock(FLock);
        FObjects.remove(AObject);
    }

    bool Find(const TObject *AObject, TEntry &Result)
    {
        std::lock_guard<std::mutex> lock(FLock);
        auto it = FObjects.constFind(AObject);
        if (it == FObjects.constEnd())
            return false;
        Result = *it;
        return true;
    }

private:
    static void Destroyed(const TObject *AObject);

    std::mutex FLock;
    QHash<const TObject *, TEntry> FObjects;
    quint64 FCreated = 0;
};

// Never destroyed: objects freed during shutdown still report to it.
TkwObjectWatch &Watch()
{
    static TkwObjectWatch *watch = new TkwObjectWatch;
    return *watch;
}

void TkwObjectWatch::Destroyed(const TObject *AObject)
{
    Watch().Forget(AObject);
}

} // namespace

void kwTrackObject(TObject *AObject, TObject *Anchor)
{
    Watch().Track(AObject, Anchor);
}

void kwTrackValue(const Variant &V, TObject *Anchor)
{
    if (VarType(V) != varObject)
        return;
    // A reference kept since its object lived is checked before it is
    // touched; a stale one stays unknown and raises where it is used.
    TObject *obj = V.AsObject();
    if (obj && ObjectIsLive(obj, V.ObjectSerial()))
        Watch().Track(obj, Anchor);
}

Variant kwObjectToVar(TObject *AObject, TObject *Anchor)
{
    const quint64 serial = Watch().Track(AObject, Anchor);
    if (AObject && !serial)
        throw EInvalidPointer(SInvalidObject);
    return Variant(AObject, serial);
}

Variant kwObjectRefToVar(const TObjectRef &Ref, TObject *Anchor)
{
    if (!Ref.Object)
        return Variant(static_cast<TObject *>(nullptr));
    if (!ObjectIsLive(Ref.Object, Ref.Serial))
        throw EInvalidPointer(SInvalidObject);
    Watch().Track(Ref.Object, Anchor);
    return Variant(Ref.Object, Ref.Serial);
}

void kwForgetObject(TObject *AObject)
{
    Watch().Forget(AObject);
}

bool kwObjectAlive(const TObject *AObject)
{
    TkwObjectWatch::TEntry entry;
    return AObject && Watch().Find(AObject, entry);
}

bool kwObjectOwned(const TObject *AObject)
{
    TkwObjectWatch::TEntry entry;
    return AObject && Watch().Find(AObject, entry) && entry.Owned;
}

quint64 kwCreatedSerial(const TObject *AObject)
{
    TkwObjectWatch::TEntry entry;
    return AObject && Watch().Find(AObject, entry) ? entry.Created : 0;
}

quint64 kwCreationSerial()
{
    return Watch().LastCreated();
}

namespace {
thread_local std::vector<TkwScript *> GRunningScripts;
}

void kwMarkCreated(TObject *AObject)
{
    if (AObject)
        Watch().MarkCreated(AObject, GRunningScripts.empty() ? nullptr : GRunningScripts.back());
}

std::vector<TkwCreatedObject> kwCreatedSince(quint64 Serial)
{
    return Watch().CreatedSince(Serial);
}

TkwRunningScript::TkwRunningScript(TkwScript *AScript)
{
    GRunningScripts.push_back(AScript);
}

TkwRunningScript::~TkwRunningScript()
{
    GRunningScripts.pop_back();
}

const std::vector<TkwScript *> &TkwRunningScript::Scripts()
{
    return GRunningScripts;
}

TObject *kwVarToObject(const Variant &V, TClass AClass)
{
    TObject *obj = V.AsObject();
    if (!obj)
        return nullptr;
    TkwObjectWatch::TEntry entry;
    if (!Watch().Find(obj, entry) || entry.Serial != V.ObjectSerial())
        throw EInvalidPointer(SInvalidObject);
    if (entry.IsComponent && static_cast<TComponent *>(obj)->ComponentState().Contains(csDestroying))
        throw EInvalidPointer(SInvalidObject);
    if (AClass && !entry.Class->InheritsFrom(AClass))
        throw EInvalidCast(SInvalidCast);
    return obj;
}

void kwCheckObject(const Variant &V)
{
    if (VarType(V) == varObject)
        kwVarToObject(V);
}

namespace {

struct TkwFreeGuards
{
    std::mutex Lock;
    std::vector<TkwFreeGuard> List;
    std::vector<TkwClearGuard> ClearList;
};

TkwFreeGuards &FreeGuards()
{
    static TkwFreeGuards *guards = new TkwFreeGuards;
    return *guards;
}

template <class T>
void AddGuard(std::vector<T> TkwFreeGuards::*List, T Guard)
{
    TkwFreeGuards &g = FreeGuards();
    std::lock_guard<std::mutex> lock(g.Lock);
    std::vector<T> &list = g.*List;
    if (std::find(list.begin(), list.end(), Guard) == list.end())
        list.push_back(Guard);
}

// A copy, so that a guard may run while another thread adds one.
template <class T>
std::vector<T> Guards(std::vector<T> TkwFreeGuards::*List)
{
    TkwFreeGuards &g = FreeGuards();
    std::lock_guard<std::mutex> lock(g.Lock);
    return g.*List;
}

} // namespace

void kwAddFreeGuard(TkwFreeGuard Guard)
{
    AddGuard(&TkwFreeGuards::List, Guard);
}

bool kwCheckScriptFree(TObject *AObject)
{
    if (!AObject)
        return false;
    // It owns the forms and what they own: the running script's host too.
    if (dynamic_cast<TApplication *>(AObject))
        throw EInvalidOperation(QStringLiteral("Cannot free the application from a script"));
    for (TkwFreeGuard guard : Guards(&TkwFreeGuards::List))
        if (guard(AObject))
            return true;
    return false;
}

void kwAddClearGuard(TkwClearGuard Guard)
{
    AddGuard(&TkwFreeGuards::ClearList, Guard);
}

void kwCheckScriptClear(TObject *AObject)
{
    if (!AObject)
        return;
    for (TkwClearGuard guard : Guards(&TkwFreeGuards::ClearList))
        guard(AObject);
}

// ---------------------------------------------------------------------------
// Names

QString kwUpperCase(const QString &S)
{
    QString r = S;
    QChar *p = r.data();
    for (qsizetype i = 0, n = r.size(); i < n; ++i) {
        const char16_t c = p[i].unicode();
        if (c >= 'a' && c <= 'z')
            p[i] = QChar(char16_t(c - 32));
    }
    return r;
}

QString kwVarTypeName(TkwVarType Typ, const QString &TypeName)
{
    switch (Typ) {
    case fvtInt:
        return QStringLiteral("Integer");
    case fvtBool:
        return QStringLiteral("Boolean");
    case fvtFloat:
        return QStringLiteral("Extended");
    case fvtChar:
        return QStringLiteral("Char");
    case fvtString:
        return QStringLiteral("String");
    case fvtClass:
    case fvtEnum:
        return TypeName;
    case fvtArray:
        return QStringLiteral("Array");
    default:
        return QStringLiteral("Variant");
    }
}

void TkwNamedList::Add(const QString &Name, TObject *Item)
{
    TEntry e{kwUpperCase(Name), Name, Item};
    auto pos = std::lower_bound(FItems.begin(), FItems.end(), e.Key,
                                [](const TEntry &a, const QString &k) { return a.Key < k; });
    FItems.insert(pos, std::move(e));
    ++FVersion;
}

void TkwNamedList::Delete(int Index)
{
    FItems.erase(FItems.begin() + Index);
    ++FVersion;
}

int TkwNamedList::IndexOf(const TObject *Item) const
{
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].Item == Item)
            return int(i);
    return -1;
}

int TkwNamedList::Find(const QString &Name) const
{
    const QString key = kwUpperCase(Name);
    auto pos = std::lower_bound(FItems.begin(), FItems.end(), key,
                                [](const TEntry &a, const QString &k) { return a.Key < k; });
    if (pos != FItems.end() && pos->Key == key)
        return int(pos - FItems.begin());
    return -1;
}

// ---------------------------------------------------------------------------
// Item lists and variables

TkwItemList::~TkwItemList()
{
    TkwItemList::Clear();
}

void TkwItemList::Clear()
{
    std::vector<TObject *> items;
    items.swap(FItems);
    for (TObject *item : items)
        delete item;
}

TObject *TkwItemList::Items(int Index) const
{
    if (Index < 0 || Index >= int(FItems.size()))
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return FItems[size_t(Index)];
}

void TkwItemList::Add(TObject *Item)
{
    FItems.push_back(Item);
}

void TkwItemList::Remove(TObject *Item)
{
    auto it = std::find(FItems.begin(), FItems.end(), Item);
    if (it != FItems.end())
        FItems.erase(it);
}

TkwCustomVariable::TkwCustomVariable(const QString &AName, TkwVarType ATyp, const QString &ATypeName)
    : FName(AName), FUpperName(kwUpperCase(AName)), FTyp(ATyp), FTypeName(ATypeName)
{
}

void TkwCustomVariable::SetValue(const Variant &Value)
{
    if (!FIsReadOnly)
        FValue = Value;
}

Variant TkwCustomVariable::GetValue()
{
    return FValue;
}

bool TkwCustomVariable::AppendStr(const QString &Tail)
{
    return !FIsReadOnly && VarStrAppend(FValue, Tail);
}

TkwParamItem *TkwCustomVariable::Params(int Index) const
{
    return static_cast<TkwParamItem *>(Items(Index));
}

int TkwCustomVariable::RequiredParamCount() const
{
    int n = 0;
    for (TObject *item : FItems)
        if (!static_cast<TkwParamItem *>(item)->IsOptional())
            ++n;
    return n;
}

void TkwVariable::SetValue(const Variant &Value)
{
    if (IsReadOnly())
        return;
    switch (Typ()) {
    case fvtInt:
        FValue = Variant(Value.AsInteger());
        break;
    case fvtBool:
        FValue = Variant(Value.AsBoolean());
        break;
    case fvtFloat:
        FValue = Variant(Value.AsDouble());
        break;
    case fvtString:
        FValue = Variant(Value.AsString());
        break;
    default:
        FValue = Value;
        break;
    }
}

// What the host's value provider answers, unless Null; objects it hands in
// become known.
static bool AskProvider(const TkwGetVariableValueEvent &Event, const QString &Name, TkwVarType Typ,
                        const Variant &Stored, Variant &Result)
{
    if (!Event.Assigned())
        return false;
    Result = Event(Name, Typ, Stored);
    if (VarIsNull(Result))
        return false;
    if (VarType(Result) == varObject)
        kwTrackValue(Result);
    return true;
}

Variant TkwVariable::GetValue()
{
    Variant r;
    if (AskProvider(FOnGetVarValue, Name(), Typ(), FValue, r))
        return r;
    return FValue;
}

bool TkwVariable::AppendStr(const QString &Tail)
{
    // A value provider may answer something else than the stored value.
    return !FOnGetVarValue.Assigned() && TkwCustomVariable::AppendStr(Tail);
}

TkwTypeVariable::TkwTypeVariable(const QString &AName, TkwVarType ATyp) : TkwCustomVariable(AName, ATyp, AName)
{
}

void TkwStringVariable::SetValue(const Variant &Value)
{
    if (IsReadOnly())
        return;
    FValue = Variant();
    FStr = Value.AsString();
    FValue = Variant(FStr);
}

Variant TkwStringVariable::GetValue()
{
    Variant r;
    if (AskProvider(FOnGetVarValue, Name(), Typ(), Variant(FStr), r))
        return r;
    return Variant(FStr);
}

bool TkwStringVariable::AppendStr(const QString &Tail)
{
    if (IsReadOnly() || FOnGetVarValue.Assigned())
        return false;
    // Drop the shared copy first so the text grows in place.
    FValue = Variant();
    FStr.append(Tail);
    FValue = Variant(FStr);
    return true;
}

QString TkwStringVariable::GetChar(int Index) const
{
    if (Index < 1 || Index > FStr.size())
        throw ERangeError(SRangeError);
    return QString(FStr.at(Index - 1));
}

void TkwStringVariable::SetChar(int Index, QChar Ch)
{
    if (Index < 1 || Index > FStr.size())
        throw ERangeError(SRangeError);
    if (IsReadOnly())
        return;
    // Drop the shared copy first so the text changes in place.
    FValue = Variant();
    FStr[Index - 1] = Ch;
    FValue = Variant(FStr);
}

TkwParamItem::TkwParamItem(const QString &AName, TkwVarType ATyp, const QString &ATypeName, bool AIsOptional,
                           bool AIsVarParam)
    : TkwCustomVariable(AName, ATyp, ATypeName), FIsOptional(AIsOptional), FIsVarParam(AIsVarParam)
{
    SetDirect(true);
}

// ---------------------------------------------------------------------------
// Script routines

TkwProcVariable::TkwProcVariable(const QString &AName, TkwVarType ATyp, const QString &ATypeName,
                                 TkwScript *AParent, bool AIsFunc)
    : TkwCustomVariable(AName, ATyp, ATypeName), FIsFunc(AIsFunc), FProgram(std::make_unique<TkwScript>(nullptr))
{
    SetIsReadOnly(true);
    FProgram->SetParent(AParent);
    if (AParent)
        FProgram->SetExtendedCharset(AParent->ExtendedCharset());
    if (FIsFunc)
        FProgram->Add(QStringLiteral("Result"), new TkwVariable(QStringLiteral("Result"), ATyp, ATypeName));
}

TkwProcVariable::~TkwProcVariable()
{
    FItems.clear();
    std::vector<TkwCustomEvent *> events;
    events.swap(FEvents);
    for (TkwCustomEvent *e : events)
        e->HandlerDestroyed();
    FProgram.reset();
}

void TkwProcVariable::Clear()
{
    FItems.clear();
}

void TkwProcVariable::AddParam(TkwParamItem *Param)
{
    FProgram->Add(Param->Name(), Param);
    FItems.push_back(Param);
}

void TkwProcVariable::LookUpItems()
{
    FLocals.clear();
    for (int i = 0; i < FProgram->Count(); ++i) {
        auto *v = dynamic_cast<TkwCustomVariable *>(FProgram->Items(i));
        if (v && !dynamic_cast<TkwProcVariable *>(v) && !dynamic_cast<TkwCustomHelper *>(v))
            FLocals.push_back({v, dynamic_cast<TkwStringVariable *>(v)});
    }
    FResult = FIsFunc ? FProgram->FindLocal(QStringLiteral("Result")) : nullptr;
    FItemsVersion = FProgram->ItemsVersion();
    FItemsKnown = true;
}

Variant TkwProcVariable::GetValue()
{
    return Run();
}

// ---------------------------------------------------------------------------
// Statements

TkwStatement::TkwStatement(TkwScript *AProgram, const QString &AUnitName, const QString &ASourcePos)
    : FProgram(AProgram), FUnitName(AUnitName), FSourcePos(ASourcePos)
{
}

void TkwStatement::Execute()
{
    RunList();
}

void TkwStatement::ExecuteList()
{
    // One test of the flags after each statement serves all four.
    TkwScript *p = FProgram;
    for (size_t i = 0; i < FItems.size(); ++i) {
        static_cast<TkwStatement *>(FItems[i])->Execute();
        if (p->Stopping())
            break;
    }
}

// ---------------------------------------------------------------------------
// Registration modules

static QList<TkwRTTIModuleClass> &ModuleList()
{
    static QList<TkwRTTIModuleClass> list;
    return list;
}

const QList<TkwRTTIModuleClass> &kwRTTIModules()
{
    return ModuleList();
}

void kwAddRTTIModule(TkwRTTIModuleClass AModule, bool First)
{
    if (!AModule || ModuleList().contains(AModule))
        return;
    if (First)
        ModuleList().prepend(AModule);
    else
        ModuleList().append(AModule);
}

void kwRemoveRTTIModule(TkwRTTIModuleClass AModule)
{
    ModuleList().removeAll(AModule);
}

TObject *kwRTTIStamp()
{
    static TObject stamp;
    return &stamp;
}
