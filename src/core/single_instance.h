// One run of the program at a time. Every front end claims the same named mutex before it
// does anything else; a start that finds it held changes nothing, tells the operator, and
// ends with the code Windows uses for "another installation is already in progress".
#pragma once

#include "core/texts.h"

namespace prinstall {

// Claimed as "Global\<name>" so that a run in any session of the machine counts, and as the
// bare name where a Global object cannot be created.
inline constexpr const char* kSingleRunMutexName = "TORVA EPL Printer Driver Installation Running";

inline constexpr Text kAlreadyRunning = {"The printer driver installation program is already running.",
                                         "프린터 드라이버 설치 프로그램이 이미 실행 중입니다."};

}  // namespace prinstall
