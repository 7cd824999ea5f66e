#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "common/model.h"
#include "support/pty_peer.h"
#include "ui/control_table.h"
#include "ui/form1.h"
#include "ui/qt/app.h"
#include "ui/qt/main_window.h"

namespace tarn {
namespace {

QString shownText(QWidget* w) {
  if (auto* b = qobject_cast<QPushButton*>(w)) return b->text();
  if (auto* r = qobject_cast<QRadioButton*>(w)) return r->text();
  if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
  if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentText();
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
  return {};
}

TEST(WindowSmoke, ControlsStartWithTheirTextsWhereTheyAreDesigned) {
  App app;
  MainWindow& window = app.window();
  window.show();
  const double tpp = twipsPerPixel();
  EXPECT_EQ(window.width(), qRound(clientArea().width / tpp));
  EXPECT_EQ(window.height(), qRound(clientArea().height / tpp));
  EXPECT_EQ(window.windowTitle(), "Pellan(2) Demo");
  for (const ControlSpec& row : controlTable()) {
    SCOPED_TRACE(std::string(row.name));
    QWidget* w = window.widget(std::string(row.name));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->parentWidget(), row.container.empty() ? static_cast<QWidget*>(&window)
                                                       : window.widget(std::string(row.container)));
    EXPECT_EQ(w->y(), qRound(row.top / tpp));
    if (!row.autoSize) {
      EXPECT_EQ(w->geometry(), QRect(qRound(row.left / tpp), qRound(row.top / tpp),
                                     qRound(row.width / tpp), qRound(row.height / tpp)));
    }
    if (row.kind != ControlKind::Picture) {
      EXPECT_EQ(shownText(w), QString::fromUtf8(row.text.data(), row.text.size()));
    }
  }
  auto* combo = qobject_cast<QComboBox*>(window.widget("ComboCommPort"));
  EXPECT_EQ(combo->count(), 9);
  EXPECT_EQ(combo->currentIndex(), 3);
  EXPECT_FALSE(qobject_cast<QComboBox*>(window.widget("Combo2"))->isEditable());
  EXPECT_TRUE(qobject_cast<QRadioButton*>(window.widget("Option1"))->isChecked());

  QDir().mkpath(TARNVIEW_ARTIFACTS);
  const QString shot =
      QString(TARNVIEW_ARTIFACTS) + (kSolo ? "/tarnview_solo.png" : "/tarnview.png");
  EXPECT_TRUE(window.grab().save(shot));
}

TEST(WindowSmoke, UserActionsReachTheHandlersAndCodeChangesReachTheWidgets) {
  App app;
  MainWindow& window = app.window();
  Form1& form = app.form();
  auto* text1 = qobject_cast<QLineEdit*>(window.widget("Text1"));
  text1->setText("250");
  emit text1->textEdited("250");
  EXPECT_EQ(form.Text1.text(), "250");
  form.Status.setText("COM Ready...");
  EXPECT_EQ(qobject_cast<QLineEdit*>(window.widget("Status"))->text(), "COM Ready...");
  if constexpr (!kSolo) {
    window.move(10, 10);  // by the user
    qobject_cast<QRadioButton*>(window.widget("Option4"))->click();
    EXPECT_EQ(window.windowTitle(), "Quorin(2) Demo");
    EXPECT_EQ(window.pos(), QPoint(10, 10)) << "a new caption does not move the window back";
    EXPECT_TRUE(form.Option4.value());
  }
  // The port box keeps typed text as typed, also when the focus leaves it;
  // only an entry's exact name picks that entry.
  auto* port = qobject_cast<QComboBox*>(window.widget("ComboCommPort"));
  const struct {
    const char* typed;
    int index;
    const char* text;
  } typed[] = {{"COM12", -1, "COM12"}, {"com3", -1, "com3"}, {"COM3", 2, "COM3"}};
  for (const auto& t : typed) {
    port->setEditText(t.typed);
    emit port->lineEdit()->editingFinished();
    EXPECT_EQ(form.ComboCommPort.listIndex(), t.index) << t.typed;
    EXPECT_EQ(form.ComboCommPort.text(), t.text) << t.typed;
  }
}

TEST(WindowSmoke, ThePortBoxShowsTheDeviceBehindEachName) {
  qputenv("TARNVIEW_COM4", "/dev/ttyUSB0");
  App app;
  auto* port = qobject_cast<QComboBox*>(app.window().widget("ComboCommPort"));
  EXPECT_EQ(port->toolTip(), "/dev/ttyUSB0");
  EXPECT_EQ(port->itemData(0, Qt::ToolTipRole).toString(), "/dev/ttyS0");
  const struct {
    const char* typed;
    const char* device;
  } names[] = {{"COM12", "/dev/ttyS11"},
               {"COM 2.5", "/dev/ttyS1"},
               {"COM17", kSolo ? "/dev/ttyS16" : ""},
               {"com3", ""},
               {"COM0", ""}};
  for (const auto& n : names) {
    port->setEditText(n.typed);
    EXPECT_EQ(port->toolTip(), n.device) << n.typed;
  }
  qunsetenv("TARNVIEW_COM4");
}

TEST(WindowSmoke, ClosingTheWindowReleasesThePort) {
  test::PtyPeer peer([](const std::string&) { return std::string(); });
  peer.mapTo(4);
  App app;
  app.form().OpenPort();
  ASSERT_TRUE(app.form().MSComm1.portOpen());
  app.window().show();
  app.window().close();
  EXPECT_FALSE(app.form().MSComm1.portOpen());
  EXPECT_FALSE(app.form().state.PortReady);
}

}  // namespace
}  // namespace tarn
