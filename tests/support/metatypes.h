// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Value types the data-driven tests of several files put in their tables.
#include "dst/dst_calc.h"

#include <QMetaType>

Q_DECLARE_METATYPE(tarvo::DstRule)
