// One run of the program at a time. Every front end claims the same named mutex before it
// does anything else; a start that finds it held changes nothing, tells the operator, and
// ends with the code Windows uses for "another installation is already in progress".
//
// The claim must not be one that any local user can make first: the program runs elevated
// (and as SYSTEM under deployment tools), and a mutex with the default security could be
// created by anybody, turning every later run away for ever. So the claim is made where only
// Administrators can make it, and a name held by anyone else is not taken for a running
// program.
#pragma once

#include "core/texts.h"
#include "platform/debug_log.h"

namespace prinstall {

// Claimed as "Global\<name>" so that a run in any session of the machine counts, and as the
// bare name where a Global object cannot be created.
inline constexpr const char* kSingleRunMutexName = "TORVA EPL Printer Driver Installation Running";
// The name tried when the first is held by an account that is not an administrator.
inline constexpr const char* kSingleRunSecondMutexName = "TORVA EPL Printer Driver Installation Running (2)";
// The private namespace (Vista and later) that holds the mutex under its plain name. Its
// boundary is the Administrators group and its security admits only Administrators and
// SYSTEM: nobody else can create it, nor open it to create the mutex inside.
inline constexpr const char* kSingleRunNamespace = "TORVA EPL Printer Driver Installation";

inline constexpr Text kAlreadyRunning = {"The printer driver installation program is already running.",
                                         "프린터 드라이버 설치 프로그램이 이미 실행 중입니다."};

// The places a claim can be made, in the order they are tried.
enum class ClaimPlace {
    PrivateNamespace,  // the mutex in kSingleRunNamespace (Vista and later)
    GlobalName,        // "Global\" kSingleRunMutexName, made for Administrators and SYSTEM only
    GlobalSecondName,  // "Global\" kSingleRunSecondMutexName, the same
    SessionName,       // the bare first name, where no Global object can be made
};

// What a claim at one place found.
enum class ClaimAnswer {
    Created,               // made now by this run, and held until it ends
    HeldByAdministrators,  // there already, owned by Administrators or SYSTEM: another run
    HeldBySomeoneElse,     // there already, owned by any other account, or another kind of
                           // object of that name: a squat, not a running program
    Unavailable,           // cannot be made here (the system lacks it, or the call failed)
};

// The system's named objects, as the claim needs them.
class SingleRunObjects {
public:
    virtual ~SingleRunObjects() = default;
    virtual ClaimAnswer Claim(ClaimPlace place) = 0;
};

enum class SingleRun {
    Claimed,         // this run holds the claim
    AlreadyRunning,  // another run holds it: change nothing, end with 1618
    Unguarded,       // no place could be claimed: the run goes on without the guard
};

// Tries the places in order. The first one made or held by administrators decides. A place
// held by someone else is logged and passed over, so that nobody without administrator
// rights can stop the program from running: the next place still keeps two real runs apart.
// When no place is left the run goes on unguarded (and says so in the debug log) rather
// than not at all.
SingleRun ClaimSingleRun(SingleRunObjects& objects, DebugLog& debug);

}  // namespace prinstall
