// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The waits of a change of the clock's network settings.

#include <chrono>

namespace tarvo
{

// How long the clock needs to restart its network interface after new
// settings, and the two waits that follow when it moved to a new address.
inline constexpr std::chrono::milliseconds ConfiguringWait{15000};
inline constexpr std::chrono::milliseconds ReconnectDelay{6000};
inline constexpr std::chrono::milliseconds AnswerDelay{5000};

} // namespace tarvo
