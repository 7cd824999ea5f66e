#include "ui/qt/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>

#include "ui/form1.h"
#include "ui/qt/accessibility.h"

namespace tarn {
namespace {

int px(int twips) { return static_cast<int>(twips / twipsPerPixel() + 0.5); }

QString firstInstalled(std::span<const std::string_view> families) {
  const QStringList installed = QFontDatabase::families();
  for (std::string_view family : families) {
    const QString name = QString::fromUtf8(family.data(), static_cast<qsizetype>(family.size()));
    if (installed.contains(name, Qt::CaseInsensitive)) return name;
  }
  return {};
}

QFont designedFont(FontRole role, const QFont& fallback) {
  if (role == FontRole::Default) return fallback;
  QFont font(firstInstalled(role == FontRole::Fixed ? std::span(kFixedFonts)
                                                    : std::span(kProportionalFonts)));
  if (role == FontRole::Fixed) font.setStyleHint(QFont::TypeWriter);
  font.setPointSizeF(kDesignedFontPoints);
  font.setWeight(QFont::Normal);
  return font;
}

QString q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QWidget* makeWidget(const ControlSpec& spec, QWidget* parent) {
  const QString text = q(spec.text);
  switch (spec.kind) {
    case ControlKind::Button: {
      auto* button = new QPushButton(text, parent);
      // Enter presses the focused button, as Space does.
      button->setAutoDefault(true);
      return button;
    }
    case ControlKind::Option:
      return new QRadioButton(text, parent);
    case ControlKind::Frame:
      return new QGroupBox(text, parent);
    case ControlKind::Combo:
    case ControlKind::DropDownList: {
      auto* combo = new QComboBox(parent);
      combo->setEditable(spec.kind == ControlKind::Combo);
      combo->setInsertPolicy(QComboBox::NoInsert);
      return combo;
    }
    case ControlKind::TextBox:
      return new QLineEdit(text, parent);
    case ControlKind::Label: {
      auto* label = new QLabel(text, parent);
      if (spec.border) label->setFrameStyle(QFrame::Box | QFrame::Plain);
      if (spec.greyBack) {
        label->setAutoFillBackground(true);
        QPalette pal = label->palette();
        pal.setColor(QPalette::Window, QColor(192, 192, 192));
        label->setPalette(pal);
      }
      label->setAlignment((spec.align == Align::Right ? Qt::AlignRight : Qt::AlignLeft) |
                          Qt::AlignVCenter);
      return label;
    }
    case ControlKind::Picture:
      break;
  }
  return nullptr;
}

// A label sized to its caption keeps the edge its alignment points at.
void fitLabel(QLabel* label, const ControlSpec& spec) {
  const int width = label->sizeHint().width();
  const int right = px(spec.left + spec.width);
  const int left = spec.align == Align::Right ? right - width : px(spec.left);
  label->setGeometry(left, px(spec.top), width, px(spec.height));
}

}  // namespace

double twipsPerPixel() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
  return 1440.0 / (dpi > 0 ? dpi : 96.0);
}

MainWindow::MainWindow() {
  installAccessibility();
  build();
}

void MainWindow::build() {
  QFont windowFont = designedFont(FontRole::Proportional, font());
  windowFont.setPointSize(9);
  setFont(windowFont);
  const ClientArea area = clientArea();
  setFixedSize(px(area.width), px(area.height));
  for (const ControlSpec& spec : controlTable()) {
    QWidget* parent = spec.container.empty() ? this : widgets_.at(std::string(spec.container));
    QWidget* w = spec.kind == ControlKind::Picture
                     ? (plot_ = new PlotView(parent, spec.width, spec.height))
                     : makeWidget(spec, parent);
    w->setObjectName(q(spec.name));
    w->setFont(designedFont(spec.font, windowFont));
    // Captioned controls are named by their caption, which Qt reads live.
    if (!spec.accessibleName.empty()) w->setAccessibleName(q(spec.accessibleName));
    w->setAccessibleDescription(q(spec.accessibleDescription));
    if (auto* combo = qobject_cast<QComboBox*>(w); combo && combo->lineEdit()) {
      combo->lineEdit()->setAccessibleName(q(spec.accessibleName));
      combo->lineEdit()->setAccessibleDescription(q(spec.accessibleDescription));
    }
    w->setGeometry(px(spec.left), px(spec.top), px(spec.width), px(spec.height));
    if (spec.kind == ControlKind::Label || spec.kind == ControlKind::Frame ||
        spec.kind == ControlKind::Picture)
      w->setFocusPolicy(Qt::NoFocus);
    widgets_.emplace(std::string(spec.name), w);
  }
  // Tab order follows the table; labels, frames and the plot take no focus.
  QWidget* previous = nullptr;
  for (const ControlSpec& spec : controlTable()) {
    QWidget* w = widgets_.at(std::string(spec.name));
    if (w->focusPolicy() == Qt::NoFocus) continue;
    if (previous) setTabOrder(previous, w);
    previous = w;
  }
}

QWidget* MainWindow::widget(const std::string& name) const {
  const auto it = widgets_.find(name);
  return it == widgets_.end() ? nullptr : it->second;
}

void MainWindow::bind(Form1& form) {
  for (const ControlSpec& spec : controlTable()) bindControl(spec, form);
  form.Me.viewChanged = [this, &form] {
    setWindowTitle(q(form.Me.caption()));
    move(static_cast<int>(form.Me.left() / twipsPerPixel()),
         static_cast<int>(form.Me.top() / twipsPerPixel()));
  };
  form.Me.viewChanged();
}

void MainWindow::bindControl(const ControlSpec& spec, Form1& form) {
  Control* control = form.control(spec.name);
  QWidget* w = widgets_.at(std::string(spec.name));
  if (auto* c = dynamic_cast<Captioned*>(control)) {
    if (auto* button = qobject_cast<QPushButton*>(w)) {
      connect(button, &QPushButton::clicked, [c] { c->userClick(); });
      c->viewChanged = [c, button] {
        button->setText(q(c->caption()));
        button->setEnabled(c->enabled());
      };
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
      c->viewChanged = [c, label, spec] {
        label->setText(q(c->caption()));
        if (spec.autoSize) fitLabel(label, spec);
        label->setAccessibleName(q(spokenName(spec, c->caption())));
      };
    } else if (auto* frame = qobject_cast<QGroupBox*>(w)) {
      c->viewChanged = [c, frame] { frame->setTitle(q(c->caption())); };
    }
  } else if (auto* t = dynamic_cast<TextBox*>(control)) {
    auto* edit = qobject_cast<QLineEdit*>(w);
    connect(edit, &QLineEdit::textEdited,
            [t](const QString& text) { t->userEdit(text.toStdString()); });
    t->viewChanged = [t, edit] {
      const QSignalBlocker block(edit);
      edit->setText(q(t->text()));
      edit->setCursorPosition(0);
    };
  } else if (auto* cb = dynamic_cast<ComboBox*>(control)) {
    auto* combo = qobject_cast<QComboBox*>(w);
    connect(combo, &QComboBox::activated, [cb](int index) { cb->userSelect(index); });
    if (combo->isEditable())
      connect(combo, &QComboBox::editTextChanged,
              [cb](const QString& text) { cb->userEditText(text.toStdString()); });
    connect(combo, &QComboBox::currentTextChanged, [combo, spec](const QString& text) {
      combo->setAccessibleName(q(spokenName(spec, text.toStdString())));
    });
    cb->viewChanged = [cb, combo, spec] {
      const QSignalBlocker block(combo);
      if (combo->count() != cb->listCount()) {
        combo->clear();
        for (int i = 0; i < cb->listCount(); ++i) combo->addItem(q(cb->list(i)));
      }
      combo->setCurrentIndex(cb->listIndex());
      if (combo->isEditable()) combo->setEditText(q(cb->text()));
      combo->setEnabled(cb->enabled());
      combo->setAccessibleName(q(spokenName(spec, combo->currentText().toStdString())));
    };
  } else if (auto* o = dynamic_cast<OptionButton*>(control)) {
    auto* radio = qobject_cast<QRadioButton*>(w);
    connect(radio, &QRadioButton::clicked, [o] { o->userClick(); });
    o->viewChanged = [o, radio] {
      const QSignalBlocker block(radio);
      radio->setText(q(o->caption()));
      radio->setChecked(o->value());
      radio->setEnabled(o->enabled());
    };
  }
  if (control && control->viewChanged) control->viewChanged();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (closing) closing();
  event->accept();
}

}  // namespace tarn
