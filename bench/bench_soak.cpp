// Soak: back-to-back full measurements (65535 two-channel records, unpaced) on
// one connection to the simulated board, each saved to the same file. Resident
// memory must stay flat: each measurement replaces the last, and the buffers
// and the plot are not grown. Figures are taken right after a save; from the
// second save on they include its passing buffers (the file's text and its
// encoded copy, 1 MB each here), which the allocator keeps for the next save,
// so the end is compared with the second run.
//   bench_soak [runs]   (100 by default)
#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "board/board_texts.h"
#include "figures.h"
#include "full_measurement.h"
#include "support/board_process.h"
#include "support/pump.h"
#include "ui/presenter.h"
#include "ui/qt/app.h"
#include "unattended_save.h"

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qapp(argc, argv);
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
  tarn::test::BoardProcess board({"--model", "pellan2", "--no-pacing"});
  tarn::App app(tarn::currentBoards());
  tarn::Presenter& p = app.presenter();
  bench::UnattendedSave save;
  QTemporaryDir dir;
  const QString path = dir.filePath("soak.csv");

  const long atStart = bench::statusKb("VmRSS");
  p.connectButton.userClick();
  if (p.status.text() != tarn::board_texts::kRateRead) {
    std::fprintf(stderr, "no connection: %s\n", p.status.text().c_str());
    return 1;
  }
  p.sampleCount.setText(std::to_string(bench::kRecords));
  p.channelList.userSelect(2);

  long afterFirst = 0, afterSecond = 0;
  int complete = 0, saved = 0;
  int run = 0;
  const bench::Spread each = bench::spread(bench::timeRuns(runs, [&] {
    p.measureButton.userClick();
    tarn::test::pumpUntil([&] { return !p.measuring(); }, 600000);
    const tarn::Measurement* m = p.measurement();
    if (m && m->received() == bench::kRecords) ++complete;
    if (m) saved += save(path.toStdString(), *m);
    if (run == 0) afterFirst = bench::statusKb("VmRSS");
    if (run == 1) afterSecond = bench::statusKb("VmRSS");
    ++run;
  }));
  const long atEnd = bench::statusKb("VmRSS");

  std::printf("%d measurements of %d two-channel records, %d complete, %d saved, file %lld bytes\n",
              runs, bench::kRecords, complete, saved,
              static_cast<long long>(QFileInfo(path).size()));
  std::printf(
      "VmRSS at start %ld kB, after the first %ld kB, after the second %ld kB, at the end %ld kB "
      "(%+ld kB since the second), peak %ld kB\n",
      atStart, afterFirst, afterSecond, atEnd, atEnd - afterSecond, bench::statusKb("VmHWM"));
  std::printf("total %.2f s; per measurement and save: best %.3f s, median %.3f s, worst %.3f s\n",
              each.mean * runs / 1000, each.best / 1000, each.median / 1000, each.worst / 1000);
  const std::string each_run = std::to_string(runs) + " measurements and saves";
  bench::figure(each_run + ": VmRSS after the second", afterSecond / 1024.0, "MiB");
  bench::figure(each_run + ": VmRSS at the end", atEnd / 1024.0, "MiB");
  bench::figure(each_run + ": median of each", each.median / 1000, "s");
  return complete == runs && saved == runs ? 0 : 1;
}
