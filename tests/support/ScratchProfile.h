// A settings store of its own for a test: a fresh hive file in a temporary
// folder and the program's profile on it.
#pragma once

#include "platform/Profile.h"
#include "platform/RegistryHive.h"
#include "support/TestSupport.h"

namespace corvatine::test {

struct ScratchProfile {
    TempDir dir;
    platform::CRegistryHive hive{dir / "registry.reg", "HKEY_CURRENT_USER"};
    platform::CProfile profile{hive, platform::kSettingsRoot};
};

}  // namespace corvatine::test
