#pragma once

namespace sq {

// Prepares the heap for the large tables of a big file; call first thing in main.
void PrepareLargeHeap();

}  // namespace sq
