#include "board/profile.h"

#include <array>

namespace tarn {
namespace {

constexpr std::string_view kPellanSinc5[] = {"1.25sps",  "2.5sps",   "5sps",     "10sps",
                                             "16.63sps", "20.01sps", "49.68sps", "59.52sps",
                                             "100.2sps", "200.3sps", "503.8sps", "1007sps"};
constexpr std::string_view kPellanSinc3[] = {"1.25sps",  "2.5sps",   "5sps",   "10sps",
                                             "16.67sps", "20.01sps", "50sps",  "59.98sps",
                                             "100.2sps", "200.3sps", "504sps", "1008sps"};
constexpr std::string_view kQuorinSinc5[] = {"1.25sps",  "2.5sps",   "5sps",     "10sps",
                                             "20.01sps", "49.68sps", "100.2sps", "200.3sps"};
constexpr std::string_view kQuorinSinc3[] = {"1.25sps",  "2.5sps", "5sps",     "10sps",
                                             "20.01sps", "50sps",  "100.2sps", "200.3sps"};

// The current boards name the converter in their messages and report the
// reference in their status.
constexpr BoardProfile current(std::string_view key, std::string_view name,
                               std::string_view caption, int baud,
                               std::span<const std::string_view> sinc5,
                               std::span<const std::string_view> sinc3) {
  return {key,
          name,
          caption,
          {baud, 'N', 8, 1},
          16,
          true,
          true,
          false,
          1000,
          3,
          "AD7172が応答しませんでした",
          "AD7172 OK",
          "AD7172の応答エラーです",
          "AD7172 応答エラー",
          "±2.5V / IntRef / ",
          "±2.5V / ExtRef / ",
          sinc5,
          sinc3};
}

const std::array<BoardProfile, 2> kCurrent = {
    current("pellan2", "Pellan2", "Pellan(2) Demo", 115200, kPellanSinc5, kPellanSinc3),
    current("quorin2", "Quorin2", "Quorin(2) Demo", 38400, kQuorinSinc5, kQuorinSinc3),
};

// The older board speaks an earlier protocol: its status reports the input
// range, it never refuses a start, a stop discards what arrived, and its mV
// summary is in hundredths.
const std::array<BoardProfile, 1> kOlder = {{{"pellan",
                                              "Pellan",
                                              "Pellan(2) Demo",
                                              {115200, 'N', 8, 1},
                                              0,
                                              false,
                                              false,
                                              true,
                                              100,
                                              2,
                                              "Pellanが応答しませんでした",
                                              "Pellan OK",
                                              "Pellanの応答エラーです",
                                              "Pellan 応答エラー",
                                              "±2.5V / ",
                                              "±5V / ",
                                              kPellanSinc5,
                                              kPellanSinc3}}};

}  // namespace

std::span<const BoardProfile> currentBoards() { return kCurrent; }
std::span<const BoardProfile> olderBoards() { return kOlder; }

const BoardProfile* boardByKey(std::string_view key) {
  for (std::span<const BoardProfile> boards : {currentBoards(), olderBoards()})
    for (const BoardProfile& board : boards)
      if (board.key == key) return &board;
  return nullptr;
}

}  // namespace tarn
