// Hit tests on built pages: topmost object, hyperlinks, page and anchor links, clicks, drill-down.
#include "StoreFixture.h"

#include "report/model/qdzVariables.h"
#include "report/model/qdzXML.h"

#include <gtest/gtest.h>

namespace {

QStringList GOpened;
bool RecordOpen(const QString &Url)
{
    GOpened << Url;
    return true;
}

struct TClickRecorder {
    QStringList Clicked;
    bool Modify = false;
    void OnClick(TqdzView *Sender, TMouseButton, TShiftState, bool &Modified)
    {
        Clicked << Sender->Name();
        if (Modify) {
            Sender->SetTag(99);
            Modified = true;
        }
    }
};

} // namespace

TEST(Hyperlinks, OnlyWebAndMailAddressesAreOpened)
{
    GOpened.clear();
    qdzUrlOpener() = &RecordOpen;
    const char *good[] = {"http://example.com/a?b=1", "https://example.com", "mailto:sales@example.com",
                          "HTTPS://EXAMPLE.COM/x"};
    const char *bad[] = {"file:///etc/passwd", "/bin/sh", "calc.exe", "javascript:alert(1)", "ftp://host/x",
                         "", "http://", "smb://server/share", "C:\\Windows\\notepad.exe"};
    for (const char *u : good)
        EXPECT_TRUE(qdzOpenHyperlink(QString::fromLatin1(u))) << u;
    for (const char *u : bad)
        EXPECT_FALSE(qdzOpenHyperlink(QString::fromLatin1(u))) << u;
    EXPECT_EQ(GOpened.size(), 4);
    qdzUrlOpener() = nullptr;
}

TEST(ObjectAtPoint, TopmostObjectLinksAndClicks)
{
    GOpened.clear();
    qdzUrlOpener() = &RecordOpen;
    TStoreReport r;
    // View2 over View1.
    r.View2->SetBounds(50, 5, 100, 20);
    r.View1->SetURL(QStringLiteral("https://example.com/one"));
    r.View2->SetURL(QStringLiteral("file:///etc/passwd"));
    r.Build({1});
    r.Store->Finish();
    TClickRecorder rec;
    r.Report.SetOnClickObject(TqdzPreviewClickEvent(&rec, &TClickRecorder::OnClick));
    // Page margins are 10 mm: objects start at 37.8 px; band at top 20.
    const double m = 10 * qdzPixelsPerMM;
    auto at = [&](double x, double y, bool click) {
        TCursor c = crDefault;
        r.Store->ObjectAtPoint(0, int(m + x), int(m + y), click, c, 1, 0, 0, mbLeft, TShiftState());
        return c;
    };
    EXPECT_EQ(at(60, 30, false), crHandPoint);
    EXPECT_TRUE(rec.Clicked.isEmpty());
    at(60, 30, true); // View2 wins: its link is no web address
    EXPECT_EQ(rec.Clicked, QStringList{QStringLiteral("View2")});
    EXPECT_TRUE(GOpened.isEmpty());
    at(20, 30, true);
    EXPECT_EQ(GOpened, QStringList{QStringLiteral("https://example.com/one")});
    EXPECT_EQ(at(500, 500, false), crDefault);

    // A click that modifies the object writes the page back whole.
    rec.Modify = true;
    at(20, 30, true);
    EXPECT_EQ(r.Store->XMLDocument()->Root()->FindItem("previewpages")->GetItems(0)->Name(), "TqdzReportPage");
    EXPECT_EQ(r.Store->GetPage(0)->FindObject(QStringLiteral("View1"))->Tag(), 99);

    // Nothing while the engine runs, or for pages that do not exist.
    rec.Clicked.clear();
    r.Engine.SetRunning(true);
    at(20, 30, true);
    r.Engine.SetRunning(false);
    TCursor c = crDefault;
    r.Store->ObjectAtPoint(5, 0, 0, true, c, 1, 0, 0, mbLeft, TShiftState());
    EXPECT_TRUE(rec.Clicked.isEmpty());
    qdzUrlOpener() = nullptr;
}

TEST(ObjectAtPoint, DrillDownTogglesTheGroup)
{
    TStoreReport r;
    auto *group = new TqdzGroupHeader(r.Page);
    group->SetName(QStringLiteral("GroupHeader1"));
    group->SetBounds(0, 200, 718, 30);
    group->SetDrillDown(true);
    group->SetDrillName(QStringLiteral("g1"));
    r.Build({1});
    r.Store->AddObject(group);
    const double m = 10 * qdzPixelsPerMM;
    TCursor c = crDefault;
    r.Store->ObjectAtPoint(0, int(m + 5), int(m + 210), false, c, 1, 0, 0, mbLeft, TShiftState());
    EXPECT_EQ(c, crHandPoint);
    EXPECT_EQ(r.Report.DrillState()->Count(), 0);
    r.Store->ObjectAtPoint(0, int(m + 5), int(m + 210), true, c, 1, 0, 0, mbLeft, TShiftState());
    EXPECT_EQ(r.Report.DrillState()->IndexOf(QStringLiteral("g1")), 0);
    r.Store->ObjectAtPoint(0, int(m + 5), int(m + 210), true, c, 1, 0, 0, mbLeft, TShiftState());
    EXPECT_EQ(r.Report.DrillState()->Count(), 0);
}

// A preview that only remembers where it was sent and carries the report-hints switch.
class TLinkPreview : public TqdzCustomPreview
{
    STATION_CLASS(TLinkPreview, TqdzCustomPreview)
public:
    explicit TLinkPreview(TComponent *AOwner) : TqdzCustomPreview(AOwner) {}
    void Init() override {}
    void Lock() override {}
    void Unlock() override {}
    void RefreshReport() override {}
    void ProgressStart(TqdzReport *, TqdzProgressType, int) override {}
    void ProgressStep(TqdzReport *, TqdzProgressType, int) override {}
    void ProgressStop(TqdzReport *, TqdzProgressType, int) override {}
    bool UseReportHints() const { return FUseReportHints; }
    void SetUseReportHints(bool Value) { FUseReportHints = Value; }
    QStringList Visits;

private:
    bool FUseReportHints = false;
};

STATION_PUBLISHED(TLinkPreview)
{
    P.Prop("UseReportHints", &TLinkPreview::UseReportHints, &TLinkPreview::SetUseReportHints);
}

namespace {

void RecordGoTo(TqdzCustomPreview *Preview, int Page, int Top)
{
    static_cast<TLinkPreview *>(Preview)->Visits << QStringLiteral("%1:%2").arg(Page).arg(Top);
}

} // namespace

TEST(ObjectAtPoint, PageAndAnchorLinksAndReportHints)
{
    TStoreReport r;
    TLinkPreview preview(nullptr);
    r.Report.SetPreview(&preview);
    qdzPreviewGoTo() = &RecordGoTo;
    r.View1->SetHint(QStringLiteral("first view"));
    r.View1->SetShowHint(true);
    r.View2->SetShowHint(true);
    // Three pages, the anchor "Total" on the third at 40, "start" on the first at 7.
    auto make = [&](const QString &Url) {
        r.View1->SetURL(Url);
        r.Build({1, 2, 3});
        r.Engine.SetCurY(40.5); // rounds to 40
        r.Store->AddAnchor(QStringLiteral("Total"));
        r.Store->SetCurPage(0);
        r.Engine.SetCurY(7);
        r.Store->AddAnchor(QStringLiteral("start"));
        r.Store->Finish();
    };
    const double m = 10 * qdzPixelsPerMM;
    auto at = [&](double x, double y, bool click) {
        TCursor c = crDefault;
        r.Store->ObjectAtPoint(0, int(m + x), int(m + y), click, c, 1, 0, 0, mbLeft, TShiftState());
    };
    make(QString());
    // Hints only when the preview takes the report's hints.
    at(20, 30, false);
    EXPECT_EQ(preview.Hint(), QString());
    preview.SetUseReportHints(true);
    at(20, 30, false);
    EXPECT_EQ(preview.Hint(), QStringLiteral("first view"));
    EXPECT_TRUE(preview.ShowHint());
    at(500, 500, false); // away from every view: the hint goes
    EXPECT_EQ(preview.Hint(), QString());

    struct Case {
        const char *Url;
        QStringList Visits;
    } cases[] = {
        {"@3", {"3:0"}},
        {"#TOTAL", {"3:40"}}, // anchors match ignoring case
        {"#start", {"1:7"}},
        {"#none", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Url);
        preview.Visits.clear();
        make(QString::fromLatin1(c.Url));
        at(20, 30, true);
        EXPECT_EQ(preview.Visits, c.Visits);
    }
    qdzPreviewGoTo() = nullptr;
    r.Report.SetPreview(nullptr);
}
