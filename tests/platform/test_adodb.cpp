// Tests of adodb (platform).
#include "ADODB.h"
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdlib>

namespace {

class ADOTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        Path = Dir.filePath(QStringLiteral("dat.db"));
        // Create the file through a throw-away connection: the component itself refuses missing files.
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("adotest-setup"));
            db.setDatabaseName(Path);
            ASSERT_TRUE(db.open());
            QSqlQuery q(db);
            ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT, qty REAL, flag INTEGER, d TEXT)")));
            ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO t VALUES (1, 'a', 2.5, 1, '2024-03-09'), (2, 'b', 3.5, 0, NULL), (3, NULL, NULL, NULL, NULL)")));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("adotest-setup"));
        Conn.SetConnectionString(QStringLiteral("Provider=SQLite;Data Source=") + Path);
        Conn.SetLoginPrompt(false);
        Conn.SetConnected(true);
    }

    QString Count(const QString &Where)
    {
        TADOQuery q;
        q.SetConnection(&Conn);
        q.SQL()->SetText(QStringLiteral("select count(*) as n from t where ") + Where);
        q.Open();
        return q.FieldByName(QStringLiteral("n")).AsString();
    }

    QTemporaryDir Dir;
    QString Path;
    TADOConnection Conn;
};

} // namespace

TEST(ADOConnection, MissingFileIsRefusedWithItsPath)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db/dat.db"));
    TADOConnection c;
    c.SetConnectionString(QStringLiteral("Provider=SQLite;Data Source=") + path);
    try {
        c.SetConnected(true);
        FAIL() << "connected to a missing file";
    } catch (const EDatabaseError &e) {
        EXPECT_TRUE(e.Message().contains(path)) << e.Message().toStdString();
    }
    EXPECT_FALSE(c.Connected());
    EXPECT_FALSE(QFile::exists(path));
}

TEST(ADOConnection, ConnectionStringKeysAndProviders)
{
    TADOConnection c;
    c.SetConnectionString(QStringLiteral("Provider=SQLOLEDB.1;Password=\"a;b\";User ID=qon;Data Source=10.0.0.1"));
    EXPECT_EQ(c.ConnectionParam(QStringLiteral("password")), QStringLiteral("a;b"));
    EXPECT_EQ(c.ConnectionParam(QStringLiteral("USER ID")), QStringLiteral("qon"));
    EXPECT_EQ(c.ConnectionParam(QStringLiteral("Initial Catalog")), QString());
    EXPECT_EQ(c.DriverName(), QStringLiteral("QODBC"));
    c.SetConnectionString(QStringLiteral("Provider=PostgreSQL;Data Source=localhost"));
    EXPECT_EQ(c.DriverName(), QStringLiteral("QPSQL"));
    c.SetConnectionString(QStringLiteral("Provider=Nothing;Data Source=x"));
    EXPECT_THROW(c.Open(), EDatabaseError);
}

TEST_F(ADOTest, OpenReadsEveryRowAndNavigates)
{
    TADOQuery q;
    q.SetConnection(&Conn);
    q.SQL()->SetText(QStringLiteral("select * from t order by id"));
    q.Open();
    EXPECT_EQ(q.RecordCount(), 3);
    EXPECT_EQ(q.RecNo(), 1);
    EXPECT_TRUE(q.Bof());
    int seen = 0;
    while (!q.Eof()) {
        ++seen;
        q.Next();
    }
    EXPECT_EQ(seen, 3);
    q.Last();
    EXPECT_EQ(q.RecNo(), 3);
    q.Prior();
    EXPECT_EQ(q.FieldByName(QStringLiteral("ID")).AsInteger(), 2);
    EXPECT_THROW(q.FieldByName(QStringLiteral("nope")), EDatabaseError);
}

TEST_F(ADOTest, FieldConversions)
{
    TADOQuery q;
    q.SetConnection(&Conn);
    q.SQL()->SetText(QStringLiteral("select * from t order by id"));
    q.Open();
    // Row 1: float read as integer rounds half to even; a stored date reads as short-date text.
    EXPECT_EQ(q.FieldByName(QStringLiteral("qty")).AsInteger(), 2);
    EXPECT_EQ(q.FieldByName(QStringLiteral("qty")).AsString(), QStringLiteral("2.5"));
    EXPECT_TRUE(q.FieldByName(QStringLiteral("flag")).AsBoolean());
    EXPECT_EQ(q.FieldByName(QStringLiteral("d")).AsString(), QStringLiteral("2024-03-09"));
    EXPECT_DOUBLE_EQ(q.FieldByName(QStringLiteral("d")).AsDateTime(), 45360.0);
    q.Next();
    EXPECT_EQ(q.FieldByName(QStringLiteral("qty")).AsInteger(), 4);
    EXPECT_FALSE(q.FieldByName(QStringLiteral("flag")).AsBoolean());
    q.Next();
    // Row 3: nulls read as '', 0 and False.
    EXPECT_TRUE(q.FieldByName(QStringLiteral("name")).IsNull());
    EXPECT_EQ(q.FieldByName(QStringLiteral("name")).AsString(), QString());
    EXPECT_EQ(q.FieldByName(QStringLiteral("qty")).AsInteger(), 0);
    EXPECT_EQ(q.FieldByName(QStringLiteral("qty")).AsFloat(), 0.0);
    EXPECT_FALSE(q.FieldByName(QStringLiteral("flag")).AsBoolean());
    EXPECT_TRUE(VarIsNull(q.FieldByName(QStringLiteral("qty")).Value()));
}

TEST_F(ADOTest, ParametersCarryUserTextAsData)
{
    TADOQuery q;
    q.SetConnection(&Conn);
    q.SQL()->SetText(QStringLiteral("select name from t where name = :n"));
    q.Parameters().ParamByName(QStringLiteral("n")).Value = Variant(QStringLiteral("x' or 1=1 or '1'='"));
    q.Open();
    EXPECT_EQ(q.RecordCount(), 0);
    q.Parameters().ParamByName(QStringLiteral("n")).Value = Variant(QStringLiteral("b"));
    q.Open();
    EXPECT_EQ(q.RecordCount(), 1);

    TADOQuery ins;
    ins.SetConnection(&Conn);
    ins.SQL()->SetText(QStringLiteral("insert into t (id, name) values (?, ?)"));
    ins.Parameters().AddParameter(QStringLiteral("id"), Variant(10));
    ins.Parameters().AddParameter(QStringLiteral("name"), Variant(QStringLiteral("它's")));
    EXPECT_EQ(ins.ExecSQL(), 1);
    EXPECT_EQ(Count(QStringLiteral("name = '它''s'")), QStringLiteral("1"));
}

TEST_F(ADOTest, LocateByOneAndTwoFields)
{
    TADOQuery q;
    q.SetConnection(&Conn);
    q.SQL()->SetText(QStringLiteral("select * from t order by id"));
    q.Open();
    EXPECT_TRUE(q.Locate(QStringLiteral("name"), Variant(QStringLiteral("b"))));
    EXPECT_EQ(q.RecNo(), 2);
    EXPECT_TRUE(q.Locate(QStringLiteral("name"), Variant(QStringLiteral("A")), loCaseInsensitive));
    EXPECT_EQ(q.RecNo(), 1);
    EXPECT_TRUE(q.Locate(QStringLiteral("id;flag"), VarArrayOf({Variant(2), Variant(0)})));
    EXPECT_EQ(q.RecNo(), 2);
    EXPECT_FALSE(q.Locate(QStringLiteral("id"), Variant(99)));
    EXPECT_EQ(q.RecNo(), 2);
}

TEST_F(ADOTest, EditAndAppendWriteThrough)
{
    TADOQuery q;
    q.SetConnection(&Conn);
    q.SQL()->SetText(QStringLiteral("select * from t order by id"));
    q.Open();
    q.Edit();
    q.FieldByName(QStringLiteral("qty")).SetAsFloat(7.25);
    q.Post();
    q.Append();
    q.FieldByName(QStringLiteral("id")).SetAsInteger(4);
    q.FieldByName(QStringLiteral("name")).SetAsString(QStringLiteral("新"));
    q.Post();
    EXPECT_EQ(q.RecordCount(), 4);
    EXPECT_EQ(Count(QStringLiteral("id = 1 and qty = 7.25")), QStringLiteral("1"));
    EXPECT_EQ(Count(QStringLiteral("id = 4 and name = '新'")), QStringLiteral("1"));
    EXPECT_THROW(q.FieldByName(QStringLiteral("qty")).SetAsFloat(1), EDatabaseError); // not in edit mode
}

TEST_F(ADOTest, UpdateBatchIsAllOrNothing)
{
    TADOQuery q;
    q.SetConnection(&Conn);
    q.SetLockType(ltBatchOptimistic);
    q.SQL()->SetText(QStringLiteral("select * from t"));
    q.Open();
    q.Append();
    q.FieldByName(QStringLiteral("id")).SetAsInteger(20);
    q.Post();
    q.Append();
    q.FieldByName(QStringLiteral("id")).SetAsInteger(1); // clashes with the key of row 1
    q.Post();
    EXPECT_EQ(Count(QStringLiteral("id = 20")), QStringLiteral("0")); // nothing written before the batch
    EXPECT_THROW(q.UpdateBatch(), EDatabaseError);
    EXPECT_EQ(Count(QStringLiteral("id = 20")), QStringLiteral("0"));
    q.CancelBatch();
    EXPECT_EQ(q.RecordCount(), 3);
    q.Append();
    q.FieldByName(QStringLiteral("id")).SetAsInteger(21);
    q.Post();
    q.UpdateBatch();
    EXPECT_EQ(Count(QStringLiteral("id = 21")), QStringLiteral("1"));
}

TEST_F(ADOTest, TransactionsRollBack)
{
    Conn.BeginTrans();
    TADOQuery q;
    q.SetConnection(&Conn);
    q.SQL()->SetText(QStringLiteral("delete from t"));
    EXPECT_EQ(q.ExecSQL(), 3);
    Conn.RollbackTrans();
    EXPECT_EQ(Count(QStringLiteral("1=1")), QStringLiteral("3"));
    EXPECT_THROW(Conn.CommitTrans(), EDatabaseError);
    q.SQL()->SetText(QStringLiteral("this is not sql"));
    EXPECT_THROW(q.ExecSQL(), EDatabaseError);
}

TEST(ADOPostgres, ReadsAndWritesTheCentralServer)
{
    const char *port = std::getenv("STATION_PG_PORT");
    if (!port || !*port)
        GTEST_SKIP() << "no PostgreSQL server (scripts/test starts one)";
    TADOConnection c;
    c.SetConnectionString(QStringLiteral("Provider=PostgreSQL;Data Source=127.0.0.1;Port=%1;Initial Catalog=postgres;User ID=postgres;Password=")
                              .arg(QString::fromLatin1(port)));
    c.SetConnected(true);
    TADOQuery q;
    q.SetConnection(&c);
    q.SQL()->SetText(QStringLiteral("create temporary table ado_pg (id integer primary key, dhrq date, qty numeric(12,3), name varchar(20))"));
    q.ExecSQL();
    q.SQL()->SetText(QStringLiteral("insert into ado_pg values (1, '2024-03-09', 2.5, '中文')"));
    EXPECT_EQ(q.ExecSQL(), 1);
    q.SQL()->SetText(QStringLiteral("select * from ado_pg"));
    q.Open();
    ASSERT_EQ(q.RecordCount(), 1);
    EXPECT_EQ(q.FieldByName(QStringLiteral("dhrq")).AsString(), QStringLiteral("2024-03-09"));
    EXPECT_EQ(q.FieldByName(QStringLiteral("qty")).AsFloat(), 2.5);
    EXPECT_EQ(q.FieldByName(QStringLiteral("name")).AsString(), QStringLiteral("中文"));
    q.Edit();
    q.FieldByName(QStringLiteral("qty")).SetAsFloat(3);
    q.Post();
    q.Open();
    EXPECT_EQ(q.FieldByName(QStringLiteral("qty")).AsInteger(), 3);
}

TEST_F(ADOTest, RunInTransactionLandsAllOrNothing)
{
    TADOQuery q;
    q.SetConnection(&Conn);
    EXPECT_THROW(Conn.RunInTransaction([&] {
        q.SQL()->SetText(QStringLiteral("delete from t where id = 1"));
        q.ExecSQL();
        throw EDatabaseError(QStringLiteral("second statement failed"));
    }),
                 EDatabaseError);
    EXPECT_FALSE(Conn.InTransaction());
    EXPECT_EQ(Count(QStringLiteral("id = 1")), QStringLiteral("1"));
    Conn.RunInTransaction([&] {
        q.SQL()->SetText(QStringLiteral("delete from t where id = 1"));
        q.ExecSQL();
    });
    EXPECT_FALSE(Conn.InTransaction());
    EXPECT_EQ(Count(QStringLiteral("id = 1")), QStringLiteral("0"));
}
