// /prepare: makes the installation folder, or proves it, as an installation does first.
#include "app/unattended_run.h"

#include "core/entry_names.h"
#include "install/install_folder.h"

namespace prinstall {
namespace {

const Text kPrepared = {"The program and its media are in %s, which only administrators can change.",
                        "프로그램과 미디어가 관리자만 변경할 수 있는 %s에 있습니다."};

}  // namespace

int UnattendedRun::Prepare() {
    std::vector<std::string> said;
    const std::optional<Outcome> refused = SettleInstallFolder(app_.platform, language_, said);
    for (const std::string& text : said) Line(text);
    if (refused) return Finish(refused->text, kExitFailure);
    return Finish(Format(kPrepared.In(language_), kInstallFolder), kExitSuccess);
}

}  // namespace prinstall
