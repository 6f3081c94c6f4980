#pragma once
// A main window on a session of its own, built and wired as the program's
// entry builds them; the session records what it would send unless told otherwise.
#include "core/session.h"
#include "recordingmessenger.h"
#include "wiredform.h"

#include <memory>

class TestSessionHolder {
protected:
    TestSessionHolder(std::unique_ptr<Messenger> messenger, Timings timings)
        : ownSession_(std::move(messenger), timings) {}
    Session ownSession_;
};

class TestForm : private TestSessionHolder, public WiredForm {
public:
    explicit TestForm(std::unique_ptr<Messenger> messenger = std::make_unique<RecordingMessenger>(),
                      Timings timings = {})
        : TestSessionHolder(std::move(messenger), timings), WiredForm(ownSession_) {}
};
