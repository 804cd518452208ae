// Removal of shared blocks whose creator has died (killed, exited without releasing, crashed).
#pragma once

#include <cstddef>
#include <filesystem>

namespace corvane {

// Removes from `folder` (the shared-memory folder) every block of this system that no running
// process holds. A block of this system is a regular file of this user, mode 0600, named by an
// ID text ("{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"), whose size is exactly the image its header
// describes (a bivariate block) or that of a transform engine's grid (IsFTUBlockSize). It is held
// while its creator's lock is on it, or while any process has it open or mapped (so blocks of
// creators that take no lock are kept as long as they live). Returns the number removed; failures
// are skipped, never reported.
std::size_t SweepOrphanedBlocks(const std::filesystem::path& folder = "/dev/shm");

}  // namespace corvane
