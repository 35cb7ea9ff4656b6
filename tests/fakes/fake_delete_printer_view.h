// The driver removal dialog's window in memory: what every dialog has (fake_dialog_view.h),
// with the status line's history, and its check list and result dialogs. Result dialogs end
// as `answers` says, one answer each (OK once the answers run out).
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "fakes/fake_dialog_view.h"
#include "resource.h"
#include "uninstall/delete_printer_dialog.h"

namespace prinstall::fakes {

class FakeDeletePrinterView : public FakeDialogView<DeletePrinterView> {
public:
    struct Result {
        std::string message;
        int outcome;
        bool operator==(const Result&) const = default;
    };

    FakeDeletePrinterView() {
        title = "Delete printer driver Dialog";
        statusId = IDC_STATUS;
    }

    std::vector<std::pair<std::string, bool>> list;
    std::vector<Result> results;
    std::vector<int> answers;        // how each result dialog ends; OK when none is left
    std::function<void()> onResult;  // runs when a result dialog comes up

    void ListAdd(const std::string& text) override { list.emplace_back(text, false); }
    bool ListChecked(int index) override { return list.at(static_cast<size_t>(index)).second; }
    void ListSetChecked(int index, bool checked) override { list.at(static_cast<size_t>(index)).second = checked; }
    int ShowResult(const std::string& message, int outcome) override {
        results.push_back({message, outcome});
        if (onResult) onResult();
        if (answers.empty()) return 1;
        int answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
};

}  // namespace prinstall::fakes
