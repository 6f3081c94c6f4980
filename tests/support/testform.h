#pragma once
// A main window on a session of its own, built as the program's entry builds
// them; the session records what it would send unless told otherwise.
#include "core/mainform.h"
#include "core/session.h"
#include "recordingmessenger.h"

#include <memory>

class TestSessionHolder {
protected:
    TestSessionHolder(std::unique_ptr<Messenger> messenger, Timings timings)
        : ownSession_(std::move(messenger), timings) {}
    Session ownSession_;
};

class TestForm : private TestSessionHolder, public TMainForm {
public:
    explicit TestForm(std::unique_ptr<Messenger> messenger = std::make_unique<RecordingMessenger>(),
                      Timings timings = {})
        : TestSessionHolder(std::move(messenger), timings), TMainForm(ownSession_) {}
};
