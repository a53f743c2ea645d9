// Registration of the class library's drawing classes (font, pen, brush,
// canvas, graphics, picture, metafile, bitmap), their enumerations and the
// named colours for scripts.
#pragma once
#include "kw_iinterpreter.h"

namespace kw_igraphicsrtti {

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

} // namespace kw_igraphicsrtti

void kwRegisterGraphicsRTTI();
void kwUnregisterGraphicsRTTI();
