// The breakline and contour files of a project (store/line_files.h), forced
// into the network line by line, with the build's messages.
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
