#include "ui/job_factory.h"

#include "pack/package.h"
#include "unpack/extract.h"

namespace hxf {

std::unique_ptr<Worker> MakeJob(JobKind kind, LogOwner& log, const std::string& package) {
  if (kind == JobKind::kUnpack) return MakeWorker<TExtract>(log, package);
  return MakeWorker<TPackage>(log, package);
}

}  // namespace hxf
