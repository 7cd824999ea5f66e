#include <gtest/gtest.h>

#include "common/model.h"
#include "core/sample_data.h"
#include "support/charsets.h"
#include "support/fakes.h"

namespace tarn {
namespace {

using test::Format;

const std::string kPath = "/data/run.csv";

// A window after a connection (board settings shown, two rates listed) in
// which the user's locale is C.UTF-8.
struct Saving : test::FormFixture {
  test::EnvLocale locale{"C.UTF-8"};
  Saving() {
    form->Label1.setCaption("±2.5V / IntRef / Sinc5+Sinc1");
    form->Combo1.addItem("503.8sps");
    form->Combo1.addItem("1007sps");
    form->Combo1.setListIndex(1);
  }
  void measured(Format format, int16_t mode, const std::string& ch0, const std::string& ch1) {
    for (int i = 0; i < 8; ++i) form->state.Samples[i].field = {"stale0", "stale1"};
    test::loadSamples(*form, format, mode, ch0, ch1);
    form->state.SampleIndex = form->state.SampleCount;
    form->Combo2.setListIndex(mode);
  }
  // The saved file's lines; every line must end in CR LF.
  std::vector<std::string> savedLines() {
    form->mSaveDataFile(kPath, "データ");
    const std::string& text = files.files[kPath];
    std::vector<std::string> lines;
    for (size_t at = 0, end; at < text.size(); at = end + 2) {
      end = text.find("\r\n", at);
      if (end == std::string::npos) ADD_FAILURE() << "no CR LF after the last line";
      if (end == std::string::npos) break;
      lines.push_back(text.substr(at, end - at));
      EXPECT_EQ(lines.back().find_first_of("\r\n"), std::string::npos) << lines.back();
    }
    return lines;
  }
};

// Lines 3 to 5 and the heading show the window at the moment of saving; the
// rows show the measurement.
TEST(DataFileSave, LinesForEachChannelModeAndFormat) {
  const char* const set = "設定 : ±2.5V / IntRef / Sinc5+Sinc1";
  const struct {
    Format format;
    int16_t mode;
    const char *ch0, *ch1;
    int rate, channels;  // the selections at saving
    std::vector<std::string> lines;
  } cases[] = {
      {Format::Binary,
       0,
       "800001 7FFFFF",
       "",
       1,
       0,
       {set, "データレート : 1007sps", "測定CH : CH0=Ain0-Ain1", "データ個数 :  2", "CH0=Ain0-Ain1",
        "800001", "7FFFFF"}},
      {Format::Binary,
       1,
       "",
       "800010 800011",
       1,
       1,
       {set, "データレート : 1007sps", "測定CH : CH1=Ain2-Ain3", "データ個数 :  2", "CH1=Ain2-Ain3",
        "800010", "800011"}},
      {Format::Binary,
       2,
       "800001 800002 800003",
       "7FFFA2 80001C 800000",
       1,
       2,
       {set, "データレート : 1007sps", "測定CH : CH0 / CH1", "データ個数 :  3",
        "CH0=Ain0-Ain1,CH1=Ain2-Ain3", "800001,7FFFA2", "800002,80001C", "800003,800000"}},
      {Format::Mv,
       0,
       "+01234.5",
       "",
       0,
       1,
       {set, "データレート : 503.8sps", "測定CH : CH1=Ain2-Ain3", "データ個数 :  1",
        "CH1=Ain2-Ain3", "+01234.5"}},
      {Format::Mv,
       1,
       "",
       "-00012.0 +00000.1",
       -1,
       -1,
       {set, "データレート : ", "測定CH : ", "データ個数 :  2", "", "-00012.0", "+00000.1"}},
      {Format::Mv,
       2,
       "+01234.5",
       "-00012.0",
       -1,
       0,
       {set, "データレート : ", "測定CH : CH0=Ain0-Ain1", "データ個数 :  1",
        "CH0=Ain0-Ain1,CH1=Ain2-Ain3", "+01234.5,-00012.0"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lines[4] + " " + c.lines[5]);
    Saving s;
    s.measured(c.format, c.mode, c.ch0, c.ch1);
    s.form->Combo1.setListIndex(c.rate);
    s.form->Combo2.setListIndex(c.channels);
    std::vector<std::string> expected{"データ", "12/06/26 14:05:09"};
    expected.insert(expected.end(), c.lines.begin(), c.lines.end());
    EXPECT_EQ(s.savedLines(), expected);
  }
}

TEST(DataFileSave, AStoppedMeasurementWritesOnlyTheRecordsThatArrived) {
  for (int received : {3, 12}) {
    SCOPED_TRACE(received);
    Saving s;
    for (auto& record : s.form->state.Samples) record.field[0] = "OLDOLD";
    s.openPort();
    s.port.replies["F1"] = {"OK\r"};
    s.form->Text1.setText("100");
    s.form->SendB2.userClick();
    std::string stream;
    for (int i = 0; i < received; ++i) stream += "8000" + std::to_string(10 + i) + "\r";
    s.port.pending = {stream};
    s.form->MSComm1_OnComm();
    s.form->SendB2.userClick();
    ASSERT_EQ(s.form->Status.text(), "測定停止しました");
    EXPECT_EQ(s.form->state.SampleCount, received < 10 || kSolo ? 100 : received);
    const std::vector<std::string> lines = s.savedLines();
    ASSERT_EQ(lines.size(), 7u + received);
    EXPECT_EQ(lines[5], "データ個数 :  " + std::to_string(received));
    EXPECT_EQ(lines.back(), "8000" + std::to_string(9 + received));
  }
}

TEST(DataFileSave, OverwriteQuestionAndFailures) {
  const std::string question = kPath + " に上書きしますか？";
  const std::string failed = "データファイルを保存出来ませんでした";
  const struct {
    const char* name;
    std::optional<std::string> before;
    bool unreadable, failing;
    MsgResult answer;
    std::vector<std::string> prompts;
    bool replaced;
  } cases[] = {
      {"new file", std::nullopt, false, false, MsgResult::No, {}, true},
      {"existing empty file", "", false, false, MsgResult::No, {}, true},
      {"file with data, No", "old", false, false, MsgResult::No, {question}, false},
      {"file with data, Yes", "old", false, false, MsgResult::Yes, {question}, true},
      {"cannot be examined", "old", true, false, MsgResult::Yes, {failed}, false},
      {"disk full", "old", false, true, MsgResult::Yes, {question, failed}, false},
      {"read-only folder", std::nullopt, false, true, MsgResult::Yes, {failed}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Saving s;
    s.measured(Format::Binary, 0, "800001", "");
    if (c.before) s.files.files[kPath] = *c.before;
    if (c.unreadable) s.files.unreadable.insert(kPath);
    if (c.failing) s.files.failing.insert(kPath);
    s.msgBox.answers = {c.answer};
    s.dialog.answers = {kPath};
    s.form->Command1.userClick();
    EXPECT_EQ(s.msgBox.prompts, c.prompts);
    for (size_t i = 0; i < s.msgBox.prompts.size(); ++i)
      EXPECT_EQ(s.msgBox.buttons[i],
                s.msgBox.prompts[i] == question ? MsgButtons::YesNo : MsgButtons::Ok);
    const auto file = s.files.files.find(kPath);
    if (c.replaced) {
      EXPECT_EQ(file->second.rfind("データ\r\n", 0), 0u);
    } else {
      EXPECT_EQ(file == s.files.files.end() ? std::nullopt : std::optional(file->second), c.before);
    }
  }
}

TEST(DataFileSave, TheDialogIsShownOnlyWithRecordsAndKeepsTheChosenName) {
  Saving s;
  s.form->Command1.userClick();
  EXPECT_TRUE(s.dialog.shown.empty()) << "no record yet";
  s.measured(Format::Binary, 0, "800001", "");
  s.form->state.Measuring = true;
  s.form->Command1.userClick();
  EXPECT_TRUE(s.dialog.shown.empty()) << "measuring";
  s.form->state.Measuring = false;

  s.dialog.answers = {kPath, std::nullopt};
  s.form->Command1.userClick();
  s.files.readOnly.insert(s.host.folder);  // as in an installed program's folder
  s.form->Command1.userClick();
  s.dialog.failure = PlatformError(kErrInvalidProperty, "Invalid property value");
  s.form->Command1.userClick();
  using Shown = test::ScriptedDialog::Shown;
  const char* const filter = "(CSVファイル) | *.csv";
  EXPECT_EQ(s.dialog.shown,
            (std::vector<Shown>{{true, 2054, filter, "データファイル", "/tmp", ""},
                                {true, 2054, filter, "データファイル", "/home/user", kPath}}));
  EXPECT_EQ(s.files.files.size(), 1u) << "cancel and a failing dialog write nothing";
  EXPECT_TRUE(s.msgBox.prompts.empty()) << "and say nothing";
}

}  // namespace
}  // namespace tarn
