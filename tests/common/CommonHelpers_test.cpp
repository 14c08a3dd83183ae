#include "common/Dib.h"
#include "common/FourCC.h"
#include "common/Paths.h"
#include "common/StringTable.h"
#include "common/TimeName.h"

#include "support/TempDir.h"

#include <QFileInfo>

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

namespace korvex {
namespace {

TEST(StringTable, NumbersAreUniqueAndTextsFound) {
    std::set<int> seen;
    for (const auto& table : AllStringTables()) {
        for (const StringEntry& entry : table) {
            EXPECT_TRUE(seen.insert(entry.id).second) << "string " << entry.id << " twice";
        }
    }
    EXPECT_EQ(Str(160), "Idle");
    EXPECT_EQ(FindString(999999), nullptr);
    EXPECT_TRUE(Str(999999).isEmpty());
}

TEST(Dib, RowsArePaddedToFourBytes) {
    EXPECT_EQ(DibRowBytes(320, 24), 960);
    EXPECT_EQ(DibRowBytes(101, 24), 304);
    EXPECT_EQ(DibRowBytes(3, 8), 4);
    EXPECT_EQ(DibRowBytes(5, 16), 12);
    EXPECT_EQ(DibImageBytes(100, -75, 32), 30000);
}

TEST(Dib, EightBitFormatsCarryAColourTable) {
    const DibFormat grey = DibFormat::Rgb(64, 48, 8);
    EXPECT_EQ(grey.Size(), 40u + 256u * 4u);
    ASSERT_EQ(grey.ColourTable().size(), 256u);
    EXPECT_EQ(grey.ColourTable()[255].red, 255);
    EXPECT_EQ(grey.ImageBytes(), 64 * 48);

    const DibFormat rgb = DibFormat::Rgb(320, 240, 24);
    EXPECT_EQ(rgb.Size(), 40u);
    EXPECT_TRUE(rgb.ColourTable().empty());
    EXPECT_EQ(rgb.Header().biSizeImage, 230400u);

    // A block that claims more colours than it holds yields only the entries present.
    std::vector<uint8_t> bytes(rgb.Bytes().begin(), rgb.Bytes().end());
    auto* header = reinterpret_cast<BitmapInfoHeader*>(bytes.data());
    header->biBitCount = 8;
    bytes.resize(40 + 8);
    EXPECT_EQ(DibFormat::FromBytes(bytes).ColourTable().size(), 2u);
    EXPECT_TRUE(DibFormat::FromBytes(std::span(bytes).first(39)).IsEmpty());
}

TEST(FourCC, CodesAreLittleEndianCharacters) {
    EXPECT_EQ(FourCCFromString("DIB "), 0x20424944u);
    EXPECT_EQ(FourCCToString(kFourCCMjpg), "MJPG");
    EXPECT_EQ(FourCCFromHalves(12851, 30313), FourCCFromString("iv32"));
    EXPECT_EQ(FourCCHigh(kFourCCMjpg), 18256);
    EXPECT_EQ(FourCCLow(kFourCCMjpg), 19021);
}

TEST(TimeName, FormsFollowTheLocalTime) {
    setenv("TZ", "UTC", 1);
    tzset();
    const std::time_t t = 1709289245;  // 2024-03-01 10:34:05 UTC
    EXPECT_EQ(MakeTimeName(t, TimeNameForm::Date, "mv2"), "030124.mv2");
    EXPECT_EQ(MakeTimeName(t, TimeNameForm::DateMinute, "jpg"), "030124_1034.jpg");
    EXPECT_EQ(MakeTimeName(t, TimeNameForm::DateSecond, "mv2"), "030124_103405.mv2");
}

TEST(Paths, EnvironmentNamesTheSettingsFileAndDataDirectory) {
    test::TempDir dir;
    EXPECT_EQ(SettingsFilePath(), dir.SettingsPath());
    qputenv("KORVEX_DATA_DIR", QFile::encodeName(dir.File("data/nested")));
    EXPECT_EQ(DataDir(), dir.File("data/nested"));
    EXPECT_TRUE(QFileInfo(dir.File("data/nested")).isDir());
    EXPECT_TRUE(QFileInfo(ProgramDir()).isDir());
    EXPECT_EQ(JoinPath("/a/", "b.mv2"), "/a/b.mv2");
    EXPECT_EQ(JoinPath("/a", "b.mv2"), "/a/b.mv2");
}

}  // namespace
}  // namespace korvex
