// Fuzzing the report XML reader: any input is read or refused with an
// exception of the class library; what is read, written, read again and
// written again gives the same bytes.
#include "Streams.h"
#include "fuzz_support.h"
#include "report/model/qdzXML.h"

namespace {

QByteArray Save(TqdzXMLDocument &Doc)
{
    TMemoryStream out;
    Doc.SaveToStream(&out);
    return QByteArray(static_cast<const char *>(out.Memory()), qsizetype(out.Size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
    TqdzXMLDocument doc;
    TStringStream in(QByteArray(reinterpret_cast<const char *>(Data), qsizetype(Size)));
    try {
        doc.LoadFromStream(&in);
    } catch (const Exception &) {
        return 0;
    }
    const QByteArray first = Save(doc);
    TqdzXMLDocument again;
    TStringStream in2(first);
    again.LoadFromStream(&in2); // what we wrote must read back
    FUZZ_CHECK(Save(again) == first);
    return 0;
}
