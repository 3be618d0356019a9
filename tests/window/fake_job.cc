#include "tests/window/fake_job.h"

namespace hxf::testing {

void Gate::Open() {
  {
    std::lock_guard lock(mutex_);
    open_ = true;
  }
  changed_.notify_all();
}

void Gate::Close() {
  std::lock_guard lock(mutex_);
  open_ = false;
}

void Gate::Wait(const Worker& job) {
  std::unique_lock lock(mutex_);
  // A cancel sets only a flag, so the wait looks at it now and then.
  while (!open_ && !job.Cancelled()) changed_.wait_for(lock, std::chrono::milliseconds(1));
}

FakeJob::~FakeJob() {
  WaitFor();
  ++destroyed_;
}

void FakeJob::Execute() {
  SetProgressTotal(script_.total);
  SetProgress(script_.done);
  for (const std::string& line : script_.lines) Log(line);
  if (script_.shows_box) ShowMessage({"文件打开的失败", "出错", script_.box_detail});
  if (script_.holds) gate_.Wait(*this);
}

}  // namespace hxf::testing
