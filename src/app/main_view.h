// What the main dialog's rules need from its window besides what every dialog offers. The
// Win32 view implements it over the dialog's controls; tests implement it in memory.
#pragma once

#include <string>

#include "ui/dialog_view.h"

namespace prinstall {

class MainView : public DialogView {
public:
    virtual bool IsChecked(int id) = 0;
    virtual void SetProgressStep(int step) = 0;

    // Resource string, empty when absent.
    virtual std::string LoadResourceString(int id) = 0;
    // Appends a separator and the item to the system menu.
    virtual void AppendSystemMenuItem(int commandId, const std::string& text) = 0;
    // Large and small dialog icon from the main icon resource.
    virtual void SetDialogIcon() = 0;

    // Runs the result dialog that the main dialog owns, with this message, operation (0
    // installation, 1 uninstallation) and outcome (0 success, 1 error); returns 1 for OK, 2
    // for Escape.
    virtual int ShowResult(const std::string& message, int operation, int outcome) = 0;

    virtual void RunAboutBox() = 0;
    // Runs the driver removal dialog modally over the main dialog; 1 when it ended with OK
    // (Close, or a final report confirmed with OK), 2 otherwise.
    virtual int RunUninstall() = 0;

    // The clone list: a list box whose items carry a check state 0 (clear), 1 (checked) or
    // 2 (indeterminate).
    virtual void ListReset() = 0;
    virtual void ListAdd(const std::string& text) = 0;
    virtual int ListCount() = 0;
    virtual int ListCurrent() = 0;  // -1 when no item is current
    virtual int ListCheck(int index) = 0;
    virtual void ListSetCheck(int index, int state) = 0;
};

}  // namespace prinstall
