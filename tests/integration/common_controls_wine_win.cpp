// The subclass functions of the common controls, looked up by name in Wine's comctl32 (as in
// version 6) and by ordinal in stand-ins that, like the 5.8x of Windows 2000, have no names
// for them.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "controls/subclass_win.h"

namespace prinstall {
namespace {

HMODULE LoadStandIn(const wchar_t* name) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring path(self);
    return LoadLibraryW((path.substr(0, path.find_last_of(L'\\') + 1) + L"probe\\" + name).c_str());
}

void* Ordinal(HMODULE module, WORD ordinal) {
    return reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ordinal)));
}

TEST(CommonControlsUnderWine, SubclassFunctionsByNameElseByOrdinalFromVersion580On) {
    HMODULE wine = GetModuleHandleW(L"comctl32.dll");
    ASSERT_NE(wine, nullptr);
    const controls::SubclassFunctions named = controls::FindSubclassFunctions(wine);
    EXPECT_EQ(reinterpret_cast<void*>(named.install), GetProcAddress(wine, "SetWindowSubclass"));
    EXPECT_EQ(reinterpret_cast<void*>(named.remove), GetProcAddress(wine, "RemoveWindowSubclass"));
    EXPECT_EQ(reinterpret_cast<void*>(named.next), GetProcAddress(wine, "DefSubclassProc"));
    EXPECT_NE(named.install, nullptr);

    HMODULE v581 = LoadStandIn(L"comctl32-5.81.dll");
    ASSERT_NE(v581, nullptr) << GetLastError();
    const controls::SubclassFunctions byOrdinal = controls::FindSubclassFunctions(v581);
    EXPECT_EQ(reinterpret_cast<void*>(byOrdinal.install), Ordinal(v581, 410));
    EXPECT_EQ(reinterpret_cast<void*>(byOrdinal.remove), Ordinal(v581, 412));
    EXPECT_EQ(reinterpret_cast<void*>(byOrdinal.next), Ordinal(v581, 413));
    EXPECT_NE(byOrdinal.install, nullptr);

    // Before 5.80 those ordinals are other functions: nothing is taken.
    HMODULE v472 = LoadStandIn(L"comctl32-4.72.dll");
    ASSERT_NE(v472, nullptr) << GetLastError();
    ASSERT_NE(Ordinal(v472, 410), nullptr);
    const controls::SubclassFunctions old = controls::FindSubclassFunctions(v472);
    EXPECT_EQ(old.install, nullptr);
    EXPECT_EQ(old.remove, nullptr);
    EXPECT_EQ(old.next, nullptr);
}

}  // namespace
}  // namespace prinstall
