#include "core/single_instance.h"

namespace prinstall {
namespace {

const char* PlaceName(ClaimPlace place) {
    switch (place) {
        case ClaimPlace::PrivateNamespace: return "the private namespace";
        case ClaimPlace::GlobalName: return "the Global mutex";
        case ClaimPlace::GlobalSecondName: return "the second Global mutex";
        case ClaimPlace::SessionName: return "the session's mutex";
    }
    return "";
}

}  // namespace

SingleRun ClaimSingleRun(SingleRunObjects& objects, DebugLog& debug) {
    for (ClaimPlace place : {ClaimPlace::PrivateNamespace, ClaimPlace::GlobalName, ClaimPlace::GlobalSecondName,
                             ClaimPlace::SessionName}) {
        switch (objects.Claim(place)) {
            case ClaimAnswer::Created: return SingleRun::Claimed;
            case ClaimAnswer::HeldByAdministrators: return SingleRun::AlreadyRunning;
            case ClaimAnswer::HeldBySomeoneElse:
                debug.Output(Format("Single run: %s is held by an account that is not an administrator; passed over",
                                    PlaceName(place)));
                break;
            case ClaimAnswer::Unavailable: break;
        }
    }
    debug.Output("Single run: no place could be claimed; this run goes on without the guard");
    return SingleRun::Unguarded;
}

}  // namespace prinstall
