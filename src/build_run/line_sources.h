// The breakline and contour files of a project, read and forced into the
// network segment by segment.
//
// Breaklines: SLine.txt names the breakline file, which holds the number of
// lines and then, per line, its point count (at most 5000) and its points as
// "x y z". Contours: fnum holds the number of contour files Point.1 ...
// Point.F; each holds a header "a b L c" with its line count L and, per line,
// "n h c" and n points "x y". All numbers are separated by any white space.
#pragma once

#include <string>

#include "breaklines/segment_insertion.h"
#include "build_run/build_run.h"

namespace quarvelin {

// Shows what the enforcements since the last call had to tell the user.
void ShowSegmentMessages(SegmentInserter& inserter, ProgressReporter& reporter);

// The breaklines named by SLine.txt. Never ends the run; a breakline file
// that ends early or holds a word that is not a number is read up to there.
// A breakline file that SLine.txt names but that cannot be opened means no
// breaklines, with only a note.
void EnforceBreaklines(const std::string& projectDirectory, SegmentInserter& inserter, ProgressReporter& reporter);

// The contour files counted by fnum. Returns false, after a message, when the
// run must end: fnum is missing or unreadable, or a contour file is missing or has an
// unreadable header (found before any contour is enforced), or cannot be
// opened again.
bool EnforceContours(const std::string& projectDirectory, SegmentInserter& inserter, ProgressReporter& reporter);

}  // namespace quarvelin
