// The report object: defaults, loading and saving, options in templates, ancestors, building against a
// stand-in engine, and what a build may not be interrupted by.
#include "test_report_standin.h"

#include "platform/Exceptions.h"
#include "platform/ExtCtrls.h"
#include "platform/Streams.h"
#include "report/model/qdzExpressionCache.h"
#include "report/model/qdzRes.h"
#include "report/model/qdzVariables.h"
#include "report/model/qdzWideStrings.h"
#include "script/kw_iinterpreter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QStringList Lines(TStrings *S)
{
    QStringList r;
    for (int i = 0; i < S->Count(); ++i)
        r.append(S->Strings(i));
    return r;
}

void LoadText(TqdzReport *R, const QByteArray &Xml)
{
    TMemoryStream s;
    s.Write(Xml.constData(), Xml.size());
    s.SetPosition(0);
    R->LoadFromStream(&s);
}

QByteArray SaveText(TqdzReport *R)
{
    TMemoryStream s;
    R->SaveToStream(&s);
    return QByteArray(static_cast<const char *>(s.Memory()), int(s.Size()));
}

void WriteFile(const QString &Path, const QByteArray &Text)
{
    QFile f(Path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(Text);
}

// A report with one page, one band and memos with the given texts.
struct TMemoReport
{
    explicit TMemoReport(const QStringList &Texts)
    {
        Report = std::make_unique<TqdzReport>(nullptr);
        Page = new TqdzReportPage(Report.get());
        Page->SetName(QStringLiteral("Page1"));
        Band = new TqdzMasterData(Page);
        Band->SetName(QStringLiteral("MasterData1"));
        for (int i = 0; i < Texts.size(); ++i) {
            auto *m = new TqdzStandInMemo(Band);
            m->SetName(QStringLiteral("Memo%1").arg(i + 1));
            m->SetText(Texts.at(i));
            Memos.push_back(m);
        }
    }
    std::unique_ptr<TqdzReport> Report;
    TqdzReportPage *Page;
    TqdzMasterData *Band;
    std::vector<TqdzCustomMemoView *> Memos;
};

class Report : public ::testing::Test
{
protected:
    TStandInBuild Build;
};

// ------------------------------------------------------------------ defaults

TEST_F(Report, AFreshReportHasTheDefaultsOfItsTable)
{
    TqdzReport r(nullptr);
    EXPECT_EQ(r.Version(), QStringLiteral("4.9.32"));
    r.SetVersion(QStringLiteral("1.0"));
    EXPECT_EQ(r.Version(), QStringLiteral("4.9.32"));
    EXPECT_EQ(Lines(r.ScriptText()), (QStringList{"begin", "", "end."}));
    EXPECT_EQ(r.ScriptLanguage(), QStringLiteral("PascalScript"));
    EXPECT_EQ(r.IniFile(), QStringLiteral("\\Software\\Tarvo Reports"));
    EXPECT_EQ(Lines(r.SysVariables()), (QStringList{"Date", "Time", "Page", "Page#", "TotalPages", "TotalPages#",
                                                    "Line", "Line#", "CopyName#"}));
    EXPECT_TRUE(r.ShowProgress());
    EXPECT_TRUE(r.StoreInDFM());
    EXPECT_FALSE(r.OldStyleProgress());
    EXPECT_FALSE(r.DotMatrixReport());
    EXPECT_EQ(r.Timer()->Interval(), 50);
    EXPECT_FALSE(r.Timer()->Enabled());
    EXPECT_EQ(r.GetDescription(), qdzResources()->ResourceText(QStringLiteral("obReport")));
    // Engine and store know each other.
    ASSERT_NE(r.Engine(), nullptr);
    ASSERT_NE(r.PreviewPages(), nullptr);
    EXPECT_EQ(r.Engine()->PreviewPages(), r.PreviewPages());
    EXPECT_EQ(r.PreviewPages()->Engine(), r.Engine());
    EXPECT_EQ(r.Engine()->Report(), &r);
    EXPECT_EQ(r.PreviewPages()->Outline()->GetEngine(), r.Engine());
    EXPECT_EQ(r.PreviewPages()->CurPage(), -1);
}

TEST_F(Report, ClearPutsBackTheScriptLanguageTextAndSystemVariables)
{
    TqdzReport r(nullptr);
    new TqdzReportPage(&r);
    r.ScriptText()->SetText(QStringLiteral("x"));
    r.SetScriptLanguage(QStringLiteral("BasicScript"));
    r.SysVariables()->Clear();
    r.SetDotMatrixReport(true);
    r.Variables()->SetVariables(QStringLiteral("A"), Variant(1));
    r.Clear();
    EXPECT_EQ(r.GetPagesCount(), 0);
    EXPECT_EQ(Lines(r.ScriptText()), (QStringList{"begin", "", "end."}));
    EXPECT_EQ(r.ScriptLanguage(), QStringLiteral("PascalScript"));
    EXPECT_EQ(r.SysVariables()->Count(), 9);
    EXPECT_FALSE(r.DotMatrixReport());
    EXPECT_EQ(r.Variables()->Count(), 0);
}

TEST_F(Report, EngineBaseKeepsItsFieldsAndStopsTheReport)
{
    TqdzReport r(nullptr);
    TqdzCustomEngine *e = r.Engine();
    e->SetPageHeight(1000.5);
    EXPECT_DOUBLE_EQ(e->GetPageHeight(), 1000.5);
    EXPECT_DOUBLE_EQ(e->PageHeight(), 1000.5);
    EXPECT_FALSE(e->DoublePass());
    r.EngineOptions()->SetDoublePass(true);
    EXPECT_TRUE(e->DoublePass());
    EXPECT_FALSE(r.Terminated());
    e->StopReport();
    EXPECT_TRUE(r.Terminated());
    // Published for scripts, in declaration order.
    QStringList names;
    for (PPropInfo p : e->ClassType()->Properties())
        names.append(p->Name());
    EXPECT_EQ(names, (QStringList{"CurColumn", "CurVColumn", "CurX", "CurY", "DoublePass", "FinalPass",
                                  "PageHeight", "PageWidth", "StartDate", "StartTime", "TotalPages",
                                  "SecondScriptCall"}));
}

TEST(ReportWithoutBuildLayer, BuildingFailsWithAnErrorInsteadOfCrashing)
{
    TScopedDialogHook hook([](TDialogRequest &) { return 1; });
    TqdzReport r(nullptr);
    EXPECT_EQ(r.Engine(), nullptr);
    EXPECT_EQ(r.PreviewPages(), nullptr);
    EXPECT_FALSE(r.BuildReport());
    EXPECT_EQ(Lines(r.Errors()), QStringList{"The report engine is not installed"});
    EXPECT_FALSE(r.PrintReport());
    r.ShowReport();
    r.ShowBuiltReport();
    Variant v;
    EXPECT_TRUE(r.DoGetValue(QStringLiteral("Page#"), v));
    EXPECT_EQ(v.AsInteger(), 0);
    // Installed later, the factories serve the existing report too.
    TStandInBuild build;
    new TqdzReportPage(&r);
    EXPECT_TRUE(r.BuildReport());
}

// ------------------------------------------------------------- load and save

TEST_F(Report, LoadingAMissingFileLeavesAnEmptyReport)
{
    TqdzReport r(nullptr);
    new TqdzReportPage(&r);
    r.SetFileName(QStringLiteral("old.qd3"));
    r.ScriptText()->SetText(QStringLiteral("begin x; end."));
    EXPECT_FALSE(r.LoadFromFile(QStringLiteral("/nonexistent/p01.qd3")));
    EXPECT_EQ(r.GetPagesCount(), 0);
    EXPECT_EQ(r.FileName(), QString());
    EXPECT_EQ(Lines(r.ScriptText()), (QStringList{"begin", "", "end."}));
    EXPECT_EQ(r.ScriptLanguage(), QStringLiteral("PascalScript"));
    EXPECT_THROW(r.LoadFromFile(QStringLiteral("/nonexistent/p01.qd3"), true), EFOpenError);
}

TEST_F(Report, TemplateVersionIsIgnoredAndADataPageIsAdded)
{
    TqdzReport r(nullptr);
    LoadText(&r, "<?xml version=\"1.0\" encoding=\"utf-8\"?><TqdzReport Version=\"1.0\">"
                 "<TqdzReportPage Name=\"Page1\"><TqdzUserDataSet Name=\"U1\" UserName=\"U1\"/></TqdzReportPage>"
                 "</TqdzReport>");
    EXPECT_EQ(r.Version(), QStringLiteral("4.9.32"));
    ASSERT_EQ(r.GetPagesCount(), 2);
    auto *data = dynamic_cast<TqdzDataPage *>(r.FindObject(QStringLiteral("Data")));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(r.FindObject(QStringLiteral("U1"))->Parent(), data);
    EXPECT_EQ(r.SysVariables()->Count(), 9);
}

TEST_F(Report, OptionAttributesRoundTripThroughATemplate)
{
    TqdzReport a(nullptr);
    a.EngineOptions()->SetDoublePass(true);
    a.EngineOptions()->SetConvertNulls(false);
    a.EngineOptions()->SetIgnoreDevByZero(true);
    a.PrintOptions()->SetShowDialog(false);
    a.PrintOptions()->SetCopies(3);
    a.PreviewOptions()->SetOutlineVisible(true);
    a.PreviewOptions()->SetPagesInCache(7);
    a.ReportOptions()->SetName(QStringLiteral("Delivery note"));
    a.ScriptLanguage();
    a.SetScriptLanguage(QStringLiteral("BasicScript"));
    a.ScriptText()->SetText(QStringLiteral("x = 1"));
    a.SetOnStartReport(QStringLiteral("Start"));
    const QByteArray text = SaveText(&a);
    for (const char *attr : {"EngineOptions.DoublePass=\"True\"", "EngineOptions.ConvertNulls=\"False\"",
                             "PrintOptions.ShowDialog=\"False\"", "PrintOptions.Copies=\"3\"",
                             "PreviewOptions.OutlineVisible=\"True\"", "ReportOptions.Name=\"Delivery note\"",
                             "ScriptLanguage=\"BasicScript\"", "Version=\"4.9.32\"", "OnStartReport=\"Start\""})
        EXPECT_NE(text.indexOf(attr), -1) << attr;
    // Events of the host are never written.
    EXPECT_EQ(text.indexOf("OnBeginDoc"), -1);

    TqdzReport b(nullptr);
    LoadText(&b, text);
    EXPECT_TRUE(b.EngineOptions()->DoublePass());
    EXPECT_FALSE(b.EngineOptions()->ConvertNulls());
    EXPECT_TRUE(b.EngineOptions()->IgnoreDevByZero());
    EXPECT_FALSE(b.PrintOptions()->ShowDialog());
    EXPECT_EQ(b.PrintOptions()->Copies(), 3);
    EXPECT_TRUE(b.PreviewOptions()->OutlineVisible());
    EXPECT_EQ(b.PreviewOptions()->PagesInCache(), 7);
    EXPECT_EQ(b.ReportOptions()->Name(), QStringLiteral("Delivery note"));
    EXPECT_EQ(b.ScriptLanguage(), QStringLiteral("BasicScript"));
    EXPECT_EQ(Lines(b.ScriptText()), QStringList{"x = 1"});
    EXPECT_EQ(b.OnStartReport(), QStringLiteral("Start"));
}

TEST_F(Report, LoadingKeepsTheApplicationsEngineAndPreviewOptions)
{
    TqdzReport r(nullptr);
    r.EngineOptions()->SetMaxMemSize(99);
    r.EngineOptions()->SetNewSilentMode(simSilent);
    r.EngineOptions()->SetTempDir(QStringLiteral("/tmp/x"));
    r.PreviewOptions()->SetZoom(2);
    r.SetShowProgress(false);
    r.SetOldStyleProgress(true);
    LoadText(&r, "<?xml version=\"1.0\" encoding=\"utf-8\"?><TqdzReport EngineOptions.MaxMemSize=\"5\" "
                 "EngineOptions.TempDir=\"/t\" EngineOptions.DoublePass=\"True\" EngineOptions.ConvertNulls=\"False\" "
                 "EngineOptions.IgnoreDevByZero=\"True\" PreviewOptions.Zoom=\"0.5\" "
                 "PreviewOptions.OutlineWidth=\"200\" ShowProgress=\"True\" OldStyleProgress=\"False\"/>");
    EXPECT_EQ(r.EngineOptions()->MaxMemSize(), 99);
    EXPECT_EQ(r.EngineOptions()->NewSilentMode(), simSilent);
    EXPECT_EQ(r.EngineOptions()->TempDir(), QStringLiteral("/tmp/x"));
    EXPECT_TRUE(r.EngineOptions()->DoublePass());
    EXPECT_FALSE(r.EngineOptions()->ConvertNulls());
    EXPECT_TRUE(r.EngineOptions()->IgnoreDevByZero());
    EXPECT_DOUBLE_EQ(r.PreviewOptions()->Zoom(), 2);
    EXPECT_EQ(r.PreviewOptions()->OutlineWidth(), 200);
    EXPECT_FALSE(r.ShowProgress());
    EXPECT_TRUE(r.OldStyleProgress());
}

TEST_F(Report, LoadErrorsAreShownOnceAfterTheirHeading)
{
    TqdzReport r(nullptr);
    LoadText(&r, "<?xml version=\"1.0\" encoding=\"utf-8\"?><TqdzReport><TqdzNoSuchView Name=\"X\"/></TqdzReport>");
    ASSERT_GT(r.Errors()->Count(), 0);
    ASSERT_EQ(Build.Shown.size(), 1);
    EXPECT_TRUE(Build.Shown.at(0).startsWith(QStringLiteral("The following error(s) have occured:\n")));
    // Silent reports show nothing.
    r.EngineOptions()->SetNewSilentMode(simSilent);
    LoadText(&r, "<?xml version=\"1.0\" encoding=\"utf-8\"?><TqdzReport><TqdzNoSuchView Name=\"X\"/></TqdzReport>");
    EXPECT_EQ(Build.Shown.size(), 1);
}

TEST_F(Report, APasswordMustBeAnsweredOrTheReportIsCleared)
{
    static QString Answer;
    TqdzBuildFactories f = qdzBuildFactories();
    f.PasswordPrompt = [](QString &P) {
        P = Answer;
        return true;
    };
    qdzInstallBuildFactories(f);
    const QByteArray text = "<?xml version=\"1.0\" encoding=\"utf-8\"?><TqdzReport ReportOptions.Password=\"pw\">"
                            "<TqdzReportPage Name=\"Page1\"/></TqdzReport>";
    TqdzReport r(nullptr);
    Answer = QStringLiteral("wrong");
    LoadText(&r, text);
    // Cleared, it keeps the data page every loaded report has.
    ASSERT_EQ(r.GetPagesCount(), 1);
    EXPECT_TRUE(dynamic_cast<TqdzDataPage *>(r.GetPages(0)));
    EXPECT_EQ(r.ReportOptions()->Password(), QString());
    Answer = QStringLiteral("pw");
    LoadText(&r, text);
    EXPECT_GE(r.GetPagesCount(), 1);
    EXPECT_EQ(r.ReportOptions()->Password(), QStringLiteral("pw"));
}

// What a report saves loads back to the same report: an empty script
// language, a password no prompt answered.
TEST_F(Report, SavedTemplatesLoadBackTheSame)
{
    const char *const Templates[] = {
        "<TqdzReport ScriptLanguage=\"\"><TqdzReportPage Name=\"Page1\"/></TqdzReport>",
        "<TqdzReport ReportOptions.Password=\"pw\"><TqdzReportPage Name=\"Page1\"/></TqdzReport>",
    };
    for (const char *Template : Templates) {
        SCOPED_TRACE(Template);
        TqdzReport a(nullptr);
        LoadText(&a, QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\"?>") + Template);
        const QByteArray first = SaveText(&a);
        TqdzReport b(nullptr);
        LoadText(&b, first);
        EXPECT_EQ(SaveText(&b), first);
        EXPECT_EQ(b.ScriptLanguage(), a.ScriptLanguage());
        EXPECT_EQ(b.GetPagesCount(), a.GetPagesCount());
    }
}

// Character references in a template's script, hexadecimal as XML writes them
// too; one that is no character is an error, never a script silently lost.
TEST_F(Report, ScriptCharacterReferencesLoadOrSayWhyNot)
{
    struct Case { const char *Script, *Lines, *Error; } Cases[] = {
        {"s := &#x27;a&#X27;;&#xa;&#39;&#x3b;", "s := 'a';|';", ""},
        {"s := &#xZZ;", "begin||end.", "TqdzReport.ScriptText.Text: 'xZZ' is not a valid integer value"},
        {"s := &#x;", "begin||end.", "TqdzReport.ScriptText.Text: 'x' is not a valid integer value"},
        {"&#x110000;", "begin||end.", "TqdzReport.ScriptText.Text: 'x110000' is not a valid character code"},
        {"&#xD800;", "begin||end.", "TqdzReport.ScriptText.Text: 'xD800' is not a valid character code"},
        {"a &#x27 b; c", "begin||end.", "TqdzReport.ScriptText.Text: 'x27 b' is not a valid integer value"},
        {"a &#x27", "a &#x27", ""},   // no ';' after it anywhere: no reference
    };
    for (const Case &C : Cases) {
        SCOPED_TRACE(C.Script);
        TqdzReport r(nullptr);
        r.EngineOptions()->SetNewSilentMode(simSilent);
        LoadText(&r, QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\"?><TqdzReport ScriptText.Text=\"")
                         + C.Script + "\"/>");
        EXPECT_EQ(Lines(r.ScriptText()).join('|').toStdString(), C.Lines);
        EXPECT_EQ(Lines(r.Errors()).join('|').toStdString(), C.Error);
        // What loaded saves and loads back the same.
        TqdzReport b(nullptr);
        LoadText(&b, SaveText(&r));
        EXPECT_EQ(Lines(b.ScriptText()), Lines(r.ScriptText()));
        EXPECT_EQ(b.Errors()->Count(), 0);
    }
}

// ---------------------------------------------------------------- ancestors

class Ancestors : public Report
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        WriteFile(Dir.filePath("base.qd3"),
                  "<?xml version=\"1.0\" encoding=\"utf-8\"?><TqdzReport><TqdzReportPage Name=\"Page1\">"
                  "<TqdzMasterData Name=\"MasterData1\" Height=\"20\"/></TqdzReportPage></TqdzReport>");
        ASSERT_TRUE(QDir(Dir.path()).mkdir("sub"));
    }
    QString Path(const char *Name) const { return Dir.filePath(QString::fromLatin1(Name)); }
    QTemporaryDir Dir;
};

TEST_F(Ancestors, ARelativeParentWithBackslashesLoadsTheBaseAndSavesOnlyDifferences)
{
    WriteFile(Path("sub/child.qd3"),
              "<?xml version=\"1.0\" encoding=\"utf-8\"?><TqdzReport ParentReport=\"..\\base.qd3\">"
              "<inherited Name=\"Page1\"><inherited Name=\"MasterData1\" Height=\"30\"/>"
              "<TqdzHeader Name=\"Header1\"/></inherited></TqdzReport>");
    TqdzReport r(nullptr);
    ASSERT_TRUE(r.LoadFromFile(Path("sub/child.qd3")));
    EXPECT_TRUE(r.Errors()->Count() == 0) << Lines(r.Errors()).join('\n').toStdString();
    EXPECT_EQ(r.ParentReport(), QStringLiteral("..\\base.qd3"));
    EXPECT_EQ(r.FileName(), Path("sub/child.qd3"));
    ASSERT_NE(r.ParentReportObject(), nullptr);
    auto *band = dynamic_cast<TqdzBand *>(r.FindObject(QStringLiteral("MasterData1")));
    ASSERT_NE(band, nullptr);
    EXPECT_DOUBLE_EQ(band->Height(), 30);
    EXPECT_TRUE(band->IsAncestor());
    ASSERT_NE(r.FindObject(QStringLiteral("Header1")), nullptr);
    EXPECT_FALSE(r.FindObject(QStringLiteral("Header1"))->IsAncestor());

    const QByteArray saved = SaveText(&r);
    EXPECT_NE(saved.indexOf("<inherited Name=\"MasterData1\""), -1) << saved.toStdString();
    EXPECT_NE(saved.indexOf("<TqdzHeader Name=\"Header1\""), -1);
}

TEST_F(Ancestors, AnAbsoluteParentIsSavedRelativeToTheNewFile)
{
    TqdzReport r(nullptr);
    WriteFile(Path("sub/abs.qd3"), "<?xml version=\"1.0\" encoding=\"utf-8\"?><TqdzReport ParentReport=\""
                                       + Path("base.qd3").toUtf8() + "\"/>");
    ASSERT_TRUE(r.LoadFromFile(Path("sub/abs.qd3")));
    ASSERT_NE(r.FindObject(QStringLiteral("MasterData1")), nullptr);
    r.SaveToFile(Path("sub/copy.qd3"));
    QFile f(Path("sub/copy.qd3"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_NE(text.indexOf("ParentReport=\"../base.qd3\""), -1) << text.toStdString();
    // The report keeps the name it had.
    EXPECT_EQ(r.ParentReport(), Path("base.qd3"));
}

TEST_F(Ancestors, DriveLetterPathsAreAbsoluteAndKeptWhenSaved)
{
    // A drive letter is not looked for beside the template; there is no such
    // file here, and the template still loads.
    WriteFile(Path("drive.qd3"), "<?xml version=\"1.0\" encoding=\"utf-8\"?><TqdzReport ParentReport=\"C:\\base.qd3\">"
                                 "<TqdzReportPage Name=\"Page9\"/></TqdzReport>");
    TqdzReport r(nullptr);
    ASSERT_TRUE(r.LoadFromFile(Path("drive.qd3")));
    EXPECT_EQ(r.ParentReport(), QStringLiteral("C:\\base.qd3"));
    EXPECT_NE(r.FindObject(QStringLiteral("Page9")), nullptr);
    r.SaveToFile(Path("drive2.qd3"));
    QFile f(Path("drive2.qd3"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_NE(f.readAll().indexOf("ParentReport=\"C:\\base.qd3\""), -1);
}

TEST_F(Ancestors, ATemplateNamingItselfOrALoopStopsWithAnError)
{
    WriteFile(Path("self.qd3"), "<?xml version=\"1.0\" encoding=\"utf-8\"?><TqdzReport ParentReport=\"self.qd3\">"
                                "<TqdzReportPage Name=\"Page1\"/></TqdzReport>");
    WriteFile(Path("a.qd3"), "<?xml version=\"1.0\" encoding=\"utf-8\"?><TqdzReport ParentReport=\"b.qd3\"/>");
    WriteFile(Path("b.qd3"), "<?xml version=\"1.0\" encoding=\"utf-8\"?><TqdzReport ParentReport=\"a.qd3\"/>");
    for (const char *name : {"self.qd3", "a.qd3"}) {
        TqdzReport r(nullptr);
        EXPECT_TRUE(r.LoadFromFile(Path(name)));
        bool found = false;
        for (const QString &e : Lines(r.Errors()))
            found = found || e.startsWith(QStringLiteral("Cannot load ancestor report"));
        EXPECT_TRUE(found) << name;
    }
}

// The host loads ancestors itself when it answers OnLoadTemplate.
struct TTemplateLoader
{
    QStringList Asked;
    void Load(TqdzReport *Report, const QString &Name)
    {
        Asked.append(Name);
        auto *page = new TqdzReportPage(Report);
        page->SetName(QStringLiteral("FromHost"));
    }
};

TEST_F(Ancestors, TheHostMayLoadTheAncestor)
{
    TTemplateLoader loader;
    TqdzReport r(nullptr);
    r.SetOnLoadTemplate(TqdzLoadTemplateEvent(&loader, &TTemplateLoader::Load));
    LoadText(&r, "<?xml version=\"1.0\" encoding=\"utf-8\"?><TqdzReport ParentReport=\"db\\base.qd3\">"
                 "<TqdzReportPage Name=\"Own\"/></TqdzReport>");
    EXPECT_EQ(loader.Asked, QStringList{"db\\base.qd3"});
    ASSERT_NE(r.FindObject(QStringLiteral("FromHost")), nullptr);
    EXPECT_TRUE(r.FindObject(QStringLiteral("FromHost"))->IsAncestor());
    EXPECT_FALSE(r.FindObject(QStringLiteral("Own"))->IsAncestor());
    ASSERT_NE(r.ParentReportObject(), nullptr);
    EXPECT_NE(r.ParentReportObject()->FindObject(QStringLiteral("FromHost")), nullptr);
}

TEST_F(Ancestors, AChainDeeperThanSixteenStops)
{
    for (int i = 0; i < 20; ++i)
        WriteFile(Path(QStringLiteral("d%1.qd3").arg(i).toLatin1().constData()),
                  QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?><TqdzReport ParentReport=\"d%1.qd3\"/>")
                      .arg(i + 1)
                      .toUtf8());
    WriteFile(Path("d20.qd3"), "<?xml version=\"1.0\" encoding=\"utf-8\"?><TqdzReport/>");
    TqdzReport r(nullptr);
    EXPECT_TRUE(r.LoadFromFile(Path("d0.qd3")));
    bool found = false;
    for (const QString &e : Lines(r.Errors()))
        found = found || e.contains(QStringLiteral("deeper than 16 levels"));
    EXPECT_TRUE(found);
}

} // namespace
