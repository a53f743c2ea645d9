// Tests of registry (platform).
#include "IniFiles.h"
#include "Registry.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct RegistryTest : ::testing::Test {
    QTemporaryDir dir;
    void SetUp() override { TRegistry::SetStoreFileName(dir.filePath("sub/registry.ini")); }
    void TearDown() override { TRegistry::SetStoreFileName(QString()); }
    QByteArray StoreBytes()
    {
        QFile f(dir.filePath("sub/registry.ini"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static QStringList Lines(TStrings *s)
    {
        QStringList out;
        for (int i = 0; i < s->Count(); ++i)
            out << s->Strings(i);
        return out;
    }
};

TEST_F(RegistryTest, TheStoreIsAnIniFileUnderTheConfigurationFolder)
{
    TRegistry::SetStoreFileName(QString());
    EXPECT_EQ(TRegistry::StoreFileName(),
              QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + "/registry.ini");
    TRegistry::SetStoreFileName(dir.filePath("sub/registry.ini"));
    TRegistry reg;
    EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
    EXPECT_FALSE(reg.OpenKey("\\Software\\Station", false));
    ASSERT_TRUE(reg.OpenKey("\\Software\\Station", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Station");
    reg.WriteString("Port", "COM1");
    reg.WriteInteger("Baud", 2400);
    EXPECT_EQ(StoreBytes(), QByteArray("[HKEY_CURRENT_USER\\Software]\r\n\r\n"
                                       "[HKEY_CURRENT_USER\\Software\\Station]\r\nPort=sz:COM1\r\nBaud=dword:2400\r\n\r\n"));
}

TEST_F(RegistryTest, ValuesKeepTheirTypes)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software\\Test", true));
    reg.WriteString("", QString::fromUtf8(" 默认 \\ value \r\n "));
    reg.WriteString("Name=With=Equals", "x");
    reg.WriteInteger("Int", -7);
    reg.WriteBool("Flag", true);
    reg.WriteFloat("Float", 2.5);
    const char bin[] = {1, 2, 3, char(0xFF)};
    reg.WriteBinaryData("Bin", bin, 4);
    reg.WriteExpandString("Path", "%HOME%/x");

    // A second registry object reads what the first wrote, names ignoring case.
    TRegistry other;
    ASSERT_TRUE(other.OpenKeyReadOnly("\\SOFTWARE\\test"));
    EXPECT_EQ(other.ReadString(""), QString::fromUtf8(" 默认 \\ value \r\n "));
    EXPECT_EQ(other.ReadString("name=with=equals"), "x");
    EXPECT_EQ(other.ReadInteger("INT"), -7);
    EXPECT_TRUE(other.ReadBool("Flag"));
    EXPECT_DOUBLE_EQ(other.ReadFloat("Float"), 2.5);
    char buf[8] = {};
    EXPECT_EQ(other.ReadBinaryData("Bin", buf, 8), 4);
    EXPECT_EQ(QByteArray(buf, 4), QByteArray(bin, 4));
    EXPECT_EQ(other.GetDataType("Int"), rdInteger);
    EXPECT_EQ(other.GetDataType("Path"), rdExpandString);
    EXPECT_EQ(other.GetDataType("Bin"), rdBinary);
    EXPECT_EQ(other.GetDataType("Missing"), rdUnknown);
    EXPECT_EQ(other.GetDataSize("Int"), 4);
    EXPECT_EQ(other.GetDataSize("Bin"), 4);
    EXPECT_EQ(other.GetDataSize("Missing"), -1);
    TStringList names;
    other.GetValueNames(&names);
    EXPECT_EQ(Lines(&names), QStringList({"", "Name=With=Equals", "Int", "Flag", "Float", "Bin", "Path"}));

    // Wrong types and missing values.
    EXPECT_EQ(other.ReadString("Missing"), "");
    EXPECT_THROW(other.ReadInteger("Missing"), ERegistryException);
    EXPECT_THROW(other.ReadInteger("Name=With=Equals"), ERegistryException);
    EXPECT_THROW(other.ReadString("Int"), ERegistryException);
    EXPECT_THROW(other.ReadFloat("Int"), ERegistryException);
    EXPECT_THROW(other.ReadBinaryData("Bin", buf, 2), ERegistryException);
    try {
        other.ReadInteger("Missing");
    } catch (const ERegistryException &e) {
        EXPECT_EQ(e.Message(), "Failed to get data for 'Missing'");
    }
    // A key opened read-only refuses writes.
    EXPECT_THROW(other.WriteString("New", "v"), ERegistryException);
    TRegistry closed;
    EXPECT_THROW(closed.WriteInteger("x", 1), ERegistryException);
}

TEST_F(RegistryTest, KeysCreateListAndDelete)
{
    TRegistry reg;
    EXPECT_TRUE(reg.CreateKey("\\Software\\A\\B\\C"));
    EXPECT_TRUE(reg.KeyExists("\\Software\\A\\B"));
    ASSERT_TRUE(reg.OpenKey("\\Software\\A", false));
    EXPECT_TRUE(reg.KeyExists("B\\C"));
    reg.CreateKey("D");
    TStringList keys;
    reg.GetKeyNames(&keys);
    EXPECT_EQ(Lines(&keys), QStringList({"B", "D"}));
    EXPECT_TRUE(reg.HasSubKeys());
    EXPECT_TRUE(reg.DeleteKey("B"));
    EXPECT_FALSE(reg.KeyExists("B\\C"));
    EXPECT_FALSE(reg.DeleteKey("B"));
    reg.WriteString("v", "1");
    EXPECT_TRUE(reg.DeleteValue("V"));
    EXPECT_FALSE(reg.ValueExists("v"));
    EXPECT_FALSE(reg.DeleteValue("v"));
    // Other roots are other trees.
    TRegistry lm;
    lm.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(lm.KeyExists("\\Software\\A"));
}

TEST_F(RegistryTest, RegIniFileReadsSectionsAsSubkeys)
{
    {
        TRegIniFile ini("\\Software\\Microsoft\\Windows\\CurrentVersion");
        // Nothing there yet: defaults.
        EXPECT_EQ(ini.ReadString("ThemeManager", "ColorName", ""), "");
        ini.WriteString("ThemeManager", "ColorName", "homestead");
        ini.WriteInteger("Counts", "Runs", 3);
        ini.WriteBool("Counts", "Ok", true);
    }
    TRegIniFile ini("\\Software\\Microsoft\\Windows\\CurrentVersion");
    EXPECT_EQ(ini.ReadString("themeManager", "colorname", "").toUpper(), "HOMESTEAD");
    EXPECT_EQ(ini.ReadInteger("Counts", "Runs", 0), 3);
    EXPECT_TRUE(ini.ReadBool("Counts", "Ok", false));
    EXPECT_EQ(ini.ReadInteger("Counts", "Missing", 9), 9);
    EXPECT_EQ(ini.ReadInteger("NoSection", "Runs", 8), 8);
    TStringList list;
    ini.ReadSections(&list);
    EXPECT_EQ(Lines(&list), QStringList({"ThemeManager", "Counts"}));
    ini.ReadSectionValues("Counts", &list);
    EXPECT_EQ(Lines(&list), QStringList({"Runs=3", "Ok=1"}));
    ini.DeleteKey("Counts", "Runs");
    ini.ReadSection("Counts", &list);
    EXPECT_EQ(Lines(&list), QStringList({"Ok"}));
    ini.EraseSection("Counts");
    ini.ReadSections(&list);
    EXPECT_EQ(Lines(&list), QStringList({"ThemeManager"}));
    EXPECT_EQ(ini.CurrentPath(), "Software\\Microsoft\\Windows\\CurrentVersion");
}

TEST_F(RegistryTest, ClassesAreKnownByName)
{
    TRegistry reg;
    TRegIniFile ini(QStringLiteral("Software\\Test"));
    EXPECT_EQ(reg.ClassName(), "TRegistry");
    EXPECT_EQ(ini.ClassName(), "TRegIniFile");
    EXPECT_TRUE(ini.InheritsFrom(TRegistry::StaticClass()));
    EXPECT_FALSE(ini.InheritsFrom(TCustomIniFile::StaticClass()));
}

} // namespace
