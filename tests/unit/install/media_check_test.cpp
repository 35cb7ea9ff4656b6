#include "install/media_check.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "core/sha256.h"
#include "fakes/fake_files.h"
#include "fakes/fake_platform.h"

namespace prinstall {
namespace {

// FIPS 180-2, appendix B: one block, two blocks, and a million bytes given in pieces that
// straddle the blocks.
TEST(Sha256, GivesTheStandardsDigests) {
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    Sha256 million;
    const std::string piece(1000, 'a');
    for (int i = 0; i < 1000; ++i) million.Update(piece.data(), piece.size());
    EXPECT_EQ(million.HexDigest(), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

// The x86 media of an English installation against the list a release wrote for them.
TEST(MediaCheck, RefusesTheFirstFileThatIsNotAsTheReleaseListedIt) {
    const std::string folder = "C:\\TORVA EPL Printer 2.X\\";
    fakes::FakeFiles files;
    fakes::FakeDebugLog debug;
    std::string list = "Win32\\UNIDRV.DLL\tnot a digest\n";  // left out: the good line below counts
    for (const std::string& name : CopiedMediaFiles(0, false)) {
        files.AddFile(folder + name, name);
        list += (name == "Win32\\TVLabelUI.DLL" ? "win32\\tvlabelui.dll" : name) + "\t" + Sha256Hex(name) + "\n";
    }
    const auto verify = [&](std::string_view shipped, Language language = Language::English) {
        return VerifyMedia(files, debug, shipped, 0, false, language);
    };
    EXPECT_FALSE(verify("").listed);
    EXPECT_FALSE(verify("").refusal);
    const MediaVerification all = verify(list);
    EXPECT_TRUE(all.listed);
    EXPECT_FALSE(all.refusal) << all.refusal->text;
    EXPECT_EQ(all.verified, 11);

    // Absent files are for the checks that need them; the others must be as listed.
    files.RemoveFile(folder + "Win32\\UNIDRV.HLP");
    EXPECT_EQ(verify(list).verified, 10);
    files.AddFile(folder + "Win32\\TVPortMon.dll", "Win32\\TVPortMon.dlm");
    EXPECT_EQ(verify(list, Language::Korean).refusal->text,
              "아무것도 설치하지 않았습니다: 설치 파일 C:\\TORVA EPL Printer 2.X\\Win32\\TVPortMon.dll이(가) 이 "
              "릴리스에 포함된 파일과 다릅니다(변경되었거나 교체됨). 릴리스에서 설치 폴더를 다시 복사하십시오.");
    files.unopenablePath = folder + "Win32\\TVLabel.GPD";
    EXPECT_EQ(verify(list).refusal->text,
              "Nothing was installed: the installation file C:\\TORVA EPL Printer 2.X\\Win32\\TVLabel.GPD is missing "
              "or cannot be used.");
    EXPECT_EQ(verify("Win32\\UNIDRV.DLL\t" + Sha256Hex("Win32\\UNIDRV.DLL") + "\n").refusal->text,
              "Nothing was installed: the installation file C:\\TORVA EPL Printer 2.X\\Win32\\STDNAMES.GPD is not "
              "among the files this release shipped.");
    // The template is checked where the copies read it, in the installation folder, whatever
    // lies beside a program started elsewhere.
    files.unopenablePath.clear();
    files.AddFile(folder + "Win32\\TVPortMon.dll", "Win32\\TVPortMon.dll");
    files.program = "C:\\Technician\\Prinstall.exe";
    files.AddFile("C:\\Technician\\Win32\\TVLabel.GPD", "another template");
    EXPECT_FALSE(verify(list).refusal);
    files.AddFile(folder + "Win32\\TVLabel.GPD", "another template");
    EXPECT_NE(verify(list).refusal->text.find(folder + "Win32\\TVLabel.GPD is not the one"), std::string::npos);
}

// What scripts/release.sh lists is what the installations copy, for every processor and language.
TEST(MediaCheck, TheReleaseListsEveryFileAnInstallationCopies) {
    std::set<std::string> copied;
    for (int processor : {0, 1, 2}) {
        for (bool korean : {false, true}) {
            for (const std::string& name : CopiedMediaFiles(processor, korean)) copied.insert(name);
        }
    }
    std::ifstream in(PRINSTALL_SOURCE_DIR "/tools/media/copied-media.txt");
    ASSERT_TRUE(in);
    std::set<std::string> listed;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] != '#') listed.insert(line);
    }
    EXPECT_EQ(listed, copied);
}

}  // namespace
}  // namespace prinstall
