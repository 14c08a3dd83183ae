#pragma once

#include "common/Paths.h"

#include <QSettings>
#include <QString>

#include <cstdint>
#include <memory>

namespace korvex {

// An integer value of the store: its section, name, default and valid range. A stored
// value outside the range (a hand-edited or damaged file) reads as the nearest bound, so
// no later division or loop can meet a value it was not written for.
struct IntSetting {
    const char* section;
    const char* name;
    int defaultValue;
    int minValue;
    int maxValue;
};

struct StringSetting {
    const char* section;
    const char* name;
    const char* defaultValue;
};

// The settings shared by the three programs: one INI file (mode 0600), sections and
// value names as the programs have always used them. Sections are written with "/" where
// the names have "\" ("Postrix/Settings", "<camera>/General").
class SettingsStore {
public:
    explicit SettingsStore(const QString& path = SettingsFilePath());
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    int Read(const IntSetting& setting) const;
    QString Read(const StringSetting& setting) const;
    void Write(const IntSetting& setting, int value);
    void Write(const StringSetting& setting, const QString& value);

    // Access by section and name, for values whose section is only known at run time
    // (per-camera sections, the capability flags of a program, numbered file items).
    int ReadInt(const QString& section, const QString& name, int defaultValue) const;
    int ReadInt(const QString& section, const QString& name, int defaultValue, int minValue,
                int maxValue) const;
    QString ReadString(const QString& section, const QString& name,
                       const QString& defaultValue) const;
    void WriteInt(const QString& section, const QString& name, int value);
    void WriteString(const QString& section, const QString& name, const QString& value);
    bool Contains(const QString& section, const QString& name) const;

    // Writes pending changes to the file and reads what other programs wrote.
    void Sync();
    QString FilePath() const;

private:
    std::unique_ptr<QSettings> settings_;
};

// Application-wide values of the surveillance program.
namespace settings {
inline constexpr IntSetting kHideAtStartup{"Settings", "HideAtStartup", 0, 0, 1};
inline constexpr StringSetting kCamerasUsed{"Settings", "CamerasUsed", ""};
inline constexpr IntSetting kExtendedName{"Settings", "ExtendedName", 0, 0, 1};
inline constexpr IntSetting kBlankScrnFreq{"Settings", "BlankScrnFreq", 10, 1, 86400};
inline constexpr IntSetting kMaxDelta{"Settings", "MaxDelta", 16, 0, 255};
inline constexpr StringSetting kLastSavedFile{"Settings", "LastSavedFile", ""};
inline constexpr IntSetting kAccessByte{"Settings", "Byte", 0, INT32_MIN, INT32_MAX};
inline constexpr StringSetting kAccessPassword{"Settings", "ByteInfo", ""};
inline constexpr IntSetting kMainLeft{"Settings", "Left", 100, -32000, 32000};
inline constexpr IntSetting kMainTop{"Settings", "Top", 50, -32000, 32000};
inline constexpr IntSetting kMainWidth{"Settings", "Width", 450, 10, 32000};
inline constexpr IntSetting kMainHeight{"Settings", "Height", 420, 10, 32000};
inline constexpr IntSetting kSplashScreen{"Settings", "SplashScreen", 1, 0, 1};
inline constexpr IntSetting kDemoCamera{"Settings", "DemoCamera", 1, 0, 1};

inline constexpr StringSetting kCallNumber{"CallSetup", "CallNumber", ""};
inline constexpr IntSetting kCallByte{"CallSetup", "Byte", 0, INT32_MIN, INT32_MAX};
inline constexpr StringSetting kCallPassword{"CallSetup", "Password", ""};
inline constexpr IntSetting kModemLineID{"CallSetup", "ModemLineID", -1, -1, 255};
inline constexpr StringSetting kPagerNumber{"CallSetup", "PagerNumber", ""};
inline constexpr StringSetting kPageCode{"CallSetup", "PageCode", ""};
inline constexpr IntSetting kPagerLineID{"CallSetup", "PagerLineID", -1, -1, 255};
inline constexpr IntSetting kPagerWaitTime{"CallSetup", "PagerWaitTime", 8, 0, 3600};
inline constexpr IntSetting kListenPort{"CallSetup", "ListenPort", 7431, 1, 65535};
inline constexpr StringSetting kListenAddress{"CallSetup", "ListenAddress", ""};

inline constexpr IntSetting kPostrixLaunched{"Postrix/Settings", "PostrixLaunched", 0, 0, 1};
}  // namespace settings

// The flags of a program that Lookout may launch: the file name of `programPath` cut at
// its first ".", read in section "Capabilities" (default 0).
int CapabilityFlags(const SettingsStore& store, const QString& programPath);

}  // namespace korvex
