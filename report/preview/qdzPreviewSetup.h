// What the preview layer puts into the report's factory table: password
// prompt, dialog-page form, progress and preview windows, and the store's
// print and printer-setup dialogs.
#pragma once
#include "report/model/qdzClassEngine.h"

void qdzAddPreviewFactories(TqdzBuildFactories &Factories);

// Installs everything qdzEngineStartup does plus the preview layer's windows.
// The station and the tests call it once before they create reports.
void qdzBuildStartup();
