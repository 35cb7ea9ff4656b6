// The main dialog's window in memory: control texts, enabled and visible states, the clone
// list and every message box shown.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/main_view.h"

namespace prinstall::fakes {

class FakeMainView : public MainView {
public:
    struct Message {
        std::string text;
        std::string caption;  // empty for the program's own message box
        bool operator==(const Message&) const = default;
    };
    struct ListItem {
        std::string text;
        int check = 0;
    };

    std::string title = "TORVA EPL Printer Driver Installation / Uninstallation Program";
    std::map<int, std::string> texts;
    std::set<int> disabled;
    std::set<int> hidden;
    std::set<int> checked;
    std::map<int, int> dressedIcons;  // control id -> icon id
    int progressLow = -1, progressHigh = -1, progressStep = -1, progressPos = -1;
    int repaints = 0;
    std::map<int, std::string> strings = {{101, "Instaloo Information(&A)..."}};
    std::vector<std::pair<int, std::string>> systemMenu;
    bool iconSet = false;
    std::vector<Message> messages;
    int aboutBoxes = 0;
    int uninstallRuns = 0;
    int uninstallAnswer = 1;            // how the removal dialog ends: 1 OK, 2 otherwise
    std::function<void()> onUninstall;  // what the removal does meanwhile
    struct Result {
        std::string message;
        int operation = 0;
        int outcome = 0;
        bool operator==(const Result&) const = default;
    };
    std::vector<Result> results;  // every result dialog shown
    int resultAnswer = 1;         // how the result dialog ends: 1 OK, 2 Escape
    int endedWith = 0;  // 0 while the dialog runs
    std::vector<ListItem> list;
    int currentItem = -1;
    // Called whenever a control's text is set, as an edit control's change notification would.
    std::function<void(int)> onTextChanged;

    void setTitle(const std::string& text) override { title = text; }
    void setItemText(int id, const std::string& text) override {
        texts[id] = text;
        if (onTextChanged) onTextChanged(id);
    }
    std::string itemText(int id) override { return texts[id]; }
    void enableItem(int id, bool enable) override {
        if (enable) disabled.erase(id);
        else disabled.insert(id);
    }
    void showItem(int id, bool show) override {
        if (show) hidden.erase(id);
        else hidden.insert(id);
    }
    bool isChecked(int id) override { return checked.count(id) != 0; }
    void setProgressRange(int low, int high) override { progressLow = low, progressHigh = high; }
    void setProgressStep(int step) override { progressStep = step; }
    void setProgressPos(int pos) override { progressPos = pos; }
    void repaintNow() override { ++repaints; }
    std::string loadString(int id) override { return strings.count(id) ? strings[id] : std::string(); }
    void appendSystemMenuItem(int commandId, const std::string& text) override { systemMenu.emplace_back(commandId, text); }
    void setDialogIcon() override { iconSet = true; }
    void dressIconButton(int id, int iconId) override { dressedIcons[id] = iconId; }
    void appMessageBox(const std::string& text) override { messages.push_back({text, ""}); }
    void dialogMessageBox(const std::string& text, const std::string& caption) override {
        messages.push_back({text, caption});
    }
    int showResult(const std::string& message, int operation, int outcome) override {
        results.push_back({message, operation, outcome});
        return resultAnswer;
    }
    void runAboutBox() override { ++aboutBoxes; }
    int runUninstall() override {
        ++uninstallRuns;
        if (onUninstall) onUninstall();
        return uninstallAnswer;
    }
    void endDialog(int result) override { endedWith = result; }
    void listReset() override {
        list.clear();
        currentItem = -1;
    }
    void listAdd(const std::string& text) override { list.push_back({text, 0}); }
    int listCount() override { return static_cast<int>(list.size()); }
    int listCurrent() override { return currentItem; }
    int listCheck(int index) override {
        return index >= 0 && index < listCount() ? list[static_cast<size_t>(index)].check : 0;
    }
    void listSetCheck(int index, int state) override {
        if (index >= 0 && index < listCount()) list[static_cast<size_t>(index)].check = state;
    }

    bool enabled(int id) const { return disabled.count(id) == 0; }
    bool visible(int id) const { return hidden.count(id) == 0; }
};

}  // namespace prinstall::fakes
