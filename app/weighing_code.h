// The weighing arithmetic shared by the four weighing keypads (and the nets
// of the add-product dialog), what the keypads need from the main window,
// and the local writes of one weighing.
//
// A weighing turns the scale reading into a net quantity: the reading less
// the tare, and, when several lines share one load on the scale, less the
// reading after the previous weighing of that load (LastGross).
#pragma once
#include "ExtCtrls.h"
#include "datacenter_code.h"
#include "Forms.h"
#include "StdCtrls.h"
#include <QHash>
#include <QString>
#include <functional>

class TYbRadioButton;

// What the weighing dialogs take from the main window; the main window fills
// it once, before the dialogs are created. The members carry the main
// window's own control names.
struct TWeighingHost {
    TForm *MainForm = nullptr;               // disabled by the caller, enabled again on close
    TComponent *Sell_StringGrid1 = nullptr;  // Tag: the order line to weigh
    TComponent *Lx_StringGrid1 = nullptr;    // Tag: the order weighed whole
    TEdit *m_zhongzl = nullptr;              // the scale reading
    TButton *m_stopread = nullptr;           // "停止读秤" while the scale is read
    TComboBox *m_qup = nullptr;              // tare presets shown
    TComboBox *m_qup_value = nullptr;        // their values, item by item
    TEdit *LastGross = nullptr;              // same-load memory
    TEdit *LastStep = nullptr;
    TYbRadioButton *SameBang = nullptr;
    TYbRadioButton *DifferentBang = nullptr;
    std::function<void()> ReloadOrderLines;   // tiles of the current order
    std::function<void()> ReloadProductLines; // tiles of the current product
    std::function<void()> ReloadWholeOrders;  // tiles of the whole-order page
};
extern TWeighingHost WeighingHost;

// The outcome of one weighing of an order line.
struct TWeighing {
    double Net = 0;     // added to the line's delivered quantity
    double Gross = 0;   // weighing record: zhongzl
    double Tare = 0;    // weighing record: qup
    QString LastGross;  // same-load memory afterwards
    QString LastStep;
};

enum TWeighingMode { wmManual, wmSameLoad, wmSeparateLoads };

// Text to number as the station converts typed and read weights; raises
// EConvertError for anything that is not a finite number.
double WeightValue(const QString &Text);
// WeightValue of a scale reading; a negative one raises EConvertError too.
double GrossValue(const QString &Reading);
// A crate preset's unit tare: a number from 0 to the scale's largest reading;
// anything else raises EConvertError.
double TareValue(const QString &Text);
// A weight as the station checks and writes it: rounded to three decimals,
// the most a weight carries (the scale shows two, typed values and crate
// presets have at most three), which drops the binary noise of the
// arithmetic: 0.6 - 3 x 0.2 is 0, not -1.1E-16.
double WrittenWeight(double Value);
// An amount (a weight times a price, or a sum of such) as the station writes
// it: rounded to six decimals, which keeps every product of a weight and a
// price of up to three decimals and drops the noise: 1.4 x 20.7 is 28.98.
double WrittenAmount(double Value);
// Gross less Tare less Last, each and the result as WrittenWeight gives
// them: every net the station shows or writes comes from here.
double RoundedNet(double Gross, double Tare, double Last = 0);
// RoundedNet for a weighing: below zero it raises EConvertError, as a
// reading that does not convert.
double NetWeight(double Gross, double Tare, double Last = 0);

// Typed tare (or, by hand, the whole quantity). Reading is the scale text,
// Typed the keypad text. Raises EConvertError when a text does not convert.
TWeighing TypedWeighing(TWeighingMode Mode, const QString &Reading, const QString &Typed, const QString &LastGross);
// Tare by crates: Crates x UnitTare. Raises EConvertError as above.
TWeighing CrateWeighing(bool SameLoad, const QString &Reading, const QString &Crates, const QString &UnitTare,
                        const QString &LastGross);

// Adds the net to the line's delivered quantity and amount and stores the
// weighing record, in one local transaction. OrderedFollows lets a line added
// at the station take its delivered quantity as ordered quantity. False (and
// nothing written) when the line is missing or a statement fails.
bool SaveLineWeighing(int LineId, const TWeighing &W, bool OrderedFollows);
// This station's share of each line that LineIds (a local select of line ids)
// picks and that has records: the sum of the nets of its weighing records that
// are not deleted, summed and rounded as the weighings added them up, plus
// what the central recorded of records a purge took (sys_jhsj.share_base).
QHash<qint64, double> LineShares(const QString &LineIds);

// Adds net and tare to a whole order's sums. False when nothing was written.
bool SaveOrderWeighing(int OrderId, double Net, double Tare);

// Whether the order line exists and belongs to an order that still exists.
bool LineIsLive(int LineId);
// LineIsLive, else the warning that the line is gone; the dialogs call it
// before they show a line and before they save a weighing.
bool CheckLineIsLive(int LineId);
// A line tile was touched and its id is in Sell_StringGrid1's Tag: a line
// that is gone is refused with the warning (and the tiles reloaded); else the main
// window is disabled and the typed keypad opens when the first tare preset is
// chosen, the crate keypad otherwise.
void OpenLineWeighing();
// The line tiles of both pages, each when its list has rows.
void ReloadWeighedLines();
// The unit tare of the preset chosen in m_qup ('' when there is none).
QString ChosenUnitTare();
// The warning box of the station.
void WeighingWarning(const QString &Text);

// Shared look of the keypads.
TButton *KeypadButton(TForm *Form, const char *Name, const QString &Caption, int Left, int Top, int Width,
                      int Height, TNotifyEvent OnClick);
// The digit buttons 1 to 9 of a keypad, three to a row from (Left, Top).
void KeypadDigits(TForm *Form, TButton **Digits[9], int Left, int Top, TNotifyEvent OnClick);
// A typed keypad's digit: it replaces a lone "0" or the value shown selected,
// otherwise it is appended.
void AppendKeypadDigit(TEdit *Field, TObject *DigitButton);
// The keypad's value shown selected when the dialog opens, focused: the first
// digit or point touched replaces it, as typing into the selected edit would.
void SelectKeypadValue(TEdit *Field);
void AppendKeypadPoint(TEdit *Field);
// Esc closes the keypad, F1 commits it.
void KeypadKeyDown(TForm *Keypad, Word &Key, TNotifyEvent Commit);
// A keypad closes by hiding, and gives the main window back.
void CloseKeypad(TCloseAction &Action);
// The memory of the load on the scale (LastGross, LastStep) back to "0".
void ResetLoadMemory();
