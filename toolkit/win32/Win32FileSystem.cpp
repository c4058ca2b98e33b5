#include "toolkit/Exception.h"
#include "toolkit/win32/Win32Os.h"
#include "toolkit/win32/Wide.h"

namespace toolkit::win32 {
namespace {

String SystemMessage(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    String text = length ? FromWide(buffer, length) : u"код " + IntToStr(static_cast<std::int32_t>(code));
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' ')) text.pop_back();
    return text;
}

class Win32File final : public WritableFile {
public:
    Win32File(Handle handle, String path) : handle_(std::move(handle)), path_(std::move(path)) {}

    void Write(std::span<const std::uint8_t> bytes) override {
        while (!bytes.empty()) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
            DWORD written = 0;
            if (!WriteFile(handle_.get(), bytes.data(), chunk, &written, nullptr) || written == 0)
                throw EInOutError(u"Ошибка записи в файл " + path_ + u": " + SystemMessage(GetLastError()));
            bytes = bytes.subspan(written);
        }
    }

    void Flush() override {
        if (!FlushFileBuffers(handle_.get()))
            throw EInOutError(u"Ошибка записи на диск файла " + path_ + u": " + SystemMessage(GetLastError()));
    }

private:
    Handle handle_;
    String path_;
};

}  // namespace

bool Win32FileSystem::Exists(const String& path) { return GetFileAttributesW(Wide(path)) != INVALID_FILE_ATTRIBUTES; }

bool Win32FileSystem::Delete(const String& path) { return DeleteFileW(Wide(path)) != 0; }

bool Win32FileSystem::Move(const String& from, const String& to) { return MoveFileW(Wide(from), Wide(to)) != 0; }

std::unique_ptr<WritableFile> Win32FileSystem::CreateAlways(const String& path) {
    Handle file(CreateFileW(Wide(path), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        throw EFCreateError(u"Не удалось создать файл " + path + u": " + SystemMessage(GetLastError()));
    return std::make_unique<Win32File>(std::move(file), path);
}

}  // namespace toolkit::win32
