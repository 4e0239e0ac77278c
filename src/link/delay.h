#pragma once

namespace tarvo
{

// Waits `milliseconds` while the event loop keeps running, so replies, timers and
// the operator's actions are handled during the wait. Measured on a monotonic
// clock: a wait across midnight or across a change of the computer clock lasts
// its full length. A count of zero or less returns at once without running events.
// When the application quits during the wait, it returns early.
void Delay(int milliseconds);

} // namespace tarvo
