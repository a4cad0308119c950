#include "foldercompare/FolderCompareOptions.h"

namespace corvatine {

CFolderComparer& GetFolderComparer() {
    static CFolderComparer comparer;
    return comparer;
}

}  // namespace corvatine
