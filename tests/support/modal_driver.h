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
#include <functional>
#include <string>
#include <vector>

namespace tarn::test {

// Answers the modal windows of a save in order: each step takes the next file
// dialog or message box that shows up. An unexpected message box, or a window
// left open, is closed and fails the test instead of hanging it.
class ModalDriver {
 public:
  struct Step {
    bool box;
    std::function<void(QWidget*)> act;
  };
  explicit ModalDriver(std::vector<Step> steps) : steps_(std::move(steps)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start(10);
  }
  ~ModalDriver() { EXPECT_EQ(next_, steps_.size()) << "modal windows that never came"; }
  std::vector<std::string> seen;   // message texts, and "<title> <filters> <folder> <name>"
  std::vector<std::string> boxes;  // the message texts alone

  // Types `path` (unless empty) into the dialog and accepts it. Queued, so
  // that a window the accept opens is seen by a later poll.
  static Step type(const QString& path) {
    return {false, [path](QWidget* w) {
              auto* dialog = static_cast<QFileDialog*>(w);
              if (!path.isEmpty()) dialog->findChild<QLineEdit*>("fileNameEdit")->setText(path);
              QTimer::singleShot(0, dialog, [dialog] { static_cast<QDialog*>(dialog)->accept(); });
            }};
  }
  static Step cancel() {
    return {false, [](QWidget* w) {
              QTimer::singleShot(0, w, [w] { static_cast<QDialog*>(w)->reject(); });
            }};
  }
  static Step answer(QMessageBox::StandardButton button) {
    return {true, [button](QWidget* w) {
              auto* box = static_cast<QMessageBox*>(w);
              QTimer::singleShot(0, box, [box, button] { box->button(button)->click(); });
            }};
  }

 private:
  void poll() {
    QWidget* modal = QApplication::activeModalWidget();
    auto* box = qobject_cast<QMessageBox*>(modal);
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (!box && !dialog) return;
    const bool expected = next_ < steps_.size() && steps_[next_].box == (box != nullptr);
    if (modal != last_ && (expected || box)) {
      last_ = modal;
      stuck_ = 0;
      if (box) {
        seen.push_back(box->text().toStdString());
        boxes.push_back(seen.back());
      }
      if (dialog)
        seen.push_back((dialog->windowTitle() + " " + dialog->nameFilters().join(";") + " " +
                        dialog->directory().absolutePath() + " " +
                        dialog->findChild<QLineEdit*>("fileNameEdit")->text())
                           .toStdString());
      if (expected) {
        steps_[next_++].act(modal);
        return;
      }
      ADD_FAILURE() << "an unexpected message: " << seen.back();
    } else if (++stuck_ < 300) {
      return;
    } else {
      ADD_FAILURE() << "a modal window stayed open";
    }
    QTimer::singleShot(0, modal, [modal] { static_cast<QDialog*>(modal)->reject(); });
  }
  std::vector<Step> steps_;
  size_t next_ = 0;
  QPointer<QWidget> last_;
  int stuck_ = 0;
  QTimer timer_;
};

// The bytes of a file, "(none)" when it cannot be read.
inline std::string readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "(none)";
}

}  // namespace tarn::test
