// Fuzzing the scale frame parser: any frame gives an empty text or a weight
// of digits with at most one point, no leading zeros in the whole part and
// no trailing zeros in the decimals.
#include "fuzz_support.h"
#include "app/scale_code.h"
#include <QRegularExpression>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
    // Frames arrive as 8-bit bytes.
    const QString frame = QString::fromLatin1(reinterpret_cast<const char *>(Data), qsizetype(Size));
    const QString w = ParseScaleFrame(frame);
    static const QRegularExpression weight(QStringLiteral("^(0|[1-9][0-9]{0,3})(\\.[0-9]?[1-9])?$"));
    FUZZ_CHECK(w.isEmpty() || weight.match(w).hasMatch());
    return 0;
}
