// Registration of the report classes for scripts: constants, enumerations,
// the classes with their extra members, a few global routines, and the call
// dispatcher, property getter and setter that carry them out.
#pragma once
#include "script/kw_iinterpreter.h"

namespace qdzClassRTTI {

class TFunctions : public TkwRTTIModule
{
public:
    explicit TFunctions(TkwScript *AScript);

    // Each answers by the class the member was registered for (not the
    // instance's own class); anything not handled gives 0 or does nothing.
    Variant CallMethod(TObject *Instance, TClass ClassType, const QString &MethodName, TkwMethodHelper *Caller);
    Variant GetProp(TObject *Instance, TClass ClassType, const QString &PropName);
    void SetProp(TObject *Instance, TClass ClassType, const QString &PropName, const Variant &Value);
};

} // namespace qdzClassRTTI

// Appends the module to the list that scripts load (after the class
// library's units), and takes it out again.
void qdzRegisterClassRTTI();
void qdzUnregisterClassRTTI();
