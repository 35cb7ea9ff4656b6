// The Uninstallation button of the main dialog: the removal dialog runs modally, and when it
// ends with OK the Driver Name field and the button follow the label-printer queues left.
#include "app/label_drivers.h"
#include "app/main_dialog.h"
#include "resource.h"

namespace prinstall {

void MainDialog::OnUninstall() {
    constexpr int kOk = 1;
    if (view_.runUninstall() != kOk) return;  // Escape, nothing installed, a stopped run
    labelDriverCount_ = CountLabelDrivers();
    // After a failed recount the number of the last scan is still the best proposal.
    view_.setItemText(IDC_DRIVER_NAME, labelDriverCount_ == -2
                                           ? format("%s %d", kModelName, app_.state.driverNumber)
                                           : ProposedQueueName(labelDriverCount_, app_.state.driverNumber));
    // Only a recount that found none, with nothing else left to remove, hides it; a failed
    // recount (-2) leaves it as it is.
    if (labelDriverCount_ == 0 && !HasLeftovers()) view_.showItem(IDC_UNINSTALL, false);
}

}  // namespace prinstall
