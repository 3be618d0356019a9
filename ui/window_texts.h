// Every text the window shows of its own (the jobs' texts are in core/log_texts.h). The English
// gloss is for the reader of this file only; it is never shown.
#pragma once

#include "core/version.h"

namespace hxf::ui_text {

inline constexpr const char* kCaption = "HXF打包处理程序";  // HXF packing program
inline constexpr const char* kUnpackButton = "Unpack HXF";
inline constexpr const char* kRepackButton = "RePack HXF";
// One filter for both file dialogs: description, then pattern.
inline constexpr const char* kPackageFilter = ".hxf filename|*.hxf";

// The credits box, one line each.
inline constexpr const char* kCredits[] = {
    "hxf " HXF_VERSION ": unpacks and repacks HXF packages.",
    "Unpack writes out_hxf beside the package;",
    "repack reads in_hxf beside it. Free to use.",
};

// Asked when the window is closed while jobs still run.
inline constexpr const char* kJobsRunning =
    "还有任务正在运行。等待它们完成，还是停止它们？";  // jobs still run: wait for them, or stop
                                                       // them?
inline constexpr const char* kWait = "等待";           // wait
inline constexpr const char* kStop = "停止";           // stop
inline constexpr const char* kKeepOpen = "取消";       // cancel (keep the window open)

// Asked by an unpack whose folder already holds files, with the folder below the text: "the
// unpack folder already holds files: replace them, or keep the ones you changed?", answered by
// "replace", "keep" or "cancel" (the unpack).
inline constexpr const char* kExistingFilesCaption = "确认";  // confirm
inline constexpr const char* kExistingFiles =
    "解包目录中已有文件。替换这些文件，还是保留您改过的文件？";
inline constexpr const char* kReplaceFiles = "替换";
inline constexpr const char* kKeepChanged = "保留";
inline constexpr const char* kCancelUnpack = "取消";

// A file dialog refused its filter: it must be pairs of description and pattern.
inline constexpr const char* kInvalidFilter = "文件过滤器无效";  // invalid file filter

}  // namespace hxf::ui_text
