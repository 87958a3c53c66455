// The memory-allocation failure path, end to end: alloc_probe.exe carries the
// program's own toolkit layer (operator new, runtime error box, ending) and
// asks it for memory that cannot be had. The real runtime error box must
// name the size asked for, the process must end with -1 once the box is
// closed, and the exit hooks must not run.
#include "stress.h"

namespace stress {
namespace {

using namespace e2e;

struct AllocCase {
    const wchar_t* arg;
    const char* what;
    const wchar_t* bytes;  // the size the box names; nullptr: no box
    DWORD exitCode;
};

const AllocCase kCases[] = {
    {L"new", "operator new of half the address space", L"2147483647", 0xFFFFFFFFu},
    {L"array", "new[] of 3 GiB", L"3221225472", 0xFFFFFFFFu},
    {L"vector", "a vector longer than any can be", L"4294967295", 0xFFFFFFFFu},
    {L"exhaust", "256 MiB blocks until none is left", L"268435456", 0xFFFFFFFFu},
    {L"nothrow", "nothrow operator new", nullptr, 3},
};

}  // namespace

void runAllocation(const Options&) {
    Record& rec = record();
    const std::wstring probe = ownFolder() + L"\\alloc_probe.exe";
    if (!rec.check(GetFileAttributesW(probe.c_str()) != INVALID_FILE_ATTRIBUTES, "allocation probe built",
                   narrow(probe)))
        return;
    TempDir dir(L"C:\\xy-stress\\alloc");
    const std::wstring hook = dir.path() + L"\\hook-ran";
    SetEnvironmentVariableW(L"XY_ALLOC_HOOK_FILE", hook.c_str());
    int boxes = 0;
    for (const AllocCase& c : kCases) {
        DeleteFileW(hook.c_str());
        Process p = start(probe, dir.path(), c.arg);
        if (!rec.check(bool(p), "allocation probe starts", c.what)) continue;
        if (c.bytes) {
            auto box = waitForMessageBox(p.pid(), 10000ms, kErrorCaption);
            if (!rec.check(box.has_value(), "a failed allocation shows the runtime error box", c.what)) continue;
            ++boxes;
            const std::wstring want =
                std::wstring(L"运行时出错!\r\n\r\n错误信息：分配 ") + c.bytes + L" 字节内存失败!\r\n";
            rec.check(box->text == want, "the runtime error names the size asked for",
                      std::string(c.what) + ": \"" + narrow(box->text) + "\"");
            rec.check(box->buttons.size() == 1 && box->buttons[0].id == IDOK, "the runtime error box has one OK",
                      c.what);
            rec.check(GetWindow(box->hwnd, GW_OWNER) == nullptr, "the runtime error box has no owner", c.what);
            PostMessageW(box->hwnd, WM_COMMAND, IDOK, 0);
        }
        auto code = p.waitExit(10000ms);
        rec.check(code.has_value(), "the probe ends", c.what);
        if (code)
            rec.check(*code == c.exitCode, "exit code after a failed allocation",
                      fmt("%s: %ld instead of %ld", c.what, long(*code), long(c.exitCode)));
        rec.check(GetFileAttributesW(hook.c_str()) == INVALID_FILE_ATTRIBUTES,
                  "no exit hook runs after a runtime error", c.what);
    }
    SetEnvironmentVariableW(L"XY_ALLOC_HOOK_FILE", nullptr);
    rec.figure("alloc: failed allocations that showed the runtime error", fmt("%d of %zu cases", boxes,
                                                                            std::size(kCases) - 1));
}

}  // namespace stress
