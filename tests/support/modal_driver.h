#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace tarn::test {

// Answers the modal windows of a save in order: each step takes the next file
// dialog or message box that shows up. An unexpected window, or one that stays
// open, is closed and fails the test instead of hanging it.
class ModalDriver {
 public:
  struct Step {
    bool box;
    std::function<void(QDialog*)> act;
  };
  // Types `path` into the file dialog's name field and accepts it.
  static Step type(const QString& path) {
    return {false, [path](QDialog* dialog) {
              dialog->findChild<QLineEdit*>("fileNameEdit")->setText(path);
              dialog->accept();
            }};
  }
  static Step cancel() { return {false, &QDialog::reject}; }
  static Step answer(QMessageBox::StandardButton button) {
    return {true,
            [button](QDialog* box) { static_cast<QMessageBox*>(box)->button(button)->click(); }};
  }

  explicit ModalDriver(std::vector<Step> steps) : steps_(std::move(steps)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start(10);
  }
  ~ModalDriver() { EXPECT_EQ(next_, steps_.size()) << "modal windows that never came"; }
  std::vector<std::string> boxes;    // the message boxes' texts
  std::vector<std::string> dialogs;  // each file dialog's file types

 private:
  void poll() {
    const QPointer<QDialog> modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    auto* box = qobject_cast<QMessageBox*>(modal);
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    // A window answered is gone soon after; one still there half a minute
    // later never heard its answer, however slow the machine.
    const auto now = std::chrono::steady_clock::now();
    if ((!box && !dialog) || (modal == last_ && now - seen_ < std::chrono::seconds(30))) return;
    const bool fresh = modal != last_;
    const bool expected = next_ < steps_.size() && steps_[next_].box == (box != nullptr);
    last_ = modal;
    seen_ = now;
    // A dialog shows again for a moment when the question it asked is
    // answered, until its own answer closes it: unless the next step is
    // for it, it is waited for like any window that stays.
    if (fresh && !expected &&
        std::find(answered_.begin(), answered_.end(), modal) != answered_.end())
      return;
    if (fresh && box) boxes.push_back(box->text().toStdString());
    if (fresh && dialog) dialogs.push_back(dialog->nameFilters().join(';').toStdString());
    // Acted on from the event loop, so that a window the action opens is seen by a later poll.
    if (fresh && expected) {
      answered_.push_back(modal);
      QTimer::singleShot(0, modal, [act = steps_[next_++].act, modal] { act(modal); });
      return;
    }
    ADD_FAILURE() << "an unexpected or lasting window: " << (box ? boxes.back() : dialogs.back());
    QTimer::singleShot(0, modal, [modal] { modal->reject(); });
  }
  std::vector<Step> steps_;
  size_t next_ = 0;
  QPointer<QDialog> last_;
  std::vector<QPointer<QDialog>> answered_;
  std::chrono::steady_clock::time_point seen_;
  QTimer timer_;
};

// The bytes of a file, "(none)" when it cannot be read.
inline std::string readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "(none)";
}

}  // namespace tarn::test
