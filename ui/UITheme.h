// The panel's palette (ARGB): dark, high contrast, one accent colour. Controls take their
// defaults from here; markup attributes override them.
#pragma once

#include "ui/UIDefs.h"

namespace DuiLib::theme {

constexpr DWORD kWindowBk = 0xFF14171C;
constexpr DWORD kPanelBk = 0xFF1C2128;
constexpr DWORD kPanelBorder = 0xFF2B323C;
constexpr DWORD kControlBk = 0xFF262D36;
constexpr DWORD kControlHotBk = 0xFF303844;
constexpr DWORD kPrimaryText = 0xFFE2E7EE;
constexpr DWORD kSecondaryText = 0xFF8C96A5;
constexpr DWORD kAccent = 0xFF00C000;
constexpr DWORD kWarning = 0xFFE5484D;
constexpr DWORD kEditBk = 0xFF0F1216;
constexpr DWORD kEditBorder = 0xFF333B46;
constexpr DWORD kDisabledText = 0xFF59616D;

}  // namespace DuiLib::theme
