// The test command's PostgreSQL server: when it cannot start, the run stops with a message.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct ScriptRun {
    int Code;
    QString Err;
};

ScriptRun StartServer(const QString &PgBin, const QString &Runtime)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("STATION_PG_BIN"), PgBin);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("bash"), {QStringLiteral(STATION_SOURCE_DIR "/scripts/pg-server"), QStringLiteral("start"), Runtime,
                                     QStringLiteral("1")});
    if (!p.waitForFinished(60000))
        return {-1, QString()};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

TEST(TestCommand, AServerThatCannotStartFailsTheRunLoudly)
{
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    // No PostgreSQL at all.
    const ScriptRun missing = StartServer(QStringLiteral("/nonexistent/bin"), runtime.path());
    EXPECT_EQ(missing.Code, 1);
    EXPECT_TRUE(missing.Err.startsWith(QStringLiteral("test: PostgreSQL is not installed"))) << missing.Err.toStdString();

    // A PostgreSQL whose tools fail.
    QTemporaryDir bin;
    for (const char *tool : {"initdb", "pg_ctl"}) {
        QFile f(bin.path() + QLatin1Char('/') + QLatin1String(tool));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\necho broken >&2\nexit 3\n");
        f.close();
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ExeGroup
                         | QFileDevice::ExeOther | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    }
    const ScriptRun broken = StartServer(bin.path(), runtime.path());
    EXPECT_EQ(broken.Code, 1);
    EXPECT_TRUE(broken.Err.contains(QStringLiteral("test: PostgreSQL could not set up its data directory"))) << broken.Err.toStdString();
}
