#include "install/clone_files.h"

#include <gtest/gtest.h>

#include "fakes/fake_files.h"

namespace prinstall {
namespace {

const char* const kFolder = "C:\\TORVA EPL Printer 2.X";

class CloneFilesTest : public ::testing::Test {
protected:
    CloneFilesTest() { files.AddFolder(std::string(kFolder) + "\\Win64"); }

    std::string Media(const char* sub, const std::string& name) {
        return std::string(kFolder) + "\\" + sub + "\\" + name;
    }

    fakes::FakeFiles files;
    std::vector<std::string> messages;
    CloneFileWriter writer{files, [this](const std::string& m) { messages.push_back(m); }};
};

TEST_F(CloneFilesTest, TenLineTemplateGetsLinesTwoFiveAndSevenReplaced) {
    std::string tmpl;
    for (int i = 1; i <= 10; ++i) tmpl += "*Line" + std::to_string(i) + ": \"text\"\r\n";
    files.AddFile(Media("Win32", "TVLabel.GPD"), tmpl);
    EXPECT_EQ(writer.WriteGpdClone(3, 0), 0);
    EXPECT_EQ(writer.GpdPath(), Media("Win32", "TVLabel3.GPD"));
    EXPECT_EQ(files.Content(writer.GpdPath()),
              "*Line1: \"text\"\r\n"
              "*GPDFileName: \"TVLabel3.GPD\"\r\n"
              "*Line3: \"text\"\r\n"
              "*Line4: \"text\"\r\n"
              "*ModelName: \"TORVA Label Printer #3\"\r\n"
              "*Line6: \"text\"\r\n"
              "*ResourceDLL: \"TVLabel3.Dll\"\r\n"
              "*Line8: \"text\"\r\n"
              "*Line9: \"text\"\r\n"
              "*Line10: \"text\"\r\n");
    EXPECT_TRUE(messages.empty());
}

TEST_F(CloneFilesTest, LineEndsBecomeCrLfAndALastLineWithoutOneGetsOne) {
    files.AddFile(Media("Win64", "TVLabel.GPD"), "a\nb\nc\r\nd\re\n\nf\ng\nh");
    EXPECT_EQ(writer.WriteGpdClone(12, 1), 0);
    EXPECT_EQ(files.Content(Media("Win64", "TVLabel12.GPD")),
              "a\r\n*GPDFileName: \"TVLabel12.GPD\"\r\nc\r\nd\re\r\n*ModelName: \"TORVA Label Printer #12\"\r\n"
              "f\r\n*ResourceDLL: \"TVLabel12.Dll\"\r\nh\r\n");
    // Itanium writes into the 64-bit media folder too.
    EXPECT_EQ(writer.WriteGpdClone(1, 2), 0);
    EXPECT_EQ(writer.GpdPath(), Media("Win64", "TVLabel1.GPD"));
}

TEST_F(CloneFilesTest, ShortTemplateGetsNoLinesAdded) {
    files.AddFile(Media("Win32", "TVLabel.GPD"), "1\n2\n3\n4\n");
    EXPECT_EQ(writer.WriteGpdClone(1, 0), 0);
    EXPECT_EQ(files.Content(Media("Win32", "TVLabel1.GPD")), "1\r\n*GPDFileName: \"TVLabel1.GPD\"\r\n3\r\n4\r\n");
}

TEST_F(CloneFilesTest, LinesLongerThanAReadBlockAndCrLfSplitAcrossBlocksSurvive) {
    std::string longLine(200000, 'x');
    // Put the CR of line 3's end at the very end of the first 64 KiB block.
    std::string shifted(65536 - 6 - 1, 'y');
    std::string tmpl = "1\r\n2\r\n" + shifted + "\r\n" + longLine + "\r\n5\r\n6\r\n7\r\n8";
    files.AddFile(Media("Win32", "TVLabel.GPD"), tmpl);
    EXPECT_EQ(writer.WriteGpdClone(2, 0), 0);
    EXPECT_EQ(files.Content(Media("Win32", "TVLabel2.GPD")),
              "1\r\n*GPDFileName: \"TVLabel2.GPD\"\r\n" + shifted + "\r\n" + longLine +
                  "\r\n*ModelName: \"TORVA Label Printer #2\"\r\n6\r\n*ResourceDLL: \"TVLabel2.Dll\"\r\n8\r\n");
}

TEST_F(CloneFilesTest, ExistingOutputsAreReplacedNotAppended) {
    files.AddFile(Media("Win32", "TVLabel.GPD"), "one\n");
    files.AddFile(Media("Win32", "tvlabel4.gpd"), "old content that is longer than the new one\r\n");
    files.AddFile(Media("Win32", "TVLabel4.INI"), "old ini content, longer than the new one .........................");
    EXPECT_EQ(writer.WriteGpdClone(4, 0), 0);
    EXPECT_EQ(writer.WriteIniClone(4, 0), 0);
    EXPECT_EQ(files.Content(Media("Win32", "TVLabel4.GPD")), "one\r\n");
    EXPECT_EQ(files.Content(Media("Win32", "TVLabel4.INI")), IniCloneText(4));
}

TEST_F(CloneFilesTest, IniFileForCopyOneIsExactly71Bytes) {
    files.AddFolder(Media("Win32", ""));
    EXPECT_EQ(writer.WriteIniClone(1, 0), 0);
    EXPECT_EQ(writer.IniPath(), Media("Win32", "TVLabel1.INI"));
    std::string ini = files.Content(writer.IniPath());
    EXPECT_EQ(ini, "[OEMFiles]\r\nOEMDriverFile1=TVLabelE1.DLL\r\nOEMConfigFile1=TVLabelUI1.DLL");
    EXPECT_EQ(ini.size(), 71u);
    EXPECT_EQ(IniCloneText(500).size(), 75u);  // two more digits in each of two names
}

TEST_F(CloneFilesTest, MissingOrUnopenableTemplateLeavesAnEmptyOutputAndSaysSo) {
    files.AddFolder(Media("Win32", ""));
    EXPECT_EQ(writer.WriteGpdClone(1, 0), -2);
    EXPECT_EQ(messages, std::vector<std::string>{"Failed open file"});
    EXPECT_TRUE(files.HasFile(Media("Win32", "TVLabel1.GPD")));
    EXPECT_EQ(files.Content(Media("Win32", "TVLabel1.GPD")), "");

    files.AddFile(Media("Win32", "TVLabel.GPD"), "1\n2\n");
    files.unopenablePath = Media("Win32", "TVLabel.GPD");
    EXPECT_EQ(writer.WriteGpdClone(1, 0), -2);
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(files.Content(Media("Win32", "TVLabel1.GPD")), "");
}

TEST_F(CloneFilesTest, OutputThatCannotBeCreatedIsMinusOne) {
    files.AddFile(Media("Win32", "TVLabel.GPD"), "x\n");
    files.SetReadOnly(Media("Win32", ""));
    EXPECT_EQ(writer.WriteGpdClone(1, 0), -1);
    EXPECT_EQ(writer.WriteIniClone(1, 0), -1);
    EXPECT_EQ(messages, (std::vector<std::string>{"Failed create file", "Failed create file"}));
    // The paths are recorded all the same, for the deletions after staging.
    EXPECT_EQ(writer.IniPath(), Media("Win32", "TVLabel1.INI"));
}

// A close that fails may have lost the last bytes: a failed write as well.
TEST_F(CloneFilesTest, ReadWriteOrCloseErrorLeavesAnEmptyOutput) {
    files.AddFile(Media("Win32", "TVLabel.GPD"), "1\n2\n3\n4\n5\n6\n7\n8\n");
    files.failingReadPath = Media("Win32", "TVLabel.GPD");
    files.failReadAfter = 6;
    EXPECT_EQ(writer.WriteGpdClone(1, 0), -2);
    EXPECT_EQ(files.Content(Media("Win32", "TVLabel1.GPD")), "");
    EXPECT_EQ(messages, std::vector<std::string>{"Failed read file"});

    files.failReadAfter = -1;
    files.failingWritePath = Media("Win32", "TVLabel1.GPD");
    files.failWriteAfter = 10;
    EXPECT_EQ(writer.WriteGpdClone(1, 0), -1);
    EXPECT_EQ(files.Content(Media("Win32", "TVLabel1.GPD")), "");
    EXPECT_EQ(messages.back(), "Failed create file");

    files.failWriteAfter = -1;
    files.failingClosePath = Media("Win32", "TVLabel1.GPD");
    EXPECT_EQ(writer.WriteGpdClone(1, 0), -1);
    EXPECT_EQ(files.Content(Media("Win32", "TVLabel1.GPD")), "");
    files.failingClosePath = Media("Win32", "TVLabel1.INI");
    EXPECT_EQ(writer.WriteIniClone(1, 0), -1);
    EXPECT_EQ(messages.back(), "Failed create file");
}

// Only the blocks of the features named change: an entry there gets the option, a block
// without one gets one after its opening brace; comments, strings and command parameters
// hold braces and keywords that are not blocks.
TEST_F(CloneFilesTest, DefaultsChangeOrAddTheDefaultOptionOfTheirFeaturesOnly) {
    const std::string head = "1\n2\n3\n4\n5\n6\n7\n";
    const std::string tmpl =
        "*Feature: Speed\n"
        "{\n"
        "    *DefaultOption: S2 *% *Feature: Fake {\n"
        "    *Option: S2 { *Cmd: \"}\" %d{PhysPaperLength}\"S\" }\n"
        "    *Option: S4\n"
        "    {\n"
        "    }\n"
        "}\n"
        "*Feature: Dark {\n"
        "    *Option: Light{}\n"
        "    *Option: Heavy { *Name: \"{heavy\" }\n"
        "}\n"
        "*Feature: Size { *DefaultOption: A4 *Option: A4 {} }\n"
        "*Feature: Other\n"
        "{ *DefaultOption: O1\n"
        "    *Option: O1 {}\n"
        "}\n"
        "*Feature: Tone {\n"
        "    *Switch: Speed { *Case: S2 { *DefaultOption: T1 } }\n"
        "    *Option: T1 {}\n"
        "    *Option: T3 {}\n"
        "}\n";
    files.AddFile(Media("Win32", "TVLabel.GPD"), head + tmpl);
    const std::vector<GpdDefault> defaults = {{"Speed", "S4"}, {"Dark", "Heavy"}, {"Other", "O2"}, {"Tone", "T3"}};
    EXPECT_EQ(writer.WriteGpdClone(1, 0, defaults), 0);
    const std::string written = files.Content(Media("Win32", "TVLabel1.GPD"));
    EXPECT_EQ(written.substr(written.find("*Feature: Speed")),
              "*Feature: Speed\r\n"
              "{\r\n"
              "    *DefaultOption: S4 *% *Feature: Fake {\r\n"
              "    *Option: S2 { *Cmd: \"}\" %d{PhysPaperLength}\"S\" }\r\n"
              "    *Option: S4\r\n"
              "    {\r\n"
              "    }\r\n"
              "}\r\n"
              "*Feature: Dark {\r\n"
              "    *DefaultOption: Heavy\r\n"
              "    *Option: Light{}\r\n"
              "    *Option: Heavy { *Name: \"{heavy\" }\r\n"
              "}\r\n"
              "*Feature: Size { *DefaultOption: A4 *Option: A4 {} }\r\n"
              "*Feature: Other\r\n"
              "{ *DefaultOption: O2\r\n"
              "    *Option: O1 {}\r\n"
              "}\r\n"
              "*Feature: Tone {\r\n"
              "    *Switch: Speed { *Case: S2 { *DefaultOption: T3 } }\r\n"
              "    *Option: T1 {}\r\n"
              "    *Option: T3 {}\r\n"
              "}\r\n");

    // The same outline names the features and options the defaults are checked against.
    auto in = files.OpenForReading(Media("Win32", "TVLabel.GPD"));
    const std::optional<std::vector<GpdFeature>> features = ReadGpdFeatures(*in);
    ASSERT_TRUE(features);
    ASSERT_EQ(features->size(), 5u);
    EXPECT_EQ((*features)[4].options, (std::vector<std::string>{"T1", "T3"}));
    EXPECT_EQ((*features)[0].options, (std::vector<std::string>{"S2", "S4"}));
    EXPECT_EQ((*features)[1].options, (std::vector<std::string>{"Light", "Heavy"}));
    EXPECT_EQ((*features)[2].name, "Size");
    std::vector<GpdDefault> asked = {{"dark", "HEAVY"}, {"SIZE", "a4"}};
    EXPECT_EQ(SettleGpdDefaults(*features, asked), std::nullopt);
    EXPECT_EQ(asked[0].feature + asked[0].option + asked[1].feature + asked[1].option, "DarkHeavySizeA4");
    std::vector<GpdDefault> noOption = {{"speed", "S3"}};
    EXPECT_EQ(SettleGpdDefaults(*features, noOption), "The feature Speed has no option S3. Its options: S2, S4.");
    std::vector<GpdDefault> noFeature = {{"Dark", "Light"}, {"Fake", "x"}};
    EXPECT_EQ(SettleGpdDefaults(*features, noFeature),
              "The printer description has no feature Fake. Its features: Speed, Dark, Size, Other, Tone.");
}

TEST(ProgramFolder, CutsBeforeTheLastBackslashUnlessThatIsTheFirstCharacter) {
    EXPECT_EQ(ProgramFolder("C:\\TORVA EPL Printer 2.X\\Prinstall.exe"), "C:\\TORVA EPL Printer 2.X");
    EXPECT_EQ(ProgramFolder("\\Prinstall.exe"), "\\Prinstall.exe");
    EXPECT_EQ(ProgramFolder("Prinstall.exe"), "Prinstall.exe");
}

}  // namespace
}  // namespace prinstall
