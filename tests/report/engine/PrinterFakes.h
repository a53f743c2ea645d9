// A spooler of made-up printers for tests (no CUPS needed, drawn pages go to
// files, raw jobs are recorded) and a default laser printer to print to file with.
#pragma once
#include "platform/Dialogs.h"
#include "platform/Forms.h"
#include "platform/Printers.h"
#include "report/engine/qdzPrinter.h"

#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <memory>

class TFakeSpooler : public TPrinterSpooler
{
public:
    struct TRawJob {
        QString Printer, Title;
        QByteArray Data;
    };

    QList<TPrinterDescription> Printers;
    QString Default;
    QList<TRawJob> Jobs;
    bool RefuseJobs = false;

    QStringList PrinterNames() override
    {
        QStringList names;
        for (const auto &p : Printers)
            names << p.Name;
        return names;
    }
    QString DefaultPrinterName() override { return Default; }
    bool Describe(const QString &Name, TPrinterDescription &D) override
    {
        for (const auto &p : Printers)
            if (p.Name == Name) {
                D = p;
                return true;
            }
        return false;
    }
    bool CanPrint(const QString &) override { return false; }
    bool SubmitRaw(const QString &Name, const QString &Title, const QByteArray &Data) override
    {
        if (RefuseJobs)
            return false;
        Jobs.append({Name, Title, Data});
        return true;
    }

    // An office laser printer: A4 default, Letter, A5 and a custom-sized
    // entry, three trays, 300 dpi, 4 mm and 5 mm unprintable borders.
    static TPrinterDescription Laser(const QString &Name)
    {
        TPrinterDescription d;
        d.Name = Name;
        d.Papers = {{9, QStringLiteral("A4"), 210, 297},
                    {1, QStringLiteral("Letter"), 215.9, 279.4},
                    {11, QStringLiteral("A5"), 148, 210},
                    {256, QStringLiteral("Custom"), 100, 100},
                    {257, QStringLiteral("Label 80x50"), 80, 50}};
        d.Bins = {{DMBIN_AUTO, QStringLiteral("Auto")},
                  {DMBIN_UPPER, QStringLiteral("Tray1")},
                  {DMBIN_MANUAL, QStringLiteral("Manual")}};
        d.DefPaper = 9;
        d.DefBin = DMBIN_UPPER;
        d.DefDuplex = DMDUP_VERTICAL;
        d.DPI = 300;
        d.Margins = QMarginsF(4, 5, 4, 5);
        return d;
    }
};

// Installs a fake spooler for the life of the object.
class TScopedSpooler
{
public:
    TScopedSpooler() : FFake(new TFakeSpooler), FOld(SetSpooler(std::unique_ptr<TPrinterSpooler>(FFake))) {}
    ~TScopedSpooler() { SetSpooler(std::move(FOld)); }
    TScopedSpooler(const TScopedSpooler &) = delete;
    TScopedSpooler &operator=(const TScopedSpooler &) = delete;
    TFakeSpooler *operator->() const { return FFake; }

private:
    TFakeSpooler *FFake;
    std::unique_ptr<TPrinterSpooler> FOld;
};

// One laser printer as the default queue, the boxes shown recorded instead of
// shown, and a folder of the test's own for what is printed to file.
struct TLaserPrinting
{
    QStringList Messages;
    TScopedDialogHook Hook{[this](TDialogRequest &R) {
        Messages << R.Text;
        return int(IDOK);
    }};
    TScopedSpooler Spooler;
    QTemporaryDir Dir;
    TLaserPrinting()
    {
        Spooler->Printers = {TFakeSpooler::Laser(QStringLiteral("Laser"))};
        Spooler->Default = QStringLiteral("Laser");
        qdzFreePrinters();
    }
};
