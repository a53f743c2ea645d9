// Start-up of the build layer without windows.
#include "report/engine/qdzBuild.h"

#include "report/engine/qdzEngine.h"
#include "report/engine/qdzOutline.h"
#include "report/engine/qdzPreviewPages.h"
#include "report/model/qdzClassRTTI.h"
#include "script/kw_iclassesrtti.h"
#include "script/kw_igraphicsrtti.h"
#include "script/kw_iinirtti.h"
#include "script/kw_isysrtti.h"

void qdzEngineStartup()
{
    TqdzBuildFactories F = qdzBuildFactories();
    qdzAddPreviewPagesFactories(F);
    qdzAddEngineFactories(F);
    qdzInstallBuildFactories(F);
    // The script bridge finds the engine's and the outline's classes by name
    // (the model cannot name them): "Engine" and "Outline" are typed by them.
    RegisterClasses({TqdzEngine::StaticClass(), TqdzOutline::StaticClass()});
    // Report scripts see the class library's units without windows, then the
    // report classes; a program that wants the forms and dialogs units as
    // well registers them itself, as the station does.
    kwInitSysFunctions();
    kwRegisterClassesRTTI();
    kwRegisterGraphicsRTTI();
    kwRegisterIniRTTI();
    qdzRegisterClassRTTI();
}
