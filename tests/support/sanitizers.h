// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Whether this test program was built with the address sanitizer, which
// makes everything several times slower: tests of throughput under a flood
// are for the plain build.
#if defined(__SANITIZE_ADDRESS__)
#define TARVO_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TARVO_TEST_SANITIZED 1
#endif
#endif
#ifndef TARVO_TEST_SANITIZED
#define TARVO_TEST_SANITIZED 0
#endif
