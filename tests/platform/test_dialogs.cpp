// Tests of dialogs (platform).
#include "Dialogs.h"
#include "Forms.h"
#include "Language.h"
#include "Streams.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Runs Act on the modal dialog as soon as it is up.
template<class W>
void WhenModal(std::function<void(W *)> Act)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, Act]() {
        if (auto *w = qobject_cast<W *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            Act(w);
        }
    });
    timer->start();
}

TEST(Dialogs, HookAnswersMessageDlgWithoutAWindow)
{
    TDialogRequest seen;
    TScopedDialogHook hook([&](TDialogRequest &R) {
        seen = R;
        return mrYes;
    });
    EXPECT_EQ(MessageDlg("Delete the order?", mtConfirmation, mbYesNoCancel, 0), mrYes);
    EXPECT_EQ(seen.Kind, TDialogKind::MessageDlg);
    EXPECT_EQ(seen.Caption, "Confirm");
    EXPECT_EQ(seen.Text, "Delete the order?");
    EXPECT_EQ(seen.DlgType, mtConfirmation);
    EXPECT_EQ(seen.Buttons, mbYesNoCancel);
    for (auto [type, caption] : {std::pair{mtWarning, "Warning"}, {mtError, "Error"}, {mtInformation, "Information"}}) {
        MessageDlg("x", type, TMsgDlgButtons{mbOK});
        EXPECT_EQ(seen.Caption, caption);
    }
    ShowMessage(QString::fromUtf8("称重完成"));
    EXPECT_EQ(seen.Kind, TDialogKind::ShowMessage);
    EXPECT_EQ(seen.Text, QString::fromUtf8("称重完成"));
    // The button set crosses as the integer of its bits.
    EXPECT_EQ(mbYesNoCancel.ToInt(), 0x0Bu);
    EXPECT_EQ(TMsgDlgButtons{mbOK}.ToInt(), 4u);
}

TEST(Dialogs, ScopedHooksNestAndRestore)
{
    EXPECT_FALSE(DialogHook());
    {
        TScopedDialogHook outer([](TDialogRequest &) { return mrOk; });
        {
            TScopedDialogHook inner([](TDialogRequest &) { return mrAbort; });
            EXPECT_EQ(MessageDlg("m", mtError, mbAbortRetryIgnore), mrAbort);
        }
        EXPECT_EQ(MessageDlg("m", mtError, mbAbortRetryIgnore), mrOk);
    }
    EXPECT_FALSE(DialogHook());
}

TEST(Dialogs, RealMessageDlgShowsTheButtonsAndEscapeGivesNo)
{
    QStringList captions;
    QString title;
    WhenModal<QMessageBox>([&](QMessageBox *box) {
        title = box->windowTitle();
        for (QAbstractButton *b : box->buttons())
            captions << b->text();
        QTest::keyClick(box, Qt::Key_Escape);
    });
    EXPECT_EQ(MessageDlg("Save changes?", mtWarning, TMsgDlgButtons{mbYes, mbNo}), mrNo);
    EXPECT_EQ(title, "Warning");
    captions.sort();
    EXPECT_EQ(captions, QStringList({"&No", "&Yes"}));
    // Clicking a button returns its result.
    WhenModal<QMessageBox>([](QMessageBox *box) {
        for (QAbstractButton *b : box->buttons())
            if (b->text() == "&Retry")
                b->click();
    });
    EXPECT_EQ(MessageDlg("Scale not answering", mtError, mbAbortRetryIgnore), mrRetry);
    // Enter presses the default button: OK before Yes.
    QString def;
    WhenModal<QMessageBox>([&](QMessageBox *box) {
        def = box->defaultButton() ? box->defaultButton()->text() : QString();
        QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_EQ(MessageDlg("x", mtInformation, TMsgDlgButtons{mbYes, mbOK, mbCancel}), mrOk);
    EXPECT_EQ(def, "OK");
}

TEST(Dialogs, BoxesAndFileErrorsSpeakTheProgramsLanguage)
{
    struct Restore {
        ~Restore()
        {
            SetResourceLanguage(QLocale::c());
            Application->SetTitle(QString());
        }
    } restore;
    SetResourceLanguage(QLocale(QLocale::Chinese, QLocale::China));
    Application->SetTitle(QStringLiteral("电子秤配货系统"));
    struct Seen {
        QString Title;
        QStringList Buttons;
    };
    auto look = [](Seen &S, const QString &Press) {
        WhenModal<QMessageBox>([&S, Press](QMessageBox *box) {
            S.Title = box->windowTitle();
            QAbstractButton *press = nullptr;
            for (QAbstractButton *b : box->buttons()) {
                S.Buttons << b->text();
                if (b->text() == Press)
                    press = b;
            }
            if (press)
                press->click();
        });
    };
    Seen plain, asked, warned;
    look(plain, QStringLiteral("确定"));
    ShowMessage(QStringLiteral("上传数据失败"));
    EXPECT_EQ(plain.Title, QStringLiteral("电子秤配货系统"));
    EXPECT_EQ(plain.Buttons, QStringList{QStringLiteral("确定")});
    look(asked, QStringLiteral("否(&N)"));
    EXPECT_EQ(MessageDlg("?", mtConfirmation, TMsgDlgButtons{mbYes, mbNo}), mrNo);
    EXPECT_EQ(asked.Title, QStringLiteral("确认"));
    asked.Buttons.sort();
    EXPECT_EQ(asked.Buttons, (QStringList{QStringLiteral("否(&N)"), QStringLiteral("是(&Y)")}));
    look(warned, QStringLiteral("取消"));
    EXPECT_EQ(MessageDlg("!", mtWarning, mbOKCancel), mrCancel);
    EXPECT_EQ(warned.Title, QStringLiteral("警告"));
    // The file errors the station shows.
    const QString missing = QDir::temp().filePath(QStringLiteral("no-such-folder-%1/tongbxlid.txt").arg(QCoreApplication::applicationPid()));
    try {
        TFileStream f(missing, fmCreate);
        ADD_FAILURE() << "created";
    } catch (const EFCreateError &E) {
        EXPECT_EQ(E.Message(), QStringLiteral("无法创建文件 \"%1\"。没有那个文件或目录").arg(missing));
    }
    try {
        TFileStream f(missing, fmOpenRead);
        ADD_FAILURE() << "opened";
    } catch (const EFOpenError &E) {
        EXPECT_EQ(E.Message(), QStringLiteral("无法打开文件 \"%1\"。没有那个文件或目录").arg(missing));
    }
    // English again once the program says so.
    SetResourceLanguage(QLocale::c());
    try {
        TFileStream f(missing, fmOpenRead);
    } catch (const EFOpenError &E) {
        EXPECT_TRUE(E.Message().startsWith(QStringLiteral("Cannot open file"))) << E.Message().toStdString();
    }
}

TEST(Dialogs, InputQueryAndInputBox)
{
    {
        TDialogRequest seen;
        TScopedDialogHook hook([&](TDialogRequest &R) {
            seen = R;
            R.Value = "12.5";
            return mrOk;
        });
        QString v = "0";
        EXPECT_TRUE(InputQuery("Tare", "Weight:", v));
        EXPECT_EQ(v, "12.5");
        EXPECT_EQ(seen.Kind, TDialogKind::InputQuery);
        EXPECT_EQ(seen.Caption, "Tare");
        EXPECT_EQ(seen.Text, "Weight:");
        EXPECT_EQ(seen.Value, "0");
        EXPECT_EQ(InputBox("Tare", "Weight:", "1"), "12.5");
    }
    {
        TScopedDialogHook hook([](TDialogRequest &R) {
            R.Value = "ignored";
            return mrCancel;
        });
        QString v = "keep";
        EXPECT_FALSE(InputQuery("c", "p", v));
        EXPECT_EQ(v, "keep");
        EXPECT_EQ(InputBox("c", "p", "dflt"), "dflt");
    }
    // The real box: typed text comes back.
    WhenModal<QInputDialog>([](QInputDialog *dlg) {
        dlg->setTextValue(QString::fromUtf8("箱"));
        dlg->accept();
    });
    QString v = "x";
    EXPECT_TRUE(InputQuery("Unit", "Name:", v));
    EXPECT_EQ(v, QString::fromUtf8("箱"));
}

TEST(Dialogs, FiltersBecomeQtNameFilters)
{
    EXPECT_EQ(FilterToNameFilters("Templates|*.qd3|All files|*.*"),
              QStringList({"Templates (*.qd3)", "All files (*.*)"}));
    EXPECT_EQ(FilterToNameFilters("Pictures (*.bmp;*.jpg)|*.bmp;*.jpg"), QStringList({"Pictures (*.bmp *.jpg)"}));
    EXPECT_EQ(FilterToNameFilters("Text (*.txt)|*.txt|Odd"), QStringList({"Text (*.txt)"}));
    EXPECT_TRUE(FilterToNameFilters("").isEmpty());
}

struct Events : TObject {
    QStringList Log;
    void Show(TObject *) { Log << "show"; }
    void Close(TObject *) { Log << "close"; }
};

TEST(Dialogs, OpenAndSaveDialogsThroughTheHook)
{
    TOpenDialog dlg(nullptr);
    Events ev;
    dlg.SetOnShow(TNotifyEvent(&ev, &Events::Show));
    dlg.SetOnClose(TNotifyEvent(&ev, &Events::Close));
    dlg.SetFilter("Templates|*.qd3|All|*.*");
    dlg.SetFilterIndex(1);
    dlg.SetDefaultExt("qd3");
    dlg.SetInitialDir("/data");
    TDialogRequest seen;
    {
        TScopedDialogHook hook([&](TDialogRequest &R) {
            seen = R;
            R.Value = "/data/p01";
            R.FilterIndex = 2;
            return mrOk;
        });
        EXPECT_TRUE(dlg.Execute());
    }
    EXPECT_EQ(seen.Kind, TDialogKind::OpenDialog);
    EXPECT_EQ(seen.Filter, "Templates|*.qd3|All|*.*");
    EXPECT_EQ(seen.InitialDir, "/data");
    EXPECT_EQ(dlg.FileName(), "/data/p01.qd3");
    EXPECT_EQ(dlg.FilterIndex(), 2);
    ASSERT_EQ(dlg.Files()->Count(), 1);
    EXPECT_EQ(dlg.Files()->Strings(0), "/data/p01.qd3");
    EXPECT_EQ(ev.Log, QStringList({"show", "close"}));
    {
        TScopedDialogHook hook([](TDialogRequest &R) {
            R.Files = QStringList({"/a/1.txt", "/a/2.txt"});
            return mrOk;
        });
        EXPECT_TRUE(dlg.Execute());
        EXPECT_EQ(dlg.Files()->Count(), 2);
        EXPECT_EQ(dlg.FileName(), "/a/1.txt");
    }
    {
        TScopedDialogHook hook([](TDialogRequest &R) {
            R.Value = "/elsewhere";
            return mrCancel;
        });
        EXPECT_FALSE(dlg.Execute());
        EXPECT_EQ(dlg.FileName(), "/a/1.txt");
    }
    TSaveDialog save(nullptr);
    {
        TScopedDialogHook hook([&](TDialogRequest &R) {
            seen = R;
            R.Value = "/out/report.pdf";
            return mrOk;
        });
        EXPECT_TRUE(save.Execute());
    }
    EXPECT_EQ(seen.Kind, TDialogKind::SaveDialog);
    EXPECT_EQ(save.FileName(), "/out/report.pdf");
}

TEST(Dialogs, RealSaveDialogReturnsTheChosenFile)
{
    TSaveDialog dlg(nullptr);
    dlg.SetInitialDir(QDir::tempPath());
    dlg.SetFilter("Built reports|*.qp3");
    dlg.SetDefaultExt("qp3");
    QStringList filters;
    WhenModal<QFileDialog>([&](QFileDialog *fd) {
        filters = fd->nameFilters();
        fd->selectFile(QDir::tempPath() + "/station_dialog_test");
        QMetaObject::invokeMethod(fd, "accept");
    });
    ASSERT_TRUE(dlg.Execute());
    EXPECT_EQ(filters, QStringList({"Built reports (*.qp3)"}));
    EXPECT_EQ(QFileInfo(dlg.FileName()).fileName(), "station_dialog_test.qp3");
}

TEST(Dialogs, ColourFontAndPrintDialogsThroughTheHook)
{
    TScopedDialogHook hook([](TDialogRequest &R) {
        switch (R.Kind) {
        case TDialogKind::ColorDialog:
            R.Color = clNavy;
            return mrOk;
        case TDialogKind::FontDialog:
            R.Font->SetName(QString::fromUtf8("宋体"));
            R.Font->SetSize(12);
            return mrOk;
        case TDialogKind::PrintDialog:
            R.Copies = 3;
            R.PrintRange = prPageNums;
            R.FromPage = 2;
            R.ToPage = 4;
            return mrOk;
        default:
            return mrCancel;
        }
    });
    TColorDialog cd(nullptr);
    cd.SetColor(clRed);
    EXPECT_TRUE(cd.Execute());
    EXPECT_EQ(cd.Color(), clNavy);
    TFontDialog fd(nullptr);
    EXPECT_TRUE(fd.Execute());
    EXPECT_EQ(fd.Font()->Name(), QString::fromUtf8("宋体"));
    EXPECT_EQ(fd.Font()->Size(), 12);
    TPrintDialog pd(nullptr);
    pd.SetMaxPage(10);
    EXPECT_TRUE(pd.Execute());
    EXPECT_EQ(pd.Copies(), 3);
    EXPECT_EQ(pd.PrintRange(), prPageNums);
    EXPECT_EQ(pd.FromPage(), 2);
    EXPECT_EQ(pd.ToPage(), 4);
    TPrinterSetupDialog ps(nullptr);
    EXPECT_FALSE(ps.Execute());
}

TEST(Dialogs, CancelledFontDialogLeavesTheFont)
{
    TScopedDialogHook hook([](TDialogRequest &R) {
        R.Font->SetName("Courier New");
        return mrCancel;
    });
    TFontDialog fd(nullptr);
    fd.Font()->SetName("Arial");
    EXPECT_FALSE(fd.Execute());
    EXPECT_EQ(fd.Font()->Name(), "Arial");
}

TEST(Dialogs, PublishedProperties)
{
    EXPECT_NE(TOpenDialog::StaticClass()->FindProp(u"Filter"), nullptr);
    EXPECT_NE(TOpenDialog::StaticClass()->FindProp(u"OnShow"), nullptr);
    EXPECT_NE(TSaveDialog::StaticClass()->FindProp(u"DefaultExt"), nullptr);
    EXPECT_NE(TColorDialog::StaticClass()->FindProp(u"Color"), nullptr);
    EXPECT_NE(TPrintDialog::StaticClass()->FindProp(u"Copies"), nullptr);
    EXPECT_TRUE(TCommonDialog::StaticClass()->IsAbstract());
    std::unique_ptr<TObject> o(TSaveDialog::StaticClass()->Create(nullptr));
    EXPECT_NE(dynamic_cast<TSaveDialog *>(o.get()), nullptr);
}

} // namespace
