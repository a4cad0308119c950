#include "fileio/Bom.h"

namespace corvatine {

bool DetectBom(const unsigned char* data, size_t size, BomInfo& info) {
    info = BomInfo{};
    if (size >= 2) {
        if (data[0] == 0xFF && data[1] == 0xFE) {
            info = {ENCODING_UCS2_LE, 2, 2};
            return true;
        }
        if (data[0] == 0xFE && data[1] == 0xFF) {
            info = {ENCODING_UCS2_BE, 2, 2};
            return true;
        }
    }
    if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
        info = {ENCODING_UTF8, 1, 3};
        return true;
    }
    return false;
}

}  // namespace corvatine
