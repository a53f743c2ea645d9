// Expressions of the script engine: a small tree of operand and operator
// nodes ordered by operator priority, type-checked once when it is built and
// evaluated by walking it with variants; designators (a name followed by
// members, indexes and arguments) and set constructors.
#pragma once
#include "kw_iinterpreter.h"
#include "kw_ixml.h"
#include <climits>
#include <limits>
#include <memory>
#include <vector>

// Raised when script routines nest deeper than the interpreter allows (an
// endless recursion), before the machine's stack runs out.
STATION_EXCEPTION(EStackOverflow, Exception)
extern QString SStackOverflow; // "Stack overflow"
// Levels of an expression tree (a flat chain of n operators has n + 1);
// deeper ones are refused as "Nesting too deep".
constexpr int kwMaxExpressionDepth = 1000;

// VarAdd, refusing a joined string longer than scripts may build.
Variant kwVarAdd(const Variant &L, const Variant &R);

class TkwDesignator;
class TkwSetExpression;
class TkwExpression;

// Operator codes; "strcat" shares the code of "+".
enum TkwOperatorCode {
    ocNone = 0, ocGreat, ocLess, ocLessEq, ocGreatEq, ocNonEq, ocEq, ocPlus, ocMinus, ocOr, ocXor, ocMul,
    ocDivFloat, ocDivInt, ocMod, ocAnd, ocShl, ocShr, ocLeftBracket, ocRightBracket, ocNot, ocUnMinus, ocIn,
    ocIs
};

class TkwExpressionNode : public TkwCustomVariable
{
public:
    TkwExpressionNode(TkwVarType ATyp, const QString &ATypeName);
    // Destroys the children.
    ~TkwExpressionNode() override;

    virtual int Priority() const = 0;
    // Evaluates the node once: True with V when the value is an Integer,
    // else False with the value in Value. Integer arithmetic and
    // comparisons go through here without a Variant per step.
    virtual bool EvalInt(int &V, Variant &Value);
    // GetValue().AsBoolean(), without a Variant where the node allows it
    // (conditions of statements).
    virtual bool EvalBool() { return GetValue().AsBoolean(); }

    TkwExpressionNode *Left() const { return FLeft; }
    TkwExpressionNode *Right() const { return FRight; }
    TkwExpressionNode *ParentNode() const { return FParentNode; }
    const QString &SourcePos() const { return FSourcePos; }
    void SetSourcePos(const QString &Value) { FSourcePos = Value; }
    // The script the expression belongs to.
    TkwScript *Script() const { return FScript; }
    void SetScript(TkwScript *Value) { FScript = Value; }

    // Attaches Node as the Left child when that is free, else as the Right.
    void AddNode(TkwExpressionNode *Node);
    // Takes Node out of this node's children (not freed).
    void RemoveNode(TkwExpressionNode *Node);

protected:
    TkwExpressionNode *FLeft = nullptr;
    TkwExpressionNode *FRight = nullptr;

private:
    TkwExpressionNode *FParentNode = nullptr;
    TkwScript *FScript = nullptr;
    QString FSourcePos;
};

// A constant value.
class TkwOperandNode : public TkwExpressionNode
{
public:
    explicit TkwOperandNode(const Variant &AValue);
    int Priority() const override { return 0; }
    Variant GetValue() override { return FValue; }
    bool EvalInt(int &V, Variant &Value) override;

protected:
    TkwOperandNode(TkwVarType ATyp, const QString &ATypeName) : TkwExpressionNode(ATyp, ATypeName) {}
};

class TkwDesignatorNode final : public TkwOperandNode
{
public:
    explicit TkwDesignatorNode(TkwDesignator *ADesignator);
    ~TkwDesignatorNode() override;
    Variant GetValue() override;
    bool EvalInt(int &V, Variant &Value) override;
    bool EvalBool() override;
    TkwDesignator *Designator() const { return FDesignator.get(); }

private:
    std::unique_ptr<TkwDesignator> FDesignator;
    TkwCustomVariable *FPlain; // the variable of a plain variable designator
};

class TkwSetNode : public TkwOperandNode
{
public:
    explicit TkwSetNode(TkwSetExpression *ASet);
    ~TkwSetNode() override;
    Variant GetValue() override;
    // The value is built on each evaluation, never an Integer.
    bool EvalInt(int &V, Variant &Value) override { return TkwExpressionNode::EvalInt(V, Value); }
    TkwSetExpression *SetExpression() const { return FSet.get(); }

private:
    std::unique_ptr<TkwSetExpression> FSet;
};

class TkwOperatorNode : public TkwExpressionNode
{
public:
    explicit TkwOperatorNode(TkwOperatorCode AOp);
    TkwOperatorCode Op() const { return FOp; }
    // Both operands are of type fvtBool.
    bool BooleanOperands() const { return FBooleanOperands; }
    void SetBooleanOperands(bool Value) { FBooleanOperands = Value; }
    // The "strcat" operator (it shares the code of "+").
    bool StrCat() const { return FStrCat; }
    // The node for an operator text of the program tree; nil when unknown.
    static TkwOperatorNode *Create(const QString &OpText);

private:
    TkwOperatorCode FOp;
    bool FBooleanOperands = false;
    bool FStrCat = false;
};

// A pure expression over Integers and Booleans (constants, plain variables,
// elements of array variables with such indexes, + - * div mod, unary minus,
// the comparisons, and/or of Booleans) compiled to a short program over a
// stack of numbers, so evaluating it makes no Variant and no virtual call per
// node. Integer values that leave 32 bits, or are read from Int64s, are
// taken by a second program run over 64 bits that marks the values the
// Variant rules make Int64s, so a loop whose products pass 2^31 stays here.
// Run answers False when a value is not what the program expects (no
// Integer, Int64 or Boolean, a result the Variant rules make a Double, a
// zero divisor, an index outside the array): the caller then evaluates the
// tree, which reads the same values (the program calls nothing) and applies
// the Variant rules.
class TkwIntCode
{
public:
    enum TKind : char { ckNone, ckInt, ckBool };
    // Compiles the tree under Root; the kind of its value, ckNone (and no
    // program) when the tree has parts the program does not cover.
    TKind Compile(TkwExpressionNode *Root);
    // The value; Wide when the Variant rules make it an Int64 (never for a
    // Boolean). A value that is not Wide fits in 32 bits.
    bool Run(qint64 &Result, bool &Wide) const
    {
        int v;
        // The 32-bit run first, unless the last value was an Int64.
        if (!FWideFirst && (FShort ? RunShort(v) : RunLong(v))) {
            Result = v;
            Wide = false;
            return true;
        }
        return RunWide(Result, Wide);
    }

private:
    enum TOp : char {
        opConst, opVar, opBoolVar, opElem, opAdd, opSub, opMul, opDiv, opMod, opNeg, opLt, opLe, opGt, opGe,
        opEq, opNe, opAndJump, opOrJump, opEnd
    };
    // Where a binary operator takes its right operand.
    enum TRight : char { rtStack, rtConst, rtVar };
    struct TInstr
    {
        TOp Op;
        TRight Right;
        int Arg; // constant, index count, jump target
        TkwCustomVariable *Var;
    };
    TKind Emit(TkwExpressionNode *N, int Depth);
    // A program of one operand, or of an operand and an operator taking
    // its right operand itself ("n - 1", "i <= 10"), runs without the loop.
    inline bool RunShort(int &Result) const;
    bool RunLong(int &Result) const;
    // The program over 64 bits with the Int64 marks.
    bool RunWide(qint64 &Result, bool &Wide) const;
    // A binary operator on two numbers with the Variant rules for Integers
    // and Int64s; False when the rules give no integer (an Int64 overflow
    // gives a Double) or raise (a zero divisor).
    [[gnu::always_inline]] static inline bool Arith(TOp Op, qint64 A, qint64 B, qint64 &R);
    // The operand of RunWide: False when the variable holds no Integer or
    // Int64 now; Wide for an Int64.
    static bool WideOperand(TkwCustomVariable *Var, int Const, qint64 &V, bool &Wide)
    {
        if (!Var) {
            V = Const;
            Wide = false;
            return true;
        }
        if (!Var->DirectRead())
            return false;
        const Variant &v = Var->Value();
        if (v.VType() == varInteger) {
            V = v.AsInteger();
            Wide = false;
            return true;
        }
        if (v.VType() != varInt64)
            return false;
        V = v.AsInt64();
        Wide = true;
        return true;
    }
    // Quotient and remainder of two values inside 32 bits, by the 32-bit
    // division (much quicker than the 64-bit one); B is not 0.
    static qint64 IntQuot(qint64 A, qint64 B) { return B == -1 ? -A : qint64(int(A) / int(B)); }
    static qint64 IntRem(qint64 A, qint64 B) { return B == -1 ? 0 : qint64(int(A) % int(B)); }
    // An operand of a program: False when the variable holds no Integer now.
    static bool Operand(TkwCustomVariable *Var, int Const, qint64 &V)
    {
        if (!Var) {
            V = Const;
            return true;
        }
        if (!Var->DirectRead() || Var->Value().VType() != varInteger)
            return false;
        V = Var->Value().AsInteger();
        return true;
    }
    std::vector<TInstr> FCode;
    bool FShort = false;
    // The short program's operands and operator, held here so a run reads
    // no vector.
    struct TOperand
    {
        TkwCustomVariable *Var;
        int Const;
    };
    TOperand FShortA{}, FShortB{};
    TOp FShortOp = opEnd; // opEnd: a single operand
    // The last run's value was an Int64: the next one starts over 64 bits.
    mutable bool FWideFirst = false;
};

inline bool TkwIntCode::Arith(TOp Op, qint64 A, qint64 B, qint64 &R)
{
    switch (Op) {
    case opAdd: return !__builtin_add_overflow(A, B, &R);
    case opSub: return !__builtin_sub_overflow(A, B, &R);
    case opMul: return !__builtin_mul_overflow(A, B, &R);
    case opDiv:
        // The lowest Int64 divided by -1 is a Double.
        if (!B || (B == -1 && A == std::numeric_limits<qint64>::min()))
            return false;
        R = A / B;
        return true;
    default: // opMod
        if (!B)
            return false;
        R = B == -1 ? 0 : A % B;
        return true;
    }
}

// Inline: most conditions and arguments are one of these.
inline bool TkwIntCode::RunShort(int &Result) const
{
    qint64 a, b, r;
    if (!Operand(FShortA.Var, FShortA.Const, a))
        return false;
    if (FShortOp == opEnd) {
        Result = int(a);
        return true;
    }
    if (!Operand(FShortB.Var, FShortB.Const, b))
        return false;
    switch (FShortOp) {
    case opAdd: r = a + b; break;
    case opSub: r = a - b; break;
    case opMul: r = a * b; break;
    case opDiv: if (!b) return false; r = IntQuot(a, b); break;
    case opMod: if (!b) return false; r = IntRem(a, b); break;
    case opLt: r = a < b; break;
    case opLe: r = a <= b; break;
    case opGt: r = a > b; break;
    case opGe: r = a >= b; break;
    case opEq: r = a == b; break;
    default: r = a != b; break;
    }
    if (r < INT_MIN || r > INT_MAX)
        return false;
    Result = int(r);
    return true;
}

class TkwCustomExpression : public TkwCustomVariable
{
public:
    using TkwCustomVariable::TkwCustomVariable;
};

class TkwExpression : public TkwCustomExpression
{
public:
    TkwExpression(TkwScript *AProgram, const QString &ASourcePos);
    ~TkwExpression() override;

    // Building, one call per child of the expression element, in order.
    void AddOperator(const QString &OpText);
    void AddConst(const Variant &Value);
    void AddDesignator(TkwDesignator *ADesignator);
    void AddSet(TkwSetExpression *ASet);
    // Type-checks the tree; the position of the first badly typed node, empty
    // when the expression is well typed.
    QString Finish();

    Variant GetValue() override
    {
        qint64 v;
        bool wide;
        if (Code() != TkwIntCode::ckNone && FCode.Run(v, wide)) {
            if (FCodeKind == TkwIntCode::ckBool)
                return Variant(v != 0);
            return wide ? Variant(v) : Variant(int(v));
        }
        return FRoot->GetValue();
    }
    bool EvalBool()
    {
        qint64 v;
        bool wide;
        if (Code() == TkwIntCode::ckBool && FCode.Run(v, wide))
            return v != 0;
        return FRoot->EvalBool();
    }
    // The value as an Integer: True with V, else False with the value in
    // Value.
    bool EvalInt(int &V, Variant &Value)
    {
        qint64 v;
        bool wide;
        if (Code() == TkwIntCode::ckInt && FCode.Run(v, wide)) {
            if (!wide) {
                V = int(v);
                return true;
            }
            Value = Variant(v);
            return false;
        }
        return FRoot->EvalInt(V, Value);
    }
    // The value when the compiled Integer program gives it; False (nothing
    // evaluated that a second evaluation would notice: the program calls
    // nothing) when the expression has no such program or the program gives
    // up. Wide: the value is an Int64 by the Variant rules.
    bool TryInt64(qint64 &V, bool &Wide) { return Code() == TkwIntCode::ckInt && FCode.Run(V, Wide); }
    // The same for a value that is an Integer.
    bool TryInt(int &V)
    {
        qint64 v;
        bool wide;
        if (!TryInt64(v, wide) || wide)
            return false;
        V = int(v);
        return true;
    }
    // Assigns through the root designator unless the expression is read-only.
    void SetValue(const Variant &Value) override;

    TkwExpressionNode *Root() const { return FRoot; }
    // Takes the root out of the expression (the caller owns it).
    TkwExpressionNode *ReleaseRoot();
    // An expression over a node taken out of another one (type taken from it).
    void SetRoot(TkwExpressionNode *Node);
    // The designator of a root designator node, else nil.
    TkwDesignator *RootDesignator() const;
    TkwScript *Program() const { return FProgram; }
    const QString &SourcePos() const { return FSourcePos; }
    const QString &Source() const { return FSource; }
    void SetSource(const QString &Value) { FSource = Value; }

private:
    void AddOperand(TkwExpressionNode *Node);
    bool CheckNode(TkwExpressionNode *Node, QString &ErrorPos);
    // The kind of the compiled program, compiling it on the first
    // evaluation (the tree is complete by then).
    TkwIntCode::TKind Code()
    {
        if (!FCodeKnown) {
            FCodeKind = FCode.Compile(FRoot);
            FCodeKnown = true;
        }
        return FCodeKind;
    }

    TkwIntCode FCode;
    TkwIntCode::TKind FCodeKind = TkwIntCode::ckNone;
    bool FCodeKnown = false;
    TkwExpressionNode *FRoot;
    TkwExpressionNode *FCurrent;
    TkwScript *FProgram;
    QString FSourcePos;
    QString FSource;
};

// Items of a set constructor; a nil item between two expressions marks a
// range (low bound, nil, high bound).
class TkwSetExpression : public TkwCustomVariable
{
public:
    TkwSetExpression();
    ~TkwSetExpression() override;
    void AddItem(TkwExpression *Item) { FSetItems.push_back(Item); }
    int ItemCount() const { return int(FSetItems.size()); }
    TkwExpression *SetItems(int Index) const { return FSetItems[size_t(Index)]; }
    bool Contains(const Variant &Value);
    // Zero-based array of the items' values, Null for each range marker.
    Variant GetValue() override;

private:
    std::vector<TkwExpression *> FSetItems; // owned; nil marks a range
};

// One step of a designator: the item reached (a variable, routine, class
// entry, member or indexing helper) and the arguments given to it.
struct TkwDesignatorItem
{
    TkwCustomVariable *Ref = nullptr;
    TkwCustomHelper *Helper = nullptr; // Ref as a helper, when it is one
    TkwProcVariable *Proc = nullptr;   // Ref as a script routine, when it is one
    signed char VarParams = -1;        // the routine has var parameters (-1: not known yet)
    bool FixedParams = false;          // a script routine or host method: its parameters never change
    std::unique_ptr<TkwCustomVariable> Owned; // a late-bound member made for this item
    std::vector<std::unique_ptr<TkwExpression>> Args;
};

// A name with its members, indexes and arguments, read and written at run
// time through the items it resolved to while it was built.
class TkwDesignator final : public TkwCustomVariable
{
public:
    explicit TkwDesignator(TkwScript *AProgram);
    ~TkwDesignator() override;

    Variant GetValue() override;
    void SetValue(const Variant &Value) override;

    // Building.
    TkwDesignatorItem &AddItem(TkwCustomVariable *Ref);
    int ItemCount() const { return int(FDItems.size()); }
    TkwDesignatorItem &DItems(int Index) { return *FDItems[size_t(Index)]; }
    TkwDesignatorItem &LastItem() { return *FDItems.back(); }
    // Takes type, type name and read-only state from the last item.
    void Finish();
    // The routine named by an address designator ("@Proc"): the value is the
    // routine's name.
    void SetAddress(const QString &Name);
    bool IsAddress() const { return FIsAddress; }
    // Whether the last item's value is used (a call statement clears it).
    bool NeedResult() const { return FNeedResult; }
    void SetNeedResult(bool Value) { FNeedResult = Value; }
    // The variable of a single plain variable designator, else nil.
    TkwCustomVariable *PlainVariable() const { return FPlain; }
    TkwScript *Program() const { return FProgram; }
    // The array variable of an "a[i]" designator (see IndexFast), else nil.
    TkwVariable *ArrayVariable() const { return FDeferred ? nullptr : FArrayVar; }
    // The element of an "a[i]" designator (see IndexFast) where the array
    // variable keeps it; nil when the designator has no such form or the
    // variable's value does not allow it now. Raises for a bad index.
    const Variant *ElementRef();

    // A designator whose member could not be resolved while compiling: it
    // keeps its program-tree element (owned) and is built from it the first
    // time it is evaluated. Its type is Variant.
    void SetDeferred(TkwXMLItem *Element, int Mode, bool NeedDeclareVars);
    bool IsDeferred() const { return FDeferred != nullptr; }
    // Takes over the items and shortcuts of Source (the deferred build).
    void TakeItems(TkwDesignator &Source);

private:
    void Resolve();
    // PrevValue is handed on to the item (left empty).
    Variant Access(TkwDesignatorItem &Item, TkwCustomVariable *Prev, Variant &PrevValue, bool Need,
                   bool Write, const Variant &WriteValue);

    // A call of a script routine or host method of up to MaxFastArgs
    // arguments, none of them var parameters: what Access does for it,
    // without the general cases when every argument is an Integer.
    static constexpr size_t MaxFastArgs = 4;
    Variant CallRoutine(TkwDesignatorItem &Item);
    // GetValue's general ways, out of line so a call keeps a small frame.
    [[gnu::noinline]] Variant GetGeneral();
    // "a[i]" (up to three indexes without calls) on an array variable:
    // the element is read and written where the variable keeps it. False
    // when the variable or its value does not allow it right now.
    bool IndexFast(int *Index, int &Count);

    TkwScript *FProgram;
    std::vector<std::unique_ptr<TkwDesignatorItem>> FDItems;
    TkwCustomVariable *FPlain = nullptr;
    TkwVariable *FArrayVar = nullptr; // the variable of such an "a[i]"
    bool FIsAddress = false;
    bool FNeedResult = true;
    std::unique_ptr<TkwXMLItem> FDeferred;
    int FDeferredMode = 0;
    bool FDeferredDeclare = true;
};

// Builds a deferred designator's items from its element (the builder's).
void kwResolveDeferred(TkwDesignator *D, TkwXMLItem *E, int Mode, bool NeedDeclareVars);

// A member applied to a value whose type is only known at run time (a
// Variant): resolved on each access against the registered class of the
// object it holds; "[" indexes a string or an array value, or uses the
// object's default property.
class TkwLateHelper : public TkwCustomHelper
{
public:
    TkwLateHelper(const QString &AName, int ArgCount);
    Variant GetValue() override;
    void SetValue(const Variant &Value) override;
    // The member was written with ArgCount arguments in brackets: the index
    // of an indexed property, else an index into the member's value.
    void SetBracketArgs(int ArgCount);

private:
    TkwCustomVariable *Resolve();
    void PassArgs(TkwCustomVariable *Target);
    // The member's var parameters become this helper's, with the values the
    // call left, so the designator copies them out to the arguments.
    void TakeVarParams(TkwCustomVariable *Target);
    // With bracket arguments and a member that is no indexed property: the
    // helper indexing the member's value, its parent set.
    TkwCustomVariable *IndexMember(TkwCustomVariable *Member);

    bool FBracket = false;
    std::unique_ptr<TkwLateHelper> FIndex;
    std::unique_ptr<TkwCustomHelper> FStringHelper;
    std::unique_ptr<TkwCustomHelper> FArrayHelper;
};
