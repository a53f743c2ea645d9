// Members of registered host classes (properties, methods, events, owned
// components), the indexing helpers, class entries and event adapters.
#include "kw_iconst.h"
#include "kw_iinterpreter.h"
#include <algorithm>
#include <limits>

// ---------------------------------------------------------------------------
// Helper base

TClass TkwCustomHelper::ClassRef() const
{
    return FClassVar ? FClassVar->ClassRef() : nullptr;
}

TClass TkwCustomHelper::NamedClass() const
{
    auto *cls = dynamic_cast<TkwClassVariable *>(FParentRef);
    return cls ? cls->ClassRef() : nullptr;
}

TObject *TkwCustomHelper::Instance() const
{
    return kwVarToObject(FParentValue, ClassRef());
}

TObject *TkwCustomHelper::RequiredInstance() const
{
    TObject *obj = Instance();
    if (!obj)
        throw EInvalidPointer(SNilObject);
    return obj;
}

// ---------------------------------------------------------------------------
// Properties

TkwPropertyHelper::TkwPropertyHelper(PPropInfo AProp, TkwVarType ATyp, const QString &ATypeName)
    : TkwCustomHelper(AProp->Name(), ATyp, ATypeName), FProp(AProp)
{
    SetIsReadOnly(!AProp->IsWritable());
}

TkwPropertyHelper::TkwPropertyHelper(const QString &AName, TkwVarType ATyp, const QString &ATypeName,
                                     const TkwGetValueEvent &AGetter, const TkwSetValueEvent &ASetter)
    : TkwCustomHelper(AName, ATyp, ATypeName), FOnGetValue(AGetter), FOnSetValue(ASetter)
{
    SetIsReadOnly(!ASetter.Assigned());
}

TkwPropertyHelper::TkwPropertyHelper(const QString &AName, TkwVarType ATyp, const QString &ATypeName,
                                     const TkwGetValueNewEvent &AGetter, const TkwSetValueNewEvent &ASetter)
    : TkwCustomHelper(AName, ATyp, ATypeName), FOnGetValueNew(AGetter), FOnSetValueNew(ASetter)
{
    SetIsReadOnly(!ASetter.Assigned());
}

static Variant OrdinalVar(qint64 V)
{
    if (V >= std::numeric_limits<int>::min() && V <= std::numeric_limits<int>::max())
        return Variant(int(V));
    return Variant(V);
}

static Variant ReadPublished(TObject *Instance, PPropInfo Prop)
{
    switch (Prop->Kind()) {
    case tkInteger:
    case tkEnumeration:
    case tkSet:
        return OrdinalVar(GetOrdProp(Instance, Prop));
    case tkInt64:
        return Variant(GetInt64Prop(Instance, Prop));
    case tkChar:
    case tkWChar:
        return Variant(QString(QChar(char16_t(GetOrdProp(Instance, Prop)))));
    case tkFloat:
        return Variant(GetFloatProp(Instance, Prop));
    case tkString:
    case tkLString:
    case tkWString:
        return Variant(GetStrProp(Instance, Prop));
    case tkVariant:
        return GetVariantProp(Instance, Prop);
    case tkClass:
        return kwObjectToVar(GetObjectProp(Instance, Prop), Instance);
    default:
        return Variant();
    }
}

// A set as it crosses into a property: its member bits, or a set
// constructor's array of member bits in which low, Null, high stands for
// every bit from low to high.
static qint64 SetBits(const Variant &Value)
{
    if (!VarIsArray(Value))
        return Value.AsInt64();
    qint64 bits = 0;
    const int hi = VarArrayHighBound(Value, 1);
    for (int i = VarArrayLowBound(Value, 1); i <= hi; ++i) {
        const qint64 item = VarArrayGet(Value, {i}).AsInt64();
        if (i + 2 <= hi && VarIsNull(VarArrayGet(Value, {i + 1}))) {
            const qint64 high = VarArrayGet(Value, {i + 2}).AsInt64();
            for (int b = 0; b < 63; ++b)
                if ((qint64(1) << b) >= item && (qint64(1) << b) <= high)
                    bits |= qint64(1) << b;
            i += 2;
        } else {
            bits |= item;
        }
    }
    return bits;
}

static void WritePublished(TObject *Instance, PPropInfo Prop, TkwVarType Typ, const Variant &Value)
{
    switch (Prop->Kind()) {
    case tkSet:
        SetOrdProp(Instance, Prop, SetBits(Value));
        return;
    case tkInteger:
    case tkEnumeration:
    case tkInt64:
        if (Typ == fvtBool)
            SetOrdProp(Instance, Prop, Value.AsBoolean() ? 1 : 0);
        else
            SetOrdProp(Instance, Prop, Value.AsInt64());
        return;
    case tkChar:
    case tkWChar: {
        const QString s = Value.AsString();
        SetOrdProp(Instance, Prop, s.isEmpty() ? 0 : s.at(0).unicode());
        return;
    }
    case tkFloat:
        SetFloatProp(Instance, Prop, Value.AsDouble());
        return;
    case tkString:
    case tkLString:
    case tkWString:
        SetStrProp(Instance, Prop, Value.AsString());
        return;
    case tkVariant:
        kwCheckObject(Value);
        SetVariantProp(Instance, Prop, Value);
        return;
    case tkClass:
        SetObjectProp(Instance, Prop, kwVarToObject(Value, GetObjectPropClass(Prop)));
        return;
    default:
        return;
    }
}

Variant TkwPropertyHelper::GetValue()
{
    TObject *inst = ClassVar() ? RequiredInstance() : Instance();
    Variant r;
    if (FProp)
        r = ReadPublished(inst, FProp);
    else if (FOnGetValueNew.Assigned())
        r = FOnGetValueNew(inst, ClassRef(), UpperName(), this);
    else if (FOnGetValue.Assigned())
        r = FOnGetValue(inst, ClassRef(), UpperName());
    if (VarType(r) == varObject)
        kwTrackValue(r, inst);
    if (Typ() == fvtBool && !VarIsEmpty(r) && !VarIsNull(r))
        r = Variant(r.AsBoolean());
    return r;
}

void TkwPropertyHelper::SetValue(const Variant &Value)
{
    if (IsReadOnly())
        return;
    TObject *inst = ClassVar() ? RequiredInstance() : Instance();
    if (FProp) {
        WritePublished(inst, FProp, Typ(), Value);
        return;
    }
    kwCheckObject(Value);
    if (FOnSetValueNew.Assigned())
        FOnSetValueNew(inst, ClassRef(), UpperName(), Value, this);
    else if (FOnSetValue.Assigned())
        FOnSetValue(inst, ClassRef(), UpperName(), Value);
}

// ---------------------------------------------------------------------------
// Methods

TkwMethodHelper::TkwMethodHelper(const QString &Syntax, TkwScript *AScript)
    : TkwMethodHelper(ParseMethodSyntax(Syntax, AScript), Syntax, AScript)
{
}

TkwMethodHelper::TkwMethodHelper(std::unique_ptr<TkwCustomVariable> Parsed, const QString &Syntax,
                                 TkwScript *AScript)
    : TkwCustomHelper(Parsed->Name(), Parsed->Typ(), Parsed->TypeName()), FSyntax(Syntax)
{
    SetScript(AScript);
    SetIsMacro(Parsed->IsMacro());
    // A routine is no assignment target; indexed properties say otherwise.
    SetIsReadOnly(true);
    while (Parsed->Count() > 0) {
        TObject *p = Parsed->Items(0);
        Parsed->Remove(p);
        Add(p);
    }
}

Variant TkwMethodHelper::Call(const QString &MethodName)
{
    TObject *inst = nullptr;
    if (ClassVar()) {
        // A class named in the script (not an object) may only be constructed.
        if (!NamedClass() || Typ() != fvtConstructor) {
            inst = Instance();
            if (!inst) {
                // Freeing nil does nothing, as in the class library.
                if (UpperName() == QLatin1String("FREE"))
                    return Variant();
                throw EInvalidPointer(SNilObject);
            }
        }
    }
    if (!FObjectParamsKnown || FObjectParams)
        CheckObjectParams();
    Variant r;
    if (FOnCallNew.Assigned()) {
        r = FOnCallNew(inst, ClassRef(), MethodName, this);
    } else if (FOnCall.Assigned()) {
        QList<Variant> args;
        for (int i = 0; i < Count(); ++i)
            args.append(GetParam(i));
        if (MethodName.endsWith(QLatin1String(".SET")))
            args.append(FSetValue);
        Variant arr = VarArrayOf(args);
        r = FOnCall(inst, ClassRef(), MethodName, arr);
        if (VarIsArray(arr) && VarArrayDimCount(arr) == 1) {
            const int lo = VarArrayLowBound(arr, 1);
            const int hi = VarArrayHighBound(arr, 1);
            for (int i = 0; i < Count() && lo + i <= hi; ++i)
                if (Params(i)->IsVarParam())
                    Params(i)->SetValue(VarArrayGet(arr, {lo + i}));
        }
    }
    if (VarType(r) == varObject) {
        kwTrackValue(r, inst);
        if (!inst && NamedClass() && Typ() == fvtConstructor)
            kwMarkCreated(r.AsObject());
    }
    return r;
}

// Nil as the scripts write it: nil (the integer 0), an empty or null
// value, or a nil object.
static bool IsNilValue(const Variant &V)
{
    const TVarType t = VarType(V);
    if (t == varEmpty || t == varNull)
        return true;
    if (t == varObject)
        return !V.AsObject();
    return VarIsNumeric(V) && t != varBoolean && V.AsDouble() == 0;
}

bool TkwMethodHelper::ObjectParam(int Index) const
{
    if (Index < 0 || Index >= Count() || Index >= 64)
        return false;
    const TkwParamItem *p = ParamAt(Index);
    // An optional parameter has its default for nil.
    return p->Typ() == fvtClass && !p->IsOptional() && Script() && Script()->FindClass(p->TypeName());
}

TkwMethodHelper *TkwMethodHelper::AllowNil(const QString &ParamName)
{
    for (int i = 0; i < Count() && i < 64; ++i)
        if (ParamAt(i)->Name().compare(ParamName, Qt::CaseInsensitive) == 0) {
            FNilAllowed |= quint64(1) << i;
            FObjectParams &= ~FNilAllowed;
            return this;
        }
    throw EInvalidOperation(QStringLiteral("%1 has no parameter %2").arg(Name(), ParamName));
}

bool TkwMethodHelper::NilAllowed(int Index) const
{
    return Index >= 0 && Index < 64 && (FNilAllowed >> Index & 1);
}

void TkwMethodHelper::CheckObjectParams()
{
    if (!FObjectParamsKnown) {
        for (int i = 0; i < Count() && i < 64; ++i)
            if (ObjectParam(i))
                FObjectParams |= quint64(1) << i;
        FObjectParams &= ~FNilAllowed;
        FObjectParamsKnown = true;
    }
    for (int i = 0; i < Count() && i < 64; ++i)
        if ((FObjectParams >> i & 1) && IsNilValue(ParamAt(i)->GetValue()))
            throw EInvalidPointer(SNilParam.arg(ParamAt(i)->Name(), Name()));
}

Variant TkwMethodHelper::GetValue()
{
    // The name itself, not a copy (every host call passes here).
    if (!FIndexMethod)
        return Call(UpperName());
    return Call(UpperName() + QLatin1String(".GET"));
}

void TkwMethodHelper::SetValue(const Variant &Value)
{
    if (IsReadOnly() || !FIndexMethod)
        return;
    FSetValue = Value;
    struct TReset
    {
        Variant &V;
        ~TReset() { V = Variant(); }
    } reset{FSetValue};
    Call(UpperName() + QLatin1String(".SET"));
}

Variant TkwMethodHelper::GetParam(int Index) const
{
    if (Index == Count()) {
        kwCheckObject(FSetValue);
        return FSetValue;
    }
    Variant v = Params(Index)->GetValue();
    kwCheckObject(v);
    return v;
}

void TkwMethodHelper::SetParam(int Index, const Variant &Value)
{
    Params(Index)->SetValue(Value);
}

// ---------------------------------------------------------------------------
// Indexing helpers

TkwArrayHelper::TkwArrayHelper(const QString &AName, int DimCount, TkwVarType ATyp, const QString &ATypeName,
                               int RequiredCount)
    : TkwCustomHelper(AName, ATyp, ATypeName)
{
    if (RequiredCount < 0)
        RequiredCount = DimCount;
    for (int i = 0; i < DimCount; ++i)
        Add(new TkwParamItem(QStringLiteral("p%1").arg(i), fvtInt, QStringLiteral("Integer"), i >= RequiredCount,
                             false));
}

int TkwArrayHelper::Indexes(const Variant &A, int *Result) const
{
    const int dims = VarIsArray(A) ? VarArrayDimCount(A) : 0;
    if (dims < 1 || dims > 3)
        return 0;
    for (int d = 0; d < dims; ++d)
        Result[d] = d < Count() ? Params(d)->GetValue().AsInteger() : 0;
    return dims;
}

Variant TkwArrayHelper::GetValue()
{
    int idx[3];
    const int n = Indexes(ParentValue(), idx);
    if (!n)
        return Null();
    Variant r = VarArrayGet(ParentValue(), idx, n);
    // The array is let go, so that the variable holding it alone has it
    // when an element is written next.
    SetParentValue(Variant());
    return r;
}

void TkwArrayHelper::SetValue(const Variant &Value)
{
    int idx[3];
    const int n = Indexes(ParentValue(), idx);
    if (!n)
        return;
    kwCheckObject(Value);
    TkwCustomVariable *parent = ParentRef();
    auto *var = dynamic_cast<TkwVariable *>(parent);
    if (var && !var->IsReadOnly() && VarIsArray(var->FValue)) {
        // Write into the variable's own array: dropping the helper's shared
        // copy first keeps the write from copying the whole array.
        SetParentValue(Variant());
        VarArrayPut(var->FValue, Value, idx, n);
        return;
    }
    Variant a = ParentValue();
    SetParentValue(Variant());
    VarArrayPut(a, Value, idx, n);
    if (parent)
        parent->SetValue(a);
}

void TkwArrayHelper::PutInto(TkwVariable *Var, const Variant &Value, const int *Index, int Count)
{
    VarArrayPut(Var->FValue, Value, Index, Count);
}

TkwStringHelper::TkwStringHelper()
    : TkwCustomHelper(QStringLiteral("__StringHelper"), fvtChar, QStringLiteral("Char"))
{
    Add(new TkwParamItem(QStringLiteral("p0"), fvtInt, QStringLiteral("Integer"), false, false));
}

Variant TkwStringHelper::GetValue()
{
    const QString s = VarToStr(ParentValue());
    const int i = Params(0)->GetValue().AsInteger();
    if (i < 1 || i > s.size())
        throw ERangeError(SRangeError);
    return Variant(QString(s.at(i - 1)));
}

void TkwStringHelper::SetValue(const Variant &Value)
{
    const int i = Params(0)->GetValue().AsInteger();
    const QString v = Value.AsString();
    const QChar ch = v.isEmpty() ? QChar(0) : v.at(0);
    TkwCustomVariable *parent = ParentRef();
    if (auto *sv = dynamic_cast<TkwStringVariable *>(parent)) {
        SetParentValue(Variant());
        sv->SetChar(i, ch);
        return;
    }
    QString s = VarToStr(ParentValue());
    SetParentValue(Variant());
    if (i < 1 || i > s.size())
        throw ERangeError(SRangeError);
    s[i - 1] = ch;
    if (parent)
        parent->SetValue(Variant(s));
}

// ---------------------------------------------------------------------------
// Owned components and events

TkwComponentHelper::TkwComponentHelper(TComponent *AComponent)
    : TkwCustomHelper(AComponent->Name(), fvtClass, AComponent->ClassName())
{
    SetIsReadOnly(true);
}

Variant TkwComponentHelper::GetValue()
{
    auto *owner = dynamic_cast<TComponent *>(RequiredInstance());
    if (!owner)
        throw EInvalidCast(SInvalidCast);
    return kwObjectToVar(owner->FindComponent(Name()));
}

TkwEventHelper::TkwEventHelper(const QString &AName, TkwEventClass AEvent)
    : TkwCustomHelper(AName, fvtVariant, QStringLiteral("Variant")), FEvent(AEvent)
{
}

Variant TkwEventHelper::GetValue()
{
    return Variant();
}

void TkwEventHelper::SetValue(const Variant &Value)
{
    TObject *inst = RequiredInstance();
    PPropInfo prop = GetPropInfo(inst, Name());
    if (!prop || prop->Kind() != tkMethod)
        throw EPropertyError(QStringLiteral("Unknown event property: %1").arg(Name()));
    QString text;
    if (VarType(Value) == varObject)
        text = Value.AsObject() ? QString() : QStringLiteral("0");
    else if (VarIsEmpty(Value) || VarIsNull(Value))
        text = QStringLiteral("0");
    else
        text = VarToStr(Value);
    if (text == QLatin1String("0")) {
        SetMethodProp(inst, prop, TMethod());
        return;
    }
    auto *proc = dynamic_cast<TkwProcVariable *>(Script() ? Script()->Find(text) : nullptr);
    if (!proc)
        throw Exception(SEventError);
    TkwCustomEvent *e = FEvent(inst, proc);
    Script()->Add(QString(), e);
    try {
        e->Install(prop);
    } catch (...) {
        Script()->Remove(e);
        delete e;
        throw;
    }
}

TkwCustomEvent::TkwCustomEvent(TObject *AObject, TkwProcVariable *AHandler) : FHandler(AHandler), FSender(AObject), FSenderSerial(LiveSerial(AObject))
{
    if (FHandler)
        FHandler->FEvents.push_back(this);
}

TkwCustomEvent::~TkwCustomEvent()
{
    Uninstall();
    if (FHandler) {
        auto &list = FHandler->FEvents;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
}

void TkwCustomEvent::Install(PPropInfo Prop)
{
    const TMethod m = GetMethod();
    SetMethodProp(FSender, Prop, m);
    FProp = Prop;
    FInstalled = m;
}

void TkwCustomEvent::Uninstall()
{
    PPropInfo prop = FProp;
    FProp = nullptr;
    if (!prop || !ObjectIsLive(FSender, FSenderSerial))
        return;
    try {
        if (GetMethodProp(FSender, prop) == FInstalled)
            SetMethodProp(FSender, prop, TMethod());
    } catch (const Exception &) {
        // The host refused; it keeps what it has.
    }
}

void TkwCustomEvent::HandlerDestroyed()
{
    Uninstall();
    FHandler = nullptr;
}

void TkwCustomEvent::CallHandler(const QList<Variant> &Params)
{
    FParamsAfter.clear();
    if (!FHandler)
        return;
    // A handler re-entered through its own event is a recursive call.
    TkwCallFrame frame(FHandler);
    const int n = std::min(int(Params.size()), FHandler->Count());
    for (int i = 0; i < n; ++i) {
        const Variant &v = Params[i];
        if (VarType(v) == varObject)
            kwTrackValue(v);
        FHandler->Params(i)->SetValue(v);
    }
    kwScriptMemory([this] { FHandler->GetValue(); });
    QList<Variant> after;
    for (int i = 0; i < FHandler->Count(); ++i)
        after.append(FHandler->Params(i)->GetValue());
    frame.Restore();
    FParamsAfter = after;
}

// ---------------------------------------------------------------------------
// Class entries

TkwClassVariable::TkwClassVariable(TClass AClass, const QString &AAncestor, TkwScript *AScript, const QString &AName)
    : TkwCustomVariable(AName.isEmpty() ? AClass->ClassName() : AName, fvtClass,
                        AName.isEmpty() ? AClass->ClassName() : AName),
      FClassRef(AClass),
      FAncestor(AAncestor), FScript(AScript)
{
    for (PPropInfo prop : AClass->Properties()) {
        if (prop->Kind() == tkMethod)
            continue;
        QString typeName;
        const TkwVarType typ = PropVarType(prop, typeName);
        AddMember(new TkwPropertyHelper(prop, typ, typeName));
    }
}

TkwClassVariable::~TkwClassVariable()
{
    for (int i = FMembers.Count() - 1; i >= 0; --i)
        delete FMembers.Items(i);
    FMembers.Clear();
}

TkwVarType TkwClassVariable::PropVarType(PPropInfo Prop, QString &TypeName)
{
    PTypeInfo t = Prop->PropType();
    TypeName = t->Name();
    switch (t->Kind) {
    case tkInteger:
        return fvtInt;
    case tkChar:
    case tkWChar:
        return fvtChar;
    case tkEnumeration:
        if (TypeName.compare(QLatin1String("Boolean"), Qt::CaseInsensitive) == 0
            || TypeName.compare(QLatin1String("bool"), Qt::CaseInsensitive) == 0)
            return fvtBool;
        return fvtEnum;
    case tkFloat:
        return fvtFloat;
    case tkString:
    case tkLString:
    case tkWString:
        return fvtString;
    case tkSet:
        return fvtEnum;
    case tkClass:
        if (TClass c = GetObjectPropClass(Prop))
            TypeName = c->ClassName();
        return fvtClass;
    case tkVariant:
        return fvtVariant;
    default:
        return fvtInt;
    }
}

void TkwClassVariable::AddMember(TkwCustomHelper *Helper)
{
    Helper->SetClassVar(this);
    Helper->SetScript(FScript);
    FMembers.Add(Helper->Name(), Helper);
}

TkwCustomHelper *TkwClassVariable::Members(int Index) const
{
    return static_cast<TkwCustomHelper *>(FMembers.Items(Index));
}

TkwMethodHelper *TkwClassVariable::AddConstructor(const QString &Syntax, const TkwCallMethodNewEvent &CallEvent)
{
    const QString s = Syntax.trimmed();
    qsizetype p = 0;
    while (p < s.size() && !s.at(p).isSpace())
        ++p;
    return AddMethod(QStringLiteral("function") + s.mid(p) + QStringLiteral(": Constructor"), CallEvent);
}

TkwMethodHelper *TkwClassVariable::AddMethod(const QString &Syntax, const TkwCallMethodNewEvent &CallEvent)
{
    auto *h = new TkwMethodHelper(Syntax, FScript);
    h->SetOnCallNew(CallEvent);
    AddMember(h);
    return h;
}

void TkwClassVariable::AddEvent(const QString &Name, TkwEventClass AEvent)
{
    AddMember(new TkwEventHelper(Name, AEvent));
}

void TkwClassVariable::AddProperty(const QString &Name, const QString &TypeName, const TkwGetValueEvent &GetEvent,
                                   const TkwSetValueEvent &SetEvent)
{
    AddMember(new TkwPropertyHelper(Name, StrToVarType(TypeName, FScript), TypeName, GetEvent, SetEvent));
}

void TkwClassVariable::AddIndexProperty(const QString &Name, const QString &Params, const QString &TypeName,
                                        const TkwCallMethodNewEvent &CallEvent, bool AIsReadOnly)
{
    QStringList parts;
    const QStringList types = Params.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (int i = 0; i < types.size(); ++i)
        parts.append(QStringLiteral("p%1: %2").arg(i).arg(types.at(i).trimmed()));
    QString syntax = QStringLiteral("function ") + Name;
    if (!parts.isEmpty())
        syntax += QLatin1Char('(') + parts.join(QStringLiteral("; ")) + QLatin1Char(')');
    syntax += QStringLiteral(": ") + TypeName;
    TkwMethodHelper *h = AddMethod(syntax, CallEvent);
    h->SetIndexMethod(true);
    h->SetIsReadOnly(AIsReadOnly);
}

void TkwClassVariable::AddDefaultProperty(const QString &Name, const QString &Params, const QString &TypeName,
                                          const TkwCallMethodNewEvent &CallEvent, bool AIsReadOnly)
{
    AddIndexProperty(Name, Params, TypeName, CallEvent, AIsReadOnly);
    FDefProp = FindLocal(Name);
}

void TkwClassVariable::AddComponent(TComponent *AComponent)
{
    if (!AComponent || AComponent->Name().isEmpty() || FindLocal(AComponent->Name()))
        return;
    AddMember(new TkwComponentHelper(AComponent));
}

TkwCustomHelper *TkwClassVariable::FindLocal(const QString &Name) const
{
    const int i = FMembers.Find(Name);
    return i < 0 ? nullptr : Members(i);
}

TkwCustomHelper *TkwClassVariable::Find(const QString &Name) const
{
    const TkwClassVariable *entry = this;
    // Entries name their ancestors; a loop among the names must not hang.
    for (int depth = 0; entry && depth < 64; ++depth) {
        if (TkwCustomHelper *h = entry->FindLocal(Name))
            return h;
        if (entry->FAncestor.isEmpty() || !entry->FScript)
            break;
        const TkwClassVariable *next = entry->FScript->FindClass(entry->FAncestor);
        if (next == entry)
            break;
        entry = next;
    }
    return nullptr;
}
