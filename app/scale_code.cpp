#include "scale_code.h"
#include "Classes.h"
#include "Forms.h"
#include "SysUtils.h"
#include "datacenter_code.h"
#include <QFile>

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
    return decimals.isEmpty() ? whole : whole + QLatin1Char('.') + decimals;
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
