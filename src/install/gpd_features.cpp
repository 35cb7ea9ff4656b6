#include "install/gpd_features.h"

#include <algorithm>

namespace prinstall {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

char LowerChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text.empty() ? "none" : text;
}

}  // namespace

bool SameGpdName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerChar(x) == LowerChar(y); });
}

void GpdOutline::Scan(std::string_view line, Listener& listener) {
    const std::size_t n = line.size();
    std::size_t i = 0;
    while (i < n) {
        const char c = line[i];
        if (c == '"') {
            // A quoted string ends on its line; braces and stars inside it are text.
            const std::size_t close = line.find('"', i + 1);
            if (close == std::string_view::npos) return;
            i = close + 1;
        } else if (c == '*' && i + 1 < n && line[i + 1] == '%') {
            return;  // a comment up to the line end
        } else if (c == '*') {
            std::size_t k = i + 1;
            while (k < n && IsNameChar(line[k])) ++k;
            if (k == i + 1 || k == n || line[k] != ':') {
                ++i;
                continue;
            }
            const std::string_view keyword = line.substr(i + 1, k - i - 1);
            std::size_t begin = k + 1;
            while (begin < n && IsBlank(line[begin])) ++begin;
            std::size_t end = begin;
            while (end < n && !IsBlank(line[end]) && line[end] != '{' && line[end] != '}' && line[end] != '"' &&
                   !(line[end] == '*' && end + 1 < n && line[end + 1] == '%')) {
                ++end;
            }
            const std::string_view value = line.substr(begin, end - begin);
            const bool inFeature = !open_.empty() && open_.back().feature;
            // A *DefaultOption may also sit in the *Switch/*Case blocks of its feature (a
            // default that depends on another feature's option): it is the feature's all the same.
            const auto owner = std::find_if(open_.rbegin(), open_.rend(), [](const Block& b) { return b.feature; });
            // Features do not nest: a *Feature entry anywhere inside one opens no feature.
            featureNext_ = keyword == "Feature" &&
                           std::none_of(open_.begin(), open_.end(), [](const Block& b) { return b.feature; });
            if (featureNext_) pendingName_ = std::string(value);
            if (inFeature && keyword == "Option") listener.Option(open_.back().name, value);
            if (owner != open_.rend() && keyword == "DefaultOption") listener.DefaultOption(owner->name, begin, end);
            i = end;
        } else if (c == '{') {
            open_.push_back({featureNext_, featureNext_ ? pendingName_ : std::string()});
            featureNext_ = false;
            if (open_.back().feature) listener.FeatureOpened(open_.back().name, i + 1);
            ++i;
        } else if (c == '}') {
            featureNext_ = false;
            if (!open_.empty()) {
                const Block closed = open_.back();
                open_.pop_back();
                if (closed.feature) listener.FeatureClosed(closed.name, i);
            }
            ++i;
        } else if (c == '%') {
            // A parameter of a command string, as %d{PaperSize} or %d[0,15]{Darkness}: its
            // braces are an expression, not a block.
            std::size_t k = i + 1;
            while (k < n && (IsNameChar(line[k]) || line[k] == '[' || line[k] == ']' || line[k] == ',' ||
                             line[k] == '!' || line[k] == '-' || IsBlank(line[k]))) {
                ++k;
            }
            if (k < n && line[k] == '{') {
                const std::size_t close = line.find('}', k);
                i = close == std::string_view::npos ? n : close + 1;
            } else {
                ++i;
            }
        } else {
            ++i;
        }
    }
}

std::optional<std::vector<GpdFeature>> ReadGpdFeatures(InputFile& in) {
    class Collector : public GpdOutline::Listener {
    public:
        void FeatureOpened(const std::string& feature, std::size_t) override { Find(feature); }
        void FeatureClosed(const std::string&, std::size_t) override {}
        void Option(const std::string& feature, std::string_view option) override {
            std::vector<std::string>& options = Find(feature).options;
            if (option.empty()) return;
            if (std::none_of(options.begin(), options.end(), [&](const std::string& o) { return o == option; })) {
                options.emplace_back(option);
            }
        }
        void DefaultOption(const std::string&, std::size_t, std::size_t) override {}

        std::vector<GpdFeature> features;

    private:
        GpdFeature& Find(const std::string& name) {
            for (GpdFeature& f : features) {
                if (f.name == name) return f;
            }
            features.push_back({name, {}});
            return features.back();
        }
    };
    Collector collector;
    GpdOutline outline;
    const int read = ForEachGpdLine(in, [&](const std::string& line) {
        outline.Scan(line, collector);
        return true;
    });
    if (read != 0) return std::nullopt;
    return collector.features;
}

std::optional<std::string> SettleGpdDefaults(const std::vector<GpdFeature>& features,
                                             std::vector<GpdDefault>& defaults) {
    for (GpdDefault& d : defaults) {
        const auto feature = std::find_if(features.begin(), features.end(),
                                          [&](const GpdFeature& f) { return SameGpdName(f.name, d.feature); });
        if (feature == features.end()) {
            std::vector<std::string> names;
            for (const GpdFeature& f : features) names.push_back(f.name);
            return "The printer description has no feature " + d.feature + ". Its features: " + Joined(names) + ".";
        }
        const auto option = std::find_if(feature->options.begin(), feature->options.end(),
                                         [&](const std::string& o) { return SameGpdName(o, d.option); });
        if (option == feature->options.end()) {
            return "The feature " + feature->name + " has no option " + d.option +
                   ". Its options: " + Joined(feature->options) + ".";
        }
        d.feature = feature->name;
        d.option = *option;
    }
    return std::nullopt;
}

std::string DefaultsText(const std::vector<GpdDefault>& defaults) {
    std::string text;
    for (const GpdDefault& d : defaults) text += (text.empty() ? "" : ";") + d.feature + "=" + d.option;
    return text;
}

std::vector<GpdDefault> DefaultsFromText(const std::string& text) {
    std::vector<GpdDefault> defaults;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find(';', start), text.size());
        const std::string pair = text.substr(start, end - start);
        const std::size_t equals = pair.find('=');
        if (equals != std::string::npos && equals > 0 && equals + 1 < pair.size()) {
            defaults.push_back({pair.substr(0, equals), pair.substr(equals + 1)});
        }
        start = end + 1;
    }
    return defaults;
}

}  // namespace prinstall
