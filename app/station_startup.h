// Start-up of the station: the windows in their order, the local database,
// then the message loop.
#pragma once

// Creates the main window, the data module, the dialogs and the login
// window in the station's order. When the local database cannot be opened a message box names its
// path and false is returned: the station does not run without it.
bool CreateStationForms();
// The station's language, Chinese, for Qt's standard texts and the class
// library's boxes and errors; before any window is made.
void InstallStationLanguage();
// Initialises the application, creates the windows and runs the message loop.
// Returns the process exit code.
int StationMain();
