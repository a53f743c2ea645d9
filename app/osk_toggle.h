// The on-screen keyboard for the touch screen: touching a field starts it, or
// stops it when it already runs. The program is "onboard" unless the
// environment variable STATION_OSK names another.
#pragma once
#include <QString>
#include <QList>

QString OnScreenKeyboardProgram();
// Process ids of running processes whose executable (/proc/<pid>/exe) is
// Program's file (a path, or a name found through PATH). Names and arguments
// never match, so a keyboard that is a script is found only by
// ToggleOnScreenKeyboard, through the process id it started.
QList<qint64> FindProcesses(const QString &Program);
// Stops the keyboard this station started and any process running the
// keyboard's executable, or starts one when none runs. Returns true when it
// was started.
bool ToggleOnScreenKeyboard();
