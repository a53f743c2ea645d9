// Paper-size table, the virtual printer and the printer list.
#include "PrinterFakes.h"
#include "report/engine/qdzPrinter.h"
#include "report/model/qdzClass.h"

#include "platform/Classes.h"
#include "platform/Dialogs.h"

#include <gtest/gtest.h>
#include <set>

namespace {

struct TRow {
    int Id, W, H;
};
// Ids and sizes (tenths of a millimetre) as the standard table lists them.
const TRow Expected[] = {
    {1, 2159, 2794},  {2, 2159, 2794},  {3, 2794, 4318},  {4, 4318, 2794},  {5, 2159, 3556},
    {6, 1397, 2159},  {7, 1842, 2667},  {8, 2970, 4200},  {9, 2100, 2970},  {10, 2100, 2970},
    {11, 1480, 2100}, {12, 2500, 3540}, {13, 1820, 2570}, {14, 2159, 3302}, {15, 2150, 2750},
    {16, 2540, 3556}, {17, 2794, 4318}, {18, 2159, 2794}, {19, 984, 2254},  {20, 1048, 2413},
    {21, 1143, 2635}, {22, 1207, 2794}, {23, 1270, 2921}, {24, 4318, 5588}, {25, 5588, 8636},
    {26, 8636, 11176}, {27, 1100, 2200}, {28, 1620, 2290}, {29, 3240, 4580}, {30, 2290, 3240},
    {31, 1140, 1620}, {32, 1140, 2290}, {33, 2500, 3530}, {34, 1760, 2500}, {35, 1760, 1250},
    {36, 1100, 2300}, {37, 984, 1905},  {38, 920, 1651},  {39, 3778, 2794}, {40, 2159, 3048},
    {41, 2159, 3302}, {42, 2500, 3530}, {43, 1000, 1480}, {44, 2286, 2794}, {45, 2540, 2794},
    {46, 3810, 2794}, {47, 2200, 2200}, {50, 2355, 3048}, {51, 2355, 3810}, {52, 2969, 4572},
    {53, 2354, 3223}, {54, 2101, 2794}, {55, 2100, 2970}, {56, 2355, 3048}, {57, 2270, 3560},
    {58, 3050, 4870}, {59, 2159, 3223}, {60, 2100, 3300}, {61, 1480, 2100}, {62, 1820, 2570},
    {63, 3220, 4450}, {64, 1740, 2350}, {65, 2010, 2760}, {66, 4200, 5940}, {67, 2970, 4200},
    {68, 3220, 4450},
};

} // namespace

TEST(PaperTable, HoldsTheSixtySixStandardPapersInOrder)
{
    ASSERT_EQ(std::size(Expected), size_t(PAPERCOUNT));
    std::set<QString> names;
    for (int i = 0; i < PAPERCOUNT; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(PaperInfo[i].Typ, Expected[i].Id);
        EXPECT_EQ(PaperInfo[i].X, Expected[i].W);
        EXPECT_EQ(PaperInfo[i].Y, Expected[i].H);
        ASSERT_NE(PaperInfo[i].Name, nullptr);
        EXPECT_FALSE(QString::fromLatin1(PaperInfo[i].Name).isEmpty());
        names.insert(QString::fromLatin1(PaperInfo[i].Name));
    }
    EXPECT_EQ(names.size(), size_t(PAPERCOUNT)) << "paper names must tell the papers apart";
    EXPECT_STREQ(PaperInfo[0].Name, "Letter");
    EXPECT_STREQ(PaperInfo[8].Name, "A4");
    EXPECT_STREQ(PaperInfo[10].Name, "A5");
    EXPECT_STREQ(PaperInfo[65].Name, "A3 Extra Transverse");
}

TEST(PaperTable, SizeInMillimetres)
{
    const struct {
        int Id;
        bool Found;
        double W, H;
    } cases[] = {
        {9, true, 210, 297},     {1, true, 215.9, 279.4}, {35, true, 176, 125}, {26, true, 863.6, 1117.6},
        {68, true, 322, 445},    {48, false, -1, -2},     {49, false, -1, -2},  {0, false, -1, -2},
        {256, false, -1, -2},    {69, false, -1, -2},     {-9, false, -1, -2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Id);
        double w = -1, h = -2;
        EXPECT_EQ(qdzGetPaperSizeMM(c.Id, w, h), c.Found);
        EXPECT_DOUBLE_EQ(w, c.W);
        EXPECT_DOUBLE_EQ(h, c.H);
    }
}

TEST(VirtualPrinter, StandsInWhenTheMachineHasNoPrinter)
{
    TScopedSpooler spooler;
    TqdzPrinters printers;
    EXPECT_FALSE(printers.HasPhysicalPrinter());
    ASSERT_EQ(printers.Printers().size(), 1u);
    ASSERT_EQ(printers.PrinterNames()->Count(), 1);
    EXPECT_EQ(printers.PrinterNames()->Strings(0), QStringLiteral("Virtual"));
    EXPECT_EQ(printers.PrinterIndex(), 0);
    TqdzCustomPrinter *p = printers.GetCurrentPrinter();
    ASSERT_NE(p, nullptr);
    EXPECT_NE(dynamic_cast<TqdzVirtualPrinter *>(p), nullptr);
    EXPECT_EQ(p->Name(), QStringLiteral("Virtual"));
    EXPECT_EQ(p->Port(), QString());
    EXPECT_TRUE(p->Initialized());
    EXPECT_EQ(p->DPI(), TPoint(600, 600));
    EXPECT_EQ(p->DefPaper(), 9);
    EXPECT_FALSE(p->DefOrientation());
    EXPECT_DOUBLE_EQ(p->DefPaperWidth(), 210);
    EXPECT_DOUBLE_EQ(p->DefPaperHeight(), 297);
    EXPECT_EQ(p->Bin(), -1);
    EXPECT_EQ(p->Duplex(), -1);

    // "Custom" first, then every paper of the table with its id.
    ASSERT_EQ(p->Papers()->Count(), 67);
    EXPECT_EQ(p->Papers()->Strings(0), QStringLiteral("Custom"));
    EXPECT_EQ(p->PaperIdAt(0), 256);
    for (int i = 0; i < PAPERCOUNT; ++i) {
        EXPECT_EQ(p->PaperIdAt(i + 1), PaperInfo[i].Typ);
        EXPECT_EQ(p->Papers()->Strings(i + 1), QString::fromLatin1(PaperInfo[i].Name));
    }
    ASSERT_EQ(p->Bins()->Count(), 1);
    EXPECT_EQ(p->Bins()->Strings(0), QStringLiteral("Default"));
    EXPECT_EQ(p->BinCodeAt(0), 7);

    // The virtual printer prints nothing and takes any call quietly.
    p->BeginDoc();
    p->BeginPage();
    p->EndPage();
    p->EndDoc();
    p->BeginRAWDoc();
    p->WriteRAWDoc("x");
    p->EndRAWDoc();
    p->Abort();
    EXPECT_FALSE(p->Printing());
}

TEST(VirtualPrinter, PaperLookUps)
{
    TqdzVirtualPrinter p(QStringLiteral("Virtual"), QString());
    p.Init();
    EXPECT_EQ(p.PaperIndex(256), 0);
    EXPECT_EQ(p.PaperIndex(1), 1);
    EXPECT_EQ(p.PaperIndex(47), 47);
    EXPECT_EQ(p.PaperIndex(50), 48);
    EXPECT_EQ(p.PaperIndex(68), 66);
    EXPECT_EQ(p.PaperIndex(48), -1);
    EXPECT_EQ(p.PaperIndex(0), -1);
    EXPECT_EQ(p.PaperNameToNumber(QStringLiteral("A4")), 9);
    EXPECT_EQ(p.PaperNameToNumber(QStringLiteral("a5")), 11);
    EXPECT_EQ(p.PaperNameToNumber(QStringLiteral("Envelope DL")), 27);
    EXPECT_EQ(p.PaperNameToNumber(QStringLiteral("Custom")), 256);
    EXPECT_EQ(p.PaperNameToNumber(QStringLiteral("no such paper")), 256);
    EXPECT_EQ(p.PaperNameToNumber(QString()), 256);
}

TEST(VirtualPrinter, ViewAndPrintParameters)
{
    TqdzVirtualPrinter p(QStringLiteral("Virtual"), QString());
    p.Init();
    const struct {
        int Id;
        double W, H;
        bool Landscape;
        int WantId;
        double WantW, WantH;
    } cases[] = {
        {9, 0, 0, false, 9, 210, 297},
        {9, 0, 0, true, 9, 297, 210},
        {11, 1, 2, false, 11, 148, 210},     // the table's size wins over the one given
        {35, 0, 0, true, 35, 125, 176},
        {256, 100, 50, false, 256, 100, 50},
        {256, 100, 50, true, 256, 100, 50},  // a custom size is taken as given
        {48, 120, 80, false, 256, 120, 80},  // not in the table: custom
        {300, 120, 80, true, 256, 120, 80},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Id);
        p.SetViewParams(c.Id, c.W, c.H, c.Landscape);
        EXPECT_EQ(p.PaperSize(), c.WantId);
        EXPECT_DOUBLE_EQ(p.PaperWidth(), c.WantW);
        EXPECT_DOUBLE_EQ(p.PaperHeight(), c.WantH);
        EXPECT_EQ(p.Orientation(), c.Landscape);
        EXPECT_DOUBLE_EQ(p.LeftMargin(), 5);
        EXPECT_DOUBLE_EQ(p.TopMargin(), 5);
        EXPECT_DOUBLE_EQ(p.RightMargin(), 5);
        EXPECT_DOUBLE_EQ(p.BottomMargin(), 5);
    }
    p.SetPrintParams(8, 0, 0, false, 4, 1, 3);
    EXPECT_EQ(p.PaperSize(), 8);
    EXPECT_DOUBLE_EQ(p.PaperWidth(), 297);
    EXPECT_EQ(p.Bin(), 4);
}

TEST(PrinterList, ChoosesTheDefaultPrinterIgnoringCase)
{
    TScopedSpooler spooler;
    spooler->Printers = {TFakeSpooler::Laser(QStringLiteral("Front Desk")),
                         TFakeSpooler::Laser(QStringLiteral("Warehouse Laser"))};
    spooler->Default = QStringLiteral("warehouse laser");
    TqdzPrinters printers;
    EXPECT_TRUE(printers.HasPhysicalPrinter());
    ASSERT_EQ(printers.Printers().size(), 2u);
    EXPECT_EQ(printers.PrinterNames()->Strings(0), QStringLiteral("Front Desk"));
    EXPECT_EQ(printers.PrinterNames()->Strings(1), QStringLiteral("Warehouse Laser"));
    EXPECT_EQ(printers.PrinterIndex(), 1);
    EXPECT_TRUE(printers.Printers()[1]->Initialized());
    EXPECT_FALSE(printers.Printers()[0]->Initialized()) << "only the chosen printer is opened";
    EXPECT_EQ(printers.IndexOf(QStringLiteral("FRONT DESK")), 0);
    EXPECT_EQ(printers.IndexOf(QStringLiteral("Front")), -1);
    EXPECT_EQ(printers.IndexOf(QString()), -1);
    EXPECT_EQ(printers.GetDefaultPrinterName(), QStringLiteral("warehouse laser"));

    printers.SetPrinterIndex(0);
    EXPECT_EQ(printers.PrinterIndex(), 0);
    EXPECT_TRUE(printers.Printers()[0]->Initialized());
    EXPECT_EQ(printers.GetCurrentPrinter(), printers.Printers()[0].get());
    printers.SetPrinterIndex(-1);
    EXPECT_EQ(printers.PrinterIndex(), 1);
    // Past the end: nothing changes.
    printers.SetPrinterIndex(2);
    EXPECT_EQ(printers.PrinterIndex(), 1);
}

TEST(PrinterList, WithoutADefaultTheFirstPrinterIsChosen)
{
    TScopedSpooler spooler;
    spooler->Printers = {TFakeSpooler::Laser(QStringLiteral("A")), TFakeSpooler::Laser(QStringLiteral("B"))};
    spooler->Default = QString();
    TqdzPrinters printers;
    EXPECT_EQ(printers.PrinterIndex(), 0);
    // Asking for the default when there is none leaves no current printer.
    printers.SetPrinterIndex(-1);
    EXPECT_EQ(printers.PrinterIndex(), -1);
    EXPECT_EQ(printers.GetCurrentPrinter(), nullptr);

    spooler->Default = QStringLiteral("Gone");
    TqdzPrinters again;
    EXPECT_EQ(again.PrinterIndex(), 0);
}

TEST(PrinterList, SharedListIsCreatedOnFirstUseAndFreed)
{
    TScopedSpooler spooler;
    spooler->Printers = {TFakeSpooler::Laser(QStringLiteral("Office"))};
    qdzFreePrinters();
    TqdzPrinters *a = qdzPrinters();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(qdzPrinters(), a);
    EXPECT_EQ(a->PrinterNames()->Strings(0), QStringLiteral("Office"));
    qdzFreePrinters();
    spooler->Printers.clear();
    TqdzPrinters *b = qdzPrinters();
    EXPECT_FALSE(b->HasPhysicalPrinter());
    qdzFreePrinters();
}

// The machine's own spooler. Test machines have no printer installed; where
// one is, the checks that need an empty machine are skipped.
TEST(PrinterList, MachineWithoutPrintersThroughCups)
{
    if (!Spooler()->PrinterNames().isEmpty())
        GTEST_SKIP() << "this machine has printers";
    TPrinterDescription d;
    EXPECT_FALSE(Spooler()->Describe(QStringLiteral("No Such Queue"), d));
    EXPECT_FALSE(Spooler()->CanPrint(QStringLiteral("No Such Queue")));
    EXPECT_FALSE(Spooler()->SubmitRaw(QStringLiteral("No Such Queue"), QStringLiteral("t"), "x"));

    TqdzPrinters printers;
    EXPECT_FALSE(printers.HasPhysicalPrinter());
    ASSERT_EQ(printers.PrinterNames()->Count(), 1);
    EXPECT_EQ(printers.PrinterNames()->Strings(0), QStringLiteral("Virtual"));

    EXPECT_EQ(Printer()->Printers()->Count(), 0);
    EXPECT_EQ(Printer()->PrinterIndex(), -1);
    EXPECT_EQ(Printer()->Handle(), nullptr);
    EXPECT_THROW(Printer()->BeginDoc(), EPrinter);
    EXPECT_THROW(Printer()->BeginRAWDoc(), EPrinter);
}

TEST(PrinterList, NewReportPagesTakeTheCurrentPrintersPaper)
{
    TScopedSpooler spooler;
    qdzFreePrinters();
    qdzInstallPaperHooks();
    double w = 0, h = 0;
    ASSERT_TRUE(qdzPaperHooks().PaperSize(11, w, h)); // A5
    EXPECT_DOUBLE_EQ(w, 148);
    EXPECT_DOUBLE_EQ(h, 210);
    TqdzReportPage page(nullptr);
    page.SetDefaults();
    EXPECT_EQ(page.PaperSize(), 9);
    EXPECT_DOUBLE_EQ(page.PaperWidth(), 210);
    EXPECT_DOUBLE_EQ(page.PaperHeight(), 297);
    qdzFreePrinters();
}
