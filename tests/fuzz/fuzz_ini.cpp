// Fuzzing the INI files: the input is a section, a key and a value, then
// the file's bytes. Written through TIniFile (in place) and TMemIniFile, the
// value reads back and every other key keeps its value.
#include "CodePages.h"
#include "IniFiles.h"
#include "fuzz_support.h"
#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

namespace {

// Text a file in the station's code page can hold (a file that is not UTF-8
// is read and written as GBK).
bool Encodable(const QString &S)
{
    return CodePageToString(StringToCodePage(S, 936), 936) == S;
}

// A section or key name that the format can hold as it is.
bool PlainName(const QString &S)
{
    if (S.isEmpty() || S.trimmed() != S || !Encodable(S))
        return false;
    for (QChar c : S)
        if (c < QLatin1Char(' ') || c == QLatin1Char('=') || c == QLatin1Char('[') || c == QLatin1Char(']')
            || c == QLatin1Char(';') || c.isSurrogate() || c == QChar(0xFFFD))
            return false;
    return true;
}

bool PlainValue(const QString &S)
{
    if (S.trimmed() != S || S.startsWith(QLatin1Char('"')) || S.startsWith(QLatin1Char('\'')) || !Encodable(S))
        return false;
    for (QChar c : S)
        if (c < QLatin1Char(' ') || c.isSurrogate() || c == QChar(0xFFFD))
            return false;
    return true;
}

// Every key of every section, with the value a read gives.
QHash<QString, QString> Snapshot(TCustomIniFile &Ini)
{
    QHash<QString, QString> r;
    TStringList sections, keys;
    Ini.ReadSections(&sections);
    for (int i = 0; i < sections.Count(); ++i) {
        const QString sec = sections.Strings(i);
        keys.Clear();
        Ini.ReadSection(sec, &keys);
        for (int k = 0; k < keys.Count(); ++k)
            r.insert(sec.toUpper() + QLatin1Char('\n') + keys.Strings(k).toUpper(),
                     Ini.ReadString(sec, keys.Strings(k), QStringLiteral("\x01")));
    }
    return r;
}

void Check(TCustomIniFile &Ini, const QString &Section, const QString &Key, const QString &Value)
{
    const QHash<QString, QString> before = Snapshot(Ini);
    Ini.WriteString(Section, Key, Value);
    FUZZ_CHECK(Ini.ReadString(Section, Key, QStringLiteral("\x01")) == Value);
    const QHash<QString, QString> after = Snapshot(Ini);
    const QString written = Section.toUpper() + QLatin1Char('\n') + Key.toUpper();
    for (auto it = before.constBegin(); it != before.constEnd(); ++it)
        if (it.key() != written)
            FUZZ_CHECK(after.value(it.key(), QStringLiteral("\x02")) == it.value());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
    TFuzzInput in(Data, Size);
    const QString section = in.Text();
    const QString key = in.Text();
    const QString value = in.Text();
    const QByteArray file = in.Rest();
    if (!PlainName(section) || !PlainName(key) || !PlainValue(value))
        return 0;
    // A folder of the run's own, removed when the fuzzer exits.
    static const QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("fuzz.ini"));
    for (int round = 0; round < 2; ++round) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(file);
        f.close();
        try {
            if (round == 0) {
                TIniFile ini(path);
                Check(ini, section, key, value);
            } else {
                TMemIniFile ini(path);
                Check(ini, section, key, value);
            }
        } catch (const EIniFileException &) {
        }
    }
    QFile::remove(path);
    return 0;
}
