#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace tarn {

// The state of the window's controls as the presenter sets it. A toolkit
// mirrors a control through `viewChanged` (the presenter's changes flow to the
// widget) and the `user...` calls (the user's actions flow into the control).
// A change made by the presenter raises no handler.
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

// Buttons, labels and frames: a caption, and for buttons a click handler.
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
  const std::string& toolTip() const { return toolTip_; }
  void setToolTip(const std::string& text) { assign(toolTip_, text); }

 private:
  std::string text_, toolTip_;
};

// A list with an editable text: the selected entry is the one the text
// equals, or none (-1).
class ComboBox : public Control {
 public:
  int listIndex() const { return index_; }
  // Selects an entry of the list, or none with -1.
  void setListIndex(int index);
  int listCount() const { return static_cast<int>(items_.size()); }
  // The entry at `index`; empty outside the list.
  const std::string& list(int index) const;
  const std::string& text() const { return text_; }
  void setText(const std::string& text);
  template <typename Items>
  void setItems(const Items& items) {
    items_.assign(std::begin(items), std::end(items));
    index_ = -1;
    text_.clear();
    if (viewChanged) viewChanged();
  }

  // The user chose an entry of the list.
  std::function<void()> onSelect;
  void userSelect(int index) {
    setListIndex(index);
    if (onSelect) onSelect();
  }
  // Typed text selects the entry it equals, or none.
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
  // Checking unchecks the other options of the group.
  void setValue(bool on);
  std::function<void()> onClick;
  void userClick() {
    if (!enabled()) return;
    setValue(true);
    if (onClick) onClick();
  }

  // Options that exclude each other; each lists all of them, itself too.
  static void group(std::initializer_list<OptionButton*> members);

 private:
  std::string caption_;
  bool value_ = false;
  std::vector<OptionButton*> group_;
};

}  // namespace tarn
