#pragma once
// Where the companion tool's profile files live, and the combined profile list built
// from the firmware's profile names and that folder's ".oc" files.

#include <cstdint>
#include <string>
#include <vector>

#include "lumen/kora/TwOcItemProfile.h"

namespace kora {

inline constexpr char kProfileFolderName[] = "KORA OC Profiles\\";
inline constexpr char kProfileExtension[] = ".oc";

// The common application-data folder + "\KORA OC Profiles\", made when missing; the
// relative "KORA OC Profiles\" when the shell cannot name that folder. Always ends in a
// backslash.
std::string GetProfileFolder();

// folder + name + ".oc".
std::string ProfileFilePath(const std::string& folder, const std::string& name);

// The folder's entries as the profile list needs them; empty when it cannot be listed.
std::vector<FolderEntry> ListProfileFolder(const std::string& folder);

// The firmware names, then the ".oc" files of `folder`, with the position that
// "ProfileType" / "ProfileName" select.
CombinedProfileList ListProfiles(const std::vector<std::string>& firmwareNames, uint32_t profileType,
                                 const std::string& profileName, const std::string& folder);

}  // namespace kora
