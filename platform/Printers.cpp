// Implementation of the machine's printers.
#include "Printers.h"

#include "Graphics.h"

#include <QCoreApplication>
#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <mutex>

STATION_PUBLISHED(TPrinter) {}

// ------------------------------------------------------------------ CUPS

namespace {

// Options Qt's CUPS engine hands to the job with the document (pairs of
// name and value); how a tray reaches the printer for drawn pages.
constexpr auto PPK_CupsOptions = QPrintEngine::PrintEnginePropertyKey(0xfe00);

int DuplexCode(QPrinter::DuplexMode Mode)
{
    switch (Mode) {
    case QPrinter::DuplexLongSide: return DMDUP_VERTICAL;
    case QPrinter::DuplexShortSide: return DMDUP_HORIZONTAL;
    default: return DMDUP_SIMPLEX;
    }
}

QPrinter::DuplexMode DuplexMode(int Code)
{
    switch (Code) {
    case DMDUP_VERTICAL: return QPrinter::DuplexLongSide;
    case DMDUP_HORIZONTAL: return QPrinter::DuplexShortSide;
    default: return QPrinter::DuplexNone;
    }
}

// Runs a CUPS command line tool; empty when it is missing or failed.
QByteArray RunTool(const QString &Program, const QStringList &Args, const QByteArray &Input = {},
                   bool *Ok = nullptr)
{
    QProcess p;
    p.start(Program, Args);
    if (Ok)
        *Ok = false;
    if (!p.waitForStarted(5000))
        return {};
    if (!Input.isEmpty())
        p.write(Input);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished(1000);
        return {};
    }
    if (Ok)
        *Ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    return p.readAllStandardOutput();
}

class TCupsSpooler : public TPrinterSpooler
{
public:
    QStringList PrinterNames() override { return QPrinterInfo::availablePrinterNames(); }
    QString DefaultPrinterName() override { return QPrinterInfo::defaultPrinterName(); }
    bool CanPrint(const QString &Name) override { return !QPrinterInfo::printerInfo(Name).isNull(); }

    bool Describe(const QString &Name, TPrinterDescription &D) override
    {
        const QPrinterInfo info = QPrinterInfo::printerInfo(Name);
        if (info.isNull())
            return false;
        D = TPrinterDescription();
        D.Name = info.printerName();
        D.Port = info.location();
        int extra = DMPAPER_USER + 1;
        for (const QPageSize &ps : info.supportedPageSizes()) {
            TPrinterPaper paper;
            paper.Id = ps.windowsId() > 0 && ps.windowsId() != DMPAPER_USER ? ps.windowsId() : extra++;
            paper.Name = ps.name();
            const QSizeF mm = ps.size(QPageSize::Millimeter);
            paper.Width = mm.width();
            paper.Height = mm.height();
            D.Papers.append(paper);
        }
        const QPageSize def = info.defaultPageSize();
        D.DefPaper = DMPAPER_A4;
        for (const TPrinterPaper &paper : D.Papers)
            if (paper.Name == def.name())
                D.DefPaper = paper.Id;
        D.DefDuplex = DuplexCode(info.defaultDuplexMode());
        QPrinter probe(info, QPrinter::HighResolution);
        D.DPI = probe.resolution();
        D.Margins = probe.pageLayout().margins(QPageLayout::Millimeter);
        D.DefLandscape = probe.pageLayout().orientation() == QPageLayout::Landscape;
        ReadSlots(Name, D);
        return true;
    }

    bool SubmitRaw(const QString &Name, const QString &Title, const QByteArray &Data) override
    {
        QStringList args{QStringLiteral("-d"), Name, QStringLiteral("-o"), QStringLiteral("raw")};
        if (!Title.isEmpty())
            args << QStringLiteral("-t") << Title;
        bool ok = false;
        RunTool(QStringLiteral("lp"), args, Data, &ok);
        return ok;
    }

private:
    // Trays from the printer's options: "InputSlot/Media Source: *Auto Tray1 Manual".
    static void ReadSlots(const QString &Name, TPrinterDescription &D)
    {
        const QString out = QString::fromUtf8(
            RunTool(QStringLiteral("lpoptions"), {QStringLiteral("-p"), Name, QStringLiteral("-l")}));
        for (const QString &line : out.split(QLatin1Char('\n'))) {
            const QString key = line.section(QLatin1Char('/'), 0, 0).trimmed();
            if (key.compare(QLatin1String("InputSlot"), Qt::CaseInsensitive) != 0 &&
                key.compare(QLatin1String("media-source"), Qt::CaseInsensitive) != 0)
                continue;
            const QStringList words =
                line.section(QLatin1Char(':'), 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            for (int i = 0; i < words.size(); ++i) {
                QString w = words[i];
                const bool isDefault = w.startsWith(QLatin1Char('*'));
                if (isDefault)
                    w.remove(0, 1);
                const int code = BinCodeOfSlot(w, i);
                D.Bins.append({code, w});
                if (isDefault)
                    D.DefBin = code;
            }
            break;
        }
    }
};

std::unique_ptr<TPrinterSpooler> &SpoolerSlot()
{
    static std::unique_ptr<TPrinterSpooler> spooler;
    return spooler;
}

// The spooler is made by whichever thread first asks for it.
std::mutex &SpoolerLock()
{
    static std::mutex lock;
    return lock;
}

} // namespace

TPrinterSpooler *Spooler()
{
    std::lock_guard<std::mutex> hold(SpoolerLock());
    auto &slot = SpoolerSlot();
    if (!slot)
        slot = std::make_unique<TCupsSpooler>();
    return slot.get();
}

std::unique_ptr<TPrinterSpooler> SetSpooler(std::unique_ptr<TPrinterSpooler> Value)
{
    std::lock_guard<std::mutex> hold(SpoolerLock());
    auto old = std::move(SpoolerSlot());
    SpoolerSlot() = std::move(Value);
    return old;
}

int BinCodeOfSlot(const QString &Keyword, int Index)
{
    QString k = Keyword.toLower();
    k.remove(QRegularExpression(QStringLiteral("[-_ ]")));
    static const struct {
        const char *Key;
        int Code;
    } codes[] = {
        {"upper", DMBIN_UPPER}, {"onlyone", DMBIN_UPPER}, {"top", DMBIN_UPPER}, {"tray1", DMBIN_UPPER},
        {"lower", DMBIN_LOWER}, {"bottom", DMBIN_LOWER}, {"tray2", DMBIN_LOWER},
        {"middle", DMBIN_MIDDLE}, {"tray3", DMBIN_MIDDLE},
        {"manual", DMBIN_MANUAL}, {"manualfeed", DMBIN_MANUAL},
        {"envelope", DMBIN_ENVELOPE}, {"envmanual", DMBIN_ENVMANUAL}, {"manualenvelope", DMBIN_ENVMANUAL},
        {"auto", DMBIN_AUTO}, {"autoselect", DMBIN_AUTO}, {"default", DMBIN_AUTO},
        {"tractor", DMBIN_TRACTOR}, {"smallformat", DMBIN_SMALLFMT}, {"largeformat", DMBIN_LARGEFMT},
        {"largecapacity", DMBIN_LARGECAPACITY}, {"cassette", DMBIN_CASSETTE},
        {"formsource", DMBIN_FORMSOURCE},
    };
    for (const auto &c : codes)
        if (k == QLatin1String(c.Key))
            return c.Code;
    return DMBIN_USER + Index;
}

// ------------------------------------------------------------------ TPrinter

TPrinter::TPrinter() : FPrinters(std::make_unique<TStringList>())
{
    Refresh();
}

TPrinter::~TPrinter()
{
    if (FPrinting)
        Abort();
    if (FCanvas)
        FCanvas->SetDevice(nullptr);
}

TStrings *TPrinter::Printers()
{
    return FPrinters.get();
}

void TPrinter::Refresh()
{
    FPrinters->Clear();
    for (const QString &name : Spooler()->PrinterNames())
        FPrinters->Add(name);
    FPrinterIndex = FDescription.Name.isEmpty() ? -1 : FPrinters->IndexOf(FDescription.Name);
}

void TPrinter::SetPrinterIndex(int Value)
{
    if (FPrinting || FRawPrinting)
        throw EPrinter(QStringLiteral("Printing in progress"));
    if (Value == -1) {
        Value = FPrinters->IndexOf(Spooler()->DefaultPrinterName());
        if (Value < 0 && FPrinters->Count() > 0)
            Value = 0;
        if (Value < 0) {
            Unbind();
            return;
        }
    }
    if (Value < 0 || Value >= FPrinters->Count())
        throw EPrinter(QStringLiteral("Printer index out of range"));
    SetPrinterName(FPrinters->Strings(Value));
}

bool TPrinter::SetPrinterName(const QString &Name)
{
    if (FPrinting || FRawPrinting)
        throw EPrinter(QStringLiteral("Printing in progress"));
    TPrinterDescription d;
    if (!Spooler()->Describe(Name, d)) {
        Unbind();
        return false;
    }
    Unbind();
    FDescription = d;
    FPrinterIndex = FPrinters->IndexOf(d.Name);
    FPaperId = d.DefPaper;
    FPaperWidth = 210;
    FPaperHeight = 297;
    for (const TPrinterPaper &p : d.Papers)
        if (p.Id == d.DefPaper) {
            FPaperWidth = p.Width;
            FPaperHeight = p.Height;
        }
    FOrientation = d.DefLandscape ? poLandscape : poPortrait;
    FBin = d.DefBin;
    FDuplex = d.DefDuplex;
    FCopies = 1;
    // A device without a resolution cannot be drawn on: no Qt printer.
    if (d.DPI > 0) {
        FPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
        if (Spooler()->CanPrint(d.Name))
            FPrinter->setPrinterName(d.Name);
        FPrinter->setFullPage(false);
        ApplyLayout();
        ApplyBinAndDuplex();
    }
    return true;
}

void TPrinter::Unbind()
{
    if (FCanvas)
        FCanvas->SetDevice(nullptr);
    FPrinter.reset();
    FDescription = TPrinterDescription();
    FPrinterIndex = -1;
}

void TPrinter::UseCanvas(TCanvas *Canvas)
{
    if (FPrinting)
        throw EPrinter(QStringLiteral("Printing in progress"));
    if (FCanvas)
        FCanvas->SetDevice(nullptr);
    FCanvas = Canvas;
}

TCanvas *TPrinter::Canvas()
{
    if (!FCanvas) {
        FOwnCanvas = std::make_unique<TCanvas>();
        FCanvas = FOwnCanvas.get();
    }
    return FCanvas;
}

bool TPrinter::SetPaper(int Id, double Width, double Height)
{
    if (Id == DMPAPER_USER) {
        if (Width <= 0 || Height <= 0)
            return false;
        FPaperId = Id;
        FPaperWidth = Width;
        FPaperHeight = Height;
        ApplyLayout();
        return true;
    }
    for (const TPrinterPaper &p : FDescription.Papers)
        if (p.Id == Id) {
            FPaperId = Id;
            FPaperWidth = p.Width;
            FPaperHeight = p.Height;
            ApplyLayout();
            return true;
        }
    const QPageSize::PageSizeId qid = QPageSize::id(Id);
    if (Id <= 0 || Id > DMPAPER_USER || qid == QPageSize::Custom)
        return false;
    const QSizeF mm = QPageSize(qid).size(QPageSize::Millimeter);
    FPaperId = Id;
    FPaperWidth = mm.width();
    FPaperHeight = mm.height();
    ApplyLayout();
    return true;
}

void TPrinter::SetOrientation(TPrinterOrientation Value)
{
    FOrientation = Value;
    ApplyLayout();
}

void TPrinter::SetBin(int Value)
{
    FBin = Value;
    ApplyBinAndDuplex();
}

void TPrinter::SetDuplex(int Value)
{
    FDuplex = Value;
    ApplyBinAndDuplex();
}

void TPrinter::SetCopies(int Value)
{
    FCopies = std::max(1, Value);
    if (FPrinter && !FPrinting)
        FPrinter->setCopyCount(FCopies);
}

void TPrinter::ApplyLayout()
{
    if (!FPrinter)
        return;
    QPageSize size;
    const QPageSize::PageSizeId qid = FPaperId == DMPAPER_USER ? QPageSize::Custom : QPageSize::id(FPaperId);
    if (qid != QPageSize::Custom)
        size = QPageSize(qid);
    else
        size = QPageSize(QSizeF(FPaperWidth, FPaperHeight), QPageSize::Millimeter, QString(),
                         QPageSize::ExactMatch);
    const QPageLayout layout(size, FOrientation == poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                             FDescription.Margins, QPageLayout::Millimeter);
    if (!FPrinter->setPageLayout(layout)) {
        // The device insists on wider margins: keep its own.
        FPrinter->setPageSize(size);
        FPrinter->setPageOrientation(layout.orientation());
    }
    // Fixed for the document once it has begun.
    if (FPrinter->printerState() != QPrinter::Active && FPrinter->resolution() != FDescription.DPI)
        FPrinter->setResolution(FDescription.DPI);
}

void TPrinter::ApplyBinAndDuplex()
{
    if (!FPrinter)
        return;
    // Sides are fixed for the document once it has begun.
    if (FPrinter->printerState() != QPrinter::Active)
        FPrinter->setDuplex(DuplexMode(FDuplex));
    if (FPrinter->outputFormat() != QPrinter::NativeFormat)
        return;
    // Other options (set by a print dialog, say) stay; the tray is ours.
    QStringList options = FPrinter->printEngine()->property(PPK_CupsOptions).toStringList();
    for (int i = 0; i + 1 < options.size();)
        if (options[i] == QLatin1String("InputSlot"))
            options.remove(i, 2);
        else
            i += 2;
    for (const TPrinterBin &b : FDescription.Bins)
        if (b.Code == FBin && FBin != DMBIN_AUTO)
            options << QStringLiteral("InputSlot") << b.Name;
    FPrinter->printEngine()->setProperty(PPK_CupsOptions, options);
}

int TPrinter::Resolution() const
{
    return FPrinter ? FPrinter->resolution() : 0;
}

int TPrinter::PageWidth() const
{
    return FPrinter ? FPrinter->width() : 0;
}

int TPrinter::PageHeight() const
{
    return FPrinter ? FPrinter->height() : 0;
}

void TPrinter::BeginDoc()
{
    if (FPrinting || FRawPrinting)
        throw EPrinter(QStringLiteral("Printing in progress"));
    if (!FPrinter)
        throw EPrinter(QStringLiteral("There is no default printer currently selected"));
    if (!FFileName.isEmpty()) {
        FPrinter->setOutputFormat(QPrinter::PdfFormat);
        FPrinter->setOutputFileName(FFileName);
    } else {
        if (!Spooler()->CanPrint(FDescription.Name))
            throw EPrinter(QStringLiteral("Printer \"%1\" cannot print").arg(FDescription.Name));
        FPrinter->setOutputFileName(QString());
        FPrinter->setOutputFormat(QPrinter::NativeFormat);
        FPrinter->setPrinterName(FDescription.Name);
    }
    FPrinter->setDocName(FTitle);
    FPrinter->setCopyCount(FCopies);
    ApplyLayout();
    ApplyBinAndDuplex();
    TCanvas *canvas = Canvas();
    canvas->SetDevice(FPrinter.get());
    if (!canvas->Handle()) {
        canvas->SetDevice(nullptr);
        throw EPrinter(FFileName.isEmpty()
                           ? QStringLiteral("Printer \"%1\" cannot print").arg(FDescription.Name)
                           : QStringLiteral("Cannot create file \"%1\"").arg(FFileName));
    }
    FPrinting = true;
    FAborted = false;
    FPageNumber = 1;
}

void TPrinter::NewPage()
{
    if (!FPrinting)
        throw EPrinter(QStringLiteral("Printer is not currently printing"));
    FPrinter->newPage();
    ++FPageNumber;
}

void TPrinter::EndDoc()
{
    if (!FPrinting)
        throw EPrinter(QStringLiteral("Printer is not currently printing"));
    FCanvas->Release();
    FCanvas->SetDevice(nullptr);
    FPrinting = false;
    FPageNumber = 0;
}

void TPrinter::Abort()
{
    if (!FPrinting)
        return;
    FPrinter->abort();
    FCanvas->Release();
    FCanvas->SetDevice(nullptr);
    FPrinting = false;
    FAborted = true;
    FPageNumber = 0;
}

void TPrinter::BeginRAWDoc()
{
    if (FPrinting || FRawPrinting)
        throw EPrinter(QStringLiteral("Printing in progress"));
    if (FDescription.Name.isEmpty())
        throw EPrinter(QStringLiteral("There is no default printer currently selected"));
    FRawData.clear();
    FRawPrinting = true;
}

void TPrinter::WriteRAWDoc(const QByteArray &Data)
{
    if (!FRawPrinting)
        throw EPrinter(QStringLiteral("Printer is not currently printing"));
    FRawData += Data;
}

void TPrinter::EndRAWDoc()
{
    if (!FRawPrinting)
        throw EPrinter(QStringLiteral("Printer is not currently printing"));
    FRawPrinting = false;
    const QByteArray data = std::move(FRawData);
    FRawData.clear();
    if (!FFileName.isEmpty()) {
        QFile f(FFileName);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(data) != data.size())
            throw EPrinter(QStringLiteral("Cannot create file \"%1\"").arg(FFileName));
        return;
    }
    if (!Spooler()->SubmitRaw(FDescription.Name, FTitle, data))
        throw EPrinter(QStringLiteral("Printer \"%1\" refused the job").arg(FDescription.Name));
}

namespace {

std::unique_ptr<TPrinter> &PrinterSlot()
{
    static std::unique_ptr<TPrinter> printer;
    return printer;
}

// Qt printers must go while the application still exists.
void FreePrinter()
{
    PrinterSlot().reset();
}

} // namespace

TPrinter *Printer()
{
    auto &slot = PrinterSlot();
    if (!slot) {
        slot = std::make_unique<TPrinter>();
        slot->SetPrinterIndex(-1);
        qAddPostRoutine(FreePrinter);
    }
    return slot.get();
}
