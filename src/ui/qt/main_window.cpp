#include "ui/qt/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QFontDatabase>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>
#include <QToolTip>
#include <chrono>
#include <cmath>
#include <optional>

#include "board/port_names.h"
#include "ui/presenter.h"
#include "ui/qt/accessibility.h"

namespace tarn {
namespace {

// How often a text box's widget follows its control: a frame at 60 Hz.
constexpr std::chrono::milliseconds kFrame{16};

QString q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

int px(int twips) { return static_cast<int>(std::lround(twips / twipsPerPixel())); }

// hasFamily() knows a font by any of its names: the desktop lists it by the
// name in the user's language ("IPA Pゴシック" on a Japanese desktop).
QString firstInstalled(std::span<const std::string_view> families) {
  for (std::string_view family : families) {
    QString name = q(family);
    if (QFontDatabase::hasFamily(name)) return name;
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

// A control in its font: set before its text, which a text box and a combo
// box lay out at once (in the font they were made with, which would be the
// window's and wasted).
QWidget* makeWidget(const ControlSpec& row, QWidget* parent, const QFont& font) {
  const QString text = q(row.text);
  const auto inFont = [&font](auto* widget) {
    widget->setFont(font);
    return widget;
  };
  switch (row.kind) {
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
      auto* combo = inFont(new QComboBox(parent));
      combo->setEditable(row.kind == ControlKind::Combo);
      combo->setInsertPolicy(QComboBox::NoInsert);
      // Typed text stays as typed: without a completer Qt neither completes it
      // nor takes "com3" for the entry "COM3" when the focus leaves the box.
      if (combo->isEditable()) combo->setCompleter(nullptr);
      return combo;
    }
    case ControlKind::TextBox: {
      auto* edit = inFont(new QLineEdit(parent));
      edit->setText(text);
      return edit;
    }
    case ControlKind::Label: {
      auto* label = new QLabel(text, parent);
      if (row.border) label->setFrameStyle(QFrame::Box | QFrame::Plain);
      if (row.greyBack) {
        label->setAutoFillBackground(true);
        QPalette pal = label->palette();
        pal.setColor(QPalette::Window, QColor(192, 192, 192));
        label->setPalette(pal);
      }
      label->setAlignment((row.align == Align::Right ? Qt::AlignRight : Qt::AlignLeft) |
                          Qt::AlignVCenter);
      return label;
    }
    case ControlKind::Picture:
      break;
  }
  return nullptr;
}

// A label sized to its caption keeps the edge its alignment points at.
void fitLabel(QLabel* label, const ControlSpec& row) {
  const int width = label->sizeHint().width();
  const int right = px(row.left + row.width);
  const int left = row.align == Align::Right ? right - width : px(row.left);
  label->setGeometry(left, px(row.top), width, px(row.height));
}

}  // namespace

double twipsPerPixel() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
  return 1440.0 / (dpi > 0 ? dpi : 96.0);
}

MainWindow::MainWindow(bool singleModel) : singleModel_(singleModel) {
  installAccessibility();
  build();
}

void MainWindow::build() {
  QFont windowFont = designedFont(FontRole::Proportional, font());
  windowFont.setPointSize(9);
  setFont(windowFont);
  const QFont fonts[] = {windowFont, designedFont(FontRole::Proportional, windowFont),
                         designedFont(FontRole::Fixed, windowFont)};
  static_assert(static_cast<int>(FontRole::Default) == 0 &&
                static_cast<int>(FontRole::Proportional) == 1 &&
                static_cast<int>(FontRole::Fixed) == 2);
  const ClientArea area = clientArea(singleModel_);
  setFixedSize(px(area.width), px(area.height));
  for (const ControlSpec& row : controlTable(singleModel_)) {
    QWidget* parent = row.container.empty() ? this : widgets_.at(std::string(row.container));
    QWidget* w = row.kind == ControlKind::Picture
                     ? (plot_ = new PlotView(parent, row.width, row.height))
                     : makeWidget(row, parent, fonts[static_cast<int>(row.font)]);
    w->setObjectName(q(row.name));
    w->setFont(fonts[static_cast<int>(row.font)]);
    // Captioned controls are named by their caption, which Qt reads live.
    if (!row.accessibleName.empty()) w->setAccessibleName(q(row.accessibleName));
    w->setAccessibleDescription(q(row.accessibleDescription));
    if (auto* combo = qobject_cast<QComboBox*>(w); combo && combo->lineEdit()) {
      combo->lineEdit()->setAccessibleName(q(row.accessibleName));
      combo->lineEdit()->setAccessibleDescription(q(row.accessibleDescription));
    }
    w->setGeometry(px(row.left), px(row.top), px(row.width), px(row.height));
    if (row.kind == ControlKind::Label || row.kind == ControlKind::Frame ||
        row.kind == ControlKind::Picture)
      w->setFocusPolicy(Qt::NoFocus);
    widgets_.emplace(std::string(row.name), w);
  }
  // Tab order follows the table; labels, frames and the plot take no focus.
  QWidget* previous = nullptr;
  for (const ControlSpec& row : controlTable(singleModel_)) {
    QWidget* w = widgets_.at(std::string(row.name));
    if (w->focusPolicy() == Qt::NoFocus) continue;
    if (previous) setTabOrder(previous, w);
    previous = w;
  }
}

QWidget* MainWindow::widget(const std::string& name) const {
  const auto it = widgets_.find(name);
  return it == widgets_.end() ? nullptr : it->second;
}

void MainWindow::bind(Presenter& presenter) {
  for (const ControlSpec& row : controlTable(singleModel_)) bindControl(row, presenter);
  presenter.captionChanged = [this, &presenter] { setWindowTitle(q(presenter.caption)); };
  presenter.captionChanged();
  showPortDevices(presenter);
  bindPlotMenu(presenter);
  centre();
}

// The plot takes no focus: besides its right click, the Menu key and
// Shift+F10 open its menu from anywhere in the window.
void MainWindow::bindPlotMenu(Presenter& presenter) {
  plot_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(plot_, &QWidget::customContextMenuRequested, this, [this, &presenter](const QPoint& at) {
    showPlotMenu(presenter, plot_->mapToGlobal(at));
  });
  for (const QKeySequence& keys :
       {QKeySequence(Qt::Key_Menu), QKeySequence(Qt::SHIFT | Qt::Key_F10)})
    connect(new QShortcut(keys, this), &QShortcut::activated, this, [this, &presenter] {
      showPlotMenu(presenter, plot_->mapToGlobal(plot_->rect().center()));
    });
}

void MainWindow::showPlotMenu(Presenter& presenter, const QPoint& at) {
  QMenu menu(this);
  menu.setObjectName("plotMenu");
  const std::vector<MenuItem> items = presenter.plotMenu();
  for (size_t i = 0; i < items.size(); ++i) {
    QAction* action = menu.addAction(q(items[i].text));
    action->setEnabled(items[i].enabled);
    action->setData(static_cast<int>(i));
  }
  // Chosen once the menu has closed, so that a dialog it opens is not under it.
  if (const QAction* chosen = menu.exec(at))
    items[static_cast<size_t>(chosen->data().toInt())].choose();
}

void MainWindow::centre() {
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  // Before the window is first shown its frame is not known: estimate it from
  // the style's title bar and frame widths, and centre again once shown.
  QSize outer = frameGeometry().size();
  if (!isVisible()) {
    const int frame = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
    outer = size() + QSize(2 * frame, style()->pixelMetric(QStyle::PM_TitleBarHeight) + 2 * frame);
  }
  const QRect whole = screen->geometry(), available = screen->availableGeometry();
  const QPoint at(std::max(available.left(), whole.left() + (whole.width() - outer.width()) / 2),
                  std::max(available.top(), whole.top() + (whole.height() - outer.height()) / 2));
  if (frameGeometry().topLeft() != at) move(at);
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shown_) return;
  shown_ = true;
  // The platform reports the real frame once the window is on the screen.
  QTimer::singleShot(0, this, [this] { centre(); });
}

// The port box tells, entry by entry and for what is typed, which device each
// COM name stands for on this host.
void MainWindow::showPortDevices(const Presenter& presenter) {
  auto* ports = qobject_cast<QComboBox*>(widgets_.at("ComboCommPort"));
  for (int i = 0; i < ports->count(); ++i)
    ports->setItemData(i, q(presenter.deviceOf(ports->itemText(i).toStdString())), Qt::ToolTipRole);
  const auto showDevice = [ports, &presenter](const QString& name) {
    ports->setToolTip(q(presenter.deviceOf(name.toStdString())));
  };
  connect(ports, &QComboBox::currentTextChanged, showDevice);
  showDevice(ports->currentText());
}

void MainWindow::bindControl(const ControlSpec& row, Presenter& presenter) {
  Control* control = presenter.control(row.name);
  QWidget* w = widgets_.at(std::string(row.name));
  if (auto* c = dynamic_cast<Captioned*>(control)) {
    if (auto* button = qobject_cast<QPushButton*>(w)) {
      connect(button, &QPushButton::clicked, [c] { c->userClick(); });
      c->viewChanged = [c, button] {
        button->setText(q(c->caption()));
        button->setEnabled(c->enabled());
      };
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
      c->viewChanged = [c, label, row] {
        label->setText(q(c->caption()));
        if (row.autoSize) fitLabel(label, row);
        label->setAccessibleName(q(spokenName(row, c->caption())));
      };
    } else if (auto* frame = qobject_cast<QGroupBox*>(w)) {
      c->viewChanged = [c, frame] { frame->setTitle(q(c->caption())); };
    }
  } else if (auto* t = dynamic_cast<TextBox*>(control)) {
    auto* edit = qobject_cast<QLineEdit*>(w);
    // Whatever changes the text (typing, pasting, a screen reader, voice
    // control), the presenter follows; its own writes are not echoed back.
    connect(edit, &QLineEdit::textChanged,
            [t](const QString& text) { t->userEdit(text.toStdString()); });
    const auto show = [t, edit] {
      const QSignalBlocker block(edit);
      edit->setText(q(t->text()));
      edit->setCursorPosition(0);
      if (edit->toolTip() == q(t->toolTip())) return;
      edit->setToolTip(q(t->toolTip()));
      // A tooltip on the screen keeps its text unless shown again.
      if (QToolTip::isVisible() && edit->underMouse())
        QToolTip::showText(QCursor::pos(), edit->toolTip(), edit);
    };
    // The status line may change with every record, hundreds of times a
    // second; the widget, which lays out and paints its text each time,
    // shows the newest text once a frame.
    auto* frame = new QTimer(edit);
    frame->setSingleShot(true);
    frame->setInterval(kFrame);
    connect(frame, &QTimer::timeout, show);
    t->viewChanged = [frame] {
      if (!frame->isActive()) frame->start();
    };
    show();
  } else if (auto* cb = dynamic_cast<ComboBox*>(control)) {
    auto* combo = qobject_cast<QComboBox*>(w);
    if (combo->isEditable()) {
      connect(combo, &QComboBox::activated, [cb](int index) { cb->userSelect(index); });
      connect(combo, &QComboBox::editTextChanged,
              [cb](const QString& text) { cb->userEditText(text.toStdString()); });
    } else {
      connect(combo, &QComboBox::currentIndexChanged, [cb](int index) { cb->userSelect(index); });
    }
    connect(combo, &QComboBox::currentTextChanged, [combo, row](const QString& text) {
      combo->setAccessibleName(q(spokenName(row, text.toStdString())));
    });
    cb->viewChanged = [cb, combo, row] {
      const QSignalBlocker block(combo);
      bool same = combo->count() == cb->listCount();
      for (int i = 0; same && i < cb->listCount(); ++i) same = combo->itemText(i) == q(cb->list(i));
      if (!same) {
        combo->clear();
        for (int i = 0; i < cb->listCount(); ++i) combo->addItem(q(cb->list(i)));
      }
      combo->setCurrentIndex(cb->listIndex());
      if (combo->isEditable()) combo->setEditText(q(cb->text()));
      combo->setEnabled(cb->enabled());
      combo->setAccessibleName(q(spokenName(row, combo->currentText().toStdString())));
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
