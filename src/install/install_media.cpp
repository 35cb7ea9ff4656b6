// The installation media a run (or a check before it) takes files from: the port monitor's
// modules, the template and the defaults it must hold, and the release's list of the media.
#include "install/install_media.h"

#include "install/install_command.h"

#include "install/media_check.h"
#include "install/port_monitor.h"
#include "install/staging.h"

namespace prinstall {
namespace {

const Text kMediaFileUnusable = {"Nothing was installed: the installation file %s is missing or cannot be used.",
                                 "아무것도 설치하지 않았습니다: 설치 파일 %s이(가) 없거나 사용할 수 없습니다."};
const Text kRecordedDefaultLeftOut = {
    "The default %s=%s that the printer was installed with is not in this version's printer description: it was "
    "left out.",
    "프린터를 설치할 때 지정한 기본값 %s=%s이(가) 이 버전의 프린터 설명 파일에 없어 제외했습니다."};

}  // namespace

std::optional<Outcome> MediaRefusal(AppContext& app, Language language, std::vector<GpdDefault>& defaults,
                                    bool defaultsRecorded, const std::function<void(const std::string&)>& note,
                                    bool& unverifiedSaid) {
    Platform& platform = app.platform;
    const int processor = app.state.os.processor;
    if (app.state.useLabelPortMonitor) {
        PortMonitorInstaller monitor(platform.spooler, *platform.files, platform.systemInfo, platform.debug);
        if (monitor.IsPortMonitorInstalled() != 1) {
            // Without one of them the monitor cannot be added, and a queue that needs it would
            // print to nobody.
            if (std::optional<std::string> missing = MissingPortMonitorModule(*platform.files, processor)) {
                return Outcome::Failure(Format(kMediaFileUnusable.In(language), missing->c_str()));
            }
        }
    }
    const std::optional<std::vector<GpdFeature>> features =
        defaults.empty() ? std::vector<GpdFeature>() : GpdTemplateFeatures(*platform.files, GpdTemplatePath(processor));
    if (!features || !GpdTemplateUsable(*platform.files, processor)) {
        return Outcome::Failure(Format(kMediaFileUnusable.In(language), GpdTemplatePath(processor).c_str()));
    }
    if (defaultsRecorded) {
        std::vector<GpdDefault> kept;
        for (const GpdDefault& d : defaults) {
            std::vector<GpdDefault> one{d};
            if (SettleGpdDefaults(*features, one)) {
                note(Format(kRecordedDefaultLeftOut.In(language), d.feature.c_str(), d.option.c_str()));
            } else {
                kept.push_back(one.front());
            }
        }
        defaults = kept;
    }
    if (std::optional<std::string> refusal = SettleGpdDefaults(*features, defaults)) return Outcome::Failure(*refusal);
    MediaVerification media = VerifyMedia(*platform.files, platform.debug, app.state.shippedMedia, processor,
                                          language == Language::Korean, language);
    if (!media.listed && !unverifiedSaid) {
        note(kMediaNotVerified.In(language));
        unverifiedSaid = true;
    }
    return std::move(media.refusal);
}

std::optional<Outcome> InstallCommand::MediaRefusal() {
    return prinstall::MediaRefusal(
        app_, language_, defaults_, defaultsRecorded_, [this](const std::string& text) { steps_.Note(text); },
        unverifiedSaid_);
}

}  // namespace prinstall
