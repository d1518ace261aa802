#include "installer/HinfInstall.h"

#include "platform/Failure.h"
#include "store/HiveFile.h"
#include "store/HiveUpdate.h"
#include "support/LockHolder.h"
#include "support/TestFiles.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace quorvane {
namespace {

namespace fs = std::filesystem;
using test::readBytes;
using test::writeBytes;

// A small INF that installs one file and one value; the failure cases each break one thing.
const std::string smallInf = "[Version]\r\n"
                             "Signature=\"$CHICAGO$\"\r\n"
                             "\r\n"
                             "[DefaultInstall]\r\n"
                             "CopyFiles=Files\r\n"
                             "AddReg=Entries\r\n"
                             "\r\n"
                             "[DestinationDirs]\r\n"
                             "Files=11,Sub\\Deeper\r\n"
                             "\r\n"
                             "[Files]\r\n"
                             "help.rtf\r\n"
                             "\r\n"
                             "[Entries]\r\n"
                             "HKCR,Thing\\Sub,,,\"%Name%\"\r\n"
                             "\r\n"
                             "[Strings]\r\n"
                             "Name=\"A thing\"\r\n";

const std::string settingsHive = "REGEDIT4\r\n\r\n"
                                 "[HKEY_CLASSES_ROOT\\QuorvaneShellExt\\Settings]\r\n"
                                 "\"TheMenu\"=\"16,-2\"\r\n"
                                 "\"v\"=dword:000007da\r\n\r\n";

std::string replaced(std::string text, std::string_view from, std::string_view to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

struct Outcome {
    int status = -1;
    std::string err;
};

class HinfInstallTest : public testing::Test {
protected:
    fs::path source() const { return m_folder / "program dir"; }
    fs::path system() const { return m_folder / "data/quorvane"; }
    fs::path hive() const { return m_folder / "config/quorvane/HKEY_CLASSES_ROOT.reg"; }

    Outcome install(const std::string& infText, const std::string& section = "DefaultInstall") {
        writeBytes(source() / "Setup.inf", infText);
        return run(
            {"setupx.dll,InstallHinfSection", section, "132", (source() / "Setup.inf").string()});
    }

    Outcome run(const std::vector<std::string>& args) {
        std::ostringstream err;
        const int status = installHinfSection(args, system().string(), hive(), err);
        return {status, err.str()};
    }

    // The data of a value in the hive, or a marker saying what is missing.
    std::string stored(std::string_view key, std::string_view name) const {
        const auto bytes = readBytes(hive());
        if (!bytes)
            return "<no hive>";
        const Hive parsed = Hive::parse(*bytes, "hive");
        const HiveKey* found = parsed.findKey(key);
        if (!found)
            return "<no key>";
        const RegistryValue* value = found->findValue(name);
        return value ? value->data : "<no value>";
    }

    test::TempFolder m_folder;
};

TEST_F(HinfInstallTest, ShippedInfInstallsTheClassEntriesAndTheHelpFile) {
    fs::create_directories(source());
    fs::copy_file(QUORVANE_SHIPPED_INF, source() / "Quorvane.inf");
    writeBytes(source() / "Quorvane.rtf", "{\\rtf1 help}");
    writeBytes(hive(), settingsHive);

    const std::vector<std::string> args{"syssetup.dll,InstallHinfSection", "DefaultInstall", "132",
                                        (source() / "Quorvane.inf").string()};
    const Outcome first = run(args);
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.err, "");
    EXPECT_EQ(readBytes(system() / "ShellExt/Quorvane.rtf"), "{\\rtf1 help}");
    // No extension binary exists here, and none is expected.
    EXPECT_EQ(test::folderListing(system() / "ShellExt"), "Quorvane.rtf");

    // Every handler names the one class, and the class leads to its server.
    const std::string classId = stored("*\\shellex\\ContextMenuHandlers\\Quorvane", "");
    ASSERT_TRUE(classId.starts_with("{") && classId.ends_with("}")) << classId;
    for (const char* owner : {"Directory", "Folder"})
        EXPECT_EQ(stored(std::string(owner) + "\\shellex\\ContextMenuHandlers\\Quorvane", ""),
                  classId)
            << owner;
    EXPECT_EQ(stored("CLSID\\" + classId, ""), "Quorvane context menu");
    EXPECT_EQ(stored("CLSID\\" + classId + "\\InprocServer32", ""),
              system().string() + "/ShellExt/Quorvane.dll");
    EXPECT_EQ(stored("CLSID\\" + classId + "\\InprocServer32", "ThreadingModel"), "Apartment");
    // The settings that were there stay.
    EXPECT_EQ(stored("QuorvaneShellExt\\Settings", "TheMenu"), "16,-2");

    const auto afterFirst = readBytes(hive());
    const Outcome second = run(args);
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(readBytes(hive()), afterFirst);
}

struct FailureCase {
    const char* name;
    std::string inf;
    std::string message; // a part of the message
};

class InstallFailure : public HinfInstallTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(InstallFailure, SaysWhyAndChangesNothing) {
    writeBytes(source() / "help.rtf", "text");
    writeBytes(hive(), settingsHive);
    const Outcome outcome = install(GetParam().inf);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_TRUE(outcome.err.starts_with("rundll32.exe: ")) << outcome.err;
    EXPECT_NE(outcome.err.find(GetParam().message), std::string::npos) << outcome.err;
    EXPECT_EQ(readBytes(hive()), settingsHive);
    EXPECT_FALSE(fs::exists(system()));
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, InstallFailure,
    testing::Values(
        FailureCase{"MissingSection", replaced(smallInf, "[DefaultInstall]", "[Install]"),
                    "has no section [DefaultInstall]"},
        FailureCase{"MissingListedSection", replaced(smallInf, "AddReg=Entries", "AddReg=Gone"),
                    "line 6: the section [Gone] does not exist"},
        FailureCase{"MissingFile", replaced(smallInf, "help.rtf\r\n", "help.rtf\r\nmore.rtf\r\n"),
                    "line 13: the file "},
        FailureCase{"UnknownFlags", replaced(smallInf, "Sub,,,", "Sub,,0x2,"),
                    "line 15: the flags 0x00000002 are not supported"},
        FailureCase{"DwordWithoutNumber", replaced(smallInf, ",,,\"%Name%\"", ",N,0x10001"),
                    "line 15: '' is not a number"},
        FailureCase{"UnknownDirective", replaced(smallInf, "AddReg=", "DelReg="),
                    "the directive DelReg is not one this installer carries out"},
        FailureCase{"OtherDirectoryId", replaced(smallInf, "Files=11,", "Files=10,"),
                    "line 9: directory id 10 is not known here"},
        FailureCase{"FolderOutsideTheSystemDirectory",
                    replaced(smallInf, "Sub\\Deeper", "Sub\\..\\..\\x"),
                    "lies outside the system directory"},
        FailureCase{"FileNameWithAFolder", replaced(smallInf, "help.rtf\r\n", "..\\help.rtf\r\n"),
                    "'..\\help.rtf' is not a plain file name"},
        FailureCase{"UndefinedString", replaced(smallInf, "%Name%", "%Nope%"),
                    "line 15: %Nope% is not defined in [Strings]"},
        FailureCase{"NoSignature", replaced(smallInf, "Signature=", "Class="),
                    "is not an INF file"},
        FailureCase{"UnknownRoot", replaced(smallInf, "HKCR,", "HKXX,"),
                    "'HKXX' is not a registry root"},
        FailureCase{"NoKey", replaced(smallInf, "HKCR,Thing\\Sub,", "HKCR,,"),
                    "'' is not a key below HKCR"},
        FailureCase{"LaterSyntaxError", smallInf + "[Broken\r\n",
                    "line 19: a section name lacks its closing ']'"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HinfInstallTest, UnreadableHiveStopsBeforeAnyCopy) {
    writeBytes(source() / "help.rtf", "text");
    writeBytes(hive(), "not a hive\r\n");
    const Outcome outcome = install(smallInf);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.err.find(hive().string()), std::string::npos) << outcome.err;
    EXPECT_EQ(readBytes(hive()), "not a hive\r\n");
    EXPECT_FALSE(fs::exists(system()));
}

// A settings program that hangs in the middle of a commit must not hang the installer.
TEST_F(HinfInstallTest, LockHeldElsewhereStopsTheRegistryWriteAfterABoundedWait) {
    writeBytes(hive(), settingsHive);
    test::LockHolder holder(hive());
    bool changed = false;
    try {
        updateHive(
            hive(), [&](Hive& stored) { changed = stored.ensureKey("Thing").path() == "Thing"; },
            std::chrono::milliseconds(200));
        FAIL() << "written while another program held the lock";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.what(), "The settings are being changed by another program\n" +
                                      hive().string() + ".lock");
    }
    EXPECT_FALSE(changed);
    EXPECT_EQ(readBytes(hive()), settingsHive);
}

TEST_F(HinfInstallTest, CopyFailingAfterAnotherLeavesTheHiveAlone) {
    writeBytes(source() / "help.rtf", "text");
    writeBytes(source() / "more.rtf", "more");
    writeBytes(hive(), settingsHive);
    // A folder where the second file should go cannot be replaced by a file.
    fs::create_directories(system() / "Sub/Deeper/more.rtf/inside");
    const Outcome outcome = install(replaced(smallInf, "help.rtf\r\n", "help.rtf\r\nmore.rtf\r\n"));
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.err.find("cannot copy to"), std::string::npos) << outcome.err;
    EXPECT_EQ(readBytes(system() / "Sub/Deeper/help.rtf"), "text");
    EXPECT_EQ(readBytes(hive()), settingsHive);
}

TEST_F(HinfInstallTest, OtherRootsAreReportedAndSkipped) {
    writeBytes(source() / "help.rtf", "text");
    const Outcome outcome =
        install(replaced(smallInf, "[Entries]\r\n", "[Entries]\r\nHKLM,Software\\Thing,,,x\r\n"));
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, "rundll32.exe: " + (source() / "Setup.inf").string() +
                               ", line 15: skipped, only HKCR is kept here, not HKLM\n");
    EXPECT_EQ(stored("Thing\\Sub", ""), "A thing");
    EXPECT_EQ(stored("Software\\Thing", ""), "<no key>");
}

struct ValueCase {
    const char* name;
    std::string line; // an AddReg line for the key K
    std::string valueName;
    std::uint32_t type;
    std::string data; // "<system>" standing for the system directory
};

class AddRegValues : public HinfInstallTest, public testing::WithParamInterface<ValueCase> {};

TEST_P(AddRegValues, AreStoredWithTheirTypes) {
    writeBytes(source() / "help.rtf", "text");
    const Outcome outcome =
        install(replaced(smallInf, "HKCR,Thing\\Sub,,,\"%Name%\"", GetParam().line));
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    const Hive parsed = Hive::parse(*readBytes(hive()), "hive");
    const HiveKey* key = parsed.findKey("K");
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(key->values().size(), 1u);
    EXPECT_EQ(key->values()[0].name, GetParam().valueName);
    EXPECT_EQ(key->values()[0].type, GetParam().type);
    std::string expected = GetParam().data;
    if (const std::size_t at = expected.find("<system>"); at != std::string::npos)
        expected.replace(at, 8, system().string());
    EXPECT_EQ(key->values()[0].data, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, AddRegValues,
    testing::Values(
        ValueCase{"QuotedDefault", "HKCR,K,,,\"x, y\"", "", regtype::sz, "x, y"},
        ValueCase{"NameWithoutData", "HKEY_CLASSES_ROOT,K,Name", "Name", regtype::sz, ""},
        ValueCase{"HexDword", "HKCR,K,N,0x00010001,0x7DA", "N", regtype::dword,
                  std::string("\xda\x07\0\0", 4)},
        ValueCase{"DecimalDword", "HKCR,K,N,65537,4294967295", "N", regtype::dword,
                  "\xff\xff\xff\xff"},
        ValueCase{"DoubledPercentIsOne", "HKCR,K,%Name%,,\"100%%\"", "A thing", regtype::sz,
                  "100%"},
        ValueCase{"LeadingSystemDirectoryMakesAHostPath", "HKCR,K,,,\"%11%\\Shell Ext\\a.dll\"", "",
                  regtype::sz, "<system>/Shell Ext/a.dll"},
        ValueCase{"SystemDirectoryInsideStaysAsWritten", "HKCR,K,,,\"x %11%\\y\"", "", regtype::sz,
                  "x <system>\\y"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HinfInstallTest, HostSectionIsPreferredToThePlainOne) {
    writeBytes(source() / "help.rtf", "text");
    // The plain section asks for a file that only Windows has.
    const std::string inf = replaced(smallInf, "[DefaultInstall]\r\nCopyFiles=Files\r\n",
                                     "[DefaultInstall]\r\nCopyFiles=Files,WindowsOnly\r\n"
                                     "[WindowsOnly]\r\nquorvane.dll\r\n"
                                     "[defaultinstall.unix]\r\nCopyFiles=Files\r\n");
    Outcome outcome = install(inf);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    outcome = install(replaced(inf, "[defaultinstall.unix]", "[Unused]"));
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.err.find("quorvane.dll is missing"), std::string::npos) << outcome.err;
}

TEST(HinfCommand, IsReadAsWindowsHandsItOver) {
    const HinfCommand nt =
        readHinfCommand({"SYSSETUP.DLL,InstallHinfSection", "S", "128", "/a//Q.inf"});
    EXPECT_EQ(nt.section, "S");
    EXPECT_EQ(nt.infFile, fs::path("/a//Q.inf"));
    // The caller does not quote a program directory with blanks.
    EXPECT_EQ(readHinfCommand({"setupx.dll,InstallHinfSection", "DefaultInstall", "132", "/my",
                               "program", "dir//Q.inf"})
                  .infFile,
              fs::path("/my program dir//Q.inf"));

    // As one argument, the line is read as the platform's installer reads it: the path is all that
    // follows the blank after the mode.
    const struct {
        std::string line;
        std::string section;
        fs::path inf;
    } whole[] = {
        {"setupx.dll,InstallHinfSection DefaultInstall 132 /my  program\tdir//Q.inf",
         "DefaultInstall", "/my  program\tdir//Q.inf"},
        {R"(syssetup.dll,InstallHinfSection  S  128 /say "hi" /Q.inf )", "S",
         R"(/say "hi" /Q.inf )"},
        {"setupx.dll,InstallHinfSection S 132  /lead", "S", " /lead"},
    };
    for (const auto& c : whole) {
        const HinfCommand command = readHinfCommand({c.line});
        EXPECT_EQ(command.section, c.section) << c.line;
        EXPECT_EQ(command.infFile, c.inf) << c.line;
    }

    const std::vector<std::string> wrong[] = {
        {},
        {""},
        {"user32.dll,LockWorkStation"},
        {"setupx.dll,InstallHinfSection S 132"},
        {"setupx.dll,InstallHinfSection S 132 "},
        {"setupx.dll,InstallHinfSection S all /Q.inf"},
        {"shell32.dll,Control_RunDLL", "S", "132", "Q.inf"},
        {"InstallHinfSection", "S", "132", "Q.inf"},
        {"setupx.dll,InstallHinfSection", "S", "132"},
        {"setupx.dll,InstallHinfSection", "S", "all", "Q.inf"},
    };
    for (const auto& args : wrong)
        EXPECT_THROW(readHinfCommand(args), UsageError) << testing::PrintToString(args);
}

} // namespace
} // namespace quorvane
