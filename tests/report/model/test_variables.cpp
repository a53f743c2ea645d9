// Variables, styles with their style sheets, the option objects, and the
// report's collections in templates.
#include "test_serializer_classes.h"

#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "report/model/qdzVariables.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

QByteArray Bytes(TMemoryStream &s)
{
    return QByteArray(static_cast<const char *>(s.Memory()), qsizetype(s.Size()));
}

QString GTyped;
int GPrompts = 0;
bool Prompt(QString &Password)
{
    ++GPrompts;
    Password = GTyped;
    return !GTyped.isEmpty();
}

} // namespace

TEST(Variables, FoundWithoutRegardToCase)
{
    TqdzVariables vars;
    vars.SetVariables("Total", Variant(12));
    EXPECT_EQ(vars.IndexOf("total"), 0);
    EXPECT_EQ(vars.IndexOf("missing"), -1);
    EXPECT_EQ(VarToStr(vars.Variables("TOTAL")), "12");
    EXPECT_TRUE(VarIsNull(vars.Variables("missing")));
    EXPECT_EQ(vars.Count(), 1);
    vars.SetVariables("total", Variant("x"));
    EXPECT_EQ(vars.Count(), 1);
    EXPECT_EQ(vars.Items(0)->Name(), "Total");
    vars.SetVariables("New", Variant(1.5));
    ASSERT_EQ(vars.Count(), 2);
    EXPECT_EQ(vars.Items(1)->Name(), "New");
    // A fresh variable holds null.
    EXPECT_TRUE(VarIsNull(vars.Add()->Value()));

    TqdzVariables copy;
    copy.Assign(&vars);
    EXPECT_EQ(VarToStr(copy.Variables("new")), "1.5");

    EXPECT_EQ(qdzGlobalVariables(), qdzGlobalVariables());
}

TEST(Variables, ArrayKeyedByValueText)
{
    TqdzArray a;
    a.SetVariables(Variant(5), Variant("five"));
    EXPECT_EQ(VarToStr(a.Variables(Variant("5"))), "five");
    a.SetVariables(Variant("Key"), Variant(1));
    EXPECT_EQ(VarToStr(a.Variables(Variant("KEY"))), "1");
    EXPECT_TRUE(VarIsNull(a.Variables(Variant(6))));
    EXPECT_EQ(a.Count(), 2);
    EXPECT_EQ(a.Items(0)->Name(), "5");
}

TEST(Variables, StyleNamesAreUnique)
{
    TqdzStyles styles(nullptr);
    TqdzStyleItem *a = styles.Add();
    a->SetName("Title");
    TqdzStyleItem *b = styles.Add();
    b->SetName("Body");
    for (const QString &clash : {QString("Title"), QString("TITLE")}) {
        try {
            b->SetName(clash);
            ADD_FAILURE() << "duplicate accepted";
        } catch (const Exception &e) {
            EXPECT_EQ(e.Message(), "Duplicate name");
        }
    }
    EXPECT_EQ(b->Name(), "Body");
    a->SetName("title"); // its own name, other case
    EXPECT_EQ(styles.Find("TITLE"), a);
    EXPECT_EQ(styles.Find("none"), nullptr);
    TStringList list;
    list.Add("old");
    styles.GetList(&list);
    EXPECT_EQ(list.Text(), "title\r\nBody\r\n");

    EXPECT_EQ(a->Color(), 0x1FFFFFFF);
    EXPECT_EQ(a->Font()->Name(), "Arial");
    EXPECT_EQ(a->Font()->Size(), 10);
    TqdzStyles other(nullptr);
    TqdzStyleItem *c = other.Add();
    a->SetColor(clRed);
    a->Font()->SetSize(14);
    c->Assign(a);
    EXPECT_EQ(c->Name(), "title");
    EXPECT_EQ(c->Color(), clRed);
    EXPECT_EQ(c->Font()->Size(), 14);
}

TEST(Variables, StyleSheetFiles)
{
    TqdzStyles styles(nullptr);
    styles.SetName("Plain \"simple\"");
    TqdzStyleItem *a = styles.Add();
    a->SetName("Heading");
    a->SetColor(clYellow);
    a->Font()->SetName("Tahoma");
    a->Font()->SetStyle(TFontStyles{fsBold});
    styles.Add()->SetName("Body");
    TMemoryStream s;
    styles.SaveToStream(&s);
    const QByteArray text = Bytes(s);
    EXPECT_TRUE(text.startsWith("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<style Name=\"Plain &#34;simple&#34;\">\r\n"
                                "  <item Name=\"Heading\" Color=\"65535\" Font."))
        << text.constData();
    EXPECT_TRUE(text.contains(" Font.Name=\"Tahoma\"")) << text.constData();
    EXPECT_TRUE(text.contains(" Font.Style=\"1\"")) << text.constData();
    EXPECT_TRUE(text.contains("  <item Name=\"Body\"")) << text.constData();
    EXPECT_TRUE(text.endsWith("</style>\r\n")) << text.constData();

    TqdzStyles back(nullptr);
    back.Add()->SetName("Leftover");
    s.SetPosition(0);
    back.LoadFromStream(&s);
    EXPECT_EQ(back.Name(), "Plain \"simple\"");
    ASSERT_EQ(back.Count(), 2);
    EXPECT_EQ(back.Items(0)->Name(), "Heading");
    EXPECT_EQ(back.Items(0)->Color(), clYellow);
    EXPECT_EQ(back.Items(0)->Font()->Name(), "Tahoma");
    EXPECT_EQ(back.Items(0)->Font()->Style(), TFontStyles{fsBold});
    EXPECT_EQ(back.Items(1)->Name(), "Body");

    // Another root: an empty sheet. Elements other than "item" are skipped.
    TStringStream wrong("<?xml version=\"1.0\"?><styles Name=\"x\"><item Name=\"A\"/></styles>");
    back.LoadFromStream(&wrong);
    EXPECT_EQ(back.Count(), 0);
    EXPECT_EQ(back.Name(), "");
    TStringStream mixed("<?xml version=\"1.0\"?><style Name=\"m\"><thing Name=\"T\"/><item Name=\"B\"/></style>");
    back.LoadFromStream(&mixed);
    ASSERT_EQ(back.Count(), 1);
    EXPECT_EQ(back.Items(0)->Name(), "B");
    EXPECT_EQ(back.Name(), "m");
}

TEST(Variables, EngineOptions)
{
    TqdzEngineOptions o;
    EXPECT_TRUE(o.ConvertNulls());
    EXPECT_EQ(o.MaxMemSize(), 10);
    EXPECT_TRUE(o.RestoreAfterRun());
    EXPECT_TRUE(o.UseGlobalDataSetList());
    EXPECT_FALSE(o.ThreadSafe());
    o.SetConvertNulls(false);
    o.SetDoublePass(true);
    o.SetIgnoreDevByZero(true);
    o.SetMaxMemSize(64);
    o.SetUseFileCache(true);
    o.Clear();
    EXPECT_TRUE(o.ConvertNulls());
    EXPECT_FALSE(o.DoublePass());
    EXPECT_FALSE(o.IgnoreDevByZero());
    EXPECT_EQ(o.MaxMemSize(), 64);
    EXPECT_TRUE(o.UseFileCache());

    o.SetNewSilentMode(simReThrow);
    EXPECT_FALSE(o.SilentMode());
    o.SetSilentMode(true);
    EXPECT_EQ(o.NewSilentMode(), simSilent);
    EXPECT_TRUE(o.SilentMode());
    o.SetSilentMode(false);
    EXPECT_EQ(o.NewSilentMode(), simMessageBoxes);

    TqdzEngineOptions c;
    o.SetTempDir("/tmp/x");
    o.SetThreadSafe(true);
    o.SetRestoreAfterRun(false);
    c.Assign(&o);
    EXPECT_EQ(c.TempDir(), "/tmp/x");
    EXPECT_EQ(c.MaxMemSize(), 64);
    EXPECT_FALSE(c.ThreadSafe());
    EXPECT_TRUE(c.RestoreAfterRun());

    // In a template only what differs from the defaults is written.
    TqdzXMLSerializer ser(nullptr);
    TqdzEngineOptions fresh;
    EXPECT_EQ(ser.WriteObjectAttributes(&fresh, "EngineOptions."), "");
    fresh.SetDoublePass(true);
    fresh.SetNewSilentMode(simReThrow);
    EXPECT_EQ(ser.WriteObjectAttributes(&fresh, "EngineOptions."),
              " EngineOptions.DoublePass=\"True\" EngineOptions.NewSilentMode=\"simReThrow\"");
    TqdzEngineOptions read;
    ser.ReadObjectAttributes(&read, "DoublePass=\"True\" SilentMode=\"True\" MaxMemSize=\"20\"");
    EXPECT_TRUE(read.DoublePass());
    EXPECT_EQ(read.NewSilentMode(), simSilent);
    EXPECT_EQ(read.MaxMemSize(), 20);
}

TEST(Variables, PrintAndPreviewOptions)
{
    TqdzPrintOptions p;
    EXPECT_EQ(p.Printer(), "Default");
    EXPECT_EQ(p.Copies(), 1);
    EXPECT_TRUE(p.Collate());
    EXPECT_TRUE(p.ShowDialog());
    EXPECT_EQ(p.Duplex(), dmSimplex);
    p.SetCopies(3);
    p.SetPrintPages(ppEven);
    p.SetPrinter("Dispatch");
    p.SetSwapPageSize(true);
    p.SetDuplex(dmVertical);
    TqdzPrintOptions c;
    c.Assign(&p);
    EXPECT_EQ(c.Copies(), 3);
    EXPECT_EQ(c.Duplex(), dmVertical);
    EXPECT_FALSE(c.SwapPageSize());
    p.Clear();
    EXPECT_EQ(p.Copies(), 1);
    EXPECT_EQ(p.PrintPages(), ppAll);
    EXPECT_EQ(p.Printer(), "Default");
    EXPECT_EQ(p.Duplex(), dmSimplex);
    EXPECT_TRUE(p.SwapPageSize());
    TqdzXMLSerializer ser(nullptr);
    EXPECT_EQ(ser.WriteObjectAttributes(&p, "PrintOptions."), " PrintOptions.Printer=\"Default\"");

    TqdzPreviewOptions v;
    EXPECT_EQ(v.Buttons().ToInt(), 0xFFFu);
    EXPECT_TRUE(v.Buttons().Contains(pbExportQuick));
    EXPECT_FALSE(v.Buttons().Contains(pbNoClose));
    EXPECT_EQ(v.OutlineWidth(), 120);
    EXPECT_EQ(v.PagesInCache(), 50);
    EXPECT_TRUE(v.Modal());
    EXPECT_EQ(v.Zoom(), 1.0);
    v.SetOutlineVisible(true);
    v.SetOutlineWidth(200);
    v.SetZoom(2);
    v.Clear();
    EXPECT_FALSE(v.OutlineVisible());
    EXPECT_EQ(v.OutlineWidth(), 120);
    EXPECT_EQ(v.Zoom(), 2);
    v.SetZoom(1);
    // Floats are always written.
    EXPECT_EQ(ser.WriteObjectAttributes(&v, "PreviewOptions."), " PreviewOptions.Zoom=\"1\"");
    v.SetButtons(TqdzPreviewButtons{pbPrint, pbNoEmail});
    EXPECT_EQ(ser.WriteObjectAttributes(&v), " Buttons=\"16385\" Zoom=\"1\"");
}

TEST(Variables, ReportOptionsClearAndPassword)
{
    TqdzReportOptions r;
    EXPECT_GT(r.CreateDate(), 40000);
    r.SetAuthor("Clerk");
    r.Description()->SetText("Note");
    r.SetVersionMajor("2");
    r.SetCompressed(true);
    r.SetCreateDate(1);
    r.SetName("Delivery note");
    r.SetPassword("pw");
    r.SetConnectionName("db");
    r.SetLocked(true);
    r.Clear();
    EXPECT_EQ(r.Author(), "Clerk");
    EXPECT_EQ(r.CreateDate(), 1);
    EXPECT_TRUE(r.Compressed());
    EXPECT_EQ(r.Name(), "");
    EXPECT_EQ(r.Password(), "");
    EXPECT_EQ(r.ConnectionName(), "");
    r.SetLocked(false);
    r.Clear();
    EXPECT_EQ(r.Author(), "");
    EXPECT_EQ(r.Description()->Count(), 0);
    EXPECT_EQ(r.VersionMajor(), "");
    EXPECT_FALSE(r.Compressed());
    EXPECT_GT(r.CreateDate(), 40000);

    TqdzXMLSerializer ser(nullptr);
    r.SetCreateDate(EncodeDate(2026, 3, 1));
    r.SetLastChange(EncodeDate(2026, 3, 2) + EncodeTime(12, 30, 0, 0));
    r.SetAuthor("Dispatch \"A\"");
    const QByteArray attrs = ser.WriteObjectAttributes(&r, "ReportOptions.");
    // Dates as day numbers; an empty picture writes nothing.
    EXPECT_EQ(attrs, " ReportOptions.Author=\"Dispatch &#34;A&#34;\" ReportOptions.CreateDate=\"46082\""
                     " ReportOptions.Description.Text=\"\" ReportOptions.LastChange=\"46083.5208333333\"");
    TqdzReportOptions back;
    ser.ReadObjectAttributes(&back, attrs.mid(1).replace("ReportOptions.", ""));
    EXPECT_EQ(back.Author(), r.Author());
    EXPECT_EQ(back.CreateDate(), r.CreateDate());
    // Fifteen significant digits keep the time to well under a second.
    EXPECT_NEAR(back.LastChange(), r.LastChange(), 1e-9);

    const TqdzPasswordPrompt saved = qdzPasswordPrompt();
    qdzPasswordPrompt() = &Prompt;
    GPrompts = 0;
    EXPECT_TRUE(r.CheckPassword());
    EXPECT_EQ(GPrompts, 0);
    r.SetPassword("secret");
    GTyped = "Secret";
    EXPECT_FALSE(r.CheckPassword());
    GTyped = "";
    EXPECT_FALSE(r.CheckPassword());
    GTyped = "secret";
    EXPECT_TRUE(r.CheckPassword());
    EXPECT_EQ(r.AcceptedPassword(), "secret");
    // Accepted once, not asked again.
    EXPECT_TRUE(r.CheckPassword());
    EXPECT_EQ(GPrompts, 3);
    qdzPasswordPrompt() = nullptr;
    r.Clear();
    r.SetPassword("secret");
    EXPECT_FALSE(r.CheckPassword());
    qdzPasswordPrompt() = saved;
}

TEST(Variables, ReportCollectionsInTemplates)
{
    TqdzReport report(nullptr);
    auto *page = new TqdzReportPage(&report);
    page->SetName("Page1");
    // Datasets live on the data page, which loading would otherwise add.
    auto *data = new TqdzDataPage(&report);
    data->SetName("Data");
    auto *ds = new TqdzUserDataSet(data);
    ds->SetName("Lines");
    report.DataSets()->Add()->SetDataSet(ds);
    report.Variables()->SetVariables("Customer", Variant("ACME \xe5\x85\xac"));
    report.Variables()->SetVariables("Count", Variant(3));
    TqdzStyleItem *st = report.Styles()->Add();
    st->SetName("Big");
    st->Font()->SetSize(16);

    const QByteArray text = SaveTemplate(&report);
    EXPECT_TRUE(text.startsWith("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<TqdzReport "));
    EXPECT_NE(text.left(text.indexOf('>', 40)).indexOf(" PropData=\""), -1) << text.constData();
    TqdzReport copy(nullptr);
    LoadTemplate(&copy, text);
    EXPECT_EQ(copy.Errors()->Count(), 0);
    ASSERT_EQ(copy.DataSets()->Count(), 1);
    EXPECT_EQ(copy.DataSets()->Items(0)->DataSet(), copy.FindObject("Lines"));
    ASSERT_EQ(copy.Variables()->Count(), 2);
    EXPECT_EQ(VarToStr(copy.Variables()->Variables("customer")), QString::fromUtf8("ACME \xe5\x85\xac"));
    EXPECT_EQ(VarToStr(copy.Variables()->Variables("Count")), "3");
    ASSERT_EQ(copy.Styles()->Count(), 1);
    EXPECT_EQ(copy.Styles()->Items(0)->Font()->Size(), 16);
    EXPECT_EQ(SaveTemplate(&copy), text);

    // A thread-safe report reads under the engine's lock, which is free
    // again afterwards.
    TqdzReport safe(nullptr);
    safe.EngineOptions()->SetThreadSafe(true);
    LoadTemplate(&safe, text);
    EXPECT_EQ(safe.Variables()->Count(), 2);
    bool freeAfter = false;
    std::thread([&] {
        freeAfter = qdzEngineLock()->try_lock();
        if (freeAfter)
            qdzEngineLock()->unlock();
    }).join();
    EXPECT_TRUE(freeAfter);

    // Empty collections leave no defined data.
    TqdzReport empty(nullptr);
    const QByteArray bare = SaveTemplate(&empty);
    EXPECT_FALSE(bare.contains("PropData"));
    // Loading another template clears what the report held.
    copy.EngineOptions()->SetDoublePass(true);
    copy.EngineOptions()->SetMaxMemSize(30);
    LoadTemplate(&copy, bare);
    EXPECT_EQ(copy.Variables()->Count(), 0);
    EXPECT_EQ(copy.Styles()->Count(), 0);
    EXPECT_EQ(copy.DataSets()->Count(), 0);
    EXPECT_EQ(copy.FindObject("Lines"), nullptr);
    EXPECT_FALSE(copy.EngineOptions()->DoublePass());
    EXPECT_EQ(copy.EngineOptions()->MaxMemSize(), 30);
}

TEST(Variables, DataSetLookUpWithoutTheGlobalList)
{
    TqdzReport report(nullptr);
    auto *page = new TqdzReportPage(&report);
    auto *ds = new TqdzUserDataSet(page);
    ds->SetName("Lines");
    auto *hidden = new TqdzUserDataSet(page);
    hidden->SetName("Hidden");
    report.EngineOptions()->SetUseGlobalDataSetList(false);
    report.EnabledDataSets()->Add()->SetDataSet(ds);
    EXPECT_EQ(qdzFindDataSet(&report, nullptr, "LINES"), ds);
    // Only the enabled datasets count, and a miss gives none.
    EXPECT_EQ(qdzFindDataSet(&report, ds, "Hidden"), nullptr);
    report.EngineOptions()->SetUseGlobalDataSetList(true);
    EXPECT_EQ(qdzFindDataSet(&report, nullptr, "Hidden"), hidden);
}
