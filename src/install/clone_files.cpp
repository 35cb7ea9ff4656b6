#include "install/clone_files.h"

#include <algorithm>
#include <vector>

#include "core/sha256.h"
#include "core/texts.h"
#include "install/staging.h"

namespace prinstall {
namespace {

const char* const kFailedCreate = "Failed create file";
const char* const kFailedOpen = "Failed open file";
const char* const kFailedRead = "Failed read file";

std::string ReplacementLine(int lineNumber, int n) {
    switch (lineNumber) {
        case 2: return Format("*GPDFileName: \"TVLabel%d.GPD\"\r\n", n);
        case 5: return Format("*ModelName: \"TORVA Label Printer #%d\"\r\n", n);
        case 7: return Format("*ResourceDLL: \"TVLabel%d.Dll\"\r\n", n);
        default: return {};
    }
}

}  // namespace

std::string IniCloneText(int n) {
    return Format("[OEMFiles]\r\nOEMDriverFile1=TVLabelE%d.DLL\r\nOEMConfigFile1=TVLabelUI%d.DLL", n, n);
}

namespace {

// Writes the rewritten lines. Inside the block of a feature that gets a default, the text is
// held until the block closes, so that a *DefaultOption entry can still be added after the
// opening brace when the block has none.
class GpdRewriter : public GpdOutline::Listener {
public:
    GpdRewriter(OutputFile& out, int n, const std::vector<GpdDefault>& defaults)
        : out_(out), n_(n), defaults_(defaults) {}

    bool Line(const std::string& text) {
        line_ = &text;
        copied_ = 0;
        outline_.Scan(text, *this);
        if (lineNumber_ == 2 || lineNumber_ == 5 || lineNumber_ == 7) {
            ++replaced_;
            pending_ += ReplacementLine(lineNumber_, n_);
        } else {
            pending_.append(text, copied_);
            pending_ += "\r\n";
        }
        ++lineNumber_;
        return held_ != nullptr || Flush();
    }

    // The text still held when the template ends inside a feature's block.
    bool Finish() {
        if (held_ != nullptr) Insert();
        return Flush();
    }

    int Replaced() const { return replaced_; }

    void FeatureOpened(const std::string& feature, std::size_t afterBrace) override {
        held_ = Wanted(feature);
        if (held_ == nullptr) return;
        Copy(afterBrace);
        insertAt_ = pending_.size();
        defaultWritten_ = false;
        const std::string& text = *line_;
        indent_ = text.substr(0, text.find_first_not_of(" \t"));
        restOfLine_ = text.find_first_not_of(" \t", afterBrace) != std::string::npos;
    }
    void FeatureClosed(const std::string&, std::size_t brace) override {
        if (held_ == nullptr) return;
        Copy(brace);
        Insert();
    }
    void Option(const std::string&, std::string_view) override {}
    void DefaultOption(const std::string&, std::size_t begin, std::size_t end) override {
        if (held_ == nullptr) return;
        Copy(begin);
        pending_ += held_->option;
        copied_ = end;
        defaultWritten_ = true;
    }

private:
    const GpdDefault* Wanted(const std::string& feature) const {
        for (const GpdDefault& d : defaults_) {
            if (SameGpdName(d.feature, feature)) return &d;
        }
        return nullptr;
    }
    // The line's original text up to `position`, unless the line is replaced.
    void Copy(std::size_t position) {
        if (lineNumber_ != 2 && lineNumber_ != 5 && lineNumber_ != 7 && position > copied_) {
            pending_.append(*line_, copied_, position - copied_);
        }
        copied_ = std::max(copied_, position);
    }
    // A block without its own *DefaultOption gets one on a line after its opening brace.
    void Insert() {
        if (!defaultWritten_) {
            std::string entry = "\r\n" + indent_ + "    *DefaultOption: " + held_->option;
            if (restOfLine_) entry += "\r\n" + indent_;
            pending_.insert(insertAt_, entry);
        }
        held_ = nullptr;
    }
    bool Flush() {
        const bool ok = pending_.empty() || out_.Write(pending_.data(), pending_.size());
        pending_.clear();
        return ok;
    }

    OutputFile& out_;
    int n_;
    const std::vector<GpdDefault>& defaults_;
    GpdOutline outline_;
    int lineNumber_ = 1;
    int replaced_ = 0;
    const std::string* line_ = nullptr;
    std::size_t copied_ = 0;  // of the current line, up to here in `pending_` already
    std::string pending_;
    const GpdDefault* held_ = nullptr;  // the default of the feature whose block is held
    std::size_t insertAt_ = 0;
    bool defaultWritten_ = false;
    bool restOfLine_ = false;  // the opening brace's line goes on after it
    std::string indent_;
};

}  // namespace

RewriteResult RewriteGpd(InputFile& in, OutputFile& out, int n, const std::vector<GpdDefault>& defaults,
                         int* replaced) {
    GpdRewriter rewriter(out, n, defaults);
    const int read = ForEachGpdLine(in, [&](const std::string& line) { return rewriter.Line(line); });
    if (read == -1) return RewriteResult::ReadError;
    if (read == -2 || !rewriter.Finish()) return RewriteResult::WriteError;
    if (replaced != nullptr) *replaced = rewriter.Replaced();
    return RewriteResult::Ok;
}

namespace {

std::string MediaFilePath(int processor, const std::string& name) {
    return Format("%s\\%s\\%s", kInstallFolder, MediaFolderFor(processor), name.c_str());
}

// Takes the rewritten text and keeps none of it.
class DiscardedOutput : public OutputFile {
public:
    bool Write(const char*, std::size_t) override { return true; }
    bool Close() override { return true; }
};

// Passes the bytes through and takes their digest on the way.
class HashedInput : public InputFile {
public:
    explicit HashedInput(InputFile& in) : in_(in) {}
    long Read(char* buffer, std::size_t size) override {
        const long got = in_.Read(buffer, size);
        if (got > 0) sha_.Update(buffer, static_cast<std::size_t>(got));
        return got;
    }
    std::string Digest() { return sha_.HexDigest(); }

private:
    InputFile& in_;
    Sha256 sha_;
};

class HashedOutput : public OutputFile {
public:
    explicit HashedOutput(OutputFile& out) : out_(out) {}
    bool Write(const char* data, std::size_t size) override {
        sha_.Update(data, size);
        return out_.Write(data, size);
    }
    bool Close() override { return out_.Close(); }
    std::string Digest() { return sha_.HexDigest(); }

private:
    OutputFile& out_;
    Sha256 sha_;
};

}  // namespace

std::string GpdTemplatePath(int processor) { return MediaFilePath(processor, "TVLabel.GPD"); }

std::string GpdTemplateBesideProgram(Files& files, int processor) {
    return Format("%s\\%s\\TVLabel.GPD", ProgramFolder(files.ProgramPath()).c_str(), MediaFolderFor(processor));
}

namespace {

// A file read through it fails at its first byte that no text holds: a NUL or another control
// character than tab, line feed, form feed, carriage return and the end-of-file mark. Bytes
// from 0x80 on stay (a template may hold names in an ANSI code page).
class TextOnlyInput : public InputFile {
public:
    explicit TextOnlyInput(InputFile& in) : in_(in) {}
    long Read(char* buffer, std::size_t size) override {
        const long got = in_.Read(buffer, size);
        for (long i = 0; i < got; ++i) {
            const auto c = static_cast<unsigned char>(buffer[i]);
            if (c < 0x20 && c != '\t' && c != '\n' && c != '\f' && c != '\r' && c != 0x1A) return -1;
        }
        return got;
    }

private:
    InputFile& in_;
};

}  // namespace

bool GpdTemplateUsable(Files& files, int processor) {
    std::unique_ptr<InputFile> file = files.OpenForReading(GpdTemplatePath(processor));
    if (!file) return false;
    TextOnlyInput in(*file);
    DiscardedOutput out;
    int replaced = 0;
    return RewriteGpd(in, out, 1, {}, &replaced) == RewriteResult::Ok && replaced == kGpdReplacedLines;
}

std::optional<std::vector<GpdFeature>> GpdTemplateFeatures(Files& files, const std::string& templatePath) {
    std::unique_ptr<InputFile> in = files.OpenForReading(templatePath);
    if (!in) return std::nullopt;
    return ReadGpdFeatures(*in);
}

std::string CloneFileWriter::MediaPath(int processor, const std::string& name) {
    return MediaFilePath(processor, name);
}

int CloneFileWriter::WriteGpdClone(int driverNumber, int processor, const std::vector<GpdDefault>& defaults) {
    gpdPath_ = MediaPath(processor, GpdCloneName(driverNumber));
    templateDigest_.reset();
    gpdDigest_.reset();
    const std::string templatePath = GpdTemplatePath(processor);
    std::unique_ptr<OutputFile> out = files_.CreateForWriting(gpdPath_);
    if (!out) {
        show_(kFailedCreate);
        return -1;
    }
    if (!files_.FileExists(templatePath)) {
        show_(kFailedOpen);
        out->Close();  // the empty output stays behind
        return -2;
    }
    std::unique_ptr<InputFile> file = files_.OpenForReading(templatePath);
    if (!file) {
        show_(kFailedOpen);
        out->Close();
        return -2;
    }
    HashedInput in(*file);
    HashedOutput hashed(*out);
    RewriteResult result = RewriteGpd(in, hashed, driverNumber, defaults);
    file.reset();
    if (!out->Close() && result == RewriteResult::Ok) result = RewriteResult::WriteError;
    if (result == RewriteResult::Ok) {
        templateDigest_ = in.Digest();
        gpdDigest_ = hashed.Digest();
        return 0;
    }
    // Leave an empty file rather than a cut-off printer description that would register.
    if (auto empty = files_.CreateForWriting(gpdPath_)) empty->Close();
    if (result == RewriteResult::ReadError) {
        show_(kFailedRead);
        return -2;
    }
    show_(kFailedCreate);
    return -1;
}

int CloneFileWriter::WriteIniClone(int driverNumber, int processor) {
    iniPath_ = MediaPath(processor, IniCloneName(driverNumber));
    iniDigest_.reset();
    const std::string text = IniCloneText(driverNumber);
    std::unique_ptr<OutputFile> out = files_.CreateForWriting(iniPath_);
    if (!out) {
        show_(kFailedCreate);
        return -1;
    }
    const bool written = out->Write(text.data(), text.size());
    if (!out->Close() || !written) {
        show_(kFailedCreate);
        return -1;
    }
    iniDigest_ = Sha256Hex(text);
    return 0;
}

}  // namespace prinstall
