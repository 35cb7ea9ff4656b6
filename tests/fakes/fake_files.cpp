#include "fakes/fake_files.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace prinstall::fakes {
namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

class FakeInputFile : public InputFile {
public:
    FakeInputFile(std::string data, long failAfter) : data_(std::move(data)), failAfter_(failAfter) {}
    long Read(char* buffer, std::size_t size) override {
        if (failAfter_ >= 0 && static_cast<long>(pos_) >= failAfter_) return -1;
        size_t n = std::min(size, data_.size() - pos_);
        if (failAfter_ >= 0) n = std::min(n, static_cast<size_t>(failAfter_) - pos_);
        std::memcpy(buffer, data_.data() + pos_, n);
        pos_ += n;
        return static_cast<long>(n);
    }

private:
    std::string data_;
    size_t pos_ = 0;
    long failAfter_;
};

}  // namespace

class FakeOutputFile : public OutputFile {
public:
    FakeOutputFile(FakeFiles& files, std::string key, long failAfter, bool failClose)
        : files_(files), key_(std::move(key)), failAfter_(failAfter), failClose_(failClose) {}
    bool Write(const char* data, std::size_t size) override {
        if (!files_.Alive()) return false;
        std::string& target = files_.files_[key_].data;
        if (failAfter_ >= 0 && static_cast<long>(target.size() + size) > failAfter_) return false;
        target.append(data, size);
        return true;
    }
    bool Close() override {
        if (!files_.Alive()) return false;
        closed_ = true;
        return !failClose_;
    }
    bool Closed() const { return closed_; }

private:
    FakeFiles& files_;
    std::string key_;
    long failAfter_;
    bool failClose_;
    bool closed_ = false;
};

FakeFiles::FakeFiles() { AddFolder("C:\\windows\\system32"); }

std::string FakeFiles::Full(const std::string& path) const {
    std::string p = path;
    std::replace(p.begin(), p.end(), '/', '\\');
    bool absolute = p.size() >= 2 && p[1] == ':';
    std::string joined = absolute ? p : current_ + "\\" + p;
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= joined.size()) {
        size_t next = joined.find('\\', i);
        if (next == std::string::npos) next = joined.size();
        std::string part = joined.substr(i, next - i);
        if (part == "..") {
            if (parts.size() > 1) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = next + 1;
    }
    std::string out;
    for (size_t k = 0; k < parts.size(); ++k) out += (k ? "\\" : "") + parts[k];
    return out;
}

std::string FakeFiles::Key(const std::string& path) const { return Lower(Full(path)); }

std::string FakeFiles::Parent(const std::string& fullPath) {
    size_t slash = fullPath.rfind('\\');
    return slash == std::string::npos ? std::string() : fullPath.substr(0, slash);
}

bool FakeFiles::FolderExists(const std::string& fullPath) const {
    return fullPath.size() == 2 || folders_.count(Lower(fullPath)) != 0;  // "C:" always exists
}

bool FakeFiles::Writable(const std::string& fullPath) const {
    return FolderExists(Parent(fullPath)) && !readOnly_.count(Lower(Parent(fullPath)));
}

void FakeFiles::AddFolder(const std::string& path) {
    std::string f = Full(path);
    while (f.size() > 2) {
        folders_.emplace(Lower(f), f);
        f = Parent(f);
    }
}

void FakeFiles::AddFile(const std::string& path, const std::string& content) {
    std::string f = Full(path);
    AddFolder(Parent(f));
    files_[Lower(f)] = {f, content};
}

void FakeFiles::SetReadOnly(const std::string& folder) { readOnly_.insert(Key(folder)); }

bool FakeFiles::MoveFolder(const std::string& from, const std::string& to) {
    const std::string f = Full(from), t = Full(to);
    if (!FolderExists(f) || FolderExists(t) || files_.count(Lower(t)) != 0) return false;
    const std::string fk = Lower(f);
    const auto moved = [&](const std::string& path) { return t + path.substr(f.size()); };
    std::map<std::string, std::string> folders;
    for (const auto& [key, path] : folders_) {
        if (key == fk || key.rfind(fk + "\\", 0) == 0) {
            folders.emplace(Lower(moved(path)), moved(path));
        } else {
            folders.emplace(key, path);
        }
    }
    std::map<std::string, Entry> files;
    for (const auto& [key, entry] : files_) {
        if (key.rfind(fk + "\\", 0) == 0) {
            files[Lower(moved(entry.path))] = {moved(entry.path), entry.data};
        } else {
            files[key] = entry;
        }
    }
    folders_ = std::move(folders);
    files_ = std::move(files);
    return true;
}

bool FakeFiles::HasFile(const std::string& path) const { return files_.count(Key(path)) != 0; }

std::string FakeFiles::Content(const std::string& path) const {
    auto it = files_.find(Key(path));
    return it == files_.end() ? std::string() : it->second.data;
}

std::vector<std::string> FakeFiles::List(const std::string& folder) const {
    std::string k = Key(folder);
    std::vector<std::string> names;
    for (const auto& [fileKey, entry] : files_) {
        if (Lower(Parent(entry.path)) == k) names.push_back(entry.path.substr(entry.path.rfind('\\') + 1));
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return Lower(a) < Lower(b); });
    return names;
}

bool FakeFiles::ListFileNames(const std::string& folder, std::vector<std::string>& names) {
    if (!Alive()) return false;
    names.clear();
    for (const std::string& refused : unlistable) {
        if (Key(refused) == Key(folder)) return false;
    }
    if (FolderExists(Full(folder))) names = List(folder);
    return true;
}

bool FakeFiles::SetWorkingDirectory(const std::string& path) {
    if (!Alive()) return false;
    std::string f = Full(path);
    if (!FolderExists(f)) return false;
    current_ = folders_.count(Lower(f)) ? folders_.at(Lower(f)) : f;
    return true;
}

bool FakeFiles::MakeDirectory(const std::string& path) {
    if (!Alive()) return false;
    std::string f = Full(path);
    if (FolderExists(f) || !Writable(f)) return false;
    folders_.emplace(Lower(f), f);
    return true;
}

bool FakeFiles::CopyFileTo(const std::string& from, const std::string& to) {
    if (!Alive()) return false;
    trail.push_back("copy " + to);
    auto source = files_.find(Key(from));
    std::string target = Full(to);
    if (source == files_.end() || !Writable(target)) return false;
    std::string data = source->second.data;
    auto existing = files_.find(Lower(target));
    std::string name = existing != files_.end() ? existing->second.path : target;
    files_[Lower(target)] = {name, data};
    copies.emplace_back(source->second.path, name);
    return true;
}

bool FakeFiles::RemoveFile(const std::string& path) {
    if (!Alive()) return false;
    trail.push_back("delete " + path);
    std::string f = Full(path);
    if (!files_.count(Lower(f))) return true;
    if (readOnly_.count(Lower(Parent(f)))) return false;
    for (const std::string& held : inUse) {
        if (Key(held) == Lower(f)) return false;
    }
    files_.erase(Lower(f));
    return true;
}

bool FakeFiles::ScheduleRemovalAtRestart(const std::string& path) {
    if (!Alive()) return false;
    trail.push_back("at restart " + path);
    if (refuseRemovalAtRestart) return false;
    removalsAtRestart.push_back(path);
    return true;
}

bool FakeFiles::CancelRemovalAtRestart(const std::string& path) {
    if (!Alive()) return false;
    std::erase_if(removalsAtRestart, [&](const std::string& p) { return Lower(p) == Lower(path); });
    return true;
}

std::int64_t FakeFiles::FileSize(const std::string& path) {
    if (!Alive()) return -1;
    auto it = files_.find(Key(path));
    return it == files_.end() ? -1 : static_cast<std::int64_t>(it->second.data.size());
}

std::int64_t FakeFiles::FolderSize(const std::string& path) {
    if (!Alive()) return -1;
    const std::string top = Key(path);
    if (folderSizeUnknown || !FolderExists(Full(path))) return -1;
    std::int64_t total = 0;
    for (const auto& [key, entry] : files_) {
        if (key.rfind(top + "\\", 0) == 0) total += static_cast<std::int64_t>(entry.data.size());
    }
    return total;
}

std::unique_ptr<InputFile> FakeFiles::OpenForReading(const std::string& path) {
    if (!Alive()) return nullptr;
    auto it = files_.find(Key(path));
    if (it == files_.end() || (!unopenablePath.empty() && Key(unopenablePath) == it->first)) return nullptr;
    long failAfter = !failingReadPath.empty() && Key(failingReadPath) == it->first ? failReadAfter : -1;
    return std::make_unique<FakeInputFile>(it->second.data, failAfter);
}

std::unique_ptr<OutputFile> FakeFiles::CreateForWriting(const std::string& path) {
    if (!Alive()) return nullptr;
    std::string f = Full(path);
    if (!Writable(f)) return nullptr;
    auto existing = files_.find(Lower(f));
    std::string name = existing != files_.end() ? existing->second.path : f;
    files_[Lower(f)] = {name, ""};
    long failAfter = !failingWritePath.empty() && Key(failingWritePath) == Lower(f) ? failWriteAfter : -1;
    const bool failClose = !failingClosePath.empty() && Key(failingClosePath) == Lower(f);
    return std::make_unique<FakeOutputFile>(*this, Lower(f), failAfter, failClose);
}

std::vector<std::string> FakeFolderSecurity::Within(const std::set<std::string>& paths,
                                                    const std::string& folder) const {
    const std::string top = files_.Key(folder);
    std::vector<std::string> within;
    for (const std::string& path : paths) {
        const std::string key = files_.Key(path);
        if (key == top || key.rfind(top + "\\", 0) == 0) within.push_back(path);
    }
    return within;
}

WriteAccess FakeFolderSecurity::WritableByOthers(const std::string& folder) {
    if (!Alive()) return WriteAccess::Unknown;
    if (noPermissions) return WriteAccess::NoPermissions;
    if (!Within(unreadable, folder).empty()) return WriteAccess::Unknown;
    const bool others = !Within(writableByOthers, folder).empty() || !Within(links, folder).empty();
    return others ? WriteAccess::Others : WriteAccess::AdministratorsOnly;
}

Restriction FakeFolderSecurity::RestrictToAdministrators(const std::string& folder) {
    if (!Alive()) return {kErrorProcessKilled, Refusal::None, ""};
    files_.trail.push_back("restrict " + folder);
    if (noPermissions) return {0, Refusal::NoPermissions, folder};
    if (const auto found = Within(links, folder); !found.empty()) return {0, Refusal::Link, found.front()};
    if (const auto found = Within(hardLinked, folder); !found.empty()) return {0, Refusal::HardLinked, found.front()};
    if (restrictError != 0) return {restrictError, Refusal::None, failingEntry};
    for (const std::string& path : Within(unreadable, folder)) unreadable.erase(path);
    for (const std::string& path : Within(writableByOthers, folder)) writableByOthers.erase(path);
    return {};
}

std::string FakeFolderSecurity::IdentityOf(const std::string& folder) {
    auto [it, added] = identities_.emplace(files_.Key(folder), "");
    if (added) it->second = "folder-" + std::to_string(++made_);
    return it->second;
}

FolderHold FakeFolderSecurity::Hold(const std::string& folder) {
    if (!Alive()) return {kErrorProcessKilled, false, ""};
    if (!files_.HasFolder(folder)) return {2, false, ""};
    if (links.count(folder) != 0) return {0, true, ""};
    if (heldByOthers.count(folder) != 0) return {32, false, ""};
    held = folder;
    return {0, false, IdentityOf(folder)};
}

void FakeFolderSecurity::Release() { held.clear(); }

std::uint32_t FakeFolderSecurity::CreateForAdministrators(const std::string& folder) {
    if (!Alive()) return kErrorProcessKilled;
    if (madeByOthersFirst) {
        files_.AddFolder(folder);
        writableByOthers.insert(folder);
        identities_.erase(files_.Key(folder));
    }
    if (files_.HasFolder(folder)) return 183;
    files_.trail.push_back("create " + folder);
    files_.AddFolder(folder);
    identities_.erase(files_.Key(folder));
    return 0;
}

std::uint32_t FakeFolderSecurity::Rename(const std::string& from, const std::string& to) {
    if (!Alive()) return kErrorProcessKilled;
    if (heldByOthers.count(from) != 0 || (!held.empty() && files_.Key(held) == files_.Key(from))) return 32;
    if (!files_.MoveFolder(from, to)) return files_.HasFolder(from) ? 183 : 2;
    files_.trail.push_back("rename " + from + " to " + to);
    if (auto it = identities_.find(files_.Key(from)); it != identities_.end()) {
        identities_[files_.Key(to)] = it->second;
        identities_.erase(it);
    }
    for (std::set<std::string>* set : {&writableByOthers, &links, &hardLinked, &unreadable}) {
        for (const std::string& path : Within(*set, from)) {
            set->erase(path);
            set->insert(to + path.substr(from.size()));
        }
    }
    return 0;
}

}  // namespace prinstall::fakes
