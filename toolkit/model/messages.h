// The frame's own texts and the composition of the runtime error box.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace xy::text {

inline constexpr std::string_view kErrorCaption = "错误";
inline constexpr std::string_view kTemplateLoadFailed = "载入窗口模板数据段出错!";
inline constexpr std::string_view kStartWindowFailed = "载入启动窗口失败";

// "运行时出错!" and two line breaks; "错误代码：" with the code and two line
// breaks when the code is not 0; "错误信息：" with the message and one line
// break when there is a message. Line breaks are CR LF.
std::string runtimeError(std::string_view message, std::int32_t code = 0);

// "分配 N 字节内存失败!" with the number of bytes asked for.
std::string allocationFailed(std::size_t bytes);

}  // namespace xy::text
