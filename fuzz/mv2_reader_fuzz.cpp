// The MV2 file reader on arbitrary file contents: open, index, step through frames and
// events in both directions, and read every record the way the export does.

#include "buffer/Mv2Reader.h"
#include "common/UserPrompt.h"

#include <unistd.h>
#include <cstdint>
#include <cstdio>
#include <string>

using namespace korvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = [] {
        char name[] = "/tmp/mv2_reader_fuzz_XXXXXX";
        const int fd = mkstemp(name);
        if (fd >= 0) {
            close(fd);
        }
        return std::string(name);
    }();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return 0;
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    RecordingPrompt prompt;
    CMv2Reader reader(&prompt);
    if (!reader.Open(QString::fromStdString(path))) {
        return 0;
    }
    const uint8_t steps = size > 0 ? data[size - 1] : 0;
    for (int i = 0; i < 64; ++i) {
        switch ((steps >> (i % 8)) & 3) {
            case 0:
                reader.NextFrame();
                break;
            case 1:
                reader.PreviousFrame();
                break;
            case 2:
                reader.NextEvent();
                break;
            default:
                reader.PreviousEvent();
                break;
        }
    }
    int64_t pos = reader.FirstRecordOffset();
    Mv2RecordInfo record;
    for (int64_t i = 0; i < reader.FrameCount(); ++i) {
        if (reader.ReadRecord(pos, record, true) != CMv2Reader::ReadStatus::Ok) {
            break;
        }
        pos = record.NextOffset();
    }
    reader.Rewind();
    return 0;
}
