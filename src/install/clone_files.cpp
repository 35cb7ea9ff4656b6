#include "install/clone_files.h"

#include <vector>

#include "core/texts.h"

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

RewriteResult RewriteGpd(InputFile& in, OutputFile& out, int n, int* replaced) {
    std::vector<char> block(64 * 1024);
    int line = 1;
    bool lineHasText = false;  // bytes of the current line were read (written or dropped)
    bool pendingCr = false;    // a CR was read and may turn out to be part of a CR LF line end
    auto isReplaced = [&] { return line == 2 || line == 5 || line == 7; };
    int replacedCount = 0;
    auto endLine = [&]() -> bool {
        if (isReplaced()) ++replacedCount;
        bool ok = isReplaced() ? out.Write(ReplacementLine(line, n).data(), ReplacementLine(line, n).size())
                               : out.Write("\r\n", 2);
        ++line;
        lineHasText = false;
        return ok;
    };
    auto text = [&](const char* data, size_t size) -> bool {
        if (size == 0) return true;
        lineHasText = true;
        return isReplaced() || out.Write(data, size);
    };

    for (;;) {
        long got = in.Read(block.data(), block.size());
        if (got < 0) return RewriteResult::ReadError;
        if (got == 0) break;
        const char* p = block.data();
        const char* end = p + got;
        while (p < end) {
            if (pendingCr) {
                pendingCr = false;
                if (*p == '\n') {
                    if (!endLine()) return RewriteResult::WriteError;
                    ++p;
                    continue;
                }
                if (!text("\r", 1)) return RewriteResult::WriteError;  // a lone CR is text
            }
            const char* stop = p;
            while (stop < end && *stop != '\n' && *stop != '\r') ++stop;
            if (!text(p, static_cast<size_t>(stop - p))) return RewriteResult::WriteError;
            p = stop;
            if (p == end) break;
            if (*p == '\n') {
                if (!endLine()) return RewriteResult::WriteError;
            } else {
                pendingCr = true;
            }
            ++p;
        }
    }
    if (pendingCr && !text("\r", 1)) return RewriteResult::WriteError;
    // A last line without a line end still gets one.
    if (lineHasText && !endLine()) return RewriteResult::WriteError;
    if (replaced != nullptr) *replaced = replacedCount;
    return RewriteResult::Ok;
}

namespace {

std::string MediaFilePath(Files& files, int processor, const std::string& name) {
    return Format("%s\\%s\\%s", ProgramFolder(files.ProgramPath()).c_str(), MediaFolderFor(processor), name.c_str());
}

// Takes the rewritten text and keeps none of it.
class DiscardedOutput : public OutputFile {
public:
    bool Write(const char*, std::size_t) override { return true; }
    bool Close() override { return true; }
};

}  // namespace

std::string GpdTemplatePath(Files& files, int processor) { return MediaFilePath(files, processor, "TVLabel.GPD"); }

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
    std::unique_ptr<InputFile> file = files.OpenForReading(GpdTemplatePath(files, processor));
    if (!file) return false;
    TextOnlyInput in(*file);
    DiscardedOutput out;
    int replaced = 0;
    return RewriteGpd(in, out, 1, &replaced) == RewriteResult::Ok && replaced == kGpdReplacedLines;
}

std::string CloneFileWriter::MediaPath(int processor, const std::string& name) {
    return MediaFilePath(files_, processor, name);
}

int CloneFileWriter::WriteGpdClone(int driverNumber, int processor) {
    gpdPath_ = MediaPath(processor, GpdCloneName(driverNumber));
    const std::string templatePath = GpdTemplatePath(files_, processor);
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
    std::unique_ptr<InputFile> in = files_.OpenForReading(templatePath);
    if (!in) {
        show_(kFailedOpen);
        out->Close();
        return -2;
    }
    RewriteResult result = RewriteGpd(*in, *out, driverNumber);
    in.reset();
    if (!out->Close() && result == RewriteResult::Ok) result = RewriteResult::WriteError;
    if (result == RewriteResult::Ok) return 0;
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
    return 0;
}

}  // namespace prinstall
