#pragma once
// A main window with its subsystems built and wired as the program's entry
// does, reachable from the window as the tests and probes need them.
#include "core/desktop.h"
#include "core/mainform.h"

class WiredForm : public TMainForm {
public:
    explicit WiredForm(Session &session) : TMainForm(session), desktop_(session, *this) {}

    Desktop &desktop() { return desktop_; }
    TSharePage &sharePage() { return desktop_.sharePage(); }
    PeerTree &peers() { return desktop_.peers(); }
    ListingController &listing() { return desktop_.listing(); }
    TDownForm &downForm() { return desktop_.downForm(); }
    TWait_Form &waitForm() { return desktop_.waitForm(); }
    TV_Chat &chatForm() { return desktop_.chatForm(); }
    ChatController &chat() { return desktop_.chat(); }

private:
    Desktop desktop_;
};
