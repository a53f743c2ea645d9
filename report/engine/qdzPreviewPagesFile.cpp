// Built-report files (.qe3): the store's document with source pages, dictionary and pictures.
#include "qdzPreviewPages.h"

#include "qdzDictionary.h"
#include "qdzPictureCache.h"

#include "platform/Streams.h"
#include "platform/SysUtils.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzRes.h"
#include "report/model/qdzUtils.h"
#include "report/model/qdzVariables.h"
#include "report/model/qdzXML.h"
#include "report/model/qdzXMLSerializer.h"

namespace {

TqdzCompressorFactory GCompressor = nullptr;

QByteArray BoolText(bool Value)
{
    return Value ? "1" : "0";
}

// Description of a stored template object, as AddSourcePage gives it.
QString StoredDescription(TqdzXMLSerializer &Serializer, TqdzComponent *Obj)
{
    if (Obj->Flags() & qdzFlagWriteFull)
        return Obj->ClassName();
    return QString::fromLatin1(Serializer.WriteObjectToItem(Obj));
}

} // namespace

TqdzCompressorFactory &qdzCompressorClass()
{
    return GCompressor;
}

void TqdzPreviewPages::SaveToStream(TStream *Stream)
{
    std::unique_ptr<TqdzCustomCompressor> compressor;
    if (Report()->ReportOptions()->Compressed() && GCompressor) {
        compressor.reset(GCompressor());
        compressor->SetReport(Report());
        compressor->SetIsTemplate(false);
        compressor->CreateStream();
    }
    WriteDocument(compressor ? compressor->Stream() : Stream);
    if (compressor)
        compressor->Compress(Stream);
}

void TqdzPreviewPages::WriteDocument(TStream *Stream)
{
    TqdzXMLItem *root = FXMLDocument->Root();
    PagesNode();

    TqdzXMLSerializer serializer(nullptr);
    serializer.SetOwner(Report());
    TqdzXMLItem *report = root->FindItem("report");
    report->Clear();
    TqdzXMLItem *r = report->Add();
    r->SetName(Report()->ClassName().toLatin1());
    // The name is encoded as the template reader decodes string properties.
    r->SetText("DotMatrixReport=\"" + BoolText(Report()->DotMatrixReport()) + "\" PreviewOptions.OutlineVisible=\""
               + BoolText(Report()->PreviewOptions()->OutlineVisible()) + "\" PreviewOptions.OutlineWidth=\""
               + QByteArray::number(Report()->PreviewOptions()->OutlineWidth()) + "\" ReportOptions.Name=\""
               + serializer.EncodeString(Report()->ReportOptions()->Name()) + '"');

    TqdzXMLItem *sources = root->FindItem("sourcepages");
    sources->Clear();
    for (auto &p : FSourcePages)
        serializer.WriteTemplateRoot(p.get(), true, false, sources->Add());

    TqdzXMLItem *dictionary = root->FindItem("dictionary");
    dictionary->Clear();
    for (int i = 0; i < FDictionary->Count(); ++i) {
        const QString name = FDictionary->Names(i);
        TqdzXMLItem *item = dictionary->Add();
        item->SetName(name.toLatin1());
        // Object names may hold any character: escaped like every attribute.
        item->SetText("name=\"" + StrToXML(FDictionary->GetSourceName(name).toUtf8()) + '"');
    }

    FPictureCache->SaveToXML(root->FindItem("picturecache"));
    FXMLDocument->SaveToStream(Stream);
}

void TqdzPreviewPages::ReadBuiltReport()
{
    TqdzXMLItem *root = FXMLDocument->Root();
    PagesNode();
    TqdzXMLSerializer serializer(nullptr);
    serializer.SetOwner(Report());
    serializer.SetPlainStringAttributes(FXMLDocument->PlainStringAttributes());

    TqdzXMLItem *report = root->FindItem("report");
    if (report->Count() > 0)
        serializer.ReadObjectAttributes(Report(), report->GetItems(0)->Text());

    FTemplateTexts.clear();
    FSourcePages.clear();
    TqdzXMLItem *sources = root->FindItem("sourcepages");
    for (int i = 0; i < sources->Count(); ++i) {
        TqdzXMLItem *item = sources->GetItems(i);
        TClass cls = item->Name() == "TqdzDMPPage" ? GetClass(u"TqdzDMPPage") : nullptr;
        std::unique_ptr<TqdzReportPage> page;
        if (cls && cls->InheritsFrom(TqdzReportPage::StaticClass()))
            page.reset(static_cast<TqdzReportPage *>(cls->Create(nullptr)));
        else
            page = std::make_unique<TqdzReportPage>(nullptr);
        TqdzXMLSerializer reader(nullptr);
        reader.SetPlainStringAttributes(FXMLDocument->PlainStringAttributes());
        reader.ReadTemplateRoot(page.get(), item);
        TList *all = page->AllObjects();
        for (int j = 0; j < all->Count(); ++j) {
            auto *obj = static_cast<TqdzComponent *>(all->Items(j));
            obj->SetBaseName(StoredDescription(serializer, obj));
        }
        FSourcePages.push_back(std::move(page));
    }
    sources->Clear();

    FDictionary->Clear();
    TqdzXMLItem *dictionary = root->FindItem("dictionary");
    for (int i = 0; i < dictionary->Count(); ++i) {
        TqdzXMLItem *item = dictionary->GetItems(i);
        // Read by attribute: a damaged entry resolves to nothing.
        const QString source = QString::fromUtf8(item->GetProp("name"));
        TqdzComponent *obj = nullptr;
        const int dot = source.indexOf(QLatin1Char('.'));
        if (dot > 4 && source.startsWith(QLatin1String("Page"), Qt::CaseInsensitive)) {
            bool ok = false;
            const int index = source.mid(4, dot - 4).toInt(&ok);
            if (TqdzReportPage *page = ok ? SourcePages(index) : nullptr)
                obj = page->FindObject(source.mid(dot + 1));
        }
        FDictionary->Add(QString::fromLatin1(item->Name()), source, obj);
    }

    FPictureCache->LoadFromXML(root->FindItem("picturecache"));
}

void TqdzPreviewPages::LoadFromStream(TStream *Stream, bool AllowPartialLoading)
{
    Clear();
    std::unique_ptr<TqdzCustomCompressor> compressor;
    if (GCompressor) {
        AllowPartialLoading = false;
        try {
            compressor.reset(GCompressor());
            compressor->SetReport(Report());
            compressor->SetIsTemplate(false);
            compressor->CreateStream();
            if (compressor->Decompress(Stream)) {
                Stream = compressor->Stream();
                Stream->SetPosition(0);
            }
        } catch (const Exception &) {
            compressor.reset();
            ReportDecompressError();
            return;
        }
    }
    try {
        FXMLDocument->LoadFromStream(Stream, AllowPartialLoading);
        FXMLDocument->Root()->SetName("preparedreport");
        ReadBuiltReport();
    } catch (...) {
        // A damaged file leaves the store empty, not half read.
        Clear();
        throw;
    }
}

void TqdzPreviewPages::ReportDecompressError()
{
    TqdzResources *res = qdzResources();
    Report()->Errors()->Add(res->ResourceText(QStringLiteral("clDecompressError")));
    const QString text = res->ResourceText(QStringLiteral("clErrors")) + QStringLiteral("\n")
                         + Report()->Errors()->Text();
    switch (Report()->EngineOptions()->NewSilentMode()) {
    case simMessageBoxes:
        qdzErrorMsg(text);
        break;
    case simSilent:
        break;
    case simReThrow:
        throw Exception(text);
    }
}

bool TqdzPreviewPages::LoadFromFile(const QString &FileName, bool ExceptionIfNotFound)
{
    const bool exists = FileExists(FileName);
    if (exists || ExceptionIfNotFound) {
        TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
        LoadFromStream(&stream, false);
    }
    return exists;
}

void TqdzPreviewPages::SaveToFile(const QString &FileName)
{
    TFileStream stream(FileName, fmCreate);
    SaveToStream(&stream);
}
