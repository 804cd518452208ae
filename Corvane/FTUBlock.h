// The named shared blocks that hold the grids of FTUCo engines: a block holds nothing but the
// grid's doubles (num rows of num + 2, IEEE-754 little-endian), so another engine can open it by
// its owner's ID and read the grid in place.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "Corvane/MappingGuard.h"

namespace corvane {

// Whether a shared object of `bytes` bytes has the size of an engine's block: 8 num (num + 2) for
// num = 2^1 ... 2^13 (the sweep of blocks whose creator died recognises engine blocks by it).
bool IsFTUBlockSize(std::size_t bytes);

// A block this object owns: the POSIX shared-memory object "/" + id, mode 0600, of `doubles`
// doubles, zero-filled and backed by allocated pages (so that a full shared-memory file system
// fails here rather than faulting on a later write). The owner holds a shared lock on it for its
// life, which tells the sweep that its creator lives. The name is removed when the block is
// destroyed; a reader that has mapped it keeps its view. Fails with E_OUTOFMEMORY and "Could not
// create mapping object" when the object cannot be made or sized (also when the name exists), and
// with E_UNEXPECTED and "Could not map view of file" when it cannot be mapped.
class CFTUBlock {
public:
    static std::unique_ptr<CFTUBlock> Create(const std::string& id, std::size_t doubles);
    ~CFTUBlock();
    CFTUBlock(const CFTUBlock&) = delete;
    CFTUBlock& operator=(const CFTUBlock&) = delete;

    double* data() const { return data_; }
    std::size_t size() const { return doubles_; }
    // Fails with "The shared block was shortened by another program" once a page of the block has
    // lost its memory (what was read from it since is not the grid).
    void ThrowIfDamaged() const;

private:
    CFTUBlock() = default;

    double* data_ = nullptr;
    std::size_t doubles_ = 0;
    int fd_ = -1;
    std::string name_;
    CMappingGuard guard_;
};

// Another owner's block, opened by its ID and mapped read-only for as long as this view lives.
// Fails with std::runtime_error "Could not create mapping object" when no block has that name and
// "Could not map view of file" when it cannot be mapped or holds fewer than `doubles` doubles.
class CFTUBlockView {
public:
    CFTUBlockView(const std::string& id, std::size_t doubles);
    ~CFTUBlockView();
    CFTUBlockView(const CFTUBlockView&) = delete;
    CFTUBlockView& operator=(const CFTUBlockView&) = delete;

    const double* data() const { return data_; }
    // As CFTUBlock::ThrowIfDamaged, for what was read through this view.
    void ThrowIfDamaged() const;

private:
    const double* data_ = nullptr;
    std::size_t bytes_ = 0;
    CMappingGuard guard_;
};

}  // namespace corvane
