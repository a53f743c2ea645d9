// Download and upload between the local database and the central server.
//
// The routines below the toolbar flows need no window: they take the work
// date and report progress through TSyncProgress, and raise Exception on the
// first statement that fails (ELocalDatabaseError when the station's own
// database failed). A download runs inside one local transaction, so a
// failing step leaves every table as it was. The upload sends one order at
// a time inside one server transaction, and marks rows uploaded only once
// the server committed what it took.
//
// The server connection string: line 0 of db/ip.txt is the SQL Server's
// address, completed with the station's fixed login. When that line is
// itself a whole connection string ("Provider=...;..."), it is used as it is
// (a PostgreSQL server, or a SQL Server with other credentials).
#pragma once
#include "ADODB.h"
#include "SysUtils.h"
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <functional>

class TForm;
class TDateTimePicker;

// Receives the progress of a download (the busy window's bar).
class TSyncProgress
{
public:
    virtual ~TSyncProgress() = default;
    virtual void SetPercent(int Percent) = 0;
    // What is being done now ("正在上传第 2 单, 共 5 单 ...").
    virtual void SetText(const QString &) {}
};

// Limits on the central connection: how long connecting may take, and how
// long one statement may run (a row locked on the server would otherwise
// hold the station for good; on SQL Server only the wait for a lock is
// bounded, and a server that takes no limit is used without one).
extern int ServerConnectTimeout;     // seconds
extern int ServerStatementTimeoutMs; // milliseconds

// A server error as the operator reads it: one line saying what went wrong
// in the station's words, then the driver's own text on the same line.
QString FailureReason(const QString &DriverText);

// A failure of the station's own database during a download or upload.
STATION_EXCEPTION(ELocalDatabaseError, EDatabaseError)
// Its line for the operator: the station's words, then the driver's text.
QString LocalFailureReason(const QString &DriverText);
// The line for any failure of a download or upload.
QString SyncFailureReason(const Exception &E);

// One master-data step: the local table is emptied and refilled from the server.
struct TDownloadStep {
    QString Table;        // local table
    QString ServerSelect; // may hold '?' for the date (bound once per mark)
    QString LocalTarget;  // local statement the rows are appended to
    QStringList Fields;   // copied by name
    QString Title;        // what the progress window calls it
};

// The master-data steps of the full download, in order (users ... prices).
const QList<TDownloadStep> &MasterDownloadSteps();
// The customers step (also run by the refresh).
const TDownloadStep &CustomersDownloadStep();

// "0" followed by ",id" for every line of db/tongbxlid.txt (program
// directory); only whole numbers count, so the list is safe inside in(...).
QString ChosenLineIds();

// Line 0 of db/ip.txt (program directory); a missing or empty file shows
// the warning and gives ''.
QString ReadServerAddress();
// The connection string for a server address (see above).
QString ServerConnectionString(const QString &Address);
// Connects DataCenter->S_ADOConnection1 afresh; false (after the warning,
// which carries the driver's own text) when it fails. A key of the string
// that the connection would not read is named and nothing is connected.
bool ConnectServer();

// Appends one destination row per source row, copying the named fields, and
// sends them with one batch update. Pairs are (destination, source) names.
void CopyDataset(const QStringList &FieldNames, TADOQuery *Source, TADOQuery *Destination);
void CopyDataset(const QList<QPair<QString, QString>> &Fields, TADOQuery *Source, TADOQuery *Destination);

// The steps; D is the date as 'yyyy-MM-dd'. The server must be connected.
void DownloadTable(const TDownloadStep &Step, const QString &D);
void DownloadOrdersStep(const QString &D, bool Purge);
// Lines the server holds under an order this station made come into the
// station's own order; a line already here, or one this station made, is
// never brought again. Then every line held here that has a server row shows
// the server's quantity less this station's recorded share plus its current
// share (see README, "A line's quantity across stations").
void DownloadOrderLinesStep(const QString &D);

// Full download (every step, with the purge) and refresh (customers, new
// orders, their lines). Counter is the caller's progress counter: each
// master or order step adds 10 and shows it; the lines step shows 100.
void DownloadOrders(TDateTime Date, qint16 &Counter, TSyncProgress *Progress);
void RefreshOrders(TDateTime Date, qint16 &Counter, TSyncProgress *Progress);
// An order, or one line of it (Product set), that the upload could not send.
struct TUploadFailure {
    QString Dh;
    QString Message;  // the driver's text, or why the line reached no server row
    QString Product;  // the line's product; empty when the whole order failed
    bool Local = false; // the station's own database failed
};

// Raised by UploadDeliveries after everything else was sent; the message
// holds one line "单号 <dh>: <reason>: <driver text>" per failed order and
// "单号 <dh> 品名 <product>: <reason>" per line that reached no server row
// (the first 20 of them, then how many more).
class EUploadFailed : public EDatabaseError
{
public:
    explicit EUploadFailed(const QList<TUploadFailure> &Failures);
    const QList<TUploadFailure> &Failures() const { return FFailures; }
    // Only the station's own database failed (besides lines the server had no row for or kept).
    bool LocalOnly() const;
    // Only lines that reached no server row (neither database failed).
    bool LinesOnly() const;

private:
    static QString FailureText(const QList<TUploadFailure> &Failures);
    QList<TUploadFailure> FFailures;
};

// Sends this station's share of every line (the nets of its weighing records
// that are not deleted), station orders and added lines, each order in its
// own server transaction (an order that fails is left wholly unsent). Where a
// line's share differs from the one the central records for this station, the
// difference is added to the server's quantity, its amount follows, and the
// share is recorded; a station order or added line the central has no record
// of is inserted and recorded. Only after the server committed does the
// station save what it learnt (ids, recorded shares, the server's
// quantities): after a failed local save, the next upload reads the records
// and sends only what is still missing. Orders below zero not made here (the
// demo data) are passed over. Raises EUploadFailed when anything stayed
// behind. Progress hears "order n of m" before each order.
void UploadDeliveries(TSyncProgress *Progress = nullptr);

// Points of a download or upload where a test injects a failure: the hook,
// when set, is called there and may throw (an Exception, as a failing
// statement would). ServerCommit: just before an upload's server commit.
// LocalSave: after the server committed, before the station saves what it
// learnt (a throw there is a failed local save, or a station killed between
// the two). DownloadSave: just before a download's local commit.
enum class TSyncPoint { ServerCommit, LocalSave, DownloadSave };
extern std::function<void(TSyncPoint)> SyncFaultHook;

// ---- the toolbar flows, with their confirmation and result boxes ----

// What the flows need from the main window; the main window fills it once.
struct TSyncHost {
    TForm *MainForm = nullptr;               // disabled while the line chooser is open
    TDateTimePicker *WorkDatePicker = nullptr;
    std::function<void()> ReloadOrders;      // the order list (by customer)
    std::function<void()> ReloadProducts;    // the product list
    qint16 Counter = 0;                      // download progress, kept between runs
};
extern TSyncHost SyncHost;

void DownloadOrdersClick();  // " 同步订单 ": confirm, then the line chooser
void FullDownloadClick();    // after the line chooser: date box, connect, every step
void RefreshOrdersClick();   // " 刷新订单 "
void UploadDeliveriesClick(); // " 上传数据 "
