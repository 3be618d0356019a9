// Every text a job shows the user, in one table. A log line is one of these texts on its own or
// joined directly, without spaces, with the name or offset it concerns. The English gloss is for
// the reader of this file only; it is never shown.
#pragma once

#include <string_view>

namespace hxf::text {

// --- Packing ---
inline constexpr std::string_view kAdding = "Adding";  // "Adding" + name + kPack: adding a file
inline constexpr std::string_view kPack = "打包";      // (packing)
inline constexpr std::string_view kFileError = "文件错误";  // + name: a file cannot be opened
inline constexpr std::string_view kPackingDone =
    "打包结束,开始计算校验和.";                              // packing done, computing the checksum
inline constexpr std::string_view kFileClosed = "文件关闭";  // file closed: the package is complete
inline constexpr std::string_view kCannotCreatePackage =
    "无法创建文件";  // + path: the package file cannot be created
inline constexpr std::string_view kWriteFailed = "写入失败";  // + path: writing the package failed
inline constexpr std::string_view kFileShrank =
    "文件在复制时变短,已补零";  // + name: a file shrank while copied; the rest is zero-filled
inline constexpr std::string_view kNameTooLong = "文件名过长";  // + name: over 400 bytes
inline constexpr std::string_view kNameHasBackslash =
    "文件名含有反斜杠";  // + name: a host name holds a backslash
inline constexpr std::string_view kNameNotEncodable =
    "文件名无法编码";  // + name: no GBK encoding exists
inline constexpr std::string_view kNameNotAllowed =
    "文件名含有不允许的字符";  // + name: a control character or a colon, refused on unpacking
inline constexpr std::string_view kNameCaseOnly =
    "文件名与另一文件仅大小写不同";  // + name: equal to an earlier name but for ASCII case
inline constexpr std::string_view kFileTooLarge = "文件过大";  // + name: 2 GiB or more
inline constexpr std::string_view kPackageTooLarge =
    "打包文件超过2GB";  // + path: the package would reach 2 GiB
inline constexpr std::string_view kLinkLoop =
    "目录链接循环";  // + name: a directory link loops back
inline constexpr std::string_view kLinkOutside =
    "链接指向打包目录之外,已跳过";  // + name: a link leads out of the pack root; left out
inline constexpr std::string_view kSpecialFile =
    "不是普通文件";  // + name: a pipe, device or socket is skipped
inline constexpr std::string_view kFileReadFailed =
    "文件读取失败";  // + name: reading a file failed while copied; the package is not written
inline constexpr std::string_view kCannotReadDirectory =
    "无法读取目录";  // + name: a directory cannot be opened or listed; its files are left out
inline constexpr std::string_view kHiddenLeftOut =
    "以点开头的名称,未打包:";  // + name: a file or folder whose name begins with a dot
inline constexpr std::string_view kHiddenCount =
    "以点开头的名称未打包(--hidden 可保留,-v 列出),数量:";  // + count: such names left out
inline constexpr std::string_view kFolderEmpty =
    "目录中没有可打包的文件:";  // + folder: the new package made of it holds no entry
inline constexpr std::string_view kNothingToPackKept =
    "目录中没有可打包的文件,原文件未改动";  // + folder: nothing to pack; the package is kept
inline constexpr std::string_view kPackIncomplete =
    "打包不完整,未打包的文件数:";  // + count: files (or whole directories) left out
inline constexpr std::string_view kPackProblems =
    "打包完成,但有问题,问题数:";  // + count: problems that left nothing out

// --- Editing a package in place ---
inline constexpr std::string_view kRemoved = "已删除";  // + name: an entry taken out
inline constexpr std::string_view kPackageKept =
    "打包文件未改动";  // + path: the package is left as it was
inline constexpr std::string_view kNotAPackage =
    "不是打包文件";  // + path: the file has no package header; it is left as it was
inline constexpr std::string_view kDamagedPackage =
    "打包文件已损坏,请解包后重新打包:";  // + path: damaged; rebuilt only by unpack, then pack
inline constexpr std::string_view kNothingLeft =
    "修改后包中没有文件:";  // + path: the edit would leave no entry; the package is kept
inline constexpr std::string_view kReplaced = "已替换";  // + name: an entry replaced by a file
inline constexpr std::string_view kNotInFolder =
    "文件夹中没有此文件:";  // + path: a path to add names nothing in the folder
inline constexpr std::string_view kPathOutsideFolder =
    "路径不在文件夹内:";  // + path: a path to add leads out of the folder, or is hidden

// --- Unpacking ---
inline constexpr std::string_view kBadNameLength = "文件名长度不对";  // name length wrong
inline constexpr std::string_view kUnpackDone = "解包完成";           // unpacking complete
inline constexpr std::string_view kOpenFailed = "文件打开的失败";     // opening the file failed
inline constexpr std::string_view kErrorCaption = "出错";             // error (message box caption)
inline constexpr std::string_view kUnsafeName =
    "文件名不安全,已跳过";  // + name: a name that would leave the unpack root is skipped
inline constexpr std::string_view kBadNameLengthAt =
    "文件名长度不对,位置";  // + record offset: a name length over 400; unpacking stops
inline constexpr std::string_view kTruncatedAt =
    "文件数据不完整,位置";  // + record offset: it runs past the end of the file; unpacking stops
inline constexpr std::string_view kNotWrittenKept =
    "新文件未写出,原有文件(如有)保留";  // + name: not written; any earlier file is kept
inline constexpr std::string_view kCannotCreateFile =
    "无法创建文件";  // + name: an output file cannot be created; its record is skipped
inline constexpr std::string_view kCannotCreateDirectory =
    "无法创建目录";  // + path: the unpack root cannot be created
inline constexpr std::string_view kReadFailed = "读取失败";  // + reason: reading the package failed
inline constexpr std::string_view kLengthMismatch =
    "文件长度与文件头不符";  // the header's length field does not match the file's size
inline constexpr std::string_view kChecksumMismatch =
    "校验和与文件头不符";  // the header's checksum does not match the body
inline constexpr std::string_view kExistingKept =
    "已有文件与包中的不同,已保留";  // + name: what is there differs from the entry; kept
inline constexpr std::string_view kNameGivenTwice =
    "文件名重复,后面的文件覆盖前面的";  // + name: named before; this entry is written over it
inline constexpr std::string_view kNoSuchEntry =
    "包中没有此文件:";  // + name or pattern: it picks no entry of the package
inline constexpr std::string_view kHiddenWritten =
    "以点开头的名称,重新打包时会略去:";  // + name: written; a repack passes over it
inline constexpr std::string_view kHiddenUnpacked =
    "以点开头的名称重新打包时会略去,除非使用 --hidden,数量:";  // + count: such files written
inline constexpr std::string_view kUnpackIncomplete =
    "解包不完整,未写出的记录数:";  // + count: the last line when records were not written
inline constexpr std::string_view kUnpackProblems =
    "解包完成,但有问题,问题数:";  // + count: the last line when problems lost nothing

// --- Checking a package (the window, given a package to open) ---
inline constexpr std::string_view kChecking = "检查文件";        // + path: checking the package
inline constexpr std::string_view kEntryCount = "文件数:";       // + count: the entries it holds
inline constexpr std::string_view kPackageLength = "文件长度:";  // + bytes: as the header says
inline constexpr std::string_view kPackageChecksum = "校验和:";  // + sum: as the header says
inline constexpr std::string_view kHeaderTextsWrong =
    "文件头文字不对";  // + reason: the header's magic or description text is not there
inline constexpr std::string_view kHeaderZerosWrong =
    "文件头保留字节不为零";  // + reason: bytes of the header that must be zero are not
inline constexpr std::string_view kRecordsWrong =
    "记录有问题";  // + reason: the records cannot be followed to the end marker
inline constexpr std::string_view kNameProblem =
    "文件名有问题";  // + reason: a name the unpacker refuses or that clashes with another
inline constexpr std::string_view kCheckPassed = "检查完成,没有问题";  // checked: all is well
inline constexpr std::string_view kCheckProblems =
    "检查完成,但有问题,问题数:";  // + count: checked, and problems were found

// --- Any job ---
inline constexpr std::string_view kCancelled = "已取消";        // the job was stopped by the user
inline constexpr std::string_view kInternalError = "内部错误";  // + reason: an unexpected failure

// --- The command line ---
inline constexpr std::string_view kOutputWriteFailed =
    "标准输出写入失败";  // + reason: the command's output could not all be written

}  // namespace hxf::text
