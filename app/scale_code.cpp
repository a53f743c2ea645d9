// Implementation of the serial scale's side of the station.
#include "scale_code.h"
#include "Classes.h"
#include "Forms.h"
#include "SysUtils.h"
#include "datacenter_code.h"
#include <QFile>
#include <QRegularExpression>
#include <QStringList>

QString ParseScaleFrame(const QString &Frame)
{
    // The marker P is 1-based; the digits sit at P+2..P+7.
    int p = 16;
    for (int i = 0; i < qMin(15, int(Frame.size())); ++i) {
        if (Frame[i] == QLatin1Char(' ')) {
            p = i + 1;
            break;
        }
    }
    const int first = p + 1; // 0-based index of d1
    if (Frame.size() < first + 6)
        return QString();
    const QString digits = Frame.mid(first, 6);
    for (QChar c : digits)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return QString();

    QString whole = digits.left(4);
    while (whole.size() > 1 && whole[0] == QLatin1Char('0'))
        whole.remove(0, 1);
    QString decimals = digits.mid(4, 2);
    while (!decimals.isEmpty() && decimals.back() == QLatin1Char('0'))
        decimals.chop(1);
    const QString weight = decimals.isEmpty() ? whole : whole + QLatin1Char('.') + decimals;
    // The character before the digits is the sign: a scale below zero must not read as weight.
    if (Frame[first - 1] == QLatin1Char('-') && weight != QLatin1String("0"))
        return QLatin1Char('-') + weight;
    return weight;
}

QString TScaleFrames::Feed(const QString &Text)
{
    FPending += Text;
    int end = -1;
    for (int i = FPending.size() - 1; i >= 0 && end < 0; --i)
        if (FPending[i] == QLatin1Char('\n') || FPending[i] == QLatin1Char('\r'))
            end = i;
    if (end < 0) {
        // No line end yet: a scale that ends no frame sends one 16-character
        // frame at a time; a longer run is a partial frame that never ended.
        if (FPending.size() < 16)
            return QString();
        const QString weight = ParseScaleFrame(FPending);
        FPending.clear();
        return weight;
    }
    const QStringList lines = FPending.left(end).split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts);
    FPending = FPending.mid(end + 1);
    if (FPending.size() > 64)
        FPending.clear();
    // The newest complete frame that reads counts; a frame cut at the start
    // of the buffer does not read and gives way to the one before it.
    for (int i = int(lines.size()) - 1; i >= 0; --i) {
        const QString weight = ParseScaleFrame(lines[i]);
        if (!weight.isEmpty())
            return weight;
    }
    return QString();
}

QString ScaleLostMessage()
{
    return QStringLiteral("电子秤连接中断,当前重量已清除,请检查电子秤连接后点击校秤!");
}

QString ScaleTypeFile()
{
    return ProgramDir() + QStringLiteral("db/dianzc_type.txt");
}

QString TareNameFile()
{
    return ProgramDir() + QStringLiteral("db/qup_name.txt");
}

QString TareValueFile()
{
    return ProgramDir() + QStringLiteral("db/qup_value.txt");
}

QString ReadScaleType()
{
    QString type;
    if (QFile::exists(ScaleTypeFile())) {
        try {
            TStringList lines;
            lines.LoadFromFile(ScaleTypeFile(), 936);
            int value = 0;
            if (lines.Count() > 0 && TryStrToInt(lines.Strings(0).trimmed(), value))
                type = lines.Strings(0).trimmed();
        } catch (const Exception &) {
            // unreadable: reported below like a missing file
        }
    }
    if (type.isEmpty()) {
        Application->MessageBox(QStringLiteral("dianzc_type.txt不存在或异常，请联系管理员!"), QStringLiteral("提示!"),
                                MB_ICONWARNING);
        type = QStringLiteral("1");
    }
    return type;
}

bool ReadTarePresets(TStrings *Names, TStrings *Values)
{
    if (!QFile::exists(TareNameFile()) || !QFile::exists(TareValueFile()))
        return false;
    TStringList names, values;
    names.LoadFromFile(TareNameFile(), 936);
    values.LoadFromFile(TareValueFile(), 936);
    Names->Clear();
    Values->Clear();
    // A name without a value (or a value without a name) is no preset.
    const int n = qMin(names.Count(), values.Count());
    for (int i = 0; i < n; ++i) {
        Names->Add(names.Strings(i) + values.Strings(i));
        Values->Add(values.Strings(i));
    }
    return true;
}
