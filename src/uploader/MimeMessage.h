#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace korvex {

// The pieces of the one mail the uploader sends: a multipart message with an empty text
// part and the image as a Base64 attachment, without Date or Message-ID.
class MimeMessage {
public:
    static constexpr const char* kBoundary = "======Boundary======";

    // The recipient text split at every ';' and ',', each address trimmed, empty ones
    // dropped, the order kept.
    static QStringList SplitRecipients(const QString& text);
    // The name shown for an attached file: the part after the last '/' or '\'.
    static QString AttachmentName(const QString& path);

    // "From:" and "To:" lines and the subject line.
    static QByteArray HeaderFields(const QString& senderName, const QString& sender,
                                   const QStringList& recipients, const QString& subject);
    // The MIME header fields, the empty text part and the header of the attachment part,
    // up to the first Base64 line.
    static QByteArray PartHeaders(const QString& attachmentName);
    // The closing delimiter after the last Base64 line.
    static QByteArray ClosingDelimiter();
    // The end of the mail data.
    static QByteArray EndOfData();
};

}  // namespace korvex
