#include "report/sweep_report.h"

#include "report/charts.h"
#include "report/report.h"

namespace tarn {
namespace {

std::string cell(std::string_view text) { return "<td>" + markupText(text) + "</td>"; }

std::string rateName(const SweepRun& run) {
  return run.rateText + " (code " + std::to_string(run.step.rateCode) + ")";
}

std::string conditionsTable(const SweepConditions& c, std::span<const SweepReportRun> runs) {
  std::string counts;
  for (const SweepReportRun& r : runs)
    counts +=
        (counts.empty() ? "" : ", ") + r.run.rateText + ": " + std::to_string(r.run.step.count);
  std::string t = "<table>";
  const auto add = [&t](std::string_view name, std::string_view value) {
    t += "<tr><th>" + markupText(name) + "</th>" + cell(value) + "</tr>";
  };
  add("Board", c.boardName);
  add("Ident", c.ident);
  add("Board settings", c.settings);
  add("Channels", kChannelNames[static_cast<size_t>(c.channels)]);
  add("Data", c.format == DataFormat::Binary ? "binary (24-bit codes)" : "mV");
  add("Records per rate", counts);
  add("Note", c.note);
  add("Date", c.dateTime);
  add("Program", c.program);
  return t + "</table>";
}

std::string runsTable(std::span<const SweepReportRun> runs) {
  std::string t = "<table><tr><th>Rate</th><th>Records</th><th>End</th><th>File</th></tr>";
  for (const SweepReportRun& r : runs) {
    const int32_t received = r.run.measurement ? r.run.measurement->received() : 0;
    t += "<tr>" + cell(rateName(r.run)) + "<td class=\"v\">" + std::to_string(received) + " / " +
         std::to_string(r.run.step.count) + "</td>" + cell(endName(r.run.end)) +
         cell(r.file.substr(r.file.find_last_of("/\\") + 1)) + "</tr>";
  }
  return t + "</table>";
}

}  // namespace

std::string sweepReportHtml(const SweepConditions& conditions,
                            std::span<const SweepReportRun> runs) {
  std::string body = "<h1>Noise sweep</h1>" + conditionsTable(conditions, runs) + runsTable(runs);
  for (const SweepReportRun& r : runs) {
    body += "<section><h2>" + markupText(rateName(r.run) + ": " + endName(r.run.end)) + "</h2>";
    const Measurement* m = r.run.measurement ? &*r.run.measurement : nullptr;
    try {
      if (!m || m->received() == 0) throw ReportError("no valid record");
      body += reportSections(
          {m->settings(), m->received(), conditions.boardName, conditions.dateTime}, r.channels);
    } catch (const ReportError& e) {
      body += "<p>No figures: " + markupText(e.what()) + ".</p>";
    }
    body += "</section>";
  }
  return reportPage("Noise sweep, " + std::string(conditions.dateTime), body);
}

}  // namespace tarn
