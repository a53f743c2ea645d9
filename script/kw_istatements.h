// The statements of the script interpreter. Each interprets itself by walking
// its children; the running program's flags (Terminated, ExitCalled,
// BreakCalled, ContinueCalled) steer lists and loops.
#pragma once
#include "kw_iexpression.h"
#include <climits>
#include <memory>

class TkwAssignmentStmt : public TkwStatement
{
public:
    using TkwStatement::TkwStatement;
    void Execute() override;
    TkwCustomVariable *Target() const { return FTarget.get(); }
    void SetTarget(TkwCustomVariable *Value)
    {
        FTarget.reset(Value);
        FTargetDesignator = dynamic_cast<TkwDesignator *>(Value);
        FAppend = TAppend::Unknown;
    }
    TkwExpression *Source() const { return FSource.get(); }
    void SetSource(TkwExpression *Value)
    {
        FSource.reset(Value);
        FAppend = TAppend::Unknown;
    }

protected:
    // "V := V + X" and "V += X" on a plain variable V: when V holds a string
    // and X gives one, X is appended to V's text in place, so building a
    // string piece by piece stays linear. Runs the statement that way and
    // returns True, or returns False when the statement has no such form.
    // Plus is the "+=" form; StrCat joins as strings whenever V holds one.
    bool RunAppend(bool Plus, bool StrCat)
    {
        // Most assignments are known after their first run to have no such
        // form; only a String is appended to in place, a number takes the
        // plain way, where an Integer sum stays out of Variants.
        if (FAppend == TAppend::No
            || (FAppend == TAppend::Yes && FAppendVar->DirectRead() && FAppendVar->Value().VType() != varString))
            return false;
        return RunAppendForm(Plus, StrCat);
    }
    // The plain variable the target designator names when an Integer can be
    // stored into it directly (see DirectIntWrite); else nil.
    TkwCustomVariable *DirectTarget() const
    {
        TkwCustomVariable *v = FTargetDesignator ? FTargetDesignator->PlainVariable() : nullptr;
        return v && !FTargetDesignator->IsReadOnly() && v->DirectIntWrite() ? v : nullptr;
    }
    // "V op= X" on Integers: V's Integer read directly, X evaluated, the
    // result stored directly when it is an Integer. False, with nothing
    // evaluated, when V holds no Integer or cannot be read so; else True with
    // the statement done, or with L and R (the operands as Variants) left for
    // the Variant arithmetic.
    template<class Op>
    bool RunIntOp(Op IntOp, Variant &L, Variant &R);
    // "V op= X" done at once when V is a plain variable holding an Integer
    // or Int64 and X a pure Integer expression, with the Variant rules: an
    // Integer result is stored directly, an Int64 one through the variable's
    // own conversion. False with nothing changed otherwise, or when the
    // result would be a Double (X may have been read, which calls nothing).
    // IntOp gives A op B, False when it leaves 64 bits.
    template<class Op>
    bool QuickIntOp(Op IntOp)
    {
        TkwCustomVariable *t = DirectTarget();
        if (!t || !t->DirectRead())
            return false;
        const Variant &tv = t->Value();
        const bool wa = tv.VType() == varInt64;
        if (!wa && tv.VType() != varInteger)
            return false;
        qint64 b, x;
        bool wb;
        if (!FSource->TryInt64(b, wb) || !IntOp(wa ? tv.AsInt64() : qint64(tv.AsInteger()), b, x))
            return false;
        if (!wa && !wb && x >= INT_MIN && x <= INT_MAX)
            t->StoreInt(int(x));
        else if (!t->StoreInt64(x))
            FTarget->SetValue(Variant(x));
        return true;
    }

    std::unique_ptr<TkwCustomVariable> FTarget;
    TkwDesignator *FTargetDesignator = nullptr;
    std::unique_ptr<TkwExpression> FSource;

private:
    bool RunAppendForm(bool Plus, bool StrCat);
    enum class TAppend : char { Unknown, No, Yes };
    TAppend FAppend = TAppend::Unknown;
    TkwCustomVariable *FAppendVar = nullptr;  // V
    TkwCustomVariable *FAppendTail = nullptr; // X
    bool FAppendStrCat = false;
};

// "return X": X into Result, then the routine ends; the exit announces the
// line again, as a separate exit statement would.
class TkwReturnStmt : public TkwAssignmentStmt
{
public:
    using TkwAssignmentStmt::TkwAssignmentStmt;
    void Execute() override;
};

// Target := Target op Source.
class TkwAssignPlusStmt : public TkwAssignmentStmt
{
public:
    using TkwAssignmentStmt::TkwAssignmentStmt;
    void Execute() override;
    // Joins as strings when the target holds a string ("&" of BasicScript).
    bool StrCat() const { return FStrCat; }
    void SetStrCat(bool Value) { FStrCat = Value; }

private:
    bool FStrCat = false;
};

class TkwAssignMinusStmt : public TkwAssignmentStmt
{
public:
    using TkwAssignmentStmt::TkwAssignmentStmt;
    void Execute() override;
};

class TkwAssignMulStmt : public TkwAssignmentStmt
{
public:
    using TkwAssignmentStmt::TkwAssignmentStmt;
    void Execute() override;
};

class TkwAssignDivStmt : public TkwAssignmentStmt
{
public:
    using TkwAssignmentStmt::TkwAssignmentStmt;
    void Execute() override;
};

class TkwCallStmt : public TkwStatement
{
public:
    using TkwStatement::TkwStatement;
    void Execute() override;
    TkwDesignator *Designator() const { return FDesignator.get(); }
    void SetDesignator(TkwDesignator *Value) { FDesignator.reset(Value); }
    // Empty, or "+" / "-" for ++ and --.
    const QString &Modificator() const { return FModificator; }
    void SetModificator(const QString &Value)
    {
        FModificator = Value;
        FDecrement = Value == QLatin1String("-");
    }

private:
    std::unique_ptr<TkwDesignator> FDesignator;
    QString FModificator;
    bool FDecrement = false;
};

// A statement with a condition; the body is its own list.
class TkwConditionStmt : public TkwStatement
{
public:
    using TkwStatement::TkwStatement;
    TkwExpression *Condition() const { return FCondition.get(); }
    void SetCondition(TkwExpression *Value) { FCondition.reset(Value); }

protected:
    std::unique_ptr<TkwExpression> FCondition;
};

class TkwIfStmt : public TkwConditionStmt
{
public:
    TkwIfStmt(TkwScript *AProgram, const QString &AUnitName, const QString &ASourcePos);
    void Execute() override;
    TkwStatement *ElseStmt() const { return FElseStmt.get(); }

private:
    std::unique_ptr<TkwStatement> FElseStmt;
};

class TkwCaseSelector : public TkwStatement
{
public:
    using TkwStatement::TkwStatement;
    TkwSetExpression *SetExpression() const { return FSetExpression.get(); }
    void SetSetExpression(TkwSetExpression *Value) { FSetExpression.reset(Value); }

private:
    std::unique_ptr<TkwSetExpression> FSetExpression;
};

// The selectors are the items; the first whose set holds the value runs.
class TkwCaseStmt : public TkwConditionStmt
{
public:
    TkwCaseStmt(TkwScript *AProgram, const QString &AUnitName, const QString &ASourcePos);
    void Execute() override;
    TkwStatement *ElseStmt() const { return FElseStmt.get(); }

private:
    std::unique_ptr<TkwStatement> FElseStmt;
};

class TkwRepeatStmt : public TkwConditionStmt
{
public:
    using TkwConditionStmt::TkwConditionStmt;
    void Execute() override;
    bool InverseCondition() const { return FInverseCondition; }
    void SetInverseCondition(bool Value) { FInverseCondition = Value; }

private:
    bool FInverseCondition = false;
};

class TkwWhileStmt : public TkwConditionStmt
{
public:
    using TkwConditionStmt::TkwConditionStmt;
    void Execute() override;
};

class TkwForStmt : public TkwStatement
{
public:
    using TkwStatement::TkwStatement;
    void Execute() override;
    TkwCustomVariable *Variable() const { return FVariable; }
    void SetVariable(TkwCustomVariable *Value) { FVariable = Value; }
    TkwExpression *BeginValue() const { return FBeginValue.get(); }
    void SetBeginValue(TkwExpression *Value) { FBeginValue.reset(Value); }
    TkwExpression *EndValue() const { return FEndValue.get(); }
    void SetEndValue(TkwExpression *Value) { FEndValue.reset(Value); }
    bool Down() const { return FDown; }
    void SetDown(bool Value) { FDown = Value; }

protected:
    TkwCustomVariable *FVariable = nullptr; // an item of the program
    std::unique_ptr<TkwExpression> FBeginValue;
    std::unique_ptr<TkwExpression> FEndValue;
    bool FDown = false;
};

class TkwVbForStmt : public TkwForStmt
{
public:
    using TkwForStmt::TkwForStmt;
    void Execute() override;
    // Nil means a step of 1.
    TkwExpression *Step() const { return FStep.get(); }
    void SetStep(TkwExpression *Value) { FStep.reset(Value); }

private:
    std::unique_ptr<TkwExpression> FStep;
};

class TkwCppForStmt : public TkwStatement
{
public:
    TkwCppForStmt(TkwScript *AProgram, const QString &AUnitName, const QString &ASourcePos);
    void Execute() override;
    TkwStatement *FirstStmt() const { return FFirstStmt.get(); }
    TkwStatement *SecondStmt() const { return FSecondStmt.get(); }
    TkwExpression *Expression() const { return FExpression.get(); }
    void SetExpression(TkwExpression *Value) { FExpression.reset(Value); }

private:
    std::unique_ptr<TkwStatement> FFirstStmt;
    std::unique_ptr<TkwExpression> FExpression;
    std::unique_ptr<TkwStatement> FSecondStmt;
};

class TkwTryStmt : public TkwStatement
{
public:
    TkwTryStmt(TkwScript *AProgram, const QString &AUnitName, const QString &ASourcePos);
    void Execute() override;
    bool IsExcept() const { return FIsExcept; }
    void SetIsExcept(bool Value) { FIsExcept = Value; }
    // The except or the finally part.
    TkwStatement *ExceptStmt() const { return FExceptStmt.get(); }

private:
    bool FIsExcept = false;
    std::unique_ptr<TkwStatement> FExceptStmt;
};

class TkwBreakStmt : public TkwStatement
{
public:
    using TkwStatement::TkwStatement;
    void Execute() override;
};

class TkwContinueStmt : public TkwStatement
{
public:
    using TkwStatement::TkwStatement;
    void Execute() override;
};

class TkwExitStmt : public TkwStatement
{
public:
    using TkwStatement::TkwStatement;
    void Execute() override;
};

// Stores the designator's value (an object) in its hidden variable.
class TkwWithStmt : public TkwStatement
{
public:
    using TkwStatement::TkwStatement;
    void Execute() override;
    TkwDesignator *Designator() const { return FDesignator.get(); }
    void SetDesignator(TkwDesignator *Value) { FDesignator.reset(Value); }
    TkwCustomVariable *Variable() const { return FVariable; }
    void SetVariable(TkwCustomVariable *Value) { FVariable = Value; }

private:
    std::unique_ptr<TkwDesignator> FDesignator;
    TkwCustomVariable *FVariable = nullptr; // an item of the program
};
