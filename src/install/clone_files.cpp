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
        case 2: return format("*GPDFileName: \"TVLabel%d.GPD\"\r\n", n);
        case 5: return format("*ModelName: \"TORVA Label Printer #%d\"\r\n", n);
        case 7: return format("*ResourceDLL: \"TVLabel%d.Dll\"\r\n", n);
        default: return {};
    }
}

}  // namespace

std::string GpdCloneName(int n) { return format("TVLabel%d.GPD", n); }
std::string IniCloneName(int n) { return format("TVLabel%d.INI", n); }
std::string ResourceCloneName(int n) { return format("TVLabel%d.DLL", n); }
std::string RenderCloneName(int n) { return format("TVLabelE%d.DLL", n); }
std::string UiCloneName(int n) { return format("TVLabelUI%d.DLL", n); }

std::string ProgramFolder(const std::string& programPath) {
    size_t slash = programPath.rfind('\\');
    if (slash == std::string::npos || slash == 0) return programPath;
    return programPath.substr(0, slash);
}

const char* MediaFolderFor(int processor) { return processor == 0 ? "Win32" : "Win64"; }

std::string IniCloneText(int n) {
    return format("[OEMFiles]\r\nOEMDriverFile1=TVLabelE%d.DLL\r\nOEMConfigFile1=TVLabelUI%d.DLL", n, n);
}

RewriteResult RewriteGpd(InputFile& in, OutputFile& out, int n) {
    std::vector<char> block(64 * 1024);
    int line = 1;
    bool lineHasText = false;  // bytes of the current line were read (written or dropped)
    bool pendingCr = false;    // a CR was read and may turn out to be part of a CR LF line end
    auto replaced = [&] { return line == 2 || line == 5 || line == 7; };
    auto endLine = [&]() -> bool {
        bool ok = replaced() ? out.write(ReplacementLine(line, n).data(), ReplacementLine(line, n).size())
                             : out.write("\r\n", 2);
        ++line;
        lineHasText = false;
        return ok;
    };
    auto text = [&](const char* data, size_t size) -> bool {
        if (size == 0) return true;
        lineHasText = true;
        return replaced() || out.write(data, size);
    };

    for (;;) {
        long got = in.read(block.data(), block.size());
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
    return RewriteResult::Ok;
}

std::string CloneFileWriter::mediaPath(int processor, const std::string& name) {
    return format("%s\\%s\\%s", ProgramFolder(files_.programPath()).c_str(), MediaFolderFor(processor), name.c_str());
}

int CloneFileWriter::WriteGpdClone(int driverNumber, int processor) {
    gpdPath_ = mediaPath(processor, GpdCloneName(driverNumber));
    const std::string templatePath = mediaPath(processor, "TVLabel.GPD");
    std::unique_ptr<OutputFile> out = files_.createForWriting(gpdPath_);
    if (!out) {
        show_(kFailedCreate);
        return -1;
    }
    if (!files_.fileExists(templatePath)) {
        show_(kFailedOpen);
        out->close();  // the empty output stays behind
        return -2;
    }
    std::unique_ptr<InputFile> in = files_.openForReading(templatePath);
    if (!in) {
        show_(kFailedOpen);
        out->close();
        return -2;
    }
    RewriteResult result = RewriteGpd(*in, *out, driverNumber);
    in.reset();
    if (!out->close() && result == RewriteResult::Ok) result = RewriteResult::WriteError;
    if (result == RewriteResult::Ok) return 0;
    // Leave an empty file rather than a cut-off printer description that would register.
    if (auto empty = files_.createForWriting(gpdPath_)) empty->close();
    if (result == RewriteResult::ReadError) {
        show_(kFailedRead);
        return -2;
    }
    show_(kFailedCreate);
    return -1;
}

int CloneFileWriter::WriteIniClone(int driverNumber, int processor) {
    iniPath_ = mediaPath(processor, IniCloneName(driverNumber));
    const std::string text = IniCloneText(driverNumber);
    std::unique_ptr<OutputFile> out = files_.createForWriting(iniPath_);
    if (!out) {
        show_(kFailedCreate);
        return -1;
    }
    const bool written = out->write(text.data(), text.size());
    if (!out->close() || !written) {
        show_(kFailedCreate);
        return -1;
    }
    return 0;
}

}  // namespace prinstall
