#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace tarn {

// Window controls with the semantics the handlers rely on: setting a list
// index or checking an option from code raises its Click handler at once,
// nested; an index out of range is an error; options of one container exclude
// each other; captions and texts read back exactly as set.
//
// A widget toolkit mirrors a control through `viewChanged` (code changes flow
// to the widget) and the `user...` calls (user actions flow into the control).
class Control {
 public:
  virtual ~Control() = default;
  std::function<void()> viewChanged;

  bool enabled() const { return enabled_; }
  void setEnabled(bool on) { assign(enabled_, on); }

 protected:
  template <typename T>
  void assign(T& field, const T& value) {
    field = value;
    if (viewChanged) viewChanged();
  }

 private:
  bool enabled_ = true;
};

// Buttons, labels and frames: a caption, and for buttons a Click handler.
class Captioned : public Control {
 public:
  const std::string& caption() const { return caption_; }
  void setCaption(const std::string& text) { assign(caption_, text); }

  std::function<void()> onClick;
  void userClick() {
    if (onClick && enabled()) onClick();
  }

 private:
  std::string caption_;
};

class TextBox : public Control {
 public:
  const std::string& text() const { return text_; }
  void setText(const std::string& text) { assign(text_, text); }
  void userEdit(const std::string& text) { text_ = text; }

 private:
  std::string text_;
};

class ComboBox : public Control {
 public:
  int listIndex() const { return index_; }
  // -1 clears the selection; any other index outside the list throws.
  void setListIndex(int index);
  int listCount() const { return static_cast<int>(items_.size()); }
  const std::string& list(int index) const;
  const std::string& text() const { return text_; }
  void setText(const std::string& text);
  void clear();
  void addItem(const std::string& item);

  std::function<void()> onClick;
  void userSelect(int index) { setListIndex(index); }
  // Typed text selects the entry it matches, or none; it raises no Click.
  void userEditText(const std::string& text);

 private:
  int find(const std::string& text) const;
  std::vector<std::string> items_;
  int index_ = -1;
  std::string text_;
};

class OptionButton : public Control {
 public:
  const std::string& caption() const { return caption_; }
  void setCaption(const std::string& text) { assign(caption_, text); }
  bool value() const { return value_; }
  // Checking unchecks the other options of the container and raises Click,
  // also when the option was already checked.
  void setValue(bool on);
  void userClick() {
    if (enabled()) setValue(true);
  }
  std::function<void()> onClick;

  // Options that share a container; each option lists all of them, itself too.
  static void group(std::initializer_list<OptionButton*> members);

 private:
  std::string caption_;
  bool value_ = false;
  std::vector<OptionButton*> container_;
};

// A one-shot timer used as a deadline on a monotonic clock: it cannot tick
// through the event loop, so a wait asks it whether its time has come.
class Timer {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  void setInterval(int ms) { interval_ = ms; }
  bool enabled() const { return enabled_; }
  // Enabling starts a fresh interval from `now`.
  void setEnabled(bool on, TimePoint now) {
    enabled_ = on;
    armedAt_ = now;
  }
  TimePoint deadline() const { return armedAt_ + std::chrono::milliseconds(interval_); }
  bool due(TimePoint now) const { return enabled_ && now >= deadline(); }

 private:
  int interval_ = 1000;
  bool enabled_ = false;
  TimePoint armedAt_{};
};

// The window itself: its caption and its position on the screen in twips.
class Window : public Control {
 public:
  const std::string& caption() const { return caption_; }
  void setCaption(const std::string& text) { assign(caption_, text); }
  double left() const { return left_; }
  double top() const { return top_; }
  void setLeft(double twips) { assign(left_, twips); }
  void setTop(double twips) { assign(top_, twips); }

 private:
  std::string caption_;
  double left_ = 0, top_ = 0;
};

}  // namespace tarn
