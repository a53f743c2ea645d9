// Implementation of registration of the class library's drawing classes.
#include "kw_igraphicsrtti.h"
#include "Graphics.h"
#include "kw_irttihelpers.h"

namespace kw_igraphicsrtti {

TFunctions::TFunctions(TkwScript *AScript) : TkwRTTIModule(AScript)
{
    TkwScript *s = AScript;
    const TkwCallMethodNewEvent call(this, &TFunctions::CallMethod);
    const TkwGetValueEvent get(this, &TFunctions::GetProp);
    const TkwSetValueEvent set(this, &TFunctions::SetProp);
    const QString integer = QStringLiteral("Integer");

    GetColorValues([s, &integer](const QString &Name) {
        TColor c = 0;
        if (IdentToColor(Name, c))
            s->AddConst(Name, integer, Variant(int(c)));
    });

    s->AddEnumSet(QStringLiteral("TFontStyles"), QStringLiteral("fsBold, fsItalic, fsUnderline, fsStrikeout"));
    s->AddEnum(QStringLiteral("TFontPitch"), QStringLiteral("fpDefault, fpVariable, fpFixed"));
    s->AddEnum(QStringLiteral("TPenStyle"),
               QStringLiteral("psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame"));
    s->AddEnum(QStringLiteral("TPenMode"),
               QStringLiteral("pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot, "
                              "pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor"));
    s->AddEnum(QStringLiteral("TBrushStyle"), QStringLiteral("bsSolid, bsClear, bsHorizontal, bsVertical, "
                                                             "bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross"));

    const QString persistent = QStringLiteral("TPersistent");
    if (TkwClassVariable *c = s->AddClass(TFont::StaticClass(), persistent))
        c->AddConstructor(QStringLiteral("constructor Create"), call);
    if (TkwClassVariable *c = s->AddClass(TPen::StaticClass(), persistent))
        c->AddConstructor(QStringLiteral("constructor Create"), call);
    if (TkwClassVariable *c = s->AddClass(TBrush::StaticClass(), persistent))
        c->AddConstructor(QStringLiteral("constructor Create"), call);
    if (TkwClassVariable *c = s->AddClass(TCanvas::StaticClass(), persistent)) {
        c->AddConstructor(QStringLiteral("constructor Create"), call);
        // Drawing no graphic draws nothing, as in the class library.
        c->AddMethod(QStringLiteral("procedure Draw(X, Y: Integer; Graphic: TGraphic)"), call)
            ->AllowNil(QStringLiteral("Graphic"));
        c->AddMethod(QStringLiteral("procedure Ellipse(X1, Y1, X2, Y2: Integer)"), call);
        c->AddMethod(QStringLiteral("procedure LineTo(X, Y: Integer)"), call);
        c->AddMethod(QStringLiteral("procedure MoveTo(X, Y: Integer)"), call);
        c->AddMethod(QStringLiteral("procedure Rectangle(X1, Y1, X2, Y2: Integer)"), call);
        c->AddMethod(QStringLiteral("procedure RoundRect(X1, Y1, X2, Y2, X3, Y3: Integer)"), call);
        c->AddMethod(QStringLiteral("procedure StretchDraw(X1, Y1, X2, Y2: Integer; Graphic: TGraphic)"), call)
            ->AllowNil(QStringLiteral("Graphic"));
        c->AddMethod(QStringLiteral("function TextHeight(const Text: string): Integer"), call);
        c->AddMethod(QStringLiteral("procedure TextOut(X, Y: Integer; const Text: string)"), call);
        c->AddMethod(QStringLiteral("function TextWidth(const Text: string): Integer"), call);
        c->AddIndexProperty(QStringLiteral("Pixels"), QStringLiteral("Integer, Integer"), QStringLiteral("TColor"),
                            call);
    }
    if (TkwClassVariable *c = s->AddClass(TGraphic::StaticClass(), persistent)) {
        c->AddConstructor(QStringLiteral("constructor Create"), call);
        c->AddMethod(QStringLiteral("procedure LoadFromFile(const Filename: string)"), call);
        c->AddMethod(QStringLiteral("procedure SaveToFile(const Filename: string)"), call);
        c->AddProperty(QStringLiteral("Height"), integer, get, set);
        c->AddProperty(QStringLiteral("Width"), integer, get, set);
    }
    if (TkwClassVariable *c = s->AddClass(TPicture::StaticClass(), persistent)) {
        c->AddMethod(QStringLiteral("procedure LoadFromFile(const Filename: string)"), call);
        c->AddMethod(QStringLiteral("procedure SaveToFile(const Filename: string)"), call);
        c->AddProperty(QStringLiteral("Height"), integer, get);
        c->AddProperty(QStringLiteral("Width"), integer, get);
    }
    s->AddClass(TMetafile::StaticClass(), QStringLiteral("TGraphic"));
    if (TkwClassVariable *c = s->AddClass(TMetafileCanvas::StaticClass(), QStringLiteral("TCanvas")))
        c->AddConstructor(QStringLiteral("constructor Create(AMetafile: TMetafile; ReferenceDevice: Integer)"), call);
    if (TkwClassVariable *c = s->AddClass(TBitmap::StaticClass(), QStringLiteral("TGraphic")))
        c->AddProperty(QStringLiteral("Canvas"), QStringLiteral("TCanvas"), get);
}

Variant TFunctions::CallMethod(TObject *Instance, TClass ClassType, const QString &MethodName,
                               TkwMethodHelper *Caller)
{
    Variant r(0);
    const QString &m = MethodName;
    auto is = [&m](const char *Name) { return m == QLatin1String(Name); };
    auto i = [Caller](int I) { return Caller->GetParam(I).AsInteger(); };

    if (ClassType == TFont::StaticClass()) {
        if (is("CREATE"))
            r = kwObjectToVar(new TFont);
    } else if (ClassType == TPen::StaticClass()) {
        if (is("CREATE"))
            r = kwObjectToVar(new TPen);
    } else if (ClassType == TBrush::StaticClass()) {
        if (is("CREATE"))
            r = kwObjectToVar(new TBrush);
    } else if (ClassType == TCanvas::StaticClass()) {
        auto *c = static_cast<TCanvas *>(Instance);
        if (is("CREATE"))
            r = kwObjectToVar(new TCanvas);
        else if (is("DRAW"))
            c->Draw(i(0), i(1), kwParamObjectOrNil<TGraphic>(Caller, 2));
        else if (is("ELLIPSE"))
            c->Ellipse(i(0), i(1), i(2), i(3));
        else if (is("LINETO"))
            c->LineTo(i(0), i(1));
        else if (is("MOVETO"))
            c->MoveTo(i(0), i(1));
        else if (is("RECTANGLE"))
            c->Rectangle(i(0), i(1), i(2), i(3));
        else if (is("ROUNDRECT"))
            c->RoundRect(i(0), i(1), i(2), i(3), i(4), i(5));
        else if (is("STRETCHDRAW"))
            c->StretchDraw(TRect{i(0), i(1), i(2), i(3)}, kwParamObjectOrNil<TGraphic>(Caller, 4));
        else if (is("TEXTHEIGHT"))
            r = Variant(c->TextHeight(VarToStr(Caller->GetParam(0))));
        else if (is("TEXTOUT"))
            c->TextOut(i(0), i(1), VarToStr(Caller->GetParam(2)));
        else if (is("TEXTWIDTH"))
            r = Variant(c->TextWidth(VarToStr(Caller->GetParam(0))));
        else if (is("PIXELS.GET"))
            r = Variant(int(c->Pixels(i(0), i(1))));
        else if (is("PIXELS.SET"))
            c->SetPixels(i(0), i(1), TColor(i(2)));
    } else if (ClassType == TGraphic::StaticClass()) {
        auto *g = static_cast<TGraphic *>(Instance);
        if (is("CREATE")) {
            // The virtual constructor of the class the script named.
            TClass cls = Caller->NamedClass() ? Caller->NamedClass() : TGraphic::StaticClass();
            if (!cls->InheritsFrom(TGraphic::StaticClass()))
                throw EInvalidCast(SInvalidCast);
            r = kwObjectToVar(cls->Create(nullptr));
        } else if (is("LOADFROMFILE")) {
            g->LoadFromFile(VarToStr(Caller->GetParam(0)));
        } else if (is("SAVETOFILE")) {
            g->SaveToFile(VarToStr(Caller->GetParam(0)));
        }
    } else if (ClassType == TPicture::StaticClass()) {
        auto *p = static_cast<TPicture *>(Instance);
        if (is("LOADFROMFILE"))
            p->LoadFromFile(VarToStr(Caller->GetParam(0)));
        else if (is("SAVETOFILE"))
            p->SaveToFile(VarToStr(Caller->GetParam(0)));
    } else if (ClassType == TMetafileCanvas::StaticClass()) {
        if (is("CREATE")) {
            r = kwObjectToVar(new TMetafileCanvas(kwParamObject<TMetafile>(Caller, 0), i(1)));
        }
    }
    return r;
}

Variant TFunctions::GetProp(TObject *Instance, TClass ClassType, const QString &PropName)
{
    Variant r(0);
    const QString &n = PropName;
    auto is = [&n](const char *Name) { return n == QLatin1String(Name); };
    if (ClassType == TGraphic::StaticClass()) {
        auto *g = static_cast<TGraphic *>(Instance);
        if (is("HEIGHT"))
            r = Variant(g->Height());
        else if (is("WIDTH"))
            r = Variant(g->Width());
    } else if (ClassType == TPicture::StaticClass()) {
        auto *p = static_cast<TPicture *>(Instance);
        if (is("HEIGHT"))
            r = Variant(p->Height());
        else if (is("WIDTH"))
            r = Variant(p->Width());
    } else if (ClassType == TBitmap::StaticClass()) {
        if (is("CANVAS"))
            r = kwObjectToVar(static_cast<TBitmap *>(Instance)->Canvas(), Instance);
    }
    return r;
}

void TFunctions::SetProp(TObject *Instance, TClass ClassType, const QString &PropName, const Variant &Value)
{
    const QString &n = PropName;
    auto is = [&n](const char *Name) { return n == QLatin1String(Name); };
    if (ClassType == TGraphic::StaticClass()) {
        auto *g = static_cast<TGraphic *>(Instance);
        if (is("HEIGHT"))
            g->SetHeight(Value.AsInteger());
        else if (is("WIDTH"))
            g->SetWidth(Value.AsInteger());
    }
}

} // namespace kw_igraphicsrtti

void kwRegisterGraphicsRTTI()
{
    kwAddRTTIModule(&kwNewModule<kw_igraphicsrtti::TFunctions>);
}

void kwUnregisterGraphicsRTTI()
{
    kwRemoveRTTIModule(&kwNewModule<kw_igraphicsrtti::TFunctions>);
}
