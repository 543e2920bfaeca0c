#pragma once

#include <array>
#include <cstdint>

namespace q417::sim {

// Faults the simulated readout shows on request. Counters that say "the next N" count down as
// the faults are used; they can be changed at any time between commands.
struct FaultPlan {
    // Answers nothing at all (and carries out nothing): a readout that is switched off.
    bool silent = false;
    // Answers every command with its echo and " ?", carrying out none; the wake-up banner is
    // still sent, so the host can connect and then sees only rejections.
    bool rejectAll = false;
    // 0: off. Otherwise every Nth byte the readout sends is lost on the line (counted over
    // everything it sends, replies and packet acknowledgements alike).
    int dropEveryNthByte = 0;
    // The next N record-read replies carry one wrong packet checksum (the last packet's).
    int corruptChecksums = 0;
    // The next N replies stop after about half of their bytes.
    int cutReplies = 0;
    // -1: unlimited. Otherwise the readout answers this many more commands and then falls
    // silent for good, as when the cable is pulled.
    int answerCommands = -1;
    // -1: off. After this many more commands the identity bytes at 16..19 become those of
    // another readout (otherIdentity), as when a different unit is plugged in.
    int changeIdentityAfter = -1;
    std::array<std::uint8_t, 4> otherIdentity{0x12, 0x34, 0xAB, 0x00};
    // 0: bytes arrive at once. Otherwise bytes move no faster than a line at this rate carries
    // them: 10 bits per byte (start, 8 data, stop). Applied by the line, not the engine.
    int paceBaud = 0;
    // Milliseconds between the host's last byte of a command (or of a record-write packet) and
    // the readout's first byte of its reply. Applied by the line, not the engine.
    int replyLatencyMs = 0;
    // -1: off. Otherwise the readout answers this many more commands and then stalls for
    // stallMs: what the host sends meanwhile is lost and the readout sends nothing. At 0 the
    // stall begins with the next command, which is lost. The engine counts the commands; the
    // line keeps the time.
    int stallAfterCommands = -1;
    int stallMs = 1000;
    // With a stall: the readout that answers after it is another one, as when the cable is out
    // for a moment and a different unit is plugged in. It shows otherIdentity and waits for a
    // command, whatever the first one was in the middle of (the first byte after the stall
    // finds it so).
    bool newIdentityAfterStall = false;
};

}  // namespace q417::sim
