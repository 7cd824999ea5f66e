#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/controls.h"
#include "common/form_state.h"
#include "common/seams.h"

namespace tarn {

// The plot box: the drawing surface plus its designed size in twips.
class PictureBox : public Control {
 public:
  explicit PictureBox(DrawingSurface& surface) : surface_(surface) {}
  void Cls() { surface_.cls(); }
  void Line(float x1, float y1, float x2, float y2, uint32_t color) {
    surface_.line(x1, y1, x2, y2, color);
  }
  float Width() const { return width_; }
  float Height() const { return height_; }
  void setSize(float width, float height) {
    width_ = width;
    height_ = height;
  }

 private:
  DrawingSurface& surface_;
  float width_ = 0, height_ = 0;
};

// What the window needs from its surroundings; each piece is replaced by a
// scripted one in tests.
struct Seams {
  SerialControl& comm;
  Clock& clock;
  DrawingSurface& picture;
  Host& host;
  SaveDialog& dialog;
  MsgBox& msgBox;
  FileStore& files;
};

// The one window: every control, the shared state and every handler.
class Form1 {
 public:
  explicit Form1(Seams seams);
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  // Controls, by the names the window gives them.
  Window Me;
  TextBox Status;
  Captioned ComStatus;
  Captioned QuitB;
  Captioned Button1;
  Captioned SendB2;
  ComboBox ComboCommPort;
  ComboBox Combo2;
  TextBox Text1;
  Captioned Label2;
  PictureBox Picture1;
  Captioned Label3;
  Captioned Label4;
  Captioned Label5;
  Captioned Command1;
  Captioned Frame2;
  ComboBox Combo1;
  Captioned Command6;
  Captioned Command29;
  Captioned Label1;
  Captioned Frame1;
  OptionButton Option1;
  OptionButton Option2;
  Captioned Frame3;
  OptionButton Option3;
  OptionButton Option4;
  Timer Timer1;
  SerialControl& MSComm1;
  SaveDialog& CD1;

  FormState state;

  // The control of the given name, for the toolkit that draws the window.
  Control* control(std::string_view name);

  // Event handlers.
  void Form_Load();
  void Button1_Click();
  void Command29_Click();
  void Command6_Click();
  void SendB2_Click();
  void Command1_Click();
  void QuitB_Click();
  void Option3_Click();
  void Option4_Click();
  void ComboCommPort_Click();
  void Timer1_Timer();
  void MSComm1_OnComm();
  // The port failed under the program (a cable pulled, a device gone).
  void MSComm1_PortLost();

  // Public methods.
  void FormToCenter();
  void Graph();
  void SaveDataFile(const std::string& path);
  void mSaveDataFile(const std::string& path, const std::string& title);

  // Sample values, peak-to-peak results and the plot's helpers: private
  // operations, public for the tests.
  double SampleValue(const std::string& text) const;
  void MaxCh0();
  void MaxCh1();
  void MinCh0();
  void MinCh1();
  std::string UpdatePeakToPeak();
  int32_t PlotMaximum() const;
  int32_t PlotMinimum() const;
  uint32_t TraceColor(int16_t n) const;

  // Private operations, public for the tests.
  void OpenPort();
  void ClosePort();
  void ResyncLine();
  bool SendCommand(const std::string& command, std::string& reply, int16_t timeout);
  void StartReplyTimer(int16_t interval);
  void StopReplyTimer();
  void FillRatesPellanSinc5();
  void FillRatesPellanSinc3();
  void FillRatesQuorinSinc5();
  void FillRatesQuorinSinc3();
  // The connect-and-check path of Button1.
  void ConnectAndCheck();
  // One exchange through CmdText and ReplyText with the 100 ms time-out.
  bool Ask(const std::string& command);
  // Sends the selected rate; true when the board took it.
  bool SendRate();
  // The two paths of SendB2 and the pieces they share with the reception.
  void StartMeasurement();
  void StopMeasurement();
  void SendStopCommand();
  // Keeps what arrived before an early end: ten or more records are drawn.
  void KeepReceived();
  // Ends a running measurement whose port failed under it.
  void AbandonMeasurement();
  void ReceiveRecords();
  void FinishMeasurement(const char* heading);
  void ChooseSaveFile();

 private:
  // Closes a port that failed under the program and shows the window as
  // disconnected, with the reason in the status line.
  void dropPort(const std::string& why);
  void enableModelChoice(bool enabled);
  void applyControlTable();
  void wireEvents();
  Clock& clock_;
  Host& host_;
  MsgBox& msgBox_;
  FileStore& files_;
};

}  // namespace tarn
