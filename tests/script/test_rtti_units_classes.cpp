// Scripts using the class library's basic classes and the engine's XML
// classes through the classes registration module.
#include "Font.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "kw_iclassesrtti.h"
#include "kw_ixml.h"
#include "test_rtti_units_support.h"

namespace {

struct TClassesHost : TRttiHost
{
    TClassesHost() { AddModule<kw_iclassesrtti::TFunctions>(); }
};

} // namespace

TEST(RttiClasses, ConstantsAndEnumerations)
{
    TClassesHost h;
    const std::pair<const char *, int> table[] = {
        {"fmCreate", 65535}, {"fmOpenRead", 0}, {"fmOpenWrite", 1}, {"fmOpenReadWrite", 2},
        {"fmShareExclusive", 16}, {"fmShareDenyWrite", 32}, {"fmShareDenyNone", 64}, {"soFromBeginning", 0},
        {"soFromCurrent", 1}, {"soFromEnd", 2}, {"dupIgnore", 0}, {"dupAccept", 1}, {"dupError", 2},
        {"poPortrait", 0}, {"poLandscape", 1}};
    for (const auto &[name, value] : table) {
        TkwCustomVariable *v = h.S.Find(QString::fromLatin1(name));
        ASSERT_NE(v, nullptr) << name;
        EXPECT_TRUE(v->IsReadOnly()) << name;
        EXPECT_EQ(v->GetValue().AsInteger(), value) << name;
    }
    for (const char *cls : {"TObject", "TPersistent", "TCollectionItem", "TCollection", "TList", "TStrings",
                            "TStringList", "TStream", "TFileStream", "TMemoryStream", "TComponent", "TkwXMLItem",
                            "TkwXMLDocument"})
        EXPECT_NE(h.S.FindClass(QString::fromLatin1(cls)), nullptr) << cls;
    EXPECT_EQ(h.S.FindClass(QStringLiteral("TStringList"))->Ancestor(), QStringLiteral("TStrings"));
}

TEST(RttiClasses, StringListMembers)
{
    TClassesHost h;
    EXPECT_EQ(h.Pas(QStringLiteral(
        "var L: TStringList; i: Integer; o: TObject;\r\n"
        "begin\r\n"
        "  L := TStringList.Create;\r\n"
        "  L.Add('b=2'); L.Add('a=1'); L.Insert(0, 'c=3');\r\n"
        "  Log(L.Count); Log(L[0]); Log(L.Strings(1)); Log(L.Names(2)); Log(L.Values('a'));\r\n"
        "  L.Values('b') := '5'; Log(L.Text);\r\n"
        "  L.Sorted := True; Log(L.CommaText); Log(L.Sorted);\r\n"
        "  if L.Find('b=5', i) then Log(i);\r\n"
        "  if not L.Find('bb', i) then Log(i);\r\n"
        "  Log(L.IndexOf('c=3')); Log(L.IndexOfName('c'));\r\n"
        "  L.Sorted := False; L.Move(0, 2); Log(L.CommaText);\r\n"
        "  L[0] := 'x'; L.Delete(1); Log(L.CommaText);\r\n"
        "  o := TStringList.Create; L.AddObject('obj', o); L.InsertObject(0, 'first', L);\r\n"
        "  Log(L.IndexOfObject(o)); Log(L.Objects(0).ClassName);\r\n"
        "  L.Objects(0) := nil; Log(L.IndexOfObject(L));\r\n"
        "  L.CommaText := 'p,\"q r\"'; Log(L.Count); Log(L[1]);\r\n"
        "  L.Duplicates := dupError; Log(L.Duplicates);\r\n"
        "  L.Clear; Log(L.Count); Log(L.ClassName);\r\n"
        "  o.Free; L.Free;\r\n"
        "end.")),
        QStringLiteral("3|c=3|b=2|a|1|c=3\r\nb=5\r\na=1\r\n|a=1,b=5,c=3|True|1|2|2|2|b=5,c=3,a=1|x,a=1|"
                       "3|TStringList|-1|2|q r|2|0|TStringList"));
}

TEST(RttiClasses, SortedListWithDupErrorRaisesInTheScript)
{
    TClassesHost h;
    EXPECT_EQ(h.Pas(QStringLiteral(
        "var L: TStringList;\r\n"
        "begin\r\n"
        "  L := TStringList.Create;\r\n"
        "  L.Sorted := True; L.Duplicates := dupError;\r\n"
        "  L.Add('a');\r\n"
        "  try L.Add('a'); except Log(ExceptionMessage) end;\r\n"
        "  try Log(L[5]); except Log('range') end;\r\n"
        "  L.Free;\r\n"
        "end.")),
        QStringLiteral("String list does not allow duplicates|range"));
}

TEST(RttiClasses, ListOfObjects)
{
    TClassesHost h;
    EXPECT_EQ(h.Pas(QStringLiteral(
        "var L: TList; a, b: TStringList; v: Variant;\r\n"
        "begin\r\n"
        "  L := TList.Create; a := TStringList.Create; b := TStringList.Create;\r\n"
        "  a.Add('A'); b.Add('B');\r\n"
        "  Log(L.Add(a)); L.Insert(0, b); Log(L.Count); Log(L.IndexOf(a));\r\n"
        "  v := L[0]; Log(v.Text); L.Items(1) := b; Log(L.IndexOf(a));\r\n"
        "  Log(L.Remove(b)); L.Delete(0); Log(L.Count);\r\n"
        "  L.Add(a); L.Clear; Log(L.Count);\r\n"
        "  a.Free; b.Free; L.Free;\r\n"
        "end.")),
        QStringLiteral("0|2|1|B\r\n|-1|0|0|0"));
}

TEST(RttiClasses, StreamsReadWriteSeekCopy)
{
    TClassesHost h;
    const QString file = h.Path(QStringLiteral("s.bin"));
    EXPECT_EQ(h.Pas(QStringLiteral(
        "var M, F: TMemoryStream; FS: TFileStream; s: String; n: Integer;\r\n"
        "begin\r\n"
        "  M := TMemoryStream.Create;\r\n"
        "  Log(M.Write('abcdefgh', 6)); Log(M.Size); Log(M.Position);\r\n"
        "  Log(M.Write('xy', 10));\r\n"
        "  M.Position := 4;\r\n"
        "  n := M.Read(s, 10); Log(n); Log(s);\r\n"
        "  Log(M.Seek(-3, soFromEnd)); Log(M.Seek(1, soFromCurrent)); Log(M.Seek(2, soFromBeginning));\r\n"
        "  M.SaveToFile(%1);\r\n"
        "  FS := TFileStream.Create(%1, fmOpenRead);\r\n"
        "  Log(FS.Size); n := FS.Read(s, 3); Log(s);\r\n"
        "  F := TMemoryStream.Create; Log(F.CopyFrom(FS, 2)); F.Position := 0; F.Read(s, 5); Log(s);\r\n"
        "  FS.Free;\r\n"
        "  F.LoadFromFile(%1); Log(F.Size); F.Clear; Log(F.Size);\r\n"
        "  M.SaveToStream(F); Log(F.Size); F.Position := 0; M.Clear; M.LoadFromStream(F); Log(M.Size);\r\n"
        "  F.Free; M.Free;\r\n"
        "end.").arg(Quoted(file))),
        QStringLiteral("6|6|6|2|4|efxy|5|6|2|8|abc|2|de|8|0|8|8"));
}

TEST(RttiClasses, FileStreamOfAMissingFileRaises)
{
    TClassesHost h;
    EXPECT_TRUE(h.PasError(QStringLiteral("var F: TFileStream; begin F := TFileStream.Create(%1, fmOpenRead) end.")
                               .arg(Quoted(h.Path(QStringLiteral("none/x.bin")))))
                    .startsWith(QStringLiteral("Cannot open file")));
}

TEST(RttiClasses, StringsLoadAndSaveThroughFilesAndStreams)
{
    TClassesHost h;
    const QString file = h.Path(QStringLiteral("l.txt"));
    EXPECT_EQ(h.Pas(QStringLiteral(
        "var L, K: TStringList; M: TMemoryStream;\r\n"
        "begin\r\n"
        "  L := TStringList.Create; K := TStringList.Create; M := TMemoryStream.Create;\r\n"
        "  L.Text := 'one'#13#10'two';\r\n"
        "  L.SaveToFile(%1); K.LoadFromFile(%1); Log(K.Count);\r\n"
        "  L.SaveToStream(M); M.Position := 0; K.Clear; K.LoadFromStream(M); Log(K[1]);\r\n"
        "end.").arg(Quoted(file))),
        QStringLiteral("2|two"));
}

TEST(RttiClasses, ComponentCreateMakesTheNamedClass)
{
    TClassesHost h;
    h.S.AddClass(TForm::StaticClass(), QStringLiteral("TComponent"));
    h.S.AddClass(TButton::StaticClass(), QStringLiteral("TComponent"));
    EXPECT_EQ(h.Pas(QStringLiteral(
        "var F: TForm; B: TButton; C: TComponent;\r\n"
        "begin\r\n"
        "  F := TForm.Create(nil);\r\n"
        "  B := TButton.Create(F);\r\n"
        "  C := TComponent.Create(F);\r\n"
        "  Log(F.ClassName); Log(B.ClassName); Log(B.Owner.ClassName); Log(C.ClassName);\r\n"
        "  Log(F.Owner = nil);\r\n"
        "  F.Free;\r\n"
        "  try Log(B.Name) except Log('gone') end;\r\n"
        "end.")),
        QStringLiteral("TForm|TButton|TForm|TComponent|True|gone"));
}

TEST(RttiClasses, AssignCopiesAndAnAbstractClassCannotBeCreated)
{
    TClassesHost h;
    EXPECT_EQ(h.Pas(QStringLiteral(
        "var a, b: TStringList;\r\n"
        "begin\r\n"
        "  a := TStringList.Create; b := TStringList.Create;\r\n"
        "  a.Add('x'); a.Add('y'); b.Assign(a); Log(b.CommaText);\r\n"
        "  a.Free; b.Free;\r\n"
        "end.")),
        QStringLiteral("x,y"));
    EXPECT_EQ(h.PasError(QStringLiteral("var s: TStream; begin s := TStream.Create end.")),
              QStringLiteral("Cannot create an instance of the abstract class TStream"));
}

TEST(RttiClasses, XmlItemsAndDocuments)
{
    TClassesHost h;
    const QString file = h.Path(QStringLiteral("d.xml"));
    EXPECT_EQ(h.Pas(QStringLiteral(
        "var D, E: TkwXMLDocument; R, I, J: TkwXMLItem;\r\n"
        "begin\r\n"
        "  D := TkwXMLDocument.Create; R := D.Root; R.Name := 'root';\r\n"
        "  I := R.Add; I.Name := 'Alpha'; I.Prop('v') := 'x\"y';\r\n"
        "  J := TkwXMLItem.Create; J.Name := 'beta'; R.InsertItem(0, J);\r\n"
        "  Log(R.Count); Log(R[0].Name); Log(R.Find('ALPHA')); Log(R.Find('gamma'));\r\n"
        "  Log(R.FindItem('gamma').Name); Log(R.Count); Log(I.Prop('v')); Log(I.Parent.Name);\r\n"
        "  Log(J.Root.Name); I.Data := 7; Log(I.Data); J.Text := 'a=\"1\"'; Log(J.Prop('a'));\r\n"
        "  D.SaveToFile(%1);\r\n"
        "  E := TkwXMLDocument.Create; E.LoadFromFile(%1); Log(E.Root.Items(1).Prop('v'));\r\n"
        "  try Log(E.Root.Items(9).Name) except Log('index') end;\r\n"
        "  E.Root.Clear; Log(E.Root.Count);\r\n"
        "  E.Free; D.Free;\r\n"
        "end.").arg(Quoted(file))),
        QStringLiteral("2|beta|1|-1|gamma|3|x\"y|root|root|7|1|x\"y|index|0"));
}

TEST(RttiClasses, UnhandledMemberGivesZero)
{
    TClassesHost h;
    kw_iclassesrtti::TFunctions m(&h.S);
    TStringList l;
    TkwMethodHelper helper(QStringLiteral("procedure Nope"), &h.S);
    EXPECT_EQ(m.CallMethod(&l, TStrings::StaticClass(), QStringLiteral("NOPE"), &helper).AsInteger(), 0);
    EXPECT_EQ(m.CallMethod(&l, TFont::StaticClass(), QStringLiteral("ADD"), &helper).AsInteger(), 0);
    EXPECT_EQ(m.GetProp(&l, TStrings::StaticClass(), QStringLiteral("NOPE")).AsInteger(), 0);
    EXPECT_EQ(l.Count(), 0);
}

TEST(RttiClasses, XmlItemsCannotFormLoops)
{
    TClassesHost h;
    EXPECT_EQ(h.Pas(QStringLiteral(
        "var R, C, X: TkwXMLItem;\r\n"
        "begin\r\n"
        "  R := TkwXMLItem.Create; C := R.Add;\r\n"
        "  try R.AddItem(R) except Log(ExceptionMessage) end;\r\n"
        "  try C.AddItem(R) except Log(ExceptionMessage) end;\r\n"
        "  try C.InsertItem(0, R) except Log(ExceptionMessage) end;\r\n"
        "  try R.AddItem(nil) except Log(ExceptionMessage) end;\r\n"
        "  X := TkwXMLItem.Create;\r\n"
        "  try R.InsertItem(5, X) except Log('index') end;\r\n"
        "  X.Free;\r\n"
        "  Log(R.Count); Log(C.Count);\r\n"
        "  R.Free;\r\n"
        "end.")),
        QStringLiteral("An XML item cannot be put under itself|An XML item cannot be put under itself|"
                       "An XML item cannot be put under itself|Parameter 'Item' of AddItem must not be nil|index|1|0"));
}
