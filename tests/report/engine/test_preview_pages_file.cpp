// Built-report files: the empty document, save and load of pages and marks, damaged files.
#include "StoreFixture.h"

#include "report/engine/qdzDictionary.h"
#include "report/engine/qdzOutline.h"
#include "report/model/qdzVariables.h"
#include "report/model/qdzXML.h"

#include "platform/Streams.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray Saved(TqdzPreviewPages *Store)
{
    TMemoryStream s;
    Store->SaveToStream(&s);
    return QByteArray(static_cast<const char *>(s.Memory()), qsizetype(s.Size()));
}

void Load(TqdzPreviewPages *Store, const QByteArray &Bytes)
{
    TStringStream s(Bytes);
    Store->LoadFromStream(&s);
}

QByteArray NodeText(TqdzPreviewPages *Store, const char *Name)
{
    TqdzXMLItem *n = Store->XMLDocument()->Root()->FindItem(Name);
    QByteArray out;
    std::function<void(TqdzXMLItem *)> walk = [&](TqdzXMLItem *i) {
        out += '<' + i->Name() + ' ' + i->Text().trimmed() + '>';
        for (int k = 0; k < i->Count(); ++k)
            walk(i->GetItems(k));
        out += "</>";
    };
    walk(n);
    return out;
}

} // namespace

TEST(BuiltReportFile, EmptyStoreSavesTheBareDocument)
{
    TStoreReport r;
    EXPECT_EQ(Saved(r.Store),
              "<?xml version=\"1.0\" encoding=\"utf-8\"?><preparedreport><previewpages/><report>"
              "<TqdzReport DotMatrixReport=\"0\" PreviewOptions.OutlineVisible=\"0\" "
              "PreviewOptions.OutlineWidth=\"120\" ReportOptions.Name=\"\"/></report><sourcepages/>"
              "<dictionary/><picturecache/></preparedreport>");
}

TEST(BuiltReportFile, SavedAndLoadedDrawsTheSamePages)
{
    TStoreReport r;
    r.Report.ReportOptions()->SetName(QStringLiteral("Note \"7\""));
    r.Report.PreviewOptions()->SetOutlineWidth(200);
    r.Build({1, 2, 3}, 33);
    r.Store->ResetLogicalPageNumber();
    r.Store->Outline()->LevelRoot();
    r.Store->Outline()->AddItem(QStringLiteral("Customer A"), 40);
    r.Engine.SetCurY(12.5);
    r.Store->AddAnchor(QStringLiteral("end"));
    r.Store->Finish();
    const QByteArray bytes = Saved(r.Store);

    TStoreReport loaded;
    Load(loaded.Store, bytes);
    ASSERT_EQ(loaded.Store->GetCount(), 3);
    EXPECT_EQ(loaded.Report.ReportOptions()->Name(), QStringLiteral("Note \"7\""));
    EXPECT_EQ(loaded.Report.PreviewOptions()->OutlineWidth(), 200);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(loaded.Store->GetPageSize(i), r.Store->GetPageSize(i));
        const QImage a = DrawnPage(r.Store, i), b = DrawnPage(loaded.Store, i);
        ASSERT_FALSE(a.isNull());
        EXPECT_TRUE(a == b) << "page " << i;
    }
    for (const char *node : {"outline", "anchors", "logicalpagenumbers", "previewpages"})
        EXPECT_EQ(NodeText(loaded.Store, node), NodeText(r.Store, node)) << node;
    // Saved again, the same bytes.
    EXPECT_EQ(Saved(loaded.Store), bytes);
}

TEST(BuiltReportFile, DictionaryEntriesAreReadByAttribute)
{
    TStoreReport r;
    r.Build({1});
    QByteArray bytes = Saved(r.Store);
    const qsizetype from = bytes.indexOf("<dictionary>"), to = bytes.indexOf("</dictionary>");
    ASSERT_GT(from, 0);
    bytes.replace(from, to - from,
                  "<dictionary><b1 name=\"Page0.MasterData1\"/><t1 x=\"1\" name=\"page0.VIEW1\"/>"
                  "<t2 name=\"Page9.View2\"/><t3 name=\"PageX.View2\"/><t4 name=\"nonsense\"/><t5/>"
                  "<t6 name=\"Page0.Missing\"/>");
    TStoreReport loaded;
    Load(loaded.Store, bytes);
    TqdzDictionary *d = loaded.Store->Dictionary();
    ASSERT_NE(d->GetObject(QStringLiteral("t1")), nullptr);
    EXPECT_EQ(d->GetObject(QStringLiteral("t1"))->Name(), QStringLiteral("View1"));
    EXPECT_NE(d->GetObject(QStringLiteral("b1")), nullptr);
    for (const char *name : {"t2", "t3", "t4", "t5", "t6"})
        EXPECT_EQ(d->GetObject(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(d->GetSourceName(QStringLiteral("t1")), QStringLiteral("page0.VIEW1"));
    // The page still rebuilds; View2's entry resolves to nothing and is skipped.
    TqdzReportPage *p = loaded.Store->GetPage(0);
    ASSERT_NE(p, nullptr);
    EXPECT_NE(p->FindObject(QStringLiteral("View1")), nullptr);
    EXPECT_EQ(p->FindObject(QStringLiteral("View2")), nullptr);
}

TEST(BuiltReportFile, FilesMissingOrDamaged)
{
    QTemporaryDir dir;
    TStoreReport r;
    r.Build({1, 2});
    const QString file = dir.filePath(QStringLiteral("built.qe3"));
    r.Store->SaveToFile(file);
    TStoreReport loaded;
    EXPECT_TRUE(loaded.Store->LoadFromFile(file));
    EXPECT_EQ(loaded.Store->GetCount(), 2);

    // A missing file leaves the store as it is, or raises when asked to.
    EXPECT_FALSE(loaded.Store->LoadFromFile(dir.filePath(QStringLiteral("none.qe3"))));
    EXPECT_EQ(loaded.Store->GetCount(), 2);
    EXPECT_THROW(loaded.Store->LoadFromFile(dir.filePath(QStringLiteral("none.qe3")), true), EFOpenError);

    // Damaged bytes: an error, and an empty store rather than half of one.
    const QByteArray good = Saved(r.Store);
    const QByteArray damaged[] = {
        "not xml at all",
        good.left(good.size() / 2),
        "<?xml version=\"1.0\"?><preparedreport><previewpages><page0><t1 l=\"x\"/></page0><page99/>"
        "</previewpages><sourcepages><TqdzReportPage PaperWidth=\"-5\"/><NoSuchPage/></sourcepages>"
        "<picturecache><item stream=\"ZZ\"/></picturecache></preparedreport>",
    };
    for (const QByteArray &bytes : damaged) {
        SCOPED_TRACE(bytes.left(40).toStdString());
        try {
            Load(loaded.Store, bytes);
        } catch (const Exception &) {
            EXPECT_EQ(loaded.Store->GetCount(), 0);
            continue;
        }
        for (int i = 0; i < loaded.Store->GetCount(); ++i) {
            loaded.Store->GetPage(i);
            loaded.Store->GetPageSize(i);
        }
    }
}

namespace {

// Marks its output with "QZ" and inverts every byte; "QZ!" is damaged data.
class TInvertCompressor : public TqdzCustomCompressor
{
public:
    void CreateStream() override { FStream = std::make_unique<TMemoryStream>(); }
    bool Decompress(TStream *Source) override
    {
        QByteArray all(int(Source->Size() - Source->Position()), '\0');
        Source->ReadBuffer(all.data(), all.size());
        if (!all.startsWith("QZ")) {
            Source->Seek(-all.size(), soCurrent);
            return false;
        }
        if (all.startsWith("QZ!"))
            throw EStreamError(QStringLiteral("bad data"));
        for (qsizetype i = 2; i < all.size(); ++i)
            all[i] = char(~all[i]);
        FStream->WriteBuffer(all.constData() + 2, all.size() - 2);
        return true;
    }
    void Compress(TStream *Destination) override
    {
        QByteArray all(int(FStream->Size()), '\0');
        FStream->SetPosition(0);
        FStream->ReadBuffer(all.data(), all.size());
        for (char &c : all)
            c = char(~c);
        Destination->WriteBuffer("QZ", 2);
        Destination->WriteBuffer(all.constData(), all.size());
    }
    TStream *Stream() override { return FStream.get(); }

private:
    std::unique_ptr<TMemoryStream> FStream;
};

TqdzCustomCompressor *NewInvertCompressor()
{
    return new TInvertCompressor;
}

} // namespace

TEST(BuiltReportFile, CompressorHooks)
{
    TStoreReport r;
    r.Build({1, 2});
    // Without a compressor, Compressed changes nothing.
    const QByteArray plain = Saved(r.Store);
    r.Report.ReportOptions()->SetCompressed(true);
    EXPECT_EQ(Saved(r.Store), plain);

    qdzCompressorClass() = &NewInvertCompressor;
    const QByteArray packed = Saved(r.Store);
    EXPECT_TRUE(packed.startsWith("QZ"));
    EXPECT_EQ(packed.size(), plain.size() + 2);
    TStoreReport loaded;
    Load(loaded.Store, packed);
    EXPECT_EQ(loaded.Store->GetCount(), 2);
    Load(loaded.Store, plain); // not compressed: read as it is
    EXPECT_EQ(loaded.Store->GetCount(), 2);

    // Damaged compressed data: the error is listed, the store stays empty.
    loaded.Report.EngineOptions()->SetNewSilentMode(simSilent);
    Load(loaded.Store, "QZ!xyz");
    EXPECT_EQ(loaded.Store->GetCount(), 0);
    EXPECT_GE(loaded.Report.Errors()->IndexOf(QStringLiteral("Stream decompress error")), 0);
    loaded.Report.EngineOptions()->SetNewSilentMode(simReThrow);
    EXPECT_THROW(Load(loaded.Store, "QZ!xyz"), Exception);
    qdzCompressorClass() = nullptr;
}
