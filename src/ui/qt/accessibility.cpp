#include "ui/qt/accessibility.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>

#include "ui/qt/plot_view.h"

namespace tarn {
namespace {

// On Linux Qt names a combo box by its current text and ignores the name the
// window gives it (which carries that text too, see spokenName); this one
// reads the given name. Children and actions are those of Qt's own: the list,
// the edit field, and opening the list.
class NamedComboBox : public QAccessibleWidget {
 public:
  explicit NamedComboBox(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value || (t == QAccessible::Name && combo()->accessibleName().isEmpty()))
      return combo()->currentText();
    return QAccessibleWidget::text(t);
  }
  int childCount() const override { return combo()->lineEdit() ? 2 : 1; }
  QAccessibleInterface* child(int index) const override {
    QWidget* part = index == 0   ? static_cast<QWidget*>(combo()->view())
                    : index == 1 ? combo()->lineEdit()
                                 : nullptr;
    return part ? QAccessible::queryAccessibleInterface(part) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (int i = 0; i < childCount(); ++i)
      if (this->child(i) == child) return i;
    return -1;
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.expandable = true;
    s.expanded = combo()->view()->isVisible();
    s.editable = combo()->isEditable();
    return s;
  }
  QStringList actionNames() const override {
    return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& action) override {
    if (action == showMenuAction() || action == pressAction())
      combo()->showPopup();
    else
      QAccessibleWidget::doAction(action);
  }

 private:
  QComboBox* combo() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* accessibleFor(const QString&, QObject* object) {
  if (auto* combo = qobject_cast<QComboBox*>(object)) return new NamedComboBox(combo);
  // The plot is announced as a chart rather than as a bare panel.
  if (auto* plot = dynamic_cast<PlotView*>(object))
    return new QAccessibleWidget(plot, QAccessible::Chart);
  return nullptr;
}

}  // namespace

void installAccessibility() {
  static const bool installed = (QAccessible::installFactory(accessibleFor), true);
  (void)installed;
}

}  // namespace tarn
