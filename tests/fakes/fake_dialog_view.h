// Any dialog's window in memory: control texts (with the status line's history), enabled and
// visible states, the progress bar, dressed buttons, every message box, and how it ended.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "ui/dialog_view.h"

namespace prinstall::fakes {

template <class View = DialogView>
class FakeDialogView : public View {
public:
    struct Message {
        std::string text;
        std::string caption;  // empty for the program's own message box
        bool operator==(const Message&) const = default;
    };

    std::string title;
    std::map<int, std::string> texts;
    int statusId = -1;  // the control whose every text goes to `statuses`
    std::vector<std::string> statuses;
    std::set<int> disabled;
    std::set<int> hidden;
    std::map<int, int> dressed;  // control id -> icon id
    int progressLow = -1, progressHigh = -1;
    std::vector<int> positions;  // every position the progress bar was moved to
    int repaints = 0;
    std::vector<Message> messages;
    int endedWith = 0;  // 0 while the dialog runs; the first end counts

    void SetTitle(const std::string& text) override { title = text; }
    void SetItemText(int id, const std::string& text) override {
        texts[id] = text;
        if (id == statusId) statuses.push_back(text);
        Changed(id);
    }
    std::string ItemText(int id) override { return texts[id]; }
    void EnableItem(int id, bool enable) override {
        if (enable)
            disabled.erase(id);
        else
            disabled.insert(id);
    }
    void ShowItem(int id, bool show) override {
        if (show)
            hidden.erase(id);
        else
            hidden.insert(id);
    }
    void SetProgressRange(int low, int high) override { progressLow = low, progressHigh = high; }
    void SetProgressPos(int pos) override { positions.push_back(pos); }
    void RepaintNow() override { ++repaints; }
    void DressIconButton(int id, int iconId) override { dressed[id] = iconId; }
    void AppMessageBox(const std::string& text) override { messages.push_back({text, ""}); }
    void CaptionedMessageBox(const std::string& text, const std::string& caption) override {
        messages.push_back({text, caption});
    }
    void EndDialog(int result) override {
        if (endedWith == 0) endedWith = result;
    }

    bool Enabled(int id) const { return disabled.count(id) == 0; }
    bool Visible(int id) const { return hidden.count(id) == 0; }
    int ProgressPos() const { return positions.empty() ? -1 : positions.back(); }

protected:
    // A control's text was set, as an edit control's change notification would say.
    virtual void Changed(int) {}
};

}  // namespace prinstall::fakes
