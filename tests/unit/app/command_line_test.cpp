#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace prinstall {
namespace {

using Args = std::vector<std::string>;

// The longest host name DNS allows: 253 characters, labels of 63 at most.
const std::string kLongestHostName =
    std::string(63, 'a') + "." + std::string(63, 'b') + "." + std::string(63, 'c') + "." + std::string(61, 'd');

// What CommandLineToArgvW makes of the text after the program name.
TEST(SplitArguments, FollowsTheWindowsQuotingRules) {
    const struct {
        std::string text;
        Args expected;
    } cases[] = {
        {"", {}},
        {"  /install\t/usb  ", {"/install", "/usb"}},
        {R"(/name:"Front Desk" /log:"C:\My Logs\a.log")", {"/name:Front Desk", R"(/log:C:\My Logs\a.log)"}},
        {R"("/log:C:\Temp\" /list)", {R"(/log:C:\Temp" /list)"}},  // \" is a quote, not an end
        {R"("/log:C:\Temp\\" /list)", {R"(/log:C:\Temp\)", "/list"}},
        {R"(a\\\"b c\\d)", {R"(a\"b)", R"(c\\d)"}},
        {R"("a""b c)", {R"(a"b)", "c"}},  // "" inside quotes: a quote, and the quotes end
        {R"("" c)", {"", "c"}},
        {R"("""a""")", {R"("a")"}},
        {"/name:\"Étiquettes 東京\"", {"/name:Étiquettes 東京"}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitArguments(c.text), c.expected) << c.text;
}

TEST(ParseCommandLine, ReadsEveryCommandWithItsOptions) {
    EXPECT_EQ(ParseCommandLine({}).command, Command::Dialogs);

    CommandLine install = ParseCommandLine(
        {"-INSTALL", "/Port=COM1:", "/copies:002", "/name:Front Desk", "/codepage:850", "/log:C:\\d.log", "/quiet"});
    EXPECT_EQ(install.command, Command::Install);
    EXPECT_EQ(install.portSource, PortSource::Port);
    EXPECT_EQ(install.port, "COM1:");
    EXPECT_EQ(install.copies, 2);
    EXPECT_EQ(install.name, "Front Desk");
    EXPECT_EQ(install.codePage, 850);
    EXPECT_EQ(install.logFile, "C:\\d.log");
    EXPECT_TRUE(install.quiet);
    EXPECT_TRUE(install.error.empty());

    CommandLine ip = ParseCommandLine({"/ip:192.168.000.020", "/install", "/NoEntry"});
    EXPECT_EQ(ip.command, Command::Install);
    EXPECT_TRUE(ip.noEntry);
    EXPECT_FALSE(install.noEntry);
    EXPECT_EQ(ip.portSource, PortSource::Ip);
    EXPECT_EQ(ip.ipAddress, "192.168.0.20");
    EXPECT_EQ(ip.ipPort, 9100u);
    EXPECT_EQ(ip.copies, 1);
    EXPECT_FALSE(ip.name || ip.codePage || ip.logFile || ip.quiet);
    EXPECT_EQ(ParseCommandLine({"/install", "/usb", "/copies:500", "/codepage:1258"}).portSource, PortSource::Usb);
    for (const std::string& host :
         {std::string("Label-07.example.com"), std::string("printer"), std::string("1.2.3.4a"), kLongestHostName}) {
        CommandLine named = ParseCommandLine({"/install", "/ipport:00001", "/ip:" + host});
        EXPECT_EQ(named.ipAddress, host) << named.error;
        EXPECT_EQ(named.ipPort, 1u);
    }
    EXPECT_EQ(ParseCommandLine({"/install", "/ip:10.0.0.9", "/ipport:65535"}).ipPort, 65535u);

    CommandLine queues = ParseCommandLine({"/uninstall", "/queue:B", "/QUEUE=A b"});
    EXPECT_EQ(queues.command, Command::Uninstall);
    EXPECT_EQ(queues.queues, (Args{"B", "A b"}));
    EXPECT_FALSE(queues.all);
    CommandLine all = ParseCommandLine({"/uninstall", "/all", "/log:x.log", "/quiet"});
    EXPECT_TRUE(all.all);
    EXPECT_EQ(all.logFile, "x.log");

    EXPECT_EQ(ParseCommandLine({"/list", "/log:l.txt"}).command, Command::List);
    EXPECT_EQ(ParseCommandLine({"/list", "/Format:JSON"}).format, ListFormat::Json);
    EXPECT_EQ(ParseCommandLine({"/install", "/usb", "/usbwait:600"}).usbWaitSeconds, 600);
    CommandLine detect = ParseCommandLine({"/detect", "/name:Front Desk", "/usb"});
    EXPECT_EQ(detect.command, Command::Detect);
    EXPECT_EQ(detect.portSource, PortSource::Usb);
    CommandLine update = ParseCommandLine({"/install", "/update", "/owner:{AB}"});
    EXPECT_TRUE(update.update && update.owner == "{AB}" && update.portSource == PortSource::None);
    CommandLine defaults =
        ParseCommandLine({"/install", "/usb", "/default:darkness=Level10", "-DEFAULT=PaperSize=A=B"});
    ASSERT_EQ(defaults.defaults.size(), 2u);
    EXPECT_EQ(defaults.defaults[0].feature + "|" + defaults.defaults[0].option, "darkness|Level10");
    EXPECT_EQ(defaults.defaults[1].feature + "|" + defaults.defaults[1].option, "PaperSize|A=B");
    EXPECT_EQ(ParseCommandLine({"/Features", "/log:f.log"}).command, Command::Features);
    EXPECT_EQ(ParseCommandLine({"/?"}).command, Command::Help);
    EXPECT_EQ(ParseCommandLine({"-?"}).command, Command::Help);
}

// Each line is invalid, and the one-line reason names what is wrong.
TEST(ParseCommandLine, RefusesUnknownContradictoryAndIncompleteLines) {
    const struct {
        Args arguments;
        std::string reasonMentions;
    } cases[] = {
        {{"/install", "/bogus"}, "/bogus"},
        {{"install", "/usb"}, "install"},
        {{"/usb"}, "No command"},
        {{"/install"}, "/port"},
        {{"/install", "/list", "/usb"}, "only one"},
        {{"/install", "/install", "/usb"}, "more than once"},
        {{"/install", "/port:COM1:", "/usb"}, "only one"},
        {{"/install", "/ip:10.0.0.1", "/port:LPT1:"}, "only one"},
        {{"/install", "/port"}, "needs a value"},
        {{"/install", "/port:"}, "needs a value"},
        {{"/install", "/usb:yes"}, "no value"},
        {{"/install", "/usb", "/name:a", "/name:b"}, "more than once"},
        {{"/install", "/usb", "/copies:0"}, "1 to 500"},
        {{"/install", "/usb", "/copies:501"}, "1 to 500"},
        {{"/install", "/usb", "/copies:two"}, "1 to 500"},
        {{"/install", "/usb", "/copies:+2"}, "1 to 500"},
        {{"/install", "/ip:192.168.0.256"}, "/ip"},
        {{"/install", "/ip:192.168.0"}, "/ip"},
        {{"/install", "/ip:192.168.0.1.5"}, "/ip"},
        {{"/install", "/ip:192.168..1"}, "/ip"},
        {{"/install", "/ip:1.2.3.-4"}, "/ip"},
        {{"/install", "/ip:0.0.0.0"}, "names no printer"},
        {{"/install", "/ip:255.255.255.255"}, "names no printer"},
        {{"/install", "/ip:224.0.0.1"}, "names no printer"},
        {{"/install", "/ip:239.255.255.250"}, "names no printer"},
        {{"/install", "/ip:240.000.0.1"}, "names no printer"},
        {{"/install", "/ip:label_07.example"}, "host name"},
        {{"/install", "/ip:-label.example"}, "host name"},
        {{"/install", "/ip:label-.example"}, "host name"},
        {{"/install", "/ip:label..example"}, "host name"},
        {{"/install", "/ip:printer."}, "host name"},
        {{"/install", "/ip:printer.example.42"}, "host name"},
        {{"/install", "/ip:" + std::string(64, 'a') + ".example"}, "host name"},
        {{"/install", "/ip:" + kLongestHostName.substr(0, 192) + std::string(63, 'd')}, "host name"},  // 255 long
        {{"/install", "/ip:étiquette"}, "host name"},
        {{"/install", "/ip:10.0.0.1", "/ipport:0"}, "1 to 65535"},
        {{"/install", "/ip:10.0.0.1", "/ipport:65536"}, "1 to 65535"},
        {{"/install", "/ip:10.0.0.1", "/ipport:-1"}, "1 to 65535"},
        {{"/install", "/usb", "/ipport:9101"}, "/ipport goes with /ip"},
        {{"/install", "/update", "/owner:x", "/ipport:9101"}, "/ipport goes with /ip"},
        {{"/detect", "/name:A", "/usb", "/ipport:9101"}, "/ipport goes with /ip"},
        {{"/install", "/usb", "/codepage:1200"}, "1200"},
        {{"/install", "/usb", "/codepage:abc"}, "abc"},
        {{"/install", "/usb", "/all"}, "/all"},
        {{"/uninstall", "/all", "/ifmissing"}, "/ifmissing belongs to /install"},
        {{"/uninstall", "/all", "/noentry"}, "/noentry belongs to /install"},
        {{"/uninstall"}, "/all or /queue"},
        {{"/uninstall", "/all", "/queue:A"}, "not both"},
        {{"/uninstall", "/all", "/copies:2"}, "/copies"},
        {{"/uninstall", "/queue:A", "/port:COM1:"}, "/port"},
        {{"/list", "/usb"}, "/usb"},
        {{"/list", "/all"}, "/all"},
        {{"/?", "/log:x.log"}, "/?"},
        {{"/list", "/log:a", "/log:b"}, "more than once"},
        {{"/detect"}, "/detect needs /name"},
        {{"/detect", "/name:A", "/copies:2"}, "/copies belongs to /install only"},
        {{"/list", "/owner:x"}, "/owner belongs to /install and /uninstall only"},
        {{"/install", "/usb", "/owner:"}, "needs a value"},
        {{"/install", "/update"}, "/update needs /owner"},
        {{"/uninstall", "/all", "/owner:x"}, "only one"},
        {{"/list", "/format:xml"}, "csv, json"},
        {{"/install", "/usb", "/format:csv"}, "/format belongs to /list only"},
        {{"/install", "/usb", "/usbwait:0"}, "1 to 600"},
        {{"/install", "/usb", "/usbwait:601"}, "1 to 600"},
        {{"/install", "/port:COM1:", "/usbwait:5"}, "/usbwait belongs to /usb"},
        {{"/install", "/usb", "/default:"}, "needs a value"},
        {{"/install", "/usb", "/default:Darkness"}, "a feature and an option"},
        {{"/install", "/usb", "/default:=Level1"}, "a feature and an option"},
        {{"/install", "/usb", "/default:Darkness="}, "a feature and an option"},
        {{"/install", "/usb", "/default:Darkness=Level1", "/default:DARKNESS=Level2"}, "DARKNESS more than once"},
        {{"/uninstall", "/all", "/default:Darkness=Level1"}, "/default belongs to /install only"},
        {{"/features", "/default:Darkness=Level1"}, "/default belongs to /install only"},
        {{"/features", "/list"}, "only one"},
    };
    for (const auto& c : cases) {
        std::string line;
        for (const std::string& a : c.arguments) line += a + " ";
        const CommandLine parsed = ParseCommandLine(c.arguments);
        EXPECT_EQ(parsed.command, Command::Invalid) << line;
        EXPECT_NE(parsed.error.find(c.reasonMentions), std::string::npos) << line << "-> " << parsed.error;
        EXPECT_EQ(parsed.error.find('\n'), std::string::npos) << line;
    }
}

// The refusal goes into the log the line names, wherever the fault lies.
TEST(ParseCommandLine, AnInvalidLineKeepsItsLog) {
    EXPECT_EQ(ParseCommandLine({"/install", "/bogus", "-LOG=C:\\d.log"}).logFile, "C:\\d.log");
    EXPECT_EQ(ParseCommandLine({"/log:C:\\e.log", "/install"}).logFile, "C:\\e.log");
    EXPECT_FALSE(ParseCommandLine({"/install", "/logs:C:\\f.log"}).logFile);
}

}  // namespace
}  // namespace prinstall
