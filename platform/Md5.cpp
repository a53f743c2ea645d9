// Implementation of MD5 digest.
#include "Md5.h"
#include "Exceptions.h"
#include <openssl/evp.h>

QString MD5Hex(const QByteArray &Bytes)
{
    unsigned char Digest[EVP_MAX_MD_SIZE];
    unsigned int Length = 0;
    if (EVP_Digest(Bytes.constData(), size_t(Bytes.size()), Digest, &Length, EVP_md5(), nullptr) != 1)
        throw Exception(QStringLiteral("MD5 digest failed"));
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(Digest), int(Length)).toHex());
}
