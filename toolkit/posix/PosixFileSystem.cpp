#include "toolkit/posix/PosixFileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "toolkit/Exception.h"

namespace toolkit::posix {
namespace {

String ErrnoText(int error) { return Utf8ToString(std::strerror(error)); }

class PosixFile final : public WritableFile {
public:
    PosixFile(int fd, String path) : fd_(fd), path_(std::move(path)) {}
    ~PosixFile() override { ::close(fd_); }
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    void Write(std::span<const std::uint8_t> bytes) override {
        while (!bytes.empty()) {
            const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) throw EInOutError(u"Ошибка записи в файл " + path_ + u": " + ErrnoText(errno));
            bytes = bytes.subspan(static_cast<std::size_t>(n));
        }
    }

    void Flush() override {
        if (::fsync(fd_) != 0) throw EInOutError(u"Ошибка записи на диск файла " + path_ + u": " + ErrnoText(errno));
    }

private:
    int fd_;
    String path_;
};

}  // namespace

bool PosixFileSystem::Exists(const String& path) {
    struct stat st {};
    return ::stat(StringToUtf8(path).c_str(), &st) == 0;
}

bool PosixFileSystem::Delete(const String& path) { return ::unlink(StringToUtf8(path).c_str()) == 0; }

bool PosixFileSystem::Move(const String& from, const String& to) {
    // link+unlink refuses an existing target, as a plain rename on Windows does.
    const std::string source = StringToUtf8(from), target = StringToUtf8(to);
    if (::link(source.c_str(), target.c_str()) != 0) return false;
    ::unlink(source.c_str());
    return true;
}

std::unique_ptr<WritableFile> PosixFileSystem::CreateAlways(const String& path) {
    const int fd = ::open(StringToUtf8(path).c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw EFCreateError(u"Не удалось создать файл " + path + u": " + ErrnoText(errno));
    return std::make_unique<PosixFile>(fd, path);
}

}  // namespace toolkit::posix
