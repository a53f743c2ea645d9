// The report XML tree: escaping, attribute access, reader tolerance and
// errors, writer output, unloading to the side file.
#include "report/model/qdzXML.h"

#include "platform/Streams.h"
#include "platform/SysUtils.h"
#include "platform/Variants.h"

#include <QDir>
#include <QRandomGenerator>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

std::unique_ptr<TqdzXMLDocument> Parse(const QByteArray &Bytes, bool Partial = false,
                                       TStringStream **Keep = nullptr)
{
    auto Doc = std::make_unique<TqdzXMLDocument>();
    auto S = std::make_unique<TStringStream>(Bytes);
    Doc->LoadFromStream(S.get(), Partial);
    if (Keep)
        *Keep = S.release();
    return Doc;
}

QByteArray Save(TqdzXMLDocument &Doc)
{
    TStringStream S;
    Doc.SaveToStream(&S);
    return S.DataString();
}

const QByteArray Header = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";

} // namespace

TEST(XmlEscape, StrToXMLExactReferences)
{
    struct Case { QByteArray In, Out; } Cases[] = {
        {"", ""},
        {"plain", "plain"},
        {"a\nb\rc", "a&#10;b&#13;c"},
        {"\"<>\"", "&#34;&#60;&#62;&#34;"},
        {"a&b", "a&b"},                                  // short: a lone '&' stays
        {"R&D &quot;x&quot;", "R&D &#34;x&#34;"},         // the quot entity becomes a reference
        {"&#65;", "&#38;#65;"},                            // would read back as 'A'
        {"&amp; &lt; &gt;", "&#38;amp; &#38;lt; &#38;gt;"},
        {"&", "&"},
        {QByteArray(31, 'x') + '&', QByteArray(31, 'x') + "&#38;"},   // 32 characters: long path
        {QByteArray(40, 'y') + "&quot;&", QByteArray(40, 'y') + "&#34;&#38;"},
    };
    for (const Case &C : Cases)
        EXPECT_EQ(StrToXML(C.In), C.Out) << C.In.constData();
}

TEST(XmlEscape, UnescapeReferencesAndEntities)
{
    struct Case { QByteArray In, Out; } Cases[] = {
        {"", ""},
        {"&", "&"},
        {"x&#65;y", "xAy"},
        {"&amp;&lt;&gt;", "&<>"},
        {"&quot;q&quot;", "\"q\""},
        {"a&", "a&"},                                   // lone trailing ampersand
        {"a&b;c", "a&b;c"},
        {"&#38;#34;", "&#34;"},                          // one pass only
        {"&#10;&#13;", "\n\r"},
        {"&#9", "&#9"},                                 // no ';' anywhere: left as it is
        {"&#;", "&#;"},                                 // fewer than four characters
        {"&#20013;", "\xe4\xb8\xad"},                    // beyond a byte: UTF-8
        {"&Amp;", "&Amp;"},                             // entity names are case-sensitive
        {"&#0000065;&#66;", "AB"},                       // leading zeros, references in a row
        {"&#1114111;", "\xf4\x8f\xbf\xbf"},              // the last code point
        {"&#&#x", "&#&#x"},                              // no ';' after either
        {"&#", "&#"},
        {"a&#65", "a&#65"},
        {"&#x41;&#X4a;&#x0000004e2d;", "AJ\xe4\xb8\xad"},    // hexadecimal, either case
    };
    for (const Case &C : Cases)
        EXPECT_EQ(Unescape(C.In), C.Out) << C.In.constData();
    // One buffer used for all in turn, longer values before shorter, a
    // failed one in between: each comes out whole and nothing of the last.
    QByteArray Buffer = "left over from before";
    for (int Round = 0; Round < 2; ++Round)
        for (const Case &C : Cases) {
            UnescapeInto(C.In, Buffer);
            EXPECT_EQ(Buffer, C.Out) << C.In.constData();
            EXPECT_THROW(UnescapeInto("a long value that breaks &#12x; at the end", Buffer), EConvertError);
        }
    // Many references without any ';' after them are left as they are, in
    // one pass over the value.
    QByteArray Many;
    for (int I = 0; I < 200000; ++I)
        Many += "&#1";
    EXPECT_EQ(Unescape(Many), Many);
}

TEST(XmlEscape, UnescapeBadReferenceRaisesConversionError)
{
    EXPECT_THROW(Unescape("&#abc;"), EConvertError);
    EXPECT_THROW(Unescape("x&#12 3;"), EConvertError);
    EXPECT_THROW(Unescape("&#99999999999999999999;"), EConvertError);
    EXPECT_THROW(Unescape("ok &#1114112; beyond the last code point"), EConvertError);
    try {
        Unescape("a&#12x;");
        FAIL() << "no exception";
    } catch (const EConvertError &E) {
        EXPECT_EQ(E.Message(), "'12x' is not a valid integer value");
    }
}

TEST(XmlEscape, AwkwardValuesRoundTrip)
{
    const QByteArray Values[] = {
        "a&b", "&", "&#65;", "&#", "&amp;", "&lt;&gt;", "&&&", "x&#10", "\"&\"", "&#38;",
        "<a href=\"x\">&nbsp;</a>", "line1\r\nline2\n", QByteArray(100, '&'),
        QByteArray("&#1;") + QByteArray(40, 'z'), QByteArray("\x00\x01\xff\xfe", 4),
        "\xd6\xd0\xce\xc4 GBK &", "\xe4\xb8\xad UTF-8 &#",
    };
    for (const QByteArray &V : Values)
        EXPECT_EQ(Unescape(StrToXML(V)), V) << V.constData();
    // Except for the quot entity, which is meant to read back as a quote.
    EXPECT_EQ(Unescape(StrToXML("say &quot;hi&quot;")), "say \"hi\"");
}

TEST(XmlItem, GetPropIsCaseInsensitiveAndWholeName)
{
    TqdzXMLItem Item;
    Item.SetText(" Name=\"Memo1\" Left=\"10\" Text=\"a&#13;&#10;b\"");
    EXPECT_EQ(Item.GetProp("left"), "10");
    EXPECT_EQ(Item.GetProp("LEFT"), "10");
    EXPECT_EQ(Item.GetProp("eft"), "");
    EXPECT_EQ(Item.GetProp("Name"), "Memo1");
    EXPECT_EQ(Item.GetProp("Text"), "a\r\nb");
    EXPECT_EQ(Item.GetProp("Top"), "");
    Item.SetText("Name=\"first\"");   // at the very start, without a blank
    EXPECT_EQ(Item.GetProp("name"), "first");
    Item.SetText(" xName=\"a\" Name =\"b\" NAME=\"c\" Name=\"d\"");
    EXPECT_EQ(Item.GetProp("Name"), "c");
    Item.SetText(" Left=\"1\" Name");  // a bare word at the end
    EXPECT_EQ(Item.GetProp("Name"), "");
    Item.SetText(" Name=\"cut off");
    EXPECT_EQ(Item.GetProp("Name"), "cut off");
    Item.SetText("");
    EXPECT_EQ(Item.GetProp("Name"), "");
    EXPECT_EQ(Item.GetProp(""), "");
}

TEST(XmlItem, SetPropReplacesInPlaceOrAppends)
{
    TqdzXMLItem Item;
    Item.SetProp("Name", "Memo1");
    EXPECT_EQ(Item.Text(), " Name=\"Memo1\"");
    Item.SetProp("Left", "1");
    Item.SetProp("Top", "2");
    EXPECT_EQ(Item.Text(), " Name=\"Memo1\" Left=\"1\" Top=\"2\"");
    Item.SetProp("left", "a\"b");
    EXPECT_EQ(Item.Text(), " Name=\"Memo1\" left=\"a&#34;b\" Top=\"2\"");
    EXPECT_EQ(Item.GetProp("LEFT"), "a\"b");
    Item.SetProp("Name", "");
    EXPECT_EQ(Item.Text(), " Name=\"\" left=\"a&#34;b\" Top=\"2\"");
    Item.SetText("x=\"1\"");
    Item.SetProp("x", "22");
    EXPECT_EQ(Item.Text(), " x=\"22\"");
}

TEST(XmlItem, TreeOperations)
{
    TqdzXMLItem Root;
    TqdzXMLItem *A = Root.Add();
    A->SetName("a");
    TqdzXMLItem *B = Root.FindItem("B");
    EXPECT_EQ(Root.GetCount(), 2);
    EXPECT_EQ(B->Name(), "B");
    EXPECT_EQ(Root.FindItem("b"), B);
    EXPECT_EQ(Root.FindItem("A"), A);
    TqdzXMLItem *C = A->Add();
    EXPECT_EQ(C->Parent(), A);
    Root.InsertItem(0, C);   // moves from A to the front of Root
    EXPECT_EQ(A->GetCount(), 0);
    EXPECT_EQ(Root.IndexOf(C), 0);
    EXPECT_EQ(C->Parent(), &Root);
    delete A;                // leaves its parent's list
    EXPECT_EQ(Root.GetCount(), 2);
    EXPECT_EQ(Root.IndexOf(B), 1);
    B->SetUnloadable(true);
    B->Add();
    B->Clear();
    EXPECT_FALSE(B->Loaded());
    EXPECT_EQ(B->GetCount(), 0);
}

TEST(XmlReader, ToleratesCommentsTextAndLetterCase)
{
    auto Doc = Parse(Header + "\r\n<!-- a -- b ---> still -- comment -->text<Root a=\"1\">"
                              "<Empty/><EmptyAttr x=\"1\" /><Child y=\"2\">skipped</child></ROOT>");
    TqdzXMLItem *Root = Doc->Root();
    EXPECT_EQ(Root->Name(), "Root");
    EXPECT_EQ(Root->Text(), " a=\"1\"");
    ASSERT_EQ(Root->GetCount(), 3);
    EXPECT_EQ(Root->GetItems(0)->Name(), "Empty");
    EXPECT_EQ(Root->GetItems(0)->Text(), "");
    EXPECT_EQ(Root->GetItems(1)->Name(), "EmptyAttr");
    EXPECT_EQ(Root->GetItems(1)->GetProp("x"), "1");
    EXPECT_EQ(Root->GetItems(1)->GetCount(), 0);
    EXPECT_EQ(Root->GetItems(2)->GetProp("Y"), "2");
    EXPECT_TRUE(Doc->PlainStringAttributes());
}

TEST(XmlReader, HeaderDecidesPlainStringAttributes)
{
    EXPECT_TRUE(Parse("<?xml version=\"1.0\"?><a/>")->PlainStringAttributes());
    EXPECT_FALSE(Parse("<?xml version=\"1.1\" encoding=\"utf-8\"?><a/>")->PlainStringAttributes());
    EXPECT_FALSE(Parse("<?xml version=\"1.0\" standalone=\"no\"?><a/>")->PlainStringAttributes());
    EXPECT_FALSE(Parse("<?xml encoding=\"utf-8\"?><a/>")->PlainStringAttributes());
}

TEST(XmlReader, MalformedDocumentsRaiseInvalidFileFormat)
{
    const QByteArray Bad[] = {
        "<root/>",                                // no header
        "",                                       // nothing at all
        Header + "<a><b></a>",                    // closing tag of another name
        Header + "<a x=\"<\"/>",                  // '<' inside a tag
        Header + "<a><b x=\"1\"",                 // end of stream inside a tag
        Header + "<a></b></a>",
        Header + "</a>",                          // a closing tag for the root
        Header + "</a/>",
        Header + "< x=\"1\"/>",                   // a tag without a name
        Header + "<a>< x=\"1\"/></a>",
        Header + "<a><b// x=\"1\"/></a>",         // a '/' inside a name would not read back
        Header + "<a><b/c/></a>",
    };
    for (const QByteArray &B : Bad) {
        try {
            Parse(B);
            ADD_FAILURE() << "accepted: " << B.constData();
        } catch (const TqdzInvalidXMLException &E) {
            EXPECT_EQ(E.Message(), "Invalid file format");
        }
    }
}

TEST(XmlReader, EndOfStreamClosesOpenElements)
{
    auto Doc = Parse(Header + "<a><b><c x=\"1\"/><d>");
    TqdzXMLItem *A = Doc->Root();
    EXPECT_EQ(A->Name(), "a");
    ASSERT_EQ(A->GetCount(), 1);
    TqdzXMLItem *B = A->GetItems(0);
    ASSERT_EQ(B->GetCount(), 2);
    EXPECT_EQ(B->GetItems(0)->GetProp("x"), "1");
    EXPECT_EQ(B->GetItems(1)->Name(), "d");
    // A comment that never ends is not an error either.
    EXPECT_EQ(Parse(Header + "<a><!-- open")->Root()->GetCount(), 0);
    // Nothing but a header (or a cut-off comment) saves as the header alone,
    // which reads back the same.
    auto Empty = Parse(Header + "<!-- open");
    const QByteArray Bytes = Save(*Empty);
    EXPECT_FALSE(Bytes.contains("</>"));
    EXPECT_EQ(Save(*Parse(Bytes)), Bytes);
    // Blanks before '>' are dropped, however many.
    EXPECT_EQ(Parse(Header + "<a x=\"1\"   ></a>")->Root()->Text(), " x=\"1\"");
}

TEST(XmlReader, ChildrenKeepTheirOrderAndKnowTheirParent)
{
    QByteArray Body = "<r>";
    for (int I = 0; I < 50; ++I)
        Body += "<c i=\"" + QByteArray::number(I) + "\"><g/><g n=\"2\"></g></c>";
    Body += "</r>";
    auto Doc = Parse(Header + Body);
    TqdzXMLItem *R = Doc->Root();
    ASSERT_EQ(R->GetCount(), 50);
    for (int I = 0; I < 50; ++I) {
        TqdzXMLItem *C = R->GetItems(I);
        EXPECT_EQ(C->Parent(), R);
        EXPECT_EQ(C->GetProp("i"), QByteArray::number(I));
        ASSERT_EQ(C->GetCount(), 2);
        EXPECT_EQ(C->GetItems(0)->Name(), "g");
        EXPECT_EQ(C->GetItems(1)->GetProp("n"), "2");
        EXPECT_EQ(C->GetItems(1)->Parent(), C);
    }
    // A freed child leaves its parent's list.
    delete R->GetItems(0);
    EXPECT_EQ(R->GetCount(), 49);
    EXPECT_EQ(R->GetItems(0)->GetProp("i"), "1");
}

TEST(XmlReader, ErrorKeepsWhatWasRead)
{
    TqdzXMLDocument Doc;
    TStringStream Bad(Header + "<a><b/><c></d></a>");
    EXPECT_THROW(Doc.LoadFromStream(&Bad), TqdzInvalidXMLException);
    EXPECT_EQ(Doc.Root()->Name(), "a");
    ASSERT_EQ(Doc.Root()->GetCount(), 1);
    EXPECT_EQ(Doc.Root()->GetItems(0)->Name(), "b");
}

TEST(XmlReader, LeavesStreamAfterLastByteUsed)
{
    const QByteArray Doc1 = Header + "<a><b/></a>";
    TStringStream S(Doc1 + "TAIL" + QByteArray(5000, '.'));
    TqdzXMLDocument Doc;
    Doc.LoadFromStream(&S);
    EXPECT_EQ(S.Position(), Doc1.size());
    char Tail[4];
    S.ReadBuffer(Tail, 4);
    EXPECT_EQ(QByteArray(Tail, 4), "TAIL");
}

TEST(XmlReader, KeepsBytesOfMixedEncodings)
{
    const QByteArray Gbk = "\xd6\xd0\xce\xc4";           // 8-bit attribute value
    const QByteArray Utf8 = "\xe4\xb8\xad\xe6\x96\x87";  // UTF-8 memo text
    auto Doc = Parse(Header + "<m Name=\"" + Gbk + "\" Text=\"" + Utf8 + "&#13;&#10;\"/>");
    EXPECT_EQ(Doc->Root()->GetProp("Name"), Gbk);
    EXPECT_EQ(Doc->Root()->GetProp("Text"), Utf8 + "\r\n");
}

TEST(XmlWriter, AutoIndentOutputByteForByte)
{
    TqdzXMLDocument Doc;
    TqdzXMLItem *Root = Doc.Root();
    Root->SetName("TqdzReport");
    Root->SetProp("ScriptText.Text", "begin\r\n\r\nend.");
    TqdzXMLItem *Page = Root->Add();
    Page->SetName("TqdzReportPage");
    Page->SetProp("Name", "Page1");
    TqdzXMLItem *Band = Page->Add();
    Band->SetName("TqdzMasterData");
    Band->SetText("Name=\"MasterData1\"");   // no leading blank: the writer adds one
    Page->Add()->SetName("Empty");

    Doc.SetAutoIndent(true);
    EXPECT_EQ(Save(Doc),
              "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
              "<TqdzReport ScriptText.Text=\"begin&#13;&#10;&#13;&#10;end.\">\r\n"
              "  <TqdzReportPage Name=\"Page1\">\r\n"
              "    <TqdzMasterData Name=\"MasterData1\"/>\r\n"
              "    <Empty/>\r\n"
              "  </TqdzReportPage>\r\n"
              "</TqdzReport>\r\n");
    Doc.SetAutoIndent(false);
    EXPECT_EQ(Save(Doc),
              "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
              "<TqdzReport ScriptText.Text=\"begin&#13;&#10;&#13;&#10;end.\">"
              "<TqdzReportPage Name=\"Page1\"><TqdzMasterData Name=\"MasterData1\"/><Empty/>"
              "</TqdzReportPage></TqdzReport>");
}

TEST(XmlWriter, LargeDocumentRoundTrips)
{
    TqdzXMLDocument Doc;
    Doc.Root()->SetName("root");
    for (int I = 0; I < 3000; ++I) {
        TqdzXMLItem *Item = Doc.Root()->Add();
        Item->SetName("item");
        Item->SetProp("n", QByteArray::number(I));
        Item->SetProp("v", QByteArray(I % 50, '&'));
    }
    const QByteArray Bytes = Save(Doc);
    auto Back = Parse(Bytes);
    ASSERT_EQ(Back->Root()->GetCount(), 3000);
    EXPECT_EQ(Back->Root()->GetItems(2999)->GetProp("n"), "2999");
    EXPECT_EQ(Back->Root()->GetItems(49)->GetProp("v"), QByteArray(49, '&'));
    EXPECT_EQ(Save(*Back), Bytes);
}

TEST(XmlUnload, SideFileRoundTrip)
{
    QTemporaryDir Dir;
    ASSERT_TRUE(Dir.isValid());
    TqdzXMLDocument Doc;
    Doc.SetTempDir(Dir.path());
    TqdzXMLItem *Root = Doc.Root();
    Root->SetName("preparedreport");
    TqdzXMLItem *Pages = Root->FindItem("previewpages");
    for (int P = 0; P < 3; ++P) {
        TqdzXMLItem *Page = Pages->Add();
        Page->SetName("page0");
        Page->SetUnloadable(true);
        for (int O = 0; O < 4; ++O) {
            TqdzXMLItem *Obj = Page->Add();
            Obj->SetName("m1");
            Obj->SetProp("t", QByteArray::number(P * 10 + O));
        }
    }
    const QByteArray Before = Save(Doc);
    EXPECT_TRUE(Before.contains("<page0 ld=\"0\"><m1 t=\"0\"/>"));

    Doc.UnloadItem(Pages->GetItems(0));
    Doc.UnloadItem(Pages->GetItems(2));
    EXPECT_FALSE(Pages->GetItems(0)->Loaded());
    EXPECT_EQ(Pages->GetItems(0)->GetCount(), 0);
    ASSERT_FALSE(Doc.TempFileName().isEmpty());
    EXPECT_TRUE(QFileInfo(Doc.TempFileName()).fileName().startsWith("qd"));
    EXPECT_EQ(QFileInfo(Doc.TempFileName()).absolutePath(), QDir(Dir.path()).absolutePath());
    EXPECT_TRUE(QFile::exists(Doc.TempFileName()));

    // The writer fetches unloaded pages and leaves them unloaded.
    EXPECT_EQ(Save(Doc), Before);
    EXPECT_FALSE(Pages->GetItems(2)->Loaded());
    EXPECT_EQ(Pages->GetItems(2)->GetCount(), 0);

    Doc.LoadItem(Pages->GetItems(2));
    ASSERT_TRUE(Pages->GetItems(2)->Loaded());
    ASSERT_EQ(Pages->GetItems(2)->GetCount(), 4);
    EXPECT_EQ(Pages->GetItems(2)->GetItems(3)->GetProp("t"), "23");
    EXPECT_EQ(Pages->GetItems(2)->Text(), "");

    // Unloaded again after a change: the new state is what comes back.
    Pages->GetItems(2)->GetItems(0)->SetProp("t", "changed");
    Doc.UnloadItem(Pages->GetItems(2));
    Doc.LoadItem(Pages->GetItems(2));
    EXPECT_EQ(Pages->GetItems(2)->GetItems(0)->GetProp("t"), "changed");

    const QString TempName = Doc.TempFileName();
    Doc.Clear();
    EXPECT_FALSE(QFile::exists(TempName));
    EXPECT_TRUE(Doc.TempFileName().isEmpty());
}

TEST(XmlUnload, TempFileRemovedWithDocument)
{
    QString Name;
    {
        TqdzXMLDocument Doc;
        TqdzXMLItem *Page = Doc.Root()->Add();
        Page->SetName("p");
        Page->SetUnloadable(true);
        Page->Add()->SetName("x");
        Doc.UnloadItem(Page);
        Name = Doc.TempFileName();
        EXPECT_TRUE(QFile::exists(Name));
    }
    EXPECT_FALSE(Name.isEmpty());
    EXPECT_FALSE(QFile::exists(Name));
}

TEST(XmlUnload, PartialLoadingReadsBackFromSource)
{
    const QByteArray Src = Header + "<r><pages><page0 ld=\"0\"><m t=\"1\"/><m t=\"2\"/></page0>"
                                    "<page0 ld=\"0\"><m t=\"3\"/></page0><x a=\"b\"/><page1 ld=\"0\"/></pages></r>";
    TStringStream *Keep = nullptr;
    auto Doc = Parse(Src, true, &Keep);
    std::unique_ptr<TStringStream> Owner(Keep);
    TqdzXMLItem *Pages = Doc->Root()->GetItems(0);
    ASSERT_EQ(Pages->GetCount(), 4);
    EXPECT_TRUE(Pages->GetItems(3)->Unloadable());   // an empty page keeps its mark too
    EXPECT_EQ(Pages->GetItems(3)->Text(), "");
    TqdzXMLItem *P0 = Pages->GetItems(0);
    EXPECT_TRUE(P0->Unloadable());
    EXPECT_FALSE(P0->Loaded());
    EXPECT_EQ(P0->GetCount(), 0);
    EXPECT_EQ(P0->Text(), "");
    EXPECT_EQ(Save(*Doc), Src);

    Doc->LoadItem(Pages->GetItems(1));
    ASSERT_EQ(Pages->GetItems(1)->GetCount(), 1);
    EXPECT_EQ(Pages->GetItems(1)->GetItems(0)->GetProp("t"), "3");

    // Unloading switches to the temporary file after bringing back the rest.
    Doc->UnloadItem(Pages->GetItems(1));
    EXPECT_TRUE(P0->Loaded());
    EXPECT_EQ(P0->GetCount(), 2);
    Owner.reset();   // the source is no longer needed
    EXPECT_EQ(Save(*Doc), Src);

    // Without partial loading the marker is dropped and all is in memory.
    auto Full = Parse(Src);
    TqdzXMLItem *F0 = Full->Root()->GetItems(0)->GetItems(0);
    EXPECT_TRUE(F0->Loaded());
    EXPECT_FALSE(F0->Unloadable());
    EXPECT_EQ(F0->GetCount(), 2);
}

TEST(XmlReader, DeepNestingIsRejectedNotCrashing)
{
    QByteArray Deep = Header;
    for (int I = 0; I < 100000; ++I)
        Deep += "<a>";
    EXPECT_THROW(Parse(Deep), TqdzInvalidXMLException);
    QByteArray Fine = Header;
    for (int I = 0; I < 200; ++I)
        Fine += "<a>";
    EXPECT_NO_THROW(Parse(Fine));
}

TEST(XmlEscape, ValueToXMLByKind)
{
    EXPECT_EQ(ValueToXML(Variant(true)), "1");
    EXPECT_EQ(ValueToXML(Variant(false)), "0");
    EXPECT_EQ(ValueToXML(Variant(120)), "120");
    EXPECT_EQ(ValueToXML(Variant(-7LL)), "-7");
    EXPECT_EQ(ValueToXML(Variant(0.3)), "0.3");
    EXPECT_EQ(ValueToXML(Variant(2.0)), "2");
    EXPECT_EQ(ValueToXML(Variant::FromCurrency(1.25)), "1.25");
    EXPECT_EQ(ValueToXML(Variant::FromDate(EncodeDate(2024, 3, 9) + 0.5)), "2024-03-09");
    EXPECT_EQ(ValueToXML(Variant(QString("a\"<b>\n"))), "a&#34;&#60;b&#62;&#10;");
    EXPECT_EQ(ValueToXML(Variant(QString::fromUtf8("中"))), "\xd6\xd0");
    EXPECT_EQ(ValueToXML(Variant()), "");
    EXPECT_EQ(ValueToXML(Null()), "");
}

TEST(XmlReader, FuzzedDocumentsOnlyRaiseInvalidFormat)
{
    // Mutations of a valid document: every outcome is a tree or the format
    // error, never a crash, a hang or a sanitizer report.
    const QByteArray Seed = Header + "\r\n<r a=\"1\"><!-- c --><p ld=\"0\"><m t=\"&#38;x\"/></p>"
                                     "<q x=\"&amp;&lt;\">text</q><e/></r>";
    const QByteArray Alphabet = "<>/!-\"= ?xmlld0&#;ab\r\n";
    QRandomGenerator Rng(4242);
    // A fixed number of runs: the same inputs on any machine.
    int Parsed = 0;
    for (int Run = 0; Run < 20000; ++Run) {
        QByteArray Doc = Seed;
        const int Edits = 1 + int(Rng.bounded(6));
        for (int E = 0; E < Edits; ++E) {
            const int At = int(Rng.bounded(int(Doc.size()) + 1));
            switch (Rng.bounded(4)) {
            case 0: Doc.insert(At, Alphabet[int(Rng.bounded(int(Alphabet.size())))]); break;
            case 1: if (At < Doc.size()) Doc.remove(At, 1 + int(Rng.bounded(5))); break;
            case 2: if (At < Doc.size()) Doc[At] = char(Rng.bounded(256)); break;
            default: Doc = Doc.left(At); break;
            }
        }
        const bool Partial = Rng.bounded(2) == 0;
        TStringStream S(Doc);
        TqdzXMLDocument D;
        try {
            D.LoadFromStream(&S, Partial);
            ++Parsed;
            TStringStream Out;
            D.SaveToStream(&Out);                       // reads back unloaded items
            for (int I = 0; I < D.Root()->GetCount(); ++I) {
                D.Root()->GetItems(I)->GetProp("t");
                D.LoadItem(D.Root()->GetItems(I));
            }
        } catch (const TqdzInvalidXMLException &) {
        } catch (const EConvertError &) {               // a bad numeric reference
        }
    }
    EXPECT_GT(Parsed, 0);
}

TEST(XmlUnload, MarkerFoundOnlyAsItsOwnAttribute)
{
    // The element's text as read, and what is left of it with the marker
    // taken out; without a marker the text stays and nothing is unloadable.
    struct Case { QByteArray Text, Left; bool Marked; } Cases[] = {
        {" a=\"0\" ld=\"0\" b=\"1\"", " a=\"0\" b=\"1\"", true},
        {" LD=\"0\"", "", true},                              // name without case
        {" Ld=\"0\" ld=\"0\"", " ld=\"0\"", true},              // the first one only
        {" a=\"0\" xld=\"0\"", " a=\"0\" xld=\"0\"", false},
        {" ld=\"1\" old=\"0\"", " ld=\"1\" old=\"0\"", false},
        {" l=\"0\" d=\"0\"", " l=\"0\" d=\"0\"", false},
        {" a=\"0\"=\"0\"", " a=\"0\"=\"0\"", false},
    };
    for (const Case &C : Cases) {
        auto Doc = Parse(Header + "<r><p" + C.Text + "/></r>");
        TqdzXMLItem *P = Doc->Root()->GetItems(0);
        EXPECT_EQ(P->Text(), C.Left) << C.Text.constData();
        auto Partial = Parse(Header + "<r><p" + C.Text + "/></r>", true);
        EXPECT_EQ(Partial->Root()->GetItems(0)->Unloadable(), C.Marked) << C.Text.constData();
    }
}
