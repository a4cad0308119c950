#include "textcompare/TextCompareOptions.h"

namespace corvatine {

CTextComparer& GetTextComparer() {
    static CTextComparer comparer;
    return comparer;
}

}  // namespace corvatine
