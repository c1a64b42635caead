#pragma once

#include <cstdlib>
#include <cstring>

// A test that cannot run here (no root to mount a disk, no user to switch to)
// skips on a developer's machine but fails under CI=true: CI promises the
// machine every test needs, so a skip there would hide a broken set-up.
inline bool EveryTestMustRun()
{
    const char* ci = std::getenv("CI");
    return ci && std::strcmp(ci, "true") == 0;
}

// GoogleTest, in a test's body: SKIP_OR_FAIL() << "reason"; one statement,
// built as GTEST_SKIP() and GTEST_FAIL() are, so that the reason goes with
// either outcome.
#define SKIP_OR_FAIL() \
    return ::testing::internal::AssertHelper(EveryTestMustRun() ? ::testing::TestPartResult::kFatalFailure \
                                                                : ::testing::TestPartResult::kSkip, \
                                             __FILE__, __LINE__, \
                                             EveryTestMustRun() ? "cannot run under CI=true" : "") = \
               ::testing::Message()

// Qt Test: QSKIP_OR_FAIL("reason");
#define QSKIP_OR_FAIL(reason) \
    do { \
        if (EveryTestMustRun()) \
            QFAIL(qPrintable(QStringLiteral("cannot run under CI=true: ") + QString::fromUtf8(reason))); \
        QSKIP(reason); \
    } while (false)
