// The report classes in scripts: constants, enumerations, classes with their
// extra members, the global routines, and the three dispatchers.
#include "qdzClassRTTI.h"
#include "qdzClass.h"
#include "qdzClassEngine.h"
#include "qdzClassViews.h"
#include "qdzDMPClass.h"
#include "qdzVariables.h"
#include "qdzWideStrings.h"
#include "platform/CodePages.h"
#include "platform/Graphics.h"
#include "platform/SysUtils.h"
#include "script/kw_irttihelpers.h"

#include <cmath>

namespace qdzClassRTTI {

namespace {

TqdzCustomPreviewPages *StoreOf(TqdzCustomEngine *Engine)
{
    if (!Engine->PreviewPages())
        throw EInvalidOperation(QStringLiteral("The engine has no built pages"));
    return Engine->PreviewPages();
}

// Script strings are Unicode: a memo's 8-bit text reaches them decoded with
// the memo's own charset and goes back encoded with it, as the memo itself
// converts (the system code page when the charset has none).
QString FromMemoBytes(TqdzCustomMemoView *Memo, const QByteArray &Bytes)
{
    try {
        return AnsiToWide(Bytes, Memo->Font()->Charset());
    } catch (const Exception &) {
        return CodePageToString(Bytes, CP_ACP);
    }
}

QByteArray ToMemoBytes(TqdzCustomMemoView *Memo, const QString &Text)
{
    try {
        return WideToAnsi(Text, Memo->Font()->Charset());
    } catch (const Exception &) {
        return StringToCodePage(Text, CP_ACP);
    }
}

// The date of a script value, as the class library converts it.
TDateTime DateOf(const Variant &V)
{
    return V.AsDateTime();
}

} // namespace

TFunctions::TFunctions(TkwScript *AScript) : TkwRTTIModule(AScript)
{
    TkwScript *s = AScript;
    const TkwCallMethodNewEvent call(this, &TFunctions::CallMethod);
    const TkwGetValueEvent get(this, &TFunctions::GetProp);
    const TkwSetValueEvent set(this, &TFunctions::SetProp);
    const QString extended = QStringLiteral("Extended");
    const QString integer = QStringLiteral("Integer");
    const QString str = QStringLiteral("String");
    const QString boolean = QStringLiteral("Boolean");

    s->AddConst(QStringLiteral("qd01cm"), extended, Variant(qdzPixelsPerMM));
    s->AddConst(QStringLiteral("qd1cm"), extended, Variant(qdzPixelsPerMM * 10));
    s->AddConst(QStringLiteral("qd01in"), extended, Variant(9.6));
    s->AddConst(QStringLiteral("qd1in"), extended, Variant(96));
    s->AddConst(QStringLiteral("qd1CharX"), extended, Variant(qd1CharX));
    s->AddConst(QStringLiteral("qd1CharY"), extended, Variant(int(qd1CharY)));
    s->AddConst(QStringLiteral("clTransparent"), integer, Variant(int(clTransparent)));
    s->AddConst(QStringLiteral("crHand"), integer, Variant(crHand));
    s->AddConst(QStringLiteral("crZoom"), integer, Variant(crZoom));
    s->AddConst(QStringLiteral("crFormat"), integer, Variant(crFormat));

    auto e = [s](const char *Type, const char *Names) {
        s->AddEnum(QString::fromLatin1(Type), QString::fromLatin1(Names));
    };
    auto es = [s](const char *Type, const char *Names) {
        s->AddEnumSet(QString::fromLatin1(Type), QString::fromLatin1(Names));
    };
    e("TqdzStretchMode", "smDontStretch, smActualHeight, smMaxHeight");
    e("TqdzShiftMode", "smDontShift, smAlways, smWhenOverlapped");
    e("TqdzDuplexMode", "dmNone, dmVertical, dmHorizontal, dmSimplex");
    e("TqdzAlign", "baNone, baLeft, baRight, baCenter, baWidth, baBottom");
    e("TqdzFrameStyle", "fsSolid, fsDash, fsDot, fsDashDot, fsDashDotDot, fsDouble");
    es("TqdzFrameTypes", "ftLeft, ftRight, ftTop, ftBottom");
    e("TqdzHAlign", "haLeft, haRight, haCenter, haBlock");
    e("TqdzVAlign", "vaTop, vaBottom, vaCenter");
    es("TqdzRestrictions", "rfDontModify, rfDontSize, rfDontMove, rfDontDelete");
    e("TqdzShapeKind", "skRectangle, skRoundRectangle, skEllipse, skTriangle, skDiamond, skDiagonal1, skDiagonal2");
    es("TqdzPreviewButtons", "pbPrint, pbLoad, pbSave, pbExport, pbZoom, pbFind, pbTree, pbPageSetup, pbRefresh, "
                             "pbTools, pbEdit, pbNavigator, pbExportQuick");
    e("TqdzZoomMode", "zmDefault, zmWholePage, zmPageWidth, zmManyPages");
    e("TqdzPrintPages", "ppAll, ppOdd, ppEven");
    es("TqdzDMPFontStyles", "fsxBold, fsxItalic, fsxUnderline, fsxSuperScript, fsxSubScript, fsxCondensed, fsxWide, "
                            "fsx12cpi, fsx15cpi");
    e("TqdzRangeBegin", "rbFirst, rbCurrent");
    e("TqdzRangeEnd", "reLast, reCurrent, reCount");
    e("TqdzFieldType", "fftNumeric, fftString, fftBoolean");
    e("TqdzFormatKind", "fkText, fkNumeric, fkDateTime, fkBoolean");

    auto cls = [s](TClass C, const char *Ancestor) { return s->AddClass(C, QString::fromLatin1(Ancestor)); };
    // A class the build layer registered by name, when it did.
    auto named = [s](const char *Name, const char *Ancestor) {
        if (TClass c = GetClass(QString::fromLatin1(Name)))
            s->AddClass(c, QString::fromLatin1(Ancestor));
    };

    cls(TJPEGImage::StaticClass(), "TGraphic");
    // Scripts know the PNG graphic as TPNGObject; the class's own name
    // stays usable as an entry below it.
    s->AddClass(TPngImage::StaticClass(), QStringLiteral("TGraphic"), QStringLiteral("TPNGObject"));
    cls(TPngImage::StaticClass(), "TPNGObject");
    if (s->FindClass(QStringLiteral("TPersistent"))) {
        if (TkwClassVariable *c = cls(TWideStrings::StaticClass(), "TPersistent")) {
            c->AddConstructor(QStringLiteral("constructor Create"), call);
            c->AddMethod(QStringLiteral("function Add(const S: string): Integer"), call);
            c->AddMethod(QStringLiteral("function AddObject(const S: string; AObject: TObject): Integer"), call)
                ->AllowNil(QStringLiteral("AObject"));
            c->AddMethod(QStringLiteral("procedure Clear"), call);
            c->AddMethod(QStringLiteral("procedure Delete(Index: Integer)"), call);
            c->AddMethod(QStringLiteral("function IndexOf(const S: string): Integer"), call);
            c->AddMethod(QStringLiteral("procedure Insert(Index: Integer; const S: string)"), call);
            c->AddMethod(QStringLiteral("procedure LoadFromFile(const FileName: string)"), call);
            c->AddMethod(QStringLiteral("procedure LoadFromStream(Stream: TStream)"), call);
            c->AddMethod(QStringLiteral("procedure SaveToFile(const FileName: string)"), call);
            c->AddMethod(QStringLiteral("procedure SaveToStream(Stream: TStream)"), call);
            c->AddProperty(QStringLiteral("Count"), integer, get);
            c->AddIndexProperty(QStringLiteral("Objects"), integer, QStringLiteral("TObject"), call);
            c->AddDefaultProperty(QStringLiteral("Strings"), integer, QStringLiteral("string"), call);
            c->AddProperty(QStringLiteral("Text"), QStringLiteral("string"), get, set);
        }
    }
    if (TkwClassVariable *c = cls(TqdzDataSet::StaticClass(), "TComponent")) {
        for (const char *m : {"procedure Open", "procedure Close", "procedure First", "procedure Next",
                              "procedure Prior", "function Eof: Boolean", "function FieldsCount: Integer",
                              "function HasField(const fName: String): Boolean",
                              "function IsBlobField(const fName: String): Boolean", "function RecordCount: Integer",
                              "procedure GetFieldList(List: TStrings)"})
            c->AddMethod(QString::fromLatin1(m), call);
        c->AddProperty(QStringLiteral("RecNo"), integer, get);
        c->AddIndexProperty(QStringLiteral("DisplayText"), str, str, call, true);
        c->AddIndexProperty(QStringLiteral("DisplayWidth"), str, integer, call, true);
        c->AddIndexProperty(QStringLiteral("FieldType"), str, QStringLiteral("TqdzFieldType"), call, true);
        c->AddIndexProperty(QStringLiteral("Value"), str, QStringLiteral("Variant"), call, true);
    }
    cls(TqdzUserDataSet::StaticClass(), "TqdzDataSet");
    cls(TqdzCustomDBDataSet::StaticClass(), "TqdzDataSet");
    if (TkwClassVariable *c = cls(TqdzComponent::StaticClass(), "TComponent")) {
        c->AddMethod(QStringLiteral("procedure Clear"), call);
        c->AddMethod(QStringLiteral("function FindObject(s: String): TqdzComponent"), call);
        c->AddMethod(QStringLiteral("procedure LoadFromStream(Stream: TStream)"), call);
        c->AddMethod(QStringLiteral("procedure SaveToStream(Stream: TStream; SaveChildren: Boolean = True)"), call);
        c->AddMethod(QStringLiteral("procedure SetBounds(ALeft, ATop, AWidth, AHeight: Extended)"), call);
        c->AddProperty(QStringLiteral("Objects"), QStringLiteral("TList"), get);
        c->AddProperty(QStringLiteral("AllObjects"), QStringLiteral("TList"), get);
        c->AddProperty(QStringLiteral("Page"), QStringLiteral("TqdzPage"), get);
        c->AddProperty(QStringLiteral("AbsLeft"), extended, get);
        c->AddProperty(QStringLiteral("AbsTop"), extended, get);
        c->AddProperty(QStringLiteral("Parent"), QStringLiteral("TqdzComponent"), get, set);
    }
    cls(TqdzReportComponent::StaticClass(), "TqdzComponent");
    cls(TqdzDialogComponent::StaticClass(), "TqdzReportComponent");
    if (TkwClassVariable *c = cls(TqdzDialogControl::StaticClass(), "TqdzReportComponent"))
        c->AddMethod(QStringLiteral("procedure SetFocus"), call);
    cls(TqdzFrameLine::StaticClass(), "TPersistent");
    cls(TqdzFrame::StaticClass(), "TPersistent");
    if (TkwClassVariable *c = cls(TqdzView::StaticClass(), "TqdzReportComponent"))
        c->AddProperty(QStringLiteral("TagStr"), str, get, set);
    cls(TqdzShapeView::StaticClass(), "TqdzView");
    if (TkwClassVariable *c = cls(TqdzStretcheable::StaticClass(), "TqdzView"))
        c->AddMethod(QStringLiteral("function CalcHeight: Extended"), call);
    cls(TqdzHighlight::StaticClass(), "TPersistent");
    cls(TqdzFormat::StaticClass(), "TPersistent");
    if (TkwClassVariable *c = cls(TqdzCustomMemoView::StaticClass(), "TqdzStretcheable")) {
        c->AddMethod(QStringLiteral("function CalcWidth: Extended"), call);
        c->AddProperty(QStringLiteral("Text"), str, get, set);
        c->AddProperty(QStringLiteral("AnsiText"), str, get, set);
        c->AddProperty(QStringLiteral("Lines"), QStringLiteral("TWideStrings"), get, set);
        c->AddProperty(QStringLiteral("Value"), QStringLiteral("Variant"), get);
    }
    cls(TqdzMemoView::StaticClass(), "TqdzCustomMemoView");
    cls(TqdzSysMemoView::StaticClass(), "TqdzCustomMemoView");
    cls(TqdzDMPMemoView::StaticClass(), "TqdzCustomMemoView");
    cls(TqdzCustomLineView::StaticClass(), "TqdzStretcheable");
    cls(TqdzLineView::StaticClass(), "TqdzCustomLineView");
    cls(TqdzDMPLineView::StaticClass(), "TqdzCustomLineView");
    cls(TqdzDMPCommand::StaticClass(), "TqdzView");
    if (TkwClassVariable *c = cls(TqdzPictureView::StaticClass(), "TqdzView"))
        c->AddMethod(QStringLiteral("procedure LoadFromFile(filename: String)"), call);
    cls(TqdzSubreport::StaticClass(), "TqdzView");
    if (TkwClassVariable *c = cls(TqdzBand::StaticClass(), "TqdzReportComponent"))
        c->AddProperty(QStringLiteral("Overflow"), boolean, get);
    for (TClass c : {TqdzDataBand::StaticClass(), TqdzHeader::StaticClass(), TqdzFooter::StaticClass()})
        s->AddClass(c, QStringLiteral("TqdzBand"));
    for (TClass c : {TqdzMasterData::StaticClass(), TqdzDetailData::StaticClass(), TqdzSubdetailData::StaticClass(),
                     TqdzDataBand4::StaticClass(), TqdzDataBand5::StaticClass(), TqdzDataBand6::StaticClass()})
        s->AddClass(c, QStringLiteral("TqdzDataBand"));
    for (TClass c : {TqdzPageHeader::StaticClass(), TqdzPageFooter::StaticClass(), TqdzColumnHeader::StaticClass(),
                     TqdzColumnFooter::StaticClass(), TqdzGroupHeader::StaticClass(), TqdzGroupFooter::StaticClass(),
                     TqdzReportTitle::StaticClass(), TqdzReportSummary::StaticClass(), TqdzChild::StaticClass(),
                     TqdzOverlay::StaticClass()})
        s->AddClass(c, QStringLiteral("TqdzBand"));
    cls(TqdzPage::StaticClass(), "TqdzComponent");
    cls(TqdzReportPage::StaticClass(), "TqdzPage");
    if (TkwClassVariable *c = cls(TqdzDialogPage::StaticClass(), "TqdzPage")) {
        c->AddMethod(QStringLiteral("function ShowModal: Integer"), call);
        c->AddProperty(QStringLiteral("ModalResult"), integer, get, set);
    }
    cls(TqdzDMPPage::StaticClass(), "TqdzReportPage");
    cls(TqdzDataPage::StaticClass(), "TqdzPage");
    if (TkwClassVariable *c = cls(TqdzEngineOptions::StaticClass(), "TPersistent"))
        c->AddProperty(QStringLiteral("DestroyForms"), boolean, get, set);
    cls(TqdzPrintOptions::StaticClass(), "TPersistent");
    cls(TqdzPreviewOptions::StaticClass(), "TPersistent");
    cls(TqdzReportOptions::StaticClass(), "TPersistent");
    cls(TqdzVariable::StaticClass(), "TCollectionItem");
    if (TkwClassVariable *c = cls(TqdzVariables::StaticClass(), "TCollection")) {
        c->AddConstructor(QStringLiteral("constructor Create"), call);
        c->AddDefaultProperty(QStringLiteral("Variables"), str, QStringLiteral("Variant"), call);
    }
    cls(TqdzStyleItem::StaticClass(), "TCollectionItem");
    if (TkwClassVariable *c = cls(TqdzStyles::StaticClass(), "TCollection")) {
        // A style list of no report applies to nothing.
        c->AddConstructor(QStringLiteral("constructor Create(AReport: TqdzReport)"), call)
            ->AllowNil(QStringLiteral("AReport"));
        c->AddDefaultProperty(QStringLiteral("Items"), integer, QStringLiteral("TqdzStyleItem"), call, true);
        c->AddMethod(QStringLiteral("function Add: TqdzStyleItem"), call);
        c->AddMethod(QStringLiteral("function Find(const Name: String): TqdzStyleItem"), call);
        c->AddMethod(QStringLiteral("procedure Apply"), call);
        c->AddMethod(QStringLiteral("procedure GetList(List: TStrings)"), call);
        c->AddMethod(QStringLiteral("procedure LoadFromFile(const FileName: String)"), call);
        c->AddMethod(QStringLiteral("procedure LoadFromStream(Stream: TStream)"), call);
        c->AddMethod(QStringLiteral("procedure SaveToFile(const FileName: String)"), call);
        c->AddMethod(QStringLiteral("procedure SaveToStream(Stream: TStream)"), call);
    }
    if (TkwClassVariable *c = cls(TqdzArray::StaticClass(), "TCollection")) {
        c->AddConstructor(QStringLiteral("constructor Create"), call);
        c->AddDefaultProperty(QStringLiteral("Variables"), QStringLiteral("Variant"), QStringLiteral("Variant"), call);
    }
    s->AddObject(QStringLiteral("qdzGlobalVariables"), qdzGlobalVariables());
    if (TkwClassVariable *c = cls(TqdzReport::StaticClass(), "TqdzComponent")) {
        c->AddMethod(QStringLiteral("function Calc(const Expr: String): Variant"), call);
        c->AddMethod(QStringLiteral("function GetDataset(const Alias: String): TqdzDataset"), call);
        c->AddMethod(QStringLiteral("function LoadFromFile(const FileName: String): Boolean"), call);
        c->AddMethod(QStringLiteral("procedure SaveToFile(const FileName: String)"), call);
        c->AddMethod(QStringLiteral("procedure ShowReport"), call);
        c->AddProperty(QStringLiteral("Terminated"), boolean, get, set);
        c->AddProperty(QStringLiteral("Variables"), QStringLiteral("TqdzVariables"), get);
        c->AddProperty(QStringLiteral("Styles"), QStringLiteral("TqdzStyles"), get);
    }
    if (TkwClassVariable *c = cls(TqdzCustomEngine::StaticClass(), "TPersistent")) {
        c->AddMethod(QStringLiteral("procedure AddAnchor(const Text: String)"), call);
        c->AddMethod(QStringLiteral("procedure NewPage"), call);
        c->AddMethod(QStringLiteral("procedure NewColumn"), call);
        c->AddMethod(QStringLiteral("procedure ShowBand(Band: TqdzBand)"), call);
        c->AddMethod(QStringLiteral("procedure StopReport"), call);
        c->AddMethod(QStringLiteral("function FreeSpace: Extended"), call);
        c->AddMethod(QStringLiteral("function GetAnchorPage(const Text: String): Integer"), call);
    }
    named("TqdzEngine", "TqdzCustomEngine");
    if (TkwClassVariable *c = cls(TqdzCustomOutline::StaticClass(), "TPersistent")) {
        c->AddMethod(QStringLiteral("procedure AddItem(const Text: String)"), call);
        c->AddMethod(QStringLiteral("procedure LevelRoot"), call);
        c->AddMethod(QStringLiteral("procedure LevelUp"), call);
    }
    named("TqdzOutline", "TqdzCustomOutline");

    s->AddMethod(QStringLiteral("function DayOf(Date: TDateTime): Integer"), call, QStringLiteral("ctDate"));
    s->AddMethod(QStringLiteral("function MonthOf(Date: TDateTime): Integer"), call, QStringLiteral("ctDate"));
    s->AddMethod(QStringLiteral("function YearOf(Date: TDateTime): Integer"), call, QStringLiteral("ctDate"));
    s->AddMethod(QStringLiteral("function IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant"), call,
                 QStringLiteral("ctOther"));
    for (const char *a : {"function SUM(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
                          "function AVG(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
                          "function MIN(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
                          "function MAX(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
                          "function COUNT(Band: Variant = 0; Flags: Integer = 0): Variant"})
        s->AddMethod(QString::fromLatin1(a), call, QStringLiteral("ctAggregate"));
}

Variant TFunctions::CallMethod(TObject *Instance, TClass ClassType, const QString &MethodName,
                               TkwMethodHelper *Caller)
{
    Variant r(0);
    const QString &m = MethodName;
    auto p = [Caller](int I) { return Caller->GetParam(I); };
    auto is = [&m](const char *Name) { return m == QLatin1String(Name); };

    if (ClassType == TWideStrings::StaticClass()) {
        auto *l = static_cast<TWideStrings *>(Instance);
        if (is("CREATE"))
            r = kwObjectToVar(new TWideStrings());
        else if (is("ADD"))
            r = Variant(l->Add(VarToStr(p(0))));
        else if (is("ADDOBJECT"))
            r = Variant(l->AddObject(VarToStr(p(0)), kwVarToObject(p(1))));
        else if (is("CLEAR"))
            l->Clear();
        else if (is("DELETE"))
            l->Delete(p(0).AsInteger());
        else if (is("INSERT"))
            l->Insert(p(0).AsInteger(), VarToStr(p(1)));
        else if (is("INDEXOF"))
            r = Variant(l->IndexOf(VarToStr(p(0))));
        else if (is("LOADFROMFILE"))
            l->LoadFromFile(VarToStr(p(0)));
        else if (is("SAVETOFILE"))
            l->SaveToFile(VarToStr(p(0)));
        else if (is("LOADFROMSTREAM"))
            l->LoadFromStream(kwParamObject<TStream>(Caller, 0));
        else if (is("SAVETOSTREAM"))
            l->SaveToStream(kwParamObject<TStream>(Caller, 0));
        else if (is("OBJECTS.GET")) {
            kwCheckIndex(p(0).AsInteger(), l->Count());
            r = kwObjectRefToVar(l->ObjectRef(p(0).AsInteger()), l);
        } else if (is("OBJECTS.SET"))
            l->PutObject(p(0).AsInteger(), kwVarToObject(p(1)));
        else if (is("STRINGS.GET"))
            r = Variant::FromOleStr(l->Get(p(0).AsInteger()));
        else if (is("STRINGS.SET"))
            l->Put(p(0).AsInteger(), VarToStr(p(1)));
    } else if (ClassType == TqdzDataSet::StaticClass()) {
        auto *d = static_cast<TqdzDataSet *>(Instance);
        if (is("OPEN"))
            d->Open();
        else if (is("CLOSE"))
            d->Close();
        else if (is("FIRST"))
            d->First();
        else if (is("NEXT"))
            d->Next();
        else if (is("PRIOR"))
            d->Prior();
        else if (is("EOF"))
            r = Variant(d->Eof());
        else if (is("FIELDSCOUNT"))
            r = Variant(d->FieldsCount());
        else if (is("RECORDCOUNT"))
            r = Variant(d->RecordCount());
        else if (is("HASFIELD"))
            r = Variant(d->HasField(VarToStr(p(0))));
        else if (is("ISBLOBFIELD"))
            r = Variant(d->IsBlobField(VarToStr(p(0))));
        else if (is("GETFIELDLIST"))
            d->GetFieldList(kwParamObject<TStrings>(Caller, 0));
        else if (is("DISPLAYTEXT.GET"))
            r = Variant::FromOleStr(d->GetDisplayText(VarToStr(p(0))));
        else if (is("DISPLAYWIDTH.GET"))
            r = Variant(d->GetDisplayWidth(VarToStr(p(0))));
        else if (is("FIELDTYPE.GET"))
            r = Variant(int(d->GetFieldType(VarToStr(p(0)))));
        else if (is("VALUE.GET"))
            r = d->GetValue(VarToStr(p(0)));
    } else if (ClassType == TqdzComponent::StaticClass()) {
        auto *c = static_cast<TqdzComponent *>(Instance);
        if (is("CLEAR")) {
            // Judged as freeing the children that go.
            kwCheckScriptClear(c);
            c->Clear();
        } else if (is("FINDOBJECT")) {
            r = kwObjectToVar(c->FindObject(VarToStr(p(0))));
        } else if (is("LOADFROMSTREAM")) {
            kwCheckScriptClear(c);
            c->LoadFromStream(kwParamObject<TStream>(Caller, 0));
        } else if (is("SAVETOSTREAM")) {
            c->SaveToStream(kwParamObject<TStream>(Caller, 0), p(1).AsBoolean(), false, false);
        } else if (is("SETBOUNDS")) {
            c->SetBounds(p(0).AsDouble(), p(1).AsDouble(), p(2).AsDouble(), p(3).AsDouble());
        }
    } else if (ClassType == TqdzDialogControl::StaticClass()) {
        if (is("SETFOCUS"))
            if (auto *w = dynamic_cast<TWinControl *>(static_cast<TqdzDialogControl *>(Instance)->Control()))
                w->SetFocus();
    } else if (ClassType == TqdzStretcheable::StaticClass()) {
        if (is("CALCHEIGHT"))
            r = Variant(static_cast<TqdzStretcheable *>(Instance)->CalcHeight());
    } else if (ClassType == TqdzCustomMemoView::StaticClass()) {
        if (is("CALCWIDTH"))
            r = Variant(static_cast<TqdzCustomMemoView *>(Instance)->CalcWidth());
    } else if (ClassType == TqdzPictureView::StaticClass()) {
        if (is("LOADFROMFILE"))
            static_cast<TqdzPictureView *>(Instance)->Picture()->LoadFromFile(VarToStr(p(0)));
    } else if (ClassType == TqdzDialogPage::StaticClass()) {
        if (is("SHOWMODAL"))
            r = Variant(static_cast<TqdzDialogPage *>(Instance)->ShowModal());
    } else if (ClassType == TqdzVariables::StaticClass()) {
        auto *v = static_cast<TqdzVariables *>(Instance);
        if (is("CREATE"))
            r = kwObjectToVar(new TqdzVariables());
        else if (is("VARIABLES.GET"))
            r = v->Variables(VarToStr(p(0)));
        else if (is("VARIABLES.SET"))
            v->SetVariables(VarToStr(p(0)), p(1));
    } else if (ClassType == TqdzArray::StaticClass()) {
        auto *a = static_cast<TqdzArray *>(Instance);
        if (is("CREATE"))
            r = kwObjectToVar(new TqdzArray());
        else if (is("VARIABLES.GET"))
            r = a->Variables(p(0));
        else if (is("VARIABLES.SET"))
            a->SetVariables(p(0), p(1));
    } else if (ClassType == TqdzReport::StaticClass()) {
        auto *rep = static_cast<TqdzReport *>(Instance);
        if (is("CALC")) {
            r = rep->Calc(VarToStr(p(0)), nullptr, true);
        } else if (is("GETDATASET")) {
            r = kwObjectToVar(rep->GetDataset(VarToStr(p(0))));
        } else if (is("LOADFROMFILE")) {
            r = Variant(rep->LoadFromFile(VarToStr(p(0)), false));
        } else if (is("SAVETOFILE")) {
            rep->SaveToFile(VarToStr(p(0)));
        } else if (is("SHOWREPORT")) {
            rep->ShowReport(true);
        }
    } else if (ClassType == TqdzCustomEngine::StaticClass()) {
        auto *en = static_cast<TqdzCustomEngine *>(Instance);
        if (is("ADDANCHOR"))
            StoreOf(en)->AddAnchor(VarToStr(p(0)));
        else if (is("GETANCHORPAGE"))
            r = Variant(StoreOf(en)->GetAnchorPage(VarToStr(p(0))));
        else if (is("NEWPAGE"))
            en->NewPage();
        else if (is("NEWCOLUMN"))
            en->NewColumn();
        else if (is("FREESPACE"))
            r = Variant(en->FreeSpace());
        else if (is("SHOWBAND"))
            en->ShowBand(kwParamObject<TqdzBand>(Caller, 0));
        else if (is("STOPREPORT"))
            en->StopReport();
    } else if (ClassType == TqdzCustomOutline::StaticClass()) {
        auto *o = static_cast<TqdzCustomOutline *>(Instance);
        if (is("ADDITEM")) {
            TqdzCustomEngine *en = o->GetEngine();
            o->AddItem(VarToStr(p(0)), en ? Round(en->CurY()) : 0);
        } else if (is("LEVELROOT")) {
            o->LevelRoot();
        } else if (is("LEVELUP")) {
            o->LevelUp();
        }
    } else if (ClassType == TqdzStyles::StaticClass()) {
        auto *st = static_cast<TqdzStyles *>(Instance);
        if (is("CREATE"))
            r = kwObjectToVar(new TqdzStyles(kwParamObjectOrNil<TqdzReport>(Caller, 0)));
        else if (is("ITEMS.GET")) {
            kwCheckIndex(p(0).AsInteger(), st->Count());
            r = kwObjectToVar(st->Items(p(0).AsInteger()), st);
        } else if (is("ADD"))
            r = kwObjectToVar(st->Add(), st);
        else if (is("FIND"))
            r = kwObjectToVar(st->Find(VarToStr(p(0))), st);
        else if (is("APPLY"))
            st->Apply();
        else if (is("GETLIST"))
            st->GetList(kwParamObject<TStrings>(Caller, 0));
        else
            kwCallLoadSave(st, m, Caller);
    } else if (!ClassType) {
        if (is("DAYOF"))
            r = Variant(StrToInt(FormatDateTime(QStringLiteral("d"), DateOf(p(0)))));
        else if (is("MONTHOF"))
            r = Variant(StrToInt(FormatDateTime(QStringLiteral("m"), DateOf(p(0)))));
        else if (is("YEAROF"))
            r = Variant(StrToInt(FormatDateTime(QStringLiteral("yyyy"), DateOf(p(0)))));
    }
    return r;
}

Variant TFunctions::GetProp(TObject *Instance, TClass ClassType, const QString &PropName)
{
    Variant r(0);
    auto is = [&PropName](const char *Name) { return PropName == QLatin1String(Name); };

    if (ClassType == TWideStrings::StaticClass()) {
        auto *l = static_cast<TWideStrings *>(Instance);
        if (is("COUNT"))
            r = Variant(l->Count());
        else if (is("TEXT"))
            r = Variant::FromOleStr(l->GetText());
    } else if (ClassType == TqdzDataSet::StaticClass()) {
        if (is("RECNO"))
            r = Variant(static_cast<TqdzDataSet *>(Instance)->RecNo());
    } else if (ClassType == TqdzComponent::StaticClass()) {
        auto *c = static_cast<TqdzComponent *>(Instance);
        if (is("OBJECTS"))
            r = kwObjectToVar(c->Objects(), c);
        else if (is("ALLOBJECTS"))
            r = kwObjectToVar(c->AllObjects(), c);
        else if (is("PARENT"))
            r = kwObjectToVar(c->Parent());
        else if (is("PAGE"))
            r = kwObjectToVar(c->GetPage());
        else if (is("ABSLEFT"))
            r = Variant(c->AbsLeft());
        else if (is("ABSTOP"))
            r = Variant(c->AbsTop());
    } else if (ClassType == TqdzView::StaticClass()) {
        if (is("TAGSTR"))
            r = Variant(static_cast<TqdzView *>(Instance)->TagStr());
    } else if (ClassType == TqdzCustomMemoView::StaticClass()) {
        auto *mv = static_cast<TqdzCustomMemoView *>(Instance);
        if (is("TEXT"))
            r = Variant::FromOleStr(mv->Text());
        else if (is("ANSITEXT"))
            r = Variant(FromMemoBytes(mv, mv->AnsiText()));
        else if (is("LINES"))
            r = kwObjectToVar(mv->Memo(), mv);
        else if (is("VALUE"))
            r = mv->Value();
    } else if (ClassType == TqdzBand::StaticClass()) {
        if (is("OVERFLOW"))
            r = Variant(static_cast<TqdzBand *>(Instance)->Overflow());
    } else if (ClassType == TqdzDialogPage::StaticClass()) {
        if (is("MODALRESULT"))
            r = Variant(static_cast<TqdzDialogPage *>(Instance)->GetModalResult());
    } else if (ClassType == TqdzReport::StaticClass()) {
        auto *rep = static_cast<TqdzReport *>(Instance);
        if (is("TERMINATED"))
            r = Variant(rep->Terminated());
        else if (is("VARIABLES"))
            r = kwObjectToVar(rep->Variables(), rep);
        else if (is("STYLES"))
            r = kwObjectToVar(rep->Styles(), rep);
    } else if (ClassType == TqdzEngineOptions::StaticClass()) {
        if (is("DESTROYFORMS"))
            r = Variant(static_cast<TqdzEngineOptions *>(Instance)->DestroyForms());
    }
    return r;
}

void TFunctions::SetProp(TObject *Instance, TClass ClassType, const QString &PropName, const Variant &Value)
{
    auto is = [&PropName](const char *Name) { return PropName == QLatin1String(Name); };

    if (ClassType == TWideStrings::StaticClass()) {
        if (is("TEXT"))
            static_cast<TWideStrings *>(Instance)->SetText(VarToStr(Value));
    } else if (ClassType == TqdzComponent::StaticClass()) {
        if (is("PARENT")) {
            auto *c = static_cast<TqdzComponent *>(Instance);
            TqdzComponent *parent = kwVarAs<TqdzComponent>(Value);
            if (parent != c->Parent())
                qdzCheckScriptParent(c, parent);
            c->SetParent(parent);
        }
    } else if (ClassType == TqdzView::StaticClass()) {
        if (is("TAGSTR"))
            static_cast<TqdzView *>(Instance)->SetTagStr(VarToStr(Value));
    } else if (ClassType == TqdzCustomMemoView::StaticClass()) {
        auto *mv = static_cast<TqdzCustomMemoView *>(Instance);
        if (is("TEXT")) {
            // Already text whatever the charset: reading it again as bytes
            // of the system code page would garble other charsets.
            mv->SetText(VarToStr(Value));
        } else if (is("ANSITEXT")) {
            mv->SetAnsiText(ToMemoBytes(mv, VarToStr(Value)));
        } else if (is("LINES")) {
            mv->Memo()->Assign(kwVarAs<TWideStrings>(Value));
        }
    } else if (ClassType == TqdzDialogPage::StaticClass()) {
        if (is("MODALRESULT"))
            if (TForm *f = static_cast<TqdzDialogPage *>(Instance)->Form())
                f->SetModalResult(Value.AsInteger());
    } else if (ClassType == TqdzReport::StaticClass()) {
        // The report's own script asks for the stop: a normal end.
        if (is("TERMINATED")) {
            auto *rep = static_cast<TqdzReport *>(Instance);
            if (Value.AsBoolean())
                rep->StopBuild(TqdzStopReason::Requested);
            else
                rep->SetTerminated(false);
        }
    } else if (ClassType == TqdzEngineOptions::StaticClass()) {
        if (is("DESTROYFORMS"))
            static_cast<TqdzEngineOptions *>(Instance)->SetDestroyForms(Value.AsBoolean());
    }
}

} // namespace qdzClassRTTI

void qdzRegisterClassRTTI()
{
    kwAddRTTIModule(&kwNewModule<qdzClassRTTI::TFunctions>);
}

void qdzUnregisterClassRTTI()
{
    kwRemoveRTTIModule(&kwNewModule<qdzClassRTTI::TFunctions>);
}
