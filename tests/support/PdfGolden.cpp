// Reference comparison of printed PDFs through poppler's text and image tools.
#include "TestFiles.h"
#include "PdfGolden.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdlib>

namespace PdfGolden {

namespace {

// Resolution of the reference images: small files, yet a moved line, a
// missing frame or a changed font shows.
constexpr int ImageDpi = 40;

QByteArray Run(const QString &Program, const QStringList &Args)
{
    QProcess p;
    p.start(Program, Args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return p.readAllStandardOutput();
}

bool Writing()
{
    return qgetenv("STATION_WRITE_GOLDEN") == "1";
}

QImage PageImage(const QString &File, int Page)
{
    QTemporaryDir dir;
    const QString prefix = dir.filePath(QStringLiteral("page"));
    Run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(ImageDpi), QStringLiteral("-gray"),
                                     QStringLiteral("-png"), QStringLiteral("-singlefile"), QStringLiteral("-f"),
                                     QString::number(Page), QStringLiteral("-l"), QString::number(Page), File, prefix});
    return QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_Grayscale8);
}

// Empty when the two images agree: same size, small mean difference, few
// pixels that differ a lot (anti-aliasing of a glyph may move a little).
QString ImageDifference(const QImage &Got, const QImage &Want)
{
    if (Got.size() != Want.size())
        return QStringLiteral("size %1x%2, reference %3x%4")
            .arg(Got.width())
            .arg(Got.height())
            .arg(Want.width())
            .arg(Want.height());
    qint64 sum = 0, far = 0;
    for (int y = 0; y < Got.height(); ++y) {
        const uchar *a = Got.constScanLine(y), *b = Want.constScanLine(y);
        for (int x = 0; x < Got.width(); ++x) {
            const int d = std::abs(int(a[x]) - int(b[x]));
            sum += d;
            far += d > 64;
        }
    }
    const double pixels = double(Got.width()) * Got.height();
    const double mean = sum / pixels;
    if (mean > 1.0 || far > pixels * 0.002)
        return QStringLiteral("mean difference %1, %2 pixels differ by more than 64").arg(mean).arg(far);
    return {};
}

} // namespace

bool ToolsPresent()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()
           && !QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty()
           && !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty();
}

int PageCount(const QString &File)
{
    const QString info = QString::fromUtf8(Run(QStringLiteral("pdfinfo"), {File}));
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

QString PageText(const QString &File, int Page)
{
    const QByteArray out = Run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-f"),
                                                             QString::number(Page), QStringLiteral("-l"),
                                                             QString::number(Page), File, QStringLiteral("-")});
    return QString::fromUtf8(out);
}

QStringList Compare(const QString &File, const QString &Dir, const QString &Name, const QList<int> &ImagePages)
{
    QStringList diffs;
    const int pages = PageCount(File);
    if (pages == 0)
        return {QStringLiteral("%1: not a readable PDF").arg(File)};
    const QString base = QDir(Dir).filePath(Name);
    const QString countFile = base + QStringLiteral(".pages");
    if (Writing()) {
        QDir().mkpath(Dir);
        QFile c(countFile);
        if (c.open(QIODevice::WriteOnly))
            c.write(QByteArray::number(pages) + '\n');
    } else {
        QFile c(countFile);
        if (!c.open(QIODevice::ReadOnly))
            return {countFile + QStringLiteral(": no reference")};
        const int want = c.readAll().trimmed().toInt();
        if (want != pages)
            return {QStringLiteral("%1 pages, reference %2").arg(pages).arg(want)};
    }
    for (int p = 1; p <= pages; ++p) {
        const QString textFile = base + QStringLiteral(".p%1.txt").arg(p);
        const QString text = PageText(File, p);
        QFile f(textFile);
        if (Writing()) {
            if (f.open(QIODevice::WriteOnly))
                f.write(text.toUtf8());
        } else if (!f.open(QIODevice::ReadOnly)) {
            diffs << textFile + QStringLiteral(": no reference");
        } else if (const QString want = QString::fromUtf8(f.readAll()); want != text) {
            diffs << QStringLiteral("page %1 text:\n%2\nreference:\n%3").arg(p).arg(text, want);
        }
    }
    for (int p : ImagePages) {
        const int page = p < 0 ? pages : p;
        const QString imageFile = base + QStringLiteral(".p%1.png").arg(page);
        const QImage got = PageImage(File, page);
        if (got.isNull()) {
            diffs << QStringLiteral("page %1 not rendered").arg(page);
            continue;
        }
        if (Writing()) {
            got.save(imageFile, "PNG");
            continue;
        }
        const QImage want(imageFile);
        if (want.isNull()) {
            diffs << imageFile + QStringLiteral(": no reference");
            continue;
        }
        if (const QString d = ImageDifference(got, want.convertToFormat(QImage::Format_Grayscale8)); !d.isEmpty()) {
            got.save(TestFile(Name + QStringLiteral(".p%1.got.png").arg(page)));
            diffs << QStringLiteral("page %1 image: %2").arg(page).arg(d);
        }
    }
    return diffs;
}

} // namespace PdfGolden
