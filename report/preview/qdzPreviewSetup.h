// What the preview layer puts into the report's factory table: password
// prompt, dialog-page form, progress and preview windows, and the store's
// print and printer-setup dialogs.
#pragma once
#include "report/model/qdzClassEngine.h"

void qdzAddPreviewFactories(TqdzBuildFactories &Factories);
