#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace korvex {

// Reads the file of a mail attachment in chunks. The file is opened with others still
// allowed to read and write it. A file that ends before the size it had when opened counts
// as a read error, so a shortened file is never sent as if it were complete.
class AttachmentReader {
public:
    enum class ReadStatus { Data, End, Failed };

    AttachmentReader() = default;
    ~AttachmentReader();
    AttachmentReader(const AttachmentReader&) = delete;
    AttachmentReader& operator=(const AttachmentReader&) = delete;

    // False when the file cannot be opened; Error() then says why.
    bool Open(const QString& path);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    // Replaces `chunk` with up to `maxBytes` next bytes of the file. End when the file is
    // read through; Failed with Error() on a read error or when no file is open.
    ReadStatus Read(std::size_t maxBytes, std::vector<uint8_t>& chunk);
    QString Error() const { return error_; }

private:
    int fd_ = -1;
    QString path_;
    QString error_;
    int64_t sizeAtOpen_ = 0;
    int64_t bytesRead_ = 0;
};

}  // namespace korvex
