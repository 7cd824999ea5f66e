#include "ui/controls.h"

namespace tarn {

void ComboBox::setListIndex(int index) {
  index_ = index >= 0 && index < listCount() ? index : -1;
  if (index_ >= 0) text_ = items_[static_cast<size_t>(index_)];
  if (viewChanged) viewChanged();
}

const std::string& ComboBox::list(int index) const {
  static const std::string empty;
  if (index < 0 || index >= listCount()) return empty;
  return items_[static_cast<size_t>(index)];
}

void ComboBox::setText(const std::string& text) {
  text_ = text;
  index_ = find(text);
  if (viewChanged) viewChanged();
}

void ComboBox::userEditText(const std::string& text) {
  text_ = text;
  index_ = find(text);
}

int ComboBox::find(const std::string& text) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i] == text) return static_cast<int>(i);
  return -1;
}

void OptionButton::setValue(bool on) {
  if (on) {
    for (OptionButton* other : group_)
      if (other != this && other->value_) other->assign(other->value_, false);
  }
  assign(value_, on);
}

void OptionButton::group(std::initializer_list<OptionButton*> members) {
  for (OptionButton* member : members) member->group_.assign(members.begin(), members.end());
}

}  // namespace tarn
