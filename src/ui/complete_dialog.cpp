#include "ui/complete_dialog.h"

#include "resource.h"

namespace prinstall {
namespace {

// Captions by operation (rows) and outcome (columns: success, error).
const Text kCaptions[2][2] = {
    {{"Installation complete !!!", "설치 완료 !!!"}, {"Installation Error !!!", "설치 에러 !!!"}},
    {{"Uninstallation complete !!!", "삭제 완료 !!!"}, {"Uninstallation Error !!!", "삭제 에러 !!!"}},
};

bool IsError(int outcome) { return outcome != kResultSuccess; }

}  // namespace

std::optional<std::string> ResultCaption(int operation, int outcome, Language language) {
    if (operation != kResultInstallation && operation != kResultUninstallation) return std::nullopt;
    return kCaptions[operation][IsError(outcome) ? 1 : 0].In(language);
}

std::optional<Rgb> ResultRowColour(int row, int height, int outcome) {
    if (height <= 0 || row < 0 || row >= height) return std::nullopt;
    // Each channel runs from its top value towards top + span over the height, in integer
    // steps; the bottom row falls just short of top + span.
    auto channel = [&](int top, int span) { return top + span * row / height; };
    const int fade = channel(0, 30);
    const int bright = channel(127, 128);
    const int blue = channel(50, 50);
    return IsError(outcome) ? Rgb{bright, fade, blue} : Rgb{fade, bright, blue};
}

void InitResultDialog(const ResultInputs& inputs, std::uint32_t codePage, ResultView& view) {
    const Language language = LanguageForCodePage(codePage);
    if (auto caption = ResultCaption(inputs.operation, inputs.outcome, language)) view.SetTitle(*caption);
    view.SetItemText(IDC_RESULT_MESSAGE, inputs.message);
    if (language == Language::Korean) view.SetItemText(kDialogOk, kResultOkKorean);
    view.DressIconButton(kDialogOk, IDI_CHECK);
}

}  // namespace prinstall
