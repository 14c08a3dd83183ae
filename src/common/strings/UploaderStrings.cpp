#include "common/strings/UploaderStrings.h"

namespace korvex {

namespace {
const StringEntry kTable[] = {
    {IDS_WINSOCK_INIT_FAILED, "Windows sockets initialization failed."},
    {IDS_DIALUP_SETUP_INCOMPLETE,
     "Please complete the Dial-Up Connection Setup or uncheck the option \"I want to connect "
     "using my modem.\"."},
    {IDS_NO_INTERNET_SESSION, "Unable to establish an InternetSession."},
    {IDS_UPLOAD_FAILED, "Failed to upload file. Please be sure that the file to upload exists."},
    {IDS_CHANGE_DIR_FAILED, "Unable to change directory."},
    {IDS_CONNECTION_TIMEOUT, "Connection timeout."},
    {IDS_UNKNOWN_DIALUP_ERROR, "Unknown Dial-Up Error."},
    {IDS_FTP_SETUP_INCOMPLETE,
     "The setup for FTP is not complete. Please click on the FTP tab under Options > Properties "
     "to enter in your FTP configuration data."},
    {IDS_DIALUP_ENTRY_INCOMPLETE,
     "The setup for a Dial-Up connection is not complete. Please click on the Dial-Up tab under "
     "Options > Properties to enter in your setup data."},
    {IDS_MAIL_SETUP_INCOMPLETE,
     "Setup for e-mail is not complete. Please click on the Mail tab under Options > Properties "
     "to complete setup."},
    {IDS_NO_OPERATION_ENABLED,
     "Neither the FTP nor the E-mail operation is enabled. Please click on the General tab under "
     "Options > Properties and choose one or both operations."},
    {IDS_DIALUP_LIBRARY_MISSING,
     "Unable to load a function from RASAPI32.DLL or the file  RASAPI32.DLL is missing. You "
     "must have Dial-Up Networking installed if you are connecting via modem. If not, then "
     "disable the option \"I want to connect using my modem\" within Postrix."},

    {IDS_SMTP_FAILED_TO_CONNECT, "Failed to connect to "},
    {IDS_SMTP_UNKNOWN_DOMAIN, "Unknown domain - "},
    {IDS_SMTP_INVALID_SENDER, "Invalid Sender ID - "},
    {IDS_SMTP_INVALID_RECEIVER, "Invalid Receiver ID - "},
    {IDS_SMTP_UNABLE_TO_SEND_DATA, "Unable to send DATA."},
    {IDS_SMTP_MAIL_REFUSED, "Mail refused - "},
    {IDS_SMTP_UNABLE_TO_OPEN_FILE, "Unable to open file for reading"},
    {IDS_SMTP_READ_ERROR, "%1: %2"},
    {IDS_SMTP_FILE_SHRANK, "The file became shorter while it was sent."},
    {IDS_SMTP_BUFFER_TOO_SMALL, "The Sending buffer is too small."},
    {IDS_SMTP_BASE64_INVALID, "The Base64 object is not valid."},
    {IDS_SMTP_SOCKET_ERROR, "Socket Error number : %1"},
    {IDS_SMTP_INVALID_CONNECTION, "Invalid connection."},
    {IDS_SMTP_LINE_BREAK_IN_SETTINGS,
     "The mail settings contain a line break. Please correct the Mail setup."},
    {IDS_SMTP_NO_RECIPIENT, "No recipient address is given. Please correct the Mail setup."},
    {IDS_SMTP_STARTTLS_REFUSED, "The mail server does not offer STARTTLS - "},
    {IDS_SMTP_TLS_FAILED, "Secure connection to the mail server failed: %1"},
    {IDS_SMTP_AUTH_NOT_OFFERED,
     "The mail server offers neither AUTH PLAIN nor AUTH LOGIN for the user name given."},
    {IDS_SMTP_AUTH_FAILED, "Authentication failed - "},
    {IDS_SMTP_AUTH_NEEDS_TLS,
     "A user name for the mail server is only sent over a secure connection. Please choose "
     "STARTTLS or TLS in the Mail setup."},
    {IDS_SMTP_CA_FILE_UNREADABLE, "Unable to read the certificate file %1."},
    {IDS_SMTP_REPLY_TOO_LONG, "The mail server sent an invalid reply."},

    {IDS_FTP_INET_ERROR, "INET Error: %1"},
    {IDS_FTP_SETTING_REMOTE_DIR, "Setting remote directory to %1..."},
    {IDS_FTP_REMOTE_DIR_FAILED,
     "Failed to set remote directory to %1. Please check if valid directory. If specifying a "
     "subdirectory, usually a foward slash \"/\" is used."},
    {IDS_FTP_TRANSFERRING, "Transferring data..."},
    {IDS_FTP_UPLOADING, "Uploading: %1 \nTo: %2..."},

    {IDS_ITEM_COPY_FAILED, "Unable to copy %1 to %2."},
};
}  // namespace

const std::span<const StringEntry> kUploaderStrings = kTable;

}  // namespace korvex
