// How a command talks to the operator and how it ends. The dialogs implement Feedback by
// showing (status line, message boxes, the result dialog); the command line by printing and
// logging. Commands return one Outcome instead of bare codes and side-channel texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace prinstall {

enum class OutcomeKind {
    Success,
    Failure,      // something failed; what was done before it stays
    Unsupported,  // this Windows cannot take the driver
    Forbidden,    // a policy of this Windows forbids the driver; nothing was changed
};

struct Outcome {
    OutcomeKind kind = OutcomeKind::Success;
    std::string text;              // what the operator is told
    std::uint32_t error = 0;       // the system error code of the failed call, 0 when none
    bool shown = false;            // the operator was told already (by the step that failed)
    bool restartRequired = false;  // files of ours go only at the next restart of Windows

    static Outcome Success(std::string text) { return {OutcomeKind::Success, std::move(text), 0, false}; }
    static Outcome Failure(std::string text, std::uint32_t error = 0) {
        return {OutcomeKind::Failure, std::move(text), error, false};
    }
    bool Ok() const { return kind == OutcomeKind::Success; }
};

class Feedback {
public:
    virtual ~Feedback() = default;

    // The status line (nothing: it keeps its text) and the progress, 0 to 100. `pause` asks
    // for half a second for the operator's eyes; a front end that shows nothing skips it.
    virtual void Progress(const std::optional<std::string>& status, int position, bool pause) = 0;
    // A message the operator must have seen before the run goes on; an empty caption is the
    // program's own (with an exclamation mark).
    virtual void Message(const std::string& text, const std::string& caption) = 0;
    // Reports an outcome; true when the operator confirmed it with OK (a front end without
    // an operator confirms).
    virtual bool Result(const Outcome& outcome) = 0;
};

}  // namespace prinstall
