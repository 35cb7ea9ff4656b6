// The main dialog's window in memory: what every dialog has (fake_dialog_view.h), and its
// own check box states, system menu, icon, clone list, result dialog and removal dialog.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/main_view.h"
#include "fakes/fake_dialog_view.h"

namespace prinstall::fakes {

class FakeMainView : public FakeDialogView<MainView> {
public:
    struct ListItem {
        std::string text;
        int check = 0;
    };
    struct Result {
        std::string message;
        int operation = 0;
        int outcome = 0;
        bool operator==(const Result&) const = default;
    };

    FakeMainView() { title = "TORVA EPL Printer Driver Installation / Uninstallation Program"; }

    std::set<int> checked;
    int progressStep = -1;
    std::map<int, std::string> strings = {{101, "Instaloo Information(&A)..."}};
    std::vector<std::pair<int, std::string>> systemMenu;
    bool iconSet = false;
    int aboutBoxes = 0;
    int uninstallRuns = 0;
    int uninstallAnswer = 1;            // how the removal dialog ends: 1 OK, 2 otherwise
    std::function<void()> onUninstall;  // what the removal does meanwhile
    std::vector<Result> results;        // every result dialog shown
    int resultAnswer = 1;               // how the result dialog ends: 1 OK, 2 Escape
    std::vector<ListItem> list;
    int currentItem = -1;
    // Called whenever a control's text is set, as an edit control's change notification would.
    std::function<void(int)> onTextChanged;

    bool IsChecked(int id) override { return checked.count(id) != 0; }
    void SetProgressStep(int step) override { progressStep = step; }
    std::string LoadResourceString(int id) override { return strings.count(id) ? strings[id] : std::string(); }
    void AppendSystemMenuItem(int commandId, const std::string& text) override {
        systemMenu.emplace_back(commandId, text);
    }
    void SetDialogIcon() override { iconSet = true; }
    int ShowResult(const std::string& message, int operation, int outcome) override {
        results.push_back({message, operation, outcome});
        return resultAnswer;
    }
    void RunAboutBox() override { ++aboutBoxes; }
    int RunUninstall() override {
        ++uninstallRuns;
        if (onUninstall) onUninstall();
        return uninstallAnswer;
    }
    void ListReset() override {
        list.clear();
        currentItem = -1;
    }
    void ListAdd(const std::string& text) override { list.push_back({text, 0}); }
    int ListCount() override { return static_cast<int>(list.size()); }
    int ListCurrent() override { return currentItem; }
    int ListCheck(int index) override {
        return index >= 0 && index < ListCount() ? list[static_cast<size_t>(index)].check : 0;
    }
    void ListSetCheck(int index, int state) override {
        if (index >= 0 && index < ListCount()) list[static_cast<size_t>(index)].check = state;
    }

protected:
    void Changed(int id) override {
        if (onTextChanged) onTextChanged(id);
    }
};

}  // namespace prinstall::fakes
