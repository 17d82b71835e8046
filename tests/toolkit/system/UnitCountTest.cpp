#include "toolkit/system/UnitCount.h"

#include <gtest/gtest.h>

namespace {
struct TOneUnit;
struct TOtherUnit;
}  // namespace

TEST(UnitCount, FirstEnterStartsLastLeaveEndsAndAStrayLeaveIsIgnored)
{
    using Count = TUnitCount<TOneUnit>;
    EXPECT_FALSE(Count::Leave()) << "nothing entered: nothing to end";
    EXPECT_EQ(Count::Users(), 0);
    EXPECT_TRUE(Count::Enter());
    EXPECT_FALSE(Count::Enter());
    EXPECT_EQ(Count::Users(), 2);
    EXPECT_EQ(TUnitCount<TOtherUnit>::Users(), 0) << "each unit counts its own users";
    EXPECT_FALSE(Count::Leave());
    EXPECT_TRUE(Count::Leave());
    EXPECT_FALSE(Count::Leave());
    EXPECT_EQ(Count::Users(), 0);
    EXPECT_TRUE(Count::Enter()) << "a unit ended may be started again";
    EXPECT_TRUE(Count::Leave());
}
