// Qt's waiting checks (QTRY_VERIFY_WITH_TIMEOUT, QTRY_COMPARE_WITH_TIMEOUT) report to Qt's own
// test runner: under GoogleTest a failed wait only left the test body early and the test
// passed. Included after <QTest>, these versions wait the same way and fail the GoogleTest test.
#pragma once

#include <gtest/gtest.h>

#include <QTest>

#undef QTRY_VERIFY_WITH_TIMEOUT
#define QTRY_VERIFY_WITH_TIMEOUT(expression, timeoutMs) \
    ASSERT_TRUE(QTest::qWaitFor([&]() { return static_cast<bool>(expression); }, timeoutMs)) << #expression

#undef QTRY_COMPARE_WITH_TIMEOUT
#define QTRY_COMPARE_WITH_TIMEOUT(actual, expected, timeoutMs)                        \
    do {                                                                              \
        QTest::qWaitFor([&]() { return (actual) == (expected); }, timeoutMs);         \
        ASSERT_EQ(actual, expected);                                                  \
    } while (false)
