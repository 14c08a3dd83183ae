#include "uploader/SmtpReplyParser.h"

#include "uploader/Base64Lines.h"

#include <gmock/gmock.h>

#include <string>

namespace korvex {
namespace {

using ::testing::ElementsAre;

void Feed(SmtpReplyParser& parser, const std::string& text) {
    parser.Append(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

TEST(SmtpReplyParserTest, CutsRepliesAtTheirLastLine) {
    SmtpReplyParser parser;
    Feed(parser, "250-mail.example.org\r\n250-AUTH=LOGIN\r\n250-auth plain login\r\n25");
    EXPECT_FALSE(parser.Take()) << "the reply is not complete yet";
    Feed(parser, "0 STARTTLS\r\n354 go ahead\r\n");
    const auto ehlo = parser.Take();
    ASSERT_TRUE(ehlo);
    EXPECT_EQ(ehlo->code, 250);
    EXPECT_EQ(ehlo->lines.size(), 4u);
    EXPECT_TRUE(ehlo->HasExtension("STARTTLS"));
    EXPECT_FALSE(ehlo->HasExtension("MAIL"));
    EXPECT_THAT(ehlo->ExtensionParameters("AUTH"), ElementsAre("LOGIN"));
    const auto data = parser.Take();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->code, 354);
    EXPECT_EQ(data->Text(), "354 go ahead");
    EXPECT_FALSE(parser.Take());
}

TEST(SmtpReplyParserTest, HostileRepliesStayBounded) {
    SmtpReplyParser parser;
    Feed(parser, "hello\r\n2\r\n");
    EXPECT_EQ(parser.Take()->code, 0);
    EXPECT_EQ(parser.Take()->code, 0);
    Feed(parser, std::string(SmtpReplyParser::kMaxReplyBytes + 1, '2'));
    EXPECT_FALSE(parser.Take());
    EXPECT_TRUE(parser.Invalid());
    Feed(parser, "\r\n250 ok\r\n");
    EXPECT_FALSE(parser.Take());
    parser.Clear();
    Feed(parser, "250 ok\n");
    EXPECT_EQ(parser.Take()->code, 250);
}

TEST(Base64LinesTest, ChunksAreWholeGroupsThatFitTheBuffer) {
    EXPECT_EQ(Base64ChunkBytes(1024), 741u);
    EXPECT_EQ(Base64ChunkBytes(4096), 2964u);
    EXPECT_EQ(Base64ChunkBytes(0), 57u);
    for (const std::size_t buffer : {1024u, 4096u, 65536u}) {
        const std::size_t chunk = Base64ChunkBytes(buffer);
        EXPECT_EQ(chunk % 57, 0u);
        EXPECT_LT(chunk / 57 * 78, buffer);
    }
    std::string out;
    const uint8_t bytes[] = {'M', 'a', 'n', 0xFF};
    AppendBase64Lines(bytes, out);
    EXPECT_EQ(out, "TWFu/w==\r\n");
}

}  // namespace
}  // namespace korvex
