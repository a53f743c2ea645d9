// The script engine's XML tree: attributes as raw text, escaping, reading,
// writing and tree operations.
#include "Classes.h"
#include "Exceptions.h"
#include "kw_ixml.h"
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString Written(TkwXMLDocument &Doc, bool AutoIndent)
{
    Doc.SetAutoIndent(AutoIndent);
    return Doc.SaveToString();
}

void ExpectFormatError(const QString &Text)
{
    TkwXMLDocument doc;
    try {
        doc.LoadFromString(Text);
        ADD_FAILURE() << "no error for " << Text.toStdString();
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Invalid file format")) << Text.toStdString();
    }
}

} // namespace

TEST(KwXml, EscapeWritesNumericCodes)
{
    struct Case { QString In, Out; };
    const Case cases[] = {
        {"plain", "plain"},
        {"a\nb\rc", "a&#10;b&#13;c"},
        {"say \"hi\"", "say &#34;hi&#34;"},
        {"<a>", "&#60;a&#62;"},
        {"a & b", "a & b"},           // a bare ampersand stays
        {"&amp;", "&amp;"},           // not decoded on reading, so not escaped
        {"&quot;", "&#38;quot;"},     // would read back as a quote
        {"&#65;", "&#38;#65;"},       // would read back as 'A'
        {"", ""},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(kwStrToXML(c.In), c.Out) << c.In.toStdString();
        EXPECT_EQ(kwXMLToStr(c.Out), c.In) << c.Out.toStdString();
    }
}

TEST(KwXml, UnescapeDecodesOnlyNumericCodesAndQuot)
{
    EXPECT_EQ(kwXMLToStr("&#34;x&quot;"), "\"x\"");
    EXPECT_EQ(kwXMLToStr("&amp;&lt;&gt;"), "&amp;&lt;&gt;");
    EXPECT_EQ(kwXMLToStr("&#20013;"), QString(QChar(0x4E2D)));
    EXPECT_EQ(kwXMLToStr("&#;&#x41;&#X4e2D;&#65"), "&#;A" + QString(QChar(0x4E2D)) + "&#65"); // malformed codes stay
    EXPECT_EQ(kwXMLToStr("&#99999999999;&#xZZ;&#x;&#x110000;&#xD800;"), "&#99999999999;&#xZZ;&#x;&#x110000;&#xD800;");
}

TEST(KwXml, PropReadsAttributesIgnoringCase)
{
    TkwXMLItem item;
    item.SetText("text=\"x\" pos=\"1:1\" mytext=\"no\"");
    EXPECT_EQ(item.Prop("TEXT"), "x");
    EXPECT_EQ(item.Prop("Pos"), "1:1");
    EXPECT_EQ(item.Prop("mytext"), "no");
    EXPECT_EQ(item.Prop("ext"), ""); // only whole names after a blank
    EXPECT_EQ(item.Prop("missing"), "");
}

TEST(KwXml, PropWriteReplacesOrAppends)
{
    TkwXMLItem item;
    item.SetProp("text", "a");
    EXPECT_EQ(item.Text(), " text=\"a\"");
    item.SetProp("pos", "2:3");
    EXPECT_EQ(item.Text(), " text=\"a\" pos=\"2:3\"");
    item.SetProp("TEXT", "bb");
    EXPECT_EQ(item.Text(), " TEXT=\"bb\" pos=\"2:3\"");
    item.SetText("a=\"1\" ");
    item.SetProp("b", "2");
    EXPECT_EQ(item.Text(), "a=\"1\" b=\"2\"");
}

TEST(KwXml, PropValuesRoundTrip)
{
    const QString values[] = {"it's \"quoted\"", "x &amp; y", "&quot;", "&#65;", "line\r\nend", "<a>", "中文"};
    for (const QString &v : values) {
        TkwXMLItem item;
        item.SetProp("v", v);
        EXPECT_EQ(item.Prop("v"), v) << v.toStdString();
        TkwXMLDocument doc;
        doc.Root()->SetName("r");
        doc.Root()->SetProp("v", v);
        TkwXMLDocument back;
        back.LoadFromString(doc.SaveToString());
        EXPECT_EQ(back.Root()->Prop("v"), v) << v.toStdString();
    }
}

TEST(KwXml, EmptyElementFormsReadAlike)
{
    TkwXMLDocument a, b, c;
    a.LoadFromString("<?xml version=\"1.0\"?><r><a x=\"1\"/></r>");
    b.LoadFromString("<?xml version=\"1.0\"?><r><a x=\"1\" /></r>");
    c.LoadFromString("<?xml version=\"1.0\"?><r><a x=\"1\"></a></r>");
    for (TkwXMLDocument *d : {&a, &b, &c}) {
        ASSERT_EQ(d->Root()->Count(), 1);
        EXPECT_EQ(d->Root()->Items(0)->Name(), "a");
        EXPECT_EQ(d->Root()->Items(0)->Text(), "x=\"1\"");
        EXPECT_EQ(d->Root()->Items(0)->Count(), 0);
    }
    TkwXMLDocument e;
    e.LoadFromString("<?xml version=\"1.0\"?><r/>");
    EXPECT_EQ(e.Root()->Name(), "r");
    EXPECT_EQ(e.Root()->Text(), "");
}

TEST(KwXml, ReaderSkipsCommentsAndTextAndMatchesClosingTagsIgnoringCase)
{
    TkwXMLDocument doc;
    doc.LoadFromString("<?xml version=\"1.0\"?>\r\n<!-- a <comment> -- here -->\r\n"
                       "<Root k=\"v\">text<!-- inside -->\r\n  <A/>ignored<b n=\"2\"><c/></B>\r\n</ROOT>");
    TkwXMLItem *r = doc.Root();
    EXPECT_EQ(r->Name(), "Root");
    EXPECT_EQ(r->Prop("k"), "v");
    ASSERT_EQ(r->Count(), 2);
    EXPECT_EQ(r->Items(0)->Name(), "A");
    EXPECT_EQ(r->Items(1)->Name(), "b");
    ASSERT_EQ(r->Items(1)->Count(), 1);
    EXPECT_EQ(r->Items(1)->Items(0)->Name(), "c");
}

TEST(KwXml, MalformedInputRaisesInvalidFileFormat)
{
    ExpectFormatError("");
    ExpectFormatError("<r/>");                                  // no declaration
    ExpectFormatError("<?xml version=\"1.0\"?>");              // no root
    ExpectFormatError("<?xml version=\"1.0\"?><r><a x=\"<\"/></r>");
    ExpectFormatError("<?xml version=\"1.0\"?><r><a></b></r>"); // wrong closing tag
    ExpectFormatError("<?xml version=\"1.0\"?><r><a>");         // ends inside
    ExpectFormatError("<?xml version=\"1.0\"?><r><a x=\"1\"");  // ends inside a tag
    ExpectFormatError("<?xml version=\"1.0\"?><r><!-- open"); // unclosed comment
    ExpectFormatError("<?xml version=\"1.0\"?></r>");
}

TEST(KwXml, TreeKeepsWhatWasReadBeforeAnError)
{
    TkwXMLDocument doc;
    EXPECT_THROW(doc.LoadFromString("<?xml version=\"1.0\"?><r><a/><b><c/></x>"), Exception);
    ASSERT_EQ(doc.Root()->Count(), 2);
    EXPECT_EQ(doc.Root()->Items(1)->Items(0)->Name(), "c");
}

TEST(KwXml, WriterOutputExact)
{
    TkwXMLDocument doc;
    doc.Root()->SetName("language");
    doc.Root()->SetText(" text=\"x\"");
    TkwXMLItem *p = doc.Root()->Add();
    p->SetName("parser");
    p->Add()->SetName("keywords");
    TkwXMLItem *e = doc.Root()->Add();
    e->SetName("empty");
    e->SetText("a=\"1\"");
    EXPECT_EQ(Written(doc, false),
              "<?xml version=\"1.0\"?><language text=\"x\"><parser><keywords/></parser><empty a=\"1\"/></language>");
    EXPECT_EQ(Written(doc, true),
              "<?xml version=\"1.0\"?>\r\n<language text=\"x\">\r\n  <parser>\r\n    <keywords/>\r\n  </parser>\r\n"
              "  <empty a=\"1\"/>\r\n</language>\r\n");
}

TEST(KwXml, StreamIsLeftAfterTheLastByteUsed)
{
    // Long enough that the reader reads ahead by whole blocks.
    TkwXMLDocument doc;
    doc.Root()->SetName("r");
    for (int i = 0; i < 500; ++i)
        doc.Root()->Add()->SetText(QStringLiteral("n=\"%1\"").arg(i));
    for (int i = 0; i < 500; ++i)
        doc.Root()->Items(i)->SetName("item");
    TMemoryStream stream;
    doc.SaveToStream(&stream);
    const qint64 end = stream.Position();
    const QByteArray tail("TAIL<x/>");
    stream.WriteBuffer(tail.constData(), tail.size());
    ASSERT_GT(end, 4096);
    stream.SetPosition(0);
    TkwXMLDocument back;
    back.LoadFromStream(&stream);
    EXPECT_EQ(stream.Position(), end);
    EXPECT_EQ(back.Root()->Count(), 500);
    EXPECT_EQ(back.Root()->Items(499)->Prop("n"), "499");
}

TEST(KwXml, FilesRoundTrip)
{
    QTemporaryDir dir;
    const QString name = dir.filePath("t.xml");
    TkwXMLDocument doc;
    doc.Root()->SetName("r");
    doc.Root()->Add()->SetName("中");
    doc.SetAutoIndent(true);
    doc.SaveToFile(name);
    TkwXMLDocument back;
    back.LoadFromFile(name);
    ASSERT_EQ(back.Root()->Count(), 1);
    EXPECT_EQ(back.Root()->Items(0)->Name(), "中");
    EXPECT_THROW(back.LoadFromFile(dir.filePath("missing.xml")), EFOpenError);
}

TEST(KwXml, ItemOperations)
{
    TkwXMLItem root;
    TkwXMLItem *a = root.Add();
    a->SetName("Alpha");
    TkwXMLItem *b = root.Add();
    b->SetName("beta");
    EXPECT_EQ(root.Count(), 2);
    EXPECT_EQ(root.Find("ALPHA"), 0);
    EXPECT_EQ(root.Find("gamma"), -1);
    TkwXMLItem *g = root.FindItem("gamma");
    EXPECT_EQ(root.Count(), 3);
    EXPECT_EQ(g->Name(), "gamma");
    EXPECT_EQ(root.FindItem("BETA"), b);

    // AddItem moves an item between parents.
    TkwXMLItem *c = b->Add();
    EXPECT_EQ(c->Root(), &root);
    a->AddItem(c);
    EXPECT_EQ(b->Count(), 0);
    EXPECT_EQ(a->Count(), 1);
    EXPECT_EQ(c->Parent(), a);

    root.InsertItem(0, c);
    EXPECT_EQ(root.Items(0), c);
    EXPECT_EQ(a->Count(), 0);
    EXPECT_EQ(root.Count(), 4);
    EXPECT_THROW(root.InsertItem(7, root.Add()), EListError);

    // Freeing an item takes it out of its parent.
    delete g;
    EXPECT_EQ(root.Find("gamma"), -1);
    root.Clear();
    EXPECT_EQ(root.Count(), 0);
}

TEST(KwXml, AssignCopiesDeeply)
{
    TkwXMLItem src;
    src.SetName("s");
    src.SetText("a=\"1\"");
    int tag = 7;
    src.SetData(&tag);
    TkwXMLItem *k = src.Add();
    k->SetName("k");
    k->Add()->SetName("kk");
    TkwXMLItem dst;
    dst.Add()->SetName("old");
    dst.Assign(&src);
    EXPECT_EQ(dst.Name(), "s");
    EXPECT_EQ(dst.Text(), "a=\"1\"");
    EXPECT_EQ(dst.Data(), &tag);
    ASSERT_EQ(dst.Count(), 1);
    EXPECT_NE(dst.Items(0), k);
    EXPECT_EQ(dst.Items(0)->Items(0)->Name(), "kk");
    EXPECT_EQ(dst.Items(0)->Parent(), &dst);
}

TEST(KwXml, DeepTreesNeedNoDeepStack)
{
    const int depth = 100000;
    QString text = "<?xml version=\"1.0\"?>";
    for (int i = 0; i < depth; ++i)
        text += "<a>";
    for (int i = 0; i < depth; ++i)
        text += "</a>";
    TkwXMLDocument doc;
    doc.LoadFromString(text);
    TkwXMLItem *leaf = doc.Root();
    int n = 1;
    while (leaf->Count() > 0) {
        leaf = leaf->Items(0);
        ++n;
    }
    EXPECT_EQ(n, depth);
    TkwXMLItem copy;
    copy.Assign(doc.Root());
    EXPECT_EQ(doc.SaveToString().size(), text.size() - 3); // the innermost <a></a> is written <a/>
}
