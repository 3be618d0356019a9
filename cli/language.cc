#include "cli/language.h"

#include <cstdlib>
#include <utility>

#include "core/log_texts.h"

namespace hxf::cli {
namespace {

struct Gloss {
  std::string_view text;
  std::string_view english;  // ends as the text joins what follows it: a space, ": " or nothing
};

// Every text of core/log_texts.h but kAdding and kPack, which frame the "Adding" lines.
constexpr Gloss kGlosses[] = {
    {text::kFileError, "file error: "},
    {text::kPackingDone, "packing done, computing the checksum."},
    {text::kFileClosed, "file closed"},
    {text::kCannotCreatePackage, "cannot create the file "},
    {text::kWriteFailed, "writing failed: "},
    {text::kFileShrank, "the file shrank while copied, the rest is zero-filled: "},
    {text::kNameTooLong, "name over 400 bytes: "},
    {text::kNameHasBackslash, "name holds a backslash: "},
    {text::kNameNotEncodable, "name has no GBK form: "},
    {text::kNameNotAllowed, "name holds a character not allowed: "},
    {text::kNameCaseOnly, "name equal to another but for case: "},
    {text::kFileTooLarge, "file of 2 GiB or more: "},
    {text::kPackageTooLarge, "the package would reach 2 GiB: "},
    {text::kLinkLoop, "directory link loops back: "},
    {text::kLinkOutside, "link leads out of the folder, left out: "},
    {text::kSpecialFile, "not a regular file: "},
    {text::kFileReadFailed, "reading the file failed: "},
    {text::kCannotReadDirectory, "cannot read the folder "},
    {text::kHiddenLeftOut, "left out, the name begins with a dot: "},
    {text::kHiddenCount,
     "names beginning with a dot left out (--hidden keeps them, -v names them): "},
    {text::kFolderEmpty, "the folder holds no files to pack: "},
    {text::kNothingToPackKept, "nothing to pack, the package is left as it was: "},
    {text::kPackIncomplete, "packing incomplete, files left out: "},
    {text::kPackProblems, "packing done, with problems: "},
    {text::kRemoved, "removed "},
    {text::kPackageKept, "package left as it was: "},
    {text::kReplaced, "replaced "},
    {text::kDamagedPackage, "the package is damaged; unpack it and pack the files again: "},
    {text::kNothingLeft, "no entry would be left in the package: "},
    {text::kNotAPackage, "not a package: "},
    {text::kNotInFolder, "not in the folder: "},
    {text::kPathOutsideFolder, "path not inside the folder: "},
    {text::kBadNameLength, "name length wrong"},
    {text::kUnpackDone, "unpacking complete"},
    {text::kOpenFailed, "opening the file failed: "},
    {text::kErrorCaption, "error"},
    {text::kUnsafeName, "unsafe name, skipped: "},
    {text::kBadNameLengthAt, "name length wrong, at offset "},
    {text::kTruncatedAt, "record incomplete, at offset "},
    {text::kNotWrittenKept, "not written, any earlier file kept: "},
    {text::kCannotCreateFile, "cannot create the file "},
    {text::kCannotCreateDirectory, "cannot create the folder "},
    {text::kReadFailed, "reading failed"},
    {text::kLengthMismatch, "the header's length does not match the file's size"},
    {text::kChecksumMismatch, "the header's checksum does not match the body"},
    {text::kExistingKept, "the file there differs from the package's, kept: "},
    {text::kNameGivenTwice, "name given twice, the later entry written over the earlier: "},
    {text::kNoSuchEntry, "no such entry in the package: "},
    {text::kHiddenWritten, "the name begins with a dot, which a repack leaves out: "},
    {text::kHiddenUnpacked,
     "names beginning with a dot, which a repack leaves out unless --hidden is given: "},
    {text::kUnpackIncomplete, "unpacking incomplete, records not written: "},
    {text::kUnpackProblems, "unpacking done, with problems: "},
    {text::kChecking, "checking "},
    {text::kEntryCount, "entries: "},
    {text::kPackageLength, "length: "},
    {text::kPackageChecksum, "checksum: "},
    {text::kHeaderTextsWrong, "the header's texts are wrong"},
    {text::kHeaderZerosWrong, "the header's zero fields are not zero"},
    {text::kRecordsWrong, "the records are wrong"},
    {text::kNameProblem, "a name is wrong"},
    {text::kCheckPassed, "checked, all is well"},
    {text::kCheckProblems, "checked, with problems: "},
    {text::kCancelled, "cancelled"},
    {text::kInternalError, "internal error"},
    {text::kOutputWriteFailed, "writing standard output failed: "},
};

bool IsSet(const char* value) {
  return value != nullptr && *value != '\0';
}

}  // namespace

Language LocaleLanguage(const char* lc_all, const char* lc_messages, const char* lang) {
  for (const char* value : {lc_all, lc_messages, lang}) {
    if (!IsSet(value)) continue;
    const std::string_view locale = value;
    if (locale == "C" || locale.starts_with("C.") || locale == "POSIX") return Language::kChinese;
    return locale.starts_with("zh") ? Language::kChinese : Language::kEnglish;
  }
  return Language::kChinese;
}

Language EnvironmentLanguage() {
  return LocaleLanguage(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

std::string InLanguage(std::string_view line, Language language) {
  return language == Language::kEnglish ? InEnglish(line) : std::string(line);
}

std::string InEnglish(std::string_view line) {
  // "Adding" + name + "打包"
  if (line.starts_with(text::kAdding) && line.ends_with(text::kPack) &&
      line.size() > text::kAdding.size() + text::kPack.size()) {
    return "Adding " +
           std::string(line.substr(text::kAdding.size(),
                                   line.size() - text::kAdding.size() - text::kPack.size()));
  }
  const Gloss* found = nullptr;
  for (const Gloss& gloss : kGlosses) {
    if (line.starts_with(gloss.text) && (!found || gloss.text.size() > found->text.size())) {
      found = &gloss;
    }
  }
  if (!found) return std::string(line);
  const std::string_view rest = line.substr(found->text.size());
  std::string english(found->english);
  if (rest.empty()) {
    while (!english.empty() && (english.back() == ' ' || english.back() == ':')) english.pop_back();
  } else if (rest.starts_with(": ") && english.ends_with(": ")) {
    english.resize(english.size() - 2);  // the reason follows at once
  }
  return english + std::string(rest);
}

}  // namespace hxf::cli
