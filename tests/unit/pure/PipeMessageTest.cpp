// The system control service's request and reply as bytes, and the debug lines of the
// pipe layer.
#include <gtest/gtest.h>

#include <string>

#include "lumen/kora/SysCtrlPipeClientMessage.h"
#include "lumen/system/DebugLine.h"

namespace {

TEST(SysCtrlMessage, RequestIsFourLittleEndianWordsAfterTheClass) {
    const kora::SysCtrlRequestBytes on = kora::EncodeSysCtrlRequest(0, 0, 0);
    const kora::SysCtrlRequestBytes expectedOn = {0x00, 0x00, 0x00, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(expectedOn, on);

    const kora::SysCtrlRequestBytes mixed = kora::EncodeSysCtrlRequest(1, 0x11223344, 0xA0B0C0D0);
    const kora::SysCtrlRequestBytes expectedMixed = {0x00, 0x00, 0x00, 0x80, 0x01, 0x00, 0x00, 0x00,
                                                     0x44, 0x33, 0x22, 0x11, 0xD0, 0xC0, 0xB0, 0xA0};
    EXPECT_EQ(expectedMixed, mixed);
}

TEST(SysCtrlMessage, ServiceDecodesWhatTheClientEncodesAndNothingElse) {
    const kora::SysCtrlRequestBytes bytes = kora::EncodeSysCtrlRequest(kora::kSysCtrlTurboOff, 7, 9);
    const auto fields = kora::DecodeSysCtrlRequest(bytes.data(), bytes.size());
    ASSERT_TRUE(fields.has_value());
    EXPECT_EQ(0x80000000u, fields->requestClass);
    EXPECT_EQ(1u, fields->first);
    EXPECT_EQ(7u, fields->second);
    EXPECT_EQ(9u, fields->third);

    EXPECT_FALSE(kora::DecodeSysCtrlRequest(bytes.data(), 15).has_value());
    EXPECT_FALSE(kora::DecodeSysCtrlRequest(bytes.data(), 17).has_value());
    EXPECT_FALSE(kora::DecodeSysCtrlRequest(nullptr, 16).has_value());
}

TEST(SysCtrlMessage, OnlyAWholeFirstWordOfOneIsAnAcceptance) {
    const auto one = kora::EncodeSysCtrlReply(1, 4);
    const auto zero = kora::EncodeSysCtrlReply(0, 4);
    const auto two = kora::EncodeSysCtrlReply(2, 4);
    const auto high = kora::EncodeSysCtrlReply(0x00000101, 4);
    EXPECT_TRUE(kora::SysCtrlReplyAccepted(one.data(), 4));
    EXPECT_TRUE(kora::SysCtrlReplyAccepted(one.data(), 4096));
    EXPECT_FALSE(kora::SysCtrlReplyAccepted(zero.data(), 4));
    EXPECT_FALSE(kora::SysCtrlReplyAccepted(two.data(), 4));
    EXPECT_FALSE(kora::SysCtrlReplyAccepted(high.data(), 4));
    // Two bytes "01 00" would read as 1 if the rest of the word were taken from the
    // buffer; a reply that short accepts nothing.
    EXPECT_FALSE(kora::SysCtrlReplyAccepted(one.data(), 2));
    EXPECT_FALSE(kora::SysCtrlReplyAccepted(one.data(), 0));
    EXPECT_FALSE(kora::SysCtrlReplyAccepted(nullptr, 4));
}

TEST(SysCtrlMessage, ReplyCarriesTheWordInTheRequestedLength) {
    const auto shortReply = kora::EncodeSysCtrlReply(0x04030201, 2);
    EXPECT_EQ(0x01, shortReply[0]);
    EXPECT_EQ(0x02, shortReply[1]);
    EXPECT_EQ(0x00, shortReply[2]);
    EXPECT_EQ(0x00, shortReply[3]);

    const auto longReply = kora::EncodeSysCtrlReply(0x04030201, 8);
    EXPECT_EQ(0x04, longReply[3]);
    EXPECT_EQ(0x00, longReply[4]);
    EXPECT_EQ(0x00, longReply[7]);
}

TEST(DebugLine, TrailingWhiteSpaceGoesAndTheLineEndsInCrLf) {
    EXPECT_EQ("[BasicNamedPipe<char_t>::Call] failed, GetLastError returned 2\r\n",
              lumen::FormatDebugLine("[BasicNamedPipe<char_t>::Call] failed, GetLastError returned %d", 2));
    EXPECT_EQ("text  with inner  blanks\r\n", lumen::FormatDebugLine("text  with inner  blanks \t\r\n \n"));
    EXPECT_EQ("  leading stays\r\n", lumen::FormatDebugLine("  leading stays"));
    EXPECT_EQ("\r\n", lumen::FormatDebugLine(" \t\n"));
    EXPECT_EQ("code -5\r\n", lumen::FormatDebugLine("code %d", -5));
}

TEST(DebugLine, TextIsCutAt4093Characters) {
    const std::string longText(5000, 'x');
    const std::string line = lumen::FormatDebugLine("%s", longText.c_str());
    ASSERT_EQ(4095u, line.size());
    EXPECT_EQ(std::string(4093, 'x') + "\r\n", line);

    // Blanks that fall at the cut are trailing white space of what is kept.
    const std::string blanksAtCut = std::string(4090, 'y') + std::string(10, ' ') + "z";
    EXPECT_EQ(std::string(4090, 'y') + "\r\n", lumen::FormatDebugLine("%s", blanksAtCut.c_str()));
}

}  // namespace
