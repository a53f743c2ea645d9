// Fuzzing Format and the conversions: Format with arguments taken from the
// input raises only EConvertError; the Try and the raising forms of the
// conversions agree; numbers and dates they print read back.
#include "SysUtils.h"
#include "fuzz_support.h"
#include <cmath>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
    TFuzzInput in(Data, Size);
    const QString fmt = in.Text();
    std::vector<QString> strings;
    std::vector<TVarRec> args;
    strings.reserve(8);
    for (int i = 0; i < 8 && !in.Empty(); ++i) {
        switch (in.Byte() % 4) {
        case 0:
            args.emplace_back(in.Value<int>());
            break;
        case 1:
            args.emplace_back(in.Value<long long>());
            break;
        case 2:
            args.emplace_back(in.Value<double>());
            break;
        default:
            strings.push_back(in.Text());
            args.emplace_back(strings.back());
            break;
        }
    }
    try {
        Format(fmt, args);
    } catch (const EConvertError &) {
    }

    // The same text through the Try and the raising forms.
    int i = 0;
    if (TryStrToInt(fmt, i)) {
        FUZZ_CHECK(StrToInt(fmt) == i);
        FUZZ_CHECK(StrToInt(IntToStr(i)) == i);
    } else {
        bool raised = false;
        try {
            StrToInt(fmt);
        } catch (const EConvertError &) {
            raised = true;
        }
        FUZZ_CHECK(raised);
    }
    double d = 0;
    if (TryStrToFloat(fmt, d)) {
        const double again = StrToFloat(fmt);
        FUZZ_CHECK(again == d || (std::isnan(again) && std::isnan(d)));
    } else {
        bool raised = false;
        try {
            StrToFloat(fmt);
        } catch (const EConvertError &) {
            raised = true;
        }
        FUZZ_CHECK(raised);
    }
    TDateTime t = 0;
    if (TryStrToDateTime(fmt, t)) {
        FUZZ_CHECK(StrToDateTime(fmt) == t);
    } else {
        bool raised = false;
        try {
            StrToDateTime(fmt);
        } catch (const EConvertError &) {
            raised = true;
        }
        FUZZ_CHECK(raised);
    }

    // Whatever FloatToStr prints reads back, to its 15 digits.
    const double v = TFuzzInput(Data, Size).Value<double>();
    if (std::isfinite(v)) {
        double back = 0;
        const QString text = FloatToStr(v);
        FUZZ_CHECK(TryStrToFloat(text, back));
        FUZZ_CHECK(std::fabs(back - v) <= std::fabs(v) * 1e-14);
        // Dates of the calendar's range read back to the second.
        if (v >= 0 && v < 2958466) {
            TDateTime date = 0;
            FUZZ_CHECK(TryStrToDateTime(DateTimeToStr(v), date));
            FUZZ_CHECK(std::fabs(date - v) < 1.0 / 86400 + 1e-9);
        }
    }
    return 0;
}
