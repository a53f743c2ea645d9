// Expression trees: building by operator priority, the type check, and
// evaluation; set constructors; designators and late-bound members.
#include "kw_iexpression.h"
#include "kw_iconst.h"
#include <QVarLengthArray>
#include <algorithm>
#include <limits>
#include <pthread.h>

QString SStackOverflow = QStringLiteral("Stack overflow");

Variant kwVarAdd(const Variant &L, const Variant &R)
{
    if (VarIsStr(L) && VarIsStr(R))
        kwCheckStringLength(L.AsString().size() + R.AsString().size());
    return VarAdd(L, R);
}

// ---------------------------------------------------------------------------
// Nodes

TkwExpressionNode::TkwExpressionNode(TkwVarType ATyp, const QString &ATypeName)
    : TkwCustomVariable(QString(), ATyp, ATypeName)
{
}

TkwExpressionNode::~TkwExpressionNode()
{
    // A long flat chain makes a deep tree: freed without recursion.
    std::vector<TkwExpressionNode *> pending;
    if (FLeft)
        pending.push_back(FLeft);
    if (FRight)
        pending.push_back(FRight);
    while (!pending.empty()) {
        TkwExpressionNode *n = pending.back();
        pending.pop_back();
        if (n->FLeft)
            pending.push_back(n->FLeft);
        if (n->FRight)
            pending.push_back(n->FRight);
        n->FLeft = n->FRight = nullptr;
        delete n;
    }
}

// Depth of the tree under Node, counted without recursion.
static int TreeDepth(TkwExpressionNode *Node)
{
    int deepest = 0;
    std::vector<std::pair<TkwExpressionNode *, int>> pending{{Node, 1}};
    while (!pending.empty()) {
        const auto [n, depth] = pending.back();
        pending.pop_back();
        deepest = std::max(deepest, depth);
        if (n->Left())
            pending.emplace_back(n->Left(), depth + 1);
        if (n->Right())
            pending.emplace_back(n->Right(), depth + 1);
    }
    return deepest;
}

void TkwExpressionNode::AddNode(TkwExpressionNode *Node)
{
    if (!FLeft)
        FLeft = Node;
    else
        FRight = Node;
    Node->FParentNode = this;
}

void TkwExpressionNode::RemoveNode(TkwExpressionNode *Node)
{
    if (FLeft == Node)
        FLeft = nullptr;
    else if (FRight == Node)
        FRight = nullptr;
    Node->FParentNode = nullptr;
}

static TkwVarType VariantVarType(const Variant &V)
{
    switch (VarType(V)) {
    case varString:
    case varOleStr:
        return fvtString;
    case varSingle:
    case varDouble:
    case varCurrency:
        return fvtFloat;
    case varBoolean:
        return fvtBool;
    default:
        return fvtInt;
    }
}

bool TkwExpressionNode::EvalInt(int &V, Variant &Value)
{
    Value = GetValue();
    if (Value.VType() != varInteger)
        return false;
    V = Value.AsInteger();
    return true;
}

TkwOperandNode::TkwOperandNode(const Variant &AValue)
    : TkwExpressionNode(VariantVarType(AValue), kwVarTypeName(VariantVarType(AValue)))
{
    FValue = AValue;
}

TkwDesignatorNode::TkwDesignatorNode(TkwDesignator *ADesignator)
    : TkwOperandNode(ADesignator->Typ(), ADesignator->TypeName()), FDesignator(ADesignator),
      FPlain(ADesignator->PlainVariable())
{
}

TkwDesignatorNode::~TkwDesignatorNode() = default;

Variant TkwDesignatorNode::GetValue()
{
    return FPlain ? FPlain->GetValue() : FDesignator->GetValue();
}

bool TkwOperandNode::EvalInt(int &V, Variant &Value)
{
    if (FValue.VType() != varInteger) {
        Value = FValue;
        return false;
    }
    V = FValue.AsInteger();
    return true;
}

bool TkwDesignatorNode::EvalInt(int &V, Variant &Value)
{
    // A plain variable without a value provider gives its stored value, an
    // element of an array variable the element where the variable keeps it.
    if (FPlain) {
        if (FPlain->DirectRead()) {
            const Variant &v = FPlain->Value();
            if (v.VType() == varInteger) {
                V = v.AsInteger();
                return true;
            }
            Value = v;
            return false;
        }
    } else if (const Variant *e = FDesignator->ElementRef()) {
        if (e->VType() == varInteger) {
            V = e->AsInteger();
            return true;
        }
        Value = *e;
        return false;
    }
    // A routine's Integer result goes to V without passing through Value.
    Variant r = FPlain ? FPlain->GetValue() : FDesignator->GetValue();
    if (r.VType() != varInteger) {
        Value = std::move(r);
        return false;
    }
    V = r.AsInteger();
    return true;
}

bool TkwDesignatorNode::EvalBool()
{
    if (FPlain && FPlain->DirectRead())
        return FPlain->Value().AsBoolean();
    return TkwExpressionNode::EvalBool();
}

TkwSetNode::TkwSetNode(TkwSetExpression *ASet) : TkwOperandNode(fvtVariant, QStringLiteral("Variant")), FSet(ASet)
{
}

TkwSetNode::~TkwSetNode() = default;

Variant TkwSetNode::GetValue()
{
    return FSet->GetValue();
}

TkwOperatorNode::TkwOperatorNode(TkwOperatorCode AOp) : TkwExpressionNode(fvtVariant, QStringLiteral("Variant")), FOp(AOp)
{
}

namespace {

inline Variant LeftValue(TkwExpressionNode *N)
{
    return N ? N->GetValue() : Variant();
}

// An operator's Variant result: True with V when it is an Integer.
inline bool IntResult(int &V, const Variant &Value)
{
    if (Value.VType() != varInteger)
        return false;
    V = Value.AsInteger();
    return true;
}

// EvalInt of a child that may be missing (Empty then).
inline bool ChildInt(TkwExpressionNode *N, int &V, Variant &Value)
{
    return N && N->EvalInt(V, Value);
}

// The Integer operators on two Integers, with the Variant rules: a result
// outside 32 bits is an Int64; a zero divisor goes the Variant way (raising).
enum class TIntOp { Add, Sub, Mul, Div, Mod };

inline bool IntArith(TIntOp Op, int A, int B, qint64 &R)
{
    switch (Op) {
    case TIntOp::Add: R = qint64(A) + B; return true;
    case TIntOp::Sub: R = qint64(A) - B; return true;
    case TIntOp::Mul: R = qint64(A) * B; return true;
    case TIntOp::Div: if (!B) return false; R = qint64(A) / B; return true;
    default: if (!B) return false; R = qint64(A) % B; return true;
    }
}

#define KW_OPERATOR(Class, Code, Prio, Body)                                                                  \
    class Class : public TkwOperatorNode                                                                      \
    {                                                                                                         \
    public:                                                                                                   \
        Class() : TkwOperatorNode(Code) {}                                                                    \
        int Priority() const override { return Prio; }                                                        \
        Variant GetValue() override { Body }                                                                  \
    };

// Left operand first, then the right one: the order of function arguments
// is the compiler's choice, so each is read into its own variable.
#define KW_BINARY(Class, Code, Prio, Fn)                                                                      \
    KW_OPERATOR(Class, Code, Prio, {                                                                          \
        const Variant l = LeftValue(FLeft);                                                                   \
        return Fn(l, LeftValue(FRight));                                                                      \
    })

// Arithmetic that keeps Integer operands out of Variants. Value serves as
// the children's scratch: a second Variant is needed only for an operand
// that is no Integer.
#define KW_INT_BINARY(Class, Code, Prio, Fn, IntOp)                                                           \
    class Class : public TkwOperatorNode                                                                      \
    {                                                                                                         \
    public:                                                                                                   \
        Class() : TkwOperatorNode(Code) {}                                                                    \
        int Priority() const override { return Prio; }                                                        \
        bool EvalInt(int &V, Variant &Value) override                                                         \
        {                                                                                                     \
            int a = 0, b = 0;                                                                                 \
            if (!ChildInt(FLeft, a, Value))                                                                   \
                return LeftNotInt(V, Value);                                                                  \
            const bool ri = ChildInt(FRight, b, Value);                                                       \
            qint64 x;                                                                                         \
            if (ri && IntArith(IntOp, a, b, x) && x >= std::numeric_limits<int>::min()                        \
                && x <= std::numeric_limits<int>::max()) {                                                    \
                V = int(x);                                                                                   \
                return true;                                                                                  \
            }                                                                                                 \
            return NotInt(a, b, ri, V, Value);                                                                \
        }                                                                                                     \
        /* The Variant ways, out of line so the Integer way keeps a small frame. */                          \
        [[gnu::noinline]] bool NotInt(int a, int b, bool ri, int &V, Variant &Value)                          \
        {                                                                                                     \
            qint64 x;                                                                                         \
            if (ri && IntArith(IntOp, a, b, x)) {                                                             \
                Value = Variant(x);                                                                           \
                return false;                                                                                 \
            }                                                                                                 \
            if (ri)                                                                                           \
                Value = Variant(b);                                                                           \
            else if (!FRight)                                                                                 \
                Value = Variant();                                                                            \
            Value = Fn(Variant(a), Value);                                                                    \
            return IntResult(V, Value);                                                                       \
        }                                                                                                     \
        [[gnu::noinline]] bool LeftNotInt(int &V, Variant &Value)                                             \
        {                                                                                                     \
            int b = 0;                                                                                        \
            Variant l = std::move(Value);                                                                     \
            Variant r;                                                                                        \
            if (ChildInt(FRight, b, r))                                                                       \
                r = Variant(b);                                                                               \
            Value = Fn(l, r);                                                                                 \
            return IntResult(V, Value);                                                                       \
        }                                                                                                     \
        Variant GetValue() override                                                                           \
        {                                                                                                     \
            int v;                                                                                            \
            Variant r;                                                                                        \
            return EvalInt(v, r) ? Variant(v) : r;                                                            \
        }                                                                                                     \
    };

#define KW_COMPARE(Class, Code, CmpOp, IntCmp)                                                                \
    class Class : public TkwOperatorNode                                                                      \
    {                                                                                                         \
    public:                                                                                                   \
        Class() : TkwOperatorNode(Code) {}                                                                    \
        int Priority() const override { return 4; }                                                           \
        bool EvalBool() override                                                                              \
        {                                                                                                     \
            int a = 0, b = 0;                                                                                 \
            Variant r;                                                                                        \
            if (ChildInt(FLeft, a, r)) {                                                                      \
                if (ChildInt(FRight, b, r))                                                                   \
                    return a IntCmp b;                                                                        \
                if (!FRight)                                                                                  \
                    r = Variant();                                                                            \
                return VarCompare(Variant(a), r, CmpOp);                                                      \
            }                                                                                                 \
            Variant l = std::move(r);                                                                         \
            r = Variant();                                                                                    \
            if (ChildInt(FRight, b, r))                                                                       \
                r = Variant(b);                                                                               \
            return VarCompare(l, r, CmpOp);                                                                   \
        }                                                                                                     \
        Variant GetValue() override { return Variant(EvalBool()); }                                           \
    };

KW_OPERATOR(TNoneNode, ocNone, 7, return LeftValue(FLeft);)
KW_COMPARE(TGreatNode, ocGreat, opCmpGT, >)
KW_COMPARE(TLessNode, ocLess, opCmpLT, <)
KW_COMPARE(TLessEqNode, ocLessEq, opCmpLE, <=)
KW_COMPARE(TGreatEqNode, ocGreatEq, opCmpGE, >=)
KW_COMPARE(TNonEqNode, ocNonEq, opCmpNE, !=)
KW_COMPARE(TEqNode, ocEq, opCmpEQ, ==)
KW_INT_BINARY(TPlusNode, ocPlus, 3, kwVarAdd, TIntOp::Add)
KW_OPERATOR(TStrCatNode, ocPlus, 3, {
    const Variant l = LeftValue(FLeft);
    const Variant r = LeftValue(FRight);
    if (VarIsStr(l)) {
        const QString a = VarToStr(l);
        const QString b = VarToStr(r);
        kwCheckStringLength(a.size() + b.size());
        return Variant(a + b);
    }
    return kwVarAdd(l, r);
})
KW_INT_BINARY(TMinusNode, ocMinus, 3, VarSub, TIntOp::Sub)
// Boolean operands short-circuit; as a condition neither side becomes a
// Variant.
#define KW_LOGIC(Class, Code, Prio, Fn, Stop)                                                                 \
    class Class : public TkwOperatorNode                                                                      \
    {                                                                                                         \
    public:                                                                                                   \
        Class() : TkwOperatorNode(Code) {}                                                                    \
        int Priority() const override { return Prio; }                                                        \
        Variant GetValue() override                                                                           \
        {                                                                                                     \
            const Variant l = LeftValue(FLeft);                                                               \
            if (BooleanOperands())                                                                            \
                return l.AsBoolean() == Stop ? l : LeftValue(FRight);                                         \
            return Fn(l, LeftValue(FRight));                                                                  \
        }                                                                                                     \
        bool EvalBool() override                                                                              \
        {                                                                                                     \
            if (!BooleanOperands() || !FLeft || !FRight)                                                      \
                return GetValue().AsBoolean();                                                                \
            if (FLeft->EvalBool() == Stop)                                                                    \
                return Stop;                                                                                  \
            return FRight->EvalBool();                                                                        \
        }                                                                                                     \
    };

KW_LOGIC(TOrNode, ocOr, 3, VarOr, true)
KW_BINARY(TXorNode, ocXor, 3, VarXor)
KW_INT_BINARY(TMulNode, ocMul, 2, VarMul, TIntOp::Mul)
KW_BINARY(TDivFloatNode, ocDivFloat, 2, VarDiv)
KW_INT_BINARY(TDivIntNode, ocDivInt, 2, VarIntDiv, TIntOp::Div)
KW_INT_BINARY(TModNode, ocMod, 2, VarMod, TIntOp::Mod)
KW_LOGIC(TAndNode, ocAnd, 2, VarAnd, false)
KW_BINARY(TShlNode, ocShl, 2, VarShl)
KW_BINARY(TShrNode, ocShr, 2, VarShr)
KW_OPERATOR(TLeftBracketNode, ocLeftBracket, 6, return LeftValue(FLeft);)
KW_OPERATOR(TRightBracketNode, ocRightBracket, 5, return LeftValue(FLeft);)
KW_OPERATOR(TNotNode, ocNot, 1, return VarNot(LeftValue(FLeft));)
KW_OPERATOR(TUnMinusNode, ocUnMinus, 1, return VarNeg(LeftValue(FLeft));)

// Right is a set constructor, the value of a set held in a variable (a
// zero-based array in which a Null element between two values marks a
// range), or a set read from a property: its member bits.
KW_OPERATOR(TInNode, ocIn, 4, {
    const Variant l = LeftValue(FLeft);
    if (auto *set = dynamic_cast<TkwSetNode *>(FRight))
        return Variant(set->SetExpression()->Contains(l));
    const Variant a = LeftValue(FRight);
    if (!VarIsArray(a))
        return Variant((l.AsInt64() & a.AsInt64()) != 0);
    const int lo = VarArrayLowBound(a, 1);
    const int hi = VarArrayHighBound(a, 1);
    for (int i = lo; i <= hi; ++i) {
        const Variant item = VarArrayGet(a, {i});
        if (i + 2 <= hi && VarIsNull(VarArrayGet(a, {i + 1}))) {
            if (VarCompare(l, item, opCmpGE) && VarCompare(l, VarArrayGet(a, {i + 2}), opCmpLE))
                return Variant(true);
            i += 2;
        } else if (VarCompare(l, item, opCmpEQ)) {
            return Variant(true);
        }
    }
    return Variant(false);
})

KW_OPERATOR(TIsNode, ocIs, 4, {
    TObject *obj = kwVarToObject(LeftValue(FLeft));
    if (!obj)
        return Variant(false);
    auto *d = dynamic_cast<TkwDesignatorNode *>(FRight);
    TkwClassVariable *cls = nullptr;
    if (d && d->Designator()->ItemCount() > 0)
        cls = dynamic_cast<TkwClassVariable *>(d->Designator()->DItems(0).Ref);
    if (!cls)
        cls = Script() ? Script()->FindClass(FRight->TypeName()) : nullptr;
    return Variant(cls && obj->InheritsFrom(cls->ClassRef()));
})

#undef KW_OPERATOR
#undef KW_BINARY
#undef KW_INT_BINARY
#undef KW_COMPARE
#undef KW_LOGIC

} // namespace

TkwOperatorNode *TkwOperatorNode::Create(const QString &OpText)
{
    const QString op = kwUpperCase(OpText);
    static const struct
    {
        const char *Text;
        TkwOperatorNode *(*Make)();
    } table[] = {
        {" ", [] () -> TkwOperatorNode * { return new TNoneNode; }},
        {">", [] () -> TkwOperatorNode * { return new TGreatNode; }},
        {"<", [] () -> TkwOperatorNode * { return new TLessNode; }},
        {"<=", [] () -> TkwOperatorNode * { return new TLessEqNode; }},
        {">=", [] () -> TkwOperatorNode * { return new TGreatEqNode; }},
        {"<>", [] () -> TkwOperatorNode * { return new TNonEqNode; }},
        {"=", [] () -> TkwOperatorNode * { return new TEqNode; }},
        {"+", [] () -> TkwOperatorNode * { return new TPlusNode; }},
        {"STRCAT", [] () -> TkwOperatorNode * { return new TStrCatNode; }},
        {"-", [] () -> TkwOperatorNode * { return new TMinusNode; }},
        {"OR", [] () -> TkwOperatorNode * { return new TOrNode; }},
        {"XOR", [] () -> TkwOperatorNode * { return new TXorNode; }},
        {"*", [] () -> TkwOperatorNode * { return new TMulNode; }},
        {"/", [] () -> TkwOperatorNode * { return new TDivFloatNode; }},
        {"DIV", [] () -> TkwOperatorNode * { return new TDivIntNode; }},
        {"MOD", [] () -> TkwOperatorNode * { return new TModNode; }},
        {"AND", [] () -> TkwOperatorNode * { return new TAndNode; }},
        {"SHL", [] () -> TkwOperatorNode * { return new TShlNode; }},
        {"SHR", [] () -> TkwOperatorNode * { return new TShrNode; }},
        {"(", [] () -> TkwOperatorNode * { return new TLeftBracketNode; }},
        {")", [] () -> TkwOperatorNode * { return new TRightBracketNode; }},
        {"NOT", [] () -> TkwOperatorNode * { return new TNotNode; }},
        {"UNMINUS", [] () -> TkwOperatorNode * { return new TUnMinusNode; }},
        {"IN", [] () -> TkwOperatorNode * { return new TInNode; }},
        {"IS", [] () -> TkwOperatorNode * { return new TIsNode; }},
    };
    for (const auto &e : table)
        if (op == QLatin1String(e.Text)) {
            TkwOperatorNode *n = e.Make();
            n->FStrCat = op == QLatin1String("STRCAT");
            return n;
        }
    return nullptr;
}

// ---------------------------------------------------------------------------
// Expressions

TkwExpression::TkwExpression(TkwScript *AProgram, const QString &ASourcePos)
    : TkwCustomExpression(QString(), fvtVariant, QStringLiteral("Variant")), FRoot(new TNoneNode),
      FProgram(AProgram), FSourcePos(ASourcePos)
{
    FCurrent = FRoot;
    FRoot->SetSourcePos(ASourcePos);
}

TkwExpression::~TkwExpression()
{
    delete FRoot;
}

void TkwExpression::AddOperand(TkwExpressionNode *Node)
{
    Node->SetSourcePos(FSourcePos);
    Node->SetScript(FProgram);
    FCurrent->AddNode(Node);
    FCurrent = Node;
}

void TkwExpression::AddOperator(const QString &OpText)
{
    TkwOperatorNode *n = TkwOperatorNode::Create(OpText);
    if (!n)
        throw Exception(SIncompatibleTypes);
    n->SetSourcePos(FSourcePos);
    n->SetScript(FProgram);
    switch (n->Op()) {
    case ocLeftBracket:
    case ocNot:
    case ocUnMinus:
        FCurrent->AddNode(n);
        FCurrent = n;
        return;
    case ocRightBracket: {
        delete n;
        TkwExpressionNode *node = FCurrent;
        while (node->Priority() <= 5 && node->ParentNode())
            node = node->ParentNode();
        auto *op = dynamic_cast<TkwOperatorNode *>(node);
        if (!op || op->Op() != ocLeftBracket || !node->ParentNode())
            return;
        TkwExpressionNode *parent = node->ParentNode();
        TkwExpressionNode *inner = node->Left();
        parent->RemoveNode(node);
        if (inner) {
            node->RemoveNode(inner);
            parent->AddNode(inner);
            FCurrent = inner;
        } else {
            FCurrent = parent;
        }
        delete node;
        return;
    }
    default:
        break;
    }
    if (FCurrent == FRoot) {
        FRoot->AddNode(n);
        FCurrent = n;
        return;
    }
    TkwExpressionNode *below = FCurrent;
    TkwExpressionNode *above = FCurrent->ParentNode();
    if (auto *cur = dynamic_cast<TkwOperatorNode *>(FCurrent); cur && cur->Op() == ocLeftBracket) {
        below = nullptr;
        above = FCurrent;
    }
    while (above->Priority() <= n->Priority() && above->ParentNode()) {
        below = above;
        above = above->ParentNode();
    }
    if (below)
        above->RemoveNode(below);
    above->AddNode(n);
    if (below)
        n->AddNode(below);
    FCurrent = n;
}

void TkwExpression::AddConst(const Variant &Value)
{
    AddOperand(new TkwOperandNode(Value));
}

void TkwExpression::AddDesignator(TkwDesignator *ADesignator)
{
    AddOperand(new TkwDesignatorNode(ADesignator));
}

void TkwExpression::AddSet(TkwSetExpression *ASet)
{
    AddOperand(new TkwSetNode(ASet));
}

static bool IsComparison(TkwOperatorCode Op)
{
    return Op >= ocGreat && Op <= ocEq;
}

bool TkwExpression::CheckNode(TkwExpressionNode *Node, QString &ErrorPos)
{
    auto *op = dynamic_cast<TkwOperatorNode *>(Node);
    if (!op)
        return true;
    if (Node->Left() && !CheckNode(Node->Left(), ErrorPos))
        return false;
    if (Node->Right() && !CheckNode(Node->Right(), ErrorPos))
        return false;
    const TkwTypeRec lt = Node->Left() ? TkwTypeRec{Node->Left()->Typ(), Node->Left()->TypeName()}
                                       : TkwTypeRec{fvtVariant, QStringLiteral("Variant")};
    const TkwTypeRec rt = Node->Right() ? TkwTypeRec{Node->Right()->Typ(), Node->Right()->TypeName()}
                                        : TkwTypeRec{fvtVariant, QStringLiteral("Variant")};
    const TkwOperatorCode code = op->Op();
    if (code == ocNone || code == ocLeftBracket || code == ocRightBracket) {
        Node->SetTyp(lt.Typ);
        Node->SetTypeName(lt.TypeName);
        return true;
    }
    if (lt.Typ == fvtBool && rt.Typ == fvtBool)
        op->SetBooleanOperands(true);
    if (!(code == ocIs && lt.Typ == fvtClass && rt.Typ == fvtClass)) {
        bool ok = TypesCompatible(lt, rt, FProgram);
        if (ok) {
            switch (lt.Typ) {
            case fvtBool:
                ok = code == ocNonEq || code == ocEq || code == ocOr || code == ocXor || code == ocAnd
                     || code == ocNot;
                break;
            case fvtChar:
            case fvtString:
                ok = IsComparison(code) || code == ocPlus || code == ocIn;
                break;
            case fvtClass:
            case fvtArray:
                ok = code == ocNonEq || code == ocEq;
                break;
            default:
                break;
            }
        }
        if (!ok) {
            ErrorPos = Node->SourcePos();
            return false;
        }
    }
    TkwVarType typ = lt.Typ;
    QString typeName = lt.TypeName;
    if ((lt.Typ == fvtInt && rt.Typ == fvtFloat) || (lt.Typ == fvtFloat && rt.Typ == fvtInt)
        || (code == ocDivFloat && lt.Typ == fvtInt && rt.Typ == fvtInt)) {
        typ = fvtFloat;
        typeName = kwVarTypeName(fvtFloat);
    }
    if (IsComparison(code) || code == ocIn || code == ocIs) {
        typ = fvtBool;
        typeName = kwVarTypeName(fvtBool);
    }
    Node->SetTyp(typ);
    Node->SetTypeName(typeName);
    return true;
}

QString TkwExpression::Finish()
{
    if (FRoot->Left()) {
        TkwExpressionNode *child = FRoot->Left();
        FRoot->RemoveNode(child);
        delete FRoot;
        FRoot = child;
    }
    FCurrent = FRoot;
    FCodeKnown = false;
    // Checking and evaluating walk the tree recursively.
    if (TreeDepth(FRoot) > kwMaxExpressionDepth)
        throw Exception(SNestingTooDeep);
    QString errorPos;
    if (!CheckNode(FRoot, errorPos))
        return errorPos.isEmpty() ? FSourcePos : errorPos;
    SetTyp(FRoot->Typ());
    SetTypeName(FRoot->TypeName());
    TkwDesignator *d = RootDesignator();
    SetIsReadOnly(!d || d->IsReadOnly());
    return QString();
}

void TkwExpression::SetValue(const Variant &Value)
{
    if (IsReadOnly())
        return;
    if (TkwDesignator *d = RootDesignator())
        d->SetValue(Value);
}

TkwExpressionNode *TkwExpression::ReleaseRoot()
{
    TkwExpressionNode *r = FRoot;
    FRoot = new TNoneNode;
    FCurrent = FRoot;
    FCodeKnown = false;
    return r;
}

void TkwExpression::SetRoot(TkwExpressionNode *Node)
{
    if (Node->ParentNode())
        Node->ParentNode()->RemoveNode(Node);
    delete FRoot;
    FRoot = Node;
    FCurrent = Node;
    FCodeKnown = false;
    SetTyp(Node->Typ());
    SetTypeName(Node->TypeName());
    TkwDesignator *d = RootDesignator();
    SetIsReadOnly(!d || d->IsReadOnly());
}

TkwDesignator *TkwExpression::RootDesignator() const
{
    auto *d = dynamic_cast<TkwDesignatorNode *>(FRoot);
    return d ? d->Designator() : nullptr;
}

// ---------------------------------------------------------------------------
// Compiled Integer expressions

namespace {

// Instructions of one program, and so the deepest its stack can get.
constexpr size_t MaxIntCode = 64;

inline bool FitsInt(qint64 V)
{
    return V >= std::numeric_limits<int>::min() && V <= std::numeric_limits<int>::max();
}

} // namespace

TkwIntCode::TKind TkwIntCode::Compile(TkwExpressionNode *Root)
{
    FCode.clear();
    const TKind k = Emit(Root, 0);
    if (k == ckNone || FCode.size() > MaxIntCode)
        FCode.clear();
    else
        FCode.push_back({opEnd, rtStack, 0, nullptr});
    const auto operand = [this](size_t I) { return FCode[I].Op == opConst || FCode[I].Op == opVar; };
    FShort = (FCode.size() == 2 && operand(0))
             || (FCode.size() == 3 && operand(0) && FCode[1].Op >= opAdd && FCode[1].Op != opNeg
                 && FCode[1].Op <= opNe && FCode[1].Right != rtStack);
    if (FShort) {
        FShortA = {FCode[0].Op == opVar ? FCode[0].Var : nullptr, FCode[0].Arg};
        FShortOp = FCode.size() == 2 ? opEnd : FCode[1].Op;
        if (FShortOp != opEnd)
            FShortB = {FCode[1].Right == rtVar ? FCode[1].Var : nullptr, FCode[1].Arg};
    }
    return FCode.empty() ? ckNone : k;
}

TkwIntCode::TKind TkwIntCode::Emit(TkwExpressionNode *N, int Depth)
{
    if (!N || Depth > 32 || FCode.size() > MaxIntCode)
        return ckNone;
    if (auto *dn = dynamic_cast<TkwDesignatorNode *>(N)) {
        TkwDesignator *d = dn->Designator();
        if (d->IsDeferred() || d->IsAddress())
            return ckNone;
        if (TkwCustomVariable *v = d->PlainVariable()) {
            const bool b = N->Typ() == fvtBool;
            FCode.push_back({b ? opBoolVar : opVar, rtStack, 0, v});
            return b ? ckBool : ckInt;
        }
        if (TkwVariable *a = d->ArrayVariable()) {
            const auto &args = d->DItems(1).Args;
            for (const auto &e : args)
                if (Emit(e->Root(), Depth + 1) != ckInt)
                    return ckNone;
            FCode.push_back({opElem, rtStack, int(args.size()), a});
            return ckInt;
        }
        return ckNone;
    }
    if (dynamic_cast<TkwSetNode *>(N))
        return ckNone;
    auto *op = dynamic_cast<TkwOperatorNode *>(N);
    if (!op) {
        if (!dynamic_cast<TkwOperandNode *>(N))
            return ckNone;
        const Variant &v = N->Value();
        if (v.VType() == varInteger) {
            FCode.push_back({opConst, rtStack, v.AsInteger(), nullptr});
            return ckInt;
        }
        if (v.VType() == varBoolean) {
            FCode.push_back({opConst, rtStack, v.AsBoolean() ? 1 : 0, nullptr});
            return ckBool;
        }
        return ckNone;
    }
    const TkwOperatorCode code = op->Op();
    switch (code) {
    case ocNone:
    case ocLeftBracket:
    case ocRightBracket:
        return Emit(N->Left(), Depth + 1);
    case ocUnMinus:
        if (Emit(N->Left(), Depth + 1) != ckInt)
            return ckNone;
        FCode.push_back({opNeg, rtStack, 0, nullptr});
        return ckInt;
    case ocAnd:
    case ocOr: {
        if (!op->BooleanOperands() || Emit(N->Left(), Depth + 1) != ckBool)
            return ckNone;
        const size_t jump = FCode.size();
        FCode.push_back({code == ocAnd ? opAndJump : opOrJump, rtStack, 0, nullptr});
        if (Emit(N->Right(), Depth + 1) != ckBool)
            return ckNone;
        FCode[jump].Arg = int(FCode.size());
        return ckBool;
    }
    default:
        break;
    }
    TOp o;
    TKind result = ckInt;
    switch (code) {
    case ocPlus: o = opAdd; break;
    case ocMinus: o = opSub; break;
    case ocMul: o = opMul; break;
    case ocDivInt: o = opDiv; break;
    case ocMod: o = opMod; break;
    case ocLess: o = opLt; result = ckBool; break;
    case ocLessEq: o = opLe; result = ckBool; break;
    case ocGreat: o = opGt; result = ckBool; break;
    case ocGreatEq: o = opGe; result = ckBool; break;
    case ocEq: o = opEq; result = ckBool; break;
    case ocNonEq: o = opNe; result = ckBool; break;
    default: return ckNone;
    }
    const size_t start = FCode.size();
    if (op->StrCat() || Emit(N->Left(), Depth + 1) != ckInt)
        return ckNone;
    // A constant or a plain variable on the right is taken by the operator
    // itself: one dispatch less.
    const size_t before = FCode.size();
    if (Emit(N->Right(), Depth + 1) != ckInt)
        return ckNone;
    const auto operand = [this](size_t At) { return FCode[At].Op == opConst || FCode[At].Op == opVar; };
    TInstr in{o, rtStack, 0, nullptr};
    size_t taken = FCode.size();
    if (FCode.size() == before + 1 && operand(before))
        taken = before;
    else if (before == start + 1 && operand(start) && (o == opAdd || o == opMul || o == opEq || o == opNe))
        // So is one on the left of an operator whose operands may swap: the
        // program reads nothing that its order could change, and an Integer
        // part holds no jumps that the removal would move.
        taken = start;
    if (taken < FCode.size()) {
        in.Right = FCode[taken].Op == opConst ? rtConst : rtVar;
        in.Arg = FCode[taken].Arg;
        in.Var = FCode[taken].Var;
        FCode.erase(FCode.begin() + std::ptrdiff_t(taken));
    }
    FCode.push_back(in);
    return result;
}

bool TkwIntCode::RunLong(int &Result) const
{
    // Threaded: each instruction jumps to the next one's handler itself, so
    // the jumps are told apart when they are predicted.
    static const void *const handlers[] = {&&Const, &&Var, &&BoolVar, &&Elem, &&Add, &&Sub, &&Mul, &&Div, &&Mod,
                                           &&Neg, &&Lt, &&Le, &&Gt, &&Ge, &&Eq, &&Ne, &&AndJump, &&OrJump, &&End};
    static_assert(sizeof(handlers) / sizeof(handlers[0]) == opEnd + 1);
    qint64 st[MaxIntCode + 1];
    int sp = 0;
    const TInstr *const base = FCode.data();
    const TInstr *pc = base;
    qint64 a = 0, b = 0, r = 0;
#define KW_NEXT goto *handlers[(++pc)->Op]
// The operands of a binary operator into a and b.
#define KW_OPERANDS                                                                                           \
    if (pc->Right == rtStack)                                                                                 \
        b = st[--sp];                                                                                         \
    else if (!Operand(pc->Right == rtVar ? pc->Var : nullptr, pc->Arg, b))                                 \
        return false;                                                                                         \
    a = st[sp - 1]
#define KW_RESULT                                                                                             \
    if (!FitsInt(r))                                                                                          \
        return false;                                                                                         \
    st[sp - 1] = r;                                                                                           \
    KW_NEXT
    goto *handlers[pc->Op];
Const:
    st[sp++] = pc->Arg;
    KW_NEXT;
Var:
    if (!Operand(pc->Var, 0, a))
        return false;
    st[sp++] = a;
    KW_NEXT;
BoolVar: {
    if (!pc->Var->DirectRead())
        return false;
    const Variant &v = pc->Var->Value();
    if (v.VType() != varBoolean)
        return false;
    st[sp++] = v.AsBoolean();
    KW_NEXT;
}
Elem: {
    if (!pc->Var->DirectRead())
        return false;
    int index[3];
    sp -= pc->Arg;
    for (int d = 0; d < pc->Arg; ++d)
        index[d] = int(st[sp + d]);
    const Variant *e = VarArrayItemPtr(pc->Var->Value(), index, pc->Arg);
    if (!e || e->VType() != varInteger)
        return false;
    st[sp++] = e->AsInteger();
    KW_NEXT;
}
Add:
    KW_OPERANDS;
    r = a + b;
    KW_RESULT;
Sub:
    KW_OPERANDS;
    r = a - b;
    KW_RESULT;
Mul:
    KW_OPERANDS;
    r = a * b;
    KW_RESULT;
Div:
    KW_OPERANDS;
    if (!b)
        return false;
    r = IntQuot(a, b);
    KW_RESULT;
Mod:
    KW_OPERANDS;
    if (!b)
        return false;
    r = IntRem(a, b);
    KW_RESULT;
Neg:
    st[sp - 1] = -st[sp - 1];
    if (!FitsInt(st[sp - 1]))
        return false;
    KW_NEXT;
Lt:
    KW_OPERANDS;
    st[sp - 1] = a < b;
    KW_NEXT;
Le:
    KW_OPERANDS;
    st[sp - 1] = a <= b;
    KW_NEXT;
Gt:
    KW_OPERANDS;
    st[sp - 1] = a > b;
    KW_NEXT;
Ge:
    KW_OPERANDS;
    st[sp - 1] = a >= b;
    KW_NEXT;
Eq:
    KW_OPERANDS;
    st[sp - 1] = a == b;
    KW_NEXT;
Ne:
    KW_OPERANDS;
    st[sp - 1] = a != b;
    KW_NEXT;
AndJump:
    if (st[sp - 1] == 0) {
        pc = base + pc->Arg;
        goto *handlers[pc->Op];
    }
    --sp;
    KW_NEXT;
OrJump:
    if (st[sp - 1] != 0) {
        pc = base + pc->Arg;
        goto *handlers[pc->Op];
    }
    --sp;
    KW_NEXT;
End:
    Result = int(st[0]);
    return true;
#undef KW_NEXT
#undef KW_OPERANDS
#undef KW_RESULT
}

bool TkwIntCode::RunWide(qint64 &Result, bool &Wide) const
{
    // Threaded: each instruction jumps to the next one's handler itself, so
    // the jumps are told apart when they are predicted.
    static const void *const handlers[] = {&&Const, &&Var, &&BoolVar, &&Elem, &&Add, &&Sub, &&Mul, &&Div, &&Mod,
                                           &&Neg, &&Lt, &&Le, &&Gt, &&Ge, &&Eq, &&Ne, &&AndJump, &&OrJump, &&End};
    static_assert(sizeof(handlers) / sizeof(handlers[0]) == opEnd + 1);
    // Each value with its Int64 mark.
    qint64 st[MaxIntCode + 1];
    bool wd[MaxIntCode + 1];
    int sp = 0;
    const TInstr *const base = FCode.data();
    const TInstr *pc = base;
    qint64 a = 0, b = 0, r = 0;
    bool wb = false;
#define KW_NEXT goto *handlers[(++pc)->Op]
// The operands of a binary operator into a and b, the right one's mark into wb.
#define KW_OPERANDS                                                                                           \
    if (pc->Right == rtStack) {                                                                               \
        --sp;                                                                                                 \
        b = st[sp];                                                                                           \
        wb = wd[sp];                                                                                          \
    } else if (!WideOperand(pc->Right == rtVar ? pc->Var : nullptr, pc->Arg, b, wb))                          \
        return false;                                                                                         \
    a = st[sp - 1]
// An arithmetic operator's result over its left operand.
#define KW_ARITH(Op)                                                                                          \
    KW_OPERANDS;                                                                                              \
    if (!Arith(Op, a, b, r))                                                                                  \
        return false;                                                                                         \
    st[sp - 1] = r;                                                                                           \
    wd[sp - 1] = wd[sp - 1] || wb || !FitsInt(r);                                                             \
    KW_NEXT
#define KW_CMP(Cmp)                                                                                           \
    KW_OPERANDS;                                                                                              \
    st[sp - 1] = a Cmp b;                                                                                     \
    wd[sp - 1] = false;                                                                                       \
    KW_NEXT
    goto *handlers[pc->Op];
Const:
    st[sp] = pc->Arg;
    wd[sp++] = false;
    KW_NEXT;
Var:
    if (!WideOperand(pc->Var, 0, a, wb))
        return false;
    st[sp] = a;
    wd[sp++] = wb;
    KW_NEXT;
BoolVar: {
    if (!pc->Var->DirectRead())
        return false;
    const Variant &v = pc->Var->Value();
    if (v.VType() != varBoolean)
        return false;
    st[sp] = v.AsBoolean();
    wd[sp++] = false;
    KW_NEXT;
}
Elem: {
    if (!pc->Var->DirectRead())
        return false;
    int index[3];
    sp -= pc->Arg;
    for (int d = 0; d < pc->Arg; ++d) {
        if (!FitsInt(st[sp + d]))
            return false;
        index[d] = int(st[sp + d]);
    }
    const Variant *e = VarArrayItemPtr(pc->Var->Value(), index, pc->Arg);
    if (!e || (e->VType() != varInteger && e->VType() != varInt64))
        return false;
    const bool wide = e->VType() == varInt64;
    st[sp] = wide ? e->AsInt64() : e->AsInteger();
    wd[sp++] = wide;
    KW_NEXT;
}
Add:
    KW_ARITH(opAdd);
Sub:
    KW_ARITH(opSub);
Mul:
    KW_ARITH(opMul);
Div:
    KW_ARITH(opDiv);
Mod:
    KW_ARITH(opMod);
Neg:
    // The lowest Int64 negated is a Double; the lowest Integer an Int64.
    if (st[sp - 1] == std::numeric_limits<qint64>::min())
        return false;
    st[sp - 1] = -st[sp - 1];
    wd[sp - 1] = wd[sp - 1] || !FitsInt(st[sp - 1]);
    KW_NEXT;
Lt:
    KW_CMP(<);
Le:
    KW_CMP(<=);
Gt:
    KW_CMP(>);
Ge:
    KW_CMP(>=);
Eq:
    KW_CMP(==);
Ne:
    KW_CMP(!=);
AndJump:
    if (st[sp - 1] == 0) {
        pc = base + pc->Arg;
        goto *handlers[pc->Op];
    }
    --sp;
    KW_NEXT;
OrJump:
    if (st[sp - 1] != 0) {
        pc = base + pc->Arg;
        goto *handlers[pc->Op];
    }
    --sp;
    KW_NEXT;
End:
    Result = st[0];
    Wide = wd[0];
    FWideFirst = Wide;
    return true;
#undef KW_NEXT
#undef KW_OPERANDS
#undef KW_ARITH
#undef KW_CMP
}

// ---------------------------------------------------------------------------
// Sets

TkwSetExpression::TkwSetExpression() : TkwCustomVariable(QString(), fvtVariant, QStringLiteral("Variant"))
{
}

TkwSetExpression::~TkwSetExpression()
{
    for (TkwExpression *e : FSetItems)
        delete e;
}

bool TkwSetExpression::Contains(const Variant &Value)
{
    const int n = ItemCount();
    for (int i = 0; i < n; ++i) {
        TkwExpression *item = FSetItems[size_t(i)];
        if (!item)
            continue;
        if (i + 2 < n && !FSetItems[size_t(i + 1)] && FSetItems[size_t(i + 2)]) {
            if (VarCompare(Value, item->GetValue(), opCmpGE)
                && VarCompare(Value, FSetItems[size_t(i + 2)]->GetValue(), opCmpLE))
                return true;
            i += 2;
        } else if (VarCompare(Value, item->GetValue(), opCmpEQ)) {
            return true;
        }
    }
    return false;
}

Variant TkwSetExpression::GetValue()
{
    QList<Variant> values;
    for (TkwExpression *e : FSetItems)
        values.append(e ? e->GetValue() : Null());
    return VarArrayOf(values);
}

// ---------------------------------------------------------------------------
// Designators

TkwDesignator::TkwDesignator(TkwScript *AProgram)
    : TkwCustomVariable(QString(), fvtVariant, QStringLiteral("Variant")), FProgram(AProgram)
{
}

TkwDesignator::~TkwDesignator() = default;

TkwDesignatorItem &TkwDesignator::AddItem(TkwCustomVariable *Ref)
{
    auto item = std::make_unique<TkwDesignatorItem>();
    item->Ref = Ref;
    item->Helper = dynamic_cast<TkwCustomHelper *>(Ref);
    item->Proc = dynamic_cast<TkwProcVariable *>(Ref);
    item->FixedParams = item->Proc || dynamic_cast<TkwMethodHelper *>(Ref);
    FDItems.push_back(std::move(item));
    return *FDItems.back();
}

// An expression that calls nothing: constants, plain variables and
// operators over them.
static bool CallsNothing(const TkwExpressionNode *N)
{
    if (!N)
        return true;
    if (auto *d = dynamic_cast<const TkwDesignatorNode *>(N))
        return d->Designator()->PlainVariable() != nullptr;
    if (dynamic_cast<const TkwSetNode *>(N))
        return false;
    if (dynamic_cast<const TkwOperatorNode *>(N))
        return CallsNothing(N->Left()) && CallsNothing(N->Right());
    return dynamic_cast<const TkwOperandNode *>(N) != nullptr;
}

static bool IsPlainVariable(TkwCustomVariable *V)
{
    return (dynamic_cast<TkwVariable *>(V) || dynamic_cast<TkwParamItem *>(V)) && !dynamic_cast<TkwCustomHelper *>(V);
}

void TkwDesignator::Finish()
{
    FPlain = nullptr;
    if (FDeferred) {
        SetTyp(fvtVariant);
        SetTypeName(QStringLiteral("Variant"));
        SetIsReadOnly(false);
        return;
    }
    if (FIsAddress) {
        SetTyp(fvtVariant);
        SetTypeName(QStringLiteral("Variant"));
        SetIsReadOnly(true);
        return;
    }
    if (FDItems.empty())
        return;
    TkwCustomVariable *last = FDItems.back()->Ref;
    SetTyp(last->Typ());
    SetTypeName(last->TypeName());
    SetIsReadOnly(last->IsReadOnly());
    // A constructor call gives an object of the class it was applied to.
    if (last->Typ() == fvtConstructor) {
        TkwClassVariable *cls = nullptr;
        if (FDItems.size() >= 2)
            cls = dynamic_cast<TkwClassVariable *>(FDItems[FDItems.size() - 2]->Ref);
        if (!cls && FDItems.back()->Helper)
            cls = FDItems.back()->Helper->ClassVar();
        if (cls) {
            SetTyp(fvtClass);
            SetTypeName(cls->Name());
        }
    }
    if (FDItems.size() == 1 && FDItems[0]->Args.empty() && IsPlainVariable(last))
        FPlain = last;
    FArrayVar = nullptr;
    if (FDItems.size() == 2 && FDItems[0]->Args.empty() && IsPlainVariable(FDItems[0]->Ref)
        && dynamic_cast<TkwArrayHelper *>(FDItems[1]->Helper)) {
        const auto &args = FDItems[1]->Args;
        const int n = int(args.size());
        bool pure = n >= 1 && n <= 3 && n <= FDItems[1]->Ref->Count();
        for (const auto &a : args)
            pure = pure && CallsNothing(a->Root());
        if (pure)
            FArrayVar = dynamic_cast<TkwVariable *>(FDItems[0]->Ref);
    }
}

bool TkwDesignator::IndexFast(int *Index, int &Count)
{
    if (!FArrayVar || FArrayVar->OnGetVarValue().Assigned())
        return false;
    const Variant &a = FArrayVar->Value();
    const auto &args = FDItems[1]->Args;
    Count = int(args.size());
    if (!VarIsArray(a) || VarArrayDimCount(a) != Count)
        return false;
    // The indexes call nothing, so reading the variable before or after
    // them is the same.
    for (int d = 0; d < Count; ++d) {
        int i;
        if (args[size_t(d)]->TryInt(i)) {
            Index[d] = i;
            continue;
        }
        Variant v;
        Index[d] = args[size_t(d)]->EvalInt(i, v) ? i : v.AsInteger();
    }
    return true;
}

const Variant *TkwDesignator::ElementRef()
{
    if (!FArrayVar || FDeferred || FIsAddress)
        return nullptr;
    int index[3];
    int count = 0;
    if (!IndexFast(index, count))
        return nullptr;
    return &VarArrayItem(FArrayVar->Value(), index, count);
}

void TkwDesignator::SetDeferred(TkwXMLItem *Element, int Mode, bool NeedDeclareVars)
{
    FDeferred.reset(Element);
    FDeferredMode = Mode;
    FDeferredDeclare = NeedDeclareVars;
}

void TkwDesignator::TakeItems(TkwDesignator &Source)
{
    FDItems = std::move(Source.FDItems);
    FIsAddress = Source.FIsAddress;
    FValue = Source.FValue;
    FPlain = Source.FPlain;
    FArrayVar = Source.FArrayVar;
    SetIsReadOnly(Source.IsReadOnly());
}

void TkwDesignator::Resolve()
{
    kwResolveDeferred(this, FDeferred.get(), FDeferredMode, FDeferredDeclare);
    FDeferred.reset();
}

void TkwDesignator::SetAddress(const QString &Name)
{
    FIsAddress = true;
    FValue = Variant(Name);
}


namespace {

// The lowest address the interpreter may use on this thread's stack, with
// room left for the exception and the host; nil when the stack is unknown.
const char *StackLimit()
{
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0)
        return nullptr;
    void *base = nullptr;
    size_t size = 0;
    const bool ok = pthread_attr_getstack(&attr, &base, &size) == 0;
    pthread_attr_destroy(&attr);
    if (!ok || !base)
        return nullptr;
    const size_t reserve = std::min<size_t>(size / 4, 1024 * 1024);
    return static_cast<const char *>(base) + reserve;
}

} // namespace

void kwStackCheckFailed()
{
    static thread_local bool known = false;
    if (!known) {
        known = true;
        kwStackLimit = reinterpret_cast<quintptr>(StackLimit());
        if (reinterpret_cast<quintptr>(__builtin_frame_address(0)) >= kwStackLimit)
            return;
    }
    kwStackOverflow();
}

void kwStackOverflow()
{
    throw EStackOverflow(SStackOverflow);
}

namespace {

struct TSavedValue
{
    TkwLocal Local;
    Variant Value;
};

// The values that running frames keep, one stack for all of them: each frame
// saves at the top and restores down to where it started, frames ending in
// the reverse order of their start. The slots stay allocated, so a call
// copies values into them and nothing more.
class TSavedStack
{
public:
    size_t Size() const { return FSize; }
    TSavedValue *Push(size_t Count)
    {
        if (FSize + Count > FSlots.size())
            FSlots.resize(std::max(FSlots.size() * 2, FSize + Count + 16));
        TSavedValue *r = FSlots.data() + FSize;
        FSize += Count;
        return r;
    }
    TSavedValue *At(size_t Index) { return FSlots.data() + Index; }
    void PopTo(size_t Size) { FSize = Size; }

private:
    std::vector<TSavedValue> FSlots;
    size_t FSize = 0;
};

// Per thread: scripts running on other threads keep their own frames. A
// plain pointer, so reaching it needs no first-use check; the stack itself
// is made on the thread's first recursion and freed with the thread.
thread_local TSavedStack *SavedStackOfThread = nullptr;

[[gnu::noinline]] TSavedStack *NewSavedStack()
{
    static thread_local std::unique_ptr<TSavedStack> owner;
    owner = std::make_unique<TSavedStack>();
    return owner.get();
}

inline TSavedStack &Saved()
{
    if (!SavedStackOfThread) [[unlikely]]
        SavedStackOfThread = NewSavedStack();
    return *SavedStackOfThread;
}

} // namespace

void TkwCallFrame::Save(TkwProcVariable *Proc)
{
    // The routine knows its locals (found once): a call only copies values.
    const std::vector<TkwLocal> &locals = Proc->Locals();
    TSavedStack &saved = Saved();
    FBase = saved.Size();
    FSaving = true;
    TSavedValue *s = saved.Push(locals.size());
    for (const TkwLocal &l : locals) {
        s->Local = l;
        s->Value = l.Var->Value();
        ++s;
    }
}

void TkwCallFrame::RestoreSaved()
{
    FSaving = false;
    TSavedStack &saved = Saved();
    const size_t top = saved.Size();
    for (size_t i = FBase; i < top; ++i) {
        TSavedValue *s = saved.At(i);
        if (s->Local.Str && !s->Local.Str->IsReadOnly())
            s->Local.Str->SetValue(s->Value);
        else
            s->Local.Var->StoreValue(std::move(s->Value));
        // A move may swap texts: a slot keeps no text or array alive after
        // its frame.
        if (!s->Value.IsScalar())
            s->Value.Clear();
    }
    saved.PopTo(FBase);
}

Variant TkwDesignator::Access(TkwDesignatorItem &Item, TkwCustomVariable *Prev, Variant &PrevValue, bool Need,
                              bool Write, const Variant &WriteValue)
{
    TkwCustomVariable *ref = Item.Ref;
    const int argCount = int(Item.Args.size());
    const int paramCount = ref->Count();
    QVarLengthArray<Variant, 4> args;
    for (int j = 0; j < argCount; ++j) {
        TkwExpression *e = Item.Args[size_t(j)].get();
        args.append(ref->IsMacro() ? Variant(e->Source()) : e->GetValue());
    }
    TkwCallFrame frame(Item.Proc);
    QVarLengthArray<std::pair<int, Variant>, 4> back;
    for (int j = 0; j < paramCount; ++j) {
        TkwParamItem *p = ref->ParamAt(j);
        const Variant &v = j < argCount ? args[j] : p->DefValue();
        // A parameter of a script routine takes an Integer as it is.
        if (Item.Proc && v.VType() == varInteger && p->DirectIntWrite())
            p->StoreInt(v.AsInteger());
        else
            p->SetValue(v);
    }
    if (Item.Helper) {
        Item.Helper->SetParentRef(Prev);
        // Handed over, not copied: an array or string the previous item
        // holds must not be shared while this one writes into it.
        Item.Helper->SetParentValue(std::move(PrevValue));
        Item.Helper->SetNeedResult(Need);
    }
    if (Write)
        ref->SetValue(WriteValue);
    Variant result = Write ? Variant() : ref->GetValue();
    // A script routine's parameters stay as declared: whether it has var
    // ones is known after the first call.
    if (Item.VarParams != 0) {
        bool any = false;
        for (int j = 0; j < argCount && j < paramCount; ++j)
            if (ref->Params(j)->IsVarParam()) {
                back.append({j, ref->Params(j)->GetValue()});
                any = true;
            }
        if (Item.FixedParams)
            Item.VarParams = any ? 1 : 0;
    }
    frame.Restore();
    for (const auto &[j, value] : back)
        Item.Args[size_t(j)]->SetValue(value);
    return result;
}

Variant TkwDesignator::CallRoutine(TkwDesignatorItem &Item)
{
    TkwCustomVariable *ref = Item.Ref;
    const size_t argCount = Item.Args.size();
    // The arguments are read before the frame keeps a running routine's
    // values: they may read those values. Arguments that are pure Integer
    // programs are read here; any other takes the general way (nothing has
    // been evaluated that it would notice).
    int args[MaxFastArgs];
    for (size_t j = 0; j < argCount; ++j)
        if (!Item.Args[j]->TryInt(args[j])) {
            Variant v;
            return Access(Item, nullptr, v, FNeedResult, false, v);
        }
    TkwCallFrame frame(Item.Proc);
    const int paramCount = ref->Count();
    for (int j = 0; j < paramCount; ++j) {
        TkwParamItem *p = ref->ParamAt(j);
        if (size_t(j) >= argCount)
            p->SetValue(p->DefValue());
        else if (Item.Proc && p->DirectIntWrite())
            p->StoreInt(args[j]); // a script routine's parameter takes an Integer as it is
        else
            p->SetValue(Variant(args[j]));
    }
    if (Item.Helper) {
        Item.Helper->SetParentRef(nullptr);
        Item.Helper->SetParentValue(Variant());
        Item.Helper->SetNeedResult(FNeedResult);
    }
    return Item.Proc ? Item.Proc->Run() : ref->GetValue();
}

Variant TkwDesignator::GetValue()
{
    if (FDeferred)
        Resolve();
    if (FIsAddress)
        return FValue;
    if (FPlain)
        return FPlain->GetValue();
    const size_t n = FDItems.size();
    // A call of a routine: its value as it comes.
    if (n == 1) {
        TkwDesignatorItem &item = *FDItems[0];
        // A script routine or host method known to have no var parameters
        // (after its first call), with few arguments and no macro, takes the
        // short way.
        if (item.VarParams == 0 && item.Args.size() <= MaxFastArgs && !item.Ref->IsMacro())
            return CallRoutine(item);
    }
    return GetGeneral();
}

Variant TkwDesignator::GetGeneral()
{
    const size_t n = FDItems.size();
    if (n == 1) {
        Variant v;
        return Access(*FDItems[0], nullptr, v, FNeedResult, false, v);
    }
    int index[3];
    int count = 0;
    if (FArrayVar && IndexFast(index, count))
        return VarArrayItem(FArrayVar->Value(), index, count);
    Variant v;
    TkwCustomVariable *prev = nullptr;
    for (size_t i = 0; i < n; ++i) {
        TkwDesignatorItem &item = *FDItems[i];
        v = Access(item, prev, v, i + 1 < n || FNeedResult, false, Variant());
        prev = item.Ref;
    }
    return v;
}

void TkwDesignator::SetValue(const Variant &Value)
{
    if (FDeferred)
        Resolve();
    if (IsReadOnly())
        return;
    if (FPlain) {
        FPlain->SetValue(Value);
        return;
    }
    int index[3];
    int count = 0;
    if (FArrayVar && !FArrayVar->IsReadOnly() && IndexFast(index, count)) {
        kwCheckObject(Value);
        TkwArrayHelper::PutInto(FArrayVar, Value, index, count);
        return;
    }
    Variant v;
    TkwCustomVariable *prev = nullptr;
    const size_t n = FDItems.size();
    for (size_t i = 0; i < n; ++i) {
        TkwDesignatorItem &item = *FDItems[i];
        const bool last = i + 1 == n;
        v = Access(item, prev, v, true, last, Value);
        prev = item.Ref;
    }
}

// ---------------------------------------------------------------------------
// Late-bound members

TkwLateHelper::TkwLateHelper(const QString &AName, int ArgCount)
    : TkwCustomHelper(AName, fvtVariant, QStringLiteral("Variant"))
{
    for (int i = 0; i < ArgCount; ++i)
        Add(new TkwParamItem(QStringLiteral("p%1").arg(i), fvtVariant, QStringLiteral("Variant"), true, false));
}

TkwCustomVariable *TkwLateHelper::Resolve()
{
    const Variant &pv = ParentValue();
    const bool index = Name() == QLatin1String("[");
    TkwCustomHelper *member = nullptr;
    if (VarType(pv) == varObject) {
        TObject *obj = kwVarToObject(pv);
        if (!obj)
            throw EInvalidPointer(SNilObject);
        TkwClassVariable *cls = nullptr;
        for (TClass c = obj->ClassType(); c && !cls && Script(); c = c->ClassParent())
            cls = Script()->FindClass(c->ClassName());
        if (cls)
            member = index ? cls->DefProp() : cls->Find(Name());
    } else if (index) {
        // The registered helpers, else the engine's own.
        if (VarIsStr(pv)) {
            if (Script())
                member = dynamic_cast<TkwCustomHelper *>(Script()->Find(QStringLiteral("__StringHelper")));
            if (!member) {
                if (!FStringHelper)
                    FStringHelper = std::make_unique<TkwStringHelper>();
                member = FStringHelper.get();
            }
        } else if (VarIsArray(pv)) {
            if (Script())
                member = dynamic_cast<TkwCustomHelper *>(Script()->Find(QStringLiteral("__ArrayHelper")));
            if (!member) {
                if (!FArrayHelper)
                    FArrayHelper = std::make_unique<TkwArrayHelper>(QStringLiteral("__ArrayHelper"), 3, fvtVariant,
                                                                    QStringLiteral("Variant"), 1);
                member = FArrayHelper.get();
            }
        }
        if (member)
            member->SetScript(Script());
    }
    if (!member)
        throw Exception(SIdUndeclared + QLatin1Char('\'') + Name() + QLatin1Char('\''));
    member->SetParentRef(ParentRef());
    member->SetParentValue(pv);
    member->SetNeedResult(NeedResult());
    return member;
}

void TkwLateHelper::PassArgs(TkwCustomVariable *Target)
{
    if (Count() > Target->Count())
        throw Exception(STooManyParams);
    if (Count() < Target->RequiredParamCount())
        throw Exception(SNotEnoughParams);
    for (int j = 0; j < Target->Count(); ++j) {
        TkwParamItem *p = Target->Params(j);
        p->SetValue(j < Count() ? Params(j)->GetValue() : p->DefValue());
    }
}

void TkwLateHelper::TakeVarParams(TkwCustomVariable *Target)
{
    const int n = std::min(Count(), Target->Count());
    for (int j = 0; j < n; ++j) {
        TkwParamItem *p = Target->Params(j);
        Params(j)->SetIsVarParam(p->IsVarParam());
        if (p->IsVarParam())
            Params(j)->SetValue(p->GetValue());
    }
}

void TkwLateHelper::SetBracketArgs(int ArgCount)
{
    FBracket = true;
    for (int i = Count(); i < ArgCount; ++i)
        Add(new TkwParamItem(QStringLiteral("p%1").arg(i), fvtVariant, QStringLiteral("Variant"), true, false));
}

TkwCustomVariable *TkwLateHelper::IndexMember(TkwCustomVariable *Member)
{
    auto *m = dynamic_cast<TkwMethodHelper *>(Member);
    if (m && m->IndexMethod())
        return nullptr;
    for (int j = 0; j < Member->Count(); ++j)
        Member->Params(j)->SetValue(Member->Params(j)->DefValue());
    if (Member->RequiredParamCount() > 0)
        throw Exception(SNotEnoughParams);
    const Variant v = Member->GetValue();
    if (!FIndex) {
        FIndex = std::make_unique<TkwLateHelper>(QStringLiteral("["), Count());
        FIndex->SetScript(Script());
    }
    for (int j = 0; j < Count(); ++j)
        FIndex->Params(j)->SetValue(Params(j)->GetValue());
    FIndex->SetParentRef(Member);
    FIndex->SetParentValue(v);
    FIndex->SetNeedResult(NeedResult());
    return FIndex.get();
}

Variant TkwLateHelper::GetValue()
{
    TkwCustomVariable *t = Resolve();
    if (FBracket)
        if (TkwCustomVariable *i = IndexMember(t))
            return i->GetValue();
    PassArgs(t);
    const Variant r = t->GetValue();
    TakeVarParams(t);
    return r;
}

void TkwLateHelper::SetValue(const Variant &Value)
{
    TkwCustomVariable *t = Resolve();
    if (FBracket)
        if (TkwCustomVariable *i = IndexMember(t)) {
            i->SetValue(Value);
            return;
        }
    PassArgs(t);
    t->SetValue(Value);
}
