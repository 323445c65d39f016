// The tool windows a change of the link closes (mixer, noise threshold): each registers while its
// window exists. Window thread only.
#pragma once

#include "ui/UILib.h"

namespace ToolWindows {

void Add(DuiLib::CWindowWnd* window);
void Remove(DuiLib::CWindowWnd* window);
// Asks every registered window to close with `result`.
void CloseAll(DuiLib::UINT result);

}  // namespace ToolWindows
