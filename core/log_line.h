// How a job's log line is made: a fixed text from core/log_texts.h joined directly with the name,
// path or offset it concerns, then the reason when there is one.
#pragma once

#include <string>
#include <string_view>

#include "core/status.h"

namespace hxf {

inline std::string LogLineText(std::string_view text, std::string_view subject = {},
                               const Status& why = Status()) {
  std::string line = std::string(text) + std::string(subject);
  if (!why.ok()) line += ": " + why.message();
  return line;
}

}  // namespace hxf
