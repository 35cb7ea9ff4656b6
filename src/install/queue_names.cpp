#include "install/queue_names.h"

#include "core/label_drivers.h"
#include "core/ownership.h"

namespace prinstall {
namespace {

const Text kNameEmpty = {"Enter a name for the printer.", "프린터 이름을 입력하십시오."};
const Text kNameForbiddenCharacter = {
    "A printer name cannot contain \\ or ,. Change the name and try again.",
    "프린터 이름에는 \\ 또는 , 문자를 쓸 수 없습니다. 이름을 바꾸어 다시 시도하십시오."};
const Text kNameTooLong = {"The printer name is too long (at most 220 characters). Shorten it and try again.",
                           "프린터 이름이 너무 깁니다(최대 220자). 이름을 줄여 다시 시도하십시오."};

}  // namespace

int PrinterNameExists(Spooler& spooler, const std::string& name) {
    std::vector<PrinterInfo2> queues;
    if (spooler.ListLocalPrinters(queues) != 0) return -2;
    for (const PrinterInfo2& q : queues) {
        if (SameQueueName(spooler, q.printerName, name)) return -1;
    }
    return 0;
}

std::optional<Text> QueueNameRefusal(const std::string& name) {
    switch (CheckQueueName(name)) {
        case QueueNameFault::Empty: return kNameEmpty;
        case QueueNameFault::ForbiddenCharacter: return kNameForbiddenCharacter;
        case QueueNameFault::TooLong: return kNameTooLong;
        case QueueNameFault::None: break;
    }
    return std::nullopt;
}

}  // namespace prinstall
