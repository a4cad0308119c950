// The window benchmarks' generated pair: lines of text, and the same with
// 1% of them changed.
#pragma once

#include <fstream>
#include <random>
#include <string>

namespace bench {

inline void MakeChangedPair(const std::string& left, const std::string& right, int lines) {
    std::mt19937 random(20261209);
    std::ofstream a(left), b(right);
    for (int i = 0; i < lines; ++i) {
        const std::string line = "line " + std::to_string(i) + " of the generated text, value " +
                                 std::to_string(random() % 100000) + "\n";
        a << line;
        if (random() % 100 == 0)
            b << "changed " << line;
        else
            b << line;
    }
}

}  // namespace bench
