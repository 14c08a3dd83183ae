#pragma once

#include "buffer/Mv2Header.h"
#include "common/Clock.h"
#include "common/Dib.h"

#include <QString>

#include <cstdint>
#include <ctime>
#include <functional>
#include <span>
#include <vector>

namespace korvex {

class UserPrompt;

// Writes one MV2 video buffer file. The file is opened and closed around every operation,
// and every record is written in one piece and the file cut right after it, so a program
// that is killed leaves a file that is whole up to its last record.
// With an empty directory the writer is switched off: every operation succeeds and touches
// no file.
class CMv2Writer {
public:
    // Receives each reported failure: the message number and the composed text
    // "Device <dir> - <system text> <message>".
    using FailureListener = std::function<void(int messageId, const QString& text)>;

    // The base time of the records is the moment of construction minus 100 seconds, so
    // that no record time is ever 0.
    explicit CMv2Writer(const Clock& clock, UserPrompt* prompt = nullptr);

    void SetDirectory(const QString& directory) { directory_ = directory; }
    const QString& Directory() const { return directory_; }
    void SetFailureListener(FailureListener listener) { failure_ = std::move(listener); }
    // With recording off no file is created and no record written; the state goes on.
    void SetDoRecording(bool on) { doRecording_ = on; }
    bool DoRecording() const { return doRecording_; }
    // Flush each record to the disk before the file is closed.
    void SetWriteDirect(bool on) { writeDirect_ = on; }
    void SetLimit(bool on, int64_t limitKb) {
        limitOn_ = on;
        limitKb_ = limitKb;
    }

    // Creates (replacing) the buffer file `name` in the directory with a header for frames
    // of `fourcc` described by `format`. Reports 901 on failure.
    bool CreateBufferFile(const QString& name, uint32_t fourcc, const DibFormat& format);
    // Creates the file again under the same path, format and base time.
    bool Recreate();
    // Appends one record of compressed data. Refused while the error flag is set and after
    // a reset until a file is created or reopened.
    bool AppendRecord(std::span<const uint8_t> data, bool keyFrame);
    // Opens an existing "mv02" buffer file for further appending. A torn last record (a
    // crash while it was written) is cut off, so records appended later stay readable.
    bool Reopen(const QString& name);
    // Forgets the contents; the file on disk is not changed.
    void Reset();

    // The buffer holds recorded frames (at least 1000 bytes).
    bool HasData() const { return !directory_.isEmpty() && writePos_ >= 1000; }
    bool BelowLimit() const;
    QString Path() const { return path_; }

    int64_t WritePos() const { return writePos_; }
    int64_t CommitPos() const { return commitPos_; }
    // Keeps everything written so far.
    void Commit() { commitPos_ = writePos_; }
    // Drops the records written since the last commit; the next record overwrites them.
    void DropUncommitted() { writePos_ = commitPos_; }

    bool HasError() const { return error_; }
    std::time_t StartTime() const { return startTime_; }
    uint32_t FourCC() const { return fourcc_; }
    const DibFormat& Format() const { return format_; }

private:
    bool CreateFile();
    bool ReportFailure(int messageId);

    const Clock& clock_;
    UserPrompt* prompt_;
    FailureListener failure_;
    QString directory_;
    QString path_;
    std::time_t startTime_;
    uint32_t fourcc_ = kFourCCDib;
    DibFormat format_;
    int64_t writePos_ = 0;
    int64_t commitPos_ = 0;
    bool doRecording_ = true;
    bool writeDirect_ = false;
    bool limitOn_ = false;
    int64_t limitKb_ = 0;
    bool error_ = false;
    std::vector<uint8_t> record_;
};

}  // namespace korvex
