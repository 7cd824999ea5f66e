#pragma once

#include <span>
#include <string>
#include <string_view>

#include "analysis/noise_analysis.h"

namespace tarn {

// Numbers in the shortest form that reads back the same, "." always.
std::string numberText(double value);

// The text as a JSON string, quoted and escaped.
std::string jsonString(std::string_view utf8);

// One JSON object, built member by member; texts are UTF-8.
class JsonObject {
 public:
  JsonObject& text(std::string_view key, std::string_view value);
  JsonObject& number(std::string_view key, double value);
  // A value that is JSON already: an object, an array, true, null ...
  JsonObject& raw(std::string_view key, std::string_view json);
  std::string str() const { return "{" + body_ + "}"; }

 private:
  JsonObject& member(std::string_view key);
  std::string body_;
};

// [{"channel":0,"count":...,"sdCi95":[low,high],"allan":[{"values":1,"seconds":...,
// "adev":...}, ...],"allanTurn":{...}|null,"spectrum":{...}}, ...]
std::string figuresJson(std::span<const ChannelAnalysis> figures);

}  // namespace tarn
