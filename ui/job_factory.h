// The one place where the window makes a job: every button, drop and test goes through here.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/worker.h"

namespace hxf {

enum class JobKind {
  kUnpack,  // "Unpack HXF", or a package dropped on the window
  kRepack,  // "RePack HXF"
  kVerify,  // a package the window was given to open: checked, never unpacked
};

// A job of `kind` on `package` (a UTF-8 path), logging to `log`, not yet resumed.
using JobFactory =
    std::function<std::unique_ptr<Worker>(JobKind kind, LogOwner& log, const std::string& package)>;

// The real jobs: TExtract, TPackage and TVerify.
std::unique_ptr<Worker> MakeJob(JobKind kind, LogOwner& log, const std::string& package);

}  // namespace hxf
