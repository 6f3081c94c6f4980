#pragma once
// Short-lived worker threads, each started at once for one datagram and
// gone when its work ends, and the hand-over of window work to the main thread.
#include <functional>

class QObject;

// Starts work on a worker thread and returns at once. False when the work was
// dropped: the program is closing, or thousands of others wait already.
bool StartWorker(std::function<void()> work);
// True once the program has begun to close; long-running workers stop early.
bool ShuttingDown();
// Waits, still dispatching events, up to maxMs for running workers to end.
void WaitWorkers(int maxMs);
// Marks the program as closing, drops work that has not started and every
// answer queue's, and waits as WaitWorkers does for the work that runs.
void StopWorkers(int maxMs);
// Runs fn on the thread of context (the main thread for windows) and waits
// for it; from that thread itself it runs fn directly. Does nothing when the
// context goes away before fn could run.
void RunOnMainThread(QObject *context, std::function<void()> fn);

// Returns after ms milliseconds. On the main thread events are dispatched
// meanwhile, blocking in the event loop between them; on a worker it sleeps.
void WaitPumping(int ms);
