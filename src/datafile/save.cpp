#include <algorithm>
#include <optional>
#include <span>

#include "common/errors.h"
#include "datafile/code_page.h"
#include "datafile/csv_lines.h"
#include "datafile/datafile_texts.h"
#include "ui/form1.h"

namespace tarn {

namespace texts = datafile_texts;

void Form1::Command1_Click() {
  if (state.Measuring) return;
  if (state.SampleIndex < 1) return;
  ChooseSaveFile();
}

void Form1::ChooseSaveFile() {
  try {
    CD1.CancelError = true;
    CD1.Flags = kOfnOverwritePrompt | kOfnHideReadOnly | kOfnPathMustExist;
    CD1.Filter = texts::kFilter;
    CD1.DialogTitle = texts::kDialogTitle;
    // An installed program's folder is not the user's to write in.
    const std::string folder = host_.appFolder();
    CD1.InitDir = files_.folderWritable(folder) ? folder : files_.homeFolder();
    CD1.ShowSave();
  } catch (const PlatformError&) {
    return;  // cancelled, or no dialog to show: nothing to save and nothing to say
  }
  if (!CD1.FileName.empty()) SaveDataFile(CD1.FileName);
}

void Form1::SaveDataFile(const std::string& path) {
  int64_t length = 0;
  try {
    length = files_.fileLength(path);
  } catch (const PlatformError&) {
    msgBox_.show(texts::kSaveFailed, MsgButtons::Ok);
    return;
  }
  if (length > 0 && msgBox_.show(path + texts::kOverwrite, MsgButtons::YesNo) != MsgResult::Yes)
    return;
  mSaveDataFile(path, texts::kTitle);
}

void Form1::mSaveDataFile(const std::string& path, const std::string& title) {
  using namespace datafile;
  const Header header{title,
                      dateTimeText(clock_.localNow()),
                      Label1.caption(),
                      selectedText(Combo1),
                      selectedText(Combo2),
                      columnHeading(state.ChannelMode, Combo2)};
  // Exactly the records of the last measurement: after an early stop the
  // requested count can exceed what arrived, and the entries past it are an
  // older measurement's.
  const auto rows = static_cast<size_t>(std::clamp(state.SampleIndex, 0, kSampleEntries));
  const std::optional<std::string> bytes = encodeText(
      csvText(header, state.ChannelMode, std::span(state.Samples).first(rows)), systemCharset());
  bool saved = false;
  if (bytes) {
    try {
      files_.replaceFile(path, *bytes);
      saved = true;
    } catch (const PlatformError&) {
    }
  }
  if (!saved) msgBox_.show(texts::kSaveFailed, MsgButtons::Ok);
}

}  // namespace tarn
