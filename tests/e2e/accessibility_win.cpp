#include "accessibility_win.h"

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

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

bool IsClass(HWND window, const wchar_t* name) { return lstrcmpiW(ClassOf(window).c_str(), name) == 0; }

LONG StyleOf(HWND window) { return GetWindowLongW(window, GWL_STYLE); }

bool IsRadio(HWND window) {
    const LONG type = StyleOf(window) & BS_TYPEMASK;
    return IsClass(window, L"Button") && (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON);
}

// What a screen reader says: the text without the access-key ampersands, trimmed.
std::wstring Spoken(std::wstring text) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size()) ++i;
        out += text[i];
    }
    const size_t first = out.find_first_not_of(L" ");
    if (first == std::wstring::npos) return {};
    return out.substr(first, out.find_last_not_of(L" ") - first + 1);
}

// The name the accessibility interface gives the control itself; empty when none.
std::wstring AccessibleName(HWND control) {
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                          reinterpret_cast<void**>(&object))) ||
        object == nullptr)
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

// The label that names a list, combo box, edit box or address control: the static text
// just before it in the z-order, as the system's accessibility layer takes it.
std::wstring LabelOf(HWND control) {
    HWND previous = GetWindow(control, GW_HWNDPREV);
    if (previous == nullptr || !IsClass(previous, L"Static") || !IsWindowVisible(previous)) return {};
    return Spoken(WindowText(previous));
}

// The access key of a control shown with its text: the character after a single '&'.
wchar_t AccessKey(HWND control) {
    const bool button = IsClass(control, L"Button");
    const bool label = IsClass(control, L"Static") && (StyleOf(control) & SS_NOPREFIX) == 0 &&
                       (StyleOf(control) & SS_TYPEMASK) <= SS_RIGHT;
    if (!button && !label) return 0;
    const std::wstring text = WindowText(control);
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != L'&') continue;
        wchar_t key = text[i + 1];
        if (key != L'&') {
            CharUpperBuffW(&key, 1);
            return key;
        }
        ++i;
    }
    return 0;
}

// Where a tab stop stands in reading order; a radio button stands where its group starts.
std::pair<LONG, LONG> ReadingPlace(HWND control) {
    HWND place = control;
    while (IsRadio(place) && (StyleOf(place) & WS_GROUP) == 0) {
        HWND previous = GetWindow(place, GW_HWNDPREV);
        if (previous == nullptr) break;
        place = previous;
    }
    RECT r{};
    GetWindowRect(place, &r);
    return {r.top, r.left};
}

}  // namespace

void ExpectAccessible(HWND dialog, const char* what) {
    ASSERT_TRUE(WaitUntilIdle(dialog)) << what;
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::map<wchar_t, std::wstring> keys;
    for (HWND control = GetWindow(dialog, GW_CHILD); control != nullptr; control = GetWindow(control, GW_HWNDNEXT)) {
        if (!IsWindowVisible(control)) continue;
        const std::wstring text = WindowText(control);
        if (const wchar_t key = AccessKey(control)) {
            const auto [where, fresh] = keys.emplace(key, text);
            EXPECT_TRUE(fresh) << what << ": \"" << Utf8(text) << "\" and \"" << Utf8(where->second)
                               << "\" share an access key";
        }
        const bool reachable = (StyleOf(control) & WS_TABSTOP) != 0 || IsRadio(control);
        if (!reachable || IsClass(control, L"Static")) continue;
        if (IsClass(control, L"ListBox") || IsClass(control, L"ComboBox") || IsClass(control, L"SysIPAddress32")) {
            // Wine's accessibility layer names none of these three (docs/wine.md); Windows
            // names them after their label.
            EXPECT_FALSE(LabelOf(control).empty()) << what << ": control " << GetDlgCtrlID(control) << " has no label";
        } else if (IsClass(control, L"Edit")) {
            EXPECT_FALSE(LabelOf(control).empty()) << what << ": control " << GetDlgCtrlID(control) << " has no label";
            EXPECT_EQ(Spoken(AccessibleName(control)), LabelOf(control))
                << what << ": control " << GetDlgCtrlID(control);
        } else {
            const std::wstring name = AccessibleName(control);
            EXPECT_FALSE(name.empty()) << what << ": control " << GetDlgCtrlID(control) << " has no name";
            EXPECT_EQ(Spoken(name), Spoken(text)) << what << ": control " << GetDlgCtrlID(control);
        }
    }

    std::vector<HWND> order;
    for (HWND stop = GetNextDlgTabItem(dialog, nullptr, FALSE);
         stop != nullptr && std::find(order.begin(), order.end(), stop) == order.end();
         stop = GetNextDlgTabItem(dialog, stop, FALSE))
        order.push_back(stop);
    EXPECT_FALSE(order.empty()) << what << ": nothing to Tab to";
    // Tab goes round: read from the first control in reading order, it must be sorted.
    std::rotate(
        order.begin(),
        std::min_element(order.begin(), order.end(), [](HWND a, HWND b) { return ReadingPlace(a) < ReadingPlace(b); }),
        order.end());
    for (size_t i = 1; i < order.size(); ++i)
        EXPECT_LT(ReadingPlace(order[i - 1]), ReadingPlace(order[i]))
            << what << ": Tab goes from control " << GetDlgCtrlID(order[i - 1]) << " to control "
            << GetDlgCtrlID(order[i]) << ", against reading order";
    if (SUCCEEDED(com)) CoUninitialize();
}

}  // namespace e2e
