// A script with the built-in library loaded the way AddRTTI loads it, and a
// Log routine that collects what programs print.
#pragma once
#include "kw_isysrtti.h"
#include <QStringList>
#include <gtest/gtest.h>

class TSysLibHost : public TObject
{
public:
    TSysLibHost()
    {
        // Stamped like a module loaded by AddRTTI, without the other modules
        // of the process-wide list.
        S.SetAddedBy(kwRTTIStamp());
        Module = new TkwSysFunctions(&S);
        S.Add(QString(), Module);
        // Log survives Clear between runs too.
        S.AddMethod(QStringLiteral("procedure Log(V: Variant)"), TkwCallMethodNewEvent(this, &TSysLibHost::Call));
        S.SetAddedBy(nullptr);
    }

    Variant Call(TObject *, TClass, const QString &, TkwMethodHelper *Caller)
    {
        Out << VarToStr(Caller->GetParam(0));
        return Variant();
    }

    // Compiles and runs Text; the lines logged joined by "|", a compile error
    // or the class and message of an exception that left the script.
    QString Run(const QString &Text, const QString &Language = QStringLiteral("PascalScript"))
    {
        Out.clear();
        S.Clear();
        S.SetSyntaxType(Language);
        S.Lines()->SetText(Text);
        if (!S.Compile())
            return QStringLiteral("compile error: ") + S.ErrorMessage() + QStringLiteral(" at ") + S.ErrorPosition();
        try {
            S.Execute();
        } catch (const Exception &E) {
            Out << QString::fromLatin1(E.ClassName()) + QStringLiteral(": ") + E.Message();
        }
        return Out.join(QLatin1Char('|'));
    }

    // Runs one PascalScript statement list.
    QString Pas(const QString &Body) { return Run(QStringLiteral("begin\r\n") + Body + QStringLiteral("\r\nend.")); }

    TkwScript S{nullptr};
    TkwSysFunctions *Module = nullptr;
    QStringList Out;
};
