// A file opened in the hex buffer without a window: dumped, or searched.
#pragma once

#include <string>

#include "app/FrontEndOptions.h"
#include "launch/Components.h"
#include "platform/Output.h"

namespace corvatine {

// --format=hex prints the bytes in rows of the hex editor's RowSize, grouped
// by its GroupSize; --find=STRING prints the offset of every match of the hex
// views' search syntax (exit 1 when there is none). Exit 2 when the file
// cannot be opened.
int RunHexAction(CComponents& components, const std::string& path, const FRONTENDOPTIONS& options,
                 platform::COutput& out, platform::COutput& err);

}  // namespace corvatine
