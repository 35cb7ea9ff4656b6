// The media check that an installation runs before its first change and /check runs alone.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/app_context.h"
#include "core/feedback.h"
#include "core/texts.h"
#include "install/gpd_features.h"

namespace prinstall {

// The installation media a run (or a check before it) takes files from, once the port dialog
// has said which processor family and whether the label port monitor is wanted, and once the
// folder is restricted to administrators: present, and as the release shipped them. Settles
// `defaults` against the template, spelling them as it does; with `defaultsRecorded` (those a
// record kept) one the template no longer has is left out and said through `note`, not a
// refusal. A development build says once (`unverifiedSaid`) that it checked no media. Nothing
// when the run can go on.
std::optional<Outcome> MediaRefusal(AppContext& app, Language language, std::vector<GpdDefault>& defaults,
                                    bool defaultsRecorded, const std::function<void(const std::string&)>& note,
                                    bool& unverifiedSaid);

}  // namespace prinstall
