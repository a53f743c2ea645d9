// The builder: turns the language-neutral program tree into the items and
// statements of a script. Every semantic check of the compiler happens here;
// the first failing one raises, and its message with the position of the
// element being built becomes the script's compile error.
#include "kw_iconst.h"
#include "kw_iilparser.h"
#include "kw_istatements.h"

namespace {

QString Quoted(const QString &S)
{
    return QLatin1Char('\'') + S + QLatin1Char('\'');
}

QString Lower(const QString &S)
{
    return S.toLower();
}

// The line of a position text (the part before the colon).
int PosLine(const QString &Pos)
{
    return StrToPos(Pos).Y;
}

enum TkwDesignatorMode { dmNormal, dmCreate, dmRelease };

class TkwBuilder
{
public:
    TkwBuilder(TkwILParser *AParser, TkwScript *AScript)
        : FParser(AParser), FScript(AScript), FNeedDeclareVars(AParser->NeedDeclareVars())
    {
    }
    // A builder for a designator kept unresolved until the script runs.
    TkwBuilder(TkwScript *AScript, bool ANeedDeclareVars)
        : FParser(nullptr), FScript(AScript), FNeedDeclareVars(ANeedDeclareVars)
    {
    }

    void Build(TkwXMLItem *E, TkwScript *Prog);
    const QString &ErrorPos() const { return FErrorPos; }
    std::unique_ptr<TkwDesignator> BuildDesignator(TkwXMLItem *E, TkwScript *Prog, TkwDesignatorMode Mode);

private:
    struct TWith
    {
        QString Name;
        TkwCustomVariable *Var;
    };

    void Enter(TkwXMLItem *E) { FErrorPos = E->Prop(QStringLiteral("pos")); }
    [[noreturn]] void Fail(const QString &Message) { throw Exception(Message); }

    void DeclareRoutines(TkwXMLItem *E, TkwScript *Prog);
    TkwProcVariable *DeclareRoutine(TkwXMLItem *E, TkwScript *Prog);
    void BuildStatements(TkwXMLItem *E, TkwScript *Prog, TkwStatement *List);
    void BuildStatement(TkwXMLItem *E, TkwScript *Prog, TkwStatement *List);

    void ResolveType(const QString &Name, TkwScript *Prog, TkwVarType &Typ, QString &TypeName);
    QString MapType(const QString &Name) const;
    TkwCustomVariable *FindOrDeclare(const QString &Name, TkwScript *Prog);
    TkwVariable *NewVariable(const QString &Name, TkwVarType Typ, const QString &TypeName);
    void CheckAssign(TkwCustomVariable *Target, TkwCustomVariable *Value);

    void BuildVar(TkwXMLItem *E, TkwScript *Prog, TkwStatement *List, TkwProcVariable *Routine, bool VarParams);
    void BuildConst(TkwXMLItem *E, TkwScript *Prog);
    std::unique_ptr<TkwExpression> BuildExpr(TkwXMLItem *E, TkwScript *Prog);
    void AddExprChildren(TkwXMLItem *E, TkwExpression *Ex, TkwScript *Prog);
    std::unique_ptr<TkwSetExpression> BuildSet(TkwXMLItem *E, TkwScript *Prog);
    void ResolveFirst(TkwDesignator *D, const QString &Name, TkwScript *Prog, TkwDesignatorMode Mode);
    // False when the member is unknown and may be left to run time.
    bool ResolveMember(TkwDesignator *D, const QString &Name, int ArgCount, TkwScript *Prog);
    QString UnitName() const { return FParser ? FParser->UnitName() : QString(); }
    QString SourceText(TkwXMLItem *E) const;

    template<class T>
    std::unique_ptr<T> NewStmt(TkwXMLItem *E, TkwScript *Prog)
    {
        Enter(E);
        auto s = std::make_unique<T>(Prog, UnitName(), FErrorPos);
        FScript->AddCodeLine(UnitName(), PosLine(FErrorPos));
        return s;
    }

    void BuildAssign(TkwXMLItem *E, TkwScript *Prog, TkwStatement *List);
    void BuildCall(TkwXMLItem *E, TkwScript *Prog, TkwStatement *List);
    void BuildFor(TkwXMLItem *E, TkwScript *Prog, TkwStatement *List, bool Basic);
    void BuildCppFor(TkwXMLItem *E, TkwScript *Prog, TkwStatement *List);
    void BuildWith(TkwXMLItem *E, TkwScript *Prog, TkwStatement *List);
    void BuildUses(TkwXMLItem *E, TkwScript *Prog);

    TkwILParser *FParser;
    TkwScript *FScript;
    bool FNeedDeclareVars;
    TkwXMLItem *FCurrentRoot = nullptr;
    QString FErrorPos;
    std::vector<TWith> FWith;
};

void TkwBuilder::Build(TkwXMLItem *E, TkwScript *Prog)
{
    TkwXMLItem *savedRoot = FCurrentRoot;
    if (Lower(E->Name()) == QLatin1String("program"))
        FCurrentRoot = E;
    DeclareRoutines(E, Prog);
    BuildStatements(E, Prog, Prog->Statement());
    FCurrentRoot = savedRoot;
}

void TkwBuilder::DeclareRoutines(TkwXMLItem *E, TkwScript *Prog)
{
    for (int i = 0; i < E->Count(); ++i) {
        TkwXMLItem *c = E->Items(i);
        const QString n = Lower(c->Name());
        if (n == QLatin1String("procedure") || n == QLatin1String("function"))
            DeclareRoutine(c, Prog);
        else if (n == QLatin1String("compoundstmt"))
            DeclareRoutines(c, Prog);
    }
}

TkwProcVariable *TkwBuilder::DeclareRoutine(TkwXMLItem *E, TkwScript *Prog)
{
    Enter(E);
    bool isFunc = Lower(E->Name()) == QLatin1String("function");
    QString name, typeText;
    for (int i = 0; i < E->Count(); ++i) {
        TkwXMLItem *c = E->Items(i);
        const QString n = Lower(c->Name());
        if (n == QLatin1String("name"))
            name = c->Prop(QStringLiteral("text"));
        else if (n == QLatin1String("type"))
            typeText = c->Prop(QStringLiteral("text"));
    }
    if (Prog->FindLocal(name))
        Fail(SIdRedeclared + Quoted(name));
    if (isFunc && Lower(typeText) == QLatin1String("void"))
        isFunc = false;
    TkwVarType typ = fvtVariant;
    QString typeName = QStringLiteral("Variant");
    if (isFunc)
        ResolveType(typeText, Prog, typ, typeName);
    auto *proc = new TkwProcVariable(name, typ, typeName, Prog, isFunc);
    Prog->Add(name, proc);
    proc->Program()->SetKeepUnresolved(Prog->KeepUnresolved());
    E->SetData(proc);
    for (int i = 0; i < E->Count(); ++i) {
        TkwXMLItem *c = E->Items(i);
        if (Lower(c->Name()) != QLatin1String("parameters"))
            continue;
        bool varParams = false;
        for (int j = 0; j < c->Count(); ++j) {
            TkwXMLItem *p = c->Items(j);
            const QString n = Lower(p->Name());
            if (n == QLatin1String("varparams")) {
                varParams = true;
            } else if (n == QLatin1String("var")) {
                BuildVar(p, proc->Program(), nullptr, proc, varParams);
                varParams = false;
            }
        }
    }
    return proc;
}

void TkwBuilder::BuildStatements(TkwXMLItem *E, TkwScript *Prog, TkwStatement *List)
{
    for (int i = 0; i < E->Count(); ++i)
        BuildStatement(E->Items(i), Prog, List);
}

QString TkwBuilder::MapType(const QString &Name) const
{
    auto lookup = [&Name](TkwXMLItem *Root) -> QString {
        if (!Root)
            return QString();
        const int t = Root->Find(QStringLiteral("types"));
        if (t < 0)
            return QString();
        TkwXMLItem *types = Root->Items(t);
        const int i = types->Find(Name);
        return i < 0 ? QString() : types->Items(i)->Prop(QStringLiteral("type"));
    };
    QString r = lookup(FCurrentRoot);
    if (r.isEmpty() && FParser && FParser->LanguageDocument())
        r = lookup(FParser->LanguageDocument()->Root());
    return r.isEmpty() ? Name : r;
}

void TkwBuilder::ResolveType(const QString &Name, TkwScript *Prog, TkwVarType &Typ, QString &TypeName)
{
    if (Name.isEmpty()) {
        Typ = fvtVariant;
        TypeName = QStringLiteral("Variant");
        return;
    }
    const QString n = MapType(Name);
    Typ = StrToVarType(n, Prog);
    TypeName = n;
    if (Typ == fvtClass) {
        TkwClassVariable *cls = Prog->FindClass(n);
        if (!cls)
            Fail(SUnknownType + Quoted(n));
        TypeName = cls->Name();
    } else if (TkwCustomVariable *v = Prog->Find(n)) {
        TypeName = v->TypeName().isEmpty() ? v->Name() : v->TypeName();
    }
}

TkwVariable *TkwBuilder::NewVariable(const QString &Name, TkwVarType Typ, const QString &TypeName)
{
    TkwVariable *v = (Typ == fvtChar || Typ == fvtString) ? new TkwStringVariable(Name, Typ, TypeName)
                                                          : new TkwVariable(Name, Typ, TypeName);
    switch (Typ) {
    case fvtInt:
    case fvtFloat:
        v->SetValue(Variant(0));
        break;
    case fvtClass:
        v->StoreValue(Variant(0));
        break;
    case fvtBool:
        v->SetValue(Variant(false));
        break;
    case fvtChar:
    case fvtString:
        v->SetValue(Variant(QString()));
        break;
    default:
        v->StoreValue(Null());
        break;
    }
    v->SetOnGetVarValue(FScript->OnGetVarValue());
    return v;
}

TkwCustomVariable *TkwBuilder::FindOrDeclare(const QString &Name, TkwScript *Prog)
{
    if (TkwCustomVariable *v = Prog->Find(Name))
        return v;
    if (FNeedDeclareVars)
        Fail(SIdUndeclared + Quoted(Name));
    TkwVariable *v = NewVariable(Name, fvtVariant, QStringLiteral("Variant"));
    Prog->Add(Name, v);
    return v;
}

void TkwBuilder::CheckAssign(TkwCustomVariable *Target, TkwCustomVariable *Value)
{
    if (!AssignCompatible(Target, Value, FScript))
        Fail(SIncompatibleTypes + QStringLiteral(": ") + Quoted(Target->GetTypeName()) + QStringLiteral(", ")
             + Quoted(Value->GetTypeName()));
}

// ---------------------------------------------------------------------------
// Declarations

void TkwBuilder::BuildVar(TkwXMLItem *E, TkwScript *Prog, TkwStatement *List, TkwProcVariable *Routine,
                          bool VarParams)
{
    Enter(E);
    struct TEntry
    {
        QString Name;
        TkwXMLItem *Array = nullptr;
        TkwXMLItem *Init = nullptr;
    };
    std::vector<TEntry> entries;
    TEntry shared;
    QString typeText;
    int typeIndex = -1, firstIdent = -1;
    bool varParam = VarParams;
    for (int i = 0; i < E->Count(); ++i) {
        const QString n = Lower(E->Items(i)->Name());
        if (n == QLatin1String("type") && typeIndex < 0) {
            typeIndex = i;
            typeText = E->Items(i)->Prop(QStringLiteral("text"));
        } else if (n == QLatin1String("ident") && firstIdent < 0) {
            firstIdent = i;
        } else if (n == QLatin1String("varparam")) {
            varParam = true;
        }
    }
    // In the C-like languages the type stands first and each name takes the
    // array and initial value that follow it.
    const bool cLike = typeIndex >= 0 && typeIndex < firstIdent;
    for (int i = 0; i < E->Count(); ++i) {
        TkwXMLItem *c = E->Items(i);
        const QString n = Lower(c->Name());
        TEntry *target = cLike && !entries.empty() ? &entries.back() : &shared;
        if (n == QLatin1String("ident"))
            entries.push_back(TEntry{c->Prop(QStringLiteral("text"))});
        else if (n == QLatin1String("array"))
            target->Array = c;
        else if (n == QLatin1String("init"))
            target->Init = c;
    }
    TkwVarType typ;
    QString typeName;
    ResolveType(typeText, Prog, typ, typeName);

    for (const TEntry &entry : entries) {
        Enter(E);
        TkwXMLItem *arrayE = cLike ? entry.Array : shared.Array;
        TkwXMLItem *initE = cLike ? entry.Init : shared.Init;
        if (Prog->FindLocal(entry.Name))
            Fail(SIdRedeclared + Quoted(entry.Name));
        TkwXMLItem *initExpr = nullptr;
        if (initE)
            for (int i = 0; i < initE->Count() && !initExpr; ++i)
                if (Lower(initE->Items(i)->Name()) == QLatin1String("expr"))
                    initExpr = initE->Items(i);
        if (Routine) {
            auto param = std::make_unique<TkwParamItem>(entry.Name, typ, typeName, initExpr != nullptr, varParam);
            if (initExpr) {
                std::unique_ptr<TkwExpression> def = BuildExpr(initExpr, Prog);
                param->SetDefValue(def->GetValue());
            }
            Routine->AddParam(param.release());
            continue;
        }
        TkwVariable *v;
        if (arrayE) {
            QList<int> bounds;
            for (int i = 0; i < arrayE->Count(); ++i) {
                TkwXMLItem *dim = arrayE->Items(i);
                if (Lower(dim->Name()) != QLatin1String("dim"))
                    continue;
                QList<int> values;
                for (int j = 0; j < dim->Count(); ++j)
                    if (Lower(dim->Items(j)->Name()) == QLatin1String("expr"))
                        values.append(BuildExpr(dim->Items(j), Prog)->GetValue().AsInteger());
                if (values.size() >= 2)
                    bounds << values.at(0) << values.at(1);
                else if (values.size() == 1)
                    bounds << 0 << values.at(0) - 1;
            }
            Enter(E);
            // The platform's arrays stop at three dimensions.
            if (bounds.size() / 2 > 3)
                Fail(SArrayDimensions);
            const int dims = int(bounds.size() / 2);
            const Variant array = dims > 0 ? VarArrayCreate(bounds, varVariant) : Null();
            v = new TkwVariable(entry.Name, fvtArray, QStringLiteral("Array"));
            v->SetOnGetVarValue(FScript->OnGetVarValue());
            v->StoreValue(array);
            v->SetArrayHelper(new TkwArrayHelper(QStringLiteral("__ArrayHelper"), dims > 0 ? std::min(dims, 3) : 1,
                                                 typ, typeName));
        } else {
            v = NewVariable(entry.Name, typ, typeName);
        }
        Prog->Add(entry.Name, v);
        if (initExpr && List) {
            std::unique_ptr<TkwExpression> value = BuildExpr(initExpr, Prog);
            Enter(E);
            auto target = std::make_unique<TkwDesignator>(Prog);
            target->AddItem(v);
            target->Finish();
            CheckAssign(target.get(), value.get());
            auto stmt = NewStmt<TkwAssignmentStmt>(initE, Prog);
            stmt->SetTarget(target.release());
            stmt->SetSource(value.release());
            List->Add(stmt.release());
        }
    }
}

void TkwBuilder::BuildConst(TkwXMLItem *E, TkwScript *Prog)
{
    Enter(E);
    QString name;
    TkwXMLItem *exprE = nullptr;
    for (int i = 0; i < E->Count(); ++i) {
        TkwXMLItem *c = E->Items(i);
        const QString n = Lower(c->Name());
        if (n == QLatin1String("ident"))
            name = c->Prop(QStringLiteral("text"));
        else if (n == QLatin1String("expr"))
            exprE = c;
    }
    if (Prog->FindLocal(name))
        Fail(SIdRedeclared + Quoted(name));
    if (!exprE)
        return;
    std::unique_ptr<TkwExpression> e = BuildExpr(exprE, Prog);
    const Variant value = e->GetValue();
    auto v = std::make_unique<TkwVariable>(name, e->Typ(), e->TypeName());
    // Kept as evaluated: a 64-bit literal must not pass through the 32-bit
    // conversion of Integer variables.
    v->StoreValue(value);
    v->SetIsReadOnly(true);
    Prog->Add(name, v.release());
}

// ---------------------------------------------------------------------------
// Expressions and designators

QString TkwBuilder::SourceText(TkwXMLItem *E) const
{
    // A used unit's text, or the main text.
    const QStringList *unitLines = nullptr;
    if (!UnitName().isEmpty()) {
        unitLines = FParser ? FParser->UnitLines(UnitName()) : nullptr;
        if (!unitLines)
            return QString();
    }
    TStrings *lines = FScript->Lines();
    const int count = unitLines ? int(unitLines->size()) : lines->Count();
    const TPoint from = StrToPos(E->Prop(QStringLiteral("pos")));
    const TPoint to = StrToPos(E->Prop(QStringLiteral("pos1")));
    QString r;
    for (int y = from.Y; y <= to.Y && y >= 1 && y <= count; ++y) {
        const QString line = unitLines ? unitLines->at(y - 1) : lines->Strings(y - 1);
        const int a = y == from.Y ? from.X - 1 : 0;
        const int b = y == to.Y ? to.X - 1 : int(line.size());
        if (y != from.Y)
            r += QStringLiteral("\r\n");
        if (b > a)
            r += line.mid(a, b - a);
    }
    return r.trimmed();
}

void TkwBuilder::AddExprChildren(TkwXMLItem *E, TkwExpression *Ex, TkwScript *Prog)
{
    const int n = E->Count();
    for (int i = 0; i < n; ++i) {
        TkwXMLItem *c = E->Items(i);
        const QString name = Lower(c->Name());
        if (name == QLatin1String("op")) {
            const QString text = c->Prop(QStringLiteral("text"));
            // A trailing operator is a left-over of a grammar alternative
            // that failed.
            if (i == n - 1 && text != QLatin1String(")"))
                continue;
            Ex->AddOperator(text);
        } else if (name == QLatin1String("expr")) {
            // A bracketed expression: its brackets are operators of the
            // enclosing one.
            AddExprChildren(c, Ex, Prog);
        } else if (name == QLatin1String("number") || name == QLatin1String("string")) {
            Ex->AddConst(ParserStringToVariant(c->Prop(QStringLiteral("text"))));
        } else if (name == QLatin1String("dsgn")) {
            Ex->AddDesignator(BuildDesignator(c, Prog, dmNormal).release());
        } else if (name == QLatin1String("new")) {
            for (int j = 0; j < c->Count(); ++j)
                if (Lower(c->Items(j)->Name()) == QLatin1String("dsgn")) {
                    Ex->AddDesignator(BuildDesignator(c->Items(j), Prog, dmCreate).release());
                    break;
                }
        } else if (name == QLatin1String("set")) {
            Ex->AddSet(BuildSet(c, Prog).release());
        }
    }
}

std::unique_ptr<TkwExpression> TkwBuilder::BuildExpr(TkwXMLItem *E, TkwScript *Prog)
{
    Enter(E);
    const QString pos = FErrorPos;
    auto ex = std::make_unique<TkwExpression>(Prog, pos);
    AddExprChildren(E, ex.get(), Prog);
    const QString err = ex->Finish();
    if (!err.isEmpty()) {
        FErrorPos = err;
        Fail(SIncompatibleTypes);
    }
    ex->SetSource(SourceText(E));
    FErrorPos = pos;
    return ex;
}

std::unique_ptr<TkwSetExpression> TkwBuilder::BuildSet(TkwXMLItem *E, TkwScript *Prog)
{
    Enter(E);
    auto set = std::make_unique<TkwSetExpression>();
    for (int i = 0; i < E->Count(); ++i) {
        TkwXMLItem *c = E->Items(i);
        const QString n = Lower(c->Name());
        if (n == QLatin1String("expr"))
            set->AddItem(BuildExpr(c, Prog).release());
        else if (n == QLatin1String("range"))
            set->AddItem(nullptr);
    }
    return set;
}

std::unique_ptr<TkwDesignator> TkwBuilder::BuildDesignator(TkwXMLItem *E, TkwScript *Prog, TkwDesignatorMode Mode)
{
    Enter(E);
    const QString pos = FErrorPos;
    auto d = std::make_unique<TkwDesignator>(Prog);
    bool addr = false;
    int nodes = 0, exprs = 0;
    for (int i = 0; i < E->Count(); ++i) {
        const QString n = Lower(E->Items(i)->Name());
        if (n == QLatin1String("addr"))
            addr = true;
        else if (n == QLatin1String("node"))
            ++nodes;
        else if (n == QLatin1String("expr"))
            ++exprs;
    }
    if (addr) {
        if (nodes != 1 || exprs != 0)
            Fail(SVarRequired);
        QString name;
        for (int i = 0; i < E->Count(); ++i)
            if (Lower(E->Items(i)->Name()) == QLatin1String("node"))
                name = E->Items(i)->Prop(QStringLiteral("text"));
        TkwCustomVariable *v = Prog->Find(name);
        if (!v)
            Fail(SIdUndeclared + Quoted(name));
        d->SetAddress(v->Name());
        d->Finish();
        return d;
    }
    bool first = true;
    for (int i = 0; i < E->Count(); ++i) {
        TkwXMLItem *c = E->Items(i);
        const QString n = Lower(c->Name());
        if (n == QLatin1String("node")) {
            const QString text = c->Prop(QStringLiteral("text"));
            FErrorPos = pos;
            if (first) {
                ResolveFirst(d.get(), text, Prog, Mode);
                first = false;
            } else {
                int args = 0;
                for (int j = i + 1; j < E->Count() && Lower(E->Items(j)->Name()) == QLatin1String("expr"); ++j)
                    ++args;
                // Brackets after an indexed property are its index.
                if (text == QLatin1String("[") && d->LastItem().Args.empty()) {
                    auto *m = dynamic_cast<TkwMethodHelper *>(d->LastItem().Ref);
                    if (m && m->IndexMethod() && m->Count() > 0)
                        continue;
                    auto *late = dynamic_cast<TkwLateHelper *>(d->LastItem().Ref);
                    if (late && late->Name() != QLatin1String("[") && late->Count() == 0) {
                        late->SetBracketArgs(args);
                        continue;
                    }
                }
                if (!ResolveMember(d.get(), text, args, Prog)) {
                    // Built from the element the first time it is evaluated.
                    auto deferred = std::make_unique<TkwDesignator>(Prog);
                    auto *copy = new TkwXMLItem;
                    copy->Assign(E);
                    deferred->SetDeferred(copy, int(Mode), FNeedDeclareVars);
                    deferred->Finish();
                    FErrorPos = pos;
                    return deferred;
                }
            }
        } else if (n == QLatin1String("expr") && d->ItemCount() > 0) {
            d->LastItem().Args.push_back(BuildExpr(c, Prog));
        }
    }
    FErrorPos = pos;
    if (d->ItemCount() == 0)
        Fail(SVarRequired);
    if (Mode == dmRelease) {
        TkwCustomVariable *last = d->LastItem().Ref;
        if (last->Typ() != fvtClass && last->Typ() != fvtVariant)
            Fail(SClassRequired);
        TkwClassVariable *obj = Prog->FindClass(QStringLiteral("TObject"));
        TkwCustomHelper *freeM = obj ? obj->Find(QStringLiteral("Free")) : nullptr;
        if (!freeM)
            Fail(SIdUndeclared + Quoted(QStringLiteral("Free")));
        d->AddItem(freeM);
    }
    for (int i = 0; i < d->ItemCount(); ++i) {
        TkwDesignatorItem &item = d->DItems(i);
        if (dynamic_cast<TkwLateHelper *>(item.Ref))
            continue;
        const int args = int(item.Args.size());
        if (args < item.Ref->RequiredParamCount())
            Fail(SNotEnoughParams);
        if (args > item.Ref->Count())
            Fail(STooManyParams);
    }
    d->Finish();
    return d;
}

void TkwBuilder::ResolveFirst(TkwDesignator *D, const QString &Name, TkwScript *Prog, TkwDesignatorMode Mode)
{
    for (auto it = FWith.rbegin(); it != FWith.rend(); ++it) {
        TkwClassVariable *cls = Prog->FindClass(it->Var->TypeName());
        if (!cls)
            continue;
        if (TkwCustomHelper *h = cls->Find(Name)) {
            D->AddItem(it->Var);
            D->AddItem(h);
            return;
        }
    }
    TkwCustomVariable *v = FindOrDeclare(Name, Prog);
    if (Mode == dmCreate) {
        auto *cls = dynamic_cast<TkwClassVariable *>(v);
        if (!cls)
            Fail(SClassRequired);
        D->AddItem(cls);
        TkwCustomHelper *create = cls->Find(QStringLiteral("Create"));
        if (!create)
            Fail(SIdUndeclared + Quoted(QStringLiteral("Create")));
        D->AddItem(create);
        return;
    }
    D->AddItem(v);
}

static TkwCustomHelper *RegisteredHelper(TkwScript *Prog, const QString &Name)
{
    return dynamic_cast<TkwCustomHelper *>(Prog->Find(Name));
}

bool TkwBuilder::ResolveMember(TkwDesignator *D, const QString &Name, int ArgCount, TkwScript *Prog)
{
    TkwCustomVariable *prev = D->LastItem().Ref;
    TkwVarType typ = prev->Typ();
    QString typeName = prev->TypeName();
    const bool index = Name == QLatin1String("[");

    auto useStringHelper = [&] {
        if (TkwCustomHelper *h = RegisteredHelper(Prog, QStringLiteral("__StringHelper"))) {
            D->AddItem(h);
            return true;
        }
        auto *h = new TkwStringHelper;
        h->SetScript(FScript);
        D->AddItem(h).Owned.reset(h);
        return true;
    };
    auto useArrayHelper = [&] {
        if (TkwCustomHelper *h = RegisteredHelper(Prog, QStringLiteral("__ArrayHelper"))) {
            D->AddItem(h);
            return true;
        }
        auto *h = new TkwArrayHelper(QStringLiteral("__ArrayHelper"), 3, fvtVariant, QStringLiteral("Variant"), 1);
        h->SetScript(FScript);
        D->AddItem(h).Owned.reset(h);
        return true;
    };

    if (typ == fvtVariant) {
        // The current value decides while building.
        Variant cur;
        if ((dynamic_cast<TkwVariable *>(prev) || dynamic_cast<TkwParamItem *>(prev))
            && !dynamic_cast<TkwCustomHelper *>(prev))
            cur = prev->Value();
        if (VarIsStr(cur)) {
            typ = fvtString;
        } else if (VarIsArray(cur)) {
            if (!index)
                Fail(SIndexRequired);
            return useArrayHelper();
        } else {
            TkwClassVariable *cls = nullptr;
            if (VarType(cur) == varObject && ObjectIsLive(cur.AsObject(), cur.ObjectSerial()))
                for (TClass c = cur.AsObject()->ClassType(); c && !cls; c = c->ClassParent())
                    cls = Prog->FindClass(c->ClassName());
            if (cls) {
                typ = fvtClass;
                typeName = cls->Name();
            } else {
                // Known only when the script runs.
                auto *h = new TkwLateHelper(Name, ArgCount);
                h->SetScript(FScript);
                D->AddItem(h).Owned.reset(h);
                return true;
            }
        }
    }
    switch (typ) {
    case fvtClass: {
        TkwClassVariable *cls = Prog->FindClass(typeName);
        if (!cls)
            Fail(SUnknownType + Quoted(typeName));
        TkwCustomHelper *h = nullptr;
        if (index) {
            h = cls->DefProp();
            if (!h)
                Fail(QString(SClassError).replace(QLatin1String("%s"), typeName));
        } else {
            h = cls->Find(Name);
            if (!h) {
                // A host may have members appear while the script runs.
                if (Prog->KeepUnresolved() && !FScript->IsRunning())
                    return false;
                Fail(SIdUndeclared + Quoted(Name));
            }
        }
        D->AddItem(h);
        return true;
    }
    case fvtString:
        if (!index)
            Fail(SStringError);
        return useStringHelper();
    case fvtArray:
        if (!index)
            Fail(SIndexRequired);
        if (auto *v = dynamic_cast<TkwVariable *>(prev); v && v->ArrayHelper()) {
            D->AddItem(v->ArrayHelper());
            return true;
        }
        return useArrayHelper();
    default:
        Fail(SArrayRequired);
    }
}

// ---------------------------------------------------------------------------
// Statements

void TkwBuilder::BuildStatement(TkwXMLItem *E, TkwScript *Prog, TkwStatement *List)
{
    const QString n = Lower(E->Name());
    if (n == QLatin1String("compoundstmt")) {
        BuildStatements(E, Prog, List);
    } else if (n == QLatin1String("assignstmt")) {
        // BasicScript's «Set x = y» wraps the assignment it stands for.
        while (E->Count() == 1 && Lower(E->Items(0)->Name()) == QLatin1String("assignstmt"))
            E = E->Items(0);
        BuildAssign(E, Prog, List);
    } else if (n == QLatin1String("callstmt")) {
        BuildCall(E, Prog, List);
    } else if (n == QLatin1String("ifstmt")) {
        auto s = NewStmt<TkwIfStmt>(E, Prog);
        for (int i = 0; i < E->Count(); ++i) {
            TkwXMLItem *c = E->Items(i);
            const QString cn = Lower(c->Name());
            if (cn == QLatin1String("expr") && !s->Condition())
                s->SetCondition(BuildExpr(c, Prog).release());
            else if (cn == QLatin1String("thenstmt"))
                BuildStatements(c, Prog, s.get());
            else if (cn == QLatin1String("elsestmt"))
                BuildStatements(c, Prog, s->ElseStmt());
        }
        List->Add(s.release());
    } else if (n == QLatin1String("casestmt")) {
        auto s = NewStmt<TkwCaseStmt>(E, Prog);
        for (int i = 0; i < E->Count(); ++i) {
            TkwXMLItem *c = E->Items(i);
            const QString cn = Lower(c->Name());
            if (cn == QLatin1String("expr") && !s->Condition()) {
                s->SetCondition(BuildExpr(c, Prog).release());
            } else if (cn == QLatin1String("caseselector")) {
                auto sel = NewStmt<TkwCaseSelector>(c, Prog);
                for (int j = 0; j < c->Count(); ++j) {
                    TkwXMLItem *sc = c->Items(j);
                    if (Lower(sc->Name()) == QLatin1String("set") && !sel->SetExpression())
                        sel->SetSetExpression(BuildSet(sc, Prog).release());
                    else
                        BuildStatement(sc, Prog, sel.get());
                }
                if (!sel->SetExpression())
                    sel->SetSetExpression(new TkwSetExpression);
                s->Add(sel.release());
            } else {
                BuildStatement(c, Prog, s->ElseStmt());
            }
        }
        List->Add(s.release());
    } else if (n == QLatin1String("forstmt")) {
        BuildFor(E, Prog, List, false);
    } else if (n == QLatin1String("vbforstmt")) {
        BuildFor(E, Prog, List, true);
    } else if (n == QLatin1String("cppforstmt")) {
        BuildCppFor(E, Prog, List);
    } else if (n == QLatin1String("whilestmt") || n == QLatin1String("repeatstmt")) {
        std::unique_ptr<TkwConditionStmt> s;
        TkwRepeatStmt *rep = nullptr;
        if (n == QLatin1String("whilestmt")) {
            s = NewStmt<TkwWhileStmt>(E, Prog);
        } else {
            auto r = NewStmt<TkwRepeatStmt>(E, Prog);
            rep = r.get();
            s = std::move(r);
        }
        for (int i = 0; i < E->Count(); ++i) {
            TkwXMLItem *c = E->Items(i);
            const QString cn = Lower(c->Name());
            if (cn == QLatin1String("expr") && !s->Condition())
                s->SetCondition(BuildExpr(c, Prog).release());
            else if (cn == QLatin1String("inverse") && rep)
                rep->SetInverseCondition(true);
            else
                BuildStatement(c, Prog, s.get());
        }
        if (!s->Condition()) {
            Enter(E);
            Fail(SIncompatibleTypes);
        }
        List->Add(s.release());
    } else if (n == QLatin1String("trystmt")) {
        auto s = NewStmt<TkwTryStmt>(E, Prog);
        for (int i = 0; i < E->Count(); ++i) {
            TkwXMLItem *c = E->Items(i);
            const QString cn = Lower(c->Name());
            if (cn == QLatin1String("exceptstmt")) {
                s->SetIsExcept(true);
                BuildStatements(c, Prog, s->ExceptStmt());
            } else if (cn == QLatin1String("finallystmt")) {
                BuildStatements(c, Prog, s->ExceptStmt());
            } else {
                BuildStatement(c, Prog, s.get());
            }
        }
        List->Add(s.release());
    } else if (n == QLatin1String("break")) {
        List->Add(NewStmt<TkwBreakStmt>(E, Prog).release());
    } else if (n == QLatin1String("continue")) {
        List->Add(NewStmt<TkwContinueStmt>(E, Prog).release());
    } else if (n == QLatin1String("exit")) {
        List->Add(NewStmt<TkwExitStmt>(E, Prog).release());
    } else if (n == QLatin1String("return")) {
        for (int i = 0; i < E->Count(); ++i) {
            TkwXMLItem *c = E->Items(i);
            if (Lower(c->Name()) != QLatin1String("expr"))
                continue;
            std::unique_ptr<TkwExpression> value = BuildExpr(c, Prog);
            Enter(E);
            TkwCustomVariable *result = FindOrDeclare(QStringLiteral("Result"), Prog);
            auto target = std::make_unique<TkwDesignator>(Prog);
            target->AddItem(result);
            target->Finish();
            if (target->IsReadOnly())
                Fail(SLeftCantAssigned);
            CheckAssign(target.get(), value.get());
            auto s = NewStmt<TkwReturnStmt>(E, Prog);
            s->SetTarget(target.release());
            s->SetSource(value.release());
            List->Add(s.release());
            return;
        }
        List->Add(NewStmt<TkwExitStmt>(E, Prog).release());
    } else if (n == QLatin1String("with")) {
        BuildWith(E, Prog, List);
    } else if (n == QLatin1String("delete")) {
        for (int i = 0; i < E->Count(); ++i) {
            TkwXMLItem *c = E->Items(i);
            if (Lower(c->Name()) != QLatin1String("dsgn"))
                continue;
            std::unique_ptr<TkwDesignator> d = BuildDesignator(c, Prog, dmRelease);
            d->SetNeedResult(false);
            auto s = NewStmt<TkwCallStmt>(E, Prog);
            s->SetDesignator(d.release());
            List->Add(s.release());
            break;
        }
    } else if (n == QLatin1String("uses")) {
        BuildUses(E, Prog);
    } else if (n == QLatin1String("var")) {
        BuildVar(E, Prog, List, nullptr, false);
    } else if (n == QLatin1String("const")) {
        BuildConst(E, Prog);
    } else if (n == QLatin1String("procedure") || n == QLatin1String("function")) {
        auto *proc = static_cast<TkwProcVariable *>(E->Data());
        if (!proc)
            proc = DeclareRoutine(E, Prog);
        E->SetData(nullptr);
        Build(E, proc->Program());
    }
}

void TkwBuilder::BuildAssign(TkwXMLItem *E, TkwScript *Prog, TkwStatement *List)
{
    Enter(E);
    const QString pos = FErrorPos;
    std::unique_ptr<TkwDesignator> target;
    std::unique_ptr<TkwExpression> value;
    QString modificator;
    for (int i = 0; i < E->Count(); ++i) {
        TkwXMLItem *c = E->Items(i);
        const QString cn = Lower(c->Name());
        if (cn == QLatin1String("dsgn") && !target) {
            target = BuildDesignator(c, Prog, dmNormal);
            if (target->IsReadOnly()) {
                FErrorPos = pos;
                Fail(SLeftCantAssigned);
            }
        } else if (cn == QLatin1String("modificator")) {
            modificator = c->Prop(QStringLiteral("text"));
        } else if (cn == QLatin1String("expr") && !value) {
            value = BuildExpr(c, Prog);
        }
    }
    FErrorPos = pos;
    if (!target || !value)
        Fail(SLeftCantAssigned);
    CheckAssign(target.get(), value.get());

    std::unique_ptr<TkwAssignmentStmt> s;
    bool strCat = false;
    if (modificator.isEmpty()) {
        // x := x op e, and x := e op x for the commutative + and *, become
        // the compound forms.
        auto *op = dynamic_cast<TkwOperatorNode *>(value->Root());
        TkwCustomVariable *plain = target->PlainVariable();
        auto sameVar = [plain](TkwExpressionNode *N) {
            auto *d = dynamic_cast<TkwDesignatorNode *>(N);
            return d && d->Designator()->PlainVariable() == plain;
        };
        if (op && plain) {
            const TkwOperatorCode code = op->Op();
            const bool arith = code == ocPlus || code == ocMinus || code == ocMul || code == ocDivFloat;
            TkwExpressionNode *source = nullptr;
            if (arith && op->Left() && op->Right() && sameVar(op->Left())) {
                source = op->Right();
            } else if ((code == ocPlus || code == ocMul) && !op->StrCat() && op->Left() && op->Right()
                       && sameVar(op->Right()) && target->Typ() != fvtString && target->Typ() != fvtVariant) {
                source = op->Left();
            }
            if (source) {
                modificator = code == ocPlus ? QStringLiteral("+")
                              : code == ocMinus ? QStringLiteral("-")
                              : code == ocMul   ? QStringLiteral("*")
                                                : QStringLiteral("/");
                strCat = op->StrCat();
                auto e = std::make_unique<TkwExpression>(Prog, value->SourcePos());
                e->SetRoot(source);
                value = std::move(e);
            }
        }
    }
    if (modificator == QLatin1String("+")) {
        auto p = NewStmt<TkwAssignPlusStmt>(E, Prog);
        p->SetStrCat(strCat);
        s = std::move(p);
    } else if (modificator == QLatin1String("-")) {
        s = NewStmt<TkwAssignMinusStmt>(E, Prog);
    } else if (modificator == QLatin1String("*")) {
        s = NewStmt<TkwAssignMulStmt>(E, Prog);
    } else if (modificator == QLatin1String("/")) {
        s = NewStmt<TkwAssignDivStmt>(E, Prog);
    } else {
        s = NewStmt<TkwAssignmentStmt>(E, Prog);
    }
    s->SetTarget(target.release());
    s->SetSource(value.release());
    List->Add(s.release());
}

void TkwBuilder::BuildCall(TkwXMLItem *E, TkwScript *Prog, TkwStatement *List)
{
    Enter(E);
    const QString pos = FErrorPos;
    std::unique_ptr<TkwDesignator> d;
    QString modificator;
    for (int i = 0; i < E->Count(); ++i) {
        TkwXMLItem *c = E->Items(i);
        const QString cn = Lower(c->Name());
        if (cn == QLatin1String("dsgn") && !d)
            d = BuildDesignator(c, Prog, dmNormal);
        else if (cn == QLatin1String("modificator"))
            modificator = c->Prop(QStringLiteral("text"));
    }
    FErrorPos = pos;
    if (!d)
        return;
    if (!modificator.isEmpty()) {
        if (d->IsReadOnly())
            Fail(SLeftCantAssigned);
    } else {
        d->SetNeedResult(false);
    }
    auto s = NewStmt<TkwCallStmt>(E, Prog);
    s->SetDesignator(d.release());
    s->SetModificator(modificator);
    List->Add(s.release());
}

void TkwBuilder::BuildFor(TkwXMLItem *E, TkwScript *Prog, TkwStatement *List, bool Basic)
{
    Enter(E);
    const QString pos = FErrorPos;
    std::unique_ptr<TkwForStmt> s;
    if (Basic)
        s = NewStmt<TkwVbForStmt>(E, Prog);
    else
        s = NewStmt<TkwForStmt>(E, Prog);
    int exprs = 0;
    for (int i = 0; i < E->Count(); ++i) {
        TkwXMLItem *c = E->Items(i);
        const QString cn = Lower(c->Name());
        if (cn == QLatin1String("ident") && !s->Variable()) {
            TkwCustomVariable *v = FindOrDeclare(c->Prop(QStringLiteral("text")), Prog);
            FErrorPos = pos;
            const bool plain = (dynamic_cast<TkwVariable *>(v) || dynamic_cast<TkwParamItem *>(v))
                               && !dynamic_cast<TkwCustomHelper *>(v) && !v->IsReadOnly();
            if (!plain || (v->Typ() != fvtInt && v->Typ() != fvtFloat && v->Typ() != fvtVariant))
                Fail(SForError);
            s->SetVariable(v);
        } else if (cn == QLatin1String("expr") && exprs < (Basic ? 3 : 2)) {
            std::unique_ptr<TkwExpression> e = BuildExpr(c, Prog);
            if (exprs < 2 && s->Variable()) {
                FErrorPos = pos;
                CheckAssign(s->Variable(), e.get());
            }
            if (exprs == 0)
                s->SetBeginValue(e.release());
            else if (exprs == 1)
                s->SetEndValue(e.release());
            else
                static_cast<TkwVbForStmt *>(s.get())->SetStep(e.release());
            ++exprs;
        } else if (cn == QLatin1String("downto")) {
            s->SetDown(true);
        } else {
            BuildStatement(c, Prog, s.get());
        }
    }
    FErrorPos = pos;
    if (!s->Variable() || exprs < 2)
        Fail(SForError);
    List->Add(s.release());
}

void TkwBuilder::BuildCppFor(TkwXMLItem *E, TkwScript *Prog, TkwStatement *List)
{
    auto s = NewStmt<TkwCppForStmt>(E, Prog);
    int exprIndex = -1;
    for (int i = 0; i < E->Count(); ++i)
        if (Lower(E->Items(i)->Name()) == QLatin1String("expr")) {
            exprIndex = i;
            break;
        }
    if (exprIndex < 0)
        Fail(SIncompatibleTypes);
    for (int i = 0; i < exprIndex; ++i)
        BuildStatement(E->Items(i), Prog, s->FirstStmt());
    s->SetExpression(BuildExpr(E->Items(exprIndex), Prog).release());
    const int last = E->Count() - 1;
    for (int i = exprIndex + 1; i < last; ++i)
        BuildStatement(E->Items(i), Prog, s->SecondStmt());
    if (last > exprIndex)
        BuildStatement(E->Items(last), Prog, s.get());
    List->Add(s.release());
}

void TkwBuilder::BuildWith(TkwXMLItem *E, TkwScript *Prog, TkwStatement *List)
{
    Enter(E);
    const int last = E->Count() - 1;
    const size_t pushed = FWith.size();
    for (int i = 0; i < last; ++i) {
        TkwXMLItem *c = E->Items(i);
        if (Lower(c->Name()) != QLatin1String("dsgn"))
            continue;
        std::unique_ptr<TkwDesignator> d = BuildDesignator(c, Prog, dmNormal);
        if (d->Typ() != fvtClass && d->Typ() != fvtVariant)
            Fail(SClassRequired);
        QString name;
        for (int k = 0;; ++k) {
            name = QStringLiteral("_WithList_%1").arg(k);
            if (!Prog->FindLocal(name) && !FParser->WithList().contains(name, Qt::CaseInsensitive))
                break;
        }
        auto *v = new TkwVariable(name, d->Typ(), d->TypeName());
        v->StoreValue(Null());
        Prog->Add(name, v);
        auto s = NewStmt<TkwWithStmt>(c, Prog);
        s->SetDesignator(d.release());
        s->SetVariable(v);
        List->Add(s.release());
        FWith.push_back(TWith{name, v});
        FParser->WithList().append(name);
    }
    if (last >= 0)
        BuildStatement(E->Items(last), Prog, List);
    while (FWith.size() > pushed) {
        FWith.pop_back();
        FParser->WithList().removeLast();
    }
}

void TkwBuilder::BuildUses(TkwXMLItem *E, TkwScript *Prog)
{
    Enter(E);
    const QString saved = FParser->UnitName();
    const QString unit = E->Prop(QStringLiteral("unit"));
    FParser->SetUnitName(unit);
    QString text;
    if (FScript->OnGetILUnit().Assigned())
        FScript->OnGetILUnit()(FScript, unit, text);
    if (!text.isEmpty()) {
        TkwXMLDocument doc;
        doc.LoadFromString(text);
        Build(doc.Root(), Prog);
    } else {
        for (int i = 0; i < E->Count(); ++i)
            if (Lower(E->Items(i)->Name()) == QLatin1String("program"))
                Build(E->Items(i), Prog);
    }
    FParser->SetUnitName(saved);
}

} // namespace

void kwResolveDeferred(TkwDesignator *D, TkwXMLItem *E, int Mode, bool NeedDeclareVars)
{
    TkwBuilder builder(D->Program(), NeedDeclareVars);
    std::unique_ptr<TkwDesignator> built = builder.BuildDesignator(E, D->Program(), TkwDesignatorMode(Mode));
    D->TakeItems(*built);
}

void TkwILParser::BuildProgram()
{
    auto *script = dynamic_cast<TkwScript *>(FProgram);
    if (!script)
        return;
    FWithList.clear();
    script->SetErrorUnit(QString());
    FUnitName.clear();
    TkwBuilder builder(this, script);
    try {
        builder.Build(FProgramDocument->Root(), script);
        script->SetErrorPosition(QString());
    } catch (const Exception &e) {
        script->SetErrorMessage(e.Message());
        script->SetErrorPosition(builder.ErrorPos());
        script->SetErrorUnit(FUnitName);
    }
}
