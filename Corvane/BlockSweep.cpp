#include "Corvane/BlockSweep.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "Corvane/BivBlock.h"
#include "Corvane/FTUBlock.h"

namespace corvane {

namespace {

struct Candidate {
    std::string name;
    int fd;  // holds the exclusive lock that proves no creator holds its own
    dev_t dev;
    ino_t ino;
    bool held = false;
};

bool IsIdText(std::string_view name) {
    constexpr std::string_view shape = "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
    if (name.size() != shape.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        const bool ok = shape[i] == 'X' ? (std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'F'))
                                        : c == shape[i];
        if (!ok) return false;
    }
    return true;
}

// A block of this system that no creator locks, opened and locked exclusively; -1 otherwise.
int OpenUnlockedBlock(int dirFd, const char* name, struct stat& st) {
    const int fd = ::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    std::array<std::byte, kBivHeaderBytes> header{};
    const bool ours = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
                      (st.st_mode & 07777) == 0600 &&
                      (IsFTUBlockSize(static_cast<std::size_t>(st.st_size)) ||
                       (::pread(fd, header.data(), header.size(), 0) == static_cast<ssize_t>(header.size()) &&
                        BivImageBytes(header) == static_cast<std::size_t>(st.st_size)));
    if (!ours || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void MarkHeld(std::vector<Candidate>& candidates, dev_t dev, ino_t ino) {
    for (auto& c : candidates)
        if (c.dev == dev && c.ino == ino) c.held = true;
}

// Marks the candidates that a running process (this one aside from its candidate descriptors)
// has open or mapped.
void MarkHeldByProcesses(std::vector<Candidate>& candidates) {
    const std::unique_ptr<DIR, int (*)(DIR*)> proc(::opendir("/proc"), &::closedir);
    if (!proc) return;
    const std::string self = std::to_string(::getpid());
    while (const dirent* e = ::readdir(proc.get())) {
        const std::string pid = e->d_name;
        if (pid.empty() || !std::isdigit(static_cast<unsigned char>(pid[0]))) continue;
        std::ifstream maps("/proc/" + pid + "/maps");
        for (std::string line; std::getline(maps, line);) {
            // address perms offset major:minor inode path
            std::istringstream fields(line);
            std::string address, perms, offset, device;
            unsigned long long inode = 0;
            unsigned major = 0, minor = 0;
            if (!(fields >> address >> perms >> offset >> device >> inode) || inode == 0) continue;
            if (std::sscanf(device.c_str(), "%x:%x", &major, &minor) != 2) continue;
            MarkHeld(candidates, makedev(major, minor), static_cast<ino_t>(inode));
        }
        const std::string fdDir = "/proc/" + pid + "/fd";
        const std::unique_ptr<DIR, int (*)(DIR*)> fds(::opendir(fdDir.c_str()), &::closedir);
        if (!fds) continue;
        while (const dirent* f = ::readdir(fds.get())) {
            if (!std::isdigit(static_cast<unsigned char>(f->d_name[0]))) continue;
            if (pid == self) {
                const int n = std::stoi(f->d_name);
                bool mine = false;
                for (const auto& c : candidates) mine = mine || c.fd == n;
                if (mine) continue;
            }
            struct stat st {};
            if (::stat((fdDir + "/" + f->d_name).c_str(), &st) == 0) MarkHeld(candidates, st.st_dev, st.st_ino);
        }
    }
}

}  // namespace

std::size_t SweepOrphanedBlocks(const std::filesystem::path& folder) {
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
    if (!dir) return 0;
    const int dirFd = ::dirfd(dir.get());
    std::vector<Candidate> candidates;
    while (const dirent* e = ::readdir(dir.get())) {
        if (!IsIdText(e->d_name)) continue;
        struct stat st {};
        const int fd = OpenUnlockedBlock(dirFd, e->d_name, st);
        if (fd >= 0) candidates.push_back({e->d_name, fd, st.st_dev, st.st_ino});
    }
    if (!candidates.empty()) MarkHeldByProcesses(candidates);
    std::size_t removed = 0;
    for (const auto& c : candidates) {
        struct stat now {};
        // The name must still be the file that was checked, while the lock is still ours.
        if (!c.held && ::fstatat(dirFd, c.name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_dev == c.dev &&
            now.st_ino == c.ino && ::unlinkat(dirFd, c.name.c_str(), 0) == 0)
            ++removed;
        ::close(c.fd);
    }
    return removed;
}

}  // namespace corvane
