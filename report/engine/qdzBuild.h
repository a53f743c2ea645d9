// The build layer's start-up calls: the engine and built-page store alone, or
// with the windows the report model creates through its factory table.
#pragma once

// Installs the engine and the built-page store: enough to build, store and
// print reports without a screen (no progress window, password prompt,
// dialog-page form or preview). Headless programs call this one.
void qdzEngineStartup();

// Installs everything qdzEngineStartup does plus the preview layer's windows.
// Defined by report_preview; the station and the tests call it once before
// they create reports.
void qdzBuildStartup();
