// The window's widgets and the presenter's controls follow each other both
// ways, in both programs, where the keyboard flow does not show it.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include "ui/presenter.h"
#include "ui/qt/app.h"
#include "ui/qt/main_window.h"

namespace tarn {
namespace {

TEST(Window, WidgetsAndControlsFollowEachOther) {
  qputenv("TARNVIEW_COM4", "/dev/ttyUSB7");
  for (const auto boards : {currentBoards(), olderBoards()}) {
    App app(boards);
    MainWindow& w = app.window();
    Presenter& p = app.presenter();
    SCOPED_TRACE(p.board().name);
    p.connectButton.setEnabled(false);
    EXPECT_FALSE(w.widget("Button1")->isEnabled());

    // The port box names the device behind each entry, and keeps typed text
    // as typed, also when the focus leaves it.
    auto* port = qobject_cast<QComboBox*>(w.widget("ComboCommPort"));
    EXPECT_EQ(port->itemData(3, Qt::ToolTipRole).toString(), "/dev/ttyUSB7");
    for (const auto& [typed, index] : {std::pair{"COM12", -1}, {"com3", -1}, {"COM3", 2}}) {
      port->setEditText(typed);
      emit port->lineEdit()->editingFinished();
      EXPECT_EQ(p.portList.text(), typed);
      EXPECT_EQ(p.portList.listIndex(), index) << typed;
    }
    if (boards.size() == 2) {
      w.move(10, 10);  // by the user
      qobject_cast<QRadioButton*>(w.widget("Option4"))->click();
      EXPECT_EQ(w.windowTitle(), "Quorin(2) Demo");
      EXPECT_EQ(p.board().key, "quorin2");
      EXPECT_EQ(w.pos(), QPoint(10, 10)) << "a new caption leaves the window where it is";
    }
  }
  qunsetenv("TARNVIEW_COM4");
}

}  // namespace
}  // namespace tarn
