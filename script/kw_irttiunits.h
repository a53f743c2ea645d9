// Start-up of the script engine's registration units: the built-in library
// first, then the class library's units in the order they build on each
// other (classes, graphics, forms and controls, dialogs, INI files). Units
// inside a static library are linked only when referenced, so the program
// calls this once before any script loads its modules.
#pragma once
void kwRegisterRTTIUnits();
// Takes the class library's units out of the module list again.
void kwUnregisterRTTIUnits();
