// The station's one-value files under db/ (scale type, tare presets, last
// user, server address, chosen lines): short GBK text files, read only when
// they are what they should be.
#pragma once
#include <QString>

class TStrings;

// The largest one-value file read; a setting is a few lines.
constexpr qint64 OneValueFileLimit = 64 * 1024;

enum TOneValueFileState { ovOk, ovMissing, ovUnfit };

// Reads the GBK file Path into Lines when it is a regular file (or a link to
// one) of at most OneValueFileLimit bytes. Anything else is not opened for
// reading in a way that could wait (a pipe, a device): ovMissing when there
// is no such file, ovUnfit otherwise, with Why saying why in the station's words.
TOneValueFileState ReadOneValueFile(const QString &Path, TStrings *Lines, QString *Why = nullptr);
