#include "video/detector/LumaTable.h"

namespace korvex {

LumaTable::LumaTable() {
    int index = 0;
    for (int r = 0; r < 32; ++r) {
        for (int g = 0; g < 32; ++g) {
            for (int b = 0; b < 32; ++b) {
                grey_[index++] = Grey(r, g, b);
            }
        }
    }
}

const LumaTable& LumaTable::Shared() {
    static const LumaTable table;
    return table;
}

}  // namespace korvex
