// The command line's synchronisation of two folders (--sync) and its file
// operations on the items of a folder comparison (--op).
#pragma once

#include "app/FrontEndOptions.h"
#include "foldercompare/FolderCompareDoc.h"
#include "platform/Output.h"

namespace corvatine {

// Checks every --op value before anything is done; trouble naming the first
// that is not understood, or EXIT_SAME.
int CheckFolderOperations(const FRONTENDOPTIONS& options, platform::COutput& err);

// Applies the --op values in order to the compared (whole) tree, then brings
// the tree up to date without a rescan. Refused, changing nothing, when one
// compared folder lies inside the other (but for compare-contents) or when
// the deletes would exceed --max-delete; with --dry-run only what each
// would do is printed on out. EXIT_SAME when every one succeeded, else
// EXIT_TROUBLE (each failure on err).
int ApplyFolderOperations(CFolderCompareDoc& doc, const FRONTENDOPTIONS& options, platform::COutput& out,
                          platform::COutput& err);

// Synchronises the compared (whole) tree by --sync: the plan with --dry-run,
// else the log of what is done.
int RunFolderSync(CFolderCompareDoc& doc, const FRONTENDOPTIONS& options, platform::COutput& out,
                  platform::COutput& err);

}  // namespace corvatine
