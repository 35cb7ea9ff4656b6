#include "ui/dialog_win.h"

#include <commctrl.h>

#include <cstdint>
#include <vector>

#include "controls/reflect_win.h"
#include "controls/system_colours_win.h"
#include "core/guarded_run.h"
#include "ui/controls_win.h"
#include "platform/text_win.h"
#include "ui/placement.h"

namespace prinstall::ui {

HINSTANCE Dialog::Instance() const { return GetModuleHandleW(nullptr); }

INT_PTR Dialog::RunModal(HWND owner) {
    modal_ = true;
    broken_ = false;
    return DialogBoxParamW(Instance(), MAKEINTRESOURCEW(templateId_), owner, &Dialog::DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

HWND Dialog::CreateModeless(HWND owner) {
    modal_ = false;
    broken_ = false;
    return CreateDialogParamW(Instance(), MAKEINTRESOURCEW(templateId_), owner, &Dialog::DialogProc,
                              reinterpret_cast<LPARAM>(this));
}

void Dialog::Destroy() {
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

bool Dialog::TemplatePlacesItself() const {
    HINSTANCE module = Instance();
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(templateId_), MAKEINTRESOURCEW(5));  // RT_DIALOG
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    return data != nullptr &&
           ui::TemplatePlacesItself(static_cast<const std::uint8_t*>(data), SizeofResource(module, found));
}

void Dialog::CentreOverOwner() {
    RECT window{};
    if (!GetWindowRect(hwnd_, &window)) return;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    HWND owner = GetWindow(hwnd_, GW_OWNER);
    const bool overOwner = owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner);
    if (!GetMonitorInfoW(MonitorFromWindow(overOwner ? owner : hwnd_, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    RECT over = monitor.rcWork;
    if (overOwner) GetWindowRect(owner, &over);
    const ScreenRect work{monitor.rcWork.left, monitor.rcWork.top, monitor.rcWork.right, monitor.rcWork.bottom};
    const ScreenPoint at = CentredPosition(window.right - window.left, window.bottom - window.top,
                                           {over.left, over.top, over.right, over.bottom}, work);
    SetWindowPos(hwnd_, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Dialog* self = nullptr;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (self == nullptr) return FALSE;
    INT_PTR r = FALSE;
    // No exception may leave through the system's code that called us. A dialog whose handler
    // threw stops dispatching: it says so once, and a modal one ends.
    if (!self->broken_) {
        try {
            r = self->Handle(msg, wParam, lParam);
        } catch (...) {
            self->broken_ = true;
            self->ReportBroken(CurrentExceptionText());
        }
    }
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
    }
    return r;
}

void Dialog::ReportBroken(const std::string& what) noexcept {
    try {
        const std::string text = Format(kProgramStopped.In(LanguageForCodePage(GetACP())), what.c_str());
        OutputDebugStringW(Widen(text).c_str());
        ui::CaptionedMessageBox(hwnd_, text, ApplicationTitle(), MB_OK | MB_ICONERROR);
    } catch (...) {
        OutputDebugStringW(L"An unexpected error in a dialog, and another while reporting it.");
    }
    if (modal_) ::EndDialog(hwnd_, IDCANCEL);
}

bool Dialog::OnCommand(int id, int code, HWND) {
    if (code != BN_CLICKED) return false;
    if (id == IDOK) {
        OnOk();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

INT_PTR Dialog::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_INITDIALOG:
            // Placed first, so that a dialog that moves itself in OnInit has the last word.
            if (!TemplatePlacesItself()) CentreOverOwner();
            return OnInit();
        case WM_COMMAND: {
            HWND control = reinterpret_cast<HWND>(lParam);
            if (control != nullptr) SendMessageW(control, controls::kReflectedCommand, wParam, lParam);
            OnCommand(LOWORD(wParam), HIWORD(wParam), control);
            return TRUE;
        }
        case WM_SYSCOMMAND:
            if (OnSysCommand(wParam)) {
                SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, 0);
                return TRUE;
            }
            return FALSE;
        case WM_PAINT: return OnPaint() ? TRUE : FALSE;
        case WM_DRAWITEM: {
            auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
            if (dis->CtlType != ODT_MENU && dis->hwndItem != nullptr &&
                SendMessageW(dis->hwndItem, controls::kReflectedDrawItem, wParam, lParam) != 0) {
                SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, TRUE);
                return TRUE;
            }
            return FALSE;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORDLG:
            return reinterpret_cast<INT_PTR>(
                OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), msg));
        default: {
            if (controls::ColoursChangedBy(msg, wParam)) PassOnColourChange(msg, wParam, lParam);
            LRESULT result = 0;
            if (OnMessage(msg, wParam, lParam, result)) {
                SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
                return TRUE;
            }
            return FALSE;
        }
    }
}

void Dialog::PassOnColourChange(UINT msg, WPARAM wParam, LPARAM lParam) {
    OnColoursChanged();
    // Only top-level windows hear of the change from the system; the common controls and our
    // own controls rebuild their brushes and pictures when told.
    for (HWND child = GetWindow(hwnd_, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        SendMessageW(child, msg, wParam, lParam);
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void Dialog::SetItemText(int id, const std::string& text) { SetDlgItemTextW(hwnd_, id, Widen(text).c_str()); }

std::string Dialog::ItemText(int id) const {
    HWND h = Item(id);
    if (h == nullptr) return {};
    int length = GetWindowTextLengthW(h);
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(h, buffer.data(), length + 1);
    return Narrow(buffer.data());
}

void Dialog::SetTitle(const std::string& text) { SetWindowTextW(hwnd_, Widen(text).c_str()); }

void Dialog::EnableItem(int id, bool enable) {
    HWND control = Item(id);
    // A disabled control loses the focus, and the keyboard would be left with nothing or
    // with whatever the dialog manager picks next, Exit included: hand it on first.
    if (!enable && control != nullptr && GetFocus() == control) {
        HWND next = control;
        for (int tries = 0; tries < 64; ++tries) {
            next = GetNextDlgTabItem(hwnd_, next, FALSE);
            if (next == nullptr || next == control) break;
            if (GetDlgCtrlID(next) != IDCANCEL) {
                FocusItem(next);
                break;
            }
        }
    }
    EnableWindow(control, enable ? TRUE : FALSE);
}

void Dialog::FocusItem(HWND control) {
    // WM_NEXTDLGCTL rather than SetFocus: the dialog manager moves the default-button look too.
    if (control != nullptr) SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

bool Dialog::FocusFirstUsable(std::initializer_list<int> ids) {
    for (int id : ids) {
        HWND control = Item(id);
        // The control's own visibility: the dialog may not be shown yet.
        const bool shown = control != nullptr && (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0;
        if (shown && IsWindowEnabled(control)) {
            FocusItem(control);
            return true;
        }
    }
    return false;
}

void Dialog::ShowItem(int id, bool show) { ShowWindow(Item(id), show ? SW_SHOW : SW_HIDE); }

void Dialog::EndDialog(INT_PTR result) { ::EndDialog(hwnd_, result); }

void Dialog::SetProgressRange(int low, int high) { ProgressBar(Item(progressId_)).SetRange(low, high); }

void Dialog::SetProgressPos(int pos) { ProgressBar(Item(progressId_)).SetPos(pos); }

void Dialog::RepaintNow() { RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW); }

void Dialog::AttachIconButton(int id) {
    auto button = std::make_unique<controls::IconButton>();
    if (button->Attach(hwnd_, id)) iconButtons_[id] = std::move(button);
}

void Dialog::DressIconButton(int id, int iconId) {
    if (!iconButtons_.count(id)) AttachIconButton(id);
    auto it = iconButtons_.find(id);
    if (it == iconButtons_.end()) return;
    controls::IconButton& button = *it->second;
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
    SendMessageW(button.Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    button.SetIcons(iconId, 32, 32, 0, 0, 0, 0, 0, 0);
    button.SetFlatLook(0, 1);
}

void Dialog::AppMessageBox(const std::string& text) {
    ui::CaptionedMessageBox(hwnd_, text, ApplicationTitle(), MB_OK | MB_ICONEXCLAMATION);
}

void Dialog::CaptionedMessageBox(const std::string& text, const std::string& caption) {
    // An empty caption lets the system write its own ("Error").
    if (caption.empty()) {
        MessageBoxW(hwnd_, Widen(text).c_str(), nullptr, MB_OK);
        return;
    }
    ui::CaptionedMessageBox(hwnd_, text, caption, MB_OK);
}

int CaptionedMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT flags) {
    return MessageBoxW(owner, Widen(text).c_str(), Widen(caption).c_str(), flags);
}

std::string LoadResourceString(int id) {
    const wchar_t* text = nullptr;
    // With a zero buffer size LoadStringW hands out a pointer into the resource itself.
    int length = LoadStringW(GetModuleHandleW(nullptr), static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || text == nullptr) return {};
    return Narrow(std::wstring(text, static_cast<size_t>(length)));
}

std::string ApplicationTitle() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path);
    size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos) name.erase(0, slash + 1);
    size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
    return Narrow(name);
}

}  // namespace prinstall::ui
