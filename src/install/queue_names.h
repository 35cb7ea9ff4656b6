// The names of label-printer queues: whether one is taken, and whether the spooler can hold one.
#pragma once

#include <optional>
#include <string>

#include "core/texts.h"
#include "platform/spooler.h"

namespace prinstall {

inline constexpr Text kEnumFailed = {"EnumPrinters function failed.", "EnumPrinters function 에러입니다."};

// -1 when a local queue has this name (letter case aside, as the spooler compares them), 0
// when none has, -2 when the queues cannot be listed.
int PrinterNameExists(Spooler& spooler, const std::string& name);

// The message refusing a queue name the spooler cannot hold; nothing for a good name.
std::optional<Text> QueueNameRefusal(const std::string& name);

}  // namespace prinstall
