// The host's reading of the browsers' protocol, without a process.
#include <gtest/gtest.h>
#include "host/NativeMessage.h"

using namespace nativemsg;

namespace {

Source FromBytes(const std::string& bytes, size_t chunk = 3) {
    auto pos = std::make_shared<size_t>(0);
    return [bytes, pos, chunk](char* buf, size_t n) {
        size_t k = std::min({n, chunk, bytes.size() - *pos});   // pipes deliver in pieces
        memcpy(buf, bytes.data() + *pos, k);
        *pos += k;
        return k;
    };
}

TEST(NativeMessageFrames, MessagesInPiecesThenTheEndAndTheSizeLimit) {
    std::string body;
    Source two = FromBytes(Framed("{\"a\":1}") + Framed(""));
    EXPECT_EQ(ReadResult::Message, ReadMessage(two, body));
    EXPECT_EQ("{\"a\":1}", body);
    EXPECT_EQ(ReadResult::Message, ReadMessage(two, body));
    EXPECT_EQ("", body);
    EXPECT_EQ(ReadResult::End, ReadMessage(two, body));

    EXPECT_EQ(std::string("\x07\x00\x00\x00", 4), Framed("1234567").substr(0, 4));
    EXPECT_EQ(ReadResult::Truncated, ReadMessage(FromBytes(std::string("\x05\x00", 2)), body));
    std::string limit(4, '\0'), over(4, '\0');
    for (int k = 0; k < 4; ++k) {
        limit[k] = char((kMaxIncomingBytes >> (8 * k)) & 0xFF);
        over[k] = char(((kMaxIncomingBytes + 1) >> (8 * k)) & 0xFF);
    }
    EXPECT_EQ(ReadResult::Oversized, ReadMessage(FromBytes(over + "{}"), body));
    // At the limit the message is read (here cut short, so truncated rather than refused).
    EXPECT_EQ(ReadResult::Truncated, ReadMessage(FromBytes(limit + "{}"), body));
}

TEST(NativeMessageCapture, EscapesOtherMembersAndEveryKindOfBadInput) {
    Capture c;
    std::string error;
    ASSERT_TRUE(ParseCapture(" {\"n\": -1.5e3, \"x\": [true, false, null, {\"url\": 5}], \"title\": \"\\u7f51\\u6587\\t\","
                             " \"url\": \"http://h/a\\/b\", \"html\": \"<P>\\\"\\ud83d\\ude00\\ud800x\\u0000\\\\</P>\"}\n",
                             c, error)) << error;
    EXPECT_EQ(L"http://h/a/b", c.url);
    EXPECT_EQ(L"网文\t", c.title);
    EXPECT_EQ(std::wstring(L"<P>\"\U0001F600\uFFFDx") + L'\0' + L"\\</P>", c.html);
    ASSERT_TRUE(ParseCapture("{\"url\":\"u\",\"html\":\"\xE7\xBD\x91\"}", c, error));
    EXPECT_EQ(L"网", c.html);

    const std::pair<std::string, std::string> bad[] = {
        {"", "a JSON object was expected"},
        {"[1]", "a JSON object was expected"},
        {"{\"url\":\"u\",\"html\":\"h\"", "malformed JSON"},
        {"{\"url\":\"u\",\"html\":\"h\"} x", "malformed JSON"},
        {"{\"url\":\"u\",\"html\":\"a\nb\"}", "malformed JSON"},
        {"{\"url\":\"u\",\"html\":\"\\q\"}", "malformed JSON"},
        {"{\"url\":\"u\",\"html\":\"h\",\"n\":tru}", "malformed JSON"},
        {"{\"url\":\"u\",\"html\":\"h\",}", "malformed JSON"},
        {"{\"url\":\"u\",\"html\":null}", "\"html\" must be a string"},
        {"{\"url\":\"u\"}", "\"url\" and \"html\" are required"},
        {"{\"url\":\"a\\u0000b\",\"html\":\"h\"}", "\"url\" holds a NUL character"},
        {"{\"x\":" + std::string(100000, '[') + std::string(100000, ']') + ",\"url\":\"u\",\"html\":\"h\"}",
         "malformed JSON"},   // nesting is bounded, never a stack overflow
    };
    for (const auto& b : bad) {
        EXPECT_FALSE(ParseCapture(b.first, c, error)) << b.first.substr(0, 60);
        EXPECT_EQ(b.second, error) << b.first.substr(0, 60);
    }
    EXPECT_EQ("{\"ok\":false,\"error\":\"say \\\"no\\\" \\\\ \\u000a\"}", ErrorReply("say \"no\" \\ \n"));
    EXPECT_EQ("{\"ok\":true}", OkReply());
}

}  // namespace
