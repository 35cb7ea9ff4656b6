// In-memory windows of the port and IP address dialogs: they keep what the rules put into
// them, and the port list sorts its entries as a sorted drop-down list does.
#pragma once

#include <algorithm>
#include <cctype>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "fakes/fake_dialog_view.h"
#include "ports/ip_address_dialog.h"
#include "ports/port_info_dialog.h"
#include "resource.h"

namespace prinstall::fakes {

class FakeIpAddressView : public FakeDialogView<IpAddressView> {
public:
    FakeIpAddressView() { title = "Printer IP Address"; }

    std::optional<std::uint32_t> shown;  // what the address control was given
    AddressFields typed{};               // what the operator left in the four fields

    void SetAddress(std::uint32_t address) override { shown = address; }
    AddressFields Address() override { return typed; }
    // The texts of the message boxes shown.
    std::vector<std::string> MessageTexts() const {
        std::vector<std::string> out;
        for (const Message& m : messages) out.push_back(m.text);
        return out;
    }
};

class FakePortDialogView : public FakeDialogView<PortDialogView> {
public:
    FakePortDialogView() { title = "Select Printer's Port Infomation Dialog"; }

    int checkedRadio = 0;
    std::vector<int> radioChecks;  // every radio button checked, in order
    std::map<int, std::vector<std::string>> lists;
    std::map<int, int> selections;
    std::vector<int> pictures;  // bitmap ids shown, in order

    // The operator in the IP address dialog: each run takes the next answer; none left
    // means Escape. An answer with fields types them and presses OK.
    IpAddressDialog* ipRules = nullptr;
    std::deque<std::optional<AddressFields>> ipAnswers;
    std::vector<std::uint32_t> ipOffered;  // the address each run showed
    std::vector<std::string> ipMessages;

    void CheckRadio(int id) override {
        checkedRadio = id;
        radioChecks.push_back(id);
    }
    void ListReset(int id) override {
        lists[id].clear();
        selections[id] = -1;
    }
    void ListAdd(int id, const std::string& text) override {
        auto& entries = lists[id];
        if (id != IDC_PORT_LIST) {
            entries.push_back(text);
            return;
        }
        // A sorted list places the entry before the first that compares greater,
        // letters compared without regard to case.
        auto lower = [](std::string s) {
            for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            return s;
        };
        auto at =
            std::find_if(entries.begin(), entries.end(), [&](const std::string& e) { return lower(e) > lower(text); });
        entries.insert(at, text);
    }
    void ListSelect(int id, int index) override { selections[id] = index >= 0 && index < ListCount(id) ? index : -1; }
    int ListSelection(int id) override { return selections.count(id) ? selections[id] : -1; }
    int ListCount(int id) { return static_cast<int>(lists[id].size()); }
    std::string ListEntry(int id, int index) override {
        return index >= 0 && index < ListCount(id) ? lists[id][static_cast<size_t>(index)] : std::string();
    }
    void ShowPicture(int bitmapId) override { pictures.push_back(bitmapId); }
    int RunIpAddressDialog() override {
        FakeIpAddressView ip;
        ipRules->OnInitDialog(ip);
        ipOffered.push_back(ip.shown.value_or(0));
        std::optional<AddressFields> answer;
        if (!ipAnswers.empty()) {
            answer = ipAnswers.front();
            ipAnswers.pop_front();
        }
        if (!answer) return kDialogCancel;  // Escape: the rules are not asked
        ip.typed = *answer;
        ipRules->OnOk(ip);
        for (const std::string& text : ip.MessageTexts()) ipMessages.push_back(text);
        return ip.endedWith != 0 ? ip.endedWith : -1;
    }

    // The operator picks entry `index` of a list.
    void Pick(int id, int index) { selections[id] = index; }
};

}  // namespace prinstall::fakes
