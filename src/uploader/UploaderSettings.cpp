#include "uploader/UploaderSettings.h"

#include "common/PasswordScrambler.h"

namespace korvex {

namespace us = uploader_settings;

namespace {
QString ReadPassword(const SettingsStore& store, const IntSetting& word,
                     const StringSetting& text) {
    return UnscramblePassword(store.Read(word), store.Read(text));
}

void WritePassword(SettingsStore& store, const IntSetting& word, const StringSetting& text,
                   const QString& password) {
    const ScrambledPassword scrambled = ScramblePassword(password);
    store.Write(word, scrambled.byteWord);
    store.Write(text, scrambled.text);
}
}  // namespace

FtpSettings FtpSettings::Load(const SettingsStore& store) {
    FtpSettings s;
    s.host = store.Read(us::kFtpHost);
    s.account = store.Read(us::kFtpAccount);
    s.password = ReadPassword(store, us::kFtpPasswordWord, us::kFtpPasswordText);
    s.needToWait = store.Read(us::kFtpNeedToWait) != 0;
    s.waitTimeSec = store.Read(us::kFtpWaitTime);
    return s;
}

void FtpSettings::Save(SettingsStore& store) const {
    store.Write(us::kFtpHost, host);
    store.Write(us::kFtpAccount, account);
    WritePassword(store, us::kFtpPasswordWord, us::kFtpPasswordText, password);
    store.Write(us::kFtpNeedToWait, needToWait ? 1 : 0);
    store.Write(us::kFtpWaitTime, waitTimeSec);
}

FtpServer FtpSettings::Server() const {
    FtpServer server{host.trimmed(), 21, account, password};
    const qsizetype colon = server.host.lastIndexOf(u':');
    if (colon > 0 && server.host.indexOf(u':') == colon) {
        bool ok = false;
        const int port = server.host.mid(colon + 1).toInt(&ok);
        if (ok && port > 0 && port < 65536) {
            server.port = port;
            server.host.truncate(colon);
        }
    }
    return server;
}

MailSettings MailSettings::Load(const SettingsStore& store) {
    MailSettings s;
    s.host = store.Read(us::kMailHost);
    s.port = store.Read(us::kMailPortNumber);
    s.fromId = store.Read(us::kMailFromId);
    s.fromName = store.Read(us::kMailFromName);
    s.toId = store.Read(us::kMailToId);
    s.subject = store.Read(us::kMailSubject);
    s.needToWait = store.Read(us::kMailNeedToWait) != 0;
    s.waitTimeSec = store.Read(us::kMailWaitTime);
    s.security = static_cast<SmtpSecurity>(store.Read(us::kMailSecurity));
    s.user = store.Read(us::kMailUser);
    s.password = ReadPassword(store, us::kMailPasswordWord, us::kMailPasswordText);
    s.caFile = store.Read(us::kMailCaFile);
    return s;
}

void MailSettings::Save(SettingsStore& store) const {
    store.Write(us::kMailHost, host);
    store.Write(us::kMailPortNumber, port);
    store.Write(us::kMailFromId, fromId);
    store.Write(us::kMailFromName, fromName);
    store.Write(us::kMailToId, toId);
    store.Write(us::kMailSubject, subject);
    store.Write(us::kMailNeedToWait, needToWait ? 1 : 0);
    store.Write(us::kMailWaitTime, waitTimeSec);
    store.Write(us::kMailSecurity, static_cast<int>(security));
    store.Write(us::kMailUser, user);
    WritePassword(store, us::kMailPasswordWord, us::kMailPasswordText, password);
    store.Write(us::kMailCaFile, caFile);
}

SmtpSettings MailSettings::ForMail(const QString& attachmentPath,
                                   const QString& watchedFile) const {
    SmtpSettings s;
    s.host = host;
    s.port = port;
    s.sender = fromId;
    s.senderName = fromName;
    s.recipients = toId;
    s.subject = subject;
    s.attachmentPath = attachmentPath;
    s.attachmentName = watchedFile;
    s.security = security;
    s.user = user;
    s.password = password;
    s.caFile = caFile;
    return s;
}

}  // namespace korvex
