#pragma once
// What the preview layer puts into the report's factory table: password
// prompt, dialog-page form, preview window, and the store's print dialog.
#include "report/model/qdzClassEngine.h"

void qdzAddPreviewFactories(TqdzBuildFactories &Factories);
