// A new file written beside a target and renamed over it, so that whoever has the old file open or
// mapped keeps the old file whole while the name moves to the new one.
#pragma once

#include <filesystem>
#include <string>

namespace automation {

class FileReplacement {
public:
    // Creates an empty temporary file exclusively (never following a link planted at its name) in
    // the folder of `target`, after resolving the links of an existing target. It has the target's
    // mode when the target exists, otherwise 0666 less the umask. Throws std::system_error.
    explicit FileReplacement(const std::filesystem::path& target);
    // Removes the temporary file unless it was committed.
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // The temporary file, open read-write.
    int fd() const { return fd_; }
    // Writes all of `bytes` at the current offset; throws std::system_error.
    void Write(const std::string& bytes);
    // Closes the temporary file and renames it over the target; throws std::system_error.
    void Commit();

private:
    std::filesystem::path target_;
    std::filesystem::path temporary_;
    int fd_ = -1;
};

}  // namespace automation
