// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The program state as a unit test sets it up: the state a record arrives
// into, without the sequences that would lead there.
#include "app/panel.h"

namespace tarvo
{
struct PanelTestAccess {
    static ProgramState& State(Panel& panel) { return panel.m_state; }
};
} // namespace tarvo
