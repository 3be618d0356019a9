#include <iconv.h>

#include "core/code_page.h"

namespace hxf {
namespace {

// Owns an iconv descriptor.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (valid()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  bool Convert(std::string_view in, std::string& out) {
    if (!valid()) return false;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // a fresh start for every name
    out.assign(in.size() * 4 + 4, '\0');             // no character grows by more than four bytes
    char* in_ptr = const_cast<char*>(in.data());
    std::size_t in_left = in.size();
    char* out_ptr = out.data();
    std::size_t out_left = out.size();
    constexpr std::size_t kFailed = static_cast<std::size_t>(-1);
    const bool ok = iconv(cd_, &in_ptr, &in_left, &out_ptr, &out_left) != kFailed &&
                    iconv(cd_, nullptr, nullptr, &out_ptr, &out_left) != kFailed && in_left == 0;
    out.resize(out.size() - out_left);
    return ok;
  }

 private:
  iconv_t cd_;
};

}  // namespace

// One converter per thread and direction: opening one costs far more than a name's conversion.
bool GbkToUtf8(std::string_view in, std::string& out) {
  thread_local Converter converter("UTF-8", "GBK");
  return converter.Convert(in, out);
}

bool Utf8ToGbk(std::string_view in, std::string& out) {
  thread_local Converter converter("GBK", "UTF-8");
  return converter.Convert(in, out);
}

}  // namespace hxf
