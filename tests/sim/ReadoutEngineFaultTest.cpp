#include <gtest/gtest.h>

#include <string>

#include "EngineFixture.h"
#include "ReadoutEngine.h"

namespace q417::sim {
namespace {

using testing::EngineFixture;
using testing::Packet;

class ReadoutEngineFaultTest : public EngineFixture {};

// Number of packets in a record-read reply whose checksum does not match their data.
int WrongChecksums(const std::string& reply, std::size_t echoLength, int blocks) {
    int wrong = 0;
    for (int b = 0; b < blocks; ++b) {
        const std::size_t at = echoLength + 2 + static_cast<std::size_t>(b) * 65;
        unsigned sum = 0;
        for (std::size_t i = 0; i < 64; ++i) {
            sum += static_cast<std::uint8_t>(reply[at + i]);
        }
        if (static_cast<std::uint8_t>(reply[at + 64]) != (sum & 0xFF)) {
            ++wrong;
        }
    }
    return wrong;
}

TEST_F(ReadoutEngineFaultTest, SilentReadoutAnswersAndDoesNothing) {
    const std::uint8_t calUnits = engine_.Memory().InfoByte(0x28);
    engine_.Faults().silent = true;
    EXPECT_EQ(Exchange("\r\nF\r\nWE 28 05\r\nI\r\n"), "");
    EXPECT_EQ(engine_.Memory().InfoByte(0x28), calUnits);
    EXPECT_EQ(engine_.Memory().InitializeCount(), 0);
    EXPECT_EQ(engine_.CommandCount(), 4);
    // Switched on again, it answers.
    engine_.Faults().silent = false;
    EXPECT_EQ(Exchange("F\r\n"), "F 2.14\r\n");
}

TEST_F(ReadoutEngineFaultTest, RejectingReadoutStillSendsItsBanner) {
    const std::uint8_t calUnits = engine_.Memory().InfoByte(0x28);
    engine_.Faults().rejectAll = true;
    EXPECT_EQ(Exchange("\r\n"), "ORVANE Q417 READOUT V2.14\r\n");
    EXPECT_EQ(Exchange("RE 3F\r\n"), "RE 3F ?\r\n");
    EXPECT_EQ(Exchange("WE 28 05\r\n"), "WE 28 05 ?\r\n");
    EXPECT_EQ(Exchange("I\r\n"), "I ?\r\n");
    EXPECT_EQ(Exchange("WP 0 40 1\r\n"), "WP 0 40 1 ?\r\n");
    EXPECT_FALSE(engine_.HasPartialInput());
    EXPECT_EQ(engine_.Memory().InfoByte(0x28), calUnits);
    EXPECT_EQ(engine_.Memory().InitializeCount(), 0);
}

TEST_F(ReadoutEngineFaultTest, DropsEveryNthByteItSends) {
    engine_.Faults().dropEveryNthByte = 3;
    // "F 2.14\r\n" is bytes 1..8: the 3rd ('2') and 6th ('4') are lost.
    EXPECT_EQ(Exchange("F\r\n"), "F .1\r\n");
    // The count runs on: "B 3.62\r\n" is bytes 9..16, losing 9 ('B'), 12 ('.') and 15 (CR).
    EXPECT_EQ(Exchange("B\r\n"), " 362\n");
}

TEST_F(ReadoutEngineFaultTest, DropAlsoTakesPacketAcknowledgements) {
    engine_.Faults().dropEveryNthByte = 12;
    // "WP 0 40 1\r\n" is 11 bytes; the packet's CR is the 12th.
    EXPECT_EQ(Exchange("WP 0 40 1\r\n" + Packet(std::string(64, 'd'))), "WP 0 40 1\r\n");
    EXPECT_EQ(engine_.StoredPacketCount(), 1);
}

TEST_F(ReadoutEngineFaultTest, CorruptsOneChecksumInTheNextRecordReads) {
    engine_.Faults().corruptChecksums = 2;
    const std::string first = Exchange("RP 0 40 3\r\n");
    const std::string second = Exchange("RP 3 40 3\r\n");
    const std::string third = Exchange("RP 6 40 3\r\n");
    ASSERT_EQ(first.size(), 9u + 2u + 195u);
    EXPECT_EQ(WrongChecksums(first, 9, 3), 1);
    EXPECT_EQ(WrongChecksums(second, 9, 3), 1);
    EXPECT_EQ(WrongChecksums(third, 9, 3), 0);
    EXPECT_EQ(engine_.Faults().corruptChecksums, 0);
}

TEST_F(ReadoutEngineFaultTest, OtherRepliesDoNotUseUpChecksumFaults) {
    engine_.Faults().corruptChecksums = 1;
    (void)Exchange("F\r\nREB 0000-047F\r");
    EXPECT_EQ(WrongChecksums(Exchange("RP 0 40 3\r\n"), 9, 3), 1);
}

TEST_F(ReadoutEngineFaultTest, CutsTheNextRepliesInHalf) {
    engine_.Faults().cutReplies = 2;
    EXPECT_EQ(Exchange("RE 3F\r\n"), "RE 3F");  // 5 of 10 bytes, no CR
    EXPECT_EQ(Exchange("RP 0 40 3\r\n").size(), 103u);
    EXPECT_EQ(Exchange("RE 3F\r\n"), "RE 3F 40\r\n");
}

TEST_F(ReadoutEngineFaultTest, PulledCableAnswersTheGivenCommandsThenNothing) {
    const std::uint8_t calUnits = engine_.Memory().InfoByte(0x28);
    engine_.Faults().answerCommands = 2;
    EXPECT_EQ(Exchange("F\r\n"), "F 2.14\r\n");
    EXPECT_EQ(Exchange("B\r\n"), "B 3.62\r\n");
    EXPECT_FALSE(engine_.CablePulled());
    EXPECT_EQ(Exchange("RE 3F\r\n"), "");
    EXPECT_TRUE(engine_.CablePulled());
    EXPECT_EQ(Exchange("\r\nWE 28 05\r\n"), "");
    EXPECT_EQ(engine_.Memory().InfoByte(0x28), calUnits);
    // For good: lifting the limit does not plug the cable back in.
    engine_.Faults().answerCommands = -1;
    EXPECT_EQ(Exchange("\r\n"), "");
}

TEST_F(ReadoutEngineFaultTest, PulledCableAtOnce) {
    engine_.Faults().answerCommands = 0;
    EXPECT_EQ(Exchange("\r\n"), "");
}

TEST_F(ReadoutEngineFaultTest, IdentityChangesAfterTheGivenCommands) {
    engine_.Faults().changeIdentityAfter = 2;
    EXPECT_EQ(Exchange("RE 10\r\n"), "RE 10 30\r\n");
    EXPECT_EQ(Exchange("RE 10\r\n"), "RE 10 30\r\n");
    EXPECT_EQ(Exchange("RE 10\r\nRE 11\r\nRE 12\r\nRE 13\r\n"),
              "RE 10 12\r\nRE 11 34\r\nRE 12 AB\r\nRE 13 00\r\n");
    EXPECT_EQ(engine_.Memory().IdentityHex(), "1234AB00");
    EXPECT_NE(engine_.Memory().IdentityHex(), engine_.Memory().SerialNumber());
    EXPECT_EQ(engine_.Faults().changeIdentityAfter, -1);
}

TEST_F(ReadoutEngineFaultTest, IdentityChangesBeforeTheNextCommandWhenZero) {
    engine_.Faults().changeIdentityAfter = 0;
    EXPECT_EQ(Exchange("RE 11\r\n"), "RE 11 34\r\n");
}

TEST_F(ReadoutEngineFaultTest, NoFaultsByDefault) {
    const FaultPlan plan;
    EXPECT_FALSE(plan.silent);
    EXPECT_FALSE(plan.rejectAll);
    EXPECT_EQ(plan.dropEveryNthByte, 0);
    EXPECT_EQ(plan.corruptChecksums, 0);
    EXPECT_EQ(plan.cutReplies, 0);
    EXPECT_EQ(plan.answerCommands, -1);
    EXPECT_EQ(plan.changeIdentityAfter, -1);
    EXPECT_EQ(plan.paceBaud, 0);
    // Forty rounds of commands, none of them failing.
    const std::string expectedStart = "ORVANE Q417 READOUT V2.14\r\nF 2.14\r\nRP 0 40 3\r\n";
    for (int i = 0; i < 40; ++i) {
        const std::string out = Exchange("\r\nF\r\nRP 0 40 3\r\n");
        ASSERT_EQ(out.size(), expectedStart.size() + 195u);
        ASSERT_EQ(out.substr(0, expectedStart.size()), expectedStart);
        ASSERT_EQ(WrongChecksums(out.substr(expectedStart.size() - 11), 9, 3), 0);
    }
}

}  // namespace
}  // namespace q417::sim
