// Download/upload tests: a fresh central database on the test PostgreSQL
// server, a station folder with an empty local database, the data module,
// and a recorder that answers every dialog.
#pragma once
#include "ADODB.h"
#include "Dialogs.h"
#include "StationFixture.h"
#include "datacenter_code.h"
#include "sync_code.h"
#include <gtest/gtest.h>
#include <QList>
#include <QTemporaryDir>
#include <memory>
#include <vector>

// A database of its own on the test server, dropped at the end; or a SQLite
// file, which the stations reach through SQLite's ODBC driver.
class CentralDb
{
public:
    explicit CentralDb(bool Sqlite = false);
    ~CentralDb();
    static bool Available();
    QString ConnectionString() const;
    // The same database through the ODBC driver of PostgreSQL (the path a SQL Server takes), or of SQLite.
    QString OdbcConnectionString() const;
    bool IsSqlite() const { return FSqlite; }
    // Statements separated by ';' (no ';' inside values).
    void Sql(const QString &Statements);
    // First column of the first row as text ('' for null); "<none>" when there is no row.
    QString Value(const QString &Select);
    std::unique_ptr<TADOQuery> Open(const QString &Select);
    int Count(const QString &Select) { return Value(QStringLiteral("select count(*) from (") + Select + QStringLiteral(") c")).toInt(); }
    // The central tables the station reads and writes, with a day's data.
    void CreateSchema();
    void FillSample();

private:
    bool FSqlite;
    QTemporaryDir FDir;
    QString FName;
    std::unique_ptr<TADOConnection> FConn;
};

// Every dialog is answered without a window and remembered.
class DialogRecorder
{
public:
    struct Seen {
        TDialogKind Kind;
        QString Caption;
        QString Text;
        QString Value; // an input box's preset text
    };
    std::vector<Seen> Dialogs;
    QList<int> Answers;      // the next answers to message boxes; IDOK when used up
    QList<QString> Inputs;   // the next input-box entries; an empty list answers Cancel
    QStringList Texts() const;

    DialogRecorder();

private:
    TScopedDialogHook FHook;
};

class SyncTest : public ::testing::Test
{
protected:
    void SetUp() override;
    // The address line written to db/ip.txt.
    virtual QString ServerAddress() const { return Central->ConnectionString(); }
    void TearDown() override;

    // Writes db/<Name> in GBK with CR LF line ends (relative to the station folder).
    void WriteLines(const QString &Name, const QStringList &Lines);
    QString Local(const QString &Select);
    int LocalCount(const QString &Select);
    void LocalSql(const QString &Statements) { Station->Sql(Statements); }

    std::unique_ptr<StationFolder> Station;
    std::unique_ptr<CentralDb> Central;
    std::unique_ptr<TDataCenter> Data;
    QString OldDir;
    QTemporaryDir Elsewhere;
};

// The download and upload tests run twice: through Qt's PostgreSQL driver
// and through ODBC, so the ODBC path and its parameter binding are exercised.
class SyncBothTest : public SyncTest, public ::testing::WithParamInterface<bool>
{
protected:
    QString ServerAddress() const override
    {
        return GetParam() ? Central->OdbcConnectionString() : Central->ConnectionString();
    }
    // Connects and downloads the test day's orders of lines 1 and 2.
    void DownloadBothLines();
};

// Two or three stations on one central server, each a folder of its own with
// both delivery lines chosen; the data module is open on one at a time.
class SyncStationsBase : public SyncBothTest
{
protected:
    virtual bool SqliteCentral() const { return false; }
    // A fresh central with the sample day and Count fresh stations.
    void Fresh(int Count = 2);
    // Opens the data module on station Which (nothing to do when it is open there).
    void Use(int Which);
    // The station started again: its data module opened afresh.
    void Restart();
    void TearDown() override;

    std::vector<std::unique_ptr<StationFolder>> FStations;
    int FAt = -1;
};

// The test day.
inline QString TestDay() { return QStringLiteral("2024-03-09"); }
