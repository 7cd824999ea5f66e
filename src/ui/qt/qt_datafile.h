#pragma once

#include "datafile/save.h"
#include "ui/presenter.h"

class QWidget;

namespace tarn {

// The file dialogs over QFileDialog, shown modal over `parent`.
class QtSaveDialog : public SaveDialog {
 public:
  explicit QtSaveDialog(QWidget& parent) : parent_(parent) {}
  std::optional<std::string> askSavePath(const SaveRequest& request) override;
  std::optional<std::string> askFolder(const SaveRequest& request) override;
  std::vector<std::string> askOpenPaths(const SaveRequest& request) override;

 private:
  QWidget& parent_;
};

// Message boxes over QMessageBox, without icon and with the platform's title.
class QtMessageBox : public MessageBox {
 public:
  explicit QtMessageBox(QWidget& parent) : parent_(parent) {}
  void tell(const std::string& text) override;
  bool ask(const std::string& text) override;

 private:
  QWidget& parent_;
};

// Files replaced through QSaveFile: written beside the target and renamed over
// it only when every byte has been written.
class QtFileStore : public FileStore {
 public:
  int64_t fileLength(const std::string& path) override;
  void replaceFile(const std::string& path, std::string_view bytes) override;
  std::string readFile(const std::string& path) override;
  bool folderWritable(const std::string& folder) override;
  std::string homeFolder() override;
  std::string programFolder() override;
};

// The desktop's opener, xdg-open, started on its own.
class XdgOpener : public Opener {
 public:
  bool open(const std::string& path) override;
};

}  // namespace tarn
