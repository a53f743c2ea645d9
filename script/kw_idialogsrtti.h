// Registration of the class library's common dialogs and of the message and
// input routines for scripts.
#pragma once
#include "kw_iinterpreter.h"

namespace kw_idialogsrtti {

class TFunctions : public TkwRTTIModule
{
public:
    explicit TFunctions(TkwScript *AScript);

    // The call dispatcher of the members and routines registered here;
    // anything not handled gives 0.
    Variant CallMethod(TObject *Instance, TClass ClassType, const QString &MethodName, TkwMethodHelper *Caller);
};

} // namespace kw_idialogsrtti

void kwRegisterDialogsRTTI();
void kwUnregisterDialogsRTTI();
