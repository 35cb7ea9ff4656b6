// The driver removal dialog's window in memory: control texts, enabled states, the progress
// bar's positions, the check list, every message box and result dialog shown. Result dialogs
// end as `answers` says, one answer each (OK once the answers run out).
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "resource.h"
#include "uninstall/delete_printer_dialog.h"

namespace prinstall::fakes {

class FakeDeletePrinterView : public DeletePrinterView {
public:
    struct Message {
        std::string text;
        std::string caption;  // empty for the program's own message box
        bool operator==(const Message&) const = default;
    };
    struct Result {
        std::string message;
        int outcome;
        bool operator==(const Result&) const = default;
    };

    std::string title = "Delete printer driver Dialog";
    std::map<int, std::string> texts;
    std::set<int> disabled;
    std::map<int, int> dressed;
    std::vector<int> positions;  // every position the bar was moved to
    std::vector<std::string> statuses;
    std::vector<std::pair<std::string, bool>> list;
    std::vector<Message> messages;
    std::vector<Result> results;
    std::vector<int> answers;               // how each result dialog ends; OK when none is left
    std::function<void()> onResult;         // runs when a result dialog comes up
    int endedWith = 0;

    void setTitle(const std::string& text) override { title = text; }
    void setItemText(int id, const std::string& text) override {
        texts[id] = text;
        if (id == IDC_STATUS) statuses.push_back(text);
    }
    void enableItem(int id, bool enable) override {
        if (enable) disabled.erase(id);
        else disabled.insert(id);
    }
    void setProgressRange(int low, int high) override { texts[IDC_PROGRESS] = std::to_string(low) + "-" + std::to_string(high); }
    void setProgressPos(int pos) override { positions.push_back(pos); }
    void repaintNow() override {}
    void dressIconButton(int id, int iconId) override { dressed[id] = iconId; }
    void listAdd(const std::string& text) override { list.emplace_back(text, false); }
    bool listChecked(int index) override { return list.at(static_cast<size_t>(index)).second; }
    void listSetChecked(int index, bool checked) override { list.at(static_cast<size_t>(index)).second = checked; }
    void appMessageBox(const std::string& text) override { messages.push_back({text, ""}); }
    void messageBox(const std::string& text, const std::string& caption) override { messages.push_back({text, caption}); }
    int showResult(const std::string& message, int outcome) override {
        results.push_back({message, outcome});
        if (onResult) onResult();
        if (answers.empty()) return 1;
        int answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    void endDialog(int result) override {
        if (endedWith == 0) endedWith = result;
    }

    bool enabled(int id) const { return disabled.count(id) == 0; }
};

}  // namespace prinstall::fakes
