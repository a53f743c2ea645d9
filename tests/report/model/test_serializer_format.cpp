// The template format: what is written for each kind of property, and how
// each attribute form is read back.
#include "test_serializer_classes.h"

#include "platform/CodePages.h"
#include "platform/Exceptions.h"
#include "report/model/qdzUtils.h"
#include "report/model/qdzVariables.h"
#include "report/model/qdzXML.h"

#include <gtest/gtest.h>
#include <cmath>

namespace {

const QByteArray Header = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";

class SerializerFormat : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterTestReportClasses();
        Report = std::make_unique<TqdzTestReport>(nullptr);
        Page = new TqdzTestPage(Report.get());
        Page->SetName("Page1");
        Band = new TqdzTestBand(Page);
        Band->SetName("Band1");
        Memo = new TqdzTestMemoView(Band);
        Memo->SetName("Memo1");
    }

    // The attributes of one object as the serializer writes them.
    QByteArray Attributes(TPersistent *Obj, TPersistent *Ancestor = nullptr, bool Defaults = false)
    {
        TqdzXMLSerializer s(nullptr);
        s.SetOwner(Report.get());
        s.SetSerializeDefaultValues(Defaults);
        return s.WriteObjectAttributes(Obj, QByteArray(), Ancestor);
    }

    // Applies attributes to Obj through a read of a one-element template.
    void Apply(TPersistent *Obj, const QByteArray &Text)
    {
        TqdzXMLSerializer s(nullptr);
        s.SetOwner(Report.get());
        s.ReadObjectAttributes(Obj, Text);
        s.ResolveFixups();
    }

    std::unique_ptr<TqdzTestReport> Report;
    TqdzTestPage *Page = nullptr;
    TqdzTestBand *Band = nullptr;
    TqdzTestMemoView *Memo = nullptr;
};

TEST_F(SerializerFormat, AFreshReportIsWrittenExactly)
{
    // The report's dates are those of its creation: fixed here.
    Report->ReportOptions()->SetCreateDate(0);
    Report->ReportOptions()->SetLastChange(0);
    const QByteArray expected = Header
        + "<TqdzTestReport Version=\"4.9.32\" IniFile=\"\\Software\\Tarvo Reports\" PreviewOptions.Zoom=\"1\" "
          "PrintOptions.Printer=\"Default\" ReportOptions.CreateDate=\"0\" ReportOptions.Description.Text=\"\" "
          "ReportOptions.LastChange=\"0\" ScriptLanguage=\"PascalScript\" "
          "ScriptText.Text=\"begin&#13;&#10;&#13;&#10;end.\">\r\n"
          "  <TqdzTestPage Name=\"Page1\" Guides.Text=\"\" PaperWidth=\"210\">\r\n"
          "    <TqdzTestBand Name=\"Band1\" Height=\"0\" Left=\"0\" Top=\"0\" Width=\"0\">\r\n"
          "      <TqdzTestMemoView Name=\"Memo1\" Left=\"0\" Top=\"0\" Width=\"0\" Height=\"0\" Data=\"\" "
          "Lines.Text=\"\" Text=\"\"/>\r\n"
          "    </TqdzTestBand>\r\n"
          "  </TqdzTestPage>\r\n"
          "</TqdzTestReport>\r\n";
    EXPECT_EQ(SaveTemplate(Report.get()), expected);
}

TEST_F(SerializerFormat, DeclaredDefaultsAreLeftOutFloatsAreAlwaysWritten)
{
    // Visible (default True) is True, AutoWidth (default False) is False.
    QByteArray a = Attributes(Memo);
    EXPECT_EQ(a.indexOf("Visible"), -1);
    EXPECT_EQ(a.indexOf("AutoWidth"), -1);
    EXPECT_NE(a.indexOf(" Left=\"0\""), -1);
    Memo->SetVisible(false);
    Memo->SetAutoWidth(true);
    a = Attributes(Memo);
    EXPECT_NE(a.indexOf(" AutoWidth=\"True\""), -1);
    EXPECT_NE(a.indexOf(" Visible=\"False\""), -1);
    // With SerializeDefaultValues everything stored is written.
    Memo->SetVisible(true);
    a = Attributes(Memo, nullptr, true);
    for (const char *s : {" Align=\"baNone\"", " HAlign=\"thaLeft\"", " Visible=\"True\"", " Frame.Color=\"0\"",
                          " Frame.Typ=\"0\"", " Restrictions=\"0\"", " Mark=\"0\"", " Tag=\"0\"",
                          " Description=\"\"", " Link=\"nil\""})
        EXPECT_NE(a.indexOf(s), -1) << s;
    // Stored rules still hold: GapX 2 and Frame.Width 1 are not stored.
    EXPECT_EQ(a.indexOf("GapX"), -1);
    EXPECT_EQ(a.indexOf("Frame.Width"), -1);
}

TEST_F(SerializerFormat, ValuesByKind)
{
    Memo->SetHAlign(thaCenter);
    Memo->Frame()->SetTyp({tftLeft, tftTop});
    Memo->Frame()->SetWidth(0.5);
    Memo->SetRestrictions({rfDontSize, rfDontDelete});
    Memo->SetMark(QChar('A'));
    Memo->SetGapX(1e-5);
    Memo->SetLeft(1.0 / 3);
    Memo->SetData(Variant(2.5));
    Memo->SetHint("a\"b<c>&d\r\n");
    TFont f;
    f.SetStyle({fsBold, fsItalic, fsStrikeOut});
    Memo->SetFont(&f);
    const QByteArray a = Attributes(Memo);
    for (const char *s : {" HAlign=\"thaCenter\"", " Frame.Typ=\"5\"", " Frame.Width=\"0.5\"", " Restrictions=\"10\"",
                          " Mark=\"65\"", " GapX=\"1E-5\"", " Left=\"0.333333333333333\"", " Data=\"2.5\"",
                          " Hint=\"a&#34;b&#60;c&#62;&d&#13;&#10;\"", " Font.Style=\"11\"", " Font.Name=\"Arial\"",
                          " Font.Height=\"-13\"", " Font.Charset=\"1\"", " Font.Color=\"0\"", " ParentFont=\"False\""})
        EXPECT_NE(a.indexOf(s), -1) << s << "\n" << a.constData();
    // Read-only values are not written.
    EXPECT_EQ(a.indexOf("LineCount"), -1);
    // The font's own rules: Size is not stored, Pitch is at its default.
    EXPECT_EQ(a.indexOf("Font.Size"), -1);
    EXPECT_EQ(a.indexOf("Font.Pitch"), -1);
}

TEST_F(SerializerFormat, StringsAreSystemCodePageBytesMemoTextIsUtf8)
{
    Memo->SetHint(QStringLiteral("重量"));
    Memo->SetText(QStringLiteral("毛重\r\n"));
    const QByteArray a = Attributes(Memo);
    EXPECT_NE(a.indexOf(" Hint=\"" + StringToCodePage(QStringLiteral("重量"), 936) + '"'), -1);
    EXPECT_NE(a.indexOf(" Text=\"" + QStringLiteral("毛重").toUtf8() + '"'), -1);

    TqdzTestMemoView copy(nullptr);
    Apply(&copy, a);
    EXPECT_EQ(copy.Hint(), QStringLiteral("重量"));
    EXPECT_EQ(copy.Text(), QStringLiteral("毛重\r\n"));
}

TEST_F(SerializerFormat, StringListsAndMemoTextLoseOneTrailingBreak)
{
    Memo->SetText("one\r\n");
    EXPECT_NE(Attributes(Memo).indexOf(" Text=\"one\""), -1);
    Memo->SetText("one\r\n\r\n");
    EXPECT_NE(Attributes(Memo).indexOf(" Text=\"one&#13;&#10;\""), -1);
    Memo->Lines()->SetText("x\r\ny");
    EXPECT_NE(Attributes(Memo).indexOf(" Lines.Text=\"x&#13;&#10;y\""), -1);
    // The report's script text "begin", "", "end.".
    EXPECT_NE(Attributes(Report.get()).indexOf(" ScriptText.Text=\"begin&#13;&#10;&#13;&#10;end.\""), -1);
}

TEST_F(SerializerFormat, ReferencesAreWrittenByName)
{
    Memo->SetLink(Band);
    EXPECT_NE(Attributes(Memo).indexOf(" Link=\"Band1\""), -1);
    auto *band2 = new TqdzTestBand(Page);
    band2->SetName("Band2");
    Band->SetChild(band2);
    EXPECT_NE(Attributes(Band).indexOf(" Child=\"Band2\""), -1);
}

TEST_F(SerializerFormat, ComparedObjectDecidesWhatIsWritten)
{
    TqdzTestMemoView anc(Band);
    anc.SetName("Anc");
    Memo->SetBounds(1, 2, 3, 4);
    anc.SetBounds(1, 2, 3, 4.0000001);
    Memo->SetText("same");
    anc.SetText("same");
    anc.Lines()->SetText("");
    Memo->SetData(Variant(1));
    anc.SetData(Variant(1));
    // Identical but for a float closer than 0.000001: nothing is written.
    EXPECT_EQ(Attributes(Memo, &anc), "");

    // A reference the ancestor has and this object lacks is "nil".
    anc.SetLink(Page);
    EXPECT_EQ(Attributes(Memo, &anc), " Link=\"nil\"");
    Memo->SetLink(Page);
    EXPECT_EQ(Attributes(Memo, &anc), "");
    Memo->SetLink(Band);
    EXPECT_EQ(Attributes(Memo, &anc), " Link=\"Band1\"");
    Memo->SetLink(Page);

    // Values that differ from the ancestor are written even when they are
    // the declared default.
    anc.SetHAlign(thaRight);
    anc.Frame()->SetColor(255);
    anc.Lines()->SetText("x");
    anc.SetText("other");
    EXPECT_EQ(Attributes(Memo, &anc), " Frame.Color=\"0\" HAlign=\"thaLeft\" Lines.Text=\"\" Text=\"same\"");
}

TEST_F(SerializerFormat, PropDataIsUpperCaseHexOfTheBinaryWriterAndComparedByBytes)
{
    EXPECT_EQ(Attributes(Memo).indexOf("PropData"), -1);
    Memo->Extra = QByteArray::fromHex("abcd");
    Memo->ExtraText = "hi";
    const QByteArray hex = "05457874726101" "0A02000000ABCD" "06026869" "00";
    EXPECT_NE(Attributes(Memo).indexOf(" PropData=\"" + hex + '"'), -1);

    TqdzTestMemoView anc(nullptr);
    anc.Extra = Memo->Extra;
    anc.ExtraText = "hi";
    EXPECT_EQ(Attributes(Memo, &anc).indexOf("PropData"), -1);
    anc.ExtraText = "ih";
    EXPECT_NE(Attributes(Memo, &anc).indexOf("PropData"), -1);

    TqdzTestMemoView copy(nullptr);
    Apply(&copy, " PropData=\"" + hex + '"');
    EXPECT_EQ(copy.Extra, QByteArray::fromHex("abcd"));
    EXPECT_EQ(copy.ExtraText, "hi");
    // Nested objects carry the path before PropData; a broken PropData is
    // skipped like any attribute that cannot be read.
    Apply(&copy, " PropData=\"0545787472610A\" Hint=\"after\"");
    EXPECT_EQ(copy.Hint(), "after");
}

TEST_F(SerializerFormat, ReadingEachAttributeForm)
{
    TqdzTestMemoView m(Band);
    Apply(&m, " Left=\"1,5\" Top=\"2.25\" HAlign=\"2\" Frame.Typ=\"12\" Frame.Width=\"3\" Restrictions=\"3\""
              " AutoWidth=\"True\" Visible=\"0\" Mark=\"66\" Data=\"v&#38;1\" Lines.Text=\"a&#13;&#10;b\""
              " Font.Name=\"Tahoma\" Font.Style=\"1\" Text=\"t&#13;&#10;u\" Link=\"Memo1\" Tag=\"-7\"");
    EXPECT_DOUBLE_EQ(m.Left(), 1.5);
    EXPECT_DOUBLE_EQ(m.Top(), 2.25);
    EXPECT_EQ(m.HAlign(), thaCenter);
    EXPECT_EQ(m.Frame()->Typ(), TqdzTestFrameTypes({tftTop, tftBottom}));
    EXPECT_EQ(m.Frame()->Width(), 3);
    EXPECT_EQ(m.Restrictions(), TqdzRestrictions({rfDontModify, rfDontSize}));
    EXPECT_TRUE(m.AutoWidth());
    EXPECT_FALSE(m.Visible());
    EXPECT_EQ(m.Mark(), QChar('B'));
    EXPECT_EQ(m.Data().AsString(), "v&1");
    EXPECT_EQ(m.Lines()->Count(), 2);
    EXPECT_EQ(m.Font()->Name(), "Tahoma");
    EXPECT_EQ(m.Font()->Style(), TFontStyles({fsBold}));
    EXPECT_FALSE(m.ParentFont());
    EXPECT_EQ(m.Memo()->Count(), 2);
    EXPECT_EQ(m.Link(), Memo);
    EXPECT_EQ(m.Tag(), -7);
}

TEST_F(SerializerFormat, ShortFormsOfBuiltPages)
{
    TqdzTestMemoView m(Band);
    Apply(&m, " l=\"1,5\" t=\"2\" w=\"3.25\" h=\"4\" u=\"" + QStringLiteral("重").toUtf8() + "&#13;&#10;x\"");
    EXPECT_DOUBLE_EQ(m.Left(), 1.5);
    EXPECT_DOUBLE_EQ(m.Width(), 3.25);
    EXPECT_EQ(m.Height(), 4);
    EXPECT_EQ(m.Text(), QStringLiteral("重\r\nx\r\n"));
    Apply(&m, " x=\"" + StringToCodePage(QStringLiteral("净重"), 936) + "\"");
    EXPECT_EQ(m.Text(), QStringLiteral("净重\r\n"));
    // Other single letters fall through to published properties, here none.
    Apply(&m, " q=\"1\" l=\"9\"");
    EXPECT_EQ(m.Left(), 9);
    // On a band the memo forms mean nothing.
    Apply(Band, " u=\"x\" t=\"5\"");
    EXPECT_EQ(Band->Top(), 5);
}

// One read decides what each attribute name does once per class: the same
// names on objects of other classes, in other orders and cases, and past
// the names a class keeps at hand, still mean what they mean there.
TEST_F(SerializerFormat, AttributeNamesMeanWhatTheirClassSays)
{
    TqdzXMLSerializer s(nullptr);
    s.SetOwner(Report.get());
    TqdzTestMemoView a(Band), b(Band);
    s.ReadObjectAttributes(&a, " u=\"x\" l=\"1\" Text=\"m\" Name=\"MemoA\"");
    s.ReadObjectAttributes(Band, " Text=\"b\" u=\"y\" l=\"2\" h=\"3\"");
    s.ReadObjectAttributes(&b, " TEXT=\"p&#13;&#10;q\" h=\"4\" Lines.Text=\"r&#13;&#10;s\" l=\"5\"");
    s.ReadObjectAttributes(b.Lines(), " Text=\"t\"");
    s.ReadObjectAttributes(Report.get(), " Name=\"Other\" Title=\"T\"");
    EXPECT_EQ(a.Text(), QStringLiteral("m\r\n"));
    EXPECT_EQ(a.Left(), 1);
    EXPECT_EQ(a.Name(), QStringLiteral("MemoA"));
    EXPECT_EQ(Band->Left(), 2);
    EXPECT_EQ(Band->Height(), 3);
    EXPECT_EQ(b.Text(), QStringLiteral("p\r\nq\r\n"));
    EXPECT_EQ(b.Height(), 4);
    EXPECT_EQ(b.Left(), 5);
    EXPECT_EQ(b.Lines()->Text(), QStringLiteral("t\r\n"));
    EXPECT_EQ(Report->Name(), QString());
    EXPECT_EQ(Report->Title(), QStringLiteral("T"));

    // Sixty names no class has, then known ones: read alike by two objects.
    QByteArray many;
    for (int i = 0; i < 60; ++i)
        many += " Unknown" + QByteArray::number(i) + "=\"1\"";
    for (TqdzTestMemoView *m : {&a, &b}) {
        s.ReadObjectAttributes(m, many + " Top=\"7\" Unknown59=\"2\" Tag=\"8\"");
        EXPECT_EQ(m->Top(), 7);
        EXPECT_EQ(m->Tag(), 8);
    }
}

TEST_F(SerializerFormat, ShortNumbersReadAsTheGeneralConversion)
{
    // Plain decimals are read straight from the bytes; every other form goes
    // through qdzStrToFloat: both give the same, or skip the same.
    const char *texts[] = {"0",   "-0",   "12",        "-3,75",      "0.1",  "007.50", "1e2",  " 4",
                           "5 ",  "1.2.3", "1,2,3",    ".5",         "5.",   "-",      "",     "+2",
                           "1&#46;5", "123456789012345678901234567890.125", "2.2250738585072014e-308",
                           // around the 15 digits read as a whole number over a power of ten
                           "37.8", "-718.11", "999999999999999", "9999999999999999", "0.000000000000001",
                           "0.0000000000000001", "1.00000000000001", "8.123456789012345", "-0.30000000000000004"};
    for (const char *t : texts) {
        TqdzTestMemoView m(Band);
        m.SetLeft(-99);
        Apply(&m, " l=\"" + QByteArray(t) + "\"");
        double expected = -99;
        try {
            expected = qdzStrToFloat(QString::fromLatin1(Unescape(QByteArray(t))));
        } catch (const Exception &) {
        }
        EXPECT_EQ(m.Left(), expected) << t;
        EXPECT_EQ(std::signbit(m.Left()), std::signbit(expected)) << t;
    }
}

TEST_F(SerializerFormat, ValuesThatDoNotConvertAreSkipped)
{
    TqdzTestMemoView m(Band);
    m.SetHAlign(thaRight);
    m.SetVisible(true);
    m.SetLink(Band);
    Apply(&m, " HAlign=\"4\" Visible=\"Maybe\" Left=\"abc\" Restrictions=\"64\" Mark=\"-1\" Frame.Color=\"&#x;\""
              " Unknown=\"1\" Frame.Nothing.Deeper=\"1\" Link.Name=\"Renamed\" Top=\"7\"");
    EXPECT_EQ(m.HAlign(), thaRight);
    EXPECT_TRUE(m.Visible());
    EXPECT_EQ(m.Left(), 0);
    EXPECT_TRUE(m.Restrictions().Empty());
    EXPECT_EQ(m.Mark(), QChar(0));
    EXPECT_EQ(m.Top(), 7);
    EXPECT_EQ(Band->Name(), "Band1");
    // Identifiers are read without regard to case; "HAlign" as a number in
    // range works too.
    Apply(&m, " HAlign=\"THABLOCK\"");
    EXPECT_EQ(m.HAlign(), thaBlock);
    Apply(&m, " HAlign=\"0\"");
    EXPECT_EQ(m.HAlign(), thaLeft);
}

TEST_F(SerializerFormat, IntegerAndEnumerationForms)
{
    // Integers are read as written (no references); enumerations unescaped,
    // by number or by name. Values that do not convert leave the old one.
    const QByteArray longName(100, 'a');
    const struct
    {
        QByteArray Text;
        int Tag;
        TqdzTestHAlign HAlign;
    } cases[] = {
        {" Tag=\"$1F\" HAlign=\"1\"", 31, thaRight},
        {" Tag=\"x10\" HAlign=\"thaCenter\"", 16, thaCenter},
        {" Tag=\" -0x10\" HAlign=\"&#116;haBlock\"", -16, thaBlock},
        {" Tag=\"1&#48;\" HAlign=\"" + longName + "\"", -1, thaLeft},
        {" Tag=\"99999999999999999999\" HAlign=\"-1\"", -1, thaLeft},
        {" Tag=\"\" HAlign=\"\"", -1, thaLeft},
    };
    for (const auto &c : cases) {
        TqdzTestMemoView m(Band);
        m.SetTag(-1);
        Apply(&m, c.Text);
        EXPECT_EQ(m.Tag(), c.Tag) << c.Text.constData();
        EXPECT_EQ(m.HAlign(), c.HAlign) << c.Text.constData();
    }
}

TEST_F(SerializerFormat, NilClearsAReferenceUnknownNamesLeaveItAlone)
{
    Memo->SetLink(Band);
    Apply(Memo, " Link=\"NoSuchObject\"");
    EXPECT_EQ(Memo->Link(), Band);
    Apply(Memo, " Link=\"nil\"");
    EXPECT_EQ(Memo->Link(), nullptr);
    Apply(Memo, " Link=\"page1\"");
    EXPECT_EQ(Memo->Link(), Page);
}

TEST_F(SerializerFormat, PlainAndUtf8StringAttributesFollowTheHeader)
{
    const QByteArray utf8 = QStringLiteral("重量").toUtf8();
    TqdzTestReport r(nullptr);
    LoadTemplate(&r, "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?><TqdzTestReport Title=\"" + utf8
                         + "\"/>");
    EXPECT_EQ(r.Title(), QStringLiteral("重量"));
    const QByteArray gbk = StringToCodePage(QStringLiteral("重量"), 936);
    LoadTemplate(&r, "<?xml version=\"1.0\" encoding=\"utf-8\"?><TqdzTestReport Title=\"" + gbk + "\"/>");
    EXPECT_EQ(r.Title(), QStringLiteral("重量"));
}

TEST_F(SerializerFormat, ObjectToItemAndBack)
{
    Memo->SetBounds(1, 2, 3, 4);
    Memo->SetText("x");
    Memo->SetLink(Page);
    TqdzXMLSerializer s(nullptr);
    s.SetOwner(Report.get());
    const QByteArray text = s.WriteObjectToItem(Memo);
    EXPECT_EQ(text, "TqdzTestMemoView Left=\"1\" Top=\"2\" Width=\"3\" Height=\"4\" Data=\"\" Lines.Text=\"\" "
                    "Link=\"Page1\" Text=\"x\"");
    TqdzComponent *o = s.ReadObjectFromItem(Band, text, false);
    auto *m = dynamic_cast<TqdzTestMemoView *>(o);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->Parent(), Band);
    EXPECT_EQ(m->Width(), 3);
    EXPECT_EQ(m->Link(), Page);
    EXPECT_EQ(m->Text(), "x\r\n");
    EXPECT_FALSE(m->IsLoading());

    // With SkipFixups the reference waits for ResolveFixups.
    TqdzComponent *o2 = s.ReadObjectFromItem(Band, "TqdzTestMemoView Link=\"Band1\"", true);
    auto *m2 = dynamic_cast<TqdzTestMemoView *>(o2);
    ASSERT_NE(m2, nullptr);
    EXPECT_EQ(m2->Link(), nullptr);
    s.ResolveFixups();
    EXPECT_EQ(m2->Link(), Band);

    EXPECT_EQ(s.ReadObjectFromItem(Band, "TqdzNothing l=\"1\"", false), nullptr);
    EXPECT_EQ(s.ReadObjectFromItem(Band, "TqdzTestFrame", false), nullptr);
    EXPECT_EQ(s.Errors()->Text(), "Cannot find class TqdzNothing\r\nCannot find class TqdzTestFrame\r\n");

    TMemoryStream ms;
    TqdzXMLSerializer w(&ms);
    w.SetOwner(Report.get());
    w.WriteObjectToStream(Band);
    EXPECT_EQ(QByteArray(static_cast<const char *>(ms.Memory()), ms.Size()),
              "<TqdzTestBand Height=\"0\" Left=\"0\" Top=\"0\" Width=\"0\"/>");
}

TEST_F(SerializerFormat, WritingAnObjectMarksItWritingMeanwhile)
{
    EXPECT_FALSE(Memo->IsWriting());
    TqdzXMLSerializer s(nullptr);
    bool seen = false;
    struct Probe : TObject
    {
        TqdzTestMemoView *M;
        bool *Seen;
        void Get(const QString &, TPersistent *&) { *Seen = M->IsWriting(); }
    } probe;
    probe.M = Memo;
    probe.Seen = &seen;
    s.SetOnGetAncestor(TqdzGetAncestorEvent(&probe, &Probe::Get));
    s.WriteObjectAttributes(Memo);
    EXPECT_TRUE(seen);
    EXPECT_FALSE(Memo->IsWriting());
}

TEST(SafeText, SevenBitEscapeBothWays)
{
    EXPECT_EQ(qdzToSafeText(QStringLiteral("a\u00e9b")), QStringLiteral("a\u0001ib"));
    EXPECT_EQ(qdzFromSafeText(QStringLiteral("a\u0001ib")), QStringLiteral("a\u00e9b"));
    const QString wide = QStringLiteral("重量 kg x\u0080");
    EXPECT_EQ(qdzFromSafeText(qdzToSafeText(wide)), wide);
    for (QChar c : qdzToSafeText(QStringLiteral("\u00ff\u0080")))
        EXPECT_LT(c.unicode(), 128);
    // A trailing escape character stays.
    EXPECT_EQ(qdzFromSafeText(QStringLiteral("x\u0001")), QStringLiteral("x\u0001"));

    RegisterTestReportClasses();
    TqdzTestMemoView m(nullptr);
    m.SetHint(QStringLiteral("h\u00e9"));
    m.SetData(Variant(QStringLiteral("v\u00e9")));
    StringsToSafeText(&m);
    EXPECT_EQ(m.Hint(), QStringLiteral("h\u0001i"));
    EXPECT_EQ(m.Data().AsString(), QStringLiteral("v\u0001i"));
    StringsFromSafeText(&m);
    EXPECT_EQ(m.Hint(), QStringLiteral("h\u00e9"));
    m.SetData(Variant(5));
    StringsToSafeText(&m);
    EXPECT_EQ(m.Data().AsInteger(), 5);
}

} // namespace
