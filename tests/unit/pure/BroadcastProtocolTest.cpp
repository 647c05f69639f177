// The wire format of the broadcast protocol and of the private commands.
#include <gtest/gtest.h>

#include "lumen/kora/BroadcastProtocol.h"

namespace surgepad {

using namespace kora;  // the wire format of the board maker's utilities
namespace {

TEST(BroadcastDecode, PressNeedsSignatureCommandAndZeroArgument) {
    EXPECT_EQ(DecodeBroadcast(0x2255, 0), BroadcastAction::ButtonPressed);
    // Bits 16 to 31 (and the upper half of a 64-bit wParam) are ignored.
    EXPECT_EQ(DecodeBroadcast(0xABCD2255, 0), BroadcastAction::ButtonPressed);
    EXPECT_EQ(DecodeBroadcast(0xFFFFFFFF00012255ull, 0), BroadcastAction::ButtonPressed);
    // A press with an argument is part of the protocol but does nothing.
    EXPECT_EQ(DecodeBroadcast(0x2255, 1), BroadcastAction::Ignored);
    EXPECT_EQ(DecodeBroadcast(0x2255, 0xFFFFFFFF), BroadcastAction::Ignored);
}

TEST(BroadcastDecode, WithoutSignatureByteNothingIsOurs) {
    EXPECT_EQ(DecodeBroadcast(0x2256, 0), BroadcastAction::NotProtocol);
    EXPECT_EQ(DecodeBroadcast(0x2254, 0), BroadcastAction::NotProtocol);
    EXPECT_EQ(DecodeBroadcast(0x5522, 0), BroadcastAction::NotProtocol);
    EXPECT_EQ(DecodeBroadcast(0x0155, 0), BroadcastAction::Ignored);
    EXPECT_EQ(DecodeBroadcast(0x0055, 0), BroadcastAction::Ignored);
}

TEST(BroadcastDecode, ValuesChangedIgnoresOnlyOwnAnnouncement) {
    EXPECT_EQ(DecodeBroadcast(0x2355, 3), BroadcastAction::Ignored);
    EXPECT_EQ(DecodeBroadcast(0x2355, 0), BroadcastAction::ValuesChangedElsewhere);
    EXPECT_EQ(DecodeBroadcast(0x2355, 2), BroadcastAction::ValuesChangedElsewhere);
    // Only the low 32 bits carry the argument: 3 with a set upper half is still 3.
    EXPECT_EQ(DecodeBroadcast(0x2355, 0xFFFFFFFF00000003ull), BroadcastAction::Ignored);
    EXPECT_EQ(DecodeBroadcast(0x7F002355, 4), BroadcastAction::ValuesChangedElsewhere);
}

TEST(BroadcastDecode, ProgramsOwnAnnouncementIsWhatItSends) {
    EXPECT_EQ(BroadcastWParam(kCommandValuesChanged), 0x2355u);
    EXPECT_EQ(BroadcastWParam(kCommandPress), 0x2255u);
    EXPECT_EQ(DecodeBroadcast(BroadcastWParam(kCommandValuesChanged), kSenderSurgepad), BroadcastAction::Ignored);
}

TEST(PrivateCommandDecode, CommandsNeedTheSignature) {
    EXPECT_EQ(DecodePrivateCommand(1024, 0x55), PrivateCommand::Close);
    EXPECT_EQ(DecodePrivateCommand(1024, 0x54), PrivateCommand::NotPrivate);
    EXPECT_EQ(DecodePrivateCommand(1024, 0x1255), PrivateCommand::Close);
    EXPECT_EQ(DecodePrivateCommand(1026, 0x55), PrivateCommand::OpenSettings);
    EXPECT_EQ(DecodePrivateCommand(1027, 0x55), PrivateCommand::OpenSettings);
    EXPECT_EQ(DecodePrivateCommand(1027, 0x56), PrivateCommand::NotPrivate);
    EXPECT_EQ(DecodePrivateCommand(1025, 0x55), PrivateCommand::Reserved);
    EXPECT_EQ(DecodePrivateCommand(1030, 0x55), PrivateCommand::Reserved);
}

TEST(PrivateCommandDecode, UnlistedNumbersGetDefaultHandling) {
    for (uint32_t message : {1023u, 1028u, 1029u, 1031u, 1055u}) {
        EXPECT_EQ(DecodePrivateCommand(message, 0x55), PrivateCommand::NotPrivate) << "message " << message;
    }
}

TEST(PowerBroadcastDecode, OnlySuspendAndTheTwoUserResumesCount) {
    EXPECT_EQ(DecodePowerBroadcast(4), PowerEvent::Suspend);
    EXPECT_EQ(DecodePowerBroadcast(7), PowerEvent::Resume);
    EXPECT_EQ(DecodePowerBroadcast(6), PowerEvent::Resume);
    for (uint64_t other : {0ull, 5ull, 8ull, 10ull, 18ull, 0x8013ull, 0x100000004ull}) {
        EXPECT_EQ(DecodePowerBroadcast(other), PowerEvent::None) << "wParam " << other;
    }
}

}  // namespace
}  // namespace surgepad
