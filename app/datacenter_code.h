// The station's data module: the local and central database connections, the
// queries behind the main window's lists, and the four routines every window
// runs its SQL through.
#pragma once
#include "ADODB.h"
#include <memory>

class TDataCenter : public TComponent
{
    STATION_CLASS(TDataCenter, TComponent)
public:
    explicit TDataCenter(TComponent *AOwner);
    ~TDataCenter() override;

    TADOConnection *L_ADOConnection1;
    TADOConnection *S_ADOConnection1;
    TADOQuery *L_Sell_Dh_Query;
    TDataSource *L_Sell_Dh_Source;
    TADOQuery *L_Sell_Cp_Dh_Query;
    TDataSource *L_Sell_Cp_Dh_Source;
    TADOQuery *L_Sell_Lx_Query;
    TDataSource *L_Sell_Lx_Source;
    TADOQuery *L_Sell_Tmp_Query;
    TDataSource *L_Sell_Tmp_Source;
    TADOQuery *L_Sell_CpTmp_Query;
    TDataSource *L_Sell_CpTmp_Source;

    // Statements carry user text only as bound parameters ('?' in the text).
    // The Exec routines never raise: they report success.
    bool LocalExec(const QString &Sql, const QList<Variant> &Params = {});
    bool ServerExec(const QString &Sql, const QList<Variant> &Params = {});
    // The Open routines raise the database error; the caller owns the query.
    std::unique_ptr<TADOQuery> LocalOpen(const QString &Sql, const QList<Variant> &Params = {});
    std::unique_ptr<TADOQuery> ServerOpen(const QString &Sql, const QList<Variant> &Params = {});

    // The local database file: db/dat.db beside the executable.
    static QString LocalDatabasePath();
    // This station's random id (32 hex digits), made when its database was
    // first opened; the central keeps each station's shares under it.
    QString StationId();

private:
    void DataModuleCreate();
    // Raises EDatabaseError naming the file when a table or column is missing
    // or the file is no database; adds the server_id, server_songhl, upload_key,
    // share_sent and deleted_dhid columns and the station's id when missing
    // (with the upload keys, station-made ids move below zero).
    void CheckLocalSchema();
    void AddShareColumns();
    // Station orders and lines get negative ids: rows of older databases that
    // hold positive ones are renumbered, with their lines and records, and
    // deleted added lines (under negated order ids) leave every order.
    void MoveStationIdsBelowZero();
    void DataModuleDestroy();
};

// The id for a new station order (Order) or line: below every id given so far,
// also those of rows since purged, so the central's records of this station's
// rows never meet a new one. Call inside the transaction that inserts it.
qint64 NextStationRowId(bool Order);

// Runs Body in one transaction of the local database; false (and nothing
// written) when any part of it raised.
bool LocalTransaction(const std::function<void()> &Body);

// The trimmed text of a numeric value for SQL text, or "null" when it is empty.
// Anything that is not a number raises EConvertError, so it never reaches SQL.
QString SqlValueOrNull(const QString &Value);

// A name not yet used among the owner's components: Name, else Name_1, Name_2...
// (a second window of the same kind may be made while the first lives).
QString UniqueFormName(TComponent *Owner, const QString &Name);

// The folder of the executable (or $STATION_DIR when set), with a trailing '/'.
QString ProgramDir();

extern TDataCenter *DataCenter;
