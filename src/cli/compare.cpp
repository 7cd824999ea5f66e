#include "cli/compare.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <ostream>

#include "cli/output.h"
#include "datafile/code_page.h"
#include "datafile/save.h"
#include "report/comparison.h"

namespace tarn::cli {

int compareFiles(Context& c, const Options& o) {
  // Human text goes out in the user's character set, JSON in UTF-8.
  const auto say = [&](const std::string& utf8) {
    c.out << (o.json ? utf8 : datafile::encodeText(utf8, c.outCharset).value_or(utf8)) << '\n';
  };
  const auto fail = [&](const std::string& utf8) {
    c.err << datafile::encodeText(utf8, c.errCharset).value_or(utf8) << '\n';
  };
  std::vector<std::string> paths = {o.file};
  paths.insert(paths.end(), o.compared.begin(), o.compared.end());
  std::vector<datafile::SavedFile> files;
  std::vector<std::vector<ChannelAnalysis>> analyses;
  for (const std::string& path : paths) {
    DataFileRead read = readDataFileAt(path);
    if (!read.file) {
      fail(read.error);
      return read.status;
    }
    datafile::SavedFile& file = files.emplace_back(std::move(*read.file));
    analyses.push_back(analyseNoise(file.settings, file.records, o.board->mvSummaryDivisor));
    file.records = {};  // the analysis holds the values
  }
  std::vector<ComparedRun> runs;
  for (size_t i = 0; i < files.size(); ++i)
    runs.push_back({paths[i],
                    {files[i].settings, files[i].settings.count, o.board->name, files[i].dateTime},
                    analyses[i]});
  std::string html;
  Comparison comparison;
  try {
    comparison = comparisonOf(runs);
    html = comparisonHtml(runs);
  } catch (const ReportError& e) {
    std::string names;
    for (const std::string& path : paths) names += (names.empty() ? "" : ", ") + path;
    fail("cannot compare " + names + ": " + e.what());
    return 2;
  }
  try {
    replaceFile(o.out, html);
  } catch (const FileError& e) {
    fail("cannot write the report " + o.out + ": " + e.what());
    return 1;
  }
  // Each run's rms noise against the first run's, per channel compared.
  const auto against = [&](size_t run, int channel) {
    const auto of = [&](size_t r) {
      return std::find_if(analyses[r].begin(), analyses[r].end(),
                          [&](const ChannelAnalysis& a) { return a.channel == channel; });
    };
    return sdDifference(*of(0), *of(run), comparison.unit);
  };
  // The unit as the other figures of the text and JSON name it, in ASCII.
  const std::string unit =
      comparison.unit == ComparisonUnit::Microvolts ? "uV" : unitName(comparison.unit);
  if (o.json) {
    std::string array = "[";
    for (size_t i = 0; i < runs.size(); ++i) {
      std::string differences = "[";
      for (const int channel : comparison.channels) {
        const SdDifference d = against(i, channel);
        constexpr const char* kVerdicts[] = {"real", "within the spread", "unknown"};
        differences += (differences.size() > 1 ? "," : "") +
                       JsonObject()
                           .number("channel", channel)
                           .text("verdict", kVerdicts[static_cast<int>(d.verdict)])
                           .raw("percent", d.percent ? numberText(*d.percent) : "null")
                           .str();
      }
      JsonObject run;
      fileMembers(run, paths[i], files[i])
          .raw("figures", figuresJson(analyses[i]))
          .raw("sdAgainstFirst", i == 0 ? "null" : differences + "]");
      array += (i > 0 ? "," : "") + run.str();
    }
    std::string numbers;
    for (const int channel : comparison.channels)
      numbers += (numbers.empty() ? "" : ",") + std::to_string(channel);
    say(JsonObject()
            .text("command", "report")
            .text("unit", unit)
            .raw("channels", "[" + numbers + "]")
            .raw("runs", array + "]")
            .text("report", o.out)
            .str());
    return 0;
  }
  for (size_t i = 0; i < runs.size(); ++i) {
    for (const std::string& line : fileLines(paths[i], files[i])) say(line);
    for (const ChannelAnalysis& f : analyses[i])
      for (const std::string& line :
           {figureLine(f, f.format), intervalLine(f), noiseLine(f), linesLine(f)})
        say(line);
  }
  std::string compared = "compared in " + unit + ":";
  for (const int channel : comparison.channels)
    compared += (channel == comparison.channels.front() ? " CH" : ", CH") + std::to_string(channel);
  for (const int channel : comparison.leftOut)
    compared += "; CH" + std::to_string(channel) + " left out, not in every file";
  say(compared);
  for (size_t i = 1; i < runs.size(); ++i)
    for (const int channel : comparison.channels)
      say("CH" + std::to_string(channel) + " " + paths[i] + " against " + paths[0] + ": " +
          differenceText(against(i, channel)));
  say("report: " + o.out);
  return 0;
}

}  // namespace tarn::cli
