// Loading and saving a report XML document of 100,000 items, the size of a
// long built report. Qt's own stream reader and writer on the same bytes are
// the reference measured in the same run.
#include "report/model/qdzXML.h"

#include "platform/Streams.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <benchmark/benchmark.h>

namespace {

constexpr int ItemCount = 100000;

// preparedreport / previewpages / page (20 objects each) / object items.
QByteArray MakeDocument()
{
    TqdzXMLDocument Doc;
    Doc.Root()->SetName("preparedreport");
    TqdzXMLItem *Pages = Doc.Root()->FindItem("previewpages");
    TqdzXMLItem *Page = nullptr;
    for (int I = 0; I < ItemCount; ++I) {
        if (I % 20 == 0) {
            Page = Pages->Add();
            Page->SetName("page0");
        }
        TqdzXMLItem *Obj = Page->Add();
        Obj->SetName("m" + QByteArray::number(I % 37));
        Obj->SetProp("l", QByteArray::number(I % 700) + ".5");
        Obj->SetProp("t", QByteArray::number(I % 1000));
        Obj->SetProp("u", "Line " + QByteArray::number(I) + " \xe8\xa7\x84\xe6\xa0\xbc \"kg\" <10>");
    }
    TMemoryStream S;
    Doc.SaveToStream(&S);
    return QByteArray(static_cast<const char *>(S.Memory()), int(S.Size()));
}

const QByteArray &Document()
{
    static const QByteArray Bytes = MakeDocument();
    return Bytes;
}

void BM_LoadReportXML(benchmark::State &State)
{
    const QByteArray &Bytes = Document();
    for (auto _ : State) {
        TStringStream S(Bytes);
        TqdzXMLDocument Doc;
        Doc.LoadFromStream(&S);
        benchmark::DoNotOptimize(Doc.Root()->GetCount());
    }
    State.SetBytesProcessed(State.iterations() * Bytes.size());
}
BENCHMARK(BM_LoadReportXML)->Unit(benchmark::kMillisecond);

void BM_SaveReportXML(benchmark::State &State)
{
    const QByteArray &Bytes = Document();
    TStringStream In(Bytes);
    TqdzXMLDocument Doc;
    Doc.LoadFromStream(&In);
    for (auto _ : State) {
        TMemoryStream Out;
        Doc.SaveToStream(&Out);
        benchmark::DoNotOptimize(Out.Size());
    }
    State.SetBytesProcessed(State.iterations() * Bytes.size());
}
BENCHMARK(BM_SaveReportXML)->Unit(benchmark::kMillisecond);

void BM_LoadQtStreamReader(benchmark::State &State)
{
    const QByteArray &Bytes = Document();
    for (auto _ : State) {
        QXmlStreamReader Reader(Bytes);
        int Elements = 0;
        while (!Reader.atEnd())
            if (Reader.readNext() == QXmlStreamReader::StartElement) {
                ++Elements;
                benchmark::DoNotOptimize(Reader.attributes().value(QLatin1String("t")));
            }
        if (Reader.hasError() || Elements < ItemCount)
            State.SkipWithError("the reference reader did not read the whole document");
        benchmark::DoNotOptimize(Elements);
    }
    State.SetBytesProcessed(State.iterations() * Bytes.size());
}
BENCHMARK(BM_LoadQtStreamReader)->Unit(benchmark::kMillisecond);

void BM_SaveQtStreamWriter(benchmark::State &State)
{
    for (auto _ : State) {
        QByteArray Out;
        QXmlStreamWriter Writer(&Out);
        Writer.writeStartDocument();
        Writer.writeStartElement("preparedreport");
        Writer.writeStartElement("previewpages");
        for (int I = 0; I < ItemCount; ++I) {
            if (I % 20 == 0) {
                if (I > 0)
                    Writer.writeEndElement();
                Writer.writeStartElement("page0");
            }
            Writer.writeEmptyElement("m" + QString::number(I % 37));
            Writer.writeAttribute("l", QString::number(I % 700) + ".5");
            Writer.writeAttribute("t", QString::number(I % 1000));
            Writer.writeAttribute("u", "Line " + QString::number(I) + QString::fromUtf8(" 规格 \"kg\" <10>"));
        }
        Writer.writeEndDocument();
        benchmark::DoNotOptimize(Out.size());
    }
}
BENCHMARK(BM_SaveQtStreamWriter)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
