// MD5 digest (RFC 1321) as the central database stores passwords: 32
// lower-case hexadecimal digits. Callers encode text to bytes first (GBK for
// passwords, see CodePages.h).
#pragma once
#include <QByteArray>
#include <QString>

QString MD5Hex(const QByteArray &Bytes);
