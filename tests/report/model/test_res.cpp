// The engine's string table: look-ups, the '!' rule, loading a second table,
// the language list and the script compiler's messages.
#include "report/model/qdzRes.h"
#include "report/model/qdzUtils.h"
#include "report/model/qdzXML.h"

#include "platform/Classes.h"
#include "platform/Exceptions.h"
#include "platform/ImgList.h"
#include "platform/Streams.h"
#include "script/kw_iconst.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QTextBrowser>
#include <QFile>
#include <gtest/gtest.h>

TEST(Resources, BuiltInTable)
{
    TqdzResources *R = qdzResources();
    EXPECT_EQ(R->CodePage(), 1252);
    EXPECT_EQ(qdzGet(1), "OK");
    EXPECT_EQ(qdzGet(2), "Cancel");
    EXPECT_EQ(qdzGet(9), "Enter page numbers and/or page ranges, separated by commas. For example, 1,3,5-12");
    EXPECT_EQ(qdzGet(207), "Other");
    EXPECT_EQ(R->ResourceText("207"), "Other");
    EXPECT_EQ(R->ResourceText("211"), "Order");
    EXPECT_EQ(R->ResourceText("poDirect"), "Direct (1-9)");
    EXPECT_EQ(R->ResourceText("poReverse"), "Reverse (9-1)");
    EXPECT_EQ(R->ResourceText("clErrors"), "The following error(s) have occured:");
    EXPECT_EQ(R->ResourceText("clFirstPass"), "First pass: page ");
    EXPECT_EQ(R->ResourceText("clDecompressError"), "Stream decompress error");
    // Stored with a doubly escaped quote: one unescape pass leaves the
    // reference, as the table has always shown it.
    EXPECT_EQ(R->ResourceText("clDSNotExist"), "Dataset &#34;%s&#34; does not exist");
    EXPECT_EQ(R->ResourceText("SIdRedeclared"), "Identifier redeclared: ");
    EXPECT_EQ(R->ResourceText("clPageOf"), "Page %d of %d");
    EXPECT_EQ(R->ResourceText("mberror"), "Error");   // keys ignore case
    EXPECT_EQ(R->ResourceText("uChar"), "chr");
    EXPECT_EQ(R->HelpFile(), "RAZiru.rez");
}

TEST(Resources, BuiltInTableHasEveryKey)
{
    const char *Named[] = {
        "zmPageWidth", "zmWholePage", "ppAll", "ppOdd", "ppEven", "pgDefault", "pmDefault",
        "pmSplit", "pmJoin", "pmScale", "poDirect", "poReverse", "mbConfirm", "mbError", "mbInfo",
        "xrCantFindClass", "prVirtual", "prDefault", "prCustom", "enUnconnHeader", "enUnconnGroup",
        "enUnconnGFooter", "enBandPos", "dbNotConn", "dbFldNotFound", "clDSNotIncl", "clUnknownVar",
        "clScrError", "clDSNotExist", "clErrors", "clExprError", "clQE3files", "clSaving",
        "clCancel", "clClose", "clPrinting", "clLoading", "clPageOf", "clFirstPass", "clNoPrinters",
        "clDecompressError", "crFillMx", "crBuildMx", "prRunningFirst", "prRunning", "prPrinting",
        "prExporting", "uCm", "uInch", "uPix", "uChar", "dupDefault", "dupVert", "dupHorz",
        "dupSimpl", "SLangNotFound", "SInvalidLanguage", "SIdRedeclared", "SUnknownType",
        "SIncompatibleTypes", "SIdUndeclared", "SClassRequired", "SIndexRequired", "SStringError",
        "SClassError", "SArrayRequired", "SVarRequired", "SNotEnoughParams", "STooManyParams",
        "SLeftCantAssigned", "SForError", "SEventError", "clStrNotFound"};
    QStringList Keys;
    for (const char *K : Named)
        Keys << K;
    for (int I = 1; I <= 9; ++I) Keys << QString::number(I);
    for (int I = 100; I <= 142; ++I) Keys << QString::number(I);
    for (int I = 150; I <= 152; ++I) Keys << QString::number(I);
    for (int I = 200; I <= 214; ++I) Keys << QString::number(I);
    Keys << "216" << "600" << "601";
    for (int I = 300; I <= 305; ++I) Keys << QString::number(I);
    for (int I = 400; I <= 414; ++I) Keys << QString::number(I);
    for (int I = 500; I <= 510; ++I) Keys << QString::number(I);
    EXPECT_EQ(Keys.size(), 178);
    for (const QString &K : Keys)
        EXPECT_NE(qdzResources()->ResourceText(K), K) << K.toStdString();

    // The table itself: its header, its code page and one entry per key.
    const QByteArray Table = qdzBuiltInResources();
    EXPECT_TRUE(Table.startsWith("<?xml version=\"1.1\" encoding=\"utf-8\"?>"));
    EXPECT_TRUE(Table.contains("<Resources CodePage=\"1252\">"));
    EXPECT_EQ(Table.count("<StrRes "), 178);
}

TEST(Resources, BuiltInTableKeysInOrderAndEveryNamedText)
{
    // The keys, in the table's own order.
    QStringList Expected;
    for (int I = 1; I <= 9; ++I) Expected << QString::number(I);
    for (int I = 100; I <= 142; ++I) Expected << QString::number(I);
    Expected << "150" << "151" << "152" << "zmPageWidth" << "zmWholePage";
    for (int I = 200; I <= 214; ++I) Expected << QString::number(I);
    Expected << "216" << "ppAll" << "ppOdd" << "ppEven" << "pgDefault" << "pmDefault" << "pmSplit"
             << "pmJoin" << "pmScale" << "poDirect" << "poReverse";
    for (int I = 300; I <= 305; ++I) Expected << QString::number(I);
    for (int I = 400; I <= 414; ++I) Expected << QString::number(I);
    for (int I = 500; I <= 510; ++I) Expected << QString::number(I);
    Expected << "mbConfirm" << "mbError" << "mbInfo" << "xrCantFindClass" << "prVirtual" << "prDefault"
             << "prCustom" << "enUnconnHeader" << "enUnconnGroup" << "enUnconnGFooter" << "enBandPos"
             << "dbNotConn" << "dbFldNotFound" << "clDSNotIncl" << "clUnknownVar" << "clScrError"
             << "clDSNotExist" << "clErrors" << "clExprError" << "clQE3files" << "clSaving" << "clCancel"
             << "clClose" << "clPrinting" << "clLoading" << "clPageOf" << "clFirstPass" << "clNoPrinters"
             << "clDecompressError" << "crFillMx" << "crBuildMx" << "prRunningFirst" << "prRunning"
             << "prPrinting" << "prExporting" << "uCm" << "uInch" << "uPix" << "uChar" << "dupDefault"
             << "dupVert" << "dupHorz" << "dupSimpl" << "SLangNotFound" << "SInvalidLanguage"
             << "SIdRedeclared" << "SUnknownType" << "SIncompatibleTypes" << "SIdUndeclared"
             << "SClassRequired" << "SIndexRequired" << "SStringError" << "SClassError" << "SArrayRequired"
             << "SVarRequired" << "SNotEnoughParams" << "STooManyParams" << "SLeftCantAssigned"
             << "SForError" << "SEventError" << "600" << "601" << "clStrNotFound";
    ASSERT_EQ(Expected.size(), 178);
    TqdzXMLDocument Doc;
    TStringStream Table(qdzBuiltInResources());
    Doc.LoadFromStream(&Table);
    EXPECT_EQ(Doc.Root()->Name(), "Resources");
    QStringList Keys;
    for (int I = 0; I < Doc.Root()->GetCount(); ++I) {
        EXPECT_EQ(Doc.Root()->GetItems(I)->Name(), "StrRes");
        Keys << QString::fromUtf8(Doc.Root()->GetItems(I)->GetProp("Name"));
    }
    EXPECT_EQ(Keys, Expected);

    // Every text the table is known to hold, as ResourceText gives it.
    const struct { const char *Key, *Text; } Texts[] = {
        {"1", "OK"}, {"2", "Cancel"}, {"3", "All"}, {"4", "Current page"}, {"5", "Pages:"},
        {"6", "Page breaks"}, {"7", "Page range"}, {"8", "Export settings"},
        {"9", "Enter page numbers and/or page ranges, separated by commas. For example, 1,3,5-12"},
        {"207", "Other"}, {"211", "Order"},
        {"zmPageWidth", "Page width"}, {"zmWholePage", "Whole page"},
        {"ppAll", "All pages"}, {"ppOdd", "Odd pages"}, {"ppEven", "Even pages"},
        {"pgDefault", "Default"}, {"pmDefault", "Default"},
        {"pmSplit", "Split big pages"}, {"pmJoin", "Join small pages"}, {"pmScale", "Scale"},
        {"poDirect", "Direct (1-9)"}, {"poReverse", "Reverse (9-1)"},
        {"mbConfirm", "Confirm"}, {"mbError", "Error"}, {"mbInfo", "Information"},
        {"xrCantFindClass", "Cannot find class"},
        {"prVirtual", "Virtual"}, {"prDefault", "Default"}, {"prCustom", "Custom"},
        {"enUnconnHeader", "Unconnected header/footer"}, {"enUnconnGroup", "No data band for the group"},
        {"enUnconnGFooter", "No group header for"}, {"enBandPos", "Incorrect band position:"},
        {"dbNotConn", "DataSet %s is not connected to data"}, {"dbFldNotFound", "Field not found:"},
        {"clDSNotIncl", "(dataset is not included in Report.DataSets)"},
        {"clUnknownVar", "Unknown variable or datafield:"}, {"clScrError", "Script error at %s: %s"},
        {"clDSNotExist", "Dataset &#34;%s&#34; does not exist"},
        {"clErrors", "The following error(s) have occured:"}, {"clExprError", "Error in expression"},
        {"clQE3files", "Prepared Report"}, {"clSaving", "Saving file..."}, {"clLoading", "Loading file..."},
        {"clCancel", "Cancel"}, {"clClose", "Close"}, {"clPrinting", "Printing page"},
        {"clPageOf", "Page %d of %d"}, {"clFirstPass", "First pass: page "},
        {"clNoPrinters", "No printers installed on your system"},
        {"clDecompressError", "Stream decompress error"},
        {"crFillMx", "Filling the cross-tab..."}, {"crBuildMx", "Building the cross-tab..."},
        {"prRunningFirst", "First pass: page %d"}, {"prRunning", "Preparing page %d"},
        {"prPrinting", "Printing page %d"}, {"prExporting", "Exporting page %d"},
        {"uCm", "cm"}, {"uInch", "in"}, {"uPix", "px"}, {"uChar", "chr"},
        {"dupDefault", "Default"}, {"dupVert", "Vertical"}, {"dupHorz", "Horizontal"}, {"dupSimpl", "Simplex"},
        {"SLangNotFound", "Language '%s' not found"}, {"SInvalidLanguage", "Invalid language definition"},
        {"SIdRedeclared", "Identifier redeclared: "}, {"SUnknownType", "Unknown type: "},
        {"SIdUndeclared", "Undeclared identifier: "}, {"SIncompatibleTypes", "Incompatible types"},
        {"SClassRequired", "Class type required"}, {"SIndexRequired", "Index required"},
        {"SStringError", "Strings do not have properties or methods"},
        {"SClassError", "Class %s does not have a default property"},
        {"SArrayRequired", "Array type required"}, {"SVarRequired", "Variable required"},
        {"SNotEnoughParams", "Not enough actual parameters"}, {"STooManyParams", "Too many actual parameters"},
        {"SLeftCantAssigned", "Left side cannot be assigned to"},
        {"SForError", "For loop variable must be numeric variable"},
        {"SEventError", "Event handler must be a procedure"}, {"clStrNotFound", "Text not found"},
    };
    for (const auto &T : Texts)
        EXPECT_EQ(qdzResources()->ResourceText(T.Key), QString::fromLatin1(T.Text)) << T.Key;
    // The '!' is kept in the table and dropped on the way out.
    EXPECT_TRUE(qdzBuiltInResources().contains("Name=\"207\" Text=\"!Other\""));
    EXPECT_TRUE(qdzBuiltInResources().contains("Name=\"poDirect\" Text=\"!Direct (1-9)\""));
}

TEST(Resources, MissingKeyGivesTheKey)
{
    EXPECT_EQ(qdzResources()->ResourceText("prDupl"), "prDupl");
    EXPECT_EQ(qdzGet(5000), "5000");
    EXPECT_EQ(qdzResources()->ResourceText("!bang"), "bang");
}

TEST(Resources, SecondTableReplacesOneKey)
{
    TqdzResources R;
    EXPECT_EQ(R.CodePage(), 0);
    R.LoadFromString(qdzBuiltInResources());
    R.LoadFromString("<?xml version=\"1.1\" encoding=\"utf-8\"?>\r\n"
                     "<Resources CodePage=\"936\"><StrRes Name=\"1\" Text=\"\xe7\xa1\xae\xe5\xae\x9a\"/>"
                     "<Other Name=\"2\" Text=\"ignored\"/>"
                     "<StrRes Name=\"newKey\" Text=\"a&#38;b&#13;&#10;c\"/></Resources>");
    EXPECT_EQ(R.CodePage(), 936);
    EXPECT_EQ(R.ResourceText("1"), QString::fromUtf8("\xe7\xa1\xae\xe5\xae\x9a"));
    EXPECT_EQ(R.ResourceText("2"), "Cancel");
    EXPECT_EQ(R.ResourceText("clClose"), "Close");
    EXPECT_EQ(R.ResourceText("newKey"), "a&b\r\nc");
    // The shared table is untouched by a private instance.
    EXPECT_EQ(qdzGet(1), "OK");
}

TEST(Resources, AddAndForeignRoot)
{
    TqdzResources R;
    R.Add("k", "one");
    R.Add("K", "two");          // same key, other case: replaced
    EXPECT_EQ(R.ResourceText("k"), "two");
    R.LoadFromString("<?xml version=\"1.0\"?><Strings><StrRes Name=\"k\" Text=\"x\"/></Strings>");
    EXPECT_EQ(R.ResourceText("k"), "two");
    EXPECT_EQ(R.CodePage(), 0);
    EXPECT_THROW(R.LoadFromString("<Resources/>"), Exception);
}

TEST(Resources, ScriptMessagesFollowTheTable)
{
    const QString Saved = SUnknownType;
    TqdzResources R;
    R.LoadFromString("<?xml version=\"1.1\"?><Resources CodePage=\"1252\">"
                     "<StrRes Name=\"SUnknownType\" Text=\"Unbekannter Typ: \"/></Resources>");
    EXPECT_EQ(SUnknownType, "Unbekannter Typ: ");
    // Messages the table does not hold stay as they were.
    EXPECT_EQ(SEventError, "Event handler must be a procedure");
    qdzResources()->LoadFromString(qdzBuiltInResources());
    EXPECT_EQ(SUnknownType, "Unknown type: ");
    EXPECT_EQ(SStringError, "Strings do not have properties or methods");
    EXPECT_EQ(SEventError, "Event handler must be a procedure");
    EXPECT_EQ(Saved, "Unknown type: ");
}

TEST(Resources, LanguageListFromProgramFolder)
{
    const QString Dir = QCoreApplication::applicationDirPath() + '/';
    const QStringList Files = {"ENGLISH.QDC", "german.qdc", "readme.txt"};
    for (const QString &F : Files) {
        QFile File(Dir + F);
        ASSERT_TRUE(File.open(QIODevice::WriteOnly));
    }
    TqdzResources R;
    for (const QString &F : Files)
        QFile::remove(Dir + F);
    ASSERT_EQ(R.Languages()->Count(), 2);
    EXPECT_EQ(R.Languages()->Strings(0), "English");
    EXPECT_EQ(R.Languages()->Strings(1), "German");
}

namespace {

// Stand-ins for two of the engine's windows: only the class name counts.
class TqdzSyntaxMemo : public TObject
{
};
class TSomeOtherForm : public TObject
{
};

} // namespace

TEST(Resources, HelpOpensTopicOfTheWindowClass)
{
    QTextBrowser Catcher;
    QDesktopServices::setUrlHandler("file", &Catcher, "setSource");
    const QString File = GetAppPath() + "RAZiru.rez";
    QFile::remove(File);
    TqdzSyntaxMemo Memo;
    qdzResources()->Help(&Memo);   // no help file: nothing happens
    EXPECT_TRUE(Catcher.source().isEmpty());

    QFile F(File);
    ASSERT_TRUE(F.open(QIODevice::WriteOnly));
    F.close();
    qdzResources()->Help(&Memo);
    EXPECT_EQ(Catcher.source().toLocalFile(), File);
    EXPECT_EQ(Catcher.source().fragment(), "Script.htm");
    TSomeOtherForm Other;
    qdzResources()->Help(&Other);
    EXPECT_FALSE(Catcher.source().hasFragment());
    QDesktopServices::unsetUrlHandler("file");
    QFile::remove(File);
}

TEST(Resources, PreviewButtonImagesFromCompressedBitmap)
{
    TImageList *List = qdzResources()->PreviewButtonImages();
    ASSERT_EQ(List->Count(), 25);
    EXPECT_EQ(qdzResources()->PreviewButtonImages(), List);
    EXPECT_EQ(List->Count(), 25);   // filled once
    EXPECT_EQ(List->Width(), 16);
    EXPECT_EQ(List->Height(), 16);
    // Icon 0 (print): the corner is background, the paper's middle is drawn.
    const QImage Print = List->GetImage(0);
    EXPECT_EQ(qAlpha(Print.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(Print.pixel(7, 3)), 255);
    EXPECT_EQ(Print.pixel(7, 3), qRgb(255, 255, 255));
}

TEST(Resources, ObjectImagesHaveNoResource)
{
    TqdzResources R;
    try {
        R.ObjectImages();
        ADD_FAILURE();
    } catch (const EResNotFound &E) {
        EXPECT_EQ(E.Message(), "Resource ObjectButtons not found");
    }
}

TEST(Resources, LargeImagesAreA32By32List)
{
    TqdzResources R;
    ASSERT_NE(R.LargeImages(), nullptr);
    EXPECT_EQ(R.LargeImages()->Width(), 32);
    EXPECT_EQ(R.LargeImages()->Height(), 32);
    EXPECT_EQ(R.LargeImages()->Count(), 0);
    EXPECT_NE(R.LargeImages(), R.PreviewButtonImages());
}
