// The on-screen keyboard for the touch screen: touching a field starts it, or
// stops it when it already runs. The program is "onboard" unless the
// environment variable STATION_OSK names another.
#pragma once
#include <QString>
#include <QList>

QString OnScreenKeyboardProgram();
// Process ids of running processes of Program (a path, or a name found
// through PATH): those whose executable is that file, or, for a script, its
// interpreter running that script. Names and arguments alone never match.
QList<qint64> FindProcesses(const QString &Program);
// Stops the running keyboard, or starts one. Returns true when it was started.
bool ToggleOnScreenKeyboard();
