#include "ui/job_factory.h"

#include "pack/package.h"
#include "unpack/extract.h"
#include "verify/verify_job.h"

namespace hxf {

std::unique_ptr<Worker> MakeJob(JobKind kind, LogOwner& log, const std::string& package) {
  switch (kind) {
    case JobKind::kUnpack:
      // Unpacking replaces files in out_hxf, which the user may have edited: the user says.
      return MakeWorker<TExtract>(log, package,
                                  TExtract::Settings{.ask_about_existing_files = true});
    case JobKind::kRepack:
      return MakeWorker<TPackage>(log, package);
    case JobKind::kVerify:
      return MakeWorker<TVerify>(log, package);
  }
  return nullptr;
}

}  // namespace hxf
