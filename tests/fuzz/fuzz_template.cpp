// Fuzzing the template reader on the report classes: any document is read
// (what cannot be read goes to the error list) or refused with an
// exception of the class library; the report's saved text loads back and
// saves to the same text.
#include "Dialogs.h"
#include "Streams.h"
#include "fuzz_support.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzClassViews.h"
#include "report/model/qdzXML.h"
#include "report/model/qdzXMLSerializer.h"

namespace {

QByteArray Save(TqdzReport &Report)
{
    TMemoryStream out;
    Report.SaveToStream(&out);
    return QByteArray(static_cast<const char *>(out.Memory()), qsizetype(out.Size()));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzQtApp();
    // A report shows what it could not read in a message box: answered here.
    SetDialogHook([](TDialogRequest &) { return 1; });
    // The classes a template names are found by their class references.
    for (TClass c : {TqdzReportPage::StaticClass(), TqdzDataBand::StaticClass(), TqdzMemoView::StaticClass(),
                     TqdzGroupHeader::StaticClass(), TqdzGroupFooter::StaticClass(), TqdzOverlay::StaticClass(),
                     TqdzDialogPage::StaticClass(), TqdzDataPage::StaticClass(), TqdzUserDataSet::StaticClass()})
        (void)c;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
    TqdzReport report(nullptr);
    try {
        TStringStream in(QByteArray(reinterpret_cast<const char *>(Data), qsizetype(Size)));
        report.LoadFromStream(&in);
    } catch (const Exception &) {
        return 0;
    }
    const QByteArray first = Save(report);
    TqdzReport back(nullptr);
    TStringStream in(first);
    back.LoadFromStream(&in); // what the report wrote must load
    FUZZ_CHECK(Save(back) == first);
    return 0;
}
