// Implementation of start-up of the script engine's registration units.
#include "kw_irttiunits.h"
#include "kw_iclassesrtti.h"
#include "kw_idialogsrtti.h"
#include "kw_iformsrtti.h"
#include "kw_igraphicsrtti.h"
#include "kw_iinirtti.h"
#include "kw_isysrtti.h"

void kwRegisterRTTIUnits()
{
    kwInitSysFunctions();
    kwRegisterClassesRTTI();
    kwRegisterGraphicsRTTI();
    kwRegisterFormsRTTI();
    kwRegisterDialogsRTTI();
    kwRegisterIniRTTI();
}

void kwUnregisterRTTIUnits()
{
    kwUnregisterIniRTTI();
    kwUnregisterDialogsRTTI();
    kwUnregisterFormsRTTI();
    kwUnregisterGraphicsRTTI();
    kwUnregisterClassesRTTI();
}
