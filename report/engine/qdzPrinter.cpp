// Implementation of the report engine's printers.
#include "qdzPrinter.h"

#include "platform/Classes.h"
#include "platform/Dialogs.h"
#include "platform/Printers.h"
#include "platform/SysUtils.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzRes.h"
#include "report/model/qdzUtils.h"

#include <QCoreApplication>
#include <QPrinter>
#include <QThread>
#include <mutex>

STATION_PUBLISHED(TqdzPrinterCanvas) {}
STATION_PUBLISHED(TqdzCustomPrinter) {}
STATION_PUBLISHED(TqdzPrinter) {}
STATION_PUBLISHED(TqdzVirtualPrinter) {}
STATION_PUBLISHED(TqdzPrinters) {}

// ------------------------------------------------------------------ papers

const TqdzPaperInfo PaperInfo[PAPERCOUNT] = {
    {1, "Letter", 2159, 2794},
    {2, "Letter Small", 2159, 2794},
    {3, "Tabloid", 2794, 4318},
    {4, "Ledger", 4318, 2794},
    {5, "Legal", 2159, 3556},
    {6, "Statement", 1397, 2159},
    {7, "Executive", 1842, 2667},
    {8, "A3", 2970, 4200},
    {9, "A4", 2100, 2970},
    {10, "A4 Small", 2100, 2970},
    {11, "A5", 1480, 2100},
    {12, "B4 (JIS)", 2500, 3540},
    {13, "B5 (JIS)", 1820, 2570},
    {14, "Folio", 2159, 3302},
    {15, "Quarto", 2150, 2750},
    {16, "10x14 in", 2540, 3556},
    {17, "11x17 in", 2794, 4318},
    {18, "Note", 2159, 2794},
    {19, "Envelope #9", 984, 2254},
    {20, "Envelope #10", 1048, 2413},
    {21, "Envelope #11", 1143, 2635},
    {22, "Envelope #12", 1207, 2794},
    {23, "Envelope #14", 1270, 2921},
    {24, "C size sheet", 4318, 5588},
    {25, "D size sheet", 5588, 8636},
    {26, "E size sheet", 8636, 11176},
    {27, "Envelope DL", 1100, 2200},
    {28, "Envelope C5", 1620, 2290},
    {29, "Envelope C3", 3240, 4580},
    {30, "Envelope C4", 2290, 3240},
    {31, "Envelope C6", 1140, 1620},
    {32, "Envelope C65", 1140, 2290},
    {33, "Envelope B4", 2500, 3530},
    {34, "Envelope B5", 1760, 2500},
    {35, "Envelope B6", 1760, 1250},
    {36, "Envelope Italy", 1100, 2300},
    {37, "Envelope Monarch", 984, 1905},
    {38, "6 3/4 Envelope", 920, 1651},
    {39, "US Std Fanfold", 3778, 2794},
    {40, "German Std Fanfold", 2159, 3048},
    {41, "German Legal Fanfold", 2159, 3302},
    {42, "B4 (ISO)", 2500, 3530},
    {43, "Japanese Postcard", 1000, 1480},
    {44, "9x11 in", 2286, 2794},
    {45, "10x11 in", 2540, 2794},
    {46, "15x11 in", 3810, 2794},
    {47, "Envelope Invite", 2200, 2200},
    {50, "Letter Extra", 2355, 3048},
    {51, "Legal Extra", 2355, 3810},
    {52, "Tabloid Extra", 2969, 4572},
    {53, "A4 Extra", 2354, 3223},
    {54, "Letter Transverse", 2101, 2794},
    {55, "A4 Transverse", 2100, 2970},
    {56, "Letter Extra Transverse", 2355, 3048},
    {57, "Super A", 2270, 3560},
    {58, "Super B", 3050, 4870},
    {59, "Letter Plus", 2159, 3223},
    {60, "A4 Plus", 2100, 3300},
    {61, "A5 Transverse", 1480, 2100},
    {62, "B5 (JIS) Transverse", 1820, 2570},
    {63, "A3 Extra", 3220, 4450},
    {64, "A5 Extra", 1740, 2350},
    {65, "B5 (ISO) Extra", 2010, 2760},
    {66, "A2", 4200, 5940},
    {67, "A3 Transverse", 2970, 4200},
    {68, "A3 Extra Transverse", 3220, 4450},
};

bool qdzGetPaperSizeMM(int PaperId, double &Width, double &Height)
{
    for (const TqdzPaperInfo &p : PaperInfo)
        if (p.Typ == PaperId) {
            Width = p.X / 10.0;
            Height = p.Y / 10.0;
            return true;
        }
    return false;
}

namespace {

TObject *IdObject(int Id)
{
    return reinterpret_cast<TObject *>(quintptr(Id));
}

int ObjectId(TObject *Object)
{
    return int(reinterpret_cast<quintptr>(Object));
}

// Device pixels to whole millimetres.
double PixelsToMM(int Pixels, int DPI)
{
    return Round(Pixels / double(DPI) * 25.4);
}

// The print dialogs work on the shared list's current printer.
void InstallDialogPrinter();

} // namespace

// ------------------------------------------------------------------ canvas

void TqdzPrinterCanvas::UpdateFont()
{
    const int dpi = FPrinter ? FPrinter->DPI().Y : 0;
    if (dpi > 0 && Font()->PixelsPerInch() != dpi) {
        const int size = Font()->Size();
        Font()->SetPixelsPerInch(dpi);
        Font()->SetSize(size);
    }
}

void TqdzPrinterCanvas::Changing()
{
    UpdateFont();
    inherited::Changing();
}

// ------------------------------------------------------------------ base

TqdzCustomPrinter::TqdzCustomPrinter(const QString &AName, const QString &APort)
    : FBins(std::make_unique<TStringList>()), FCanvas(std::make_unique<TqdzPrinterCanvas>(this)),
      FName(AName), FPort(APort), FPapers(std::make_unique<TStringList>())
{
    FBins->AddObject(qdzResources()->ResourceText(QStringLiteral("prDefault")), IdObject(DMBIN_AUTO));
    AddPaper(FPapers.get(), qdzResources()->ResourceText(QStringLiteral("prCustom")), DMPAPER_USER);
}

TqdzCustomPrinter::~TqdzCustomPrinter() = default;

void TqdzCustomPrinter::AddPaper(TStringList *List, const QString &AName, int Id)
{
    List->AddObject(AName, IdObject(Id));
}

int TqdzCustomPrinter::PaperIndex(int Id) const
{
    for (int i = 0; i < FPapers->Count(); ++i)
        if (ObjectId(FPapers->Objects(i)) == Id)
            return i;
    return -1;
}

int TqdzCustomPrinter::PaperNameToNumber(const QString &AName) const
{
    int i = FPapers->IndexOf(AName);
    if (i == -1)
        i = 0;
    return ObjectId(FPapers->Objects(i));
}

int TqdzCustomPrinter::PaperIdAt(int Index) const
{
    return ObjectId(FPapers->Objects(Index));
}

int TqdzCustomPrinter::BinCodeAt(int Index) const
{
    return ObjectId(FBins->Objects(Index));
}

// ------------------------------------------------------------------ TqdzPrinter

TqdzPrinter::TqdzPrinter(const QString &AName, const QString &APort) : TqdzCustomPrinter(AName, APort) {}

TqdzPrinter::~TqdzPrinter()
{
    if (FDevice && FDevice->Printing())
        FDevice->Abort();
    FreeDevMode();
}

void TqdzPrinter::CreateDevMode()
{
    FDevice = std::make_unique<TPrinter>();
    if (!FDevice->SetPrinterName(FName)) {
        FDevice.reset();
        return;
    }
    FDevice->UseCanvas(FCanvas.get());
}

void TqdzPrinter::FreeDevMode()
{
    if (FDevice)
        FDevice->UseCanvas(nullptr);
    FDevice.reset();
    FCanvas->SetDevice(nullptr);
}

void TqdzPrinter::Init()
{
    if (FInitialized)
        return;
    CreateDevMode();
    if (!FDevice)
        return;
    RecreateDC();
    if (UpdateDeviceCaps()) {
        const TPrinterDescription &d = FDevice->Description();
        FDefPaper = FDevice->PaperId();
        FDefBin = d.DefBin;
        FDefDuplex = d.DefDuplex;
        FPaperSize = FDefPaper;
        FDefPaperWidth = FPaperWidth;
        FDefPaperHeight = FPaperHeight;
        FDefOrientation = FDevice->Orientation() == poLandscape;
        FOrientation = FDefOrientation;
        FillPapersAndBins();
        FBin = -1;
        FDuplex = -1;
        FInitialized = true;
    } else {
        FreeDevMode();
    }
}

// The Qt printer takes every setting at once; what is left of recreating a
// device context is bringing the canvas font to the device's resolution.
void TqdzPrinter::RecreateDC()
{
    FCanvas->UpdateFont();
}

bool TqdzPrinter::UpdateDeviceCaps()
{
    // Reading the device's facts opens no painter (that would start a job).
    TCanvas probe(FDevice ? FDevice->Handle() : nullptr);
    FDPI = TPoint{probe.GetDeviceCaps(LOGPIXELSX), probe.GetDeviceCaps(LOGPIXELSY)};
    if (FDPI.X == 0 || FDPI.Y == 0) {
        qdzErrorMsg(QStringLiteral("Printer selected is not valid"));
        return false;
    }
    FPaperHeight = PixelsToMM(probe.GetDeviceCaps(PHYSICALHEIGHT), FDPI.Y);
    FPaperWidth = PixelsToMM(probe.GetDeviceCaps(PHYSICALWIDTH), FDPI.X);
    FLeftMargin = PixelsToMM(probe.GetDeviceCaps(PHYSICALOFFSETX), FDPI.X);
    FTopMargin = PixelsToMM(probe.GetDeviceCaps(PHYSICALOFFSETY), FDPI.Y);
    FRightMargin = FPaperWidth - PixelsToMM(probe.GetDeviceCaps(HORZRES), FDPI.X) - FLeftMargin;
    FBottomMargin = FPaperHeight - PixelsToMM(probe.GetDeviceCaps(VERTRES), FDPI.Y) - FTopMargin;
    return true;
}

void TqdzPrinter::FillPapersAndBins()
{
    const TPrinterDescription &d = FDevice->Description();
    const int count = std::min<int>(d.Papers.size(), 256);
    for (int i = 0; i < count; ++i)
        if (d.Papers[i].Id != DMPAPER_USER)
            AddPaper(FPapers.get(), d.Papers[i].Name, d.Papers[i].Id);
    for (const TPrinterBin &b : d.Bins)
        if (b.Code != DMBIN_AUTO)
            FBins->AddObject(b.Name, IdObject(b.Code));
}

void TqdzPrinter::SetViewParams(int APaperSize, double APaperWidth, double APaperHeight, bool AOrientation)
{
    if (!FDevice)
        return;
    if (APaperSize == DMPAPER_USER) {
        SetViewParams(DMPAPER_A4, 0, 0, AOrientation);
        FPaperHeight = APaperHeight;
        FPaperWidth = APaperWidth;
    } else {
        FDevice->SetPaper(APaperSize);
        FDevice->SetOrientation(AOrientation ? poLandscape : poPortrait);
        RecreateDC();
        if (!UpdateDeviceCaps())
            return;
    }
    FPaperSize = APaperSize;
    FOrientation = AOrientation;
}

void TqdzPrinter::SetPrintParams(int APaperSize, double APaperWidth, double APaperHeight, bool AOrientation,
                                 int ABin, int ADuplex, int ACopies)
{
    if (!FDevice)
        return;
    if (APaperSize == DMPAPER_USER) {
        // The device takes the custom size in tenths of a millimetre, portrait.
        const int length = AOrientation ? Round(APaperWidth * 10) : Round(APaperHeight * 10);
        const int width = AOrientation ? Round(APaperHeight * 10) : Round(APaperWidth * 10);
        FDevice->SetPaper(DMPAPER_USER, width / 10.0, length / 10.0);
    } else {
        FDevice->SetPaper(APaperSize);
    }
    FDevice->SetOrientation(AOrientation ? poLandscape : poPortrait);
    FDevice->SetCopies(ACopies);

    int bin = FBin != -1 ? FBin : ABin;
    if (bin == DMBIN_AUTO)
        bin = FDefBin;
    FDevice->SetBin(bin);

    int duplex;
    if (FDuplex != -1)
        duplex = FDuplex;
    else if (ADuplex == 0)
        duplex = FDefDuplex;
    else {
        // vertical, horizontal, simplex (1, 2, 3) become the device's 2, 3, 1
        duplex = ADuplex + 1;
        if (duplex == 4)
            duplex = DMDUP_SIMPLEX;
    }
    FDevice->SetDuplex(duplex);

    FCanvas->UpdateFont();
    if (UpdateDeviceCaps()) {
        FPaperSize = APaperSize;
        FOrientation = AOrientation;
    }
}

void TqdzPrinter::BeginDoc()
{
    if (!FDevice)
        throw EPrinter(QStringLiteral("Printer selected is not valid"));
    FPrinting = true;
    FDevice->SetTitle(FTitle.isEmpty() ? QStringLiteral("Tarvo Report Document") : FTitle);
    FDevice->SetFileName(FFileName);
    RecreateDC();
    FPagesBegun = 0;
    try {
        FDevice->BeginDoc();
    } catch (...) {
        FPrinting = false;
        throw;
    }
}

void TqdzPrinter::BeginPage()
{
    if (!FDevice || !FDevice->Printing())
        return;
    // The document opens on its first sheet; every later page takes a new one.
    if (FPagesBegun > 0)
        FDevice->NewPage();
    ++FPagesBegun;
}

void TqdzPrinter::EndPage() {}

void TqdzPrinter::EndDoc()
{
    if (FDevice && FDevice->Printing())
        FDevice->EndDoc();
    FPrinting = false;
    FPagesBegun = 0;
    RecreateDC();
    FBin = -1;
    FDuplex = -1;
    if (FDevice) {
        FDevice->SetBin(FDefBin);
        FDevice->SetDuplex(FDefDuplex);
    }
}

void TqdzPrinter::Abort()
{
    if (FDevice && FDevice->Printing())
        FDevice->Abort();
    EndDoc();
}

void TqdzPrinter::BeginRAWDoc()
{
    if (!FDevice)
        throw EPrinter(QStringLiteral("Printer selected is not valid"));
    RecreateDC();
    FDevice->SetTitle(FTitle);
    FDevice->SetFileName(FFileName);
    FDevice->BeginRAWDoc();
}

void TqdzPrinter::WriteRAWDoc(const QByteArray &Buf)
{
    if (FDevice)
        FDevice->WriteRAWDoc(Buf);
}

void TqdzPrinter::EndRAWDoc()
{
    if (FDevice)
        FDevice->EndRAWDoc();
}

void TqdzPrinter::ShowPropertiesDialog()
{
    if (!FDevice || !FDevice->Handle())
        return;
    QPrinter *device = FDevice->Handle();
    const QPrinter::DuplexMode oldSides = device->duplex();
    SetDialogPrinterProvider([device] { return device; });
    if (!qdzPrinterSetupHook())
        return;
    bool ok = false;
    try {
        ok = qdzPrinterSetupHook()();
    } catch (...) {
        InstallDialogPrinter();
        throw;
    }
    InstallDialogPrinter();
    if (ok) {
        FBin = FDevice->Bin();
        if (device->duplex() != oldSides) {
            switch (device->duplex()) {
            case QPrinter::DuplexLongSide: FDuplex = DMDUP_VERTICAL; break;
            case QPrinter::DuplexShortSide: FDuplex = DMDUP_HORIZONTAL; break;
            default: FDuplex = DMDUP_SIMPLEX; break;
            }
            FDevice->SetDuplex(FDuplex);
        }
    }
    RecreateDC();
}

// ------------------------------------------------------------------ virtual printer

void TqdzVirtualPrinter::Init()
{
    if (FInitialized)
        return;
    FDPI = TPoint{600, 600};
    FDefPaper = DMPAPER_A4;
    FDefOrientation = false;
    FDefPaperWidth = 210;
    FDefPaperHeight = 297;
    for (const TqdzPaperInfo &p : PaperInfo)
        AddPaper(FPapers.get(), QString::fromLatin1(p.Name), p.Typ);
    FBin = -1;
    FDuplex = -1;
    FInitialized = true;
}

void TqdzVirtualPrinter::SetViewParams(int APaperSize, double APaperWidth, double APaperHeight,
                                       bool AOrientation)
{
    double w = 0, h = 0;
    if (APaperSize != DMPAPER_USER && qdzGetPaperSizeMM(APaperSize, w, h)) {
        if (AOrientation)
            std::swap(w, h);
        FPaperSize = APaperSize;
        FPaperWidth = w;
        FPaperHeight = h;
    } else {
        FPaperSize = DMPAPER_USER;
        FPaperWidth = APaperWidth;
        FPaperHeight = APaperHeight;
    }
    FOrientation = AOrientation;
    FLeftMargin = 5;
    FTopMargin = 5;
    FRightMargin = 5;
    FBottomMargin = 5;
}

void TqdzVirtualPrinter::SetPrintParams(int APaperSize, double APaperWidth, double APaperHeight,
                                        bool AOrientation, int ABin, int, int)
{
    SetViewParams(APaperSize, APaperWidth, APaperHeight, AOrientation);
    FBin = ABin;
}

// ------------------------------------------------------------------ printer list

TqdzPrinters::TqdzPrinters() : FPrinterNames(std::make_unique<TStringList>())
{
    FillPrinters();
    if (!FPrinters.empty()) {
        FHasPhysicalPrinter = true;
        int i = IndexOf(GetDefaultPrinterName());
        if (i == -1)
            i = 0;
        SetPrinterIndex(i);
    } else {
        const QString name = qdzResources()->ResourceText(QStringLiteral("prVirtual"));
        FPrinters.push_back(std::make_unique<TqdzVirtualPrinter>(name, QString()));
        FPrinterNames->Add(name);
        FHasPhysicalPrinter = false;
        SetPrinterIndex(0);
    }
}

TqdzPrinters::~TqdzPrinters() = default;

void TqdzPrinters::FillPrinters()
{
    // One entry per print queue; the queue's device is not a port, so the
    // port stays empty as for network-wide printer lists.
    for (const QString &name : Spooler()->PrinterNames()) {
        FPrinters.push_back(std::make_unique<TqdzPrinter>(name, QString()));
        FPrinterNames->Add(name);
    }
}

int TqdzPrinters::IndexOf(const QString &AName) const
{
    for (int i = 0; i < int(FPrinters.size()); ++i)
        if (FPrinters[i]->Name().compare(AName, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void TqdzPrinters::SetPrinterIndex(int Value)
{
    if (Value == -1)
        Value = IndexOf(GetDefaultPrinterName());
    // An index past the list would select nothing that exists.
    if (Value < -1 || Value >= int(FPrinters.size()))
        return;
    if (Value != -1)
        FPrinters[Value]->Init();
    FPrinterIndex.store(Value, std::memory_order_release);
}

TqdzCustomPrinter *TqdzPrinters::GetCurrentPrinter() const
{
    const int i = FPrinterIndex.load(std::memory_order_acquire);
    return i >= 0 ? FPrinters[i].get() : nullptr;
}

QString TqdzPrinters::GetDefaultPrinterName() const
{
    return Spooler()->DefaultPrinterName().left(255);
}

namespace {

std::unique_ptr<TqdzPrinters> &PrintersSlot()
{
    static std::unique_ptr<TqdzPrinters> printers;
    return printers;
}

// Guards the slot: the first page of a build on any thread asks for the list.
std::recursive_mutex &PrintersLock()
{
    static std::recursive_mutex lock;
    return lock;
}

QPrinter *CurrentQPrinter()
{
    std::lock_guard<std::recursive_mutex> hold(PrintersLock());
    auto &slot = PrintersSlot();
    if (!slot)
        return nullptr;
    auto *p = dynamic_cast<TqdzPrinter *>(slot->GetCurrentPrinter());
    return p && p->Device() ? p->Device()->Handle() : nullptr;
}

void InstallDialogPrinter()
{
    SetDialogPrinterProvider(CurrentQPrinter);
}

} // namespace

TqdzPrinterSetupHook &qdzPrinterSetupHook()
{
    static TqdzPrinterSetupHook Hook = nullptr;
    return Hook;
}

TqdzPrinters *qdzPrinters()
{
    std::lock_guard<std::recursive_mutex> hold(PrintersLock());
    auto &slot = PrintersSlot();
    if (!slot) {
        static bool registered = false;
        if (!registered) {
            qAddPostRoutine(qdzFreePrinters);
            registered = true;
        }
        slot = std::make_unique<TqdzPrinters>();
        // Once for the list's life: the provider reads the current printer
        // when a dialog opens.
        InstallDialogPrinter();
    }
    return slot.get();
}

void qdzFreePrinters()
{
    std::lock_guard<std::recursive_mutex> hold(PrintersLock());
    SetDialogPrinterProvider(nullptr);
    PrintersSlot().reset();
}

bool qdzCanPrintHere()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

namespace {

// The current printer's default paper, for new report pages.
bool CurrentPrinterDefaultPaper(int &PaperSize, double &Width, double &Height, bool &Landscape)
{
    TqdzCustomPrinter *p = qdzPrinters()->GetCurrentPrinter();
    if (!p)
        return false;
    PaperSize = p->DefPaper();
    Width = p->DefPaperWidth();
    Height = p->DefPaperHeight();
    Landscape = p->DefOrientation();
    return true;
}

} // namespace

void qdzInstallPaperHooks()
{
    qdzPaperHooks().PaperSize = &qdzGetPaperSizeMM;
    qdzPaperHooks().DefaultPaper = &CurrentPrinterDefaultPaper;
}
