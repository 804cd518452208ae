// Arrays for grids: a grid of millions of buckets costs more in first touches of its memory (one
// page fault for every 4 KiB) than in any pass over it, so large ones ask for the system's huge
// pages (transparent huge pages, 2 MiB at a fault) before they are first written.
#pragma once

#include <cstddef>
#include <vector>

namespace corvane {

// n zeros; from 4 MiB on, on huge pages where the system offers them.
std::vector<double> GridArray(std::size_t n);

}  // namespace corvane
