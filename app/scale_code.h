// The serial scale's side of the station: the weight frame, the scale type
// and the tare presets kept in one-value files under db/.
#pragma once
#include <QString>

class TStrings;

// The weight in a frame of the scale, as the weight field shows it:
// d1d2d3d4.d5d6 without leading zeros in the whole part and without trailing
// zeros in the decimals ("12.34", "1.5", "1200", "0.05", "0"). The digits
// follow the marker, the first blank among the first 16 characters, after one
// more character, the sign: "-" gives a negative weight ("-3"). An empty text
// when the marker is missing, or the six digits are missing or not all
// digits: a frame that is not a weight shows nothing.
QString ParseScaleFrame(const QString &Frame);

// What arrived from the port, gathered into frames ended by CR and/or LF.
// Feed takes the text read and returns the weight of the newest complete
// frame that reads ('' when none did); a frame not yet ended waits for the
// rest of it. Text without any line end is read as one frame, as before.
// Quiet says the line has been quiet since Text arrived: the scale sent all
// it will for now, so a frame not ended is read as it stands (and dropped).
class TScaleFrames
{
public:
    QString Feed(const QString &Text, bool Quiet = false);
    void Clear() { FPending.clear(); }

private:
    QString FPending;
};

// Milliseconds of silence on the scale's line after which what waits is read.
constexpr int ScaleQuietTime = 100;

// The warning when the scale's port fails while it is read.
QString ScaleLostMessage();

// db/dianzc_type.txt and the two tare preset files, in the program folder.
QString ScaleTypeFile();
QString TareNameFile();
QString TareValueFile();

// Line 0 of the scale type file. When the file is missing, empty or holds no
// whole number a warning says so and the type is "1".
QString ReadScaleType();

// The heaviest reading a frame's six digits can carry.
constexpr double ScaleMaxWeight = 9999.99;
// Whether Text is a tare the scale can weigh: a number from 0 to ScaleMaxWeight.
bool ValidTare(const QString &Text);

// The tare presets, paired by line: Names gets name + value (e.g. "大框3.5"),
// Values the value. False, and nothing changed, when either file is missing
// or is no file to read (a warning says which). A value that is no valid
// tare is left out with a warning naming it.
bool ReadTarePresets(TStrings *Names, TStrings *Values);
