#pragma once
// The threads for work that can take seconds: the relief-carving G-code
// file, G-code loads, the whole-program check and the check after an edit.
//
// Qt's global pool carries the short saves the controller starts during a
// run (the execution status), and on a one-core Pi it has a single thread: a
// long job there would hold that thread for as long as it works, the saves
// would queue behind it and the run's end, which waits for its last save,
// with them. Long jobs therefore run here, never on the global pool:
//
//   QtConcurrent::run(CLongJobs::Pool(), [...] { ... });
//
// The pool has at least two threads whatever the number of cores, so a
// G-code load or check the operator waits for does not queue behind a
// carving file that takes minutes. Whoever starts a job keeps its future and
// waits for it (or stops it) before the things it reports to go away.
#include <QThreadPool>

class CLongJobs
{
public:
    CLongJobs() = delete;

    // Threads the pool has at the least (more on a machine with more cores).
    static constexpr int MIN_THREADS = 2;

    // Made at first use and never destroyed: a job still running when the
    // program ends must not hold up its exit.
    static QThreadPool* Pool();
};
