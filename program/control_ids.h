// Identifiers of the main window and its controls, named as the window
// definition names them. The Win32 control ID of a control is the low 16 bits
// of its identifier.
#pragma once

#include <cstdint>

namespace program {

inline constexpr uint32_t kMainWindowId = 0x52010001;

inline constexpr uint32_t 选择夹1 = 0x16010002;
inline constexpr uint32_t 分组框1 = 0x16010003;
inline constexpr uint32_t 上一题 = 0x16010004;
inline constexpr uint32_t 下一题 = 0x16010005;
inline constexpr uint32_t 答题 = 0x16010007;
inline constexpr uint32_t 参考答案 = 0x16010008;
inline constexpr uint32_t 备用1 = 0x16010009;
inline constexpr uint32_t 备用2 = 0x1601000A;
inline constexpr uint32_t 状态栏 = 0x1601000E;
inline constexpr uint32_t 题目画板 = 0x1601001B;
inline constexpr uint32_t 答题画板 = 0x1601001C;
inline constexpr uint32_t 参考答案画板 = 0x1601001D;
inline constexpr uint32_t 题目信息 = 0x1601001E;
inline constexpr uint32_t 标签1 = 0x16010038;
inline constexpr uint32_t 组题 = 0x16010048;
inline constexpr uint32_t 解答过程画板 = 0x1601004B;
inline constexpr uint32_t 时钟1 = 0x16010069;
inline constexpr uint32_t 标签2 = 0x16010089;
inline constexpr uint32_t 标签3 = 0x1601008C;
inline constexpr uint32_t 备选关键词列表框 = 0x16010094;
inline constexpr uint32_t 选中关键词列表框 = 0x16010095;
inline constexpr uint32_t 加入关键词 = 0x16010096;
inline constexpr uint32_t 移除关键词 = 0x16010097;
inline constexpr uint32_t 全选 = 0x16010098;
inline constexpr uint32_t 全取消 = 0x16010099;
inline constexpr uint32_t 服务器文本 = 0x160100C1;
inline constexpr uint32_t 升级题库按钮 = 0x160100F9;
inline constexpr uint32_t 升级主程序按钮 = 0x160100FA;
inline constexpr uint32_t 解压器 = 0x160100FC;
inline constexpr uint32_t 升级过程 = 0x160100FD;
inline constexpr uint32_t 超级链接框1 = 0x1601010B;
inline constexpr uint32_t 升级历史 = 0x1601011E;

// The hyperlink box is known to the logic by its role as well.
inline constexpr uint32_t FeedbackLink = 超级链接框1;

// Tab pages of 选择夹1, counted from 0.
inline constexpr int kPageAnswer = 0;
inline constexpr int kPageCompose = 1;
inline constexpr int kPageSolution = 2;
inline constexpr int kPageUpgradeAndFeedback = 3;
inline constexpr int kPageAbout = 4;

constexpr uint16_t Win32ControlId(uint32_t identifier) {
  return static_cast<uint16_t>(identifier & 0xFFFF);
}

}  // namespace program
