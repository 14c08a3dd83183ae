#include "common/SettingsStore.h"
#include "common/PasswordScrambler.h"
#include "common/PhoneNumber.h"
#include "support/TempDir.h"

#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace korvex {
namespace {

TEST(SettingsStore, ApplicationValuesHaveTheirDefaultsAndRoundTrip) {
    test::TempDir dir;
    {
        SettingsStore store;  // from KORVEX_SETTINGS
        EXPECT_EQ(store.FilePath(), dir.SettingsPath());
        EXPECT_EQ(store.Read(settings::kMainLeft), 100);
        EXPECT_EQ(store.Read(settings::kMainHeight), 420);
        EXPECT_EQ(store.Read(settings::kModemLineID), -1);
        EXPECT_EQ(store.Read(settings::kPagerWaitTime), 8);
        EXPECT_EQ(store.Read(settings::kCamerasUsed), "");
        store.Write(settings::kPostrixLaunched, 1);
        store.Write(settings::kCamerasUsed, "031");
    }
    struct stat info {};
    ASSERT_EQ(stat(QFile::encodeName(dir.SettingsPath()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    SettingsStore again(dir.SettingsPath());
    EXPECT_EQ(again.Read(settings::kPostrixLaunched), 1);
    EXPECT_EQ(again.ReadInt("Postrix\\Settings", "PostrixLaunched", 0), 1);
    EXPECT_EQ(again.Read(settings::kCamerasUsed), "031");
}

TEST(SettingsStore, CapabilityFlagsComeFromTheProgramsBaseName) {
    test::TempDir dir;
    SettingsStore store(dir.SettingsPath());
    store.WriteInt("Capabilities", "notify", 5);
    EXPECT_EQ(CapabilityFlags(store, "/opt/tools/notify.sh.bak"), 5);
    EXPECT_EQ(CapabilityFlags(store, "notify"), 5);
    EXPECT_EQ(CapabilityFlags(store, "/opt/other"), 0);
    EXPECT_EQ(CapabilityFlags(store, ""), 0);
}

TEST(PasswordScrambler, ScrambledTextIsEightyHexCharactersAndComesBack) {
    const QRegularExpression hex("^[0-9A-F]{80}$");
    for (const QString& plain : {QString("secret"), QString("x"), QString("ÄÖÜ päss"),
                                 QString(20, u'z'), QString(39, u'a')}) {
        const ScrambledPassword stored = ScramblePassword(plain);
        EXPECT_NE(stored.byteWord, 0);
        EXPECT_TRUE(hex.match(stored.text).hasMatch()) << stored.text.toStdString();
        EXPECT_EQ(UnscramblePassword(stored.byteWord, stored.text), plain);
    }
    const QString longPassword(100, u'k');
    const ScrambledPassword stored = ScramblePassword(longPassword);
    EXPECT_EQ(stored.text.size(), 240);
    EXPECT_EQ(UnscramblePassword(stored.byteWord, stored.text), longPassword);
}

TEST(PasswordScrambler, EmptyAndDamagedFormsGiveNoPassword) {
    const ScrambledPassword empty = ScramblePassword("");
    EXPECT_EQ(empty.byteWord, 0);
    EXPECT_TRUE(empty.text.isEmpty());
    const ScrambledPassword stored = ScramblePassword("secret");
    EXPECT_EQ(UnscramblePassword(0, stored.text), "");
    EXPECT_EQ(UnscramblePassword(stored.byteWord, stored.text.left(78)), "");
    EXPECT_EQ(UnscramblePassword(stored.byteWord, QString(80, u'G')), "");
    // The same password stored twice looks different.
    EXPECT_NE(ScramblePassword("secret").text, stored.text);
}

TEST(PhoneNumber, KeepsDialCharactersDropsPunctuationRefusesTheRest) {
    EXPECT_EQ(CleanPhoneNumber("+1 (555) 123-45.67?"), "15551234567");
    EXPECT_EQ(CleanPhoneNumber("9,,555#*@"), "9,,555#*@");
    EXPECT_EQ(CleanPhoneNumber(""), "");
    EXPECT_FALSE(CleanPhoneNumber("555-CALL").has_value());
    EXPECT_FALSE(CleanPhoneNumber("555;ATH").has_value());
}

}  // namespace
}  // namespace korvex
