#include <oleacc.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "harness_win.h"

namespace e2e {
namespace {

bool IsClass(HWND window, const wchar_t* name) {
    wchar_t found[64] = {};
    GetClassNameW(window, found, 64);
    return lstrcmpiW(found, name) == 0;
}

LONG StyleOf(HWND window) { return GetWindowLongW(window, GWL_STYLE); }

bool IsRadio(HWND window) {
    const LONG type = StyleOf(window) & BS_TYPEMASK;
    return IsClass(window, L"Button") && (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON);
}

// What a screen reader says of a text: without the access-key ampersands, trimmed.
std::wstring Spoken(const std::wstring& text) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) out += text[i] == L'&' && i + 1 < text.size() ? text[++i] : text[i];
    const size_t first = out.find_first_not_of(L' ');
    return first == std::wstring::npos ? L"" : out.substr(first, out.find_last_not_of(L' ') - first + 1);
}

std::wstring AccessibleName(HWND control) {
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                          reinterpret_cast<void**>(&object))))
        return {};
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    std::wstring result;
    if (object->get_accName(self, &name) == S_OK && name != nullptr) result = name;
    SysFreeString(name);
    object->Release();
    return result;
}

// The label that names an edit box, list, combo box or address control: the static text just
// before it in the z-order.
std::wstring LabelOf(HWND control) {
    HWND previous = GetWindow(control, GW_HWNDPREV);
    return previous && IsClass(previous, L"Static") && IsWindowVisible(previous) ? Spoken(WindowText(previous)) : L"";
}

wchar_t AccessKey(HWND control) {
    const LONG style = StyleOf(control);
    const bool label = IsClass(control, L"Static") && !(style & SS_NOPREFIX) && (style & SS_TYPEMASK) <= SS_RIGHT;
    if (!label && !IsClass(control, L"Button")) return 0;
    const std::wstring text = WindowText(control);
    for (size_t i = 0; i + 1 < text.size(); i += text[i] == L'&' ? 2 : 1) {
        wchar_t key = text[i + 1];
        if (text[i] == L'&' && key != L'&') return CharUpperBuffW(&key, 1), key;
    }
    return 0;
}

// A tab stop's place in reading order; a radio button's is that of its group's first one.
std::pair<LONG, LONG> ReadingPlace(HWND control) {
    while (IsRadio(control) && !(StyleOf(control) & WS_GROUP) && GetWindow(control, GW_HWNDPREV))
        control = GetWindow(control, GW_HWNDPREV);
    RECT r{};
    GetWindowRect(control, &r);
    return {r.top, r.left};
}

}  // namespace

void ExpectAccessible(HWND dialog, const char* what) {
    ASSERT_TRUE(WaitUntilIdle(dialog)) << what;
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::map<wchar_t, std::wstring> keys;
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        if (!IsWindowVisible(control)) continue;
        const std::wstring text = WindowText(control);
        const int id = GetDlgCtrlID(control);
        if (const wchar_t key = AccessKey(control); key && !keys.emplace(key, text).second)
            ADD_FAILURE() << what << ": \"" << Utf8(text) << "\" and \"" << Utf8(keys[key]) << "\" share a key";
        if (!(StyleOf(control) & WS_TABSTOP) && !IsRadio(control)) continue;
        if (IsClass(control, L"ListBox") || IsClass(control, L"ComboBox") || IsClass(control, L"SysIPAddress32")) {
            // Windows names these by their label; Wine does not (docs/wine.md).
            EXPECT_NE(LabelOf(control), L"") << what << ": control " << id << " has no label";
        } else if (IsClass(control, L"Edit")) {
            EXPECT_NE(LabelOf(control), L"") << what << ": control " << id << " has no label";
            EXPECT_EQ(Spoken(AccessibleName(control)), LabelOf(control)) << what << ": control " << id;
        } else {
            EXPECT_NE(AccessibleName(control), L"") << what << ": control " << id << " has no name";
            EXPECT_EQ(Spoken(AccessibleName(control)), Spoken(text)) << what << ": control " << id;
        }
    }
    std::vector<HWND> order;
    for (HWND stop = GetNextDlgTabItem(dialog, nullptr, FALSE);
         stop && std::find(order.begin(), order.end(), stop) == order.end();
         stop = GetNextDlgTabItem(dialog, stop, FALSE))
        order.push_back(stop);
    ASSERT_FALSE(order.empty()) << what << ": nothing to Tab to";
    // Tab goes round: from the first control in reading order, the round must be sorted.
    const auto before = [](HWND a, HWND b) { return ReadingPlace(a) < ReadingPlace(b); };
    std::rotate(order.begin(), std::min_element(order.begin(), order.end(), before), order.end());
    for (size_t i = 1; i < order.size(); ++i)
        EXPECT_TRUE(before(order[i - 1], order[i])) << what << ": Tab goes from control " << GetDlgCtrlID(order[i - 1])
                                                    << " to " << GetDlgCtrlID(order[i]) << ", against reading order";
    if (SUCCEEDED(com)) CoUninitialize();
}

}  // namespace e2e
