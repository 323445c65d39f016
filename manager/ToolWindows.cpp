#include "manager/ToolWindows.h"

#include <algorithm>
#include <vector>

namespace ToolWindows {

namespace {
std::vector<DuiLib::CWindowWnd*>& Open() {
    static std::vector<DuiLib::CWindowWnd*> windows;
    return windows;
}
}  // namespace

void Add(DuiLib::CWindowWnd* window) {
    if (window && std::find(Open().begin(), Open().end(), window) == Open().end())
        Open().push_back(window);
}

void Remove(DuiLib::CWindowWnd* window) {
    std::erase(Open(), window);
}

void CloseAll(DuiLib::UINT result) {
    // Close posts, so no window leaves the list while it is walked.
    for (DuiLib::CWindowWnd* window : Open()) window->Close(result);
}

}  // namespace ToolWindows
