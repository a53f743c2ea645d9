// Registration of the class library's basic classes (objects, persistent
// objects, collections, lists, string lists, streams, components) and the
// engine's XML classes for scripts.
#pragma once
#include "kw_iinterpreter.h"

namespace kw_iclassesrtti {

class TFunctions : public TkwRTTIModule
{
public:
    explicit TFunctions(TkwScript *AScript);

    // The call dispatcher, property getter and setter of the members
    // registered here; anything not handled gives 0 or does nothing.
    Variant CallMethod(TObject *Instance, TClass ClassType, const QString &MethodName, TkwMethodHelper *Caller);
    Variant GetProp(TObject *Instance, TClass ClassType, const QString &PropName);
    void SetProp(TObject *Instance, TClass ClassType, const QString &PropName, const Variant &Value);
};

} // namespace kw_iclassesrtti

// Appends the module to the list that scripts load (and takes it out).
void kwRegisterClassesRTTI();
void kwUnregisterClassesRTTI();
