#include "ui/controls_win.h"

#include <vector>

#include "platform/text_win.h"

namespace prinstall::ui {

void ComboBox::AddString(const std::string& text) {
    SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

int ComboBox::GetCurSel() const {
    const LRESULT selected = SendMessageW(hwnd_, CB_GETCURSEL, 0, 0);
    return selected == CB_ERR ? -1 : static_cast<int>(selected);
}

std::string ComboBox::GetLbText(int index) const {
    const LRESULT length = SendMessageW(hwnd_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (index < 0 || length == CB_ERR) return {};
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(hwnd_, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    return Narrow(text.data());
}

}  // namespace prinstall::ui
