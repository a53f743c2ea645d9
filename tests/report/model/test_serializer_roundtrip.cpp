// Whole templates: a hand-written template with every attribute form, round
// trips byte for byte, elements that cannot be read, references, loading
// state, collections in defined data, and a fuzzed reader.
#include "test_serializer_classes.h"

#include "platform/CodePages.h"
#include "platform/Exceptions.h"
#include "report/model/qdzXML.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

QStringList Names(TqdzComponent *Root)
{
    QStringList r;
    TList *all = Root->AllObjects();
    for (int i = 0; i < all->Count(); ++i) {
        auto *c = static_cast<TqdzComponent *>(all->Items(i));
        r << c->ClassName() + ":" + c->Name() + "<" + (c->Parent() ? c->Parent()->Name() : QString()) + ">";
    }
    return r;
}

bool AnyLoading(TqdzComponent *Root)
{
    if (Root->IsLoading())
        return true;
    TList *all = Root->AllObjects();
    for (int i = 0; i < all->Count(); ++i)
        if (static_cast<TqdzComponent *>(all->Items(i))->IsLoading())
            return true;
    return false;
}

const QByteArray HandWritten =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
    "<!-- every attribute form -->\r\n"
    "<TqdzTestReport Name=\"Ignored\" Title=\"Delivery\" ScriptText.Text=\"begin&#13;&#10;end.\">\r\n"
    "  <TqdzTestPage Name=\"Page1\" PaperWidth=\"210,5\" Guides.Text=\"1&#13;&#10;2\" Font.Name=\"Tahoma\""
    " Font.Style=\"3\" OnBeforePrint=\"Page1OnBeforePrint\">\r\n"
    "    <TqdzTestBand Name=\"Band1\" Top=\"10\" Height=\"1,5\" Child=\"Band2\" Stretched=\"True\">\r\n"
    "      <TqdzTestMemoView Name=\"Memo1\" l=\"1,5\" t=\"2.25\" w=\"100\" h=\"18\" HAlign=\"2\" Frame.Typ=\"5\""
    " Frame.Width=\"2\" Link=\"Memo2\" Text=\"Hello&#13;&#10;World\" Restrictions=\"3\" Mark=\"65\""
    " Data=\"v&#38;1\"/>\r\n"
    "      <TqdzTestMemoView Name=\"Memo2\" HAlign=\"thaRight\" u=\"UTF-8 \xe9\x87\x8d\" Link=\"Band1\""
    " PropData=\"05457874726101" "0A02000000ABCD" "06026869" "00\"/>\r\n"
    "      <TqdzTestMemoView Name=\"Memo3\" x=\"8-bit \xd6\xd8\" HAlign=\"9\" Visible=\"Maybe\" Unknown=\"1\""
    " GapX=\"0.5\"/>\r\n"
    "    </TqdzTestBand>\r\n"
    "    <TqdzTestBand Name=\"Band2\"/>\r\n"
    "    <TqdzUnknownThing Name=\"Strange\">\r\n"
    "      <TqdzTestMemoView Name=\"Lost\"/>\r\n"
    "    </TqdzUnknownThing>\r\n"
    "    <TqdzTestFrame Name=\"NotAComponent\"/>\r\n"
    "    <inherited Name=\"Ghost\">\r\n"
    "      <TqdzTestMemoView Name=\"GhostChild\"/>\r\n"
    "    </inherited>\r\n"
    "    <TqdzTestReport Name=\"Inner\">\r\n" // a report stands only at the root
    "      <TqdzTestPage Name=\"Page1\" PaperWidth=\"1\"/>\r\n"
    "    </TqdzTestReport>\r\n"
    "  </TqdzTestPage>\r\n"
    "</TqdzTestReport>\r\n";

// A memo whose FreeParent setter frees its parent, and so itself.
class TqdzParentFreeingMemo : public TqdzTestMemoView
{
    STATION_CLASS(TqdzParentFreeingMemo, TqdzTestMemoView)
public:
    explicit TqdzParentFreeingMemo(TComponent *AOwner) : TqdzTestMemoView(AOwner) {}
    bool FreeParent() const { return false; }
    void SetFreeParent(bool Value)
    {
        if (Value && Parent())
            Parent()->Free();
    }
};

STATION_PUBLISHED(TqdzParentFreeingMemo)
{
    P.Prop("FreeParent", &TqdzParentFreeingMemo::FreeParent, &TqdzParentFreeingMemo::SetFreeParent);
}

class SerializerTemplates : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterTestReportClasses();
        static const bool Done = [] {
            RegisterClasses({TqdzParentFreeingMemo::StaticClass()});
            return true;
        }();
        (void)Done;
    }
};

TEST_F(SerializerTemplates, HandWrittenTemplateLoadsExactlyTheExpectedObjects)
{
    TqdzTestReport r(nullptr);
    LoadTemplate(&r, HandWritten);
    EXPECT_EQ(Names(&r), QStringList({"TqdzTestPage:Page1<>", "TqdzTestBand:Band1<Page1>",
                                      "TqdzTestMemoView:Memo1<Band1>", "TqdzTestMemoView:Memo2<Band1>",
                                      "TqdzTestMemoView:Memo3<Band1>", "TqdzTestBand:Band2<Page1>"}));
    EXPECT_EQ(r.Errors()->Text(), "Cannot find class TqdzTestFrame\r\n"
                                  "Cannot find class TqdzTestReport\r\n"
                                  "Cannot find class TqdzUnknownThing\r\n"
                                  "Cannot find inherited object Ghost\r\n");
    EXPECT_EQ(r.Name(), "");
    EXPECT_EQ(r.Title(), "Delivery");
    EXPECT_EQ(r.ScriptText()->Count(), 2);

    auto *page = dynamic_cast<TqdzTestPage *>(r.FindObject("Page1"));
    auto *band1 = dynamic_cast<TqdzTestBand *>(r.FindObject("Band1"));
    auto *band2 = dynamic_cast<TqdzTestBand *>(r.FindObject("Band2"));
    auto *memo1 = dynamic_cast<TqdzTestMemoView *>(r.FindObject("Memo1"));
    auto *memo2 = dynamic_cast<TqdzTestMemoView *>(r.FindObject("Memo2"));
    auto *memo3 = dynamic_cast<TqdzTestMemoView *>(r.FindObject("Memo3"));
    ASSERT_TRUE(page && band1 && band2 && memo1 && memo2 && memo3);

    EXPECT_DOUBLE_EQ(page->PaperWidth(), 210.5);
    EXPECT_EQ(page->Guides()->Text(), "1\r\n2\r\n");
    EXPECT_EQ(page->OnBeforePrint(), "Page1OnBeforePrint");
    EXPECT_FALSE(page->ParentFont());
    EXPECT_EQ(band1->Top(), 10);
    EXPECT_DOUBLE_EQ(band1->Height(), 1.5);
    EXPECT_TRUE(band1->Stretched());
    // References forward (Band2, Memo2) and backward (Band1) resolve.
    EXPECT_EQ(band1->Child(), band2);
    EXPECT_EQ(memo1->Link(), memo2);
    EXPECT_EQ(memo2->Link(), band1);

    EXPECT_DOUBLE_EQ(memo1->Left(), 1.5);
    EXPECT_DOUBLE_EQ(memo1->Top(), 2.25);
    EXPECT_EQ(memo1->Width(), 100);
    EXPECT_EQ(memo1->HAlign(), thaCenter);
    EXPECT_EQ(memo1->Frame()->Typ(), TqdzTestFrameTypes({tftLeft, tftTop}));
    EXPECT_EQ(memo1->Frame()->Width(), 2);
    EXPECT_EQ(memo1->Text(), "Hello\r\nWorld\r\n");
    EXPECT_EQ(memo1->Restrictions(), TqdzRestrictions({rfDontModify, rfDontSize}));
    EXPECT_EQ(memo1->Mark(), QChar('A'));
    EXPECT_EQ(memo1->Data().AsString(), "v&1");
    // The children follow the page's font.
    EXPECT_EQ(memo1->Font()->Name(), "Tahoma");
    EXPECT_EQ(memo1->Font()->Style(), TFontStyles({fsBold, fsItalic}));
    EXPECT_TRUE(memo1->ParentFont());

    EXPECT_EQ(memo2->HAlign(), thaRight);
    EXPECT_EQ(memo2->Text(), QStringLiteral("UTF-8 重\r\n"));
    EXPECT_EQ(memo2->Extra, QByteArray::fromHex("abcd"));
    EXPECT_EQ(memo2->ExtraText, "hi");

    EXPECT_EQ(memo3->Text(), QStringLiteral("8-bit 重\r\n"));
    EXPECT_EQ(memo3->HAlign(), thaLeft);
    EXPECT_TRUE(memo3->Visible());
    EXPECT_EQ(memo3->GapX(), 0.5);

    EXPECT_FALSE(AnyLoading(&r));
    EXPECT_EQ(band1->LoadedCalls, 1);
    EXPECT_EQ(band2->LoadedCalls, 1);
    EXPECT_FALSE(band1->LoadingSeenInLoaded);
    // Loaded comes after the references are resolved.
    EXPECT_EQ(band1->ChildSeenInLoaded, band2);
    EXPECT_EQ(r.XMLSerializer(), nullptr);
}

TEST_F(SerializerTemplates, LoadSaveLoadSaveGivesTheSameBytes)
{
    TqdzTestReport a(nullptr);
    LoadTemplate(&a, HandWritten);
    const QByteArray first = SaveTemplate(&a);
    TqdzTestReport b(nullptr);
    LoadTemplate(&b, first);
    EXPECT_EQ(b.Errors()->Count(), 0);
    const QByteArray second = SaveTemplate(&b);
    EXPECT_EQ(first, second);
    // What the first save holds, in the format's own forms.
    for (const char *s :
         {" ScriptText.Text=\"begin&#13;&#10;end.\" Title=\"Delivery\">",
          "PaperWidth=\"210.5\"", "Font.Name=\"Tahoma\"", "Font.Style=\"3\"", "Child=\"Band2\"",
          "Stretched=\"True\"", "HAlign=\"thaCenter\"", "Frame.Typ=\"5\"", "Frame.Width=\"2\"", "Link=\"Memo2\"",
          "Text=\"Hello&#13;&#10;World\"", "Restrictions=\"3\"", "Mark=\"65\"", "Data=\"v&1\"",
          "PropData=\"05457874726101" "0A02000000ABCD" "06026869" "00\"", "GapX=\"0.5\""})
        EXPECT_NE(first.indexOf(s), -1) << s << "\n" << first.constData();
    EXPECT_NE(first.indexOf("Text=\"UTF-8 \xe9\x87\x8d\""), -1);
    EXPECT_NE(first.indexOf("Text=\"8-bit \xe9\x87\x8d\""), -1);
    EXPECT_EQ(first.indexOf("Strange"), -1);
    EXPECT_EQ(first.indexOf("Ghost"), -1);
}

TEST_F(SerializerTemplates, TextsEndingInEmptyLinesKeepThemThroughSaveAndLoad)
{
    // A text is written without its last break; an empty last line must still come back.
    for (const char *text : {"begin\r\nend.\r\n\r\n", "x\r\n\r\n\r\n", "x", ""}) {
        SCOPED_TRACE(text);
        TqdzTestReport a(nullptr);
        a.ScriptText()->SetText(QString::fromLatin1(text));
        const QString want = a.ScriptText()->Text();
        TqdzTestReport b(nullptr);
        LoadTemplate(&b, SaveTemplate(&a));
        EXPECT_EQ(b.ScriptText()->Text(), want);
    }
}

TEST_F(SerializerTemplates, BuiltTreeRoundTripsThroughTheFormat)
{
    TqdzTestReport a(nullptr);
    a.SetTitle(QStringLiteral("送货单"));
    auto *page = new TqdzTestPage(&a);
    page->SetName("Page1");
    page->Guides()->SetText("10\r\n20\r\n");
    for (int b = 0; b < 3; ++b) {
        auto *band = new TqdzTestBand(page);
        band->CreateUniqueName();
        band->SetBounds(0, b * 40.25, 718.11, 40.25);
        for (int m = 0; m < 4; ++m) {
            auto *memo = new TqdzTestMemoView(band);
            memo->CreateUniqueName();
            memo->SetBounds(m * 100.5, 0, 99.999999, 18.9);
            memo->SetText(QStringLiteral("[品名%1]\r\n行 %2").arg(m).arg(b));
            memo->SetHint(QStringLiteral("提示 \"%1\" <&>").arg(m));
            memo->SetHAlign(TqdzTestHAlign(m));
            memo->Frame()->SetTyp(TqdzTestFrameTypes::FromInt(quint32(m * 3 % 16)));
            memo->SetData(m % 2 ? Variant(m * 1.5) : Variant(QStringLiteral("v%1").arg(m)));
            if (m == 3) {
                memo->Extra = QByteArray(300, char(b));
                memo->ExtraText = QStringLiteral("额外");
            }
            if (m == 2) {
                TFont f;
                f.SetName(QStringLiteral("宋体"));
                f.SetSize(9);
                memo->SetFont(&f);
            }
        }
    }
    auto *firstMemo = dynamic_cast<TqdzTestMemoView *>(a.FindObject("TestMemo1"));
    auto *lastMemo = dynamic_cast<TqdzTestMemoView *>(a.FindObject("TestMemo12"));
    ASSERT_TRUE(firstMemo && lastMemo);
    firstMemo->SetLink(lastMemo);
    lastMemo->SetLink(firstMemo);

    const QByteArray first = SaveTemplate(&a);
    TqdzTestReport b(nullptr);
    LoadTemplate(&b, first);
    EXPECT_EQ(b.Errors()->Count(), 0);
    EXPECT_EQ(Names(&b), Names(&a));
    EXPECT_EQ(SaveTemplate(&b), first);
    auto *copy = dynamic_cast<TqdzTestMemoView *>(b.FindObject("TestMemo12"));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Link(), b.FindObject("TestMemo1"));
    EXPECT_EQ(copy->Hint(), QStringLiteral("提示 \"3\" <&>"));
    EXPECT_EQ(copy->Extra, QByteArray(300, char(2)));
    EXPECT_EQ(copy->ExtraText, QStringLiteral("额外"));
    EXPECT_EQ(dynamic_cast<TqdzTestMemoView *>(b.FindObject("TestMemo11"))->Font()->Name(), QStringLiteral("宋体"));
    EXPECT_EQ(b.Title(), QStringLiteral("送货单"));
}

TEST_F(SerializerTemplates, ElementsThatCannotBeReadAreSkippedWithTheirChildren)
{
    TqdzTestReport r(nullptr);
    LoadTemplate(&r, "<?xml version=\"1.0\"?><TqdzTestReport><TqdzTestPage Name=\"P\">"
                     "<TNoSuchClass Name=\"X\"><TqdzTestBand Name=\"Inner\"/></TNoSuchClass>"
                     "<TStringList Name=\"Y\"/><TqdzTestItem Name=\"Z\"/>"
                     "<TqdzTestBand Name=\"B\"/></TqdzTestPage></TqdzTestReport>");
    EXPECT_EQ(Names(&r), QStringList({"TqdzTestPage:P<>", "TqdzTestBand:B<P>"}));
    EXPECT_EQ(r.Errors()->Text(), "Cannot find class TNoSuchClass\r\nCannot find class TqdzTestItem\r\n"
                                  "Cannot find class TStringList\r\n");
}

TEST_F(SerializerTemplates, InheritedElementsApplyToExistingObjects)
{
    TqdzTestReport r(nullptr);
    auto *page = new TqdzTestPage(&r);
    page->SetName("Page1");
    auto *band = new TqdzTestBand(page);
    band->SetName("Band1");
    // Reading without Clear: "inherited" names an object that exists.
    TqdzXMLSerializer s(nullptr);
    s.SetOwner(&r);
    TqdzXMLDocument doc;
    TStringStream in("<?xml version=\"1.0\"?><TqdzTestReport><inherited Name=\"Page1\">"
                     "<inherited Name=\"band1\" Height=\"33\"><TqdzTestMemoView Name=\"New1\"/></inherited>"
                     "<inherited Name=\"Missing\" Height=\"1\"/></inherited></TqdzTestReport>");
    doc.LoadFromStream(&in);
    s.ReadTemplateRoot(&r, doc.Root());
    EXPECT_EQ(band->Height(), 33);
    // The element's Name is applied too: only its case changes here.
    EXPECT_EQ(Names(&r), QStringList({"TqdzTestPage:Page1<>", "TqdzTestBand:band1<Page1>",
                                      "TqdzTestMemoView:New1<band1>"}));
    EXPECT_EQ(s.Errors()->Text(), "Cannot find inherited object Missing\r\n");
}

TEST_F(SerializerTemplates, AncestorObjectsAreWrittenAsInheritedUnlessKept)
{
    TqdzTestReport r(nullptr);
    auto *page = new TqdzTestPage(&r);
    page->SetName("Page1");
    page->SetIsAncestor(true);
    auto *band = new TqdzTestBand(page);
    band->SetName("Band1");
    TMemoryStream s;
    r.SaveToStream(&s);
    QByteArray text(static_cast<const char *>(s.Memory()), s.Size());
    EXPECT_NE(text.indexOf("<inherited Name=\"Page1\""), -1);
    EXPECT_NE(text.indexOf("<TqdzTestBand Name=\"Band1\""), -1);
    TMemoryStream k;
    r.SaveToStream(&k, true, true);
    text = QByteArray(static_cast<const char *>(k.Memory()), k.Size());
    EXPECT_NE(text.indexOf("<TqdzTestPage Name=\"Page1\""), -1);
    // Without children only the root is written.
    TMemoryStream n;
    r.SaveToStream(&n, false);
    text = QByteArray(static_cast<const char *>(n.Memory()), n.Size());
    EXPECT_EQ(text.indexOf("Page1"), -1);
}

TEST_F(SerializerTemplates, AReferenceThatRaisesGoesToErrorsAndLoadingFinishes)
{
    TqdzTestReport r(nullptr);
    LoadTemplate(&r, "<?xml version=\"1.0\"?><TqdzTestReport><TqdzTestPage Name=\"P\">"
                     "<TqdzTestBand Name=\"A\" Child=\"B\"/><TqdzTestBand Name=\"B\" Child=\"A\"/>"
                     "<TqdzTestMemoView Name=\"M\" Link=\"Guides\"/>"
                     "</TqdzTestPage></TqdzTestReport>");
    EXPECT_EQ(r.Errors()->Text(), "Circular child reference is not allowed\r\n");
    auto *a = dynamic_cast<TqdzTestBand *>(r.FindObject("A"));
    auto *b = dynamic_cast<TqdzTestBand *>(r.FindObject("B"));
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->Child(), b);
    EXPECT_EQ(b->Child(), nullptr);
    EXPECT_EQ(a->LoadedCalls, 1);
    EXPECT_EQ(b->LoadedCalls, 1);
    EXPECT_FALSE(AnyLoading(&r));
}

TEST_F(SerializerTemplates, NameOnTheRootIsIgnoredForAReportOnly)
{
    TqdzTestReport r(nullptr);
    LoadTemplate(&r, "<?xml version=\"1.0\"?><TqdzTestReport Name=\"Renamed\"/>");
    EXPECT_EQ(r.Name(), "");
    TqdzTestPage page(nullptr);
    LoadTemplate(&page, "<?xml version=\"1.0\"?><TqdzTestPage Name=\"Renamed\"/>");
    EXPECT_EQ(page.Name(), "Renamed");
    // The report itself gets no Loaded call.
    EXPECT_EQ(r.LoadedCalls, 0);
}

TEST_F(SerializerTemplates, MalformedXmlPropagatesAndLeavesNoSerializerBehind)
{
    TqdzTestReport r(nullptr);
    try {
        LoadTemplate(&r, "<?xml version=\"1.0\"?><TqdzTestReport><TqdzTestPage Name=\"P\" <x></TqdzTestReport>");
        FAIL() << "no exception";
    } catch (const TqdzInvalidXMLException &e) {
        EXPECT_EQ(e.Message(), "Invalid file format");
    }
    EXPECT_EQ(r.XMLSerializer(), nullptr);
    EXPECT_THROW(LoadTemplate(&r, "<TqdzTestReport/>"), TqdzInvalidXMLException);
}

TEST_F(SerializerTemplates, DuplicateNamesInATemplateReuseTheFirstObject)
{
    TqdzTestReport r(nullptr);
    LoadTemplate(&r, "<?xml version=\"1.0\"?><TqdzTestReport><TqdzTestPage Name=\"P\">"
                     "<TqdzTestBand Name=\"B\" Height=\"1\"/><TqdzTestBand Name=\"b\" Top=\"2\"/>"
                     "</TqdzTestPage></TqdzTestReport>");
    ASSERT_EQ(Names(&r), QStringList({"TqdzTestPage:P<>", "TqdzTestBand:b<P>"}));
    auto *b = dynamic_cast<TqdzTestBand *>(r.FindObject("B"));
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Height(), 1);
    EXPECT_EQ(b->Top(), 2);
    // Met twice, loaded once.
    EXPECT_EQ(b->LoadedCalls, 1);
}

TEST_F(SerializerTemplates, AnElementsLastNameAttributeIsItsName)
{
    // The name found first is the one looked up; the attributes then apply
    // in order, so a later Name renames, an escaped one is unescaped, and a
    // name the object cannot take leaves the one it has.
    TqdzTestReport r(nullptr);
    LoadTemplate(&r, "<?xml version=\"1.0\"?><TqdzTestReport><TqdzTestPage Name=\"P\">"
                     "<TqdzTestBand Name=\"B1\" Height=\"1\" Name=\"B2\"/>"
                     "<TqdzTestBand Name=\"&#66;3\"/><TqdzTestBand Name=\"B4\" Name=\"4 x\"/>"
                     "</TqdzTestPage></TqdzTestReport>");
    EXPECT_EQ(Names(&r), QStringList({"TqdzTestPage:P<>", "TqdzTestBand:B2<P>", "TqdzTestBand:B3<P>",
                                      "TqdzTestBand:B4<P>"}));
}

TEST_F(SerializerTemplates, AnObjectFreedWhileReadReadsNoMoreChildren)
{
    // The memo's setter frees its band, and with it the memo: neither reads
    // another child, the band's next sibling is read as usual.
    TqdzTestReport r(nullptr);
    LoadTemplate(&r, "<?xml version=\"1.0\"?><TqdzTestReport><TqdzTestPage Name=\"P\">"
                     "<TqdzTestBand Name=\"B1\"><TqdzTestMemoView Name=\"Before\"/>"
                     "<TqdzParentFreeingMemo Name=\"M\" FreeParent=\"True\">"
                     "<TqdzTestMemoView Name=\"Lost1\"/></TqdzParentFreeingMemo>"
                     "<TqdzTestMemoView Name=\"Lost2\"/></TqdzTestBand>"
                     "<TqdzTestBand Name=\"B2\" Height=\"4\"/></TqdzTestPage></TqdzTestReport>");
    EXPECT_EQ(Names(&r), QStringList({"TqdzTestPage:P<>", "TqdzTestBand:B2<P>"}));
    EXPECT_EQ(r.FindObject("B2")->Height(), 4);
    EXPECT_FALSE(AnyLoading(&r));
}

TEST_F(SerializerTemplates, LoadingAddsToTheReportErrorsAndClearsFirst)
{
    TqdzTestReport r(nullptr);
    auto *old = new TqdzTestPage(&r);
    old->SetName("Old");
    r.Errors()->Add("earlier");
    LoadTemplate(&r, "<?xml version=\"1.0\"?><TqdzTestReport><TBad/></TqdzTestReport>");
    EXPECT_EQ(r.FindObject("Old"), nullptr);
    EXPECT_EQ(r.Errors()->Text(), "Cannot find class TBad\r\nearlier\r\n");
}

// ----------------------------------------------------------- collections

TEST_F(SerializerTemplates, CollectionsInDefinedDataRoundTripWithReferences)
{
    TqdzTestReport a(nullptr);
    auto *page = new TqdzTestPage(&a);
    page->SetName("Page1");
    auto *memo = new TqdzTestMemoView(page);
    memo->SetName("Memo1");
    auto *i1 = static_cast<TqdzTestItem *>(a.Items()->Add());
    i1->SetCaption(QStringLiteral("毛重"));
    i1->SetValue(5);
    i1->SetTarget(memo);
    auto *i2 = static_cast<TqdzTestItem *>(a.Items()->Add());
    i2->SetCaption("plain");

    const QByteArray text = SaveTemplate(&a);
    // A list of lists, each holding one long string with the item's
    // attributes: 08 "Items" 01 01 0C ...
    const int at = text.indexOf("PropData=\"");
    ASSERT_NE(at, -1);
    const QByteArray hex = text.mid(at + 10, text.indexOf('"', at + 10) - at - 10);
    const QByteArray bytes = QByteArray::fromHex(hex);
    EXPECT_TRUE(bytes.startsWith(QByteArray("\x05Items\x01\x01\x0c", 9))) << hex.constData();
    const QByteArray firstItem = " Caption=\"" + StringToCodePage(QStringLiteral("毛重"), 936)
                                 + "\" Value=\"5\" Target=\"Memo1\"";
    EXPECT_NE(bytes.indexOf(firstItem), -1) << bytes.toHex().constData();
    EXPECT_TRUE(bytes.endsWith(QByteArray("\x00\x00", 2)));

    TqdzTestReport b(nullptr);
    LoadTemplate(&b, text);
    ASSERT_EQ(b.Items()->Count(), 2);
    auto *c1 = static_cast<TqdzTestItem *>(b.Items()->Items(0));
    EXPECT_EQ(c1->Caption(), QStringLiteral("毛重"));
    EXPECT_EQ(c1->Value(), 5);
    // The memo is created after the report's attributes: the reference
    // waits for the end of the read.
    EXPECT_EQ(c1->Target(), b.FindObject("Memo1"));
    EXPECT_EQ(static_cast<TqdzTestItem *>(b.Items()->Items(1))->Caption(), "plain");
    EXPECT_EQ(SaveTemplate(&b), text);
}

TEST_F(SerializerTemplates, CollectionsOutsideTheSerializerUseTheBinaryFormatWithSafeText)
{
    TqdzTestReport a(nullptr);
    auto *i1 = static_cast<TqdzTestItem *>(a.Items()->Add());
    i1->SetCaption(QStringLiteral("caf\u00e9"));
    i1->SetValue(-3);
    TMemoryStream ms;
    {
        TWriter w(&ms);
        WriteCollection(a.Items(), &w, &a);
    }
    const QByteArray bytes(static_cast<const char *>(ms.Memory()), ms.Size());
    ASSERT_FALSE(bytes.isEmpty());
    EXPECT_EQ(quint8(bytes[0]), quint8(vaCollection));
    EXPECT_NE(bytes.indexOf(QByteArray("caf\x01i")), -1);
    // The item itself is unchanged after writing.
    EXPECT_EQ(i1->Caption(), QStringLiteral("caf\u00e9"));

    TqdzTestReport b(nullptr);
    ms.SetPosition(0);
    TReader r(&ms);
    ReadCollection(b.Items(), &r, &b);
    ASSERT_EQ(b.Items()->Count(), 1);
    EXPECT_EQ(static_cast<TqdzTestItem *>(b.Items()->Items(0))->Caption(), QStringLiteral("caf\u00e9"));
    EXPECT_EQ(static_cast<TqdzTestItem *>(b.Items()->Items(0))->Value(), -3);
}

TEST_F(SerializerTemplates, ACollectionReadTwiceDropsReferencesOfFreedItems)
{
    TqdzTestReport a(nullptr);
    auto *page = new TqdzTestPage(&a);
    page->SetName("Page1");
    static_cast<TqdzTestItem *>(a.Items()->Add())->SetTarget(page);
    const QByteArray text = SaveTemplate(&a);
    const int at = text.indexOf("PropData=\"");
    const QByteArray prop = text.mid(at, text.indexOf('"', at + 10) + 1 - at);
    // The same defined data twice: the first read's items are freed by the
    // second before their references are resolved.
    QByteArray twice = text;
    twice.insert(at, prop + ' ');
    TqdzTestReport b(nullptr);
    LoadTemplate(&b, twice);
    ASSERT_EQ(b.Items()->Count(), 1);
    EXPECT_EQ(static_cast<TqdzTestItem *>(b.Items()->Items(0))->Target(), b.FindObject("Page1"));
}

// ------------------------------------------------------------------ fuzz

TEST_F(SerializerTemplates, FuzzedTemplatesNeverCrashOrHang)
{
    TqdzTestReport seed(nullptr);
    LoadTemplate(&seed, HandWritten);
    QList<QByteArray> corpus = {HandWritten, SaveTemplate(&seed)};
    const QByteArray tokens[] = {"<", ">", "/>", "\"", "=", " ", ".", "&#", ";", "&#13;", "inherited",
                                 "Name=\"Band1\"", "Name=\"Memo1\"", "PropData=\"", "0A", "FFFFFFFF", "Text",
                                 "l=\"", "u=\"", "x=\"", "Font.", "Frame.", "Child=\"Band1\"", "Link=\"Memo2\"",
                                 "<TqdzTestBand>", "<TqdzTestMemoView Name=\"M\">", "</TqdzTestPage>", "\xff",
                                 "HAlign=\"", "-", "99999999999999999999", "1,5,5", "nil"};
    QRandomGenerator rng(20261207);
    // A fixed number of runs: the same inputs on any machine.
    for (int runs = 0; runs < 8000; ++runs) {
        QByteArray t = corpus[int(rng.bounded(corpus.size()))];
        const int edits = 1 + int(rng.bounded(8));
        for (int e = 0; e < edits && !t.isEmpty(); ++e) {
            const int pos = int(rng.bounded(t.size()));
            switch (rng.bounded(4)) {
            case 0:
                t[pos] = char(rng.bounded(256));
                break;
            case 1:
                t.remove(pos, int(rng.bounded(16)) + 1);
                break;
            case 2:
                t.insert(pos, tokens[rng.bounded(int(std::size(tokens)))]);
                break;
            default:
                t.truncate(pos);
                break;
            }
        }
        TqdzTestReport r(nullptr);
        try {
            LoadTemplate(&r, t);
        } catch (const Exception &) {
            // Malformed XML is reported to the caller.
        }
        ASSERT_FALSE(AnyLoading(&r));
        ASSERT_EQ(r.XMLSerializer(), nullptr);
        // Whatever was read can be written and read again.
        const QByteArray saved = SaveTemplate(&r);
        TqdzTestReport again(nullptr);
        LoadTemplate(&again, saved);
        if (runs % 50 == 0)
            corpus.append(t);
    }
}

} // namespace
