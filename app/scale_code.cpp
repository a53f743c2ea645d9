// Implementation of the serial scale's side of the station.
#include "scale_code.h"
#include "Classes.h"
#include "Forms.h"
#include "SysUtils.h"
#include "datacenter_code.h"
#include "one_value_file.h"
#include <QFile>
#include <cmath>
#include <QRegularExpression>
#include <QStringList>

QString ParseScaleFrame(const QString &Frame)
{
    // The marker P is 1-based: the first blank, at the latest at position 16
    // (fifteen leading characters); the digits sit at P+2..P+7. A line
    // without that blank is no weight frame, whatever digits it holds.
    int p = 0;
    for (int i = 0; i < qMin(16, int(Frame.size())); ++i) {
        if (Frame[i] == QLatin1Char(' ')) {
            p = i + 1;
            break;
        }
    }
    const int first = p + 1; // 0-based index of d1
    if (p == 0 || Frame.size() < first + 6)
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

QString TScaleFrames::Feed(const QString &Text, bool Quiet)
{
    FPending += Text;
    int end = -1;
    for (int i = FPending.size() - 1; i >= 0 && end < 0; --i)
        if (FPending[i] == QLatin1Char('\n') || FPending[i] == QLatin1Char('\r'))
            end = i;
    if (end < 0) {
        // No line end yet: a scale that ends no frame sends one 16-character
        // frame at a time; a longer run is a partial frame that never ended.
        if (FPending.size() < 16 && !Quiet)
            return QString();
        const QString weight = ParseScaleFrame(FPending);
        FPending.clear();
        return weight;
    }
    const QStringList lines = FPending.left(end).split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts);
    FPending = FPending.mid(end + 1);
    if (FPending.size() > 64)
        FPending.clear();
    if (Quiet && !FPending.isEmpty()) {
        // Nothing follows the unended tail: it is the newest frame, or a cut one.
        const QString tail = ParseScaleFrame(FPending);
        FPending.clear();
        if (!tail.isEmpty())
            return tail;
    }
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
    QString type, why;
    TStringList lines;
    const TOneValueFileState state = ReadOneValueFile(ScaleTypeFile(), &lines, &why);
    if (state == ovOk) {
        int value = 0;
        if (lines.Count() > 0 && TryStrToInt(lines.Strings(0).trimmed(), value))
            type = lines.Strings(0).trimmed();
    }
    if (type.isEmpty()) {
        // There, but no file to read (a pipe, a huge file): the administrator learns what it is.
        const QString detail = state == ovUnfit ? QLatin1Char('\n') + why : QString();
        Application->MessageBox(QStringLiteral("dianzc_type.txt不存在或异常，请联系管理员!") + detail, QStringLiteral("提示!"),
                                MB_ICONWARNING);
        type = QStringLiteral("1");
    }
    return type;
}

bool ValidTare(const QString &Text)
{
    double v;
    return TryStrToFloat(Text.trimmed(), v) && std::isfinite(v) && v >= 0 && v <= ScaleMaxWeight;
}

bool ReadTarePresets(TStrings *Names, TStrings *Values)
{
    TStringList names, values;
    QString whyNames, whyValues;
    const TOneValueFileState n1 = ReadOneValueFile(TareNameFile(), &names, &whyNames);
    const TOneValueFileState n2 = ReadOneValueFile(TareValueFile(), &values, &whyValues);
    if (n1 == ovUnfit || n2 == ovUnfit) {
        Application->MessageBox((n1 == ovUnfit ? whyNames : whyValues)
                                    + QStringLiteral(",皮重设置未读取,请联系管理员!"),
                                QStringLiteral("提示!"), MB_ICONWARNING);
        return false;
    }
    if (n1 != ovOk || n2 != ovOk)
        return false;
    Names->Clear();
    Values->Clear();
    // A name without a value (or a value without a name) is no preset; an
    // empty value is the typed tare; any other must be a weight the scale
    // can show, or a crate would take away more than could lie on it.
    QStringList refused;
    const int n = qMin(names.Count(), values.Count());
    for (int i = 0; i < n; ++i) {
        const QString v = values.Strings(i);
        if (!v.trimmed().isEmpty() && !ValidTare(v)) {
            refused << names.Strings(i) + v;
            continue;
        }
        Names->Add(names.Strings(i) + v);
        Values->Add(v);
    }
    if (!refused.isEmpty())
        Application->MessageBox(QStringLiteral("皮重必须是0到%1之间的数,以下皮重未采用: ").arg(FloatToStr(ScaleMaxWeight))
                                    + refused.join(QStringLiteral(", ")),
                                QStringLiteral("提示!"), MB_ICONWARNING);
    return true;
}
