// The built-in library of the script engine: the base types, the constants
// True/False/nil/Null, the string and array indexing helpers, the exception
// variables, the global routines every script can call and the variant type
// codes. It is the first registration module of every script.
#pragma once
#include "kw_iinterpreter.h"

// Raised where an automation object cannot be created: this system has no
// automation servers, so every programmatic identifier is unknown.
STATION_EXCEPTION(EOleSysError, Exception)

class TkwSysFunctions : public TkwRTTIModule
{
public:
    explicit TkwSysFunctions(TkwScript *AScript);

private:
    // One handler per group of routines; a name a handler does not know
    // gives an unassigned result.
    Variant CallToStr(TObject *Instance, TClass ClassType, const QString &MethodName, TkwMethodHelper *Caller);
    Variant CallFromStr(TObject *Instance, TClass ClassType, const QString &MethodName, TkwMethodHelper *Caller);
    Variant CallFormat(TObject *Instance, TClass ClassType, const QString &MethodName, TkwMethodHelper *Caller);
    Variant CallDate(TObject *Instance, TClass ClassType, const QString &MethodName, TkwMethodHelper *Caller);
    Variant CallString(TObject *Instance, TClass ClassType, const QString &MethodName, TkwMethodHelper *Caller);
    Variant CallMath(TObject *Instance, TClass ClassType, const QString &MethodName, TkwMethodHelper *Caller);
    Variant CallOther(TObject *Instance, TClass ClassType, const QString &MethodName, TkwMethodHelper *Caller);

    QString FCatConv;
    QString FCatDate;
    QString FCatFormat;
    QString FCatMath;
    QString FCatOther;
    QString FCatStr;
};

// Puts the library's module first in the process-wide module list (once).
// Module units inside a static library are linked only when referenced, so
// the program calls this at start-up, before any script loads its modules.
void kwInitSysFunctions();
