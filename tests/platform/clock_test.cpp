// The virtual clock's observers.

#include "platform/clock.h"

#include <gtest/gtest.h>

namespace {

class CountingObserver : public platform::TimeObserver {
 public:
  void TimeAdvanced() override { ++advanced; }
  void Settle() override { ++settled; }
  int advanced = 0;
  int settled = 0;
};

TEST(VirtualClock, ObserversHearEveryMoveUntilTheyAreGone) {
  auto clock = platform::MakeVirtualClock(0);
  auto observer = std::make_shared<CountingObserver>();
  clock->AddObserver(observer);
  clock->Sleep(10);
  clock->Sleep(10);
  EXPECT_EQ(observer->advanced, 2);
  EXPECT_EQ(observer->settled, 4);  // before and after each move
  EXPECT_EQ(clock->TickCount(), 20u);
  std::weak_ptr<CountingObserver> weak = observer;
  observer.reset();
  clock->Sleep(10);  // a gone observer is forgotten, not called
  EXPECT_TRUE(weak.expired());
}

}  // namespace
