// Compiling report expressions once into functions of a private script and calling them.
#include "qdzExpressionCache.h"

#include "qdzRes.h"
#include "script/kw_iinterpreter.h"

TqdzExpressionCache::TqdzExpressionCache(TkwScript *AMainScript)
    : FExpressions(std::make_unique<TStringList>()), FMainScript(AMainScript),
      FScript(std::make_unique<TkwScript>(nullptr))
{
    // "['abc']" and "['ABC']" are different expressions.
    FExpressions->SetCaseSensitive(true);
    FExpressions->SetSorted(true);
}

TqdzExpressionCache::~TqdzExpressionCache()
{
    FExpressions->Clear();
    FScript->SetParent(nullptr);
}

void TqdzExpressionCache::Clear()
{
    FExpressions->Clear();
    FScript->SetParent(nullptr);
    FScript->Clear();
}

QString TqdzExpressionCache::WrapperText(const QString &Language, const QString &Name, const QString &Expression)
{
    if (Language.compare(QLatin1String("C++Script"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Variant ") + Name + QStringLiteral("() { return ") + Expression
               + QStringLiteral("; } {}");
    if (Language.compare(QLatin1String("BasicScript"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("function ") + Name + QStringLiteral("\r\nreturn ") + Expression
               + QStringLiteral("\r\nend function");
    if (Language.compare(QLatin1String("JScript"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("function ") + Name + QStringLiteral("() { return ") + Expression
               + QStringLiteral("; }");
    return QStringLiteral("function ") + Name + QStringLiteral(": Variant; begin Result := ") + Expression
           + QStringLiteral(" end; begin end.");
}

void TqdzExpressionCache::Calc(const QString &Expression, QString &ErrorMsg, Variant &Result, TkwScript *AScript)
{
    ErrorMsg.clear();
    // An expression evaluated from inside another one (IIF's arguments) sees
    // the outer context already: the private script cannot become a parent
    // of itself. The parent comes back afterwards, for the outer call.
    TkwScript *const outer = FScript->Parent();
    bool inside = false;
    for (TkwScript *s = AScript; s; s = s->Parent())
        inside = inside || s == FScript.get();
    if (AScript && !inside)
        FScript->SetParent(AScript);
    struct RestoreParent
    {
        TkwScript *Script;
        TkwScript *Parent;
        ~RestoreParent() { Script->SetParent(Parent); }
    } restoreParent{FScript.get(), outer};

    TkwCustomVariable *func = nullptr;
    int index = -1;
    if (FExpressions->Find(Expression, index)) {
        func = static_cast<TkwCustomVariable *>(FExpressions->Objects(index));
    } else {
        const QString name = QStringLiteral("qd3f") + QString::number(FExpressions->Count());
        FScript->Lines()->SetText(WrapperText(FScriptLanguage, name, Expression));
        FScript->SetSyntaxType(FScriptLanguage);
        bool compiled = false;
        QString message;
        try {
            compiled = FScript->Compile();
            message = FScript->ErrorMessage();
        } catch (const Exception &E) {
            message = E.Message();
        }
        func = FScript->FindLocal(name);
        if (!compiled || !dynamic_cast<TkwProcVariable *>(func)) {
            if (func) {
                FScript->Remove(func);
                delete func;
            }
            ErrorMsg = qdzResources()->ResourceText(QStringLiteral("clExprError")) + QStringLiteral(" '")
                       + Expression + QStringLiteral("': ") + message;
            Result = Null();
            return;
        }
        FExpressions->AddObject(Expression, func);
    }

    // Unresolved members of the main script are not deferred while an
    // expression runs; the flag comes back however the call ends.
    struct Restore
    {
        TkwScript *Script;
        bool Value;
        ~Restore()
        {
            if (Script)
                Script->SetKeepUnresolved(Value);
        }
    } restore{FMainScript, FMainScript && FMainScript->KeepUnresolved()};
    if (FMainScript)
        FMainScript->SetKeepUnresolved(false);
    // The expression runs as part of the script it was given (the main one
    // when none): guards judge its calls by that script's host.
    const TkwRunningScript running(AScript ? AScript : FMainScript);
    try {
        Result = func->GetValue();
    } catch (const Exception &E) {
        ErrorMsg = E.Message();
    } catch (const std::exception &E) {
        ErrorMsg = QString::fromLocal8Bit(E.what());
    }
}
