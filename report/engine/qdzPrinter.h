// The report engine's printers: an abstract printer with its own paper, bin
// and margin model and a drawing canvas, the machine's printers bound to the
// platform printer, a virtual printer for machines without any, the shared
// printer list, and the table of standard paper sizes. Sizes and margins are
// millimetres.
#pragma once
#include "platform/Graphics.h"
#include "platform/Object.h"
#include "platform/Types.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <memory>
#include <vector>

class TPrinter;
class TStringList;
class TqdzCustomPrinter;

// A standard paper: its id, name and size in tenths of a millimetre.
struct TqdzPaperInfo {
    int Typ;
    const char *Name;
    int X;
    int Y;
};
constexpr int PAPERCOUNT = 66;
extern const TqdzPaperInfo PaperInfo[PAPERCOUNT];

// Width and Height (mm) of paper PaperId; False, both untouched, when the
// table has no such paper.
bool qdzGetPaperSizeMM(int PaperId, double &Width, double &Height);

// Keeps its font at the printer's resolution, so point sizes stay points.
class TqdzPrinterCanvas : public TCanvas
{
    STATION_CLASS(TqdzPrinterCanvas, TCanvas)
public:
    explicit TqdzPrinterCanvas(TqdzCustomPrinter *APrinter) : FPrinter(APrinter) {}
    TqdzCustomPrinter *Printer() const { return FPrinter; }
    void UpdateFont();

protected:
    void Changing() override;

private:
    TqdzCustomPrinter *FPrinter;
};

class TqdzCustomPrinter : public TObject
{
    STATION_CLASS(TqdzCustomPrinter, TObject)
public:
    TqdzCustomPrinter(const QString &AName, const QString &APort);
    ~TqdzCustomPrinter() override;

    virtual void Init() = 0;
    virtual void Abort() = 0;
    virtual void BeginDoc() = 0;
    virtual void BeginPage() = 0;
    virtual void BeginRAWDoc() = 0;
    virtual void EndDoc() = 0;
    virtual void EndPage() = 0;
    virtual void EndRAWDoc() = 0;
    virtual void WriteRAWDoc(const QByteArray &Buf) = 0;
    virtual void SetViewParams(int APaperSize, double APaperWidth, double APaperHeight, bool AOrientation) = 0;
    virtual void SetPrintParams(int APaperSize, double APaperWidth, double APaperHeight, bool AOrientation,
                                int ABin, int ADuplex, int ACopies) = 0;
    virtual void ShowPropertiesDialog() = 0;

    // Position of paper id Id in Papers, -1 when absent.
    int PaperIndex(int Id) const;
    // Paper id of a paper name; an unknown name gives the first entry's id.
    int PaperNameToNumber(const QString &AName) const;
    // Paper id of the entry at Index of Papers.
    int PaperIdAt(int Index) const;
    // Bin code of the entry at Index of Bins.
    int BinCodeAt(int Index) const;

    int Bin() const { return FBin; }
    void SetBin(int Value) { FBin = Value; }
    int Duplex() const { return FDuplex; }
    void SetDuplex(int Value) { FDuplex = Value; }
    TStringList *Bins() const { return FBins.get(); }
    TqdzPrinterCanvas *Canvas() const { return FCanvas.get(); }
    bool DefOrientation() const { return FDefOrientation; }
    int DefPaper() const { return FDefPaper; }
    double DefPaperHeight() const { return FDefPaperHeight; }
    double DefPaperWidth() const { return FDefPaperWidth; }
    int DefDuplex() const { return FDefDuplex; }
    int DefBin() const { return FDefBin; }
    TPoint DPI() const { return FDPI; }
    const QString &FileName() const { return FFileName; }
    void SetFileName(const QString &Value) { FFileName = Value; }
    // Whether the device makes the copies SetPrintParams asks for: the
    // spooler does, a file (a PDF) holds one copy.
    bool PrintsCopies() const { return FFileName.isEmpty(); }
    bool Initialized() const { return FInitialized; }
    const QString &Name() const { return FName; }
    const QString &Port() const { return FPort; }
    int PaperSize() const { return FPaperSize; }
    TStringList *Papers() const { return FPapers.get(); }
    double PaperHeight() const { return FPaperHeight; }
    double PaperWidth() const { return FPaperWidth; }
    double LeftMargin() const { return FLeftMargin; }
    double TopMargin() const { return FTopMargin; }
    double RightMargin() const { return FRightMargin; }
    double BottomMargin() const { return FBottomMargin; }
    bool Orientation() const { return FOrientation; }
    bool Printing() const { return FPrinting; }
    const QString &Title() const { return FTitle; }
    void SetTitle(const QString &Value) { FTitle = Value; }

protected:
    static void AddPaper(TStringList *List, const QString &AName, int Id);

    int FBin = -1;
    int FDuplex = -1;
    std::unique_ptr<TStringList> FBins;
    std::unique_ptr<TqdzPrinterCanvas> FCanvas;
    bool FDefOrientation = false;
    int FDefPaper = 0;
    double FDefPaperHeight = 0;
    double FDefPaperWidth = 0;
    int FDefDuplex = 0;
    int FDefBin = 0;
    TPoint FDPI;
    QString FFileName;
    bool FInitialized = false;
    QString FName;
    QString FPort;
    int FPaperSize = 0;
    std::unique_ptr<TStringList> FPapers;
    double FPaperHeight = 0;
    double FPaperWidth = 0;
    double FLeftMargin = 0;
    double FTopMargin = 0;
    double FRightMargin = 0;
    double FBottomMargin = 0;
    bool FOrientation = false;
    bool FPrinting = false;
    QString FTitle;
};

// A printer of the machine, through the platform printer: its settings stand
// for the device mode, its Qt printer for the device context.
class TqdzPrinter : public TqdzCustomPrinter
{
    STATION_CLASS(TqdzPrinter, TqdzCustomPrinter)
public:
    TqdzPrinter(const QString &AName, const QString &APort);
    ~TqdzPrinter() override;

    void Init() override;
    void Abort() override;
    void BeginDoc() override;
    void BeginPage() override;
    void BeginRAWDoc() override;
    void EndDoc() override;
    void EndPage() override;
    void EndRAWDoc() override;
    void WriteRAWDoc(const QByteArray &Buf) override;
    void SetViewParams(int APaperSize, double APaperWidth, double APaperHeight, bool AOrientation) override;
    void SetPrintParams(int APaperSize, double APaperWidth, double APaperHeight, bool AOrientation, int ABin,
                        int ADuplex, int ACopies) override;
    void ShowPropertiesDialog() override;

    // The platform printer; nullptr until Init found the printer.
    TPrinter *Device() const { return FDevice.get(); }

private:
    void CreateDevMode();
    void FreeDevMode();
    void RecreateDC();
    bool UpdateDeviceCaps();
    void FillPapersAndBins();

    std::unique_ptr<TPrinter> FDevice;
    int FPagesBegun = 0;
};

// Stands in when the machine has no printer: pages can be laid out and
// previewed on the standard papers, nothing is printed.
class TqdzVirtualPrinter : public TqdzCustomPrinter
{
    STATION_CLASS(TqdzVirtualPrinter, TqdzCustomPrinter)
public:
    using TqdzCustomPrinter::TqdzCustomPrinter;

    void Init() override;
    void Abort() override {}
    void BeginDoc() override {}
    void BeginPage() override {}
    void BeginRAWDoc() override {}
    void EndDoc() override {}
    void EndPage() override {}
    void EndRAWDoc() override {}
    void WriteRAWDoc(const QByteArray &) override {}
    void SetViewParams(int APaperSize, double APaperWidth, double APaperHeight, bool AOrientation) override;
    void SetPrintParams(int APaperSize, double APaperWidth, double APaperHeight, bool AOrientation, int ABin,
                        int ADuplex, int ACopies) override;
    void ShowPropertiesDialog() override {}
};

class TqdzPrinters : public TObject
{
    STATION_CLASS(TqdzPrinters, TObject)
public:
    TqdzPrinters();
    ~TqdzPrinters() override;

    int IndexOf(const QString &AName) const;
    void SetPrinterIndex(int Value);
    TqdzCustomPrinter *GetCurrentPrinter() const;
    QString GetDefaultPrinterName() const;

    bool HasPhysicalPrinter() const { return FHasPhysicalPrinter; }
    const std::vector<std::unique_ptr<TqdzCustomPrinter>> &Printers() const { return FPrinters; }
    TStringList *PrinterNames() const { return FPrinterNames.get(); }
    int PrinterIndex() const { return FPrinterIndex.load(std::memory_order_acquire); }

private:
    void FillPrinters();

    bool FHasPhysicalPrinter = false;
    std::vector<std::unique_ptr<TqdzCustomPrinter>> FPrinters;
    std::unique_ptr<TStringList> FPrinterNames;
    // Builds on other threads read the current printer's default paper: a
    // printer is made ready before it becomes current.
    std::atomic<int> FPrinterIndex{-1};
};

// The shared printer list, created on first use by whichever thread comes
// first; the print and printer set-up dialogs work on its current printer.
TqdzPrinters *qdzPrinters();
// Whether this thread may print: printing drives the one current printer of
// the shared list, so it is done on the application's main thread only.
bool qdzCanPrintHere();
// Gives the report model the paper table and the current printer's default
// paper (the model cannot reach this layer itself). Call once at start-up.
void qdzInstallPaperHooks();
// Frees the shared list (the next qdzPrinters() reads the machine's printers
// again); also done when the program ends.
void qdzFreePrinters();

// Shows the printer set-up dialog for the printer ShowPropertiesDialog works
// on and says whether the user confirmed it. The preview layer installs it;
// without one ShowPropertiesDialog does nothing.
using TqdzPrinterSetupHook = bool (*)();
TqdzPrinterSetupHook &qdzPrinterSetupHook();
