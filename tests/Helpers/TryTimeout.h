#pragma once

// Included before every test source (see tests/CMakeLists.txt).
//
// QtTest's QTRY_* macros give up after 5 s unless told otherwise. The suites
// run many at once on loaded machines, where a page, a reply or a repaint can
// take longer than that; a wait that gives up early fails a test that would
// have passed. A QTRY_* without its own limit therefore waits up to
// LIRNA_TRY_TIMEOUT_MS here. A passing check still returns as soon as its
// condition holds, so only failures take longer.
#include <QtTest/qtestcase.h>

#define LIRNA_TRY_TIMEOUT_MS 20000

#undef QTRY_VERIFY
#undef QTRY_VERIFY2
#undef QTRY_COMPARE
#undef QTRY_COMPARE_EQ
#undef QTRY_COMPARE_NE
#undef QTRY_COMPARE_LT
#undef QTRY_COMPARE_LE
#undef QTRY_COMPARE_GT
#undef QTRY_COMPARE_GE

#define QTRY_VERIFY(expr) QTRY_VERIFY_WITH_TIMEOUT(expr, LIRNA_TRY_TIMEOUT_MS)
#define QTRY_VERIFY2(expr, messageExpression)                                                                \
    QTRY_VERIFY2_WITH_TIMEOUT(expr, messageExpression, LIRNA_TRY_TIMEOUT_MS)
#define QTRY_COMPARE(expr, expected) QTRY_COMPARE_WITH_TIMEOUT(expr, expected, LIRNA_TRY_TIMEOUT_MS)
#define QTRY_COMPARE_EQ(left, right) QTRY_COMPARE_EQ_WITH_TIMEOUT(left, right, LIRNA_TRY_TIMEOUT_MS)
#define QTRY_COMPARE_NE(left, right) QTRY_COMPARE_NE_WITH_TIMEOUT(left, right, LIRNA_TRY_TIMEOUT_MS)
#define QTRY_COMPARE_LT(left, right) QTRY_COMPARE_LT_WITH_TIMEOUT(left, right, LIRNA_TRY_TIMEOUT_MS)
#define QTRY_COMPARE_LE(left, right) QTRY_COMPARE_LE_WITH_TIMEOUT(left, right, LIRNA_TRY_TIMEOUT_MS)
#define QTRY_COMPARE_GT(left, right) QTRY_COMPARE_GT_WITH_TIMEOUT(left, right, LIRNA_TRY_TIMEOUT_MS)
#define QTRY_COMPARE_GE(left, right) QTRY_COMPARE_GE_WITH_TIMEOUT(left, right, LIRNA_TRY_TIMEOUT_MS)
