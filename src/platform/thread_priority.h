// Work that may wait behind everything else: a thread that computes in the
// background (the digests read back beside a split or a join) lowers its
// own priority, so that the thread that copies and the one that answers
// the user, Stop included, come first when the cores are busy.
#pragma once

namespace fennimar {

// Lowers the calling thread's scheduling priority; best effort, since a
// thread that keeps its priority still does its work.
void LowerThisThreadsPriority();

}  // namespace fennimar
