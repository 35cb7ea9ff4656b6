// The features of a printer description (GPD) and their options, as the operator names them
// for a queue's printing defaults: `*Feature: Name` followed by a block `{ ... }` that holds
// `*Option: X { ... }` blocks and at most one `*DefaultOption: X`. The outline is read line
// by line (braces on the same line or the next, several entries on one line, `*%` comments,
// quoted strings and the `%d{...}` parameters of command strings), so that the clone files'
// rewrite and the listing of features see the same structure.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace prinstall {

struct GpdFeature {
    std::string name;
    std::vector<std::string> options;  // in the order of the text
};

// The default option the operator wants for a feature.
struct GpdDefault {
    std::string feature;
    std::string option;
};

// Follows the blocks of a GPD text one line at a time and tells a listener where a feature's
// block opens and closes, its options and its *DefaultOption entry, by positions in the line.
class GpdOutline {
public:
    class Listener {
    public:
        virtual ~Listener() = default;
        // The block of the feature opens; `afterBrace` is the position just after its "{".
        virtual void FeatureOpened(const std::string& feature, std::size_t afterBrace) = 0;
        // The block of the feature closes at the "}" at `brace`.
        virtual void FeatureClosed(const std::string& feature, std::size_t brace) = 0;
        virtual void Option(const std::string& feature, std::string_view option) = 0;
        // The value of the feature's *DefaultOption entry spans [begin, end) of the line.
        virtual void DefaultOption(const std::string& feature, std::size_t begin, std::size_t end) = 0;
    };

    // One line, without its line end.
    void Scan(std::string_view line, Listener& listener);

private:
    struct Block {
        bool feature = false;
        std::string name;  // the feature's
    };
    std::vector<Block> open_;   // innermost last
    bool featureNext_ = false;  // the next "{" opens the block of `pendingName_`
    std::string pendingName_;
};

// The features of a template and their options; a feature given in several blocks is one
// feature with the options of all of them. Nothing when the text cannot be read.
std::optional<std::vector<GpdFeature>> ReadGpdFeatures(InputFile& in);

// Checks the defaults against the template's features, feature and option names compared
// without regard to letter case, and spells each as the template does. The refusal names
// what the template offers: its features, or the options of the feature named.
std::optional<std::string> SettleGpdDefaults(const std::vector<GpdFeature>& features,
                                             std::vector<GpdDefault>& defaults);

// Calls `line` for each line of the text, without its line end (LF or CR LF; a lone CR is
// text), the last one too when it has text but no line end. False from `line` stops the
// reading. -1 on a read error, -2 when `line` stopped it, 0 otherwise.
template <class OnLine>
int ForEachGpdLine(InputFile& in, OnLine line);

// Whether two names are the same regardless of letter case (ASCII, as GPD symbol names are).
bool SameGpdName(std::string_view a, std::string_view b);

template <class OnLine>
int ForEachGpdLine(InputFile& in, OnLine onLine) {
    std::vector<char> block(64 * 1024);
    std::string line;
    bool lineHasText = false;
    bool pendingCr = false;  // a CR was read and may turn out to be part of a CR LF line end
    for (;;) {
        const long got = in.Read(block.data(), block.size());
        if (got < 0) return -1;
        if (got == 0) break;
        for (long i = 0; i < got; ++i) {
            const char c = block[static_cast<std::size_t>(i)];
            if (pendingCr) {
                pendingCr = false;
                if (c == '\n') {
                    if (!onLine(line)) return -2;
                    line.clear();
                    lineHasText = false;
                    continue;
                }
                line += '\r';  // a lone CR is text
            }
            if (c == '\r') {
                pendingCr = true;
                lineHasText = true;
            } else if (c == '\n') {
                if (!onLine(line)) return -2;
                line.clear();
                lineHasText = false;
            } else {
                long stop = i + 1;
                while (stop < got && block[static_cast<std::size_t>(stop)] != '\r' &&
                       block[static_cast<std::size_t>(stop)] != '\n') {
                    ++stop;
                }
                line.append(&block[static_cast<std::size_t>(i)], static_cast<std::size_t>(stop - i));
                lineHasText = true;
                i = stop - 1;
            }
        }
    }
    if (pendingCr) line += '\r';
    if (lineHasText && !onLine(line)) return -2;
    return 0;
}

// The label defaults as a queue's record keeps them ("FEATURE=OPTION;FEATURE=OPTION"), and back;
// a piece without a feature or an option is left out.
std::string DefaultsText(const std::vector<GpdDefault>& defaults);
std::vector<GpdDefault> DefaultsFromText(const std::string& text);

}  // namespace prinstall
