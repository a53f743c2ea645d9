// A script ready to compile and run test programs: base types, the
// exception variables and a log routine that collects what scripts print.
#pragma once
#include "kw_iinterpreter.h"
#include "test_registration_host.h"
#include <gtest/gtest.h>

// A program in one of the languages and what it logs (entries joined by '|').
struct TScriptCase
{
    const char *Language;
    const char *Text;
    const char *Expected;
};

class TInterpHost : public TObject
{
public:
    TInterpHost()
    {
        AddBaseTypes(S);
        S.AddType(QStringLiteral("Double"), fvtFloat);
        S.AddVariable(QStringLiteral("ExceptionClassName"), QStringLiteral("String"), Variant(QString()));
        S.AddVariable(QStringLiteral("ExceptionMessage"), QStringLiteral("String"), Variant(QString()));
        S.AddMethod(QStringLiteral("procedure Log(V: Variant)"), TkwCallMethodNewEvent(this, &TInterpHost::Call));
        S.AddMethod(QStringLiteral("procedure Fail(Msg: String)"), TkwCallMethodNewEvent(this, &TInterpHost::Call));
        S.AddMethod(QStringLiteral("function Twice(V: Variant): Variant"),
                    TkwCallMethodNewEvent(this, &TInterpHost::Call));
        S.AddMethod(QStringLiteral("procedure SetTo(var V: Variant; X: Variant)"),
                    TkwCallMethodNewEvent(this, &TInterpHost::Call));
    }

    Variant Call(TObject *, TClass, const QString &Name, TkwMethodHelper *Caller)
    {
        if (Name == QLatin1String("LOG"))
            Out << VarToStr(Caller->GetParam(0));
        else if (Name == QLatin1String("FAIL"))
            throw EConvertError(Caller->GetParam(0).AsString());
        else if (Name == QLatin1String("TWICE"))
            return VarMul(Caller->GetParam(0), Variant(2));
        else if (Name == QLatin1String("SETTO"))
            Caller->SetParam(0, Caller->GetParam(1));
        return Variant();
    }

    // Compiles Text in Language; on failure the error is in Error.
    bool Compile(const QString &Language, const QString &Text)
    {
        S.SetSyntaxType(Language);
        S.Lines()->SetText(Text);
        const bool ok = S.Compile();
        Error = S.ErrorMessage() + QStringLiteral(" at ") + S.ErrorPosition();
        return ok;
    }

    // Compiles and runs; the lines logged, joined by "|".
    QString Run(const QString &Language, const QString &Text)
    {
        Out.clear();
        if (!Compile(Language, Text))
            return QStringLiteral("compile error: ") + Error;
        S.Execute();
        return Out.join(QLatin1Char('|'));
    }

    Variant Value(const QString &Name) const
    {
        TkwCustomVariable *v = S.Find(Name);
        return v ? v->GetValue() : Variant(QStringLiteral("<none>"));
    }

    TkwScript S{nullptr};
    QStringList Out;
    QString Error;
};
