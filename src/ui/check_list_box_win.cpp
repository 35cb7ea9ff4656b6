#include "ui/check_list_box_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include <vector>

#include "controls/reflect_win.h"
#include "controls/no_throw_win.h"
#include "controls/subclass_win.h"
#include "platform/text_win.h"

namespace prinstall::ui {
namespace {
constexpr UINT_PTR kSubclassId = 0x434C4258;  // 'CLBX'
}

CheckListBox::~CheckListBox() {
    if (hwnd_ != nullptr && IsWindow(hwnd_)) controls::RemoveSubclass(hwnd_, &CheckListBox::SubclassProc, kSubclassId);
}

bool CheckListBox::Attach(HWND dialog, int controlId) {
    hwnd_ = GetDlgItem(dialog, controlId);
    if (hwnd_ == nullptr) return false;
    return controls::InstallSubclass(hwnd_, &CheckListBox::SubclassProc, kSubclassId,
                                     reinterpret_cast<DWORD_PTR>(this));
}

void CheckListBox::Reset() {
    // Items go from the last to the first.
    for (int i = Count() - 1; i >= 0; --i) SendMessageW(hwnd_, LB_DELETESTRING, static_cast<WPARAM>(i), 0);
}

int CheckListBox::Add(const std::string& text) {
    auto index = static_cast<int>(SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(text).c_str())));
    if (index >= 0) SendMessageW(hwnd_, LB_SETITEMDATA, static_cast<WPARAM>(index), 0);
    return index;
}

int CheckListBox::Count() const { return static_cast<int>(SendMessageW(hwnd_, LB_GETCOUNT, 0, 0)); }

int CheckListBox::Current() const { return static_cast<int>(SendMessageW(hwnd_, LB_GETCURSEL, 0, 0)); }

int CheckListBox::Check(int index) const {
    LRESULT data = SendMessageW(hwnd_, LB_GETITEMDATA, static_cast<WPARAM>(index), 0);
    return data == LB_ERR ? 0 : static_cast<int>(data);
}

void CheckListBox::SetCheck(int index, int state) {
    if (index < 0 || index >= Count()) return;
    SendMessageW(hwnd_, LB_SETITEMDATA, static_cast<WPARAM>(index), state);
    RECT r;
    if (SendMessageW(hwnd_, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r)) != LB_ERR) {
        InvalidateRect(hwnd_, &r, FALSE);
    }
}

int CheckListBox::BoxSize() const {
    auto height = static_cast<int>(SendMessageW(hwnd_, LB_GETITEMHEIGHT, 0, 0));
    return height > 2 ? height - 2 : height;
}

void CheckListBox::Toggle(int index) {
    if (index < 0 || index >= Count()) return;
    // A two-state box: clear becomes checked; checked and indeterminate become clear.
    SetCheck(index, Check(index) == 0 ? 1 : 0);
    HWND parent = GetParent(hwnd_);
    SendMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd_), LBN_SELCHANGE), reinterpret_cast<LPARAM>(hwnd_));
}

void CheckListBox::Draw(const DRAWITEMSTRUCT& dis) {
    if (dis.itemID == static_cast<UINT>(-1)) {
        if (dis.itemState & ODS_FOCUS) DrawFocusRect(dis.hDC, &dis.rcItem);
        return;
    }
    HDC dc = dis.hDC;
    RECT item = dis.rcItem;
    int size = BoxSize();
    RECT box = {item.left + 1, item.top + 1, item.left + 1 + size, item.top + 1 + size};
    FillRect(dc, &box, GetSysColorBrush(COLOR_WINDOW));
    int state = static_cast<int>(dis.itemData);
    UINT look = DFCS_BUTTONCHECK | DFCS_FLAT;
    if (state == 1) look |= DFCS_CHECKED;
    if (state == 2) look = DFCS_BUTTON3STATE | DFCS_CHECKED | DFCS_FLAT;
    DrawFrameControl(dc, &box, DFC_BUTTON, look);

    RECT text = item;
    text.left = box.right + 3;
    bool selected = (dis.itemState & ODS_SELECTED) != 0;
    FillRect(dc, &text, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    auto length = static_cast<int>(SendMessageW(hwnd_, LB_GETTEXTLEN, dis.itemID, 0));
    std::vector<wchar_t> buffer(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    SendMessageW(hwnd_, LB_GETTEXT, dis.itemID, reinterpret_cast<LPARAM>(buffer.data()));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    DrawTextW(dc, buffer.data(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (dis.itemState & ODS_FOCUS) DrawFocusRect(dc, &text);
}

LRESULT CheckListBox::Handle(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
    switch (msg) {
        case controls::kReflectedDrawItem:
            Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            handled = true;
            return TRUE;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            POINT p = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            LRESULT hit = SendMessageW(hwnd_, LB_ITEMFROMPOINT, 0, MAKELPARAM(p.x, p.y));
            int index = LOWORD(hit);
            if (HIWORD(hit) == 0 && p.x <= BoxSize() + 2) {
                // Select the item first (ordinary list handling), then toggle its box.
                controls::DefaultSubclassProc(hwnd_, msg, wParam, lParam);
                Toggle(index);
                handled = true;
                return 0;
            }
            return 0;
        }
        case WM_KEYDOWN:
            if (wParam == VK_SPACE) {
                Toggle(Current());
                handled = true;
            }
            return 0;
        default: return 0;
    }
}

LRESULT CALLBACK CheckListBox::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR refData) {
    auto* self = reinterpret_cast<CheckListBox*>(refData);
    if (msg == WM_NCDESTROY) {
        controls::RemoveSubclass(hwnd, &CheckListBox::SubclassProc, kSubclassId);
        self->hwnd_ = nullptr;
        return controls::DefaultSubclassProc(hwnd, msg, wParam, lParam);
    }
    auto byDefault = [&] { return controls::DefaultSubclassProc(hwnd, msg, wParam, lParam); };
    return controls::WithoutExceptions(
        [&] {
            bool handled = false;
            const LRESULT r = self->Handle(msg, wParam, lParam, handled);
            return handled ? r : byDefault();
        },
        byDefault);
}

}  // namespace prinstall::ui
