// Implementation of the test process's own folder and environment.
#include "TestFiles.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

class TOwnFolder
{
public:
    TOwnFolder() : FDir(QDir::temp().filePath(QStringLiteral("station-test-XXXXXX"))) {}
    ~TOwnFolder()
    {
        if (::testing::UnitTest::GetInstance()->Failed()) {
            FDir.setAutoRemove(false);
            std::fprintf(stderr, "test files kept in %s\n", qPrintable(FDir.path()));
        }
    }
    QString Path() const { return FDir.path(); }

private:
    QTemporaryDir FDir;
};

TOwnFolder &Folder()
{
    static TOwnFolder folder;
    return folder;
}

} // namespace

QString TestFile(const QString &Name)
{
    return QDir(Folder().Path()).filePath(Name);
}

void PrepareTestEnvironment()
{
    if (!std::getenv("FONTCONFIG_FILE")) {
        const QString conf = QStringLiteral(STATION_SOURCE_DIR "/platform/fonts/fonts.conf");
        if (QFile::exists(conf))
            setenv("FONTCONFIG_FILE", qPrintable(conf), 1);
    }
    // Debian registers the PostgreSQL ODBC driver with CommLog=1, which
    // writes a log per process into /tmp: the tests use a copy without it.
    const QByteArray sys = qgetenv("ODBCSYSINI");
    QFile drivers(QString::fromLocal8Bit(sys.isEmpty() ? QByteArray("/etc") : sys) + QStringLiteral("/odbcinst.ini"));
    if (!drivers.open(QIODevice::ReadOnly))
        return;
    QString text = QString::fromUtf8(drivers.readAll());
    text.replace(QRegularExpression(QStringLiteral("(?im)^(\\s*)(CommLog|Debug|Trace)(\\s*)=.*$")), QStringLiteral("\\1\\2\\3=0"));
    QFile copy(TestFile(QStringLiteral("odbcinst.ini")));
    if (copy.open(QIODevice::WriteOnly) && copy.write(text.toUtf8()) >= 0) {
        copy.close();
        setenv("ODBCSYSINI", qPrintable(QFileInfo(copy).absolutePath()), 1);
    }
}
