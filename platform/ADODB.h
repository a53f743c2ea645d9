// Database access components over Qt SQL: a connection named by an ADO-style
// connection string, and a query that reads its whole result on Open so that
// RecordCount is exact and navigation is free.
//
// Connection strings: "Provider=SQLite;Data Source=<file>" for the local file,
// "Provider=PostgreSQL;Data Source=<host>;Port=<n>;Initial Catalog=<db>;User ID=<u>;Password=<p>",
// "Provider=SQLOLEDB.1;Data Source=<host>;Initial Catalog=<db>;User ID=<u>;Password=<p>"
// (SQL Server through unixODBC and FreeTDS), or with "Provider=MSDASQL;Driver=<odbc driver>;..."
// any other ODBC driver with the same keys.
#pragma once
#include "Component.h"
#include "Classes.h"
#include "SysUtils.h"
#include "TypInfo.h"
#include "Variants.h"
#include <QSqlDatabase>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>

class TADOConnection : public TComponent
{
    STATION_CLASS(TADOConnection, TComponent)
public:
    explicit TADOConnection(TComponent *AOwner = nullptr);
    ~TADOConnection() override;

    QString ConnectionString() const { return FConnectionString; }
    void SetConnectionString(const QString &Value);
    bool Connected() const;
    void SetConnected(bool Value);
    bool LoginPrompt() const { return FLoginPrompt; }
    void SetLoginPrompt(bool Value) { FLoginPrompt = Value; }
    // Seconds to wait for the server when connecting; 0 leaves the driver's default.
    int ConnectionTimeout() const { return FConnectionTimeout; }
    void SetConnectionTimeout(int Value) { FConnectionTimeout = Value; }
    // Milliseconds one server statement may run; 0 leaves the server's
    // default. PostgreSQL takes it when connecting; through ODBC the server's
    // own setting is asked for after connecting (on SQL Server it bounds only
    // lock waits). A connection that cannot take it opens all the same, and
    // the log says so.
    int StatementTimeout() const { return FStatementTimeout; }
    void SetStatementTimeout(int Value) { FStatementTimeout = Value; }

    void Open();
    void Close();
    void BeginTrans();
    void CommitTrans();
    void RollbackTrans();
    bool InTransaction() const { return FInTransaction; }
    // Runs Work inside one transaction: all of it lands or, when it raises,
    // none of it (rolled back, and the exception goes on to the caller).
    void RunInTransaction(const std::function<void()> &Work);

    // Value of one key of the connection string ('' when absent), keys compared without case.
    QString ConnectionParam(const QString &Key) const;
    // Keys of the connection string that opening does not read for its
    // provider, as written ("Server", "Uid"); none for an unknown provider.
    QStringList UnusedKeys() const;
    // The Qt driver name the provider maps to (QSQLITE, QPSQL, QODBC).
    QString DriverName() const;
    QSqlDatabase Database() const;

private:
    void LimitStatements();

    QString FConnectionString;
    bool FLoginPrompt = true;
    int FConnectionTimeout = 15;
    int FStatementTimeout = 0;
    bool FInTransaction = false;
    QString FQtName; // name of this connection in Qt's connection registry
};

class TADOQuery;

// One column of the current record.
class TField
{
public:
    TField(TADOQuery *DataSet, int Index) : FDataSet(DataSet), FIndex(Index) {}
    QString FieldName() const;
    bool IsNull() const;
    QVariant AsQVariant() const;
    Variant Value() const;
    // A null field reads as '', 0 or False; a float read as integer rounds half to even;
    // a date reads as short-date text.
    QString AsString() const;
    int AsInteger() const;
    qint64 AsLargeInt() const;
    double AsFloat() const;
    bool AsBoolean() const;
    double AsDateTime() const;

    void SetValue(const Variant &V);
    void SetAsString(const QString &S);
    void SetAsInteger(int I);
    void SetAsFloat(double D);
    void SetAsBoolean(bool B);
    void Clear();

private:
    TADOQuery *FDataSet;
    int FIndex;
};

class TParameter
{
public:
    QString Name;
    Variant Value;
};

class TParameters
{
public:
    TParameter &ParamByName(const QString &Name);
    TParameter *FindParam(const QString &Name);
    TParameter &AddParameter(const QString &Name, const Variant &Value);
    int Count() const { return int(FItems.size()); }
    TParameter &Items(int Index);
    void Clear() { FItems.clear(); }

private:
    std::vector<std::unique_ptr<TParameter>> FItems;
};

enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };
enum TADOLockType { ltUnspecified, ltReadOnly, ltPessimistic, ltOptimistic, ltBatchOptimistic };
enum TLocateOption { loCaseInsensitive = 1, loPartialKey = 2 };

class TADOQuery : public TComponent
{
    STATION_CLASS(TADOQuery, TComponent)
public:
    explicit TADOQuery(TComponent *AOwner = nullptr);
    ~TADOQuery() override;

    TADOConnection *Connection() const { return FConnection; }
    void SetConnection(TADOConnection *Value);
    TStringList *SQL() { return &FSQL; }
    TParameters &Parameters() { return FParameters; }
    TADOLockType LockType() const { return FLockType; }
    void SetLockType(TADOLockType Value) { FLockType = Value; }

    // Runs the statement and reads every row.
    void Open();
    void Close();
    // Runs a statement that returns no rows; returns the number of rows affected.
    int ExecSQL();
    bool Active() const { return FState != dsInactive; }
    void SetActive(bool Value);
    TDataSetState State() const { return FState; }

    int RecordCount() const { return int(FRows.size()); }
    int FieldCount() const { return int(FFieldNames.size()); }
    // 1-based number of the current record; 0 when there is none.
    int RecNo() const { return FRows.empty() ? 0 : FCurrent + 1; }
    void SetRecNo(int Value);
    void First();
    void Next();
    void Prior();
    void Last();
    bool Eof() const { return FEof; }
    bool Bof() const { return FBof; }
    bool IsEmpty() const { return FRows.empty(); }
    // Finds the first record whose fields (names separated by ';') hold the values.
    bool Locate(const QString &KeyFields, const Variant &KeyValues, int Options = 0);

    TField FieldByName(const QString &Name);
    TField *FindField(const QString &Name); // never owned by the caller; nullptr when absent
    TField Fields(int Index);
    int FieldIndex(const QString &Name) const; // -1 when absent
    QString FieldNameAt(int Index) const { return FFieldNames.value(Index); }

    // Changes to the cached rows. In ltBatchOptimistic mode Post keeps the change until
    // UpdateBatch; otherwise Post writes it at once.
    void Append();
    void Insert() { Append(); }
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    void UpdateBatch();
    void CancelBatch();

private:
    friend class TField;
    struct Row {
        QVector<QVariant> Values;
        QVector<QVariant> Original; // values as read, for locating the row when updating
        enum Status { Unchanged, Inserted, Modified, Deleted } St = Unchanged;
    };
    QString StatementText() const;
    void BindParameters(class QSqlQuery &Q, QString &Text) const;
    void RunStatement(class QSqlQuery &Q, QString &Text) const;
    void CheckActive() const;
    void CheckBrowseRow() const;
    Row &CurrentRow();
    const Row &CurrentRow() const;
    QString TableName() const;
    void WriteRow(Row &R);
    QSqlDatabase DatabaseOrRaise() const;

    TADOConnection *FConnection = nullptr;
    TStringList FSQL;
    TParameters FParameters;
    TADOLockType FLockType = ltOptimistic;
    TDataSetState FState = dsInactive;
    QStringList FFieldNames;
    std::vector<Row> FRows;
    std::vector<Row> FDeleted;
    int FCurrent = 0;
    bool FEof = true;
    bool FBof = true;
    Row FEditBackup;
    std::vector<std::unique_ptr<TField>> FFieldObjects;
};

class TDataSource : public TComponent
{
    STATION_CLASS(TDataSource, TComponent)
public:
    explicit TDataSource(TComponent *AOwner = nullptr) : TComponent(AOwner) {}
    TADOQuery *DataSet() const { return FDataSet; }
    void SetDataSet(TADOQuery *Value) { FDataSet = Value; }

private:
    TADOQuery *FDataSet = nullptr;
};
