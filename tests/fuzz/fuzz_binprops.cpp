// Fuzzing the binary property reader: the first byte picks the object read
// into (a report, a memo view, a page, or the report's dataset collection),
// the rest is read as defined property data. Bad data raises an exception
// of the class library and leaves the objects sound to save and free.
#include "Filer.h"
#include "Streams.h"
#include "fuzz_support.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzClassViews.h"
#include "report/model/qdzXMLSerializer.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzQtApp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
    if (Size < 1)
        return 0;
    TqdzReport report(nullptr);
    auto *page = new TqdzReportPage(&report);
    page->SetName(QStringLiteral("Page1"));
    auto *band = new TqdzDataBand(page);
    band->SetName(QStringLiteral("MasterData1"));
    auto *memo = new TqdzMemoView(band);
    memo->SetName(QStringLiteral("Memo1"));

    TMemoryStream stream;
    stream.WriteBuffer(Data + 1, qint64(Size - 1));
    stream.SetPosition(0);
    try {
        TReader reader(&stream);
        reader.SetRoot(&report);
        const int target = Data[0] % 4;
        if (target == 3) {
            if (reader.NextValue() != vaCollection)
                return 0;
            reader.ReadValue();
            ReadCollection(report.DataSets(), &reader, &report);
        } else {
            TPersistent *obj = target == 0 ? static_cast<TPersistent *>(&report)
                                           : target == 1 ? static_cast<TPersistent *>(memo) : page;
            while (stream.Position() < stream.Size()) {
                const qint64 before = stream.Position();
                reader.ReadProperty(obj);
                if (stream.Position() <= before)
                    break;
            }
        }
        reader.FixupReferences();
    } catch (const Exception &) {
    }
    // Whatever was read can be written.
    TMemoryStream out;
    report.SaveToStream(&out);
    return 0;
}
