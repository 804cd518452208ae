// The sweep of shared blocks: a block whose creator died goes; a block its creator still holds, a
// block some live process has open, and anything that is not a block of this system stay.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "Corvane/BivBlock.h"
#include "Corvane/BlockSweep.h"
#include "automation/guid.h"

namespace {

using namespace corvane;
namespace fs = std::filesystem;

std::string NewId() { return automation::GuidText(automation::NewGuid()); }
bool Exists(const std::string& id) { return fs::exists(fs::path("/dev/shm") / id); }

// A block of nx x ny made by a child process that ends without releasing it. The child's status
// says it made the block: another process's sweep may remove the orphan at any time after.
std::string OrphanOfADeadChild() {
    const std::string id = NewId();
    const pid_t child = ::fork();
    if (child == 0) {
        CBivBlock::CreateShared(id, 4, 2, 1.0, 1.0).release();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return id;
}

// A lookalike block made without the creator's lock: the image of a 4 x 2 block, mode 0600.
int UnlockedLookalike(const std::string& id, std::size_t bytes) {
    const int fd = ::shm_open(("/" + id).c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    std::vector<std::byte> image(bytes);
    const std::int32_t nx = 4, ny = 2;
    std::memcpy(image.data() + 64, &nx, 4);
    std::memcpy(image.data() + 72, &ny, 4);
    EXPECT_EQ(::write(fd, image.data(), image.size()), static_cast<ssize_t>(image.size()));
    return fd;
}

TEST(BlockSweep, RemovesTheBlockOfADeadCreatorOnly) {
    const std::string orphan = OrphanOfADeadChild();
    const std::string liveId = NewId();
    auto live = CBivBlock::CreateShared(liveId, 4, 2, 1.0, 1.0);

    SweepOrphanedBlocks();
    EXPECT_FALSE(Exists(orphan));
    EXPECT_TRUE(Exists(liveId));
    live.reset();
    EXPECT_FALSE(Exists(liveId));
}

TEST(BlockSweep, KeepsWhatALiveProcessHoldsAndWhatIsNoBlock) {
    const std::size_t bytes = BivImageBytes(4, 2);
    const std::string held = NewId(), wrongSize = NewId(), wrongMode = NewId();
    const int heldFd = UnlockedLookalike(held, bytes);
    ::close(UnlockedLookalike(wrongSize, bytes + 8));
    const int modeFd = UnlockedLookalike(wrongMode, bytes);
    ::fchmod(modeFd, 0644);
    ::close(modeFd);

    SweepOrphanedBlocks();
    EXPECT_TRUE(Exists(held));  // open in this process, though nobody locks it
    EXPECT_TRUE(Exists(wrongSize));
    EXPECT_TRUE(Exists(wrongMode));
    ::close(heldFd);
    SweepOrphanedBlocks();
    EXPECT_FALSE(Exists(held));
    EXPECT_TRUE(Exists(wrongSize));
    EXPECT_TRUE(Exists(wrongMode));
    for (const auto& id : {wrongSize, wrongMode}) ::shm_unlink(("/" + id).c_str());
}

// Sweeps running while blocks are being made never take a block from its creator, even in the
// moment between making the object and locking it.
TEST(BlockSweepThreads, NeverRemovesABlockBeingMade) {
    std::atomic<bool> done{false};
    std::thread sweeper([&] {
        while (!done) SweepOrphanedBlocks();
    });
    int lost = 0;
    for (int i = 0; i < 200; ++i) {
        const std::string id = NewId();
        auto block = CBivBlock::CreateShared(id, 2, 2, 1.0, 1.0);
        lost += !Exists(id);
    }
    done = true;
    sweeper.join();
    EXPECT_EQ(lost, 0);
}

}  // namespace
