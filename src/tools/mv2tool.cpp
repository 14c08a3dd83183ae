// mv2tool: looks into MV2 video buffer files from the command line.
//   mv2tool info FILE          header fields, counts, peak rate, first and last frame time
//   mv2tool frames FILE        one line per record: offset, time, length, key flag
//   mv2tool verify FILE        status 0 when every record up to the end reads; otherwise
//                              the offset of the first bad record and status 1
//   mv2tool export FILE OUT    writes the frames into an AVI file

#include "buffer/AviExporter.h"
#include "buffer/Mv2Reader.h"
#include "common/FourCC.h"
#include "common/SettingsStore.h"
#include "common/UserPrompt.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <ctime>

using namespace korvex;

namespace {

constexpr int kExitBad = 1;
constexpr int kExitUsage = 2;

int Usage() {
    std::fprintf(stderr,
                 "usage: mv2tool info FILE\n"
                 "       mv2tool frames FILE\n"
                 "       mv2tool verify FILE\n"
                 "       mv2tool export FILE.mv2 OUT.avi\n");
    return kExitUsage;
}

QByteArray TimeText(std::time_t t) {
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

int Info(CMv2Reader& reader) {
    const Mv2Header& header = reader.Header();
    const BitmapInfoHeader& info = reader.Format().Header();
    std::printf("magic: %s\n", FourCCToString(header.Magic()).c_str());
    std::printf("fourcc: %s\n", FourCCToString(header.FourCC()).c_str());
    std::printf("large frames: %u\n", header.LargeFrames());
    std::printf("frame size: %d x %d\n", info.biWidth, info.biHeight);
    std::printf("bit count: %u\n", info.biBitCount);
    std::printf("format bytes: %zu\n", reader.Format().Size());
    if (header.IsOldForm()) {
        std::printf("base time: none (record times are absolute)\n");
    } else {
        std::printf("base time: %s\n", TimeText(reader.BaseTime()).constData());
    }
    std::printf("frames: %lld\n", static_cast<long long>(reader.FrameCount()));
    std::printf("key frames: %lld\n", static_cast<long long>(reader.KeyFrameCount()));
    std::printf("events: %lld\n", static_cast<long long>(reader.EventCount()));
    std::printf("peak rate: %d\n", reader.PeakRate());
    if (reader.FrameCount() > 0) {
        std::printf("first frame: %s\n", TimeText(reader.FirstFrameTime()).constData());
        std::printf("last frame: %s\n", TimeText(reader.LastFrameTime()).constData());
    }
    return 0;
}

// Walks every record from the first; reports the first one that doesn't read whole.
// Returns the offset where the walk stopped.
template <typename Visit>
int64_t Walk(CMv2Reader& reader, Visit visit) {
    int64_t pos = reader.FirstRecordOffset();
    Mv2RecordInfo record;
    while (reader.ReadRecord(pos, record, false) == CMv2Reader::ReadStatus::Ok) {
        visit(record);
        pos = record.NextOffset();
    }
    return pos;
}

int Frames(CMv2Reader& reader) {
    std::printf("offset\ttime\tlength\tkey\n");
    Walk(reader, [](const Mv2RecordInfo& r) {
        std::printf("%lld\t%s\t%u\t%s\n", static_cast<long long>(r.offset),
                    TimeText(r.time).constData(), r.length, r.keyFrame ? "key" : "-");
    });
    return 0;
}

int Verify(CMv2Reader& reader, int64_t fileSize) {
    int64_t records = 0;
    const int64_t end = Walk(reader, [&records](const Mv2RecordInfo&) { ++records; });
    if (end != fileSize) {
        std::printf("bad record at offset %lld after %lld good records\n",
                    static_cast<long long>(end), static_cast<long long>(records));
        return kExitBad;
    }
    std::printf("ok: %lld records\n", static_cast<long long>(records));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        return Usage();
    }
    const QString command = args[1];
    const QString path = args[2];
    HeadlessPrompt prompt;
    SettingsStore settings;

    if (command == QLatin1String("export")) {
        if (args.size() != 4) {
            return Usage();
        }
        AviExporter exporter(&prompt, &settings);
        return exporter.Export(path, args[3]) ? 0 : kExitBad;
    }
    if (args.size() != 3) {
        return Usage();
    }
    CMv2Reader reader(&prompt, &settings);
    if (command == QLatin1String("info") || command == QLatin1String("frames") ||
        command == QLatin1String("verify")) {
        if (!reader.Open(path)) {
            if (command == QLatin1String("verify")) {
                std::printf("bad header at offset 0\n");
            }
            return kExitBad;
        }
    } else {
        return Usage();
    }
    if (command == QLatin1String("info")) {
        return Info(reader);
    }
    if (command == QLatin1String("frames")) {
        return Frames(reader);
    }
    return Verify(reader, QFileInfo(path).size());
}
