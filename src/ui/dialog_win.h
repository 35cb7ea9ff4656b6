// Our thin dialog layer over Win32: a modal dialog from a template, its controls reached by
// id, and the dialog's messages dispatched to virtual handlers. One static dialog procedure
// stores `this` at WM_INITDIALOG; WM_DRAWITEM is reflected to the control that owns the item
// (our owner-drawn controls paint themselves), WM_COMMAND from a control is offered to the
// control as well, then to OnCommand. Default OK and Cancel end the dialog. A dialog opens
// centred over its owner (placement.h).
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
    INT_PTR runModal(HWND owner);
    // Creates the dialog modeless (shown only when its template says visible); nullptr when
    // it could not be created. destroy() ends it again.
    HWND createModeless(HWND owner);
    void destroy();

    HWND hwnd() const { return hwnd_; }
    HWND item(int id) const { return GetDlgItem(hwnd_, id); }

    // What every dialog's rules ask of their window (DialogView), implemented once here.
    void setItemText(int id, const std::string& text);
    std::string itemText(int id) const;
    void setTitle(const std::string& text);
    // Disabling the control that has the focus first hands the focus to the next tab stop
    // other than Cancel.
    void enableItem(int id, bool enable);
    // Gives the focus to the control, as the Tab key would.
    void focusItem(HWND control);
    // Focuses the first of these controls that is visible and enabled, if any.
    void focusFirstUsable(std::initializer_list<int> ids);
    void showItem(int id, bool show);
    void endDialog(INT_PTR result);
    void setProgressRange(int low, int high);
    void setProgressPos(int pos);
    void repaintNow();
    void dressIconButton(int id, int iconId);
    void appMessageBox(const std::string& text);
    void messageBox(const std::string& text, const std::string& caption);

    // The progress bar that setProgressRange and setProgressPos move.
    void setProgressControl(int id) { progressId_ = id; }
    // Makes a push button one of our icon buttons (call in OnInit, before the rules run, so
    // that it has our look even before it gets its icon).
    void attachIconButton(int id);

protected:
    virtual BOOL OnInit() { return TRUE; }
    // Control notification or menu/accelerator command; return true when handled.
    virtual bool OnCommand(int id, int code, HWND control);
    virtual bool OnSysCommand(WPARAM) { return false; }
    virtual bool OnPaint() { return false; }
    // WM_CTLCOLOR*: return a brush to use it, nullptr for the default.
    virtual HBRUSH OnCtlColor(HDC, HWND, UINT) { return nullptr; }
    // WM_DRAWITEM for items no control took; return true when drawn.
    virtual bool OnDrawItem(int, DRAWITEMSTRUCT*) { return false; }
    // Any other message; set `result` and return true when handled.
    virtual bool OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
    virtual void OnOk() { endDialog(IDOK); }
    virtual void OnCancel() { endDialog(IDCANCEL); }

    HINSTANCE instance() const;
    // Centres the dialog over its owner (visible and not minimised), else over the work area
    // of its monitor; the dialog layer does so before OnInit unless the template places the
    // dialog itself (DS_CENTER, or a position of its own).
    void centreOverOwner();

private:
    static INT_PTR CALLBACK dialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR handle(UINT msg, WPARAM wParam, LPARAM lParam);
    bool templatePlacesItself() const;

    int templateId_;
    HWND hwnd_ = nullptr;
    int progressId_ = 0;
    std::map<int, std::unique_ptr<controls::IconButton>> iconButtons_;
};

// A dialog whose window is its rules' view: the DialogView part comes from Dialog; `View`
// adds the dialog's own requests, which the derived class implements.
template <class View>
class ViewDialog : public Dialog, public View {
public:
    using Dialog::Dialog;

    void setTitle(const std::string& text) override { Dialog::setTitle(text); }
    void setItemText(int id, const std::string& text) override { Dialog::setItemText(id, text); }
    std::string itemText(int id) override { return Dialog::itemText(id); }
    void enableItem(int id, bool enable) override { Dialog::enableItem(id, enable); }
    void showItem(int id, bool show) override { Dialog::showItem(id, show); }
    void setProgressRange(int low, int high) override { Dialog::setProgressRange(low, high); }
    void setProgressPos(int pos) override { Dialog::setProgressPos(pos); }
    void repaintNow() override { Dialog::repaintNow(); }
    void dressIconButton(int id, int iconId) override { Dialog::dressIconButton(id, iconId); }
    void appMessageBox(const std::string& text) override { Dialog::appMessageBox(text); }
    void messageBox(const std::string& text, const std::string& caption) override { Dialog::messageBox(text, caption); }
    void endDialog(int result) override { Dialog::endDialog(result); }
};

// Message boxes in UTF-8.
int messageBox(HWND owner, const std::string& text, const std::string& caption, UINT flags);

// The program's title for its message boxes: the base name of its file ("Prinstall").
std::string ApplicationTitle();

// A resource string of the program, empty when absent.
std::string loadString(int id);

}  // namespace prinstall::ui
