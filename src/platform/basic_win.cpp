#include "platform/basic_win.h"

#include <windows.h>

#include "platform/text_win.h"

namespace prinstall {

std::uint32_t WinSystemInfo::ansiCodePage() { return GetACP(); }

void WinClock::sleep(std::uint32_t milliseconds) { Sleep(milliseconds); }

std::uint32_t WinClock::tickCount() { return GetTickCount(); }

void WinDebugLog::output(const std::string& text) { OutputDebugStringW(widen(text).c_str()); }

}  // namespace prinstall
