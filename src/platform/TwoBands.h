#pragma once
// Work over rows shared between two threads.
#include <system_error>
#include <thread>

namespace vantor {

// Runs band(first, end) over the rows [0, rows): when worthIt and there are two
// rows or more, the upper half on a helper thread and the lower half on this one;
// otherwise once over all of them here. Each call must write only its own rows,
// so the result does not depend on the split.
template <typename Row, typename Band>
void RunInTwoBands(Row rows, bool worthIt, Band band) {
    if (!worthIt || rows < 2) {
        band(Row{0}, rows);
        return;
    }
    const Row half = rows / 2;
    std::thread helper;
    try {
        helper = std::thread([&band, half] { band(Row{0}, half); });
    } catch (const std::system_error&) {
        band(Row{0}, rows);  // no room for another thread (a memory limit): all of it here
        return;
    }
    band(half, rows);
    helper.join();
}

}  // namespace vantor
