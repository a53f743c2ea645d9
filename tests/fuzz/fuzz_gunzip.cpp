// Fuzzing GunzipStream: any input unpacks or raises an exception of the
// class library, within memory limits.
#include "Streams.h"
#include "fuzz_support.h"
#include "report/model/qdzUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
    TStringStream in(QByteArray(reinterpret_cast<const char *>(Data), qsizetype(Size)));
    TMemoryStream out;
    QString name;
    try {
        GunzipStream(&in, &out, name);
    } catch (const Exception &) {
    }
    return 0;
}
