#include "automation/file_replacement.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <system_error>

namespace automation {

namespace {

[[noreturn]] void ThrowErrno(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

std::string RandomSuffix() {
    std::uint64_t r = 0;
    if (::getrandom(&r, sizeof r, 0) != static_cast<ssize_t>(sizeof r)) r ^= static_cast<std::uint64_t>(::getpid());
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(r));
    return text;
}

}  // namespace

FileReplacement::FileReplacement(const std::filesystem::path& target) {
    std::error_code ec;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(target, ec);
    target_ = ec ? target : resolved;
    struct stat st {};
    const bool exists = ::stat(target_.c_str(), &st) == 0;
    for (int attempt = 0; fd_ < 0; ++attempt) {
        temporary_ = target_;
        temporary_ += ".tmp." + RandomSuffix();
        fd_ = ::open(temporary_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ < 0 && (errno != EEXIST || attempt == 100)) ThrowErrno("cannot create " + temporary_.string());
    }
    if (exists && ::fchmod(fd_, st.st_mode & 07777) != 0) {
        const int err = errno;
        ::close(fd_);
        ::unlink(temporary_.c_str());
        fd_ = -1;
        throw std::system_error(err, std::generic_category(), "cannot set the mode of " + temporary_.string());
    }
}

FileReplacement::~FileReplacement() {
    if (fd_ >= 0) ::close(fd_);
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
}

void FileReplacement::Write(const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ThrowErrno("cannot write " + temporary_.string());
        done += static_cast<std::size_t>(n);
    }
}

void FileReplacement::Commit() {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) ThrowErrno("cannot write " + temporary_.string());
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) ThrowErrno("cannot replace " + target_.string());
    temporary_.clear();
}

}  // namespace automation
