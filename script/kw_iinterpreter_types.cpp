// Type rules, literals, source positions, declaration strings and the
// conversions between variant arrays and Format's argument records.
#include "kw_iinterpreter.h"
#include "kw_iparser.h"
#include <limits>

TkwVarType StrToVarType(const QString &TypeName, const TkwScript *Script)
{
    if (Script)
        if (TkwCustomVariable *v = Script->Find(TypeName))
            return v->Typ();
    return fvtClass;
}

bool ClassInherits(const QString &Name1, const QString &Name2, const TkwScript *Script)
{
    if (!Script)
        return false;
    TkwClassVariable *c1 = Script->FindClass(Name1);
    TkwClassVariable *c2 = Script->FindClass(Name2);
    return c1 && c2 && c2->ClassRef()->InheritsFrom(c1->ClassRef());
}

bool TypesCompatible(const TkwTypeRec &Typ1, const TkwTypeRec &Typ2, const TkwScript *Script)
{
    const TkwVarType r = Typ2.Typ;
    switch (Typ1.Typ) {
    case fvtInt:
        return r == fvtInt || r == fvtFloat || r == fvtVariant || r == fvtEnum;
    case fvtBool:
        return r == fvtBool || r == fvtVariant;
    case fvtFloat:
        return r == fvtInt || r == fvtFloat || r == fvtVariant;
    case fvtChar:
    case fvtString:
        return r == fvtChar || r == fvtString || r == fvtVariant;
    case fvtClass:
        return r == fvtVariant || (r == fvtClass && ClassInherits(Typ1.TypeName, Typ2.TypeName, Script));
    case fvtArray:
        return r == fvtArray || r == fvtVariant;
    case fvtVariant:
        return true;
    case fvtEnum:
        return r == fvtInt || r == fvtVariant
               || (r == fvtEnum && Typ1.TypeName.compare(Typ2.TypeName, Qt::CaseInsensitive) == 0);
    default:
        return false;
    }
}

bool AssignCompatible(const TkwCustomVariable *Var1, const TkwCustomVariable *Var2, const TkwScript *Script)
{
    const TkwTypeRec t1{Var1->Typ(), Var1->TypeName()};
    const TkwTypeRec t2{Var2->Typ(), Var2->TypeName()};
    if (t1.Typ == fvtInt && t2.Typ == fvtFloat)
        return false;
    return TypesCompatible(t1, t2, Script);
}

Variant ParserStringToVariant(const QString &S)
{
    if (S.isEmpty())
        return Variant();
    if (S.at(0) == QLatin1Char('\''))
        return Variant(S.mid(1, S.size() - 2));
    qint64 i;
    if (TryStrToInt64(S, i)) {
        if (i < std::numeric_limits<int>::min() || i > std::numeric_limits<int>::max())
            return Variant(i);
        return Variant(int(i));
    }
    QString t = S;
    if (FormatSettings.DecimalSeparator != QLatin1Char('.'))
        t.replace(QLatin1Char('.'), FormatSettings.DecimalSeparator);
    return Variant(StrToFloat(t));
}

TPoint StrToPos(const QString &S)
{
    TPoint p;
    if (S.isEmpty())
        return p;
    const qsizetype colon = S.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        p.Y = StrToIntDef(S.trimmed(), 0);
        return p;
    }
    p.Y = StrToIntDef(S.left(colon).trimmed(), 0);
    p.X = StrToIntDef(S.mid(colon + 1).trimmed(), 0);
    return p;
}

// ---------------------------------------------------------------------------
// Declaration strings

static void SetupParser(TkwParser &P, const TkwScript *Script, const QString &Text)
{
    if (Script && Script->ExtendedCharset())
        P.AddIdentChars(128, 0xFFFF);
    P.SetText(Text);
}

// The character at the read position after blanks; empty at the end.
static QString NextChar(TkwParser &P)
{
    P.SkipSpaces();
    return P.GetChar();
}

static Variant ReadDefault(TkwParser &P, const TkwScript *Script)
{
    P.SkipSpaces();
    QString t = P.GetNumber();
    if (!t.isEmpty())
        return ParserStringToVariant(t);
    t = P.GetString();
    if (!t.isEmpty())
        return ParserStringToVariant(t);
    const int save = P.Position();
    if (P.GetChar() == QLatin1String("-")) {
        P.SkipSpaces();
        t = P.GetNumber();
        if (!t.isEmpty())
            return ParserStringToVariant(QLatin1Char('-') + t);
    }
    P.SetPosition(save);
    t = P.GetWord();
    if (t.isEmpty() || !Script)
        return Null();
    TkwCustomVariable *v = Script->Find(t);
    if (!v)
        return Null();
    // A constant's current value; routines are not run for it.
    if (dynamic_cast<TkwVariable *>(v))
        return v->GetValue();
    return v->Value();
}

std::unique_ptr<TkwCustomVariable> ParseMethodSyntax(const QString &Syntax, const TkwScript *Script)
{
    TkwParser p;
    SetupParser(p, Script, Syntax);

    QString kind = p.GetWord().toLower();
    bool isMacro = false;
    if (kind.startsWith(QLatin1String("macro"))) {
        isMacro = true;
        kind = kind.mid(5);
    }
    const bool isFunc = kind == QLatin1String("function");
    const QString name = p.GetWord();

    QString resultType;
    if (isFunc) {
        const qsizetype colon = Syntax.lastIndexOf(QLatin1Char(':'));
        if (colon >= 0) {
            TkwParser q;
            SetupParser(q, Script, Syntax.mid(colon + 1));
            resultType = q.GetWord();
        }
    }
    auto result = std::make_unique<TkwCustomVariable>(name, StrToVarType(resultType, Script), resultType);
    result->SetIsMacro(isMacro);

    if (NextChar(p) != QLatin1String("("))
        return result;
    for (;;) {
        QString word = p.GetWord();
        if (word.isEmpty())
            break;
        bool isVar = false;
        const QString lower = word.toLower();
        if (lower == QLatin1String("var")) {
            isVar = true;
            word = p.GetWord();
        } else if (lower == QLatin1String("const")) {
            word = p.GetWord();
        }
        QStringList names;
        while (!word.isEmpty()) {
            names.append(word);
            const int save = p.Position();
            if (NextChar(p) != QLatin1String(",")) {
                p.SetPosition(save);
                break;
            }
            word = p.GetWord();
        }
        // A group without its type is no declaration this parser knows.
        if (names.isEmpty() || NextChar(p) != QLatin1String(":"))
            break;
        const QString typeName = p.GetWord();
        const TkwVarType typ = StrToVarType(typeName, Script);

        bool hasDefault = false;
        Variant defValue;
        const int save = p.Position();
        if (NextChar(p) == QLatin1String("=")) {
            hasDefault = true;
            defValue = ReadDefault(p, Script);
        } else {
            p.SetPosition(save);
        }
        for (int i = 0; i < names.size(); ++i) {
            const bool last = i == names.size() - 1;
            const bool optional = last && hasDefault && !VarIsNull(defValue);
            auto *param = new TkwParamItem(names.at(i), typ, typeName, optional, isVar);
            if (last && hasDefault)
                param->SetDefValue(defValue);
            result->Add(param);
        }
        if (NextChar(p) != QLatin1String(";"))
            break;
    }
    return result;
}

// ---------------------------------------------------------------------------
// Format's argument records

Variant VarRecToVariant(const TVarRec &V)
{
    switch (V.VType) {
    case vtInteger:
        return Variant(V.VInteger);
    case vtInt64:
        return Variant(qint64(V.VInt64));
    case vtObject:
        return Variant(const_cast<TObject *>(V.VObject));
    case vtBoolean:
        return Variant(V.VBoolean);
    case vtChar:
    case vtWideChar:
        return Variant(V.VString.left(1));
    case vtExtended:
    case vtCurrency:
        return Variant(V.VExtended);
    case vtString:
    case vtAnsiString:
    case vtUnicodeString:
    case vtWideString:
    case vtPChar:
    case vtPWideChar:
        return Variant(V.VString);
    case vtVariant:
        return V.VPointer ? *static_cast<const Variant *>(V.VPointer) : Null();
    default:
        return Null();
    }
}

void TkwVarRecArray::Clear()
{
    FItems.clear();
    FVariants.clear();
}

void ClearVarRecArray(TkwVarRecArray &A)
{
    A.Clear();
}

void VariantToVarRecArray(const Variant &A, TkwVarRecArray &Result)
{
    Result.Clear();
    if (VarIsEmpty(A) || VarIsNull(A))
        return;
    if (!VarIsArray(A))
        throw EVariantError(QStringLiteral("Variant is not an array"));
    if (VarArrayDimCount(A) != 1)
        throw EVariantError(QStringLiteral("Invalid variant operation"));
    const int lo = VarArrayLowBound(A, 1);
    const int hi = VarArrayHighBound(A, 1);
    Result.FItems.reserve(size_t(std::max(0, hi - lo + 1)));
    for (int i = lo; i <= hi; ++i) {
        const Variant e = VarArrayGet(A, {i});
        switch (VarType(e)) {
        case varSmallint:
        case varInteger:
        case varShortInt:
        case varByte:
        case varWord:
            Result.FItems.emplace_back(e.AsInteger());
            break;
        case varLongWord: {
            const qint64 v = e.AsInt64();
            if (v <= std::numeric_limits<int>::max())
                Result.FItems.emplace_back(int(v));
            else
                Result.FItems.emplace_back(static_cast<long long>(v));
            break;
        }
        case varInt64:
            Result.FItems.emplace_back(static_cast<long long>(e.AsInt64()));
            break;
        case varSingle:
        case varDouble:
        case varCurrency:
        case varDate:
            Result.FItems.emplace_back(e.AsDouble());
            break;
        case varString:
        case varOleStr:
            // The whole text: Format('%s', [S]) keeps all of S.
            Result.FItems.emplace_back(e.AsString());
            break;
        case varBoolean:
            Result.FItems.emplace_back(e.AsBoolean());
            break;
        case varObject:
            Result.FItems.emplace_back(static_cast<const TObject *>(e.AsObject()));
            break;
        default: {
            auto copy = std::make_unique<Variant>(e);
            TVarRec r(nullptr);
            r.VType = vtVariant;
            r.VPointer = copy.get();
            Result.FVariants.push_back(std::move(copy));
            Result.FItems.push_back(r);
            break;
        }
        }
    }
}
