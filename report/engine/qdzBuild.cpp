// Start-up of the build layer without windows.
#include "report/engine/qdzBuild.h"

#include "report/engine/qdzEngine.h"
#include "report/engine/qdzOutline.h"
#include "report/engine/qdzPreviewPages.h"

void qdzEngineStartup()
{
    TqdzBuildFactories F = qdzBuildFactories();
    qdzAddPreviewPagesFactories(F);
    qdzAddEngineFactories(F);
    qdzInstallBuildFactories(F);
    // The script bridge finds the engine's and the outline's classes by name
    // (the model cannot name them): "Engine" and "Outline" are typed by them.
    RegisterClasses({TqdzEngine::StaticClass(), TqdzOutline::StaticClass()});
}
