// Start-up step: points the UI framework at the skin archive compiled into the program.
#pragma once

#include <QString>

// The archive's password (traditional zip encryption).
inline constexpr const char* kSkinPassword = "marlin-crop-vaneth";
// Where the build embeds the archive (resource name "IDR_ZIPRES", type "ZIPRES").
inline constexpr const char* kSkinResource = ":/ZIPRES/IDR_ZIPRES";

// Registers the archive found at `resource` and loads its index "xml\res.xml". A missing,
// empty or refused archive leaves the program running without a skin; returns whether the
// archive was registered.
bool PrepareSkinResources(const QString& resource = kSkinResource);
