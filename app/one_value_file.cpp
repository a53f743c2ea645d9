// Implementation of the reading of the station's one-value files.
#include "one_value_file.h"
#include "Classes.h"
#include "CodePages.h"
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TOneValueFileState ReadOneValueFile(const QString &Path, TStrings *Lines, QString *Why)
{
    const QString name = QFileInfo(Path).fileName();
    auto unfit = [&](const QString &Text) {
        if (Why)
            *Why = Text;
        return ovUnfit;
    };
    // Opened without waiting: a pipe with no writer would otherwise hold the
    // station before its first window.
    const int fd = ::open(QFile::encodeName(Path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            if (Why)
                *Why = name + QStringLiteral("不存在");
            return ovMissing;
        }
        return unfit(name + QStringLiteral("无法打开: ") + QString::fromLocal8Bit(std::strerror(errno)));
    }
    struct stat st;
    QByteArray bytes;
    QString problem;
    if (::fstat(fd, &st) != 0)
        problem = name + QStringLiteral("无法读取: ") + QString::fromLocal8Bit(std::strerror(errno));
    else if (!S_ISREG(st.st_mode))
        problem = name + QStringLiteral("不是普通文件");
    else if (st.st_size > OneValueFileLimit)
        problem = name + QStringLiteral("过大(%1字节,最多%2字节)").arg(qint64(st.st_size)).arg(OneValueFileLimit);
    else {
        // At most one byte past the limit: a file that grew meanwhile is still refused.
        bytes.resize(OneValueFileLimit + 1);
        qint64 got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                problem = name + QStringLiteral("无法读取: ") + QString::fromLocal8Bit(std::strerror(errno));
                break;
            }
            if (n == 0)
                break;
            got += n;
        }
        bytes.truncate(got);
        if (problem.isEmpty() && got > OneValueFileLimit)
            problem = name + QStringLiteral("过大(最多%1字节)").arg(OneValueFileLimit);
    }
    ::close(fd);
    if (!problem.isEmpty())
        return unfit(problem);
    Lines->SetText(CodePageToString(bytes, 936));
    if (Why)
        Why->clear();
    return ovOk;
}
