// A station folder in a temporary directory: db/dat.db made from the shipped
// schema (and optionally the demo data), db/dianzc_type.txt with scale type 4
// (no scale), and STATION_DIR pointing at it.
#pragma once
#include <QString>
#include <QTemporaryDir>

class StationFolder
{
public:
    explicit StationFolder(bool WithDemoData = true, bool WithDatabase = true);
    ~StationFolder();
    QString Path() const { return FDir.path() + QLatin1Char('/'); }
    QString Db() const { return Path() + QStringLiteral("db/"); }
    // Runs SQL statements (separated by ';') straight on the database file.
    void Sql(const QString &Statements) const;

private:
    QTemporaryDir FDir;
    QByteArray FOldDir;
};
