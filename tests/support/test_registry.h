// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Every test class of a test program registers itself here by name, so one
// program holds many QtTest classes and ctest runs each class on its own.
#include <QObject>
#include <functional>
#include <memory>

namespace tarvo::test
{
using Factory = std::function<std::unique_ptr<QObject>()>;
bool Register(const char* name, Factory factory);
} // namespace tarvo::test

#define TARVO_TEST_CLASS(Class)                                                                    \
    static const bool tarvoTestRegistered##Class =                                                 \
        ::tarvo::test::Register(#Class, [] { return std::make_unique<Class>(); });
