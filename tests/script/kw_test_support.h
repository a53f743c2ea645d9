// Helpers shared by the script front-end tests.
#pragma once
#include "Classes.h"
#include "kw_iilparser.h"
#include <QMap>
#include <QString>
#include <ostream>

// A host whose unit event answers from a map (when UseUnits is set).
class TTestHost : public TkwParserHost
{
public:
    bool DoGetUnit(const QString &UnitName, QString &UnitText) override
    {
        if (!UseUnits)
            return false;
        Requested << UnitName;
        UnitText = Units.value(UnitName);
        return true;
    }
    bool UseUnits = false;
    QMap<QString, QString> Units;
    QStringList Requested;
};

inline QString TestDataPath(const QString &Name)
{
    return QStringLiteral(STATION_TEST_DATA "/") + Name;
}

// A script file as the script's Lines give it: every line ended by CR LF.
inline QString LoadScript(const QString &FileName)
{
    TStringList lines;
    lines.LoadFromFile(FileName);
    return lines.Text();
}

// The program tree as indented XML with LF line ends.
inline QString TreeText(TkwILParser &P)
{
    P.ProgramDocument()->SetAutoIndent(true);
    return P.ProgramDocument()->SaveToString().replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

struct TParsed
{
    bool Ok = false;
    QString Tree;     // compact form, see Compact()
    QString Message;
    QString Position;
    QString Unit;
};

// The tree without positions: leaves as name:text, nodes as name(children).
inline QString Compact(TkwXMLItem *Item)
{
    QString r = Item->Name();
    if (Item->Count() == 0) {
        const QString t = Item->Prop(QStringLiteral("text"));
        return t.isEmpty() && !Item->Text().contains(QLatin1String("text=")) ? r : r + QLatin1Char(':') + t;
    }
    r += QLatin1Char('(');
    for (int i = 0; i < Item->Count(); ++i) {
        if (i > 0)
            r += QLatin1Char(' ');
        r += Compact(Item->Items(i));
    }
    return r + QLatin1Char(')');
}

// Parses Text in Language; the tree is given without the trailing types copy.
inline TParsed Parse(const QString &Language, const QString &Text, TTestHost *Host = nullptr)
{
    TTestHost local;
    TTestHost *host = Host ? Host : &local;
    TkwILParser p(host);
    p.SelectLanguage(Language);
    TParsed r;
    r.Ok = p.ParseSource(Text);
    r.Message = host->ErrorMessage();
    r.Position = host->ErrorPosition();
    r.Unit = host->ErrorUnit();
    if (r.Ok) {
        TkwXMLItem *root = p.ProgramDocument()->Root();
        QStringList parts;
        for (int i = 0; i < root->Count() - 1; ++i)
            parts << Compact(root->Items(i));
        r.Tree = parts.join(QLatin1Char(' '));
    }
    return r;
}

// Readable QString values in test failure messages.
inline void PrintTo(const QString &S, std::ostream *Os)
{
    *Os << '"' << S.toStdString() << '"';
}
