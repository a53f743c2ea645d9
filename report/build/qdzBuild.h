// The build layer's one start-up call: installs the engine, the built-page
// store and the windows the report model creates through its factory table.
// The station and the tests call it once before they create reports.
#pragma once
void qdzBuildStartup();
