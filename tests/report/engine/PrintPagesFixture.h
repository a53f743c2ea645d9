// The print-path fixture: a store of numbered pages printed to PDF through the fake spooler.
#pragma once
#include "PrinterFakes.h"
#include "StoreFixture.h"

#include "report/engine/qdzPrinter.h"
#include "report/model/qdzClassViews.h"
#include "report/model/qdzVariables.h"

#include "platform/Dialogs.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace print_fixture {

inline QString RunTool(const QString &Program, const QStringList &Args)
{
    QProcess p;
    p.start(Program, Args);
    if (!p.waitForFinished(30000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

inline int PdfPages(const QString &File)
{
    const QString info = RunTool(QStringLiteral("pdfinfo"), {File});
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The text of each PDF page, trimmed ("" for a blank sheet).
inline QStringList PdfTexts(const QString &File)
{
    QStringList out;
    const int n = PdfPages(File);
    for (int i = 1; i <= n; ++i)
        out << RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-f"), QString::number(i), QStringLiteral("-l"),
                                                      QString::number(i), File, QStringLiteral("-")})
                   .simplified();
    return out;
}

struct TMessages {
    QStringList Texts;
    TScopedDialogHook Hook{[this](TDialogRequest &R) {
        if (R.Kind != TDialogKind::MessageBox)
            return 0;
        Texts << R.Text;
        return int(IDOK);
    }};
};

// Hears the report's page events; may stop the print.
struct TPageRecorder {
    std::vector<int> Copies;
    TqdzReport *Report = nullptr;
    bool Stop = false;
    void OnPrintPage(TqdzReportPage *, int CopyNo)
    {
        Copies.push_back(CopyNo);
        if (Stop)
            Report->SetTerminated(true);
    }
};

} // namespace print_fixture
using namespace print_fixture;

class PrintPages : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
            GTEST_SKIP() << "poppler-utils missing (scripts/setup installs it)";
        spooler->Printers = {TFakeSpooler::Laser(QStringLiteral("Laser"))};
        spooler->Default = QStringLiteral("Laser");
        qdzFreePrinters();
        File = Dir.filePath(QStringLiteral("out.pdf"));
        Options()->SetShowDialog(false);
        Options()->SetOutputFileName(File);
    }
    void TearDown() override { qdzFreePrinters(); }
    TqdzPrintOptions *Options() { return R.Report.PrintOptions(); }
    // Ten pages showing page1 .. page10.
    void BuildPages(int Count = 10)
    {
        std::vector<int> tags;
        for (int i = 1; i <= Count; ++i)
            tags.push_back(i);
        R.Build(tags);
        R.Store->Finish();
    }
    QStringList Printed() { return PdfTexts(File); }

    TScopedSpooler spooler;
    TMessages Messages;
    QTemporaryDir Dir;
    QString File;
    TStoreReport R;
};
