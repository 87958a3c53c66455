// The runtime error box's text and the centring arithmetic.
#include <gtest/gtest.h>

#include "toolkit/model/messages.h"
#include "toolkit/model/placement.h"

namespace xy {
namespace {

TEST(RuntimeErrorText, ComposedWithCrLfPairs) {
    struct Case {
        std::string_view message;
        std::int32_t code;
        std::string expected;
    };
    const Case cases[] = {
        {text::kTemplateLoadFailed, 0, "运行时出错!\r\n\r\n错误信息：载入窗口模板数据段出错!\r\n"},
        {text::kStartWindowFailed, 0, "运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n"},
        {"", 0, "运行时出错!\r\n\r\n"},
        {"x", -5, "运行时出错!\r\n\r\n错误代码：-5\r\n\r\n错误信息：x\r\n"},
        {"", 42, "运行时出错!\r\n\r\n错误代码：42\r\n\r\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(text::runtimeError(c.message, c.code), c.expected);
}

TEST(RuntimeErrorText, AllocationFailureNamesTheBytesAskedFor) {
    EXPECT_EQ(text::allocationFailed(1048576), "分配 1048576 字节内存失败!");
    EXPECT_EQ(text::allocationFailed(0), "分配 0 字节内存失败!");
}

TEST(Placement, CentredOnTheWholeScreenWithoutClamping) {
    struct Case {
        std::int32_t sw, sh, w, h;
        Point expected;
    };
    const Case cases[] = {
        {1024, 768, 172, 452, {426, 158}},
        {1920, 1080, 172, 452, {874, 314}},
        {800, 400, 172, 452, {314, -26}},   // reaches above the top edge
        {1024, 768, 190, 185, {417, 291}},  // the update window
        {101, 101, 172, 452, {-35, -175}},  // truncates toward zero
    };
    for (const Case& c : cases) EXPECT_EQ(centredOrigin(c.sw, c.sh, c.w, c.h), c.expected);
}

}  // namespace
}  // namespace xy
