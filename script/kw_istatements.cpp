// Execution of the statements.
#include "kw_istatements.h"
#include <limits>

namespace {

// After one round of a loop body: whether the loop ends (break or exit);
// a continue is spent either way.
inline bool LoopEnds(TkwScript *P)
{
    const bool end = P->BreakCalled() || P->ExitCalled();
    P->SetContinueCalled(false);
    return end;
}

// Announces the statement's line; False when the program is terminated.
inline bool Announce(TkwStatement *S)
{
    S->Program()->RunLine(S->UnitName(), S->SourcePos());
    return !S->Program()->Terminated();
}

// After a round of a loop: a round that announced no line (an empty body, or
// one of only break or continue) announces the loop's own, so the host can
// always stop it. False when the loop is to end (break, exit, terminate).
inline bool NextRound(TkwStatement *Loop, quint64 LinesBefore)
{
    TkwScript *p = Loop->Program();
    if (LoopEnds(p))
        return false;
    if (TkwScript::RunLineCount() == LinesBefore && !Announce(Loop))
        return false;
    return !p->Terminated();
}

} // namespace

// The sum of a "+" whose left side is a string variable: String + String
// joins, StrCat joins whatever the right side is; else the arithmetic.
static Variant Joined(const Variant &L, const Variant &R, bool StrCat)
{
    if (StrCat && VarIsStr(L)) {
        const QString a = VarToStr(L), b = VarToStr(R);
        kwCheckStringLength(a.size() + b.size());
        return Variant(a + b);
    }
    return kwVarAdd(L, R);
}

bool TkwAssignmentStmt::RunAppendForm(bool Plus, bool StrCat)
{
    if (FAppend == TAppend::Unknown) {
        FAppend = TAppend::No;
        auto *d = dynamic_cast<TkwDesignator *>(FTarget.get());
        TkwCustomVariable *v = d ? d->PlainVariable() : nullptr;
        if (!v || !FSource)
            return false;
        if (Plus) {
            FAppendTail = FSource.get();
            FAppendStrCat = StrCat;
        } else {
            auto *op = dynamic_cast<TkwOperatorNode *>(FSource->Root());
            auto *left = op ? dynamic_cast<TkwDesignatorNode *>(op->Left()) : nullptr;
            if (!op || op->Op() != ocPlus || !left || !op->Right() || left->Designator()->PlainVariable() != v)
                return false;
            FAppendTail = op->Right();
            FAppendStrCat = op->StrCat();
        }
        FAppendVar = v;
        FAppend = TAppend::Yes;
    }
    if (FAppend != TAppend::Yes)
        return false;
    TkwCustomVariable *v = FAppendVar;
    if (v->IsReadOnly() || v->OnGetVarValue().Assigned())
        return false;
    if (v->DirectRead() && v->Value().VType() != varString)
        return false;
    // Evaluated in the statement's own order: the variable, then the tail.
    Variant left = v->GetValue();
    const Variant tail = FAppendTail->GetValue();
    const QString *l = VarStrData(left);
    const QString *t = VarStrData(tail);
    const QString *now = VarStrData(v->Value());
    // In place only while the variable still holds the very text read (the
    // tail may have assigned it) and the result would be a String.
    if (l && VarType(left) == varString && (t || FAppendStrCat) && now && now->constData() == l->constData()
        && now->size() == l->size()) {
        const QString tailText = t ? *t : VarToStr(tail);
        kwCheckStringLength(l->size() + tailText.size());
        left = Variant();
        if (v->AppendStr(tailText))
            return true;
        left = v->GetValue();
    }
    FTarget->SetValue(Joined(left, tail, FAppendStrCat));
    return true;
}

void TkwAssignmentStmt::Execute()
{
    if (!Announce(this))
        return;
    if (RunAppend(false, false))
        return;
    int i;
    // A pure Integer expression into a plain variable, without a Variant;
    // an Int64 result goes through the variable's own conversion.
    qint64 x;
    bool wide;
    if (TkwCustomVariable *v = DirectTarget(); v && FSource->TryInt64(x, wide)) {
        if (!wide)
            v->StoreInt(int(x));
        else if (!v->StoreInt64(x))
            FTarget->SetValue(Variant(x));
        return;
    }
    Variant r;
    if (FSource->EvalInt(i, r)) {
        if (TkwCustomVariable *v = DirectTarget()) {
            v->StoreInt(i);
            return;
        }
        r = Variant(i);
    }
    FTarget->SetValue(r);
}

void TkwReturnStmt::Execute()
{
    TkwAssignmentStmt::Execute();
    // What would stop a statement list before the exit stops it here too.
    TkwScript *p = Program();
    if (p->Stopping())
        return;
    p->RunLine(UnitName(), SourcePos());
    p->SetExitCalled(true);
}

template<class Op>
bool TkwAssignmentStmt::RunIntOp(Op IntOp, Variant &L, Variant &R)
{
    TkwCustomVariable *v = FTargetDesignator ? FTargetDesignator->PlainVariable() : nullptr;
    if (!v || !v->DirectRead() || v->Value().VType() != varInteger)
        return false;
    const int a = v->Value().AsInteger();
    int b;
    if (FSource->EvalInt(b, R)) {
        qint64 x = 0;
        if (IntOp(a, b, x) && x >= std::numeric_limits<int>::min() && x <= std::numeric_limits<int>::max())
            if (TkwCustomVariable *t = DirectTarget()) {
                t->StoreInt(int(x));
                L = Variant();
                return true;
            }
        R = Variant(b);
    }
    L = Variant(a);
    return true;
}

namespace {

// The result of RunIntOp: the statement is done when L is left Empty.
inline bool IntOpDone(const Variant &L)
{
    return L.VType() == varEmpty;
}

inline bool IntAdd(qint64 A, qint64 B, qint64 &R)
{
    return !__builtin_add_overflow(A, B, &R);
}

inline bool IntSub(qint64 A, qint64 B, qint64 &R)
{
    return !__builtin_sub_overflow(A, B, &R);
}

inline bool IntMul(qint64 A, qint64 B, qint64 &R)
{
    return !__builtin_mul_overflow(A, B, &R);
}

} // namespace

void TkwAssignPlusStmt::Execute()
{
    if (!Announce(this))
        return;
    if (RunAppend(true, FStrCat))
        return;
    if (QuickIntOp(IntAdd))
        return;
    Variant t, s;
    if (RunIntOp(IntAdd, t, s)) {
        if (IntOpDone(t))
            return;
    } else {
        t = FTarget->GetValue();
        s = FSource->GetValue();
    }
    if (FStrCat && VarIsStr(t)) {
        const QString a = VarToStr(t), b = VarToStr(s);
        kwCheckStringLength(a.size() + b.size());
        FTarget->SetValue(Variant(a + b));
    } else {
        FTarget->SetValue(kwVarAdd(t, s));
    }
}

void TkwAssignMinusStmt::Execute()
{
    if (!Announce(this))
        return;
    if (QuickIntOp(IntSub))
        return;
    Variant t, s;
    if (RunIntOp(IntSub, t, s)) {
        if (!IntOpDone(t))
            FTarget->SetValue(VarSub(t, s));
        return;
    }
    t = FTarget->GetValue();
    FTarget->SetValue(VarSub(t, FSource->GetValue()));
}

void TkwAssignMulStmt::Execute()
{
    if (!Announce(this))
        return;
    if (QuickIntOp(IntMul))
        return;
    Variant t, s;
    if (RunIntOp(IntMul, t, s)) {
        if (!IntOpDone(t))
            FTarget->SetValue(VarMul(t, s));
        return;
    }
    t = FTarget->GetValue();
    FTarget->SetValue(VarMul(t, FSource->GetValue()));
}

void TkwAssignDivStmt::Execute()
{
    if (!Announce(this))
        return;
    const Variant t = FTarget->GetValue();
    FTarget->SetValue(VarDiv(t, FSource->GetValue()));
}

void TkwCallStmt::Execute()
{
    if (!Announce(this))
        return;
    if (FModificator.isEmpty()) {
        FDesignator->GetValue();
        return;
    }
    // An Integer in a plain variable steps without the Variant arithmetic.
    if (TkwCustomVariable *plain = FDesignator->PlainVariable(); plain && plain->DirectRead()) {
        const Variant &cur = plain->Value();
        if (cur.VType() == varInteger) {
            const int i = cur.AsInteger();
            if (FDecrement ? i > std::numeric_limits<int>::min() : i < std::numeric_limits<int>::max()) {
                const int next = FDecrement ? i - 1 : i + 1;
                if (!FDesignator->IsReadOnly() && plain->DirectIntWrite())
                    plain->StoreInt(next);
                else
                    FDesignator->SetValue(Variant(next));
                return;
            }
        }
    }
    const Variant v = FDesignator->GetValue();
    FDesignator->SetValue(FDecrement ? VarSub(v, Variant(1)) : VarAdd(v, Variant(1)));
}

TkwIfStmt::TkwIfStmt(TkwScript *AProgram, const QString &AUnitName, const QString &ASourcePos)
    : TkwConditionStmt(AProgram, AUnitName, ASourcePos),
      FElseStmt(std::make_unique<TkwStatement>(AProgram, AUnitName, ASourcePos))
{
}

void TkwIfStmt::Execute()
{
    if (!Announce(this))
        return;
    if (FCondition->EvalBool())
        RunList();
    else if (FElseStmt->Count())
        FElseStmt->RunList();
}

TkwCaseStmt::TkwCaseStmt(TkwScript *AProgram, const QString &AUnitName, const QString &ASourcePos)
    : TkwConditionStmt(AProgram, AUnitName, ASourcePos),
      FElseStmt(std::make_unique<TkwStatement>(AProgram, AUnitName, ASourcePos))
{
}

void TkwCaseStmt::Execute()
{
    const Variant v = FCondition->GetValue();
    if (!Announce(this))
        return;
    for (TObject *item : FItems) {
        auto *sel = static_cast<TkwCaseSelector *>(item);
        if (sel->SetExpression()->Contains(v)) {
            sel->Execute();
            return;
        }
    }
    FElseStmt->RunList();
}

void TkwRepeatStmt::Execute()
{
    if (!Announce(this))
        return;
    // The rounds run their bodies at this depth: one check for all.
    kwCheckStack();
    TkwScript *p = Program();
    for (;;) {
        const quint64 lines = TkwScript::RunLineCount();
        ExecuteItems();
        if (!NextRound(this, lines))
            break;
        if (FCondition->EvalBool() == !FInverseCondition)
            break;
    }
    p->SetBreakCalled(false);
}

void TkwWhileStmt::Execute()
{
    if (!Announce(this))
        return;
    // The rounds run their bodies at this depth: one check for all.
    kwCheckStack();
    TkwScript *p = Program();
    for (;;) {
        const quint64 lines = TkwScript::RunLineCount();
        if (!FCondition->EvalBool())
            break;
        ExecuteItems();
        if (!NextRound(this, lines))
            break;
    }
    p->SetBreakCalled(false);
}

void TkwForStmt::Execute()
{
    const qint64 b = FBeginValue->GetValue().AsInteger();
    const qint64 e = FEndValue->GetValue().AsInteger();
    if (!Announce(this))
        return;
    // The rounds run their bodies at this depth: one check for all.
    kwCheckStack();
    TkwScript *p = Program();
    if (FDown ? e > b : e < b)
        return;
    const qint64 step = FDown ? -1 : 1;
    for (qint64 i = b;; i += step) {
        const quint64 lines = TkwScript::RunLineCount();
        FVariable->StoreInt(int(i));
        ExecuteItems();
        if (!NextRound(this, lines) || i == e)
            break;
    }
    p->SetBreakCalled(false);
}

void TkwVbForStmt::Execute()
{
    const Variant b = FBeginValue->GetValue();
    const Variant e = FEndValue->GetValue();
    const Variant step = FStep ? FStep->GetValue() : Variant(1);
    if (!Announce(this))
        return;
    // The rounds run their bodies at this depth: one check for all.
    kwCheckStack();
    TkwScript *p = Program();
    const bool down = VarCompare(step, Variant(0), opCmpLT);
    Variant counter = b;
    while (VarCompare(counter, e, down ? opCmpGE : opCmpLE)) {
        const quint64 lines = TkwScript::RunLineCount();
        FVariable->SetValue(counter);
        ExecuteItems();
        if (!NextRound(this, lines))
            break;
        counter = VarAdd(counter, step);
    }
    p->SetBreakCalled(false);
}

TkwCppForStmt::TkwCppForStmt(TkwScript *AProgram, const QString &AUnitName, const QString &ASourcePos)
    : TkwStatement(AProgram, AUnitName, ASourcePos),
      FFirstStmt(std::make_unique<TkwStatement>(AProgram, AUnitName, ASourcePos)),
      FSecondStmt(std::make_unique<TkwStatement>(AProgram, AUnitName, ASourcePos))
{
}

void TkwCppForStmt::Execute()
{
    if (!Announce(this))
        return;
    // The rounds run their bodies at this depth: one check for all.
    kwCheckStack();
    TkwScript *p = Program();
    FFirstStmt->Execute();
    if (p->Terminated())
        return;
    for (;;) {
        const quint64 lines = TkwScript::RunLineCount();
        if (!FExpression->EvalBool())
            break;
        ExecuteItems();
        if (LoopEnds(p))
            break;
        FSecondStmt->ExecuteItems();
        if (!NextRound(this, lines))
            break;
    }
    p->SetBreakCalled(false);
}

TkwTryStmt::TkwTryStmt(TkwScript *AProgram, const QString &AUnitName, const QString &ASourcePos)
    : TkwStatement(AProgram, AUnitName, ASourcePos),
      FExceptStmt(std::make_unique<TkwStatement>(AProgram, AUnitName, ASourcePos))
{
}

void TkwTryStmt::Execute()
{
    if (!Announce(this))
        return;
    TkwScript *p = Program();
    if (FIsExcept) {
        try {
            kwScriptMemory([this] { TkwStatement::Execute(); });
        } catch (const Exception &e) {
            p->SetVariable(QStringLiteral("ExceptionClassName"), Variant(QString::fromLatin1(e.ClassName())));
            p->SetVariable(QStringLiteral("ExceptionMessage"), Variant(e.Message()));
            FExceptStmt->Execute();
        }
        return;
    }
    // The finally part runs whole, whatever ended the body (an exception,
    // break, continue, exit or Terminate, which unwinds like an exception);
    // those take effect after it. A Terminate inside it stops it too.
    auto runFinally = [this, p] {
        const bool exitCalled = p->ExitCalled();
        const bool breakCalled = p->BreakCalled();
        const bool continueCalled = p->ContinueCalled();
        const bool terminated = p->Terminated();
        p->SetExitCalled(false);
        p->SetBreakCalled(false);
        p->SetContinueCalled(false);
        p->SetTerminated(false);
        FExceptStmt->Execute();
        p->SetExitCalled(exitCalled || p->ExitCalled());
        p->SetBreakCalled(breakCalled || p->BreakCalled());
        p->SetContinueCalled(continueCalled || p->ContinueCalled());
        p->SetTerminated(terminated || p->Terminated());
    };
    try {
        TkwStatement::Execute();
    } catch (...) {
        runFinally();
        throw;
    }
    runFinally();
}

void TkwBreakStmt::Execute()
{
    Program()->SetBreakCalled(true);
}

void TkwContinueStmt::Execute()
{
    Program()->SetContinueCalled(true);
}

void TkwExitStmt::Execute()
{
    Program()->RunLine(UnitName(), SourcePos());
    Program()->SetExitCalled(true);
}

void TkwWithStmt::Execute()
{
    FVariable->SetValue(FDesignator->GetValue());
}
