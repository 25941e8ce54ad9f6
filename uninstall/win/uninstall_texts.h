// Every text the uninstaller shows. "%s" stands for the product name.
#pragma once

namespace uninstall::texts {

inline constexpr wchar_t kUnreadable[] = L"无法读取卸载程序文件，没有删除任何文件。";
inline constexpr wchar_t kNoRecord[] = L"没有找到安装记录，无法卸载。没有删除任何文件。";
inline constexpr wchar_t kRecordDamaged[] = L"安装记录已经损坏，无法卸载。没有删除任何文件。";
inline constexpr wchar_t kNoList[] = L"卸载程序中没有安装文件清单，无法卸载。没有删除任何文件。";
inline constexpr wchar_t kListDamaged[] = L"安装文件清单已经损坏，无法卸载。没有删除任何文件。";
inline constexpr wchar_t kWrongPlace[] = L"卸载程序不在安装文件夹中，无法卸载。没有删除任何文件。";
inline constexpr wchar_t kConfirm[] = L"确实要从计算机上删除“%s”吗?";
inline constexpr wchar_t kStartFailed[] = L"无法开始卸载，没有删除任何文件。";
inline constexpr wchar_t kDone[] = L"“%s”已经从计算机上删除。";
inline constexpr wchar_t kKept[] = L"以下文件和文件夹不是安装时复制的，已经保留:";
inline constexpr wchar_t kFailed[] = L"以下项目无法删除，可能正在使用:";
inline constexpr wchar_t kMore[] = L"……";
// The product's name when the record holds none.
inline constexpr wchar_t kSomeProduct[] = L"本程序";

}  // namespace uninstall::texts
