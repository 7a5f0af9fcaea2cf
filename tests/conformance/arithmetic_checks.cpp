// A 32-bit x86 build left to the x87 unit keeps intermediates in 80-bit
// registers: sums that a double cannot hold survive to the next step, and
// the nodes' comparisons and sums come out otherwise than on a 64-bit build.
// The values go through volatile doubles so that the compiler folds nothing.
#include <cfloat>

#include "check.h"
#include "conformance.h"

namespace conformance {

void checkArithmetic() {
    checks().setSubject("double arithmetic");
    volatile double big = 1e16, one = 1.0;
    // 1e16 + 1 is no double: rounded at once it is 1e16 again.
    const double lost = big + one - big;
    CHECK_EQ(lost, 0.0);
    // A product whose exact value lies between two doubles, compared at once.
    volatile double third = 1.0 / 3.0, three = 3.0;
    CHECK(third * three - 1.0 == 0.0);
    CHECK_EQ(FLT_EVAL_METHOD, 0);
}

}  // namespace conformance
