// Builds report templates in code for the engine tests and reads the built
// pages back: the memo texts of each page with their place.
#pragma once
#include "FakePreviewPages.h"
#include "platform/Classes.h"
#include "report/engine/qdzBuild.h"
#ifdef STATION_TEST_WINDOWS
#include "report/preview/qdzPreviewSetup.h"
#endif
#include "report/engine/qdzEngine.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzClassViews.h"
#include "report/model/qdzVariables.h"
#include "script/kw_irttiunits.h"

#include <QString>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

// Readable texts in test failures.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &S, std::ostream *Os)
{
    *Os << '"' << S.toStdString() << '"';
}
QT_END_NAMESPACE

// One memo of a built page: its band's name, its text and absolute place.
struct BuiltText
{
    QString Band;
    QString Text;
    double Left;
    double Top;
};

// Answers the report's value look-up and dataset events from functions.
class EngineHandlers : public TObject
{
public:
    std::function<Variant(const QString &)> Values;
    std::function<void()> OnNext;
    // Field values of user datasets, Null included.
    std::function<Variant(const QString &)> Fields;
    void FieldValue(const QString &Name, Variant &Value)
    {
        if (Fields)
            Value = Fields(Name);
    }
    void GetValue(const QString &Name, Variant &Value)
    {
        if (Values) {
            Variant V = Values(Name);
            if (!VarIsEmpty(V))
                Value = V;
        }
    }
    void Next(TObject *)
    {
        if (OnNext)
            OnNext();
    }
};

class EngineHarness
{
public:
    EngineHarness()
    {
        static const bool Units = [] {
            // Expressions compile against the script library, as in the station.
            kwRegisterRTTIUnits();
            return true;
        }();
        (void)Units;
        // The engine's tests run headless, the preview's with the window layer.
#ifdef STATION_TEST_WINDOWS
        qdzBuildStartup();
#else
        qdzEngineStartup();
#endif
        InstallFakeStoreIfNone();
        Report = std::make_unique<TqdzReport>(nullptr);
        Page = NewPage("Page1");
        Report->SetOnGetValue(TqdzGetValueEvent(&Handlers, &EngineHandlers::GetValue));
        // The tests keep pointers into the template and read the errors.
        Report->EngineOptions()->SetRestoreAfterRun(false);
        Report->EngineOptions()->SetSilentMode(true);
    }

    // An A4 page with 10 mm margins.
    TqdzReportPage *NewPage(const QString &Name)
    {
        auto *P = new TqdzReportPage(Report.get());
        P->SetName(Name);
        P->SetPaperSize(9);
        if (P->PaperWidth() == 0) {
            P->SetPaperWidth(210);
            P->SetPaperHeight(297);
        }
        P->SetLeftMargin(10);
        P->SetRightMargin(10);
        P->SetTopMargin(10);
        P->SetBottomMargin(10);
        return P;
    }

    template <class B> B *Band(const QString &Name, double Top, double Height, TqdzReportPage *On = nullptr)
    {
        auto *Bd = new B(On ? On : Page);
        Bd->SetName(Name);
        Bd->SetTop(Top);
        Bd->SetHeight(Height);
        Bd->SetWidth(700);
        return Bd;
    }

    TqdzMemoView *Memo(TqdzBand *On, const QString &Name, const QString &Text, double Left = 0, double Top = 0,
                       double Width = 200, double Height = 18)
    {
        auto *M = new TqdzMemoView(On);
        M->SetName(Name);
        M->SetBounds(Left, Top, Width, Height);
        M->SetText(Text);
        return M;
    }

    // A user dataset of Count records in the report's dataset list.
    TqdzUserDataSet *DataSet(const QString &Name, int Count)
    {
        auto *D = new TqdzUserDataSet(Report.get());
        D->SetName(Name);
        D->SetRangeEnd(reCount);
        D->SetRangeEndCount(Count);
        Report->DataSets()->Add()->SetDataSet(D);
        Report->EnabledDataSets()->Add()->SetDataSet(D);
        return D;
    }

    bool Build() { return Report->BuildReport(); }
    TqdzCustomPreviewPages *Store() const { return Report->PreviewPages(); }
    TqdzEngine *Engine() const { return static_cast<TqdzEngine *>(Report->Engine()); }
    int PageCount() const { return Store()->GetCount(); }

    // The memo texts of built page Index, top to bottom, left to right.
    std::vector<BuiltText> Texts(int Index) const
    {
        std::vector<BuiltText> R;
        TqdzReportPage *P = Store()->GetPage(Index);
        if (!P)
            return R;
        TList *All = P->AllObjects();
        for (int i = 0; i < All->Count(); ++i)
            if (auto *M = dynamic_cast<TqdzCustomMemoView *>(static_cast<TObject *>(All->Items(i)))) {
                // As drawing does: the late macros take the page count.
                M->TotalPages = PageCount();
                M->ExpandPreviewMacros();
                QString T = M->Text();
                while (T.endsWith(QLatin1Char('\n')) || T.endsWith(QLatin1Char('\r')))
                    T.chop(1);
                R.push_back({M->Parent() ? M->Parent()->Name() : QString(), T, M->AbsLeft(), M->AbsTop()});
            }
        std::stable_sort(R.begin(), R.end(), [](const BuiltText &A, const BuiltText &B) {
            return A.Top < B.Top - 0.01 || (std::abs(A.Top - B.Top) <= 0.01 && A.Left < B.Left);
        });
        return R;
    }
    // Just the texts, of one page or of all pages in order.
    QStringList TextList(int Index) const
    {
        QStringList L;
        for (const BuiltText &T : Texts(Index))
            L << T.Text;
        return L;
    }
    QStringList AllTexts() const
    {
        QStringList L;
        for (int i = 0; i < PageCount(); ++i)
            L << TextList(i);
        return L;
    }
    QStringList Errors() const
    {
        QStringList L;
        for (int i = 0; i < Report->Errors()->Count(); ++i)
            L << Report->Errors()->Strings(i);
        return L;
    }

    EngineHandlers Handlers;
    std::unique_ptr<TqdzReport> Report;
    TqdzReportPage *Page;
};
