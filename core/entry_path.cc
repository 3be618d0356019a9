#include "core/entry_path.h"

#include "core/host_names.h"
#include "core/package_format.h"

namespace hxf {
namespace {

Status Refuse(std::string reason) {
  return Status::Error(Status::Code::kInvalidArgument, std::move(reason));
}

}  // namespace

std::string EntryComponentProblem(std::string_view component) {
  if (component.empty()) return "empty path component";
  if (component == "." || component == "..") return "relative path component";
  for (char c : component) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\0') return "name cut short by a zero byte";
    if (byte < 0x20 || byte == 0x7F) return "control character";
    if (c == ':') return "colon (drive letter or stream)";
    if (c == '/') return "slash";
  }
  return {};
}

Result<std::vector<std::string>> SplitEntryName(std::string_view name) {
  std::vector<std::string> components;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = name.find(format::kNameSeparator, start);
    const std::string_view component = name.substr(start, end - start);
    if (std::string problem = EntryComponentProblem(component); !problem.empty()) {
      return Refuse(std::move(problem));
    }
    components.emplace_back(component);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return components;
}

Result<std::vector<std::string>> SplitEntryNameForHost(std::string_view name) {
  Result<std::vector<std::string>> components = SplitEntryName(name);
  if (!components.ok()) return components;
  for (const std::string& component : *components) {
    if (std::string problem = HostNameProblem(component); !problem.empty()) {
      return Refuse(std::move(problem));
    }
  }
  return components;
}

std::string JoinEntryName(const std::vector<std::string>& components) {
  std::string name;
  for (const std::string& component : components) {
    if (!name.empty()) name += format::kNameSeparator;
    name += component;
  }
  return name;
}

}  // namespace hxf
