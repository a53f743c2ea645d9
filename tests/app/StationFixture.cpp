// A station folder in a temporary directory, for the station's tests.
#include "StationFixture.h"
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <stdexcept>

namespace {

void RunScript(const QString &DbPath, const QString &Text)
{
    const QString name = QStringLiteral("fixture-") + DbPath;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(DbPath);
        if (!db.open())
            throw std::runtime_error("cannot open test database");
        // The shipped files hold one statement per ';' outside quotes and comments.
        QString stmt;
        bool quote = false;
        const QStringList lines = Text.split(QLatin1Char('\n'));
        for (const QString &line : lines) {
            if (!quote && line.trimmed().startsWith(QLatin1String("--")))
                continue;
            for (QChar c : line) {
                if (c == QLatin1Char('\''))
                    quote = !quote;
                if (c == QLatin1Char(';') && !quote) {
                    QSqlQuery q(db);
                    if (!stmt.trimmed().isEmpty() && !q.exec(stmt))
                        throw std::runtime_error(("test SQL failed: " + q.lastError().text() + " in " + stmt).toStdString());
                    stmt.clear();
                } else {
                    stmt += c;
                }
            }
            stmt += QLatin1Char('\n');
        }
        QSqlQuery q(db);
        if (!stmt.trimmed().isEmpty() && !q.exec(stmt))
            throw std::runtime_error(("test SQL failed: " + q.lastError().text()).toStdString());
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

QString ReadSource(const char *Rel)
{
    QFile f(QStringLiteral(STATION_SOURCE_DIR "/") + QString::fromLatin1(Rel));
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error(std::string("missing ") + Rel);
    return QString::fromUtf8(f.readAll());
}

} // namespace

StationFolder::StationFolder(bool WithDemoData, bool WithDatabase)
{
    FOldDir = qgetenv("STATION_DIR");
    QDir().mkpath(Db());
    if (WithDatabase) {
        RunScript(Db() + QStringLiteral("dat.db"), ReadSource("app/db/schema.sql"));
        if (WithDemoData)
            RunScript(Db() + QStringLiteral("dat.db"), ReadSource("app/db/demo.sql"));
    }
    // A station without a scale: no port is opened and no message shown.
    QFile type(Db() + QStringLiteral("dianzc_type.txt"));
    if (!type.open(QIODevice::WriteOnly) || type.write("4\r\n") != 3)
        throw std::runtime_error("cannot write the scale type file");
    type.close();
    qputenv("STATION_DIR", Path().toUtf8());
}

StationFolder::~StationFolder()
{
    if (FOldDir.isEmpty())
        qunsetenv("STATION_DIR");
    else
        qputenv("STATION_DIR", FOldDir);
}

void StationFolder::Sql(const QString &Statements) const
{
    RunScript(Db() + QStringLiteral("dat.db"), Statements);
}
