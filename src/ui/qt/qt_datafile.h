#pragma once

#include "common/seams.h"

class QWidget;

namespace tarn {

// CD1 over QFileDialog, shown modal over `parent`.
class QtSaveDialog : public SaveDialog {
 public:
  explicit QtSaveDialog(QWidget& parent) : parent_(parent) {}
  void ShowSave() override;

 private:
  QWidget& parent_;
};

// Message boxes over QMessageBox, without icon and with the platform's title.
class QtMsgBox : public MsgBox {
 public:
  explicit QtMsgBox(QWidget& parent) : parent_(parent) {}
  MsgResult show(const std::string& prompt, MsgButtons buttons) override;

 private:
  QWidget& parent_;
};

// Files replaced through QSaveFile: written beside the target and renamed over
// it only when every byte has been written.
class QtFileStore : public FileStore {
 public:
  int64_t fileLength(const std::string& path) override;
  void replaceFile(const std::string& path, std::string_view bytes) override;
  bool folderWritable(const std::string& folder) override;
  std::string homeFolder() override;
};

}  // namespace tarn
