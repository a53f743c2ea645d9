// Flat combo box, scroll window, tool-bar panel, password prompt, dialog-page form and print dialog.
#include "FormHarness.h"
#include "PreviewFakes.h"
#include "platform/Dialogs.h"
#include "report/preview/qdzCtrls.h"
#include "report/preview/qdzPassword.h"
#include "report/preview/qdzPrintDialog.h"
#include "report/preview/qdzPreviewSetup.h"
#include "report/model/qdzUtils.h"
#include "report/engine/qdzPrinter.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzClassEngine.h"
#include "report/model/qdzVariables.h"
#include "platform/Streams.h"
#include "script/kw_iclassesrtti.h"
#include "script/kw_isysrtti.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QMessageBox>
#include <QTimer>
#include <QScrollBar>
#include <gtest/gtest.h>

namespace {

// The scroll window with its position changes counted.
class TCountingScrollWin : public TqdzScrollWin
{
public:
    using TqdzScrollWin::TqdzScrollWin;
    int HChanges = 0, VChanges = 0;

protected:
    void OnHScrollChange() override { ++HChanges; }
    void OnVScrollChange() override { ++VChanges; }
};

} // namespace

TEST(ScrollWin, PositionsClampToRangeLessPage)
{
    TForm f(nullptr);
    auto *w = new TCountingScrollWin(&f);
    w->SetParent(&f);
    w->SetBounds(0, 0, 200, 200);
    w->SetVertRange(1000);
    w->SetVertPage(300);
    w->SetVertPosition(5000);
    EXPECT_EQ(w->VertPosition(), 700);
    EXPECT_EQ(w->VChanges, 1);
    w->SetVertPosition(700);
    EXPECT_EQ(w->VChanges, 1);
    EXPECT_TRUE(w->VertBar()->isEnabled());
    // A range below the page: position 0 (never range - page < 0), bar off.
    w->SetVertRange(100);
    EXPECT_EQ(w->VertPosition(), 0);
    EXPECT_FALSE(w->VertBar()->isEnabled());
    w->SetVertPosition(50);
    EXPECT_EQ(w->VertPosition(), 0);
    w->SetHorzRange(50);
    w->SetHorzPage(80);
    w->SetHorzPosition(10);
    EXPECT_EQ(w->HorzPosition(), 0);
    EXPECT_EQ(w->HChanges, 0);
}

TEST(ScrollWin, ScrollRequestsUseLineAndPageSteps)
{
    TForm f(nullptr);
    auto *w = new TCountingScrollWin(&f);
    w->SetParent(&f);
    w->SetSmallChange(8);
    w->SetLargeChange(300);
    w->SetVertRange(2000);
    w->SetVertPage(500);
    const struct {
        int Request, Expected;
    } cases[] = {{SB_LINEDOWN, 8}, {SB_PAGEDOWN, 308}, {SB_LINEUP, 300}, {SB_BOTTOM, 1500}, {SB_PAGEUP, 1200},
                 {SB_TOP, 0}, {SB_LINEUP, 0}};
    for (const auto &c : cases) {
        w->Perform(WM_VSCROLL, c.Request);
        EXPECT_EQ(w->VertPosition(), c.Expected) << c.Request;
    }
}

TEST(FlatComboBox, ListHeightAndBlend)
{
    TForm f(nullptr);
    auto *c = new TqdzComboBox(&f);
    c->SetParent(&f);
    EXPECT_EQ(c->Width(), 100);
    const int ih = c->ItemHeight();
    ASSERT_GT(ih, 0);
    EXPECT_EQ(c->ListHeight(), ih + 2);
    for (int i = 0; i < 20; ++i)
        c->Items()->Add(QString::number(i));
    EXPECT_EQ(c->DropDownCount(), 8);
    EXPECT_EQ(c->ListHeight(), 8 * ih + 2);
    c->SetDropDownCount(30);
    EXPECT_EQ(c->ListHeight(), 20 * ih + 2);
    EXPECT_EQ(c->ListRectWidth(), 100);
    c->SetListWidth(160);
    EXPECT_EQ(c->ListRectWidth(), 160);
    // 30 % of pure red over white: (255*70 + 255*30 + 50) div 100 = 255, (255*70 + 0 + 50) div 100 = 179.
    EXPECT_EQ(qdzBlendColor(TColor(0x0000FF), TColor(0xFFFFFF), 30), TColor(0xB3B3FF));
    EXPECT_EQ(qdzBlendColor(TColor(0x0000FF), TColor(0xFFFFFF), 500), TColor(0x8080FF));
    c->SetReadOnly(true);
    EXPECT_TRUE(c->ReadOnly());
}

TEST(ToolbarPanel, AlignsByItsParent)
{
    TForm f(nullptr);
    auto *side = new TPanel(&f);
    side->SetParent(&f);
    side->SetAlign(alLeft);
    auto *p = new TqdzTBPanel(&f);
    EXPECT_EQ(p->Width(), 8);
    EXPECT_EQ(p->Height(), 8);
    p->SetParent(side);
    EXPECT_EQ(p->Align(), alTop);
    p->SetParent(&f);
    EXPECT_EQ(p->Align(), alLeft);
}

// ------------------------------------------------------------------ password

TEST(PasswordForm, TypedTextComesBackOnOkOnly)
{
    QString typed = "unchanged";
    FormHarness::Later([] {
        auto *f = dynamic_cast<TqdzPasswordForm *>(Screen->ActiveForm());
        for (int i = 0; !f && i < Screen->FormCount(); ++i)
            f = dynamic_cast<TqdzPasswordForm *>(Screen->Forms(i));
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->PasswordE->PasswordChar(), QChar('*'));
        f->PasswordE->SetText("secret");
        f->OkB->Click();
    });
    EXPECT_TRUE(qdzAskPassword(typed));
    EXPECT_EQ(typed, "secret");
    FormHarness::Later([] {
        for (int i = 0; i < Screen->FormCount(); ++i)
            if (auto *f = dynamic_cast<TqdzPasswordForm *>(Screen->Forms(i)))
                f->CancelB->Click();
    });
    typed = "kept";
    EXPECT_FALSE(qdzAskPassword(typed));
    EXPECT_EQ(typed, "kept");
}

namespace {

void AnswerPassword(const QString &Text)
{
    FormHarness::Later([Text] {
        for (int i = 0; i < Screen->FormCount(); ++i)
            if (auto *f = dynamic_cast<TqdzPasswordForm *>(Screen->Forms(i))) {
                f->PasswordE->SetText(Text);
                f->OkB->Click();
            }
    });
}

// Installs the prompt (and the dialog-page form) for one test.
struct TPromptInstalled
{
    TPromptInstalled()
    {
        TqdzBuildFactories f = qdzBuildFactories();
        f.PasswordPrompt = &qdzAskPassword;
        f.CreateDialogForm = &qdzCreateDialogForm;
        // The wrong password's error box comes from the windows layer too.
        TqdzBuildFactories windows;
        qdzAddPreviewFactories(windows);
        f.ShowErrorMessage = windows.ShowErrorMessage;
        qdzInstallBuildFactories(f);
    }
    ~TPromptInstalled()
    {
        TqdzBuildFactories f = qdzBuildFactories();
        f.PasswordPrompt = nullptr;
        f.CreateDialogForm = nullptr;
        f.ShowErrorMessage = nullptr;
        qdzInstallBuildFactories(f);
    }
};

} // namespace

TEST(PasswordForm, ProtectedTemplateAsksAndRefusesAWrongPassword)
{
    TPromptInstalled installed;
    TMemoryStream stream;
    {
        TqdzReport r(nullptr);
        r.ReportOptions()->SetPassword("pw1");
        r.SaveToStream(&stream, true, false, false);
    }
    QStringList shown;
    TScopedDialogHook hook([&](TDialogRequest &R) {
        shown.append(R.Text);
        return 1;
    });
    {
        TqdzReport r(nullptr);
        stream.SetPosition(0);
        AnswerPassword("wrong");
        r.LoadFromStream(&stream);
        ASSERT_EQ(shown.size(), 1);
        EXPECT_TRUE(shown[0].contains("Invalid password")) << shown[0].toStdString();
        EXPECT_TRUE(r.ReportOptions()->Password().isEmpty());
    }
    shown.clear();
    {
        TqdzReport r(nullptr);
        stream.SetPosition(0);
        AnswerPassword("pw1");
        r.LoadFromStream(&stream);
        EXPECT_TRUE(shown.isEmpty());
        EXPECT_EQ(r.ReportOptions()->Password(), "pw1");
    }
}

// --------------------------------------------------------------- dialog page

namespace {

void InitScripts()
{
    static bool done = false;
    if (!done) {
        kwInitSysFunctions();
        kwRegisterClassesRTTI();
        done = true;
    }
}

// Closes the first visible dialog form through its close box.
void CloseDialogLater(int Times = 1)
{
    FormHarness::Later([Times] {
        for (int i = 0; i < Screen->FormCount(); ++i)
            if (auto *f = dynamic_cast<TqdzDialogForm *>(Screen->Forms(i)); f && f->Visible()) {
                f->Close();
                if (Times > 1)
                    CloseDialogLater(Times - 1);
                return;
            }
    });
}

} // namespace

TEST(DialogForm, PageWithoutResultButtonClosesWithCancel)
{
    TPromptInstalled installed;
    TqdzReport r(nullptr);
    auto *page = new TqdzDialogPage(&r);
    ASSERT_NE(dynamic_cast<TqdzDialogForm *>(page->Form()), nullptr);
    EXPECT_TRUE(page->Form()->KeyPreview());
    CloseDialogLater();
    EXPECT_EQ(page->ShowModal(), mrCancel);
    EXPECT_FALSE(page->Form()->Visible());
}

TEST(DialogForm, FormEventsRunTheScriptProcedures)
{
    InitScripts();
    TPromptInstalled installed;
    TFakeBuild fakes;
    {
        TqdzReport r(nullptr);
        auto *page = new TqdzDialogPage(&r);
        page->SetName("Dlg");
        page->SetOnShow("DlgShow");
        page->SetOnCloseQuery("DlgCloseQuery");
        r.ScriptText()->SetText("var N: Integer;\n"
                                "procedure DlgShow(Sender: TObject);\nbegin\n  Set('Shown', 'yes');\nend;\n"
                                "procedure DlgCloseQuery(Sender: TObject; var CanClose: Boolean);\nbegin\n"
                                "  N := N + 1;\n  Set('Asked', N);\n  CanClose := N > 1;\nend;\n"
                                "begin\nend.");
        ASSERT_TRUE(r.SetupScript()) << r.Errors()->Text().toStdString();
        ASSERT_NE(r.Engine(), nullptr);
        r.Engine()->SetRunning(true);
        // The first close is refused by the script, the second one ends it.
        CloseDialogLater(2);
        EXPECT_EQ(page->ShowModal(), mrCancel);
        EXPECT_EQ(VarToStr(r.Variables()->Variables("Shown")), "yes");
        EXPECT_EQ(VarToStr(r.Variables()->Variables("Asked")), "2");
        r.Engine()->SetRunning(false);
    }
}

TEST(DialogForm, CloseBoxIsRefusedAndAButtonResultEndsTheDialog)
{
    InitScripts();
    TPromptInstalled installed;
    TFakeBuild fakes;
    TqdzReport r(nullptr);
    auto *page = new TqdzDialogPage(&r);
    page->SetName("Dlg");
    page->SetOnCloseQuery("DlgCloseQuery");
    r.ScriptText()->SetText("var N: Integer;\n"
                            "procedure DlgCloseQuery(Sender: TObject; var CanClose: Boolean);\nbegin\n"
                            "  N := N + 1;\n  Set('Asked', N);\n  CanClose := True;\nend;\n"
                            "begin\nend.");
    ASSERT_TRUE(r.SetupScript()) << r.Errors()->Text().toStdString();
    r.Engine()->SetRunning(true);
    auto *ok = new TButton(page->Form());
    ok->SetParent(page->Form());
    ok->SetModalResult(mrOk);
    bool stayed = false;
    FormHarness::Later([&] {
        // The window's close box, twice: the page hears of it, the form stays.
        for (int i = 0; i < 2; ++i) {
            QCloseEvent close;
            QCoreApplication::sendEvent(page->Form()->Widget(), &close);
            QCoreApplication::processEvents();
        }
        stayed = page->Form()->Visible() && page->Form()->ModalResult() == mrNone;
        ok->Click();
    });
    EXPECT_EQ(page->ShowModal(), mrOk);
    EXPECT_TRUE(stayed);
    EXPECT_EQ(VarToStr(r.Variables()->Variables("Asked")), "3");
    r.Engine()->SetRunning(false);
}

TEST(ErrorBox, TheWindowsShowErrorsWithTheTableTitle)
{
    const TqdzBuildFactories saved = qdzBuildFactories();
    TqdzBuildFactories windows = saved;
    qdzAddPreviewFactories(windows);
    qdzInstallBuildFactories(windows);
    QString Title, Text;
    // The real box, not the binary's answer to boxes.
    TScopedDialogHook none(nullptr);
    QTimer::singleShot(0, [&] {
        if (auto *Box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            Title = Box->windowTitle();
            Text = Box->text();
            Box->done(0);
        }
    });
    qdzErrorMsg("Field not found: X");
    qdzInstallBuildFactories(saved);
    EXPECT_EQ(Title, "Error");
    EXPECT_EQ(Text, "Field not found: X");
}

// -------------------------------------------------------------- print dialog

TEST(PrintDialog, OkWritesEveryChoiceIntoPrintOptions)
{
    TqdzReport r(nullptr);
    TqdzPrintOptions *o = r.PrintOptions();
    o->SetCopies(2);
    o->SetPageNumbers("1,3");
    FormHarness::Later([] {
        TqdzPrintDialog *d = FormHarness::ShownForm<TqdzPrintDialog>();
        ASSERT_NE(d, nullptr);
        // The dialog shows the options as they are.
        EXPECT_EQ(d->CopiesE->Text(), "2");
        EXPECT_TRUE(d->PageNumbersRB->Checked());
        EXPECT_EQ(d->PageNumbersE->Text(), "1,3");
        EXPECT_FALSE(d->PagPageSizeCB->Enabled());
        d->CopiesE->SetText("3");
        d->CollateCB->SetChecked(false);
        d->PageNumbersE->SetText("2-4");
        d->PrintPagesCB->SetItemIndex(2);
        d->DuplexCB->SetItemIndex(1);
        d->OrderCB->SetItemIndex(1);
        d->PrintModeCB->SetItemIndex(3);
        d->OkB->Click();
    });
    EXPECT_TRUE(qdzShowPrintDialog(&r));
    EXPECT_EQ(o->Copies(), 3);
    EXPECT_FALSE(o->Collate());
    EXPECT_EQ(o->PageNumbers(), "2-4");
    EXPECT_EQ(o->PrintPages(), ppEven);
    EXPECT_EQ(o->Duplex(), dmVertical);
    EXPECT_TRUE(o->Reverse());
    EXPECT_EQ(o->PrintMode(), pmScale);
    // "Default" is no paper of the printer: a custom sheet.
    EXPECT_EQ(o->PrintOnSheet(), 256);

    FormHarness::Later([] {
        TqdzPrintDialog *d = FormHarness::ShownForm<TqdzPrintDialog>();
        ASSERT_NE(d, nullptr);
        d->AllRB->SetChecked(true);
        d->OkB->Click();
    });
    EXPECT_TRUE(qdzShowPrintDialog(&r));
    EXPECT_EQ(o->PageNumbers(), "");
}

TEST(PrintDialog, CancelLeavesPrintOptionsUnchanged)
{
    TqdzReport r(nullptr);
    TqdzPrintOptions *o = r.PrintOptions();
    o->SetCopies(4);
    o->SetReverse(true);
    TqdzPrintOptions before;
    before.Assign(o);
    const int printer = qdzPrinters()->PrinterIndex();
    FormHarness::Later([] {
        TqdzPrintDialog *d = FormHarness::ShownForm<TqdzPrintDialog>();
        ASSERT_NE(d, nullptr);
        d->CopiesE->SetText("9");
        d->OrderCB->SetItemIndex(0);
        d->PrintModeCB->SetItemIndex(2);
        d->FileCB->SetChecked(true);
        d->CancelB->Click();
    });
    EXPECT_FALSE(qdzShowPrintDialog(&r));
    EXPECT_EQ(o->Copies(), before.Copies());
    EXPECT_EQ(o->Reverse(), before.Reverse());
    EXPECT_EQ(o->PrintMode(), before.PrintMode());
    EXPECT_EQ(o->PageNumbers(), before.PageNumbers());
    EXPECT_EQ(o->Collate(), before.Collate());
    EXPECT_EQ(o->Duplex(), before.Duplex());
    EXPECT_EQ(o->PrintOnSheet(), before.PrintOnSheet());
    EXPECT_EQ(qdzPrinters()->PrinterIndex(), printer);
}

TEST(PrintDialog, PrintToFileKeepsThePrnName)
{
    TqdzReport r(nullptr);
    const QString dir = QDir::tempPath();
    TScopedDialogHook hook([&](TDialogRequest &R) {
        if (R.Kind != TDialogKind::SaveDialog)
            return 0;
        EXPECT_EQ(R.Filter, "Printer file (*.prn)|*.prn");
        R.Value = dir + "/out.txt";
        R.Files = QStringList{R.Value};
        return int(mrOk);
    });
    TqdzPrintDialog *seen = nullptr;
    FormHarness::Later([&] {
        seen = FormHarness::ShownForm<TqdzPrintDialog>();
        ASSERT_NE(seen, nullptr);
        seen->FileCB->SetChecked(true);
        seen->OkB->Click();
    });
    TqdzPrintDialog d(nullptr, &r);
    EXPECT_EQ(d.Execute(), mrOk);
    EXPECT_EQ(d.OutputFileName(), dir + "/out.prn");
    EXPECT_EQ(r.PrintOptions()->OutputFileName(), dir + "/out.prn");
    TqdzCustomPrinter *p = qdzPrinters()->GetCurrentPrinter();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->FileName(), dir + "/out.prn");
    p->SetFileName(QString());
}

TEST(PrintDialog, CancelledFileDialogCancelsPrinting)
{
    TqdzReport r(nullptr);
    r.PrintOptions()->SetCopies(1);
    TScopedDialogHook hook([](TDialogRequest &R) { return R.Kind == TDialogKind::SaveDialog ? int(mrCancel) : 0; });
    FormHarness::Later([] {
        TqdzPrintDialog *d = FormHarness::ShownForm<TqdzPrintDialog>();
        ASSERT_NE(d, nullptr);
        d->CopiesE->SetText("5");
        d->FileCB->SetChecked(true);
        d->OkB->Click();
    });
    EXPECT_FALSE(qdzShowPrintDialog(&r));
    EXPECT_EQ(r.PrintOptions()->Copies(), 1);
}
