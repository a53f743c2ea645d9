// The print dialog driven as a user would, printing the store's pages through the fake spooler.
#include "FormHarness.h"
#include "PrintPagesFixture.h"

#include "report/preview/qdzPrintDialog.h"

// The print dialog as a user drives it: print to file names "out.txt", the
// pages go as PDF to "out.prn"; Cancel prints nothing and changes nothing.
TEST_F(PrintPages, PrintDialogToFileWritesPdfUnderThePrnName)
{
    BuildPages(2);
    const TqdzPrintDialogHook savedHook = qdzPrintDialogHook();
    qdzPrintDialogHook() = &qdzShowPrintDialog;
    Options()->SetShowDialog(true);
    Options()->SetOutputFileName(QString());
    QStringList fileFilters;
    TScopedDialogHook answer([&](TDialogRequest &Q) {
        if (Q.Kind == TDialogKind::MessageBox) {
            Messages.Texts << Q.Text;
            return int(IDOK);
        }
        if (Q.Kind != TDialogKind::SaveDialog)
            return 0;
        fileFilters << Q.Filter;
        Q.Value = Dir.filePath(QStringLiteral("out.txt"));
        Q.Files = QStringList{Q.Value};
        return int(mrOk);
    });
    FormHarness::Later([] {
        TqdzPrintDialog *d = FormHarness::ShownForm<TqdzPrintDialog>();
        ASSERT_NE(d, nullptr);
        d->FileCB->SetChecked(true);
        d->OkB->Click();
    });
    EXPECT_TRUE(R.Store->Print());
    EXPECT_EQ(fileFilters, QStringList{QStringLiteral("Printer file (*.prn)|*.prn")});
    const QString prn = Dir.filePath(QStringLiteral("out.prn"));
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("out.prn")});
    QFile f(prn);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5) == "%PDF-");
    f.close();
    EXPECT_EQ(PdfTexts(prn), (QStringList{"page1", "page2"}));
    EXPECT_TRUE(Messages.Texts.isEmpty()) << Messages.Texts.join('|').toStdString();
    // The file was this print's choice only.
    EXPECT_EQ(Options()->OutputFileName(), QString());

    QFile::remove(prn);
    Options()->SetCopies(2);
    Options()->SetPageNumbers(QStringLiteral("2"));
    Options()->SetReverse(true);
    TqdzPrintOptions before;
    before.Assign(Options());
    FormHarness::Later([] {
        TqdzPrintDialog *d = FormHarness::ShownForm<TqdzPrintDialog>();
        ASSERT_NE(d, nullptr);
        d->FileCB->SetChecked(true);
        d->CopiesE->SetText(QStringLiteral("7"));
        d->AllRB->SetChecked(true);
        d->OrderCB->SetItemIndex(0);
        d->PrintModeCB->SetItemIndex(1);
        d->CancelB->Click();
    });
    EXPECT_FALSE(R.Store->Print());
    EXPECT_EQ(fileFilters.size(), 1);
    EXPECT_TRUE(QDir(Dir.path()).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(Options()->Copies(), before.Copies());
    EXPECT_EQ(Options()->PageNumbers(), before.PageNumbers());
    EXPECT_EQ(Options()->Reverse(), before.Reverse());
    EXPECT_EQ(Options()->PrintMode(), before.PrintMode());
    EXPECT_EQ(Options()->Collate(), before.Collate());
    EXPECT_EQ(Options()->OutputFileName(), before.OutputFileName());
    EXPECT_EQ(R.Store->CopyNo(), 0);
    qdzPrintDialogHook() = savedHook;
}
