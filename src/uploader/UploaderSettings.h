#pragma once

#include "common/SettingsStore.h"
#include "uploader/FtpUploadWorker.h"
#include "uploader/SmtpClient.h"

#include <QString>

#include <cstdint>

namespace korvex {

// The uploader's values in its own profile group "Postrix" of the shared settings file.
namespace uploader_settings {
inline constexpr IntSetting kNeedDialup{"Postrix/General", "NeedDialup", 1, 0, 1};
inline constexpr IntSetting kDoFtp{"Postrix/General", "DoFtp", 1, 0, 1};
inline constexpr IntSetting kDoMail{"Postrix/General", "DoMail", 0, 0, 1};
inline constexpr IntSetting kUpdateFreq{"Postrix/General", "UpdateFreq", 500, 10, 3600000};
inline constexpr IntSetting kFtpPasswordWord{"Postrix/General", "Bytes1", 0, INT32_MIN, INT32_MAX};
inline constexpr StringSetting kFtpPasswordText{"Postrix/General", "BytesInfo1", ""};
inline constexpr IntSetting kMailPasswordWord{"Postrix/General", "Bytes2", 0, INT32_MIN, INT32_MAX};
inline constexpr StringSetting kMailPasswordText{"Postrix/General", "BytesInfo2", ""};

inline constexpr StringSetting kFtpHost{"Postrix/Ftp", "Host", ""};
inline constexpr StringSetting kFtpAccount{"Postrix/Ftp", "Account", ""};
inline constexpr IntSetting kFtpNeedToWait{"Postrix/Ftp", "NeedToWait", 1, 0, 1};
inline constexpr IntSetting kFtpWaitTime{"Postrix/Ftp", "WaitTime", 60, 0, 86400};

inline constexpr StringSetting kMailHost{"Postrix/Mail", "Host", ""};
inline constexpr StringSetting kMailFromId{"Postrix/Mail", "FromID", ""};
inline constexpr StringSetting kMailFromName{"Postrix/Mail", "FromName", ""};
inline constexpr StringSetting kMailToId{"Postrix/Mail", "ToID", ""};
inline constexpr StringSetting kMailSubject{"Postrix/Mail", "Subject", "KORVEX! Alert!"};
inline constexpr IntSetting kMailNeedToWait{"Postrix/Mail", "NeedToWait", 1, 0, 1};
inline constexpr IntSetting kMailWaitTime{"Postrix/Mail", "WaitTime", 60, 0, 86400};
inline constexpr IntSetting kMailPortNumber{"Postrix/Mail", "PortNumber", 25, 1, 65535};
inline constexpr IntSetting kMailSecurity{"Postrix/Mail", "Security", 0, 0, 2};
inline constexpr StringSetting kMailUser{"Postrix/Mail", "User", ""};
inline constexpr StringSetting kMailCaFile{"Postrix/Mail", "CAFile", ""};

// "LPCount" of "Postrix/Ftp" and "Postrix/Mail": the number of file items; a value above
// 19 (or below 0) counts as 0.
inline constexpr const char* kItemCountName = "LPCount";
inline constexpr int kMaxItems = 19;
}  // namespace uploader_settings

// The FTP connection values.
struct FtpSettings {
    QString host;
    QString account;
    QString password;
    bool needToWait = true;
    int waitTimeSec = 60;

    static FtpSettings Load(const SettingsStore& store);
    void Save(SettingsStore& store) const;
    // The server to upload to: the host may name its port ("ftp.example.org:2121"),
    // otherwise the FTP port 21.
    FtpServer Server() const;
};

// The mail values.
struct MailSettings {
    QString host;
    int port = 25;
    QString fromId;
    QString fromName;
    QString toId;
    QString subject = QString::fromLatin1(uploader_settings::kMailSubject.defaultValue);
    bool needToWait = true;
    int waitTimeSec = 60;
    SmtpSecurity security = SmtpSecurity::None;
    QString user;
    QString password;
    QString caFile;

    static MailSettings Load(const SettingsStore& store);
    void Save(SettingsStore& store) const;
    // The client configuration for sending `attachmentPath` under the name of `watchedFile`.
    SmtpSettings ForMail(const QString& attachmentPath, const QString& watchedFile) const;
};

}  // namespace korvex
