#pragma once

#include "ui/win32/windows_api.h"

#include "datafile/save.h"
#include "ui/presenter.h"

namespace tarn {

// The file dialogs, modal over `owner`: the save dialog (GetSaveFileNameW),
// asking before it replaces a file and taking only a path in a folder that
// exists; the folder dialog (IFileOpenDialog picking folders); the open
// dialog with several files chosen (GetOpenFileNameW).
class Win32SaveDialog : public SaveDialog {
 public:
  explicit Win32SaveDialog(HWND owner) : owner_(owner) {}
  std::optional<std::string> askSavePath(const SaveRequest& request) override;
  std::optional<std::string> askFolder(const SaveRequest& request) override;
  std::vector<std::string> askOpenPaths(const SaveRequest& request) override;

 private:
  HWND owner_;
};

// Message boxes without icon, titled with the program's name as Windows'
// default title for a program's messages.
class Win32MessageBox : public MessageBox {
 public:
  explicit Win32MessageBox(HWND owner) : owner_(owner) {}
  void tell(const std::string& text) override;
  bool ask(const std::string& text) override;

 private:
  HWND owner_;
};

// The desktop's opener: the program Windows has for the file's kind.
class Win32Opener : public Opener {
 public:
  bool open(const std::string& path) override;
};

// Files written beside their target and moved over it once whole.
class Win32FileStore : public FileStore {
 public:
  int64_t fileLength(const std::string& path) override;
  void replaceFile(const std::string& path, std::string_view bytes) override;
  std::string readFile(const std::string& path) override;
  bool folderWritable(const std::string& folder) override;
  std::string homeFolder() override;
  std::string programFolder() override;
};

}  // namespace tarn
