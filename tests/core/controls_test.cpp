#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/controls.h"
#include "common/errors.h"

namespace tarn {
namespace {

TEST(ComboBox, SettingTheIndexRaisesClickNestedAndRejectsOutOfRange) {
  ComboBox combo;
  for (const char* item : {"a", "b", "c"}) combo.addItem(item);
  std::vector<std::string> seen;
  int nested = 0;
  combo.onClick = [&] {
    seen.push_back(combo.text());
    if (combo.listIndex() == 2 && nested++ == 0)
      combo.setListIndex(0);  // a handler that re-selects
  };
  combo.setListIndex(2);
  EXPECT_EQ(seen, (std::vector<std::string>{"c", "a"}));
  EXPECT_EQ(combo.listIndex(), 0);

  EXPECT_THROW(combo.setListIndex(3), PlatformError);
  EXPECT_THROW(combo.setListIndex(-2), PlatformError);
  EXPECT_EQ(combo.listIndex(), 0) << "a refused index leaves the selection";
  EXPECT_EQ(combo.list(1), "b");
  EXPECT_EQ(combo.list(7), "");

  combo.userEditText("COM12");
  EXPECT_EQ(combo.listIndex(), -1);
  EXPECT_EQ(combo.text(), "COM12");
  combo.userEditText("b");
  EXPECT_EQ(combo.listIndex(), 1);
  EXPECT_EQ(seen.size(), 2u) << "typing raises no Click";

  combo.clear();
  EXPECT_EQ(combo.listCount(), 0);
  EXPECT_EQ(combo.listIndex(), -1);
  EXPECT_THROW(combo.setListIndex(0), PlatformError);
}

TEST(OptionButton, OptionsOfOneContainerExcludeEachOtherAndClickWhenChecked) {
  OptionButton a, b, other;
  OptionButton::group({&a, &b});
  int clicksA = 0, clicksB = 0;
  a.onClick = [&] { ++clicksA; };
  b.onClick = [&] { ++clicksB; };
  other.setValue(true);
  a.setValue(true);
  b.setValue(true);
  EXPECT_FALSE(a.value());
  EXPECT_TRUE(b.value());
  EXPECT_TRUE(other.value()) << "another container is not touched";
  b.setValue(true);
  EXPECT_EQ(clicksB, 2) << "checking a checked option raises Click again";
  b.setEnabled(false);
  b.userClick();
  EXPECT_EQ(clicksB, 2) << "a disabled option ignores the user";
  EXPECT_EQ(clicksA, 1);
}

TEST(Timer, OnlyTheLatestArmingCounts) {
  using namespace std::chrono;
  Timer timer;
  const auto t0 = steady_clock::time_point{} + hours(1);
  timer.setInterval(100);
  timer.setEnabled(true, t0);
  timer.setEnabled(true, t0 + milliseconds(90));
  EXPECT_FALSE(timer.due(t0 + milliseconds(150)));
  EXPECT_TRUE(timer.due(t0 + milliseconds(190)));
  timer.setEnabled(false, t0);
  EXPECT_FALSE(timer.due(t0 + hours(1)));
}

}  // namespace
}  // namespace tarn
