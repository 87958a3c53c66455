#include "toolkit/model/messages.h"

namespace xy::text {

std::string runtimeError(std::string_view message, std::int32_t code) {
    std::string out = "运行时出错!\r\n\r\n";
    if (code != 0) {
        out += "错误代码：";
        out += std::to_string(code);
        out += "\r\n\r\n";
    }
    if (!message.empty()) {
        out += "错误信息：";
        out += message;
        out += "\r\n";
    }
    return out;
}

std::string allocationFailed(std::size_t bytes) {
    return "分配 " + std::to_string(bytes) + " 字节内存失败!";
}

}  // namespace xy::text
