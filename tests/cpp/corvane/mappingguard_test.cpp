// The mapping guard: a shared mapping whose file is shortened under it reads zeros and reports the
// damage, while a fault outside every guarded mapping still ends the process.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "Corvane/MappingGuard.h"

namespace {

using corvane::CMappingGuard;
namespace fs = std::filesystem;

constexpr std::size_t kBytes = 1 << 16;

// A file of kBytes bytes of 0x5A, mapped shared; removed at the end of the test.
class MappedFile {
public:
    MappedFile() {
        std::string pattern = (fs::temp_directory_path() / "mappingguard-XXXXXX").string();
        fd_ = ::mkstemp(pattern.data());
        path_ = pattern;
        std::string bytes(kBytes, '\x5A');
        EXPECT_EQ(::write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(kBytes));
        view_ = static_cast<unsigned char*>(::mmap(nullptr, kBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0));
    }
    ~MappedFile() {
        ::munmap(view_, kBytes);
        ::close(fd_);
        fs::remove(path_);
    }
    void Shorten(std::size_t bytes) { ASSERT_EQ(::ftruncate(fd_, static_cast<off_t>(bytes)), 0); }
    std::uintmax_t Size() const { return fs::file_size(path_); }
    volatile unsigned char* view() { return view_; }

private:
    int fd_ = -1;
    fs::path path_;
    unsigned char* view_ = nullptr;
};

TEST(MappingGuard, APageThatLostItsFileReadsZeroAndIsReported) {
    MappedFile file;
    CMappingGuard guard(const_cast<unsigned char*>(file.view()), kBytes);
    EXPECT_FALSE(guard.Damaged());
    file.Shorten(4096);
    EXPECT_EQ(file.view()[100], 0x5A);  // the first page still has its file
    EXPECT_FALSE(guard.Damaged());
    EXPECT_EQ(file.view()[kBytes - 1], 0);
    EXPECT_TRUE(guard.Damaged());
    file.view()[3 * 4096] = 7;  // writes land in the stand-in page, not in the file
    EXPECT_EQ(file.view()[3 * 4096], 7);
    EXPECT_EQ(file.Size(), 4096u);
}

TEST(MappingGuard, ReleasedOrOtherGuardsSeeNoDamage) {
    MappedFile damaged, intact;
    CMappingGuard a(const_cast<unsigned char*>(damaged.view()), kBytes);
    CMappingGuard b(const_cast<unsigned char*>(intact.view()), kBytes);
    damaged.Shorten(0);
    EXPECT_EQ(damaged.view()[0], 0);
    EXPECT_TRUE(a.Damaged());
    EXPECT_FALSE(b.Damaged());
    a.Release();
    EXPECT_FALSE(a.Damaged());
    a.Watch(const_cast<unsigned char*>(intact.view()), kBytes);  // a slot is reused afresh
    EXPECT_FALSE(a.Damaged());
}

// Faults in several threads at once, while guards come and go: each guard sees its own damage only.
TEST(MappingGuardThreads, EachGuardSeesOnlyItsOwnDamage) {
    constexpr int kRounds = 50;
    std::vector<std::thread> threads;
    std::vector<int> mistakes(3, 0);
    for (int t = 0; t < 2; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                MappedFile damaged, intact;
                CMappingGuard a(const_cast<unsigned char*>(damaged.view()), kBytes);
                CMappingGuard b(const_cast<unsigned char*>(intact.view()), kBytes);
                damaged.Shorten(4096);
                mistakes[t] += damaged.view()[kBytes - 1] != 0 || intact.view()[kBytes - 1] != 0x5A;
                mistakes[t] += !a.Damaged() || b.Damaged();
            }
        });
    threads.emplace_back([&] {
        MappedFile file;
        for (int round = 0; round < 20 * kRounds; ++round) {
            CMappingGuard g(const_cast<unsigned char*>(file.view()), kBytes);
            mistakes[2] += g.Damaged();
        }
    });
    for (auto& t : threads) t.join();
    EXPECT_EQ(mistakes, std::vector<int>(3, 0));
}

// Killed by the signal, or ended by a sanitizer's report of it.
bool EndedByBusError(int status) {
    return (WIFSIGNALED(status) && WTERMSIG(status) == SIGBUS) || (WIFEXITED(status) && WEXITSTATUS(status) != 0);
}

// Reads a shortened mapping that no guard watches while another mapping is guarded.
int ReadUnguardedShortenedMapping() {
    MappedFile guarded;
    MappedFile unguarded;
    CMappingGuard guard(const_cast<unsigned char*>(guarded.view()), kBytes);
    unguarded.Shorten(0);
    return unguarded.view()[0];
}

TEST(MappingGuardDeathTest, AFaultOutsideEveryGuardedMappingStillEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(ReadUnguardedShortenedMapping()), EndedByBusError, "");
}

}  // namespace
