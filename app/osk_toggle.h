// The on-screen keyboard for the touch screen: touching a field starts it, or
// stops it when it already runs. The program is "onboard" unless the
// environment variable STATION_OSK names another.
#pragma once
#include <QString>
#include <QList>

QString OnScreenKeyboardProgram();
// Process ids of running processes whose program name equals Program, ignoring
// case, compared as the bare file name and as the full entry.
QList<qint64> FindProcesses(const QString &Program);
// Stops the running keyboard, or starts one. Returns true when it was started.
bool ToggleOnScreenKeyboard();
