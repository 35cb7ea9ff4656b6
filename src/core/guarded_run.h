// No exception ends a run silently or crosses a Win32 callback: an installation, a removal or
// a command-line run goes through RunGuarded, and whatever it throws ends as a red result
// (exit code 1603 on the command line) whose text names the exception, with a debug log line.
#pragma once

#include <functional>
#include <string>

#include "core/feedback.h"
#include "core/texts.h"
#include "platform/debug_log.h"

namespace prinstall {

inline constexpr Text kInstallationStopped = {"The installation stopped because of an unexpected error: %s",
                                              "예기치 않은 오류로 설치가 중단되었습니다: %s"};
inline constexpr Text kRemovalStopped = {"The removal stopped because of an unexpected error: %s",
                                         "예기치 않은 오류로 삭제가 중단되었습니다: %s"};
inline constexpr Text kProgramStopped = {"The program stopped because of an unexpected error: %s",
                                         "예기치 않은 오류로 프로그램이 중단되었습니다: %s"};

// Runs `run` and gives its outcome; an exception it lets out gives instead a failed outcome
// whose text is `stopped` (with one %s) filled with the exception's own text, and the same
// text goes to the debug log.
Outcome RunGuarded(const std::function<Outcome()>& run, const Text& stopped, Language language, DebugLog& debug);

// The text of the exception being handled: its what(), or "unknown exception" for anything
// that is no std::exception. Only meaningful inside a catch block.
std::string CurrentExceptionText();

}  // namespace prinstall
