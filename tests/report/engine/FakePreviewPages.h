// A small built-page store for the engine tests, used while no real store
// is installed: every built band is kept as a copy on a page object, so the
// tests read pages back the same way from either store.
#pragma once
#include "report/model/qdzClass.h"
#include "report/model/qdzClassEngine.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

class FakePreviewPages : public TqdzCustomPreviewPages
{
public:
    explicit FakePreviewPages(TqdzReport *AReport) : TqdzCustomPreviewPages(AReport) {}

    int GetCount() override { return int(FPages.size()); }
    TqdzReportPage *GetPage(int Index) override
    {
        return Index >= 0 && Index < GetCount() ? FPages[Index].get() : nullptr;
    }
    TPoint GetPageSize(int) override { return TPoint{0, 0}; }
    void Clear() override
    {
        FPages.clear();
        SetCurPage(-1);
    }
    void Initialize() override { FAddPageAction = 1; }
    void AddObject(TqdzComponent *Obj) override
    {
        TqdzReportPage *P = GetPage(CurPage());
        if (!P || !Obj->Visible())
            return;
        auto *Copy = static_cast<TqdzComponent *>(Obj->ClassType()->Create(P));
        Copy->AssignAll(Obj);
        Copy->SetName(Obj->Name());
        // Hidden views are not part of a built band.
        TList *C = Copy->Objects();
        for (int i = C->Count() - 1; i >= 0; --i) {
            auto *V = static_cast<TqdzComponent *>(static_cast<TObject *>(C->Items(i)));
            if (!V->Visible())
                delete V;
        }
    }
    void AddPage(TqdzReportPage *Page) override
    {
        SetCurPage(CurPage() + 1);
        if (CurPage() < GetCount() && FAddPageAction != 1)
            return;
        auto P = std::make_unique<TqdzReportPage>(nullptr);
        P->SetName(Page ? Page->Name() : QString());
        FPages.push_back(std::move(P));
        FAddPageAction = 0;
        SetCurPage(GetCount() - 1);
    }
    void AddSourcePage(TqdzReportPage *) override {}
    void AddToSourcePage(TqdzComponent *) override {}
    void BeginPass() override { FPassFirstPage = GetCount() - 1; }
    void ClearFirstPassPages() override
    {
        FPages.resize(size_t(std::max(FPassFirstPage + 1, 0)));
        SetCurPage(FPassFirstPage);
    }
    void CutObjects(int FromIndex) override
    {
        TqdzReportPage *P = GetPage(CurPage());
        if (!P)
            return;
        TList *C = P->Objects();
        while (C->Count() > FromIndex && FromIndex >= 0) {
            auto *B = static_cast<TqdzComponent *>(static_cast<TObject *>(C->Items(FromIndex)));
            B->SetParent(FCut.get());
        }
    }
    void Finish() override {}
    void IncLogicalPageNumber() override {}
    void ResetLogicalPageNumber() override {}
    void PasteObjects(double X, double Y) override
    {
        TqdzReportPage *P = GetPage(CurPage());
        TList *C = FCut->Objects();
        if (!P || C->Count() == 0)
            return;
        auto *First = static_cast<TqdzComponent *>(static_cast<TObject *>(C->Items(0)));
        const double DX = X - First->Left(), DY = Y - First->Top();
        while (C->Count() > 0) {
            auto *B = static_cast<TqdzComponent *>(static_cast<TObject *>(C->Items(0)));
            B->SetLeft(B->Left() + DX);
            B->SetTop(B->Top() + DY);
            B->SetParent(P);
        }
    }
    void ShiftAnchors(int, int) override {}
    void AddPicture(TqdzPictureView *) override {}
    bool BandExists(TqdzBand *Band) override
    {
        TqdzReportPage *P = GetPage(CurPage());
        if (!P)
            return false;
        TList *C = P->Objects();
        for (int i = 0; i < C->Count(); ++i) {
            auto *B = static_cast<TqdzComponent *>(static_cast<TObject *>(C->Items(i)));
            if (B->Name() == Band->Name() ||
                (B->InheritsFrom(TqdzPageFooter::StaticClass()) && Band->InheritsFrom(TqdzPageFooter::StaticClass())) ||
                (B->InheritsFrom(TqdzColumnFooter::StaticClass()) &&
                 Band->InheritsFrom(TqdzColumnFooter::StaticClass())))
                return true;
        }
        return false;
    }
    int GetCurPosition() override
    {
        TqdzReportPage *P = GetPage(CurPage());
        return P ? P->Objects()->Count() : 0;
    }
    int GetAnchorCurPosition() override { return 0; }
    double GetLastY(double X = 0) override
    {
        TqdzReportPage *P = GetPage(CurPage());
        double R = 0;
        if (!P)
            return 0;
        TList *C = P->Objects();
        for (int i = 0; i < C->Count(); ++i) {
            auto *B = dynamic_cast<TqdzBand *>(static_cast<TObject *>(C->Items(i)));
            if (!B || B->InheritsFrom(TqdzPageFooter::StaticClass()) || B->InheritsFrom(TqdzOverlay::StaticClass()))
                continue;
            if (X == 0 || B->InheritsFrom(TqdzPageHeader::StaticClass()) ||
                B->InheritsFrom(TqdzReportTitle::StaticClass()) || std::abs(X - B->Left()) < 0.001)
                R = std::max(R, B->Top() + B->Height());
        }
        return R;
    }
    int GetLogicalPageNo() override { return CurPage() + 1; }
    int GetLogicalTotalPages() override { return GetCount(); }
    void AddEmptyPage(int) override {}
    void DeletePage(int) override {}
    void ModifyPage(int, TqdzReportPage *) override {}
    void DrawPage(int, TCanvas *, double, double, double, double) override {}
    void ObjectAtPoint(int, int, int, bool, TCursor &, double, double, double, TMouseButton, TShiftState,
                       bool) override
    {
    }
    void AddPagesFrom(TqdzReport *) override {}
    void LoadFromStream(TStream *, bool) override {}
    void SaveToStream(TStream *) override {}
    bool LoadFromFile(const QString &, bool) override { return false; }
    void SaveToFile(const QString &) override {}
    bool Print() override { return false; }
    void Export(TqdzCustomExportFilter *) override {}
    void AddAnchor(const QString &) override {}
    int GetAnchorPage(const QString &) override { return 1; }

    int FAddPageAction = 1;

private:
    std::vector<std::unique_ptr<TqdzReportPage>> FPages;
    std::unique_ptr<TqdzReportPage> FCut = std::make_unique<TqdzReportPage>(nullptr);
    int FPassFirstPage = -1;
};

// Installs the fake store when the build layer has none.
inline void InstallFakeStoreIfNone()
{
    if (qdzBuildFactories().CreatePreviewPages)
        return;
    TqdzBuildFactories F = qdzBuildFactories();
    F.CreatePreviewPages = [](TqdzReport *R) -> TqdzCustomPreviewPages * { return new FakePreviewPages(R); };
    qdzInstallBuildFactories(F);
}
