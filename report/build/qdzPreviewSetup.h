// What the preview layer puts into the report's factory table: password
// prompt, dialog-page form, preview window, and the store's print dialog.
#pragma once
#include "report/model/qdzClassEngine.h"

void qdzAddPreviewFactories(TqdzBuildFactories &Factories);
