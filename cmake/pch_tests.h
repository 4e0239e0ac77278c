// SPDX-License-Identifier: GPL-3.0-or-later
// QtTest with everything it depends on is by far the largest include of a
// test file.
#pragma once
#ifdef __cplusplus
#include "pch_core.h"
#include <QtTest>
#endif
