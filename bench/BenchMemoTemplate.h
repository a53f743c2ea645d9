// A template of N memos on pages of 100 each, for the benches that build by object count.
#pragma once
#include "report/model/qdzClass.h"
#include "report/model/qdzClassViews.h"
#include <QString>
#include <algorithm>

inline void AddMemoPages(TqdzReport *Report, int Objects)
{
    for (int p = 0; p * 100 < Objects; ++p) {
        auto *Page = new TqdzReportPage(Report);
        Page->SetName(QStringLiteral("Page%1").arg(p + 1));
        Page->SetPaperWidth(210);
        Page->SetPaperHeight(297);
        auto *Title = new TqdzReportTitle(Page);
        Title->SetName(QStringLiteral("ReportTitle%1").arg(p + 1));
        Title->SetBounds(0, 0, 700, 1000);
        for (int i = p * 100; i < std::min(Objects, (p + 1) * 100); ++i) {
            auto *M = new TqdzMemoView(Title);
            M->SetName(QStringLiteral("Memo%1").arg(i + 1));
            M->SetBounds((i % 4) * 170, (i % 100 / 4) * 20, 160, 18);
            M->SetText(QStringLiteral("Text %1").arg(i + 1));
        }
    }
}
