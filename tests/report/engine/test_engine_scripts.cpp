// Scripts and expressions in a real build: the engine and the outline as
// scripts see them, a band shown from its own events, expression errors that
// name their object, nil handed to every registered method that takes an
// object, and enumeration and set properties set from scripts.
#include "EngineHarness.h"

#include "report/engine/qdzPreviewPages.h"
#include "report/model/qdzClassRTTI.h"
#include "report/model/qdzXML.h"

#include <gtest/gtest.h>

namespace {

// The report classes' bridge, loaded as the station loads it.
struct TBridge
{
    TBridge()
    {
        // After the class library's units, whose classes it builds on.
        kwRegisterRTTIUnits();
        qdzRegisterClassRTTI();
    }
    ~TBridge() { qdzUnregisterClassRTTI(); }
};

class EngineScripts : public ::testing::Test
{
protected:
    void SetScript(const QString &Text) { H.Report->ScriptText()->SetText(Text); }
    QString Errors() const { return H.Errors().join(QLatin1Char('|')); }
    // The texts of all pages, "|" between pages.
    QString Pages() const
    {
        QStringList L;
        for (int i = 0; i < H.PageCount(); ++i)
            L << H.TextList(i).join(QLatin1Char(','));
        return L.join(QLatin1Char('|'));
    }

    TBridge Bridge;
    EngineHarness H;
};

// The outline's items, depth-first, children in braces.
QString OutlineTree(TqdzXMLItem *Item)
{
    QStringList L;
    for (int i = 0; i < Item->Count(); ++i) {
        TqdzXMLItem *C = Item->GetItems(i);
        QString S = QString::fromUtf8(C->GetProp("text")) + QLatin1Char('@') + QString::fromUtf8(C->GetProp("page"));
        if (C->Count())
            S += QLatin1Char('{') + OutlineTree(C) + QLatin1Char('}');
        L << S;
    }
    return L.join(QLatin1Char(','));
}

} // namespace

TEST_F(EngineScripts, EngineAndOutlineMembersWorkFromScriptsAndExpressions)
{
    H.Report->EngineOptions()->SetDoublePass(true);
    auto *Title = H.Band<TqdzReportTitle>("Title1", 0, 20);
    Title->SetOnBeforePrint(QStringLiteral("TitleBefore"));
    H.Memo(Title, "Pages", "[Engine.TotalPages] pages");
    auto *MD = H.Band<TqdzMasterData>("MasterData1", 100, 20);
    MD->SetRowCount(3);
    MD->SetOnBeforePrint(QStringLiteral("RowBefore"));
    H.Memo(MD, "Row", "[Line] [FormatFloat('0.00', Engine.FreeSpace)]");
    auto *Sum = H.Band<TqdzReportSummary>("Summary1", 200, 20);
    Sum->SetOnBeforePrint(QStringLiteral("SumBefore"));
    H.Memo(Sum, "Anchors", "[Engine.GetAnchorPage('row3')] [Engine.GetAnchorPage('top')]");
    // A band that nothing but the script shows.
    auto *Extra = H.Band<TqdzChild>("Extra", 300, 20);
    H.Memo(Extra, "ExtraMemo", "extra");
    SetScript(QStringLiteral(
        "procedure TitleBefore(Sender: TObject);\r\n"
        "begin\r\n"
        "  Outline.AddItem('Title'); Outline.AddItem('Sub'); Outline.LevelUp; Outline.LevelUp;\r\n"
        "  Outline.AddItem('Second'); Outline.LevelRoot;\r\n"
        "  Engine.AddAnchor('top');\r\n"
        "end;\r\n"
        "procedure RowBefore(Sender: TObject);\r\n"
        "begin\r\n"
        "  if Get('Line') = 3 then begin Engine.NewPage; Engine.AddAnchor('row3'); end;\r\n"
        "end;\r\n"
        "procedure SumBefore(Sender: TObject);\r\n"
        "begin\r\n"
        "  Engine.ShowBand(Extra);\r\n"
        "end;\r\n"
        "begin end."));
    ASSERT_TRUE(H.Build()) << Errors().toStdString();
    EXPECT_EQ(Errors(), QString());
    // The free space below each row's top: 277 mm of page less what is used.
    EXPECT_EQ(Pages(), QStringLiteral("2 pages,1 1026.93,2 1006.93|3 1046.93,extra,2 1"));
    auto *Store = static_cast<TqdzPreviewPages *>(H.Store());
    EXPECT_EQ(OutlineTree(Store->XMLDocument()->Root()->FindItem("outline")),
              QStringLiteral("Title@0{Sub@0},Second@0"));

    // StopReport ends the run after the row that asked for it.
    EngineHarness S;
    auto *Rows = S.Band<TqdzMasterData>("MasterData1", 100, 20);
    Rows->SetRowCount(10);
    Rows->SetOnAfterPrint(QStringLiteral("RowAfter"));
    S.Memo(Rows, "Row", "[Line]");
    S.Report->ScriptText()->SetText(QStringLiteral(
        "procedure RowAfter(Sender: TObject); begin if Get('Line') = 4 then Engine.StopReport; end;\r\n"
        "begin end."));
    S.Build();
    EXPECT_EQ(S.AllTexts().join(QLatin1Char(',')), QStringLiteral("1,2,3,4"));
}

TEST_F(EngineScripts, ABandIsNotShownFromItsOwnEvents)
{
    const QString Message = QStringLiteral("MasterData1 is being shown: it cannot be shown again from its own events");
    // The band's events, and those of a view on it.
    const struct
    {
        const char *Event;
        void (*Hook)(TqdzMasterData *, TqdzMemoView *);
    } Cases[] = {
        {"band before", [](TqdzMasterData *B, TqdzMemoView *) { B->SetOnBeforePrint(QStringLiteral("Again")); }},
        {"band after", [](TqdzMasterData *B, TqdzMemoView *) { B->SetOnAfterPrint(QStringLiteral("Again")); }},
        {"band height", [](TqdzMasterData *B, TqdzMemoView *) { B->SetOnAfterCalcHeight(QStringLiteral("Again")); }},
        {"memo before", [](TqdzMasterData *, TqdzMemoView *M) { M->SetOnBeforePrint(QStringLiteral("Again")); }},
    };
    for (const auto &C : Cases) {
        SCOPED_TRACE(C.Event);
        EngineHarness E;
        auto *MD = E.Band<TqdzMasterData>("MasterData1", 100, 20);
        MD->SetRowCount(2);
        C.Hook(MD, E.Memo(MD, "Row", "[Line]"));
        E.Report->ScriptText()->SetText(
            QStringLiteral("procedure Again(Sender: TObject); begin Engine.ShowBand(MasterData1); end;\r\nbegin end."));
        EXPECT_FALSE(E.Build());
        EXPECT_TRUE(E.Errors().contains(Message)) << E.Errors().join('|').toStdString();
        EXPECT_LE(E.AllTexts().size(), 1);
    }
}

TEST_F(EngineScripts, ExpressionErrorsNameTheirObject)
{
    // A band with an outline text sets the name before the memo's turn.
    auto *MD = H.Band<TqdzMasterData>("MasterData1", 100, 20);
    MD->SetRowCount(1);
    MD->SetOutlineText(QStringLiteral("'Row'"));
    H.Memo(MD, "Fine", "[1+1]");
    H.Memo(H.Band<TqdzReportSummary>("Summary1", 200, 20), "Memo1", "[1+]");
    EXPECT_FALSE(H.Build());
    ASSERT_FALSE(H.Errors().isEmpty());
    EXPECT_TRUE(H.Errors().first().startsWith(QStringLiteral("Memo1: Error in expression '1+': ")))
        << Errors().toStdString();

    // A highlight's condition is the memo's too.
    EngineHarness C;
    auto *B = C.Band<TqdzMasterData>("MasterData1", 100, 20);
    B->SetRowCount(1);
    C.Memo(B, "Plain", "[2*3]");
    C.Memo(B, "Lit", "x")->Highlight()->SetCondition(QStringLiteral("Value >"));
    EXPECT_FALSE(C.Build());
    ASSERT_FALSE(C.Errors().isEmpty());
    EXPECT_TRUE(C.Errors().first().startsWith(QStringLiteral("Lit: Error in expression 'Value >': ")))
        << C.Errors().join('|').toStdString();

    // A group header's condition names the header, not the view before it.
    EngineHarness G;
    auto *GH = G.Band<TqdzGroupHeader>("GroupHeader1", 60, 20);
    GH->SetCondition(QStringLiteral("1+"));
    auto *GD = G.Band<TqdzMasterData>("MasterData1", 100, 20);
    GD->SetRowCount(2);
    G.Memo(GD, "Row", "[2*3]");
    EXPECT_FALSE(G.Build());
    ASSERT_FALSE(G.Errors().isEmpty());
    EXPECT_TRUE(G.Errors().first().startsWith(QStringLiteral("GroupHeader1: Error in expression '1+': ")))
        << G.Errors().join('|').toStdString();
}

// Enumeration and set properties set from a build's script, and read back.
TEST_F(EngineScripts, EnumerationAndSetPropertiesTakeTheirConstants)
{
    const struct
    {
        const char *Script; // between begin and end
        const char *Property; // an object's, by dotted path
        int Value;
        const char *Text; // Memo1's as built, or the build's error
    } Cases[] = {
        {"Page2.Orientation := poLandscape; if Page2.Orientation = poLandscape then Memo1.Text := 'landscape'",
         "Page2.Orientation", 1, "landscape"},
        {"Page2.Orientation := poLandscape; Page2.Orientation := poPortrait", "Page2.Orientation", 0, "x"},
        {"Memo1.Font.Style := [fsBold]; if fsBold in Memo1.Font.Style then Memo1.Text := 'bold'", "Memo1.Font.Style",
         1, "bold"},
        {"Memo1.Font.Style := [fsBold, fsUnderline]; if not (fsItalic in Memo1.Font.Style) then Memo1.Text := 'no'",
         "Memo1.Font.Style", 5, "no"},
        {"Memo1.Font.Style := [2..8]", "Memo1.Font.Style", 14, "x"},
        {"Memo1.Font.Style := [fsBold]; Memo1.Font.Style := [fsItalic]", "Memo1.Font.Style", 2, "x"},
        {"Memo1.Frame.Typ := [ftLeft, ftTop]; if ftTop in Memo1.Frame.Typ then Memo1.Text := 'top'",
         "Memo1.Frame.Typ", 5, "top"},
        // Two different enumerations still do not mix.
        {"Page2.Orientation := dmVertical", "Page2.Orientation", 0,
         "Incompatible types: 'TPrinterOrientation', 'TqdzDuplexMode'"},
    };
    for (const auto &C : Cases) {
        SCOPED_TRACE(C.Script);
        EngineHarness E;
        E.NewPage("Page2");
        auto *MD = E.Band<TqdzMasterData>("MasterData1", 100, 20);
        MD->SetRowCount(1);
        E.Memo(MD, "Memo1", "x");
        E.Report->ScriptText()->SetText(QStringLiteral("begin ") + QString::fromLatin1(C.Script) +
                                        QStringLiteral(" end."));
        const bool Built = E.Build();
        const QString Text = QString::fromLatin1(C.Text);
        if (Text.startsWith(QStringLiteral("Incompatible"))) {
            EXPECT_FALSE(Built);
            EXPECT_TRUE(E.Errors().join('|').contains(Text)) << E.Errors().join('|').toStdString();
        } else {
            EXPECT_TRUE(Built) << E.Errors().join('|').toStdString();
            EXPECT_EQ(E.AllTexts(), QStringList{Text});
        }
        const QString Path = QString::fromLatin1(C.Property);
        const int Dot = Path.indexOf(QLatin1Char('.'));
        EXPECT_EQ(GetOrdProp(E.Report->FindObject(Path.left(Dot)), Path.mid(Dot + 1)), C.Value);
    }
}

namespace {

// A script expression giving a live object for a class entry or a
// parameter type (by name, or that of the nearest ancestor entry named here).
const char *Recipe(const QString &Name)
{
    static const QHash<QString, const char *> Recipes = {
        {"TObject", "Report"},
        {"TPersistent", "TStringList.Create"},
        {"TComponent", "Report"},
        {"TList", "TList.Create"},
        {"TStrings", "TStringList.Create"},
        {"TStream", "TMemoryStream.Create"},
        {"TkwXMLItem", "TkwXMLItem.Create"},
        {"TkwXMLDocument", "TkwXMLDocument.Create"},
        {"TGraphic", "TBitmap.Create"},
        {"TMetafile", "TMetafile.Create"},
        {"TCanvas", "b.Canvas"},
        {"TCustomIniFile", "TMemIniFile.Create('')"},
        {"TIniFile", "TIniFile.Create('')"},
        {"TWideStrings", "TWideStrings.Create"},
        {"TqdzDataSet", "Report.GetDataset('Rows')"},
        {"TqdzComponent", "Page1"},
        {"TqdzReport", "Report"},
        {"TqdzBand", "MasterData1"},
        {"TqdzStyles", "Report.Styles"},
        {"TqdzCustomEngine", "Engine"},
        {"TqdzCustomOutline", "Outline"},
    };
    return Recipes.value(Name, nullptr);
}

const char *RecipeFor(TkwScript *S, const QString &Name)
{
    for (TkwClassVariable *C = S->FindClass(Name); C; C = S->FindClass(C->Ancestor())) {
        if (const char *R = Recipe(C->Name()))
            return R;
        if (C->Ancestor().isEmpty() || S->FindClass(C->Ancestor()) == C)
            break;
    }
    return nullptr;
}

// A value of the parameter's type that the call accepts as it is.
QString Argument(TkwScript *S, TkwParamItem *P)
{
    switch (P->Typ()) {
    case fvtInt:
    case fvtFloat:
    case fvtEnum:
    case fvtVariant:
        return QStringLiteral("0");
    case fvtBool:
        return QStringLiteral("False");
    case fvtClass:
        if (const char *R = RecipeFor(S, P->TypeName()))
            return QString::fromLatin1(R);
        return QStringLiteral("nil");
    default:
        return QStringLiteral("''");
    }
}

struct TNilCall
{
    QString Method; // "Entry.Name" or the routine's name
    QString Param;
    bool NilAllowed;
    QString Script;
};

} // namespace

TEST_F(EngineScripts, NilForAnObjectParameterIsAScriptErrorNamingIt)
{
    H.DataSet("Rows", 2);
    auto *MD = H.Band<TqdzMasterData>("MasterData1", 100, 20);
    H.Memo(MD, "Memo1", "x");
    ASSERT_TRUE(H.Report->SetupScript()) << Errors().toStdString();
    TkwScript *S = H.Report->Script();

    // Every method and routine registered with an object parameter: the
    // class library's units and the report classes' bridge.
    std::vector<TNilCall> Calls;
    QStringList NoRecipe;
    QSet<const TkwMethodHelper *> Seen;
    auto Collect = [&](TkwMethodHelper *M, const QString &Prefix, TkwClassVariable *Entry) {
        if (!M || Seen.contains(M))
            return;
        Seen.insert(M);
        for (int i = 0; i < M->Count(); ++i) {
            if (!M->ObjectParam(i) && !M->NilAllowed(i))
                continue;
            // Indexed properties take values, not objects, as their indexes.
            EXPECT_FALSE(M->IndexMethod()) << Prefix.toStdString() << M->Name().toStdString();
            // The object it is called on, in a variable of the entry's type.
            QString Var = QStringLiteral("var b: TBitmap;"), Set, Target;
            if (Entry && M->Typ() == fvtConstructor) {
                Target = Entry->Name() + QLatin1Char('.');
            } else if (Entry) {
                const char *R = RecipeFor(S, Entry->Name());
                if (!R) {
                    NoRecipe << Entry->Name();
                    return;
                }
                Var += QStringLiteral(" o: ") + Entry->Name() + QLatin1Char(';');
                Set = QStringLiteral("o := ") + QString::fromLatin1(R) + QStringLiteral("; ");
                Target = QStringLiteral("o.");
            }
            QStringList Args;
            for (int j = 0; j < M->Count(); ++j)
                Args << (j == i ? QStringLiteral("nil") : Argument(S, M->Params(j)));
            const QString Call =
                Target + M->Name() + QLatin1Char('(') + Args.join(QStringLiteral(", ")) + QLatin1Char(')');
            Calls.push_back({Prefix + M->Name(), M->Params(i)->Name(), M->NilAllowed(i),
                             Var + QStringLiteral(" begin b := TBitmap.Create; ") + Set + Call +
                                 QStringLiteral("; end.")});
        }
    };
    for (int i = 0; i < S->Count(); ++i) {
        TObject *Item = S->Items(i);
        if (auto *C = dynamic_cast<TkwClassVariable *>(Item)) {
            for (int m = 0; m < C->MemberCount(); ++m)
                Collect(dynamic_cast<TkwMethodHelper *>(C->Members(m)), C->Name() + QLatin1Char('.'), C);
        } else {
            Collect(dynamic_cast<TkwMethodHelper *>(Item), QString(), nullptr);
        }
    }
    EXPECT_TRUE(NoRecipe.isEmpty()) << "no instance for " << NoRecipe.join(',').toStdString();

    // The calls the station's scripts crashed on are among them.
    QStringList Names;
    for (const TNilCall &C : Calls)
        Names << C.Method;
    for (const char *Known :
         {"TqdzStyles.GetList", "TqdzStyles.SaveToStream", "TWideStrings.LoadFromStream", "TqdzComponent.SaveToStream",
          "TqdzComponent.LoadFromStream", "TqdzDataSet.GetFieldList", "TStrings.LoadFromStream",
          "TqdzCustomEngine.ShowBand", "TPersistent.Assign", "TCanvas.Draw", "TMemoryStream.SaveToStream"})
        EXPECT_TRUE(Names.contains(QString::fromLatin1(Known))) << Known;

    const QString NilText = QStringLiteral("Parameter '%1' of %2 must not be nil");
    int Refused = 0;
    for (const TNilCall &C : Calls) {
        SCOPED_TRACE(C.Script.toStdString());
        H.Report->ScriptText()->SetText(C.Script);
        ASSERT_TRUE(H.Report->SetupScript()) << Errors().toStdString();
        const QString Short = C.Method.mid(C.Method.lastIndexOf(QLatin1Char('.')) + 1);
        QString Raised;
        try {
            H.Report->Script()->Execute();
        } catch (const Exception &E) {
            Raised = E.Message();
        }
        if (C.NilAllowed) {
            // Taken as a value: the class library's own answer, if any.
            EXPECT_NE(Raised, NilText.arg(C.Param, Short));
        } else {
            EXPECT_EQ(Raised, NilText.arg(C.Param, Short));
            ++Refused;
        }
    }
    EXPECT_GE(Refused, 30);

    // A script's try statement catches it.
    H.Report->ScriptText()->SetText(QStringLiteral(
        "begin try Report.Styles.GetList(nil) except Memo1.Text := ExceptionMessage end; end."));
    ASSERT_TRUE(H.Report->SetupScript());
    H.Report->Script()->Execute();
    EXPECT_EQ(static_cast<TqdzMemoView *>(H.Report->FindObject(QStringLiteral("Memo1")))->Text(),
              QStringLiteral("Parameter 'List' of GetList must not be nil\r\n"));
}
