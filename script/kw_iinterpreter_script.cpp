// TkwScript as a name space: items by name through the Parent chain,
// clearing, registration modules, host registration and calls into a script.
#include "kw_iinterpreter.h"
#include <memory>

STATION_PUBLISHED(TkwScript)
{
    P.Prop("Lines", &TkwScript::Lines, &TkwScript::SetLines);
    P.Prop("SyntaxType", &TkwScript::SyntaxType, &TkwScript::SetSyntaxType);
    P.Prop("OnGetILUnit", &TkwScript::OnGetILUnit, &TkwScript::SetOnGetILUnit);
    P.Prop("OnGetUnit", &TkwScript::OnGetUnit, &TkwScript::SetOnGetUnit);
    P.Prop("OnRunLine", &TkwScript::OnRunLine, &TkwScript::SetOnRunLine);
    P.Prop("OnGetVarValue", &TkwScript::OnGetVarValue, &TkwScript::SetOnGetVarValue);
}

TkwScript::TkwScript(TComponent *AOwner)
    : TComponent(AOwner), FLines(std::make_unique<TStringList>()),
      FStatement(std::make_unique<TkwStatement>(this, QString(), QString()))
{
}

TkwScript::~TkwScript()
{
    SetOnRunLine(TkwRunLineEvent());
    Clear();
    ClearRTTI();
    FItems.Clear();
    SetParent(nullptr);
}

void TkwScript::SetLines(TStrings *Value)
{
    FLines->Assign(Value);
}

// ---------------------------------------------------------------------------
// Name space

void TkwScript::Add(const QString &Name, TObject *Item)
{
    if (auto *v = dynamic_cast<TkwCustomVariable *>(Item))
        v->SetAddedBy(FAddedBy);
    FItems.Add(Name, Item);
}

TObject *TkwScript::Items(int Index) const
{
    if (Index < 0 || Index >= FItems.Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return FItems.Items(Index);
}

void TkwScript::Remove(TObject *Item)
{
    const int i = FItems.IndexOf(Item);
    if (i >= 0)
        FItems.Delete(i);
}

TkwCustomVariable *TkwScript::FindLocal(const QString &Name) const
{
    const int i = FItems.Find(Name);
    return i < 0 ? nullptr : dynamic_cast<TkwCustomVariable *>(FItems.Items(i));
}

TkwCustomVariable *TkwScript::Find(const QString &Name) const
{
    for (const TkwScript *s = this; s; s = s->FParent)
        if (TkwCustomVariable *v = s->FindLocal(Name))
            return v;
    return nullptr;
}

TkwClassVariable *TkwScript::FindClass(const QString &Name) const
{
    return dynamic_cast<TkwClassVariable *>(Find(Name));
}

void TkwScript::SetVariable(const QString &Name, const Variant &Value)
{
    if (VarType(Value) == varObject)
        kwTrackValue(Value);
    if (TkwCustomVariable *v = Find(Name))
        v->SetValue(Value);
    else
        AddVariable(Name, QStringLiteral("Variant"), Value);
}

void TkwScript::FreeItems(bool (*Match)(TObject *Item, TObject *Owner), TObject *Owner)
{
    // Out of the list first, then freed, last first: an item's destructor may
    // reach other items.
    std::vector<TObject *> doomed;
    for (int i = FItems.Count() - 1; i >= 0; --i) {
        TObject *item = FItems.Items(i);
        if (Match(item, Owner)) {
            doomed.push_back(item);
            FItems.Delete(i);
        }
    }
    for (TObject *item : doomed)
        delete item;
}

static bool IsRegistration(TObject *Item)
{
    if (dynamic_cast<TkwRTTIModule *>(Item))
        return true;
    auto *v = dynamic_cast<TkwCustomVariable *>(Item);
    return v && v->AddedBy() == kwRTTIStamp();
}

void TkwScript::ClearOwnedObjects()
{
    std::vector<TObject *> objects;
    objects.swap(FOwnedObjects);
    for (TObject *o : objects)
        delete o;
}

void TkwScript::Clear()
{
    FStatement->Clear();
    FCodeLines.clear();
    ClearOwnedObjects();
    FreeItems([](TObject *Item, TObject *) { return !IsRegistration(Item); }, nullptr);
    SetErrorMessage(QString());
    SetErrorPosition(QString());
    SetErrorUnit(QString());
}

void TkwScript::ClearItems(TObject *Owner)
{
    FStatement->Clear();
    ClearOwnedObjects();
    RemoveItems(Owner);
}

void TkwScript::RemoveItems(TObject *Owner)
{
    FreeItems(
        [](TObject *Item, TObject *AOwner) {
            auto *v = dynamic_cast<TkwCustomVariable *>(Item);
            return v && v->AddedBy() == AOwner;
        },
        Owner);
}

void TkwScript::AddRTTI()
{
    if (FRTTIAdded)
        return;
    FRTTIAdded = true;
    TObject *const saved = FAddedBy;
    FAddedBy = kwRTTIStamp();
    struct TRestore
    {
        TObject *&Field;
        TObject *Saved;
        ~TRestore() { Field = Saved; }
    } restore{FAddedBy, saved};
    const QList<TkwRTTIModuleClass> modules = kwRTTIModules();
    for (TkwRTTIModuleClass cls : modules) {
        std::unique_ptr<TkwRTTIModule> m(cls(this));
        Add(QString(), m.get());
        m.release();
    }
}

void TkwScript::ClearRTTI()
{
    FreeItems([](TObject *Item, TObject *) { return IsRegistration(Item); }, nullptr);
    FRTTIAdded = false;
}

void TkwScript::AddOwnedObject(TObject *AObject)
{
    if (AObject)
        FOwnedObjects.push_back(AObject);
}

void TkwScript::SetParent(TkwScript *Value)
{
    for (const TkwScript *p = Value; p; p = p->FParent)
        if (p == this)
            throw EInvalidOperation(QStringLiteral("A script cannot be its own parent"));
    if (FParent == Value)
        return;
    if (FParent)
        RemoveFreeNotification(FParent);
    FParent = Value;
    if (FParent)
        FreeNotification(FParent);
}

void TkwScript::Notification(TComponent *AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent && AComponent == FParent)
        FParent = nullptr;
}

// ---------------------------------------------------------------------------
// Registration

void TkwScript::AddType(const QString &TypeName, TkwVarType Typ)
{
    if (Find(TypeName))
        return;
    Add(TypeName, new TkwTypeVariable(TypeName, Typ));
}

TkwClassVariable *TkwScript::AddClass(TClass AClass, const QString &Ancestor, const QString &Name)
{
    if (!AClass || Find(Name.isEmpty() ? AClass->ClassName() : Name))
        return nullptr;
    auto *cls = new TkwClassVariable(AClass, Ancestor, this, Name);
    if (TkwClassVariable *anc = FindClass(Ancestor))
        cls->SetDefProp(anc->DefProp());
    Add(cls->Name(), cls);
    return cls;
}

void TkwScript::AddConst(const QString &Name, const QString &Typ, const Variant &Value)
{
    if (Find(Name))
        return;
    if (VarType(Value) == varObject)
        kwTrackValue(Value);
    auto v = std::make_unique<TkwVariable>(Name, StrToVarType(Typ, this), Typ);
    v->SetValue(Value);
    v->SetIsReadOnly(true);
    Add(Name, v.release());
}

void TkwScript::AddEnum(const QString &Typ, const QString &Names)
{
    Add(Typ, new TkwVariable(Typ, fvtEnum, Typ));
    const QStringList list = Names.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (int i = 0; i < list.size(); ++i) {
        const QString name = list.at(i).trimmed();
        auto *c = new TkwVariable(name, fvtEnum, Typ);
        c->StoreValue(Variant(i));
        c->SetIsReadOnly(true);
        Add(name, c);
    }
}

void TkwScript::AddEnumSet(const QString &Typ, const QString &Names)
{
    Add(Typ, new TkwVariable(Typ, fvtEnum, Typ));
    const QStringList list = Names.split(QLatin1Char(','), Qt::SkipEmptyParts);
    // Sets cross as integers of their member bits, 32 at most.
    for (int i = 0; i < list.size() && i < 32; ++i) {
        const QString name = list.at(i).trimmed();
        auto *c = new TkwVariable(name, fvtEnum, Typ);
        const qint64 bit = qint64(1) << i;
        c->StoreValue(i < 31 ? Variant(int(bit)) : Variant(bit));
        c->SetIsReadOnly(true);
        Add(name, c);
    }
}

void TkwScript::AddVariable(const QString &Name, const QString &Typ, const Variant &Value)
{
    if (Find(Name))
        return;
    if (VarType(Value) == varObject)
        kwTrackValue(Value);
    auto v = std::make_unique<TkwVariable>(Name, StrToVarType(Typ, this), Typ);
    v->SetOnGetVarValue(FOnGetVarValue);
    v->SetValue(Value);
    Add(Name, v.release());
}

void TkwScript::AddObject(const QString &Name, TObject *AObject)
{
    AddVariable(Name, AObject ? AObject->ClassName() : QStringLiteral("TObject"), kwObjectToVar(AObject));
}

TkwMethodHelper *TkwScript::AddMethod(const QString &Syntax, const TkwCallMethodNewEvent &CallEvent,
                                      const QString &Category, const QString &Description)
{
    auto h = std::make_unique<TkwMethodHelper>(Syntax, this);
    h->SetOnCallNew(CallEvent);
    h->SetCategory(Category);
    h->SetDescription(Description.isEmpty() ? h->Name() : Description);
    const QString name = h->Name();
    Add(name, h.get());
    return h.release();
}

TkwMethodHelper *TkwScript::AddMethodParams(const QString &Syntax, const TkwCallMethodEvent &CallEvent,
                                            const QString &Category, const QString &Description)
{
    auto h = std::make_unique<TkwMethodHelper>(Syntax, this);
    h->SetOnCall(CallEvent);
    h->SetCategory(Category);
    h->SetDescription(Description.isEmpty() ? h->Name() : Description);
    const QString name = h->Name();
    Add(name, h.get());
    return h.release();
}

void TkwScript::AddFormComponents(TComponent *Form)
{
    if (!Form)
        return;
    TkwClassVariable *cls = FindClass(Form->ClassName());
    if (!cls) {
        QString ancestor;
        for (TClass c = Form->ClassType(); c && ancestor.isEmpty(); c = c->ClassParent()) {
            const QString &n = c->ClassName();
            if (n == QLatin1String("TForm") || n == QLatin1String("TDataModule") || n == QLatin1String("TFrame"))
                ancestor = n;
        }
        if (ancestor.isEmpty())
            return;
        cls = AddClass(Form->ClassType(), ancestor);
        if (!cls)
            return;
    }
    for (int i = 0; i < Form->ComponentCount(); ++i)
        cls->AddComponent(Form->Components(i));
    AddObject(Form->Name(), Form);
}

void TkwScript::AddForm(TComponent *Form)
{
    AddFormComponents(Form);
}

void TkwScript::AddComponent(TComponent *Form)
{
    AddFormComponents(Form);
}

// ---------------------------------------------------------------------------
// Calls from the host

Variant TkwScript::Call(const QString &Name, Variant &Params, bool ByRef)
{
    auto *proc = dynamic_cast<TkwProcVariable *>(FindLocal(Name));
    if (!proc)
        return Null();
    int lo = 0, n = 0;
    if (VarIsArray(Params)) {
        if (VarArrayDimCount(Params) != 1)
            throw EVariantError(QStringLiteral("Arguments must be a one-dimensional array"));
        lo = VarArrayLowBound(Params, 1);
        n = VarArrayHighBound(Params, 1) - lo + 1;
    } else if (!VarIsEmpty(Params) && !VarIsNull(Params)) {
        throw EVariantError(QStringLiteral("Arguments must be a variant array"));
    }
    // A routine the script is running (the host called back into it) is a
    // recursive call.
    TkwCallFrame frame(proc);
    const TkwRunningScript running(this);
    // Parameters without an argument get their default (or nothing), never
    // what a previous call left in them.
    for (int i = 0; i < proc->Count(); ++i) {
        TkwParamItem *p = proc->Params(i);
        if (i < n) {
            const Variant v = VarArrayGet(Params, {lo + i});
            if (VarType(v) == varObject)
                kwTrackValue(v);
            p->SetValue(v);
        } else {
            p->SetValue(p->DefValue());
        }
    }
    const Variant r = kwScriptMemory([proc] { return proc->GetValue(); });
    QList<Variant> after;
    if (ByRef)
        for (int i = 0; i < n && i < proc->Count(); ++i)
            after.append(proc->Params(i)->GetValue());
    frame.Restore();
    for (int i = 0; i < after.size(); ++i)
        VarArrayPut(Params, after[i], {lo + i});
    return r;
}

Variant TkwScript::CallFunction(const QString &Name, const Variant &Params)
{
    Variant p = Params;
    return Call(Name, p, false);
}

Variant TkwScript::CallFunctionByRef(const QString &Name, Variant &Params)
{
    return Call(Name, Params, true);
}

void TkwScript::SetOnRunLine(TkwRunLineEvent Value)
{
    if (FOnRunLine.Assigned() != Value.Assigned())
        FRunLineHandlers.fetch_add(Value.Assigned() ? 1 : -1, std::memory_order_relaxed);
    FOnRunLine = Value;
}

void TkwScript::CallRunLine(const QString &UnitName, const QString &SourcePos)
{
    for (TkwScript *s = this; s; s = s->FParent)
        if (s->FOnRunLine.Assigned()) {
            s->FOnRunLine(s, UnitName, SourcePos);
            return;
        }
}

bool TkwScript::DoGetUnit(const QString &UnitName, QString &UnitText)
{
    if (!FOnGetUnit.Assigned())
        return false;
    FOnGetUnit(this, UnitName, UnitText);
    return true;
}
