#pragma once

#include <cstdint>

// How long the link's worker waits for the keyboard's next report.
//
// hidapi's read cannot be woken by a write queued meanwhile, so the length of
// a read's wait is how late such a write may leave, and the number of waits is
// how often an idle link wakes. The wait follows the quiet since the last
// report or write: it starts at FirstWaitMs and grows as long as the quiet
// has lasted, up to IdleWaitMs. So a write queued x ms into the quiet waits
// about x ms at most, never more than IdleWaitMs, and once the link has been
// quiet for a while it wakes 1000 / IdleWaitMs times a second.
namespace readWaitSchedule {

constexpr int FirstWaitMs = 1;
// Of the order of the slack of a one-second toolkit timer (5 %), such as the
// handshake's, so a handshake leaves about as late as its timer may fire.
constexpr int IdleWaitMs = 50;

// The wait of the next read after quietMs of quiet (negative counts as 0).
int readWaitMs(std::int64_t quietMs);

} // namespace readWaitSchedule
