// The engines' shared blocks: created once under a name, read by name within their size, removed
// with their owner.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "Corvane/BlockSweep.h"
#include "Corvane/FTUBlock.h"
#include "automation/failure.h"
#include "automation/guid.h"

namespace {

using namespace corvane;

std::string NewId() { return automation::GuidText(automation::NewGuid()); }
std::filesystem::path ShmPath(const std::string& id) { return std::filesystem::path("/dev/shm") / id; }

TEST(FTUBlock, AReaderSeesTheOwnersDoublesAndTheNameGoesWithTheOwner) {
    const std::string id = NewId();
    auto block = CFTUBlock::Create(id, 24);
    struct stat st {};
    ASSERT_EQ(::stat(ShmPath(id).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(st.st_size, 24 * 8);
    for (std::size_t i = 0; i < block->size(); ++i) EXPECT_EQ(block->data()[i], 0.0);
    block->data()[23] = 2.5;
    {
        CFTUBlockView view(id, 24);
        block.reset();  // the reader keeps its view
        EXPECT_FALSE(std::filesystem::exists(ShmPath(id)));
        EXPECT_EQ(view.data()[23], 2.5);
    }
}

TEST(FTUBlock, ReadersAndOwnersAreRefusedWhatTheBlockCannotGive) {
    const std::string id = NewId();
    auto block = CFTUBlock::Create(id, 16);
    try {
        CFTUBlock::Create(id, 16);  // the name is taken: it is not removed for its owner
        ADD_FAILURE() << "a second block under one name";
    } catch (const automation::StatusError& e) {
        EXPECT_EQ(e.code(), automation::E_OUTOFMEMORY);
        EXPECT_EQ(e.description(), "Could not create mapping object");
    }
    EXPECT_TRUE(std::filesystem::exists(ShmPath(id)));
    auto refused = [](const std::string& name, std::size_t doubles, const std::string& text) {
        try {
            CFTUBlockView view(name, doubles);
            ADD_FAILURE() << "expected \"" << text << "\"";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(e.what(), text);
        }
    };
    refused(id, 17, "Could not map view of file");  // past the end of the block
    refused(NewId(), 16, "Could not create mapping object");
    CFTUBlockView within(id, 16);
}

TEST(FTUBlock, TheSweepRemovesTheBlockOfADeadEngineOnly) {
    const std::string orphan = NewId(), liveId = NewId();
    const pid_t child = ::fork();
    if (child == 0) {
        CFTUBlock::Create(orphan, 4 * 6).release();  // a 4 x 4 grid, never released
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(std::filesystem::exists(ShmPath(orphan)));
    auto live = CFTUBlock::Create(liveId, 4 * 6);
    SweepOrphanedBlocks();
    EXPECT_FALSE(std::filesystem::exists(ShmPath(orphan)));
    EXPECT_TRUE(std::filesystem::exists(ShmPath(liveId)));
    EXPECT_TRUE(IsFTUBlockSize(8 * 4 * 6));
    EXPECT_TRUE(IsFTUBlockSize(8 * 8192 * 8194));
    EXPECT_FALSE(IsFTUBlockSize(8 * 4 * 6 + 8));
    EXPECT_FALSE(IsFTUBlockSize(8 * 16384 * 16386));
}

TEST(FTUBlock, ABlockShortenedByAnotherProgramFailsWhatReadsIt) {
    const std::string id = NewId();
    const std::size_t doubles = 64 * 66;  // several pages
    auto block = CFTUBlock::Create(id, doubles);
    CFTUBlockView view(id, doubles);
    const int fd = ::shm_open(("/" + id).c_str(), O_RDWR, 0);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 4096), 0);
    ::close(fd);
    block->ThrowIfDamaged();  // nothing past the end has been touched yet
    volatile double read = view.data()[doubles - 1];
    EXPECT_EQ(read, 0.0);
    EXPECT_THROW(view.ThrowIfDamaged(), std::runtime_error);
    block->data()[doubles - 1] = 1.0;
    EXPECT_THROW(block->ThrowIfDamaged(), std::runtime_error);
}

}  // namespace
