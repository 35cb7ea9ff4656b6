#include "core/guarded_run.h"

#include <exception>

namespace prinstall {

std::string CurrentExceptionText() {
    const std::exception_ptr current = std::current_exception();
    if (!current) return "unknown exception";
    try {
        std::rethrow_exception(current);
    } catch (const std::exception& e) {
        const char* what = e.what();
        return what != nullptr && *what != '\0' ? what : "unknown exception";
    } catch (...) {
        return "unknown exception";
    }
}

Outcome RunGuarded(const std::function<Outcome()>& run, const Text& stopped, Language language, DebugLog& debug) {
    try {
        return run();
    } catch (...) {
        const std::string text = Format(stopped.In(language), CurrentExceptionText().c_str());
        // The log must not be what ends the program now.
        try {
            debug.Output(text);
        } catch (...) {
        }
        return Outcome::Failure(text);
    }
}

}  // namespace prinstall
