#include "support/fakes.h"

#include <cstdlib>
#include <functional>

namespace tarn::test {

std::vector<BoardChoice> everyBoard() {
  std::vector<BoardChoice> all;
  for (auto boards : {currentBoards(), olderBoards()})
    for (size_t i = 0; i < boards.size(); ++i) all.push_back({boards, i});
  return all;
}

Rig::Rig(const BoardChoice& choice)
    : p({port, clock, plot, user, user, files, opener}, choice.boards) {
  unsetenv("TARNVIEW_COM4"), unsetenv("TARNVIEW_COM6");  // COMn is /dev/ttyS<n-1> here
  p.modelOptions[choice.index].userClick();
  p.status.viewChanged = [this] { statuses += p.status.text() + "|"; };
  port.replies = {
      {"?", {"tb\r"}}, {"S?", {"S05\r"}}, {"F?", {"F3\r"}}, {"F3", {"OK\r"}}, {"F5", {"OK\r"}}};
}

void Rig::run(const std::vector<std::string>& steps) {
  using Arg = const std::string&;
  const std::map<std::string, std::function<void(Arg)>> verbs = {
      {"connect", [&](Arg) { p.connectButton.userClick(); }},
      {"forget", [&](Arg) { port.lines.clear(), statuses.clear(); }},
      {"start", [&](Arg a) { p.sampleCount.userEdit(a), p.measureButton.userClick(); }},
      {"measure", [&](Arg) { p.measureButton.userClick(); }},
      {"recv", [&](Arg a) { port.pending.push_back(a), p.received(); }},
      {"mv", [&](Arg) { p.mvOption.userClick(); }},
      {"ch", [&](Arg a) { p.channelList.userSelect(std::stoi(a)); }},
      {"read", [&](Arg) { p.readRateButton.userClick(); }},
      {"set", [&](Arg) { p.setRateButton.userClick(); }},
      {"save", [&](Arg) { p.saveButton.userClick(); }},
      {"quit", [&](Arg) { p.quit(); }},
      {"lost", [&](Arg) { p.portLost(); }},
      {"tick", [&](Arg) { p.pollSweep(), p.refreshLivePlot(); }},  // as the shells tick
      {"wait", [&](Arg a) { clock.time += std::chrono::milliseconds(std::stoi(a)); }},
      {"fail", [&](Arg) { port.failing = true; }},
      {"failOpen", [&](Arg) { port.failOpen = true; }},
      {"pick", [&](Arg a) { p.rateList.userSelect(std::stoi(a)); }},
      {"rate", [&](Arg a) { p.rateList.userEditText(a); }},
      {"name", [&](Arg a) { p.portList.userEditText(a); }},
      {"port", [&](Arg a) { p.portList.userSelect(std::stoi(a)); }},
      {"reply", [&](Arg a) {  // "reply F3 NG"; "reply F3": no answer
         const size_t blank = a.find(' ');
         port.replies[a.substr(0, blank)].assign(blank != a.npos, a.substr(blank + 1) + "\r");
       }}};
  for (const std::string& step : steps) {
    const size_t blank = step.find(' ');
    verbs.at(step.substr(0, blank))(blank == step.npos ? "" : step.substr(blank + 1));
  }
}

}  // namespace tarn::test
