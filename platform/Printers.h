// The machine's printers: the spooler (which printers there are and what
// each offers) and TPrinter, one printer to draw pages on or to send raw
// bytes to. The spooler is CUPS, reached through Qt's printer support and
// the lp tools; tests replace it with one of their own (SetSpooler).
//
// Paper ids, bin codes and duplex codes are the classic printing numbers
// (DMPAPER_*, DMBIN_*, DMDUP_*) that templates and reports store. Sizes and
// margins are millimetres. Drawn pages go to the printer through CUPS, or to
// a PDF file when a file name is set; raw jobs go to CUPS unchanged
// (lp -o raw) or to the file as they are.
#pragma once
#include "Classes.h"
#include "Exceptions.h" // EPrinter
#include "Object.h"

#include <QByteArray>
#include <QList>
#include <QMarginsF>
#include <QString>
#include <QStringList>
#include <memory>

class QPrinter;
class TCanvas;


STATION_DECLARE_ENUM(TPrinterOrientation, poPortrait, poLandscape)

enum : int { DMPAPER_LETTER = 1, DMPAPER_A4 = 9, DMPAPER_USER = 256 };
enum : int {
    DMBIN_UPPER = 1, DMBIN_LOWER = 2, DMBIN_MIDDLE = 3, DMBIN_MANUAL = 4, DMBIN_ENVELOPE = 5,
    DMBIN_ENVMANUAL = 6, DMBIN_AUTO = 7, DMBIN_TRACTOR = 8, DMBIN_SMALLFMT = 9, DMBIN_LARGEFMT = 10,
    DMBIN_LARGECAPACITY = 11, DMBIN_CASSETTE = 14, DMBIN_FORMSOURCE = 15, DMBIN_USER = 256
};
enum : int { DMDUP_SIMPLEX = 1, DMDUP_VERTICAL = 2, DMDUP_HORIZONTAL = 3 };

struct TPrinterPaper {
    int Id = 0;         // DMPAPER_*; sizes the numbering lacks get ids above 256
    QString Name;
    double Width = 0;   // portrait, millimetres
    double Height = 0;
};

struct TPrinterBin {
    int Code = 0;       // DMBIN_*; trays the numbering lacks get codes from 256 up
    QString Name;       // the spooler's own name of the tray
};

// What a printer offers, as the spooler tells it.
struct TPrinterDescription {
    QString Name;
    QString Port;                // where it is (CUPS: the printer's location)
    QList<TPrinterPaper> Papers;
    QList<TPrinterBin> Bins;
    int DefPaper = DMPAPER_A4;
    int DefBin = DMBIN_AUTO;
    int DefDuplex = DMDUP_SIMPLEX;
    bool DefLandscape = false;
    int DPI = 600;               // 0: the device cannot be drawn on
    QMarginsF Margins;           // unprintable border, millimetres
};

class TPrinterSpooler
{
public:
    virtual ~TPrinterSpooler() = default;
    virtual QStringList PrinterNames() = 0;
    // Empty when there is no default printer.
    virtual QString DefaultPrinterName() = 0;
    // False when the spooler does not know the printer.
    virtual bool Describe(const QString &Name, TPrinterDescription &Description) = 0;
    // True when drawn pages can go to the printer itself (not only to a file).
    virtual bool CanPrint(const QString &Name) = 0;
    // Sends Data unchanged as one job; False when the spooler refused it.
    virtual bool SubmitRaw(const QString &Name, const QString &Title, const QByteArray &Data) = 0;
};

// The spooler in use: CUPS unless one was set.
TPrinterSpooler *Spooler();
// Replaces the spooler (nullptr restores CUPS); returns the one replaced.
std::unique_ptr<TPrinterSpooler> SetSpooler(std::unique_ptr<TPrinterSpooler> Value);

// Bin code of a CUPS input-slot keyword (Auto, Tray1, Manual...); Index is
// the keyword's position, used for trays the numbering lacks.
int BinCodeOfSlot(const QString &Keyword, int Index);

// One printer: its page set-up, documents of drawn pages on its canvas, and
// raw jobs. Not bound (PrinterIndex -1, Handle nullptr) until a printer the
// spooler knows is chosen.
class TPrinter : public TObject
{
    STATION_CLASS(TPrinter, TObject)
public:
    TPrinter();
    ~TPrinter() override;

    // Names of the spooler's printers, read again by Refresh.
    TStrings *Printers();
    void Refresh();
    int PrinterIndex() const { return FPrinterIndex; }
    // -1 chooses the default printer (or the first one).
    void SetPrinterIndex(int Value);
    // Chooses a printer by name, also one missing from Printers; False (and
    // unbound) when the spooler does not know it.
    bool SetPrinterName(const QString &Name);
    const QString &PrinterName() const { return FDescription.Name; }
    const TPrinterDescription &Description() const { return FDescription; }
    // The Qt printer pages are drawn on; nullptr when unbound or when the
    // printer reports no resolution.
    QPrinter *Handle() const { return FPrinter.get(); }

    // Draw through Canvas (not owned) instead of the printer's own.
    void UseCanvas(TCanvas *Canvas);
    TCanvas *Canvas();

    // --- page set-up; applied at once, also between pages of a document
    int PaperId() const { return FPaperId; }
    double PaperWidth() const { return FPaperWidth; }   // portrait, mm
    double PaperHeight() const { return FPaperHeight; }
    // DMPAPER_USER takes Width x Height (portrait, mm); other ids their own
    // size (Width and Height are then ignored). An unknown id is refused.
    bool SetPaper(int Id, double Width = 0, double Height = 0);
    TPrinterOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TPrinterOrientation Value);
    int Bin() const { return FBin; }
    void SetBin(int Value);
    int Duplex() const { return FDuplex; }
    void SetDuplex(int Value);
    int Copies() const { return FCopies; }
    void SetCopies(int Value);
    int Resolution() const;
    // Printable area in device pixels.
    int PageWidth() const;
    int PageHeight() const;

    // --- documents
    const QString &Title() const { return FTitle; }
    void SetTitle(const QString &Value) { FTitle = Value; }
    // Empty: the printer; else the document is written to this file as PDF
    // (raw jobs as they are).
    const QString &FileName() const { return FFileName; }
    void SetFileName(const QString &Value) { FFileName = Value; }
    bool Printing() const { return FPrinting; }
    bool Aborted() const { return FAborted; }
    int PageNumber() const { return FPageNumber; }
    void BeginDoc();
    void NewPage();
    void EndDoc();
    void Abort();

    // --- raw jobs: the bytes are collected and handed over in EndRAWDoc
    void BeginRAWDoc();
    void WriteRAWDoc(const QByteArray &Data);
    void EndRAWDoc();
    bool RawPrinting() const { return FRawPrinting; }

private:
    void Unbind();
    void ApplyLayout();
    void ApplyBinAndDuplex();

    std::unique_ptr<TStringList> FPrinters;
    int FPrinterIndex = -1;
    TPrinterDescription FDescription;
    std::unique_ptr<QPrinter> FPrinter;
    std::unique_ptr<TCanvas> FOwnCanvas;
    TCanvas *FCanvas = nullptr;
    int FPaperId = DMPAPER_A4;
    double FPaperWidth = 210;
    double FPaperHeight = 297;
    TPrinterOrientation FOrientation = poPortrait;
    int FBin = DMBIN_AUTO;
    int FDuplex = DMDUP_SIMPLEX;
    int FCopies = 1;
    QString FTitle;
    QString FFileName;
    bool FPrinting = false;
    bool FAborted = false;
    int FPageNumber = 0;
    bool FRawPrinting = false;
    QByteArray FRawData;
};

// The shared printer object, bound to the default printer when there is one.
TPrinter *Printer();
