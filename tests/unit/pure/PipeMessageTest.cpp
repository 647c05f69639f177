// The system control service's request and reply as bytes, and the debug lines of the
// pipe layer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

TEST(SysCtrlMessage, OnlyAWholeFirstWordOfOneIsAnAcceptance) {
    const uint8_t one[] = {0x01, 0x00, 0x00, 0x00};
    const uint8_t zero[] = {0x00, 0x00, 0x00, 0x00};
    const uint8_t two[] = {0x02, 0x00, 0x00, 0x00};
    const uint8_t high[] = {0x01, 0x01, 0x00, 0x00};
    const uint8_t bigEndianOne[] = {0x00, 0x00, 0x00, 0x01};
    std::vector<uint8_t> full(4096, 0xEE);
    full[0] = 1;
    full[1] = full[2] = full[3] = 0;
    EXPECT_TRUE(kora::SysCtrlReplyAccepted(one, 4));
    EXPECT_TRUE(kora::SysCtrlReplyAccepted(full.data(), full.size()));
    EXPECT_FALSE(kora::SysCtrlReplyAccepted(zero, 4));
    EXPECT_FALSE(kora::SysCtrlReplyAccepted(two, 4));
    EXPECT_FALSE(kora::SysCtrlReplyAccepted(high, 4));
    EXPECT_FALSE(kora::SysCtrlReplyAccepted(bigEndianOne, 4));
    // Two bytes "01 00" would read as 1 if the rest of the word came from whatever the
    // buffer held; a reply that short accepts nothing.
    EXPECT_FALSE(kora::SysCtrlReplyAccepted(one, 2));
    EXPECT_FALSE(kora::SysCtrlReplyAccepted(one, 0));
    EXPECT_FALSE(kora::SysCtrlReplyAccepted(nullptr, 4));
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
