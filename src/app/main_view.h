// What the main dialog's rules need from its window. The Win32 view implements it over the
// dialog's controls; tests implement it in memory.
#pragma once

#include <string>

namespace prinstall {

class MainView {
public:
    virtual ~MainView() = default;

    virtual void setTitle(const std::string& text) = 0;
    virtual void setItemText(int id, const std::string& text) = 0;
    virtual std::string itemText(int id) = 0;
    virtual void enableItem(int id, bool enable) = 0;
    virtual void showItem(int id, bool show) = 0;
    virtual bool isChecked(int id) = 0;

    virtual void setProgressRange(int low, int high) = 0;
    virtual void setProgressStep(int step) = 0;
    virtual void setProgressPos(int pos) = 0;
    // Invalidates the whole dialog without erasing and repaints it at once.
    virtual void repaintNow() = 0;

    // Resource string, empty when absent.
    virtual std::string loadString(int id) = 0;
    // Appends a separator and the item to the system menu.
    virtual void appendSystemMenuItem(int commandId, const std::string& text) = 0;
    // Large and small dialog icon from the main icon resource.
    virtual void setDialogIcon() = 0;
    // Gives a push button the dialog's font, its icon (32 x 32) and the standing look.
    virtual void dressIconButton(int id, int iconId) = 0;

    // Message box with OK, exclamation icon and the program's title, owned by the main window.
    virtual void appMessageBox(const std::string& text) = 0;
    // Message box with OK, no icon and the given caption, owned by the dialog.
    virtual void dialogMessageBox(const std::string& text, const std::string& caption) = 0;

    // Runs the result dialog that the main dialog owns, with this message, operation (0
    // installation, 1 uninstallation) and outcome (0 success, 1 error); returns 1 for OK, 2
    // for Escape.
    virtual int showResult(const std::string& message, int operation, int outcome) = 0;

    virtual void runAboutBox() = 0;
    // Runs the driver removal dialog modally over the main dialog; 1 when it ended with OK
    // (Close, or a final report confirmed with OK), 2 otherwise.
    virtual int runUninstall() = 0;
    virtual void endDialog(int result) = 0;

    // The clone list: a list box whose items carry a check state 0 (clear), 1 (checked) or
    // 2 (indeterminate).
    virtual void listReset() = 0;
    virtual void listAdd(const std::string& text) = 0;
    virtual int listCount() = 0;
    virtual int listCurrent() = 0;  // -1 when no item is current
    virtual int listCheck(int index) = 0;
    virtual void listSetCheck(int index, int state) = 0;
};

}  // namespace prinstall
