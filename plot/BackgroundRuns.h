#pragma once
// The two axis backgrounds as stored data, so that the program does not draw
// them at every start. plot/BackgroundRuns.cpp is made from DrawBackground
// (plot/Backgrounds.cpp) by make_background_runs; a test checks that the two
// still agree.

#include <cstddef>
#include <cstdint>

// The pixels row by row from the top left, as runs: each word holds a run
// length in its upper 24 bits and a colour table entry in its low 8 bits.
struct TBackgroundRuns {
  const std::uint32_t* Words;
  std::size_t Count;
};

extern const TBackgroundRuns Coord2DRuns;
extern const TBackgroundRuns Coord3DRuns;
