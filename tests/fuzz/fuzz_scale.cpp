// Fuzzing the scale frame parser and the frame gatherer: any input gives an empty text or a weight (a minus below zero, digits with at most one point, no leading or trailing zeros; none without the marker blank); and the tare check: what it takes is a weight the scale can show.
#include "fuzz_support.h"
#include "app/scale_code.h"
#include "platform/SysUtils.h"
#include <QRegularExpression>
#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
    // Frames arrive as 8-bit bytes.
    const QString frame = QString::fromLatin1(reinterpret_cast<const char *>(Data), qsizetype(Size));
    const QString w = ParseScaleFrame(frame);
    static const QRegularExpression weight(QStringLiteral("^(?!-0$)-?(0|[1-9][0-9]{0,3})(\\.[0-9]?[1-9])?$"));
    FUZZ_CHECK(w.isEmpty() || weight.match(w).hasMatch());
    // Only a frame with its marker blank is a weight.
    FUZZ_CHECK(w.isEmpty() || frame.left(16).contains(QLatin1Char(' ')));
    // The same bytes arriving in pieces, as the port delivers them.
    TScaleFrames frames;
    const qsizetype step = Size > 0 ? 1 + Data[0] % 23 : 1;
    for (qsizetype i = 0; i < frame.size(); i += step) {
        // Now and then the line goes quiet after a piece.
        const QString f = frames.Feed(frame.mid(i, step), (Data[i] & 0x40) != 0);
        FUZZ_CHECK(f.isEmpty() || weight.match(f).hasMatch());
    }
    // A tare preset line: accepted only as a number from 0 to the scale's largest reading.
    if (ValidTare(frame)) {
        double v = -1;
        FUZZ_CHECK(TryStrToFloat(frame.trimmed(), v));
        FUZZ_CHECK(std::isfinite(v) && v >= 0 && v <= ScaleMaxWeight);
    }
    return 0;
}
