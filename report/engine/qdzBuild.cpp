// Start-up of the build layer without windows.
#include "report/engine/qdzBuild.h"

#include "report/engine/qdzEngine.h"
#include "report/engine/qdzPreviewPages.h"

void qdzEngineStartup()
{
    TqdzBuildFactories F = qdzBuildFactories();
    qdzAddPreviewPagesFactories(F);
    qdzAddEngineFactories(F);
    qdzInstallBuildFactories(F);
}
