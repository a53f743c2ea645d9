// Tests of datacenter (app).
#include "StationFixture.h"
#include "datacenter_code.h"
#include <gtest/gtest.h>
#include <QFile>

TEST(SqlValueOrNull, TrimsOrGivesNull)
{
    struct Case { const char *In, *Out; };
    const Case cases[] = {
        {"", "null"}, {"   ", "null"}, {"\t", "null"}, {"12", "12"}, {" 12.5 ", "12.5"},
        {"-3", "-3"}, {"0", "0"}, {"1E3", "1E3"}, {" +5 ", "+5"}, {".5", ".5"},
        // Long integers go as they are, never cut to 15 digits through a float.
        {"1234567890123456789", "1234567890123456789"}, {"0.1000000000000000055", "0.1000000000000000055"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(SqlValueOrNull(QString::fromUtf8(c.In)), QString::fromUtf8(c.Out)) << c.In;
}

TEST(SqlValueOrNull, TextThatIsNoNumberNeverReachesSql)
{
    for (const char *bad : {"1; delete from sys_jhsj", "abc", "1,5", "'", "inf", "nan", "1e999", "0x10", "1 2", "-", "."})
        EXPECT_THROW(SqlValueOrNull(QString::fromUtf8(bad)), EConvertError) << bad;
}

TEST(DataCenter, OpensTheLocalDatabaseAndRunsStatements)
{
    StationFolder station;
    TDataCenter dc(nullptr);
    EXPECT_TRUE(dc.L_ADOConnection1->Connected());
    EXPECT_FALSE(dc.S_ADOConnection1->Connected());
    EXPECT_FALSE(dc.L_ADOConnection1->LoginPrompt());

    // An empty quantity is written as SQL null, never 0 or ''.
    EXPECT_TRUE(dc.LocalExec(QStringLiteral("update sys_jhsj set songhl=") + SqlValueOrNull(QString()) + QStringLiteral(" where id=-4999")));
    auto q = dc.LocalOpen(QStringLiteral("select songhl from sys_jhsj where id=?"), {Variant(-4999)});
    ASSERT_EQ(q->RecordCount(), 1);
    EXPECT_TRUE(q->FieldByName(QStringLiteral("songhl")).IsNull());

    EXPECT_FALSE(dc.LocalExec(QStringLiteral("update no_such_table set x=1")));
    EXPECT_THROW(dc.LocalOpen(QStringLiteral("select * from no_such_table")), EDatabaseError);
    // The central connection has no connection string until a download sets one.
    EXPECT_FALSE(dc.ServerExec(QStringLiteral("select 1")));
}

TEST(DataCenter, MissingDatabaseStopsWithItsPath)
{
    StationFolder station(false, false);
    try {
        TDataCenter dc(nullptr);
        FAIL() << "opened a missing database";
    } catch (const EDatabaseError &e) {
        EXPECT_TRUE(e.Message().contains(station.Db() + QStringLiteral("dat.db"))) << e.Message().toStdString();
    }
    EXPECT_FALSE(QFile::exists(station.Db() + QStringLiteral("dat.db")));
}

TEST(DataCenter, UnusableDatabaseStopsWithItsPath)
{
    struct Case {
        const char *What;
        QByteArray Content;
    };
    const Case cases[] = {
        {"empty file", QByteArray()},
        {"not a database", QByteArray("this is a text file, not a database\n").repeated(200)},
    };
    for (const Case &c : cases) {
        StationFolder station(false, false);
        QFile f(station.Db() + QStringLiteral("dat.db"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.Content);
        f.close();
        try {
            TDataCenter dc(nullptr);
            ADD_FAILURE() << "opened " << c.What;
        } catch (const EDatabaseError &e) {
            EXPECT_TRUE(e.Message().contains(station.Db() + QStringLiteral("dat.db"))) << e.Message().toStdString();
        }
    }
    // A database of another program, and one that lacks a column the station reads.
    {
        StationFolder station(false, false);
        station.Sql(QStringLiteral("create table other (x integer)"));
        EXPECT_THROW(TDataCenter dc(nullptr), EDatabaseError);
    }
    {
        StationFolder station(false);
        station.Sql(QStringLiteral("alter table sys_cp drop column dfl"));
        try {
            TDataCenter dc(nullptr);
            ADD_FAILURE() << "opened a database without sys_cp.dfl";
        } catch (const EDatabaseError &e) {
            EXPECT_TRUE(e.Message().contains(QStringLiteral("sys_cp"))) << e.Message().toStdString();
            EXPECT_TRUE(e.Message().contains(station.Db() + QStringLiteral("dat.db")));
        }
    }
}

TEST(DataCenter, OlderDatabaseGainsTheServerIdColumns)
{
    StationFolder station(false);
    station.Sql(QStringLiteral("alter table sys_jhdh drop column server_id; alter table sys_jhsj drop column server_id"));
    TDataCenter dc(nullptr);
    EXPECT_TRUE(dc.LocalExec(QStringLiteral("update sys_jhdh set server_id=1")));
    EXPECT_TRUE(dc.LocalExec(QStringLiteral("update sys_jhsj set server_id=1")));
}
