// A script with the base types and the registration modules of the class
// library loaded, ready for test programs.
#pragma once
#include "test_interp_support.h"
#include <QTemporaryDir>

class TRttiHost : public TInterpHost
{
public:
    TRttiHost()
    {
        for (const char *n : {"Byte", "Longint", "Cardinal", "TColor"})
            S.AddType(QString::fromLatin1(n), fvtInt);
        for (const char *n : {"Real", "Single", "Currency", "TDate", "TTime"})
            S.AddType(QString::fromLatin1(n), fvtFloat);
        S.AddType(QStringLiteral("Pointer"), fvtVariant);
    }

    // Loads a module as the script's module list would.
    template<class M>
    void AddModule()
    {
        S.SetAddedBy(kwRTTIStamp());
        S.Add(QString(), new M(&S));
        S.SetAddedBy(nullptr);
    }

    QString Pas(const QString &Text) { return Run(QStringLiteral("PascalScript"), Text); }

    // Runs Text and returns the message of the exception it raised.
    QString PasError(const QString &Text)
    {
        Out.clear();
        if (!Compile(QStringLiteral("PascalScript"), Text))
            return QStringLiteral("compile error: ") + Error;
        try {
            S.Execute();
        } catch (const Exception &e) {
            return e.Message();
        }
        return QStringLiteral("no exception");
    }

    QString Path(const QString &Name) const { return Dir.filePath(Name); }

    QTemporaryDir Dir;
};

// Pascal string literal of a file path.
inline QString Quoted(const QString &S)
{
    QString r = S;
    r.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + r + QLatin1Char('\'');
}
