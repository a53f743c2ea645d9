// Start-up of the station: the windows in their order, the local database,
// then the message loop.
#pragma once

// Creates the main window, the data module, the dialogs and the login
// window in the station's order. When the local database cannot be opened a message box names its
// path and false is returned: the station does not run without it.
bool CreateStationForms();
// Initialises the application, creates the windows and runs the message loop.
// Returns the process exit code.
int StationMain();
