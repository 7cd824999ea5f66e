#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/model.h"
#include "support/fakes.h"
#include "ui/control_table.h"

namespace tarn {
namespace {

using test::FormFixture;

TEST(FormLoad, StartingValues) {
  FormFixture f;
  Form1& w = *f.form;
  EXPECT_TRUE(w.Option1.value());
  EXPECT_FALSE(w.Option2.value());
  if constexpr (!kSolo) {
    EXPECT_TRUE(w.Option3.value());
  }
  EXPECT_EQ(w.Me.caption(), "Pellan(2) Demo");
  EXPECT_EQ(w.Combo2.text(), "CH0=Ain0-Ain1");
  EXPECT_EQ(w.Combo2.listIndex(), 0);
  EXPECT_EQ(w.ComboCommPort.text(), "COM4");
  EXPECT_EQ(w.ComboCommPort.listIndex(), 3);
  EXPECT_EQ(w.ComboCommPort.listCount(), 9);
  EXPECT_EQ(w.Text1.text(), "100");
  EXPECT_EQ(w.SendB2.caption(), "測定開始");
  EXPECT_EQ(w.Button1.caption(), "接続確認");
  EXPECT_EQ(w.Status.text(), "Status");
  EXPECT_EQ(w.ComStatus.caption(), "Com");
  EXPECT_EQ(w.Label1.caption(), "Label1");
  EXPECT_EQ(w.Combo1.text(), "---");
  EXPECT_EQ(w.Combo1.listCount(), 0);
  for (const Captioned* label : {&w.Label3, &w.Label4, &w.Label5})
    EXPECT_EQ(label->caption(), "---");
  EXPECT_EQ(w.Frame2.caption(), kSolo ? "Output Data Rate / Filter" : "Output Data Rate");
  EXPECT_FALSE(f.port.portOpen());
  EXPECT_FALSE(w.Timer1.enabled());
  EXPECT_EQ(w.state.LineEnd, "\r");
  EXPECT_FALSE(w.state.PortReady);
  EXPECT_EQ(w.state.Samples.size(), 66001u);
}

TEST(ModelOptions, CaptionFollowsTheCheckedModel) {
  if constexpr (kSolo) GTEST_SKIP() << "one model, fixed caption";
  FormFixture f;
  Form1& w = *f.form;
  w.Option4.userClick();
  EXPECT_EQ(w.Me.caption(), "Quorin(2) Demo");
  EXPECT_FALSE(w.Option3.value());
  w.Me.setCaption("x");
  w.Option4.userClick();
  EXPECT_EQ(w.Me.caption(), "Quorin(2) Demo") << "clicking the checked option sets it again";
  w.Option3.userClick();
  EXPECT_EQ(w.Me.caption(), "Pellan(2) Demo");
  EXPECT_TRUE(w.Option1.value()) << "the data format is another container";
}

TEST(FormToCenter, CentresOnTheWholeScreenAndMayGoNegative) {
  const struct {
    TwipSize screen, outer;
    double left, top;
  } cases[] = {
      {{19200, 14400}, {8070, 8130}, 5565, 3135},
      {{7200, 6000}, {8070, 8130}, -435, -1065},
      {{19201, 14401}, {8070, 8130}, 5565.5, 3135.5},
  };
  for (const auto& c : cases) {
    FormFixture f;
    f.host.screen = c.screen;
    f.host.outer = c.outer;
    f.form->FormToCenter();
    EXPECT_EQ(f.form->Me.left(), c.left);
    EXPECT_EQ(f.form->Me.top(), c.top);
  }
}

TEST(QuitB, ClosesThePortWithoutACommandAndEnds) {
  FormFixture f;
  f.openPort();
  f.form->state.Measuring = true;
  f.form->QuitB.userClick();
  EXPECT_FALSE(f.port.portOpen());
  EXPECT_FALSE(f.form->state.PortReady);
  EXPECT_EQ(f.port.written, "");
  EXPECT_TRUE(f.host.ended);
}

TEST(ControlTable, TabOrderContainersAndTheProgramsLayout) {
  const auto table = controlTable();
  std::set<std::string_view> names;
  int tab = 0;
  for (const ControlSpec& row : table) {
    EXPECT_EQ(row.tab, tab++) << row.name;
    EXPECT_TRUE(row.container.empty() || names.count(row.container)) << row.name;
    names.insert(row.name);
    FormFixture f;
    EXPECT_NE(f.form->control(row.name), nullptr) << row.name;
  }
  EXPECT_EQ(names.count("Option3"), kSolo ? 0u : 1u);
  EXPECT_EQ(names.count("Frame1"), kSolo ? 0u : 1u);
  EXPECT_EQ(clientArea().height, kSolo ? 7470 : 7620);
  EXPECT_EQ(clientArea().width, 7830);
  const auto find = [&](std::string_view name) {
    for (const ControlSpec& row : table)
      if (row.name == name) return row;
    return ControlSpec{};
  };
  EXPECT_EQ(find("Label1").container, kSolo ? "Frame2" : "");
  EXPECT_EQ(find("Option1").container, kSolo ? "" : "Frame1");
  EXPECT_EQ(find("SendB2").left, kSolo ? 5040 : 5100);
  EXPECT_EQ(find("Label3").align, kSolo ? Align::Left : Align::Right);
  EXPECT_EQ(find("Status").font, FontRole::Fixed);
}

}  // namespace
}  // namespace tarn
