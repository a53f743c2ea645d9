// Registration of the class library's controls and forms for scripts:
// modal results, cursors, key codes, the enumerations of controls and forms,
// the control and form classes with their events, and the application
// object.
#pragma once
#include "kw_iinterpreter.h"

namespace kw_iformsrtti {

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

} // namespace kw_iformsrtti

void kwRegisterFormsRTTI();
void kwUnregisterFormsRTTI();
