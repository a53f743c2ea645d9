// Scripts using the common dialogs, the message and input routines and INI
// files through their registration modules.
#include "Dialogs.h"
#include "IniFiles.h"
#include "kw_iclassesrtti.h"
#include "kw_idialogsrtti.h"
#include "kw_iinirtti.h"
#include "test_rtti_units_support.h"
#include <QFile>

namespace {

struct TDialogsHost : TRttiHost
{
    TDialogsHost()
    {
        AddModule<kw_iclassesrtti::TFunctions>();
        AddModule<kw_idialogsrtti::TFunctions>();
        AddModule<kw_iinirtti::TFunctions>();
    }
};

QString FileText(const QString &Name)
{
    QFile f(Name);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("<missing>");
    return QString::fromUtf8(f.readAll());
}

} // namespace

TEST(RttiDialogs, EnumerationsAndSets)
{
    TDialogsHost h;
    const std::pair<const char *, int> table[] = {
        {"ofReadOnly", 1}, {"ofHideReadOnly", 4}, {"ofNoChangeDir", 8}, {"ofExtensionDifferent", 128},
        {"ofShareAware", 2048}, {"ofNoLongNames", 1 << 15}, {"ofEnableIncludeNotify", 1 << 18},
        {"ofEnableSizing", 1 << 19}, {"fsEdit", 0}, {"fsComboBox", 1}, {"cdSolidColor", 8}, {"cdAnyColor", 16},
        {"fdFixedPitchOnly", 8}, {"fdNoSimulations", 128}, {"fdNoVectorFonts", 1024}, {"fdShowHelp", 2048},
        {"fdApplyButton", 1 << 15}, {"fdPrinter", 1}, {"prPageNums", 2}, {"poWarning", 8},
        {"poDisablePrintToFile", 32}, {"mtConfirmation", 3}, {"mtCustom", 4}, {"mbYes", 1}, {"mbOK", 4},
        {"mbCancel", 8}, {"mbHelp", 1024}};
    for (const auto &[name, value] : table) {
        TkwCustomVariable *v = h.S.Find(QString::fromLatin1(name));
        ASSERT_NE(v, nullptr) << name;
        EXPECT_EQ(v->GetValue().AsInteger(), value) << name;
    }
    for (const char *cls : {"TCommonDialog", "TOpenDialog", "TSaveDialog", "TColorDialog", "TFontDialog",
                            "TPrintDialog", "TPrinterSetupDialog", "TCustomIniFile", "TMemIniFile", "TIniFile"})
        EXPECT_NE(h.S.FindClass(QString::fromLatin1(cls)), nullptr) << cls;
    EXPECT_EQ(h.S.FindClass(QStringLiteral("TSaveDialog"))->Ancestor(), QStringLiteral("TCommonDialog"));
    auto *md = dynamic_cast<TkwMethodHelper *>(h.S.Find(QStringLiteral("MessageDlg")));
    ASSERT_NE(md, nullptr);
    EXPECT_EQ(md->Category(), QStringLiteral("ctOther"));
}

TEST(RttiDialogs, MessageAndInputRoutines)
{
    TDialogsHost h;
    QList<TDialogRequest> seen;
    TScopedDialogHook hook([&seen](TDialogRequest &R) {
        seen << R;
        if (R.Kind == TDialogKind::InputQuery) {
            if (R.Text == QLatin1String("cancel"))
                return int(mrCancel);
            R.Value = R.Value + QStringLiteral("!");
            return int(mrOk);
        }
        return int(mrNo);
    });
    EXPECT_EQ(h.Pas(QStringLiteral(
        "var v: String;\r\n"
        "begin\r\n"
        "  Log(MessageDlg('Sure?', mtConfirmation, mbYes + mbNo, 0));\r\n"
        "  Log(InputBox('Title', 'Prompt', 'def'));\r\n"
        "  Log(InputBox('Title', 'cancel', 'def'));\r\n"
        "  v := 'x'; Log(InputQuery('T', 'P', v)); Log(v);\r\n"
        "  v := 'y'; Log(InputQuery('T', 'cancel', v)); Log(v);\r\n"
        "end.")),
        QStringLiteral("7|def!|def|True|x!|False|y"));
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen[0].Kind, TDialogKind::MessageDlg);
    EXPECT_EQ(seen[0].Text, QStringLiteral("Sure?"));
    EXPECT_EQ(seen[0].DlgType, mtConfirmation);
    EXPECT_EQ(seen[0].Buttons, (TMsgDlgButtons{mbYes, mbNo}));
}

TEST(RttiDialogs, CommonDialogExecute)
{
    TDialogsHost h;
    TScopedDialogHook hook([](TDialogRequest &R) {
        if (R.Kind == TDialogKind::OpenDialog) {
            R.Files = QStringList{QStringLiteral("/tmp/a.txt")};
            R.Value = QStringLiteral("/tmp/a.txt");
            return int(mrOk);
        }
        return int(mrCancel);
    });
    EXPECT_EQ(h.Pas(QStringLiteral(
        "var O: TOpenDialog; C: TColorDialog;\r\n"
        "begin\r\n"
        "  O := TOpenDialog.Create(nil); O.Filter := 'Text|*.txt';\r\n"
        "  if O.Execute then Log(O.FileName);\r\n"
        "  C := TColorDialog.Create(nil); Log(C.Execute);\r\n"
        "  O.Free; C.Free;\r\n"
        "end.")),
        QStringLiteral("/tmp/a.txt|False"));
}

TEST(RttiIni, WriteAndReadTypedValues)
{
    TDialogsHost h;
    const QString file = h.Path(QStringLiteral("a.ini"));
    EXPECT_EQ(h.Pas(QStringLiteral(
        "var I: TIniFile; M: TMemIniFile; L: TStringList; S: TMemoryStream;\r\n"
        "begin\r\n"
        "  I := TIniFile.Create(%1); Log(I.ClassName); Log(I.FileName = %1);\r\n"
        "  I.WriteString('Main', 'Name', 'station'); I.WriteInteger('Main', 'Count', 42);\r\n"
        "  I.WriteBool('Main', 'On', True); I.WriteFloat('Main', 'Ratio', 2.5);\r\n"
        "  Log(I.ReadString('Main', 'Name', '')); Log(I.ReadInteger('Main', 'Count', 0));\r\n"
        "  Log(I.ReadBool('Main', 'On', False)); Log(I.ReadFloat('Main', 'Ratio', 0));\r\n"
        "  Log(I.ReadInteger('Main', 'Missing', -1)); Log(I.SectionExists('Main')); Log(I.ValueExists('Main', 'Nope'));\r\n"
        "  I.WriteDate('D', 'Day', 45000); Log(I.ReadDate('D', 'Day', 0) = 45000);\r\n"
        "  S := TMemoryStream.Create; S.Write('AB', 2); I.WriteBinaryStream('B', 'Data', S);\r\n"
        "  S.Clear; Log(I.ReadBinaryStream('B', 'Data', S)); Log(S.Size);\r\n"
        "  L := TStringList.Create;\r\n"
        "  I.ReadSection('Main', L); Log(L.CommaText);\r\n"
        "  I.ReadSectionValues('Main', L); Log(L[0]);\r\n"
        "  I.ReadSectionValuesEx('Main', L); Log(L.CommaText);\r\n"
        "  I.ReadSections(L); Log(L.CommaText);\r\n"
        "  I.DeleteKey('Main', 'On'); Log(I.ValueExists('Main', 'On'));\r\n"
        "  I.EraseSection('D'); Log(I.SectionExists('D'));\r\n"
        "  M := TMemIniFile.Create(%1); Log(M.ClassName); Log(M.ReadString('Main', 'Name', ''));\r\n"
        "  M.WriteString('Mem', 'k', 'v'); M.GetStrings(L); Log(L.IndexOf('[Mem]') >= 0);\r\n"
        "  M.Clear; M.GetStrings(L); Log(L.Count);\r\n"
        "  L.Text := '[X]'#13#10'y=1'; M.SetStrings(L); Log(M.ReadInteger('X', 'y', 0));\r\n"
        "  L.Free; S.Free; M.Free; I.Free;\r\n"
        "end.").arg(Quoted(file))),
        QStringLiteral("TIniFile|True|station|42|True|2.5|-1|True|False|True|2|2|Name,Count,On,Ratio|Name=station|"
                       "station,42,1,2.5|Main,D,B|False|False|TMemIniFile|station|True|0|1"));
    EXPECT_TRUE(FileText(file).contains(QLatin1String("Name=station")));
    EXPECT_EQ(h.PasError(QStringLiteral("var C2: TCustomIniFile; begin C2 := TCustomIniFile.Create('x') end.")),
              QStringLiteral("Cannot create an instance of the abstract class TCustomIniFile"));
}

TEST(RttiIni, StringListsInASection)
{
    TDialogsHost h;
    const QString file = h.Path(QStringLiteral("s.ini"));
    EXPECT_EQ(h.Pas(QStringLiteral(
        "var I: TIniFile; L, K: TStringList;\r\n"
        "begin\r\n"
        "  I := TIniFile.Create(%1);\r\n"
        "  I.WriteString('S', 'Old', 'gone');\r\n"
        "  L := TStringList.Create; L.CommaText := 'a,b,c';\r\n"
        "  I.WriteTStrings('S', L);\r\n"
        "  K := TStringList.Create; K.Add('keep');\r\n"
        "  I.ReadTStrings('S', K, False); Log(K.CommaText);\r\n"
        "  I.ReadTStrings('S', K); Log(K.CommaText);\r\n"
        "  I.ReadTStrings('None', K, False); Log(K.CommaText);\r\n"
        "  I.ReadTStrings('None', K); Log(K.Count);\r\n"
        "  I.ReadSection('S', K); Log(K.CommaText);\r\n"
        "  I.WriteTStrings('S', L, False); I.ReadSection('S', K); Log(K.Count);\r\n"
        "  K.Free; L.Free; I.Free;\r\n"
        "end.").arg(Quoted(file))),
        QStringLiteral("keep,a,b,c|a,b,c|a,b,c|0|Items0,Items1,Items2,Count|4"));
}

TEST(RttiIni, SectionValuesWithoutNames)
{
    TDialogsHost h;
    const QString file = h.Path(QStringLiteral("v.ini"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[V]\r\na=1\r\nb=2\r\na=3\r\n");
    }
    EXPECT_EQ(h.Pas(QStringLiteral(
        "var M: TMemIniFile; L: TStringList;\r\n"
        "begin\r\n"
        "  M := TMemIniFile.Create(%1); L := TStringList.Create; L.Add('old');\r\n"
        "  M.ReadSectionValuesEx('V', L); Log(L.CommaText);\r\n"
        "  L.Free; M.Free;\r\n"
        "end.").arg(Quoted(file))),
        QStringLiteral("1,2,1"));
}

TEST(RttiIni, WholeFileToAndFromStreams)
{
    TDialogsHost h;
    const QString a = h.Path(QStringLiteral("a.ini"));
    const QString b = h.Path(QStringLiteral("b.ini"));
    EXPECT_EQ(h.Pas(QStringLiteral(
        "var I, J: TIniFile; M: TMemIniFile; S: TMemoryStream;\r\n"
        "begin\r\n"
        "  I := TIniFile.Create(%1); I.WriteString('One', 'k', 'v');\r\n"
        "  S := TMemoryStream.Create; I.SaveIniFileToStream(S); Log(S.Size > 0);\r\n"
        "  S.Position := 0; J := TIniFile.Create(%2); J.LoadIniFileFromStream(S); Log(J.ReadString('One', 'k', ''));\r\n"
        "  M := TMemIniFile.Create(''); S.Position := 0; M.LoadIniFileFromStream(S); Log(M.ReadString('One', 'k', ''));\r\n"
        "  M.WriteString('Two', 'x', 'y'); S.Clear; M.SaveIniFileToStream(S); S.Position := 0;\r\n"
        "  J.LoadIniFileFromStream(S); Log(J.ReadString('Two', 'x', ''));\r\n"
        "  I.SaveIniFileToStream(nil); J.LoadIniFileFromStream(nil); Log(J.ReadString('Two', 'x', ''));\r\n"
        "  S.Free; M.Free; J.Free; I.Free;\r\n"
        "end.").arg(Quoted(a), Quoted(b))),
        QStringLiteral("True|v|v|y|y"));
    EXPECT_TRUE(FileText(b).contains(QLatin1String("[Two]")));
}

TEST(RttiIni, StreamTransferIgnoresOtherIniClasses)
{
    class TOtherIni : public TCustomIniFile
    {
    public:
        TOtherIni() : TCustomIniFile(QStringLiteral("other")) {}
        QString ReadString(const QString &, const QString &, const QString &D) override { return D; }
        void WriteString(const QString &, const QString &, const QString &) override { ++Writes; }
        void ReadSection(const QString &, TStrings *) override {}
        void ReadSections(TStrings *) override {}
        void EraseSection(const QString &) override {}
        void DeleteKey(const QString &, const QString &) override {}
        void UpdateFile() override {}
        int Writes = 0;
    } other;
    TMemoryStream s;
    s.Write("[a]\r\nb=c\r\n", 10);
    s.SetPosition(0);
    kw_iinirtti::LoadIniFileFromStream(&other, &s);
    kw_iinirtti::SaveIniFileToStream(&other, &s);
    EXPECT_EQ(other.Writes, 0);
    EXPECT_EQ(s.Size(), 10);
}
