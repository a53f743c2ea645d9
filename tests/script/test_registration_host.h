// Host classes and helpers shared by the name-space tests: a component that
// publishes a property of every kind, a statement that runs a function, an
// adapter for notify events, and a handler object for registered routines.
#pragma once
#include "kw_iinterpreter.h"
#include "kw_test_support.h"
#include <functional>

STATION_DECLARE_ENUM(TScrAlign, saNone, saTop, saBottom)
STATION_DECLARE_ENUM(TScrStyle, ssBold, ssItalic, ssUnderline)
STATION_DECLARE_SET(TScrStyles, TScrStyle)

// An enumeration whose type is named "bool" (lower case).
enum TScrLowerBool { slbNo, slbYes };
inline PTypeInfo StationTypeInfo(const TScrLowerBool *)
{
    static const TTypeInfo FInfo = TTypeInfo::MakeEnum(QStringLiteral("bool"), "slbNo, slbYes");
    return &FInfo;
}

class TScrHost : public TComponent
{
    STATION_CLASS(TScrHost, TComponent)
public:
    explicit TScrHost(TComponent *AOwner) : TComponent(AOwner), FItems(std::make_unique<TStringList>()) {}

    int Size() const { return FSize; }
    void SetSize(int Value) { FSize = Value; }
    char Letter() const { return FLetter; }
    void SetLetter(char Value) { FLetter = Value; }
    QChar Accel() const { return FAccel; }
    void SetAccel(QChar Value) { FAccel = Value; }
    TScrAlign Align() const { return FAlign; }
    void SetAlign(TScrAlign Value) { FAlign = Value; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value) { FVisible = Value; }
    TScrLowerBool Flag() const { return FFlag; }
    void SetFlag(TScrLowerBool Value) { FFlag = Value; }
    double Ratio() const { return FRatio; }
    void SetRatio(double Value) { FRatio = Value; }
    QString Title() const { return FTitle; }
    void SetTitle(const QString &Value) { FTitle = Value; }
    QString Hint() const { return FHint; }
    void SetHint(const QString &Value) { FHint = Value; }
    TScrStyles Styles() const { return FStyles; }
    void SetStyles(TScrStyles Value) { FStyles = Value; }
    TStrings *Items() const { return FItems.get(); }
    TScrHost *Buddy() const { return FBuddy; }
    void SetBuddy(TScrHost *Value) { FBuddy = Value; }
    Variant Data() const { return FData; }
    void SetData(const Variant &Value) { FData = Value; }
    qint64 Big() const { return FBig; }
    void SetBig(qint64 Value) { FBig = Value; }
    int Count() const { return 42; }
    TNotifyEvent OnClick() const { return FOnClick; }
    void SetOnClick(TNotifyEvent Value) { FOnClick = Value; }

    void Click() { FOnClick(this); }

private:
    int FSize = 0;
    char FLetter = 'a';
    QChar FAccel = QLatin1Char('b');
    TScrAlign FAlign = saNone;
    bool FVisible = true;
    TScrLowerBool FFlag = slbNo;
    double FRatio = 0;
    QString FTitle;
    QString FHint;
    TScrStyles FStyles;
    std::unique_ptr<TStringList> FItems;
    TScrHost *FBuddy = nullptr;
    Variant FData;
    qint64 FBig = 0;
    TNotifyEvent FOnClick;
};

class TScrChild : public TScrHost
{
    STATION_CLASS(TScrChild, TScrHost)
public:
    explicit TScrChild(TComponent *AOwner) : TScrHost(AOwner) {}
};

// A statement that runs a function (the body of a hand-built routine).
class TScrStmt : public TkwStatement
{
public:
    TScrStmt(TkwScript *AProgram, std::function<void()> AFn)
        : TkwStatement(AProgram, QString(), QStringLiteral("1:1")), Fn(std::move(AFn))
    {
    }
    void Execute() override { Fn(); }
    std::function<void()> Fn;
};

// The adapter of notify events: runs the procedure with the sender.
class TScrNotifyAdapter : public TkwCustomEvent
{
public:
    using TkwCustomEvent::TkwCustomEvent;
    TMethod GetMethod() override { return TNotifyEvent(this, &TScrNotifyAdapter::DoEvent).Method(); }
    void DoEvent(TObject *Sender) { CallHandler({kwObjectToVar(Sender)}); }
};

// Records what registered routines and properties receive.
class TScrHandler : public TObject
{
public:
    Variant CallNew(TObject *Instance, TClass ClassType, const QString &MethodName, TkwMethodHelper *Caller)
    {
        LastInstance = Instance;
        LastClass = ClassType;
        Names << MethodName;
        LastArgs.clear();
        for (int i = 0; i <= Caller->Count(); ++i) {
            if (i == Caller->Count() && !MethodName.endsWith(QLatin1String(".SET")))
                break;
            LastArgs << Caller->GetParam(i);
        }
        LastNamedClass = Caller->NamedClass();
        return Result;
    }
    Variant CallArray(TObject *Instance, TClass ClassType, const QString &MethodName, Variant &Params)
    {
        LastInstance = Instance;
        LastClass = ClassType;
        Names << MethodName;
        ArrayArgs = Params;
        if (VarIsArray(Params) && VarArrayHighBound(Params, 1) >= 0)
            VarArrayPut(Params, WriteBack, {0});
        return Result;
    }
    Variant Get(TObject *Instance, TClass ClassType, const QString &PropName)
    {
        LastInstance = Instance;
        LastClass = ClassType;
        Names << PropName;
        return Result;
    }
    void Set(TObject *Instance, TClass ClassType, const QString &PropName, const Variant &Value)
    {
        LastInstance = Instance;
        LastClass = ClassType;
        Names << PropName;
        Stored = Value;
    }
    Variant GetVar(const QString &VarName, TkwVarType VarTyp, const Variant &OldValue)
    {
        Names << VarName;
        LastTyp = VarTyp;
        LastOld = OldValue;
        return Result;
    }

    TkwCallMethodNewEvent NewEvent() { return TkwCallMethodNewEvent(this, &TScrHandler::CallNew); }
    TkwCallMethodEvent ArrayEvent() { return TkwCallMethodEvent(this, &TScrHandler::CallArray); }
    TkwGetValueEvent GetEvent() { return TkwGetValueEvent(this, &TScrHandler::Get); }
    TkwSetValueEvent SetEvent() { return TkwSetValueEvent(this, &TScrHandler::Set); }
    TkwGetVariableValueEvent VarEvent() { return TkwGetVariableValueEvent(this, &TScrHandler::GetVar); }

    TObject *LastInstance = nullptr;
    TClass LastClass = nullptr;
    TClass LastNamedClass = nullptr;
    QStringList Names;
    QList<Variant> LastArgs;
    Variant ArrayArgs;
    Variant Result;
    Variant WriteBack;
    Variant Stored;
    TkwVarType LastTyp = fvtVariant;
    Variant LastOld;
};

// The base types a name space needs in tests (the built-in library's).
inline void AddBaseTypes(TkwScript &S)
{
    S.AddType(QStringLiteral("Integer"), fvtInt);
    S.AddType(QStringLiteral("Word"), fvtInt);
    S.AddType(QStringLiteral("Boolean"), fvtBool);
    S.AddType(QStringLiteral("Extended"), fvtFloat);
    S.AddType(QStringLiteral("TDateTime"), fvtFloat);
    S.AddType(QStringLiteral("Char"), fvtChar);
    S.AddType(QStringLiteral("String"), fvtString);
    S.AddType(QStringLiteral("Variant"), fvtVariant);
    S.AddType(QStringLiteral("Array"), fvtArray);
    S.AddType(QStringLiteral("Constructor"), fvtConstructor);
    S.AddConst(QStringLiteral("True"), QStringLiteral("Boolean"), Variant(true));
    S.AddConst(QStringLiteral("False"), QStringLiteral("Boolean"), Variant(false));
    S.AddConst(QStringLiteral("nil"), QStringLiteral("Variant"), Variant(0));
    S.AddConst(QStringLiteral("Null"), QStringLiteral("Variant"), Null());
}

// A procedure of Script named Name whose body runs Body.
inline TkwProcVariable *AddProc(TkwScript &Script, const QString &Name, bool IsFunc, std::function<void()> Body)
{
    auto *proc = new TkwProcVariable(Name, IsFunc ? fvtVariant : fvtClass, IsFunc ? QStringLiteral("Variant") : QString(),
                                     &Script, IsFunc);
    proc->Program()->Statement()->Add(new TScrStmt(proc->Program(), std::move(Body)));
    Script.Add(Name, proc);
    return proc;
}

inline void PrintTo(const Variant &V, std::ostream *Os)
{
    QString text;
    if (VarIsArray(V))
        text = QStringLiteral("array");
    else if (VarType(V) == varObject)
        text = V.AsObject() ? V.AsObject()->ClassName() : QStringLiteral("nil");
    else
        text = VarToStr(V);
    *Os << VarTypeAsText(VarType(V)).toStdString() << '(' << text.toStdString() << ')';
}
