// Implementation of registration of the class library's basic classes.
#include "kw_iclassesrtti.h"
#include "Collection.h"
#include "CodePages.h"
#include "kw_irttihelpers.h"
#include "kw_ixml.h"
#include <algorithm>
#include <limits>

namespace kw_iclassesrtti {

namespace {

// Stream buffers are 8-bit strings of the system's code page.
QByteArray ToBytes(const Variant &V)
{
    return StringToCodePage(VarToStr(V), CP_ACP);
}

QString FromBytes(const QByteArray &B)
{
    return CodePageToString(B, CP_ACP);
}

Variant Int64Var(qint64 V)
{
    if (V >= std::numeric_limits<int>::min() && V <= std::numeric_limits<int>::max())
        return Variant(int(V));
    return Variant(V);
}

// An item to put under Parent: not nil, and not Parent itself or one of its
// ancestors, which would make the tree a loop.
TkwXMLItem *ChildItem(TkwXMLItem *Parent, TkwXMLItem *Item)
{
    if (!Item)
        throw EInvalidPointer(SNilObject);
    for (TkwXMLItem *p = Parent; p; p = p->Parent())
        if (p == Item)
            throw EInvalidOperation(QStringLiteral("An XML item cannot be put under itself"));
    return Item;
}

// Frees an object on a script's behalf. An object owned by the one it was
// reached through (a document's root, a bitmap's canvas, a control's font)
// would be freed twice; only items that leave their owner's list when freed
// may go.
void FreeObject(TObject *Obj)
{
    if (kwCheckScriptFree(Obj)) {
        kwForgetObject(Obj);
        return;
    }
    if (auto *comp = dynamic_cast<TComponent *>(Obj)) {
        comp->Free();
        return;
    }
    if (kwObjectOwned(Obj)) {
        auto *item = dynamic_cast<TkwXMLItem *>(Obj);
        auto *collItem = dynamic_cast<TCollectionItem *>(Obj);
        if (!(item && item->Parent()) && !(collItem && collItem->Collection()))
            throw EInvalidOperation(QStringLiteral("Cannot free an object owned by another object"));
    }
    kwForgetObject(Obj);
    delete Obj;
}

} // namespace

TFunctions::TFunctions(TkwScript *AScript) : TkwRTTIModule(AScript)
{
    TkwScript *s = AScript;
    const TkwCallMethodNewEvent call(this, &TFunctions::CallMethod);
    const TkwGetValueEvent get(this, &TFunctions::GetProp);
    const TkwSetValueEvent set(this, &TFunctions::SetProp);
    const QString integer = QStringLiteral("Integer");

    s->AddConst(QStringLiteral("fmCreate"), integer, Variant(0xFFFF));
    s->AddConst(QStringLiteral("fmOpenRead"), integer, Variant(0));
    s->AddConst(QStringLiteral("fmOpenWrite"), integer, Variant(1));
    s->AddConst(QStringLiteral("fmOpenReadWrite"), integer, Variant(2));
    s->AddConst(QStringLiteral("fmShareExclusive"), integer, Variant(16));
    s->AddConst(QStringLiteral("fmShareDenyWrite"), integer, Variant(32));
    s->AddConst(QStringLiteral("fmShareDenyNone"), integer, Variant(64));
    s->AddConst(QStringLiteral("soFromBeginning"), integer, Variant(0));
    s->AddConst(QStringLiteral("soFromCurrent"), integer, Variant(1));
    s->AddConst(QStringLiteral("soFromEnd"), integer, Variant(2));

    s->AddEnum(QStringLiteral("TDuplicates"), QStringLiteral("dupIgnore, dupAccept, dupError"));
    s->AddEnum(QStringLiteral("TPrinterOrientation"), QStringLiteral("poPortrait, poLandscape"));

    // A class the host registered already keeps its own members.
    if (TkwClassVariable *c = s->AddClass(TObject::StaticClass(), QString())) {
        c->AddConstructor(QStringLiteral("constructor Create"), call);
        c->AddMethod(QStringLiteral("procedure Free"), call);
        c->AddMethod(QStringLiteral("function ClassName: String"), call);
    }
    if (TkwClassVariable *c = s->AddClass(TPersistent::StaticClass(), QStringLiteral("TObject"))) {
        // The class library's own answer to nil: an error, or an empty value.
        c->AddMethod(QStringLiteral("procedure Assign(Source: TPersistent)"), call)
            ->AllowNil(QStringLiteral("Source"));
    }
    s->AddClass(TCollectionItem::StaticClass(), QStringLiteral("TPersistent"));
    if (TkwClassVariable *c = s->AddClass(TCollection::StaticClass(), QStringLiteral("TPersistent"))) {
        c->AddMethod(QStringLiteral("procedure Clear"), call);
        c->AddProperty(QStringLiteral("Count"), integer, get);
        c->AddDefaultProperty(QStringLiteral("Items"), integer, QStringLiteral("TCollectionItem"), call, true);
    }
    if (TkwClassVariable *c = s->AddClass(TList::StaticClass(), QStringLiteral("TObject"))) {
        c->AddMethod(QStringLiteral("function Add(Item: TObject): Integer"), call)
            ->AllowNil(QStringLiteral("Item"));
        c->AddMethod(QStringLiteral("procedure Clear"), call);
        c->AddMethod(QStringLiteral("procedure Delete(Index: Integer)"), call);
        c->AddMethod(QStringLiteral("function IndexOf(Item: TObject): Integer"), call)
            ->AllowNil(QStringLiteral("Item"));
        c->AddMethod(QStringLiteral("procedure Insert(Index: Integer; Item: TObject)"), call)
            ->AllowNil(QStringLiteral("Item"));
        c->AddMethod(QStringLiteral("function Remove(Item: TObject): Integer"), call)
            ->AllowNil(QStringLiteral("Item"));
        c->AddProperty(QStringLiteral("Count"), integer, get);
        c->AddDefaultProperty(QStringLiteral("Items"), integer, QStringLiteral("TObject"), call);
    }
    if (TkwClassVariable *c = s->AddClass(TStrings::StaticClass(), QStringLiteral("TPersistent"))) {
        c->AddMethod(QStringLiteral("function Add(const S: string): Integer"), call);
        c->AddMethod(QStringLiteral("function AddObject(const S: string; AObject: TObject): Integer"), call)
            ->AllowNil(QStringLiteral("AObject"));
        c->AddMethod(QStringLiteral("procedure Clear"), call);
        c->AddMethod(QStringLiteral("procedure Delete(Index: Integer)"), call);
        c->AddMethod(QStringLiteral("function IndexOf(const S: string): Integer"), call);
        c->AddMethod(QStringLiteral("function IndexOfName(const Name: string): Integer"), call);
        c->AddMethod(QStringLiteral("function IndexOfObject(AObject: TObject): Integer"), call)
            ->AllowNil(QStringLiteral("AObject"));
        c->AddMethod(QStringLiteral("procedure Insert(Index: Integer; const S: string)"), call);
        c->AddMethod(QStringLiteral("procedure InsertObject(Index: Integer; const S: string; AObject: TObject)"),
                     call)
            ->AllowNil(QStringLiteral("AObject"));
        c->AddMethod(QStringLiteral("procedure LoadFromFile(const FileName: string)"), call);
        c->AddMethod(QStringLiteral("procedure LoadFromStream(Stream: TStream)"), call);
        c->AddMethod(QStringLiteral("procedure SaveToFile(const FileName: string)"), call);
        c->AddMethod(QStringLiteral("procedure Move(CurIndex, NewIndex: Integer)"), call);
        c->AddMethod(QStringLiteral("procedure SaveToStream(Stream: TStream)"), call);
        c->AddProperty(QStringLiteral("CommaText"), QStringLiteral("string"), get, set);
        c->AddProperty(QStringLiteral("Count"), integer, get);
        c->AddIndexProperty(QStringLiteral("Names"), integer, QStringLiteral("string"), call, true);
        c->AddIndexProperty(QStringLiteral("Objects"), integer, QStringLiteral("TObject"), call);
        c->AddIndexProperty(QStringLiteral("Values"), QStringLiteral("String"), QStringLiteral("string"), call);
        c->AddDefaultProperty(QStringLiteral("Strings"), integer, QStringLiteral("string"), call);
        c->AddProperty(QStringLiteral("Text"), QStringLiteral("string"), get, set);
    }
    if (TkwClassVariable *c = s->AddClass(TStringList::StaticClass(), QStringLiteral("TStrings"))) {
        c->AddMethod(QStringLiteral("function Find(s: String; var Index: Integer): Boolean"), call);
        c->AddMethod(QStringLiteral("procedure Sort"), call);
        c->AddProperty(QStringLiteral("Duplicates"), QStringLiteral("TDuplicates"), get, set);
        c->AddProperty(QStringLiteral("Sorted"), QStringLiteral("Boolean"), get, set);
    }
    if (TkwClassVariable *c = s->AddClass(TStream::StaticClass(), QStringLiteral("TObject"))) {
        c->AddMethod(QStringLiteral("function Read(var Buffer: string; Count: Longint): Longint"), call);
        c->AddMethod(QStringLiteral("function Write(Buffer: string; Count: Longint): Longint"), call);
        c->AddMethod(QStringLiteral("function Seek(Offset: Longint; Origin: Word): Longint"), call);
        c->AddMethod(QStringLiteral("function CopyFrom(Source: TStream; Count: Longint): Longint"), call);
        c->AddProperty(QStringLiteral("Position"), QStringLiteral("Longint"), get, set);
        c->AddProperty(QStringLiteral("Size"), QStringLiteral("Longint"), get);
    }
    if (TkwClassVariable *c = s->AddClass(TFileStream::StaticClass(), QStringLiteral("TStream")))
        c->AddConstructor(QStringLiteral("constructor Create(Filename: String; Mode: Word)"), call);
    if (TkwClassVariable *c = s->AddClass(TMemoryStream::StaticClass(), QStringLiteral("TStream"))) {
        c->AddMethod(QStringLiteral("procedure Clear"), call);
        c->AddMethod(QStringLiteral("procedure LoadFromStream(Stream: TStream)"), call);
        c->AddMethod(QStringLiteral("procedure LoadFromFile(Filename: String)"), call);
        c->AddMethod(QStringLiteral("procedure SaveToStream(Stream: TStream)"), call);
        c->AddMethod(QStringLiteral("procedure SaveToFile(Filename: String)"), call);
    }
    if (TkwClassVariable *c = s->AddClass(TComponent::StaticClass(), QStringLiteral("TPersistent"))) {
        c->AddConstructor(QStringLiteral("constructor Create(AOwner: TComponent)"), call)
            ->AllowNil(QStringLiteral("AOwner"));
        c->AddProperty(QStringLiteral("Owner"), QStringLiteral("TComponent"), get);
    }
    if (TkwClassVariable *c = s->AddClass(TkwXMLItem::StaticClass(), QStringLiteral("TObject"))) {
        c->AddConstructor(QStringLiteral("constructor Create"), call);
        c->AddMethod(QStringLiteral("procedure AddItem(Item: TkwXMLItem)"), call);
        c->AddMethod(QStringLiteral("procedure Clear"), call);
        c->AddMethod(QStringLiteral("procedure InsertItem(Index: Integer; Item: TkwXMLItem)"), call);
        c->AddMethod(QStringLiteral("function Add: TkwXMLItem"), call);
        c->AddMethod(QStringLiteral("function Find(const Name: String): Integer"), call);
        c->AddMethod(QStringLiteral("function FindItem(const Name: String): TkwXMLItem"), call);
        c->AddMethod(QStringLiteral("function Root: TkwXMLItem"), call);
        c->AddProperty(QStringLiteral("Data"), integer, get, set);
        c->AddProperty(QStringLiteral("Count"), integer, get);
        c->AddDefaultProperty(QStringLiteral("Items"), integer, QStringLiteral("TkwXMLItem"), call, true);
        c->AddIndexProperty(QStringLiteral("Prop"), QStringLiteral("String"), QStringLiteral("String"), call);
        c->AddProperty(QStringLiteral("Name"), QStringLiteral("String"), get, set);
        c->AddProperty(QStringLiteral("Parent"), QStringLiteral("TkwXMLItem"), get);
        c->AddProperty(QStringLiteral("Text"), QStringLiteral("String"), get, set);
    }
    if (TkwClassVariable *c = s->AddClass(TkwXMLDocument::StaticClass(), QStringLiteral("TObject"))) {
        c->AddConstructor(QStringLiteral("constructor Create"), call);
        c->AddMethod(QStringLiteral("procedure SaveToStream(Stream: TStream)"), call);
        c->AddMethod(QStringLiteral("procedure LoadFromStream(Stream: TStream)"), call);
        c->AddMethod(QStringLiteral("procedure SaveToFile(const FileName: String)"), call);
        c->AddMethod(QStringLiteral("procedure LoadFromFile(const FileName: String)"), call);
        c->AddProperty(QStringLiteral("Root"), QStringLiteral("TkwXMLItem"), get);
    }
}

Variant TFunctions::CallMethod(TObject *Instance, TClass ClassType, const QString &MethodName,
                               TkwMethodHelper *Caller)
{
    Variant r(0);
    const QString &m = MethodName;
    auto p = [Caller](int I) { return Caller->GetParam(I); };
    auto is = [&m](const char *Name) { return m == QLatin1String(Name); };

    if (ClassType == TObject::StaticClass()) {
        if (is("CREATE")) {
            TClass cls = Caller->NamedClass() ? Caller->NamedClass() : TObject::StaticClass();
            r = kwObjectToVar(cls->Create(nullptr));
        } else if (is("FREE")) {
            FreeObject(Instance);
        } else if (is("CLASSNAME")) {
            r = Variant(Instance->ClassName());
        }
    } else if (ClassType == TPersistent::StaticClass()) {
        if (is("ASSIGN")) {
            // An object's Assign may replace what it holds.
            kwCheckScriptClear(Instance);
            static_cast<TPersistent *>(Instance)->Assign(kwParamObjectOrNil<TPersistent>(Caller, 0));
        }
    } else if (ClassType == TCollection::StaticClass()) {
        auto *c = static_cast<TCollection *>(Instance);
        if (is("CLEAR"))
            c->Clear();
        else if (is("ITEMS.GET"))
            r = kwObjectToVar(c->Items(p(0).AsInteger()), c);
    } else if (ClassType == TList::StaticClass()) {
        auto *l = static_cast<TList *>(Instance);
        if (is("ADD") || is("CLEAR") || is("DELETE") || is("INSERT") || is("REMOVE") || is("ITEMS.SET"))
            kwCheckScriptFree(l);
        if (is("ADD"))
            r = Variant(l->Add(kwVarToObject(p(0))));
        else if (is("CLEAR"))
            l->Clear();
        else if (is("DELETE"))
            l->Delete(p(0).AsInteger());
        else if (is("INDEXOF"))
            r = Variant(l->IndexOf(kwVarToObject(p(0))));
        else if (is("INSERT"))
            l->Insert(p(0).AsInteger(), kwVarToObject(p(1)));
        else if (is("REMOVE"))
            r = Variant(l->Remove(kwVarToObject(p(0))));
        else if (is("ITEMS.GET"))
            r = kwObjectRefToVar(l->ItemRef(p(0).AsInteger()));
        else if (is("ITEMS.SET"))
            l->SetItems(p(0).AsInteger(), kwVarToObject(p(1)));
    } else if (ClassType == TStrings::StaticClass()) {
        auto *l = static_cast<TStrings *>(Instance);
        if (is("ADD"))
            r = Variant(l->Add(VarToStr(p(0))));
        else if (is("ADDOBJECT"))
            r = Variant(l->AddObject(VarToStr(p(0)), kwVarToObject(p(1))));
        else if (is("CLEAR"))
            l->Clear();
        else if (is("DELETE"))
            l->Delete(p(0).AsInteger());
        else if (is("INDEXOF"))
            r = Variant(l->IndexOf(VarToStr(p(0))));
        else if (is("INDEXOFNAME"))
            r = Variant(l->IndexOfName(VarToStr(p(0))));
        else if (is("INDEXOFOBJECT"))
            r = Variant(l->IndexOfObject(kwVarToObject(p(0))));
        else if (is("INSERT"))
            l->Insert(p(0).AsInteger(), VarToStr(p(1)));
        else if (is("INSERTOBJECT"))
            l->InsertObject(p(0).AsInteger(), VarToStr(p(1)), kwVarToObject(p(2)));
        else if (is("LOADFROMFILE"))
            l->LoadFromFile(VarToStr(p(0)));
        else if (is("LOADFROMSTREAM"))
            l->LoadFromStream(kwParamObject<TStream>(Caller, 0));
        else if (is("MOVE"))
            l->Move(p(0).AsInteger(), p(1).AsInteger());
        else if (is("SAVETOFILE"))
            l->SaveToFile(VarToStr(p(0)));
        else if (is("SAVETOSTREAM"))
            l->SaveToStream(kwParamObject<TStream>(Caller, 0));
        else if (is("NAMES.GET"))
            r = Variant(l->Names(p(0).AsInteger()));
        else if (is("OBJECTS.GET"))
            r = kwObjectRefToVar(l->ObjectRef(p(0).AsInteger()));
        else if (is("OBJECTS.SET"))
            l->SetObjects(p(0).AsInteger(), kwVarToObject(p(1)));
        else if (is("VALUES.GET"))
            r = Variant(l->Values(VarToStr(p(0))));
        else if (is("VALUES.SET"))
            l->SetValues(VarToStr(p(0)), VarToStr(p(1)));
        else if (is("STRINGS.GET"))
            r = Variant(l->Strings(p(0).AsInteger()));
        else if (is("STRINGS.SET"))
            l->SetStrings(p(0).AsInteger(), VarToStr(p(1)));
    } else if (ClassType == TStringList::StaticClass()) {
        auto *l = static_cast<TStringList *>(Instance);
        if (is("FIND")) {
            int index = 0;
            const bool found = l->Find(VarToStr(p(0)), index);
            Caller->SetParam(1, Variant(index));
            r = Variant(found);
        } else if (is("SORT")) {
            l->Sort();
        }
    } else if (ClassType == TStream::StaticClass()) {
        auto *st = static_cast<TStream *>(Instance);
        if (is("READ")) {
            const qint64 count = std::max<qint64>(0, p(1).AsInt64());
            QByteArray buf(count, '\0');
            const qint64 n = st->Read(buf.data(), count);
            buf.truncate(n);
            Caller->SetParam(0, Variant(FromBytes(buf)));
            r = Int64Var(n);
        } else if (is("WRITE")) {
            // Never more than the string holds.
            const QByteArray buf = ToBytes(p(0));
            const qint64 count = std::clamp<qint64>(p(1).AsInt64(), 0, buf.size());
            r = Int64Var(st->Write(buf.constData(), count));
        } else if (is("SEEK")) {
            r = Int64Var(st->Seek(p(0).AsInt64(), TSeekOrigin(p(1).AsInteger())));
        } else if (is("COPYFROM")) {
            r = Variant(st->CopyFrom(kwParamObject<TStream>(Caller, 0), p(1).AsInt64()));
        }
    } else if (ClassType == TFileStream::StaticClass()) {
        if (is("CREATE"))
            r = kwObjectToVar(new TFileStream(VarToStr(p(0)), quint16(p(1).AsInteger())));
    } else if (ClassType == TMemoryStream::StaticClass()) {
        auto *st = static_cast<TMemoryStream *>(Instance);
        if (is("CLEAR"))
            st->Clear();
        else
            kwCallLoadSave(st, m, Caller);
    } else if (ClassType == TComponent::StaticClass()) {
        if (is("CREATE")) {
            // The virtual constructor of the class the script named, so a
            // form or control is made as itself.
            TClass cls = Caller->NamedClass() ? Caller->NamedClass() : TComponent::StaticClass();
            if (!cls->InheritsFrom(TComponent::StaticClass()))
                throw EInvalidCast(SInvalidCast);
            r = kwObjectToVar(cls->Create(kwParamObjectOrNil<TComponent>(Caller, 0)));
        }
    } else if (ClassType == TkwXMLItem::StaticClass()) {
        auto *x = static_cast<TkwXMLItem *>(Instance);
        if (is("CREATE")) {
            r = kwObjectToVar(new TkwXMLItem);
        } else if (is("ADDITEM")) {
            x->AddItem(ChildItem(x, kwParamObject<TkwXMLItem>(Caller, 0)));
        } else if (is("CLEAR")) {
            x->Clear();
        } else if (is("INSERTITEM")) {
            TkwXMLItem *item = ChildItem(x, kwParamObject<TkwXMLItem>(Caller, 1));
            const int index = p(0).AsInteger();
            kwCheckIndex(index, x->Count() + (item->Parent() != x ? 1 : 0));
            x->InsertItem(index, item);
        } else if (is("ADD")) {
            r = kwObjectToVar(x->Add(), x);
        } else if (is("FIND")) {
            r = Variant(x->Find(VarToStr(p(0))));
        } else if (is("FINDITEM")) {
            r = kwObjectToVar(x->FindItem(VarToStr(p(0))), x);
        } else if (is("ROOT")) {
            r = kwObjectToVar(x->Root(), x);
        } else if (is("ITEMS.GET")) {
            const int index = p(0).AsInteger();
            kwCheckIndex(index, x->Count());
            r = kwObjectToVar(x->Items(index), x);
        } else if (is("PROP.GET")) {
            r = Variant(x->Prop(VarToStr(p(0))));
        } else if (is("PROP.SET")) {
            x->SetProp(VarToStr(p(0)), VarToStr(p(1)));
        }
    } else if (ClassType == TkwXMLDocument::StaticClass()) {
        auto *d = static_cast<TkwXMLDocument *>(Instance);
        if (is("CREATE"))
            r = kwObjectToVar(new TkwXMLDocument);
        else
            kwCallLoadSave(d, m, Caller);
    }
    return r;
}

Variant TFunctions::GetProp(TObject *Instance, TClass ClassType, const QString &PropName)
{
    Variant r(0);
    const QString &n = PropName;
    auto is = [&n](const char *Name) { return n == QLatin1String(Name); };
    if (ClassType == TCollection::StaticClass()) {
        if (is("COUNT"))
            r = Variant(static_cast<TCollection *>(Instance)->Count());
    } else if (ClassType == TList::StaticClass()) {
        if (is("COUNT"))
            r = Variant(static_cast<TList *>(Instance)->Count());
    } else if (ClassType == TStrings::StaticClass()) {
        auto *l = static_cast<TStrings *>(Instance);
        if (is("COMMATEXT"))
            r = Variant(l->CommaText());
        else if (is("COUNT"))
            r = Variant(l->Count());
        else if (is("TEXT"))
            r = Variant(l->Text());
    } else if (ClassType == TStringList::StaticClass()) {
        auto *l = static_cast<TStringList *>(Instance);
        if (is("DUPLICATES"))
            r = Variant(int(l->Duplicates()));
        else if (is("SORTED"))
            r = Variant(l->Sorted());
    } else if (ClassType == TStream::StaticClass()) {
        auto *st = static_cast<TStream *>(Instance);
        if (is("POSITION"))
            r = Variant(st->Position());
        else if (is("SIZE"))
            r = Variant(st->Size());
    } else if (ClassType == TComponent::StaticClass()) {
        if (is("OWNER"))
            r = kwObjectToVar(static_cast<TComponent *>(Instance)->Owner());
    } else if (ClassType == TkwXMLItem::StaticClass()) {
        auto *x = static_cast<TkwXMLItem *>(Instance);
        if (is("DATA"))
            r = Int64Var(qint64(reinterpret_cast<qintptr>(x->Data())));
        else if (is("COUNT"))
            r = Variant(x->Count());
        else if (is("NAME"))
            r = Variant(x->Name());
        else if (is("PARENT"))
            r = kwObjectToVar(x->Parent(), x);
        else if (is("TEXT"))
            r = Variant(x->Text());
    } else if (ClassType == TkwXMLDocument::StaticClass()) {
        if (is("ROOT"))
            r = kwObjectToVar(static_cast<TkwXMLDocument *>(Instance)->Root(), Instance);
    }
    return r;
}

void TFunctions::SetProp(TObject *Instance, TClass ClassType, const QString &PropName, const Variant &Value)
{
    const QString &n = PropName;
    auto is = [&n](const char *Name) { return n == QLatin1String(Name); };
    if (ClassType == TStrings::StaticClass()) {
        auto *l = static_cast<TStrings *>(Instance);
        if (is("COMMATEXT"))
            l->SetCommaText(VarToStr(Value));
        else if (is("TEXT"))
            l->SetText(VarToStr(Value));
    } else if (ClassType == TStringList::StaticClass()) {
        auto *l = static_cast<TStringList *>(Instance);
        if (is("DUPLICATES"))
            l->SetDuplicates(kwEnumValue(Value.AsInteger(), dupError));
        else if (is("SORTED"))
            l->SetSorted(Value.AsBoolean());
    } else if (ClassType == TStream::StaticClass()) {
        if (is("POSITION"))
            static_cast<TStream *>(Instance)->SetPosition(Value.AsInt64());
    } else if (ClassType == TkwXMLItem::StaticClass()) {
        auto *x = static_cast<TkwXMLItem *>(Instance);
        if (is("DATA"))
            x->SetData(reinterpret_cast<void *>(qintptr(Value.AsInt64())));
        else if (is("NAME"))
            x->SetName(VarToStr(Value));
        else if (is("TEXT"))
            x->SetText(VarToStr(Value));
    }
}

} // namespace kw_iclassesrtti

void kwRegisterClassesRTTI()
{
    kwAddRTTIModule(&kwNewModule<kw_iclassesrtti::TFunctions>);
}

void kwUnregisterClassesRTTI()
{
    kwRemoveRTTIModule(&kwNewModule<kw_iclassesrtti::TFunctions>);
}
