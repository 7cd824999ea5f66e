#include "ui/presenter.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "acquisition/acquisition_texts.h"
#include "analysis/values.h"
#include "board/board_texts.h"
#include "board/commands.h"
#include "board/port_names.h"
#include "datafile/csv_lines.h"
#include "datafile/datafile_texts.h"
#include "datafile/saved_file.h"
#include "report/charts.h"
#include "report/comparison.h"
#include "report/report.h"
#include "report/sweep_report.h"
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
constexpr const char* kSweepItem = "全レートのノイズ表...";
constexpr const char* kCompareItem = "ファイルを比較...";
constexpr const char* kSweepTitle = "全レートのノイズ表";
constexpr const char* kCompareTitle = "ファイルを比較";
constexpr const char* kPictureTitle = "波形を画像で保存";
constexpr const char* kPictureFilter = "(PNGファイル) | *.png";
constexpr const char* kReportFailed = "解析レポートを作成出来ませんでした";
constexpr const char* kReportNotOpened = "解析レポートを開けませんでした";
constexpr const char* kPictureFailed = "画像を保存出来ませんでした";
constexpr const char* kReadFailed = "データファイルを読み込めませんでした";
constexpr const char* kRates = " rates";

// "20261208-015500": files named by the time they were made never replace
// one that is still open.
std::string stamp(const LocalDateTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

// `name` in `folder`, with the separator the folder's path uses.
std::string inFolder(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/' || folder.back() == '\\') return folder + name;
  return folder + (folder.find('\\') != std::string::npos ? "\\" : "/") + name;
}

// A temporary file's path, named by the time it is made.
std::string temporaryPath(const std::string& kind, const LocalDateTime& t) {
  return (std::filesystem::temp_directory_path() / ("tarnview-" + kind + "-" + stamp(t) + ".html"))
      .string();
}

std::string lines(const std::vector<std::string>& texts) {
  std::string text;
  for (const std::string& line : texts) text += (text.empty() ? "" : "\n") + line;
  return text;
}

// A failed run's end, in the window's words; nothing for the others.
std::optional<std::string> failureText(SweepRun::End end, const BoardProfile& board) {
  switch (end) {
    case SweepRun::End::Refused:
      return at::kRefused;
    case SweepRun::End::RateNotSet:
      return bt::kRateNotSet;
    case SweepRun::End::Silent:
      return std::string(board.noAnswer);
    case SweepRun::End::NoValidRecord:
      return at::kNoValidData;
    default:
      return std::nullopt;
  }
}

// A data file read back and analysed, named by its path.
struct ReadFile {
  std::string path;
  datafile::SavedFile file;
  std::vector<ChannelAnalysis> channels;
};

// The page comparing the runs, each named by its file's name.
std::string comparisonPage(std::span<const ReadFile> runs, std::string_view boardName) {
  std::vector<ComparedRun> compared;
  for (const ReadFile& run : runs) {
    const MeasurementSettings& s = run.file.settings;
    const std::string_view path = run.path;
    compared.push_back({path.substr(path.find_last_of("/\\") + 1),
                        {s, s.count, boardName, run.file.dateTime},
                        run.channels});
  }
  return comparisonHtml(compared);
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
  if (measuring()) stopRunning();
  if (!connected_) return;  // lost as the sweep stopped, and said so
  link_.resync();           // fails when the cable went before the port noticed
  closePort();
}

void Presenter::closePort() {
  link_.close();
  connected_ = false;
  check_.reset();
  connectButton.setCaption(bt::kConnect);
  enableModelChoice(true);
}

void Presenter::connectAndCheck() {
  check_.reset();
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
  check_ = check;
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
    if (measuring()) stopRunning();
    if (!connected_) return;
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
  closePort();
  status.setText(why);
  if (sweeping()) {
    sweep_->sweep.portLost();
    sweepStepped();
    return;
  }
  if (measurementRunning()) {
    measurement_->end(Measurement::State::PortLost);
    showEndPlot();
    status.setText(at::kLostDuringMeasurement + std::to_string(measurement_->received()) +
                   at::kLostCountEnd);
  }
  // Nothing is measured any more, however the port went.
  showEnded();
}

void Presenter::quit() {
  quitting_ = true;  // a sweep's report is written, not opened
  try {
    if (measuring() && link_.isOpen()) stopRunning();
  } catch (const PortError&) {
    // The port is going anyway.
  }
  link_.close();
  connected_ = false;
}

// --- Rate ------------------------------------------------------------------

void Presenter::readRate() {
  // A sweep's stream owns the line until it ends: a command now would read
  // its records as the reply, and the rate it leaves is the sweep's to set.
  if (sweeping()) return;
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
  if (sweeping()) return;  // as for readRate
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
      stopRunning();
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

void Presenter::stopRunning() {
  if (sweeping()) {
    sweep_->sweep.stop();
    sweepStepped();
  } else if (measurementRunning()) {
    stopMeasurement();
  }
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
  if (sweeping()) {
    try {
      sweep_->sweep.feed(link_.take());
    } catch (const PortError&) {
      dropPort(bt::kPortLost);
      return;
    }
    sweepStepped();
    return;
  }
  if (!measurementRunning()) return;
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
  if (!measurementRunning() || measurement_->received() == plotted_) return;
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
          {kPictureItem, measured(), [this] { savePlotPicture(); }},
          {kSweepItem, connected_ && check_ && !measuring(), [this] { sweepEveryRate(); }},
          {kCompareItem, !measuring(), [this] { compareFiles(); }}};
}

void Presenter::openReport() {
  if (!measured()) return;
  const LocalDateTime now = clock_.localNow();
  std::string path;
  try {
    path = temporaryPath("report", now);
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

// --- The sweep over every rate ---------------------------------------------

void Presenter::sweepEveryRate() {
  if (!connected_ || !check_ || measuring()) return;
  const std::optional<int32_t> count = sampleCountOf(sampleCount.text());
  if (!count) {
    status.setText(at::kBadCount);
    return;
  }
  const std::optional<std::string> folder = dialog_.askFolder(
      {kSweepTitle, "", sweepFolder_.empty() ? files_.homeFolder() : sweepFolder_, ""});
  if (!folder || folder->empty()) return;  // cancelled: nothing sent
  sweepFolder_ = *folder;
  try {
    // The board's own rate, which the sweep sets back at its end.
    const std::optional<int> found = tarn::readRate(link_);
    if (!found || *found >= static_cast<int>(check_->rates.size())) {
      status.setText(std::string(board().replyError));
      return;
    }
    std::vector<SweepStep> plan;
    for (size_t code = 0; code < check_->rates.size(); ++code)
      plan.push_back({static_cast<int>(code), *count > 0 ? *count : kSweepMinimumCount});
    const SweepSetup setup{board(),
                           check_->rates,
                           check_->settings,
                           *found,
                           binaryOption.value() ? DataFormat::Binary : DataFormat::Millivolt,
                           static_cast<Channels>(std::max(channelList.listIndex(), 0))};
    sweep_.emplace(SweepJob{Sweep(link_, clock_, setup, plan),
                            setup,
                            *folder,
                            datafile::dateTimeText(clock_.localNow()),
                            check_->ident,
                            std::vector<std::string>(plan.size()),
                            {}});
  } catch (const PortError&) {
    dropPort(bt::kPortLost);
    return;
  }
  // A sweep replaces the measurement shown, as a measurement does.
  measurement_.reset();
  clearPlot();
  status.setText(sweep_->sweep.plannedText());
  status.setToolTip(sweep_->sweep.plannedText());
  measureButton.setCaption(at::kStop);
  sweep_->sweep.start();
  if (measuringChanged) measuringChanged();
  sweepStepped();
}

void Presenter::pollSweep() {
  if (!sweeping()) return;
  sweep_->sweep.feed("");
  sweepStepped();
  if (!sweeping()) return;
  const std::string progress = sweep_->sweep.progressText();
  if (progress != status.text()) status.setText(progress);
}

void Presenter::sweepStepped() {
  SweepJob& job = *sweep_;
  for (; job.saved < job.sweep.ended(); ++job.saved) {
    const SweepRun& run = job.sweep.runs()[job.saved];
    if (!run.measurement || run.measurement->received() == 0) continue;
    const std::string path = inFolder(job.folder, sweepFileName(run));
    try {
      const std::optional<std::string> bytes = dataFileBytes(*run.measurement, clock_);
      if (!bytes) throw FileError("");
      files_.replaceFile(path, *bytes);
      job.files[job.saved] = path;
    } catch (const FileError&) {
      job.trouble.push_back(std::string(datafile_texts::kSaveFailed) + " (" + path + ")");
    }
  }
  if (!job.sweep.running()) endSweep();
}

void Presenter::endSweep() {
  SweepJob& job = *sweep_;
  const Sweep& sweep = job.sweep;
  std::vector<std::string> trouble = std::move(job.trouble);
  size_t finished = 0;
  bool stopped = false;
  const SweepRun* lost = nullptr;
  for (const SweepRun& run : sweep.runs()) {
    finished += run.end == SweepRun::End::Finished;
    stopped = stopped || run.end == SweepRun::End::Stopped;
    if (run.end == SweepRun::End::PortLost) lost = &run;
    if (const std::optional<std::string> why = failureText(run.end, board()))
      trouble.push_back(run.rateText + ": " + *why);
  }
  const std::string tally =
      std::to_string(finished) + "/" + std::to_string(sweep.runs().size()) + kRates;
  if (sweep.portWasLost()) {
    closePort();
    status.setText(lost && lost->measurement
                       ? at::kLostDuringMeasurement +
                             std::to_string(lost->measurement->received()) + at::kLostCountEnd
                       : bt::kPortLost);
  } else {
    status.setText(stopped ? at::kStopped + (" (" + tally + ")") : at::kFinished + tally);
    if (sweep.rateRestored())
      rateList.setListIndex(sweep.foundRate());
    else
      trouble.push_back(std::string(job.setup.rates[static_cast<size_t>(sweep.foundRate())]) +
                        ": " + bt::kRateNotSet);
  }
  showEnded();
  writeSweepReport(trouble);
  if (!trouble.empty() && !quitting_) messages_.tell(lines(trouble));
}

void Presenter::writeSweepReport(std::vector<std::string>& trouble) {
  const SweepJob& job = *sweep_;
  const std::span<const SweepRun> runs = job.sweep.runs();
  std::vector<std::vector<ChannelAnalysis>> figures;
  std::vector<SweepReportRun> reported;
  figures.reserve(runs.size());
  for (size_t i = 0; i < runs.size(); ++i) {
    const SweepRun& run = runs[i];
    const bool measured = run.measurement && run.measurement->received() > 0;
    figures.push_back(measured ? analyseNoise(run.measurement->settings(),
                                              run.measurement->records(), board().mvSummaryDivisor)
                               : std::vector<ChannelAnalysis>());
    reported.push_back({run, figures.back(), job.files[i]});
  }
  const std::string path = inFolder(job.folder, "report.html");
  try {
    files_.replaceFile(
        path, sweepReportHtml({board().name, job.ident, job.setup.boardSettings, job.setup.format,
                               job.setup.channels, "", job.date, "tarnview " TARNVIEW_VERSION},
                              reported));
  } catch (const std::runtime_error& e) {  // FileError, ReportError
    trouble.push_back(std::string(kReportFailed) + " (" + e.what() + ")");
    return;
  }
  if (!quitting_ && !opener_.open(path))
    trouble.push_back(std::string(kReportNotOpened) + " (" + path + ")");
}

// --- Files compared ----------------------------------------------------------

void Presenter::compareFiles() {
  if (measuring()) return;
  const std::vector<std::string> paths =
      dialog_.askOpenPaths({kCompareTitle, datafile_texts::kFilter,
                            compareFolder_.empty() ? files_.homeFolder() : compareFolder_, ""});
  if (paths.empty()) return;
  compareFolder_ = paths.front().substr(0, paths.front().find_last_of("/\\"));
  std::vector<std::string> trouble;
  std::vector<ReadFile> runs;
  for (const std::string& path : paths) {
    try {
      datafile::SavedFile file = datafile::readDataFile(files_.readFile(path));
      std::vector<ChannelAnalysis> channels =
          analyseNoise(file.settings, file.records, board().mvSummaryDivisor);
      runs.push_back({path, std::move(file), std::move(channels)});
    } catch (const std::runtime_error& e) {  // FileError, NotADataFile
      trouble.push_back(std::string(kReadFailed) + " (" + path + ": " + e.what() + ")");
    }
  }
  if (!runs.empty()) {
    std::string path;
    try {
      path = temporaryPath(runs.size() == 1 ? "report" : "comparison", clock_.localNow());
      const MeasurementSettings& s = runs.front().file.settings;
      files_.replaceFile(path, runs.size() == 1 ? reportHtml({s, s.count, board().name,
                                                              runs.front().file.dateTime},
                                                             runs.front().channels)
                                                : comparisonPage(runs, board().name));
      if (!opener_.open(path)) trouble.push_back(std::string(kReportNotOpened) + " (" + path + ")");
    } catch (const std::runtime_error& e) {  // no temporary folder, ReportError, FileError
      trouble.push_back(std::string(kReportFailed) + " (" + e.what() + ")");
    }
  }
  if (!trouble.empty()) messages_.tell(lines(trouble));
}

}  // namespace tarn
