// The report's expressions, each compiled once into a small function of a
// private script and evaluated by calling it.
#pragma once
#include "platform/Classes.h"
#include "platform/Variants.h"

#include <QString>
#include <memory>

class TkwScript;

class TqdzExpressionCache : public TObject
{
public:
    explicit TqdzExpressionCache(TkwScript *AMainScript);
    ~TqdzExpressionCache() override;
    TqdzExpressionCache(const TqdzExpressionCache &) = delete;
    TqdzExpressionCache &operator=(const TqdzExpressionCache &) = delete;

    // Forgets every compiled expression.
    void Clear();
    // Evaluates Expression in the context of AScript into Result. A compile
    // or run error leaves its message in ErrorMsg (compile errors leave
    // Result Null; run errors leave it unchanged).
    void Calc(const QString &Expression, QString &ErrorMsg, Variant &Result, TkwScript *AScript);

    // Sorted, case-sensitive: expression text -> its compiled function.
    TStringList *Expressions() const { return FExpressions.get(); }
    TkwScript *MainScript() const { return FMainScript; }
    TkwScript *Script() const { return FScript.get(); }
    // The language the wrappers are written in.
    const QString &ScriptLanguage() const { return FScriptLanguage; }
    void SetScriptLanguage(const QString &Value) { FScriptLanguage = Value; }

    // The wrapper text of function Name returning Expression in Language.
    static QString WrapperText(const QString &Language, const QString &Name, const QString &Expression);

private:
    std::unique_ptr<TStringList> FExpressions;
    TkwScript *FMainScript;
    std::unique_ptr<TkwScript> FScript;
    QString FScriptLanguage = QStringLiteral("PascalScript");
    // Functions compiled so far: the next one is "qd3f" + this.
    int FCompiled = 0;
};
