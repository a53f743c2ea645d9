// A dialog page shown while a report is built: the close box of a page nothing else can end, and the build's stop.
#include "EngineHarness.h"
#include "FormHarness.h"

#include "platform/StdCtrls.h"
#include "report/preview/qdzPassword.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

TEST(DialogPageDuringBuild, TheCloseBoxOrTheBuildsStopEndsIt)
{
    const struct {
        const char *Name, *Script; // the main block
        bool Button;               // a button that ends the page (never clicked)
        int MaxBuildTime;
        bool Cancel; // the build is cancelled meanwhile
        bool Built;
        QString Error;
    } cases[] = {
        // No control could end it: its close box does, as cancelled.
        {"no controls", "begin\n  DialogPage1.ShowModal;\nend.", false, 0, false, true, QString()},
        // A page waiting for its button, and nobody clicks.
        {"time limit", "begin\nend.", true, 300, false, false,
         QStringLiteral("The report ran longer than 300 ms and was stopped")},
        {"cancel", "begin\nend.", true, 0, true, false, QStringLiteral("The report was cancelled")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Name);
        EngineHarness H;
        H.Band<TqdzReportTitle>("Title", 0, 30);
        auto *page = new TqdzDialogPage(H.Report.get());
        page->SetName(QStringLiteral("DialogPage1"));
        // The page refuses every close its OnCloseQuery is asked about.
        page->SetOnCloseQuery(QStringLiteral("Refuse"));
        H.Report->ScriptText()->SetText(
            QStringLiteral("procedure Refuse(Sender: TObject; var CanClose: Boolean);\nbegin\n  CanClose := %1;\nend;\n%2")
                .arg(c.Button ? QStringLiteral("False") : QStringLiteral("True"), QLatin1String(c.Script)));
        if (c.Button) {
            auto *ok = new TButton(page->Form());
            ok->SetParent(page->Form());
            ok->SetModalResult(mrOk);
        }
        H.Report->SetMaxBuildTime(c.MaxBuildTime);
        // Each shown dialog gets its close box pressed, or the cancel.
        QTimer act;
        QObject::connect(&act, &QTimer::timeout, [&] {
            QCloseEvent close;
            if (TqdzDialogForm *f = FormHarness::ShownForm<TqdzDialogForm>(); f && c.Cancel)
                H.Report->SetTerminated(true);
            else if (f)
                QCoreApplication::sendEvent(f->Widget(), &close);
        });
        act.start(50);
        // Whatever still waits after 60 s is closed for good, and counted.
        bool forced = false;
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [&forced, page] {
            if (TqdzDialogForm *f = FormHarness::ShownForm<TqdzDialogForm>()) {
                forced = true;
                page->SetOnCloseQuery(QString());
                f->SetModalResult(mrOk);
            }
        });
        guard.start(60000);
        EXPECT_EQ(H.Build(), c.Built) << H.Errors().join('|').toStdString();
        act.stop();
        EXPECT_FALSE(forced);
        EXPECT_EQ(H.Errors().value(0), c.Error) << H.Errors().join('|').toStdString();
        EXPECT_EQ(FormHarness::ShownForm<TqdzDialogForm>(), nullptr);
    }
}
