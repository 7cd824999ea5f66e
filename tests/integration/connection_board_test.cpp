#include <gtest/gtest.h>

#include "common/model.h"
#include "support/board_process.h"
#include "ui/form1.h"
#include "ui/qt/app.h"

namespace tarn {
namespace {

using test::BoardProcess;

TEST(ConnectionWithBoard, EachModelAndFilterConnectsReadsAndSetsTheRate) {
  const struct {
    const char* model;
    const char* status;
    const char* label;
    int rates;
  } cases[] = {
      {"pellan2", "05", "±2.5V / IntRef / Sinc5+Sinc1", 12},
      {"pellan2", "13", "±2.5V / ExtRef / Sinc3", 12},
      {"quorin2", "05", "±2.5V / IntRef / Sinc5+Sinc1", 8},
      {"quorin2", "13", "±2.5V / ExtRef / Sinc3", 8},
      {"pellan", "05", "±2.5V / Sinc5+Sinc1", 12},
      {"pellan", "13", "±5V / Sinc3", 12},
  };
  for (const auto& c : cases) {
    if (kSolo != (std::string(c.model) == "pellan")) continue;
    SCOPED_TRACE(std::string(c.model) + " " + c.status);
    BoardProcess board({"--model", c.model, "--status", c.status, "--rate", "3"});
    App app;
    Form1& w = app.form();
    if constexpr (!kSolo) {
      if (std::string(c.model) == "quorin2") w.Option4.userClick();
    }
    w.Button1.userClick();
    EXPECT_EQ(w.Status.text(), "データレート読出しました");
    EXPECT_EQ(w.Label1.caption(), c.label);
    EXPECT_EQ(w.Combo1.listCount(), c.rates);
    EXPECT_EQ(w.Combo1.listIndex(), 3);
    EXPECT_EQ(w.Button1.caption(), "閉じる");

    w.Combo1.userSelect(c.rates - 1);
    w.Command6.userClick();
    EXPECT_EQ(w.Status.text(), "データレート設定完了");
    w.Combo1.userSelect(0);
    w.Command29.userClick();
    EXPECT_EQ(w.Combo1.listIndex(), c.rates - 1) << "the read returns the rate just set";

    w.Button1.userClick();
    EXPECT_FALSE(w.MSComm1.portOpen());
    EXPECT_EQ(w.Button1.caption(), "接続確認");
    w.Button1.userClick();
    EXPECT_EQ(w.Status.text(), "データレート読出しました") << "reconnects";
    EXPECT_EQ(w.Combo1.listIndex(), c.rates - 1);
  }
}

}  // namespace
}  // namespace tarn
