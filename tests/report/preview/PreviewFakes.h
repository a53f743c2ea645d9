// A built-page store, outline and engine standing in for the real ones in
// the preview tests: pages of given sizes holding texts at given places.
#pragma once
#include "platform/Graphics.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzClassEngine.h"

#include <QStringList>
#include <vector>

class TFakeOutline : public TqdzCustomOutline
{
public:
    using TqdzCustomOutline::TqdzCustomOutline;
    struct TItem {
        QString Text;
        int Page, Top;
    };
    int GetCount() override { return FLevel < 0 ? int(Items.size()) : 0; }
    void AddItem(const QString &Text, int Top) override { Items.push_back({Text, PreviewPages()->CurPage(), Top}); }
    void LevelDown(int Index) override { FLevel = Index; }
    void LevelRoot() override { FLevel = -1; }
    void LevelUp() override { FLevel = -1; }
    void GetItem(int Index, QString &Text, int &Page, int &Top) override
    {
        if (Index < 0 || Index >= int(Items.size()))
            return;
        Text = Items[size_t(Index)].Text;
        Page = Items[size_t(Index)].Page;
        Top = Items[size_t(Index)].Top;
    }
    void ShiftItems(TqdzXMLItem *, int) override {}
    TqdzXMLItem *GetLastItem() override { return nullptr; }
    std::vector<TItem> Items;

private:
    int FLevel = -1;
};

class TFakePages : public TqdzCustomPreviewPages
{
public:
    struct TText {
        int X, Y;
        QString Text;
    };
    struct TPage {
        int Width = 794, Height = 1123;
        std::vector<TText> Texts;
        // A hyperlink: a rectangle that shows the hand cursor.
        TRect Link{0, 0, 0, 0};
    };
    explicit TFakePages(TqdzReport *R) : TqdzCustomPreviewPages(R) {}

    int GetCount() override { return int(Pages.size()); }
    TqdzReportPage *GetPage(int) override { return nullptr; }
    TPoint GetPageSize(int Index) override
    {
        if (Index < 0 || Index >= GetCount())
            return TPoint{0, 0};
        return TPoint{Pages[size_t(Index)].Width, Pages[size_t(Index)].Height};
    }
    void Clear() override
    {
        Pages.clear();
        SetCurPage(-1);
    }
    void Initialize() override {}
    void AddObject(TqdzComponent *) override {}
    void AddPage(TqdzReportPage *) override
    {
        Pages.push_back(TPage());
        SetCurPage(GetCount() - 1);
    }
    void AddSourcePage(TqdzReportPage *) override {}
    void AddToSourcePage(TqdzComponent *) override {}
    void BeginPass() override {}
    void ClearFirstPassPages() override {}
    void CutObjects(int) override {}
    void Finish() override {}
    void IncLogicalPageNumber() override {}
    void ResetLogicalPageNumber() override {}
    void PasteObjects(double, double) override {}
    void ShiftAnchors(int, int) override {}
    void AddPicture(TqdzPictureView *) override {}
    bool BandExists(TqdzBand *) override { return false; }
    int GetCurPosition() override { return 0; }
    int GetAnchorCurPosition() override { return -1; }
    double GetLastY(double) override { return 0; }
    int GetLogicalPageNo() override { return CurPage() + 1; }
    int GetLogicalTotalPages() override { return GetCount(); }
    void AddEmptyPage(int Index) override
    {
        Index = std::clamp(Index, 0, GetCount());
        Pages.insert(Pages.begin() + Index, TPage());
    }
    void DeletePage(int Index) override
    {
        if (Index >= 0 && Index < GetCount())
            Pages.erase(Pages.begin() + Index);
    }
    void ModifyPage(int, TqdzReportPage *) override {}
    void DrawPage(int Index, TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override
    {
        ++Draws;
        if (Index < 0 || Index >= GetCount())
            return;
        const TPage &p = Pages[size_t(Index)];
        Canvas->Font()->SetName("Arial");
        Canvas->Font()->SetHeight(-std::max(1, int(13 * ScaleY)));
        Canvas->Font()->SetColor(clBlack);
        Canvas->Brush()->SetStyle(bsClear);
        if (p.Link.Right > p.Link.Left) {
            Canvas->Pen()->SetColor(clBlue);
            Canvas->Rectangle(int(OffsetX + p.Link.Left * ScaleX), int(OffsetY + p.Link.Top * ScaleY),
                              int(OffsetX + p.Link.Right * ScaleX), int(OffsetY + p.Link.Bottom * ScaleY));
        }
        for (const TText &t : p.Texts)
            Canvas->TextOut(int(OffsetX + t.X * ScaleX), int(OffsetY + t.Y * ScaleY), t.Text);
    }
    // X, Y on the device where the page is drawn at Scale from OffsetX, OffsetY.
    void ObjectAtPoint(int Index, int DX, int DY, bool Click, TCursor &Cursor, double Scale, double OffsetX,
                       double OffsetY, TMouseButton, TShiftState, bool DblClick) override
    {
        if (Index < 0 || Index >= GetCount() || Scale <= 0)
            return;
        const int X = int((DX - OffsetX) / Scale), Y = int((DY - OffsetY) / Scale);
        const TRect &l = Pages[size_t(Index)].Link;
        if (X >= l.Left && X < l.Right && Y >= l.Top && Y < l.Bottom) {
            Cursor = crHandPoint;
            if (Click)
                Clicks.append(QString("%1:%2,%3%4").arg(Index).arg(X).arg(Y).arg(DblClick ? " dbl" : ""));
        }
    }
    void AddPagesFrom(TqdzReport *) override {}
    void LoadFromStream(TStream *, bool) override {}
    void SaveToStream(TStream *) override {}
    bool LoadFromFile(const QString &FileName, bool) override
    {
        Loaded.append(FileName);
        Pages.assign(3, TPage());
        return true;
    }
    void SaveToFile(const QString &FileName) override { Saved.append(FileName); }
    bool Print() override
    {
        PrintedFrom.append(CurPage());
        return true;
    }
    void Export(TqdzCustomExportFilter *Filter) override { Exported.push_back(Filter); }
    void AddAnchor(const QString &) override {}
    int GetAnchorPage(const QString &) override { return 1; }

    std::vector<TPage> Pages;
    int Draws = 0;
    QStringList Clicks, Loaded, Saved;
    QList<int> PrintedFrom;
    std::vector<TqdzCustomExportFilter *> Exported;
};

// An engine whose Run adds PagesToBuild pages, telling the report's progress
// after each, with the final-pass flag set.
class TFakeEngine : public TqdzCustomEngine
{
public:
    using TqdzCustomEngine::TqdzCustomEngine;
    void EndPage() override {}
    void NewColumn() override {}
    void NewPage() override {}
    void ShowBand(TqdzBand *) override {}
    void ShowBandByClass(TClass) override {}
    double HeaderHeight() override { return 0; }
    double FooterHeight() override { return 0; }
    double FreeSpace() override { return 0; }
    Variant GetAggregateValue(const QString &, const QString &, TqdzBand *, int) override { return Variant(); }
    bool Run() override;
    int PagesToBuild = 0;
    // Called after each page is added, with its number.
    std::function<void(int)> OnPage;
};

// Installs the fakes for the life of the object.
class TFakeBuild
{
public:
    TFakeBuild();
    ~TFakeBuild();
    TFakeBuild(const TFakeBuild &) = delete;
    TFakeBuild &operator=(const TFakeBuild &) = delete;

private:
    TqdzBuildFactories FSaved;
};

inline TFakePages *FakePages(TqdzReport *R)
{
    return static_cast<TFakePages *>(R->PreviewPages());
}
