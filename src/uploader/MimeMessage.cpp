#include "uploader/MimeMessage.h"

#include <QRegularExpression>

namespace korvex {

QStringList MimeMessage::SplitRecipients(const QString& text) {
    static const QRegularExpression separators(QStringLiteral("[;,]"));
    QStringList recipients;
    for (const QString& piece : text.split(separators)) {
        const QString address = piece.trimmed();
        if (!address.isEmpty()) {
            recipients.append(address);
        }
    }
    return recipients;
}

QString MimeMessage::AttachmentName(const QString& path) {
    const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(cut + 1);
}

QByteArray MimeMessage::HeaderFields(const QString& senderName, const QString& sender,
                                     const QStringList& recipients, const QString& subject) {
    return "From:\"" + senderName.toUtf8() + "\"<" + sender.toUtf8() +
           ">\r\nTo: " + recipients.join(u',').toUtf8() + "\r\nSubject: " + subject.toUtf8() +
           "\r\n";
}

QByteArray MimeMessage::PartHeaders(const QString& attachmentName) {
    const QByteArray boundary(kBoundary);
    const QByteArray name = attachmentName.toUtf8();
    return "MIME-Version: 1.0\r\n"
           "Content-Type: multipart/mixed;\r\n"
           "\tboundary=\"" +
           boundary +
           "\"\r\n"
           "\r\n"
           "This is a multi-part message in MIME format.\r\n"
           "\r\n--" +
           boundary +
           "\r\n"
           "Content-Type: text/plain;\r\n"
           "\tcharset=\"iso-8859-1\"\r\n"
           "Content-Transfer-Encoding: 7bit\r\n"
           "\r\n\r\n"
           "\r\n--" +
           boundary +
           "\r\n"
           "Content-Type: image/jpeg;\r\n"
           "\tname=\"" +
           name +
           "\"\r\n"
           "Content-Transfer-Encoding: base64\r\n"
           "Content-Disposition: attachment;\r\n"
           "\tfilename=\"" +
           name + "\"\r\n\r\n";
}

QByteArray MimeMessage::ClosingDelimiter() {
    return "\r\n--" + QByteArray(kBoundary) + "--";
}

QByteArray MimeMessage::EndOfData() {
    return "\r\n.\r\n";
}

}  // namespace korvex
