// The engine layer's start-up call: the engine and built-page store without
// windows (the preview layer's qdzBuildStartup adds them).
#pragma once

// Installs the engine and the built-page store and registers the report
// classes for scripts: enough to build, store and print reports without a
// screen (no progress window, password prompt, dialog-page form, error box or
// preview). Headless programs call this one.
void qdzEngineStartup();
