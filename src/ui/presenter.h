#pragma once

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "acquisition/measurement.h"
#include "acquisition/sweep.h"
#include "board/commands.h"
#include "board/link.h"
#include "board/profile.h"
#include "datafile/save.h"
#include "report/plot.h"
#include "ui/controls.h"

namespace tarn {

// The plot box: erased, or given the traces to draw, in the coordinates of
// kPictureWidth × kPictureHeight.
class PlotSurface {
 public:
  virtual ~PlotSurface() = default;
  virtual void clear() = 0;
  virtual void draw(std::vector<Trace> traces) = 0;
  // The box's picture as a PNG file at `path`; false when it cannot be written.
  virtual bool savePicture(const std::string& path) = 0;
};

// The desktop's opener: shows a file in the program the user has for its kind.
class Opener {
 public:
  virtual ~Opener() = default;
  // False when no program could be started for it.
  virtual bool open(const std::string& path) = 0;
};

// An entry of the plot box's context menu, as a shell shows it.
struct MenuItem {
  std::string text;
  bool enabled;
  std::function<void()> choose;
};

// What the window needs from its surroundings; each piece is replaced by a
// scripted one in tests.
struct PresenterSeams {
  BytePort& port;
  Clock& clock;
  PlotSurface& plot;
  SaveDialog& dialog;
  MessageBox& messages;
  FileStore& files;
  Opener& opener;
};

// The window's behaviour: maps the user's clicks onto the board link, the
// measurement and the data file, and their results onto the controls. It is
// the only code that knows the controls.
class Presenter {
 public:
  // `boards`: the models to choose from; with one there is no model choice.
  Presenter(PresenterSeams seams, std::span<const BoardProfile> boards);
  Presenter(const Presenter&) = delete;
  Presenter& operator=(const Presenter&) = delete;

  // The controls, by role.
  std::string caption;  // the window's caption
  std::function<void()> captionChanged;
  TextBox status;
  Captioned portStatus, quitButton, connectButton, measureButton;
  ComboBox portList, channelList;
  TextBox sampleCount;
  Captioned sampleCountLabel, scaleTop, scaleMiddle, scaleBottom;
  Captioned saveButton, rateFrame;
  ComboBox rateList;
  Captioned setRateButton, readRateButton, boardSettings;
  Captioned formatFrame;
  OptionButton binaryOption, mvOption;
  Captioned modelFrame;
  OptionButton modelOptions[2];

  // The control of a designed name (the control table's), for the toolkit;
  // nullptr for the plot and for names the window does not have.
  Control* control(std::string_view name);
  bool singleModel() const { return boards_.size() == 1; }

  // What the user does.
  void toggleConnection();
  void readRate();
  void setRate();
  void toggleMeasurement();
  void saveData();
  void choosePort();
  void chooseModel(size_t index);
  // The plot box's context menu: the noise report of the measurement shown,
  // written to the temporary folder and opened, and the plot box as a
  // picture, both for a measurement that has ended with records; the noise
  // table of every rate, connected to a checked board and measuring nothing;
  // saved files compared, measuring nothing.
  std::vector<MenuItem> plotMenu();
  void openReport();
  void savePlotPicture();
  // Asks for a folder, then sweeps every rate of the board's filter with the
  // count box's count (0: kSweepMinimumCount), the channels and the format:
  // each run's data file saved in the folder as it ends, named as
  // `tarnview-cli sweep` names it, the rate set back, the sweep's report
  // written beside them and opened. The measure button stops it. Failed runs,
  // files not saved and a rate not set back are told in one message at the
  // end.
  void sweepEveryRate();
  // Asks for data files, reads them as `tarnview-cli stats` does and opens
  // the page that compares them; one file gives its noise report. A file
  // that cannot be read is told by name, and the others are compared.
  void compareFiles();
  // Stops a running measurement and closes the port, before the program ends.
  void quit();

  // Called when a measurement starts and when it ends: the toolkit runs its
  // live-plot tick only while measuring() holds, so an idle window never wakes.
  std::function<void()> measuringChanged;

  // What the port tells: characters arrived; the port went away.
  void received();
  void portLost();
  // The toolkit's tick for a sweep, four times a second while measuring,
  // the window minimised too: the sweep notices a silent board by it, and
  // the status line tells how far the sweep is.
  void pollSweep();
  // The toolkit's tick, four times a second while measuring and the plot can
  // be seen: redraws the plot from the records received so far when new ones
  // came, and tells in the status line and its tooltip how far the
  // measurement is. Between ticks the status line shows only the first
  // record's arrival: the window repaints once a tick, at a rate a person can
  // read, and a screen reader hears no more than that.
  void refreshLivePlot();

  // The device a port name stands for with the chosen board; empty for none.
  std::string deviceOf(std::string_view portName) const;

  bool connected() const { return connected_; }
  // A measurement or a sweep runs.
  bool measuring() const { return measurementRunning() || sweeping(); }
  bool sweeping() const { return sweep_ && sweep_->sweep.running(); }
  const Measurement* measurement() const { return measurement_ ? &*measurement_ : nullptr; }
  const BoardProfile& board() const { return boards_[board_]; }

 private:
  void connectAndCheck();
  bool openPort();
  void disconnect();
  // The port closed and the window shown as disconnected.
  void closePort();
  bool sendRate();
  bool measurementRunning() const { return measurement_ && measurement_->running(); }
  void startMeasurement();
  void stopMeasurement();
  // Stops the measurement or the sweep that runs.
  void stopRunning();
  // After the sweep was started, fed, stopped or lost: saves the runs that
  // ended, and ends the window's sweep once the sweep is over.
  void sweepStepped();
  void endSweep();
  // The sweep's report beside its files, opened unless quitting; what went
  // wrong is added to `trouble`.
  void writeSweepReport(std::vector<std::string>& trouble);
  void finishMeasurement(const char* heading);
  // The measure button and the status tooltip once nothing is measured.
  void showEnded();
  // The status line's count and last values, at most ten times a second
  // unless `now`: a person reads no faster, and each change costs the
  // window a layout, a paint and an accessibility event.
  // " (不正なレコード 2 個を破棄)" when records were discarded.
  std::string discardedText() const;
  // A measurement has ended with records: they can be saved and analysed.
  bool measured() const;
  void drawPlot();
  void clearPlot();
  // The plot a measurement leaves when it ends other than by finishing.
  void showEndPlot();
  // "1234 / 65535, 1.25 sps, 残り 14:17:31" while measuring.
  std::string progressTip() const;
  // Closes a port that failed under the program and shows the window as
  // disconnected, with the reason in the status line.
  void dropPort(const char* why);
  void enableModelChoice(bool enabled);
  void setCaption(std::string_view text);
  void wireControls();
  void applyControlTable();

  std::span<const BoardProfile> boards_;
  size_t board_ = 0;
  Clock& clock_;
  PlotSurface& plot_;
  BoardLink link_;
  DataFileSaver saver_;
  SaveDialog& dialog_;
  MessageBox& messages_;
  FileStore& files_;
  Opener& opener_;
  std::string lastPicture_;
  bool connected_ = false;
  bool quitting_ = false;
  std::optional<BoardCheck> check_;  // of the board connected
  // The window's sweep, kept once it is over.
  struct SweepJob {
    Sweep sweep;
    SweepSetup setup;
    std::string folder, date, ident;
    std::vector<std::string> files;    // each run's data file, empty while none
    std::vector<std::string> trouble;  // what its end tells
    size_t saved = 0;                  // runs from the first that are saved
  };
  std::optional<SweepJob> sweep_;
  std::string sweepFolder_, compareFolder_;  // the folders chosen last
  std::optional<Measurement> measurement_;
  std::optional<SampleValues> values_;  // of the measurement's records, as plotted
  int32_t plotted_ = 0;                 // records in the live plot
  SteadyTime firstArrival_{}, lastArrival_{};
};

}  // namespace tarn
