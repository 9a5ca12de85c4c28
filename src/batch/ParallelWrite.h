// `vantor --write --jobs N`: the write run with N workers. Each worker has a view
// of its own that loads, composes and encodes slides, side by side; the calling
// thread takes their results in list order, tells what each slide told, chooses
// the output name and writes the file, so the names, the files and the messages
// are those of one view writing the slides one after the other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vantor {

class CVantorView;
class ConsoleUi;

// Writes slides startNo..count (numbered from 1) of the count paths from
// paths[offset] on, as the write run of view would, with jobs workers. configure
// gives a worker's view the settings of view. Each pass sets view.m_slideNo and
// steps the progress as the run loop does.
void RunParallelWrite(CVantorView& view, ConsoleUi& ui, const std::vector<std::string>& paths, std::size_t offset,
                      std::uint32_t count, std::uint32_t startNo, unsigned jobs,
                      const std::function<void(CVantorView&)>& configure);

}  // namespace vantor
