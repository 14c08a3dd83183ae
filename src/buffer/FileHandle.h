#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <span>

namespace korvex {

// An owned POSIX file descriptor with positioned reads and writes. Every operation keeps
// errno of its failure for the caller's message.
class FileHandle {
public:
    FileHandle() = default;
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    // Opens `path` with open(2) flags; an invalid handle on failure.
    static FileHandle Open(const QString& path, int flags, int mode = 0644);

    bool IsOpen() const { return fd_ >= 0; }
    // The file's current length, or -1.
    int64_t Size() const;
    // Reads up to `bytes.size()` bytes at `offset`; returns the count read (less at the end
    // of the file) or -1.
    int64_t ReadAt(int64_t offset, std::span<uint8_t> bytes) const;
    // Writes all of `bytes` at `offset`.
    bool WriteAt(int64_t offset, std::span<const uint8_t> bytes);
    bool Truncate(int64_t length);
    // Flushes the file's data to the disk.
    bool DataSync();
    // Closes the descriptor and reports whether the close succeeded.
    bool Close();

private:
    explicit FileHandle(int fd) : fd_(fd) {}
    int fd_ = -1;
};

}  // namespace korvex
