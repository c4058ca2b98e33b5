#include "toolkit/memory/MemoryOs.h"

#include <stdexcept>

#include "toolkit/Exception.h"

namespace toolkit::memory {
namespace {

constexpr RegStatus kNotFound = 2;       // ERROR_FILE_NOT_FOUND
constexpr RegStatus kAccessDenied = 5;   // ERROR_ACCESS_DENIED
constexpr RegStatus kInvalidHandle = 6;  // ERROR_INVALID_HANDLE

char16_t UpperAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

String UpperAscii(StringView text) {
    String out(text);
    for (auto& c : out) c = UpperAscii(c);
    return out;
}

String FolderOf(const String& path) {
    const auto slash = path.find_last_of(u"\\/");
    return slash == String::npos ? String() : path.substr(0, slash);
}

}  // namespace

// ---- registry ----

std::string MemoryRegistry::Normalize(const String& path) {
    std::string out;
    String part;
    auto flush = [&] {
        if (part.empty()) return;
        if (!out.empty()) out += '\\';
        out += StringToUtf8(UpperAscii(part));
        part.clear();
    };
    for (char16_t c : path) {
        if (c == u'\\') {
            flush();
        } else {
            part.push_back(c);
        }
    }
    flush();
    return out;
}

MemoryRegistry::Key* MemoryRegistry::Find(const String& path) {
    auto it = keys_.find(Normalize(path));
    return it == keys_.end() ? nullptr : &it->second;
}

void MemoryRegistry::AddKey(const String& path) {
    // Parent keys exist whenever a child does.
    std::string normalized = Normalize(path);
    for (std::size_t pos = 0;;) {
        pos = normalized.find('\\', pos);
        keys_[normalized.substr(0, pos)];
        if (pos == std::string::npos) break;
        ++pos;
    }
}

void MemoryRegistry::SetRaw(const String& path, const String& name, std::uint32_t type,
                            std::vector<std::uint8_t> data) {
    AddKey(path);
    Find(path)->values[UpperAscii(name)] = {type, std::move(data)};
}

void MemoryRegistry::SetString(const String& path, const String& name, const String& text, std::uint32_t type) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.c_str());
    SetRaw(path, name, type, std::vector<std::uint8_t>(bytes, bytes + (text.size() + 1) * sizeof(char16_t)));
}

void MemoryRegistry::DenyFullAccess(const String& path) {
    AddKey(path);
    Find(path)->fullAccessDenied = true;
}

void MemoryRegistry::DenyCreate(const String& path) { refusedCreates_.insert(Normalize(path)); }

void MemoryRegistry::DenyWrite(const String& name) { refusedWrites_.insert(UpperAscii(name)); }

bool MemoryRegistry::HasKey(const String& path) const { return keys_.count(Normalize(path)) != 0; }

std::optional<MemoryRegistry::Value> MemoryRegistry::Get(const String& path, const String& name) const {
    auto key = keys_.find(Normalize(path));
    if (key == keys_.end()) return std::nullopt;
    auto value = key->second.values.find(UpperAscii(name));
    if (value == key->second.values.end()) return std::nullopt;
    return value->second;
}

RegStatus MemoryRegistry::OpenKey(RootKey root, const String& path, KeyAccess access, KeyHandle& key) {
    Key* found = root == RootKey::CurrentUser ? Find(path) : nullptr;
    if (!found) return kNotFound;
    if (access == KeyAccess::All && found->fullAccessDenied) return kAccessDenied;
    key = nextHandle_++;
    handles_[key] = {Normalize(path), access};
    return kRegSuccess;
}

RegStatus MemoryRegistry::CreateKey(RootKey root, const String& path, KeyHandle& key) {
    if (root != RootKey::CurrentUser || refusedCreates_.count(Normalize(path))) return kAccessDenied;
    Key* found = Find(path);
    if (found && found->fullAccessDenied) return kAccessDenied;
    AddKey(path);
    key = nextHandle_++;
    handles_[key] = {Normalize(path), KeyAccess::All};
    return kRegSuccess;
}

RegStatus MemoryRegistry::QueryValue(KeyHandle key, const String& name, std::uint32_t& type,
                                     std::vector<std::uint8_t>& data) {
    auto handle = handles_.find(key);
    if (handle == handles_.end()) return kInvalidHandle;
    const Key& k = keys_.at(handle->second.path);
    auto value = k.values.find(UpperAscii(name));
    if (value == k.values.end()) return kNotFound;
    type = value->second.type;
    data = value->second.data;
    return kRegSuccess;
}

RegStatus MemoryRegistry::SetValue(KeyHandle key, const String& name, std::uint32_t type,
                                   std::span<const std::uint8_t> data) {
    auto handle = handles_.find(key);
    if (handle == handles_.end()) return kInvalidHandle;
    if (handle->second.access != KeyAccess::All || refusedWrites_.count(UpperAscii(name))) return kAccessDenied;
    keys_.at(handle->second.path).values[UpperAscii(name)] = {type, {data.begin(), data.end()}};
    return kRegSuccess;
}

void MemoryRegistry::CloseKey(KeyHandle key) {
    if (!handles_.erase(key)) throw std::logic_error("registry key closed twice or never opened");
}

// ---- processes ----

namespace {

class ListSnapshot final : public ProcessSnapshot {
public:
    explicit ListSnapshot(std::vector<ProcessEntry> entries) : entries_(std::move(entries)) {}
    bool First(ProcessEntry& entry) override {
        next_ = 0;
        return Next(entry);
    }
    bool Next(ProcessEntry& entry) override {
        if (next_ >= entries_.size()) return false;
        entry = entries_[next_++];
        return true;
    }

private:
    std::vector<ProcessEntry> entries_;
    std::size_t next_ = 0;
};

}  // namespace

std::uint32_t MemoryProcesses::Start(const String& exeFile, bool canBeTerminated) {
    const std::uint32_t id = nextId_++;
    processes_[id] = {exeFile, canBeTerminated};
    return id;
}

bool MemoryProcesses::IsRunning(std::uint32_t processId) const { return processes_.count(processId) != 0; }

std::vector<std::uint32_t> MemoryProcesses::Running() const {
    std::vector<std::uint32_t> ids;
    for (const auto& [id, p] : processes_) ids.push_back(id);
    return ids;
}

std::unique_ptr<ProcessSnapshot> MemoryProcesses::TakeSnapshot() {
    std::vector<ProcessEntry> entries;
    if (snapshotsAvailable) {
        for (const auto& [id, p] : processes_) {
            ProcessEntry e;
            e.processId = id;
            const std::size_t n = std::min(p.exeFile.size(), e.exeFile.size() - 1);
            std::copy_n(p.exeFile.begin(), n, e.exeFile.begin());
            entries.push_back(e);
        }
    }
    return std::make_unique<ListSnapshot>(std::move(entries));
}

bool MemoryProcesses::Terminate(std::uint32_t processId, std::uint32_t) {
    auto it = processes_.find(processId);
    if (it == processes_.end() || !it->second.canBeTerminated) return false;
    processes_.erase(it);
    return true;
}

// ---- files ----

class MemoryFile final : public WritableFile {
public:
    MemoryFile(MemoryFileSystem& fs, String path) : fs_(fs), path_(std::move(path)) {}
    ~MemoryFile() override {
        if (auto it = fs_.files_.find(MemoryFileSystem::Key(path_)); it != fs_.files_.end()) it->second.locked = false;
    }
    void Write(std::span<const std::uint8_t> bytes) override {
        auto& file = fs_.files_.at(MemoryFileSystem::Key(path_));
        if (fs_.beforeWrite) fs_.beforeWrite(path_, file.bytes.size());
        file.bytes.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    void Flush() override {}

private:
    MemoryFileSystem& fs_;
    String path_;
};

std::string MemoryFileSystem::Key(const String& path) { return StringToUtf8(UpperAscii(path)); }

bool MemoryFileSystem::Writable(const String& path) const {
    return readOnlyFolders_.count(Key(FolderOf(path))) == 0;
}

void MemoryFileSystem::Put(const String& path, std::string bytes) { files_[Key(path)] = {path, std::move(bytes)}; }

std::optional<std::string> MemoryFileSystem::Read(const String& path) const {
    auto it = files_.find(Key(path));
    if (it == files_.end()) return std::nullopt;
    return it->second.bytes;
}

void MemoryFileSystem::Lock(const String& path) { files_.at(Key(path)).locked = true; }

void MemoryFileSystem::MakeReadOnlyFolder(const String& folder) { readOnlyFolders_.insert(Key(folder)); }

std::vector<String> MemoryFileSystem::List() const {
    std::vector<String> paths;
    for (const auto& [key, file] : files_) paths.push_back(file.path);
    return paths;
}

bool MemoryFileSystem::Exists(const String& path) { return files_.count(Key(path)) != 0; }

bool MemoryFileSystem::Delete(const String& path) {
    auto it = files_.find(Key(path));
    if (it == files_.end() || it->second.locked || !Writable(path)) return false;
    files_.erase(it);
    return true;
}

bool MemoryFileSystem::Move(const String& from, const String& to) {
    auto it = files_.find(Key(from));
    if (it == files_.end() || it->second.locked || files_.count(Key(to)) || !Writable(from) || !Writable(to))
        return false;
    File moved = std::move(it->second);
    files_.erase(it);
    moved.path = to;
    files_[Key(to)] = std::move(moved);
    return true;
}

std::unique_ptr<WritableFile> MemoryFileSystem::CreateAlways(const String& path) {
    auto it = files_.find(Key(path));
    if (path.empty() || !Writable(path) || (it != files_.end() && it->second.locked))
        throw EFCreateError(u"Не удалось создать файл " + path);
    files_[Key(path)] = {path, {}, true};
    return std::make_unique<MemoryFile>(*this, path);
}

// ---- shell and dialogs ----

std::intptr_t MemoryShell::Execute(const String& verb, const String& file, const String& parameters,
                                   const String& directory, int showCommand) {
    calls.push_back({verb, file, parameters, directory, showCommand});
    if (onExecute) onExecute(calls.back());
    return 42;
}

DialogResult MemoryDialogs::Show(const String& text, const String& caption, DialogIcon icon) {
    shown.push_back({text, caption, icon});
    if (answers.empty()) return DialogResult::Ok;
    const DialogResult answer = answers.front();
    answers.pop_front();
    return answer;
}

// ---- windowing ----

namespace {

class RecordedWindow final : public NativeWindow {
public:
    RecordedWindow(MemoryWindowing& windowing, std::size_t index) : windowing_(windowing), index_(index) {}
    ~RecordedWindow() override { windowing_.windows[index_].destroyed = true; }
    std::size_t index() const { return index_; }

private:
    MemoryWindowing& windowing_;
    std::size_t index_;
};

}  // namespace

std::unique_ptr<NativeWindow> MemoryWindowing::CreateMainWindow(const WindowDefinition& definition,
                                                                WindowEvents& events) {
    windows.push_back({definition, &events});
    return std::make_unique<RecordedWindow>(*this, windows.size() - 1);
}

int MemoryWindowing::RunMessageLoop(NativeWindow& mainWindow) {
    Window& window = windows.at(static_cast<RecordedWindow&>(mainWindow).index());
    window.shown = true;
    loopRan = true;
    while (!quitCode) {
        if (script_.empty()) throw std::logic_error("message loop would wait forever: nothing scripted, no quit");
        const auto [action, index] = script_.front();
        script_.pop_front();
        if (action == Action::ClickButton) {
            window.events->ButtonClicked(index);
        } else {
            window.events->CloseRequested();
        }
    }
    return *quitCode;
}

}  // namespace toolkit::memory
