// Start-up of the build layer.
#include "report/build/qdzBuild.h"

#include "report/build/qdzEngine.h"
#include "report/build/qdzPreviewPages.h"
#include "report/build/qdzPreviewSetup.h"

void qdzBuildStartup()
{
    TqdzBuildFactories F = qdzBuildFactories();
    qdzAddPreviewPagesFactories(F);
    qdzAddEngineFactories(F);
    qdzAddPreviewFactories(F);
    qdzInstallBuildFactories(F);
}
