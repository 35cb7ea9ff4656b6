// The driver removal dialog's rules: it lists the local queues whose driver is a numbered
// label-printer driver, lets the operator tick them, and removes each ticked queue with its
// driver and the driver's numbered files, reporting every step in the dialog's status line and
// progress bar. When no label-printer queue is left, the uninstall entry and the port monitor
// go too (cleanup.h). Every failure and the final outcome are reported in the dialog's own
// result dialog, as an uninstallation.
//
// The window (delete_printer_dialog_win.h) only turns these into Win32 calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/app_context.h"
#include "core/feedback.h"
#include "core/texts.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "ui/dialog_view.h"
#include "uninstall/cleanup.h"

namespace prinstall {

// What the rules need from the dialog's window besides what every dialog offers.
class DeletePrinterView : public DialogView {
public:
    // The check list: entries in the order added, each with a two-state box.
    virtual void ListAdd(const std::string& text) = 0;
    virtual bool ListChecked(int index) = 0;
    virtual void ListSetChecked(int index, bool checked) = 0;

    // Runs the dialog's own result dialog for an uninstallation with this message and outcome
    // (0 success, 1 error); 1 when the operator pressed OK, 2 for Escape.
    virtual int ShowResult(const std::string& message, int outcome) = 0;
};

// The dialog is the removal's Feedback: its status line, progress bar and result dialog.
class DeletePrinterDialog : public Feedback {
public:
    // The dialog's results: Close or a confirmed final report, and everything else.
    static constexpr int kOk = kDialogOk;
    static constexpr int kCancel = kDialogCancel;

    DeletePrinterDialog(AppContext& app, Registry& registry, Files& files, DeletePrinterView& view)
        : app_(app), registry_(registry), files_(files), view_(view) {}

    // Message handlers. OnInitDialog returns true to let the dialog set the focus.
    bool OnInitDialog();
    // Control notification; true when handled.
    bool OnCommand(int id, int code);

    // Lists the label-printer queues (by queue name, in the spooler's order); their number,
    // or -2 when the queues cannot be listed (the list then stays as it was).
    int FillPrinterList();
    // The number of ticked entries; Delete printer is enabled exactly when there is one, or
    // when no queue is listed but leftovers wait for the cleanup.
    int CountCheckedPrinters();
    void OnSelectAll();
    // The removal run over the ticked entries, last entry first, then the cleanup when no
    // label-printer queue is left.
    void OnDeletePrinter();

    Language GetLanguage() const { return language_; }
    int ListedCount() const { return static_cast<int>(listed_.size()); }

    // Feedback
    void Progress(const std::optional<std::string>& status, int position, bool pause) override;
    void Message(const std::string& text, const std::string& caption) override {
        view_.CaptionedMessageBox(text, caption);
    }
    bool Result(const Outcome& outcome) override;

private:
    AppContext& app_;
    Registry& registry_;
    Files& files_;
    DeletePrinterView& view_;
    Language language_ = Language::English;
    std::vector<std::string> listed_;
    // No queue is listed, but what an earlier run left waits for Delete printer.
    bool cleanupPending_ = false;
};

}  // namespace prinstall
