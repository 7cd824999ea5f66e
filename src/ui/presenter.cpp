#include "ui/presenter.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "report/report.h"

#include "acquisition/acquisition_texts.h"
#include "analysis/values.h"
#include "board/board_texts.h"
#include "board/commands.h"
#include "board/port_names.h"
#include "datafile/csv_lines.h"
#include "ui/control_table.h"

namespace tarn {
namespace {

namespace bt = board_texts;
namespace at = acquisition_texts;

constexpr const char* kPorts[] = {"COM1", "COM2", "COM3", "COM4", "COM5",
                                  "COM6", "COM7", "COM8", "COM9"};
constexpr const char* kNoScale = "---";
constexpr const char* kReportItem = "解析レポート";
constexpr const char* kPictureItem = "波形を画像で保存...";
constexpr const char* kPictureTitle = "波形を画像で保存";
constexpr const char* kPictureFilter = "(PNGファイル) | *.png";
constexpr const char* kReportFailed = "解析レポートを作成出来ませんでした";
constexpr const char* kReportNotOpened = "解析レポートを開けませんでした";
constexpr const char* kPictureFailed = "画像を保存出来ませんでした";

// "20261208-015500": files named by the time they were made never replace
// one that is still open.
std::string stamp(const LocalDateTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

}  // namespace

Presenter::Presenter(PresenterSeams seams, std::span<const BoardProfile> boards)
    : boards_(boards),
      clock_(seams.clock),
      plot_(seams.plot),
      link_(seams.port, seams.clock),
      saver_(seams.dialog, seams.messages, seams.files, seams.clock),
      dialog_(seams.dialog),
      messages_(seams.messages),
      files_(seams.files),
      opener_(seams.opener) {
  portList.setItems(kPorts);
  channelList.setItems(kChannelNames);
  OptionButton::group({&binaryOption, &mvOption});
  OptionButton::group({&modelOptions[0], &modelOptions[1]});
  applyControlTable();
  wireControls();
  binaryOption.setValue(true);
  modelOptions[0].setValue(true);
  setCaption(board().caption);
  channelList.setListIndex(0);
  portList.setListIndex(3);
}

void Presenter::applyControlTable() {
  for (const ControlSpec& row : controlTable(singleModel())) {
    Control* target = control(row.name);
    const std::string text(row.text);
    if (auto* captioned = dynamic_cast<Captioned*>(target)) captioned->setCaption(text);
    if (auto* box = dynamic_cast<TextBox*>(target)) box->setText(text);
    if (auto* combo = dynamic_cast<ComboBox*>(target)) combo->setText(text);
    if (auto* option = dynamic_cast<OptionButton*>(target)) option->setCaption(text);
  }
}

void Presenter::wireControls() {
  connectButton.onClick = [this] { toggleConnection(); };
  readRateButton.onClick = [this] { readRate(); };
  setRateButton.onClick = [this] { setRate(); };
  measureButton.onClick = [this] { toggleMeasurement(); };
  saveButton.onClick = [this] { saveData(); };
  quitButton.onClick = [this] { quit(); };
  portList.onSelect = [this] { choosePort(); };
  for (size_t i = 0; i < std::size(modelOptions); ++i)
    modelOptions[i].onClick = [this, i] { chooseModel(i); };
}

Control* Presenter::control(std::string_view name) {
  // clang-format off
  const std::pair<std::string_view, Control*> controls[] = {
      {"Status", &status},
      {"ComStatus", &portStatus},
      {"QuitB", &quitButton},
      {"Button1", &connectButton},
      {"SendB2", &measureButton},
      {"ComboCommPort", &portList},
      {"Combo2", &channelList},
      {"Text1", &sampleCount},
      {"Label2", &sampleCountLabel},
      {"Label3", &scaleTop},
      {"Label4", &scaleMiddle},
      {"Label5", &scaleBottom},
      {"Command1", &saveButton},
      {"Frame2", &rateFrame},
      {"Combo1", &rateList},
      {"Command6", &setRateButton},
      {"Command29", &readRateButton},
      {"Label1", &boardSettings},
      {"Frame1", &formatFrame},
      {"Option1", &binaryOption},
      {"Option2", &mvOption},
      {"Frame3", &modelFrame},
      {"Option3", &modelOptions[0]},
      {"Option4", &modelOptions[1]},
  };
  // clang-format on
  for (const auto& [controlName, pointer] : controls)
    if (controlName == name) return pointer;
  return nullptr;
}

void Presenter::setCaption(std::string_view text) {
  caption = text;
  if (captionChanged) captionChanged();
}

void Presenter::chooseModel(size_t index) {
  if (index >= boards_.size()) return;
  board_ = index;
  setCaption(board().caption);
}

void Presenter::enableModelChoice(bool enabled) {
  if (singleModel()) return;
  for (OptionButton& option : modelOptions) option.setEnabled(enabled);
}

// --- Connection ------------------------------------------------------------

void Presenter::toggleConnection() {
  try {
    if (connected_) {
      disconnect();
    } else {
      connectAndCheck();
    }
  } catch (const PortError&) {
    dropPort(bt::kPortLost);
  }
}

void Presenter::disconnect() {
  // A measurement still streaming is stopped first, or the board goes on
  // sending to a closed port.
  if (measuring()) stopMeasurement();
  link_.resync();  // fails when the cable went before the port noticed
  link_.close();
  connected_ = false;
  connectButton.setCaption(bt::kConnect);
  enableModelChoice(true);
}

void Presenter::connectAndCheck() {
  if (!openPort()) {
    link_.close();
    portStatus.setCaption(bt::kComOpenFailed);
    if (board().quietOpenFailure) status.setText("");
    enableModelChoice(true);
    return;
  }
  connected_ = true;
  link_.resync();
  portStatus.setCaption(board().line.text());
  status.setText(bt::kComReady);
  connectButton.setCaption(bt::kClose);
  enableModelChoice(false);

  const BoardCheck check = checkBoard(link_, board());
  switch (check.outcome) {
    case BoardCheck::Outcome::NoAnswer:
      status.setText(std::string(board().noAnswer));
      enableModelChoice(true);
      return;
    case BoardCheck::Outcome::BadStatus:
      status.setText(std::string(board().badStatus));
      boardSettings.setCaption(bt::kStatusUnknown);
      enableModelChoice(true);
      return;
    case BoardCheck::Outcome::Ok:
      break;
  }
  status.setText(std::string(board().boardOk));
  boardSettings.setCaption(check.settings);
  rateList.setItems(check.rates);
  readRate();
}

bool Presenter::openPort() {
  const PortChoice port = tarn::choosePort(portList.text(), board().highestPort);
  switch (port.error) {
    case PortNameError::NotACom:
      status.setText(bt::kComSettingError);
      return false;
    case PortNameError::OutOfRange:
      status.setText(bt::kComNumberRange);
      return false;
    case PortNameError::Invalid:
      status.setText(bt::kSettingError);
      return false;
    case PortNameError::None:
      break;
  }
  try {
    link_.open(port.device, board().line);
    return true;
  } catch (const PortError&) {
    status.setText(bt::kSettingError);
    return false;
  }
}

std::string Presenter::deviceOf(std::string_view portName) const {
  return tarn::choosePort(portName, board().highestPort).device;
}

void Presenter::choosePort() {
  if (!link_.isOpen()) return;
  try {
    if (measuring()) stopMeasurement();
    link_.open(portDevice(portList.listIndex() + 1), board().line);
  } catch (const PortError&) {
    dropPort(bt::kPortSwitchFailed);
  }
}

void Presenter::portLost() {
  // A handler that met the failure first has already said so.
  if (connected_) dropPort(bt::kPortLost);
}

void Presenter::dropPort(const char* why) {
  link_.close();
  connected_ = false;
  connectButton.setCaption(bt::kConnect);
  enableModelChoice(true);
  status.setText(why);
  if (measuring()) {
    measurement_->end(Measurement::State::PortLost);
    showEndPlot();
    status.setText(at::kLostDuringMeasurement + std::to_string(measurement_->received()) +
                   at::kLostCountEnd);
  }
  // Nothing is measured any more, however the port went.
  showEnded();
}

void Presenter::quit() {
  try {
    if (measuring() && link_.isOpen()) stopMeasurement();
  } catch (const PortError&) {
    // The port is going anyway.
  }
  link_.close();
  connected_ = false;
}

// --- Rate ------------------------------------------------------------------

void Presenter::readRate() {
  try {
    if (!link_.isOpen()) {
      status.setText(bt::kComNotOpen);
      return;
    }
    const std::optional<int> code = tarn::readRate(link_);
    if (!code || *code >= rateList.listCount()) {
      status.setText(std::string(board().replyError));
      return;
    }
    rateList.setListIndex(*code);
    status.setText(bt::kRateRead);
  } catch (const PortError&) {
    status.setText(std::string(board().replyError));
  }
}

void Presenter::setRate() {
  try {
    if (!link_.isOpen()) {
      status.setText(bt::kComNotOpen);
      return;
    }
    status.setText(sendRate() ? bt::kRateSet : bt::kRateNotSet);
  } catch (const PortError&) {
    dropPort(bt::kPortLost);
  }
}

bool Presenter::sendRate() {
  // Only a rate of the list is sent: typed text that names none sends nothing.
  const int code = rateList.listIndex();
  return code >= 0 && tarn::setRate(link_, code);
}

// --- Measurement -----------------------------------------------------------

void Presenter::toggleMeasurement() {
  try {
    if (!link_.isOpen()) {
      status.setText(bt::kComNotOpen);
      return;
    }
    if (measuring()) {
      stopMeasurement();
    } else {
      startMeasurement();
    }
  } catch (const PortError&) {
    dropPort(bt::kPortLost);
  }
}

void Presenter::startMeasurement() {
  status.setText("");
  if (!sendRate()) {
    status.setText(bt::kRateNotSet);
    return;
  }
  const std::optional<int32_t> count = sampleCountOf(sampleCount.text());
  if (!count) {
    status.setText(at::kBadCount);
    return;
  }
  // The channel list is a pure list, selected from start-up on.
  const auto channels = static_cast<Channels>(std::max(channelList.listIndex(), 0));
  MeasurementSettings settings = measurementSettings(
      binaryOption.value() ? DataFormat::Binary : DataFormat::Millivolt, channels, *count,
      rateList.listIndex(), rateList.text(), boardSettings.caption(), clock_.now());
  clearPlot();
  plotted_ = 0;
  measurement_.emplace(std::move(settings), board().refusesWithNg);
  values_.emplace(measurement_->settings());
  link_.take();  // what came before the start is not a record
  link_.send(startCommand(measurement_->settings()));
  measureButton.setCaption(at::kStop);
  if (measuringChanged) measuringChanged();
}

void Presenter::stopMeasurement() {
  measurement_->end(Measurement::State::Stopped);
  showEndPlot();
  showEnded();
  status.setText(at::kStopped + discardedText());
  link_.send(stopCommand(measurement_->settings().format));
  link_.take();  // the rest of the stream
}

void Presenter::received() {
  if (!measuring()) return;
  try {
    const int32_t before = measurement_->received();
    switch (measurement_->feed(link_.take())) {
      case Measurement::State::Running:
        if (measurement_->received() > before) {
          lastArrival_ = clock_.now();
          // The first record shows at once; the rest with the live plot.
          if (before == 0) {
            firstArrival_ = lastArrival_;
            status.setText(measurement_->progressText());
          }
        }
        break;
      case Measurement::State::Finished:
        finishMeasurement(at::kFinished);
        break;
      case Measurement::State::TableFull:
        link_.send(stopCommand(measurement_->settings().format));
        finishMeasurement(at::kTableFull);
        break;
      case Measurement::State::Refused:
        status.setText(at::kRefused);
        clearPlot();
        showEnded();
        break;
      case Measurement::State::Stopped:
      case Measurement::State::PortLost:
        break;
    }
  } catch (const PortError&) {
    dropPort(bt::kPortLost);
  }
}

void Presenter::finishMeasurement(const char* heading) {
  showEnded();
  if (measurement_->received() == 0) {
    status.setText(std::string(heading) + at::kNoValidData);
    clearPlot();
    return;
  }
  values_->update(measurement_->records());
  status.setText(heading + peakToPeakText(*values_, board()) + discardedText());
  drawPlot();
}

std::string Presenter::discardedText() const {
  const int32_t n = measurement_->discarded();
  return n == 0 ? std::string() : at::kDiscarded + std::to_string(n) + at::kDiscardedEnd;
}

void Presenter::showEnded() {
  measureButton.setCaption(at::kStart);
  if (!status.toolTip().empty()) status.setToolTip("");
  if (measuringChanged) measuringChanged();
}

void Presenter::showEndPlot() {
  // Ten records or more make a picture worth keeping, where the board's stop
  // keeps what arrived.
  if (board().keepsRecordsOnStop && measurement_->received() >= 10) {
    drawPlot();
  } else {
    clearPlot();
  }
}

void Presenter::refreshLivePlot() {
  if (!measuring() || measurement_->received() == plotted_) return;
  plotted_ = measurement_->received();
  status.setText(measurement_->progressText());
  status.setToolTip(progressTip());
  // A single record draws nothing.
  if (plotted_ >= 2) drawPlot();
}

std::string Presenter::progressTip() const {
  const MeasurementSettings& settings = measurement_->settings();
  const int32_t total = settings.count == 0 ? kSampleEntries : settings.count;
  std::string tip = std::to_string(measurement_->received()) + " / " + std::to_string(total);
  const double seconds = std::chrono::duration<double>(lastArrival_ - firstArrival_).count();
  if (measurement_->received() < 2 || seconds <= 0) return tip;
  // Discarded records count toward the total, as they do for the end.
  const int32_t done = measurement_->received() + measurement_->discarded();
  const double rate = (measurement_->received() - 1) / seconds;
  const auto left = static_cast<long long>(std::lround(std::max(total - done, 0) / rate));
  char text[64];
  std::snprintf(text, sizeof text, ", %.2f sps, %s%lld:%02lld:%02lld", rate, at::kRemaining,
                left / 3600, left / 60 % 60, left % 60);
  return tip + text;
}

// --- Plot and file ---------------------------------------------------------

void Presenter::clearPlot() {
  plot_.clear();
  for (Captioned* label : {&scaleTop, &scaleMiddle, &scaleBottom}) label->setCaption(kNoScale);
}

void Presenter::drawPlot() {
  plot_.clear();
  values_->update(measurement_->records());
  std::optional<Plot> plot = plotOf(*values_, kPictureWidth, kPictureHeight);
  // A range beyond 32 bits leaves the plot empty, and the scale with it.
  if (!plot) {
    clearPlot();
    return;
  }
  scaleTop.setCaption(plot->labels[0]);
  scaleMiddle.setCaption(plot->labels[1]);
  scaleBottom.setCaption(plot->labels[2]);
  plot_.draw(std::move(plot->traces));
}

bool Presenter::measured() const {
  return !measuring() && measurement_ && measurement_->received() > 0;
}

void Presenter::saveData() {
  if (!measured()) return;
  saver_.save(*measurement_);
}

// --- The plot box's menu ----------------------------------------------------

std::vector<MenuItem> Presenter::plotMenu() {
  return {{kReportItem, measured(), [this] { openReport(); }},
          {kPictureItem, measured(), [this] { savePlotPicture(); }}};
}

void Presenter::openReport() {
  if (!measured()) return;
  const LocalDateTime now = clock_.localNow();
  std::string path;
  try {
    path = (std::filesystem::temp_directory_path() / ("tarnview-report-" + stamp(now) + ".html"))
               .string();
    const std::vector<ChannelAnalysis> channels =
        analyseNoise(measurement_->settings(), measurement_->records(), board().mvSummaryDivisor);
    const std::string date = datafile::dateTimeText(now);
    files_.replaceFile(
        path, reportHtml({measurement_->settings(), measurement_->received(), board().name, date},
                         channels));
  } catch (const std::runtime_error& e) {  // no temporary folder, ReportError, FileError
    messages_.tell(std::string(kReportFailed) + " (" + e.what() + ")");
    return;
  }
  if (!opener_.open(path)) messages_.tell(std::string(kReportNotOpened) + " (" + path + ")");
}

void Presenter::savePlotPicture() {
  if (!measured()) return;
  const std::string offered =
      lastPicture_.empty() ? "tarnview-plot-" + stamp(clock_.localNow()) + ".png" : lastPicture_;
  const std::optional<std::string> path =
      dialog_.askSavePath({kPictureTitle, kPictureFilter, files_.homeFolder(), offered});
  if (!path) return;
  lastPicture_ = *path;
  if (!plot_.savePicture(*path)) messages_.tell(std::string(kPictureFailed) + " (" + *path + ")");
}

}  // namespace tarn
