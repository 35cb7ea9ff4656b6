// Our thin dialog layer over Win32: a modal dialog from a template, its controls reached by
// id, and the dialog's messages dispatched to virtual handlers. One static dialog procedure
// stores `this` at WM_INITDIALOG; WM_DRAWITEM is reflected to the control that owns the item
// (our owner-drawn controls paint themselves), WM_COMMAND from a control is offered to the
// control as well, then to OnCommand. Default OK and Cancel end the dialog. A dialog opens
// centred over its owner (placement.h). When the system colours, the theme or high contrast
// change, the dialog passes the news on to its controls and repaints itself and them.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <map>
#include <memory>
#include <string>

#include "controls/icon_button_win.h"
#include "ui/dialog_view.h"

namespace prinstall::ui {

class Dialog {
public:
    explicit Dialog(int templateId) : templateId_(templateId) {}
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    virtual ~Dialog() = default;

    // Runs the dialog modally; returns the result it ended with, or -1 when it could not be
    // created.
    INT_PTR RunModal(HWND owner);
    // Creates the dialog modeless (shown only when its template says visible); nullptr when
    // it could not be created. Destroy() ends it again.
    HWND CreateModeless(HWND owner);
    void Destroy();

    HWND Hwnd() const { return hwnd_; }
    HWND Item(int id) const { return GetDlgItem(hwnd_, id); }

    // What every dialog's rules ask of their window (DialogView), implemented once here.
    void SetItemText(int id, const std::string& text);
    std::string ItemText(int id) const;
    void SetTitle(const std::string& text);
    // Disabling the control that has the focus first hands the focus to the next tab stop
    // other than Cancel.
    void EnableItem(int id, bool enable);
    // Gives the focus to the control, as the Tab key would.
    void FocusItem(HWND control);
    // Focuses the first of these controls that is shown and enabled, if any; false when none
    // is. Usable in OnInit (return FALSE then), before the dialog itself is shown.
    bool FocusFirstUsable(std::initializer_list<int> ids);
    void ShowItem(int id, bool show);
    void EndDialog(INT_PTR result);
    void SetProgressRange(int low, int high);
    void SetProgressPos(int pos);
    void RepaintNow();
    void DressIconButton(int id, int iconId);
    void AppMessageBox(const std::string& text);
    void CaptionedMessageBox(const std::string& text, const std::string& caption);

    // The progress bar that SetProgressRange and SetProgressPos move.
    void SetProgressControl(int id) { progressId_ = id; }
    // Makes a push button one of our icon buttons (call in OnInit, before the rules run, so
    // that it has our look even before it gets its icon).
    void AttachIconButton(int id);

protected:
    virtual BOOL OnInit() { return TRUE; }
    // Control notification or menu/accelerator command; return true when handled.
    virtual bool OnCommand(int id, int code, HWND control);
    virtual bool OnSysCommand(WPARAM) { return false; }
    virtual bool OnPaint() { return false; }
    // WM_CTLCOLOR*: return a brush to use it, nullptr for the default.
    virtual HBRUSH OnCtlColor(HDC, HWND, UINT) { return nullptr; }
    // WM_DRAWITEM for items no control took; return true when drawn.
    // Any other message; set `result` and return true when handled.
    virtual bool OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
    // The system colours, the theme or high contrast changed: rebuild what was made from
    // them. The dialog repaints afterwards.
    virtual void OnColoursChanged() {}
    virtual void OnOk() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    HINSTANCE Instance() const;
    // Centres the dialog over its owner (visible and not minimised), else over the work area
    // of its monitor; the dialog layer does so before OnInit unless the template places the
    // dialog itself (DS_CENTER, or a position of its own).
    void CentreOverOwner();

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(UINT msg, WPARAM wParam, LPARAM lParam);
    bool TemplatePlacesItself() const;
    void PassOnColourChange(UINT msg, WPARAM wParam, LPARAM lParam);
    // A handler let an exception out: tell the operator and the debugger, end a modal dialog.
    void ReportBroken(const std::string& what) noexcept;

    int templateId_;
    HWND hwnd_ = nullptr;
    bool modal_ = false;
    bool broken_ = false;  // a handler threw: the dialog's handlers are not called any more
    int progressId_ = 0;
    std::map<int, std::unique_ptr<controls::IconButton>> iconButtons_;
};

// A dialog whose window is its rules' view: the DialogView part comes from Dialog; `View`
// adds the dialog's own requests, which the derived class implements.
template <class View>
class ViewDialog : public Dialog, public View {
public:
    using Dialog::Dialog;

    void SetTitle(const std::string& text) override { Dialog::SetTitle(text); }
    void SetItemText(int id, const std::string& text) override { Dialog::SetItemText(id, text); }
    std::string ItemText(int id) override { return Dialog::ItemText(id); }
    void EnableItem(int id, bool enable) override { Dialog::EnableItem(id, enable); }
    void ShowItem(int id, bool show) override { Dialog::ShowItem(id, show); }
    void SetProgressRange(int low, int high) override { Dialog::SetProgressRange(low, high); }
    void SetProgressPos(int pos) override { Dialog::SetProgressPos(pos); }
    void RepaintNow() override { Dialog::RepaintNow(); }
    void DressIconButton(int id, int iconId) override { Dialog::DressIconButton(id, iconId); }
    void AppMessageBox(const std::string& text) override { Dialog::AppMessageBox(text); }
    void CaptionedMessageBox(const std::string& text, const std::string& caption) override {
        Dialog::CaptionedMessageBox(text, caption);
    }
    void EndDialog(int result) override { Dialog::EndDialog(result); }
};

// Message boxes in UTF-8.
int CaptionedMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT flags);

// The program's title for its message boxes: the base name of its file ("Prinstall").
std::string ApplicationTitle();

// A resource string of the program, empty when absent.
std::string LoadResourceString(int id);

}  // namespace prinstall::ui
