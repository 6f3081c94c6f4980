#pragma once
// The windows over one session, built in order around the main window and
// wired to each other and to the session here alone. The program's entry and
// the tests build the same.
#include <memory>

class ChatController;
class ListingController;
class PeerTree;
class PingLauncher;
class Session;
class TDownForm;
class TMainForm;
class TrayActivity;
class TSharePage;
class TV_Chat;
class TWait_Form;

class Desktop {
public:
    Desktop(Session &session, TMainForm &main);
    ~Desktop();

    TSharePage &sharePage() { return *sharePage_; }
    ListingController &listing() { return *listing_; }
    PeerTree &peers() { return *peers_; }
    TDownForm &downForm() { return *downForm_; }
    TWait_Form &waitForm() { return *waitForm_; }
    TV_Chat &chatForm() { return *chatForm_; }
    ChatController &chat() { return *chat_; }

    // The tray tells what happens here while the window is away.
    void ReportTo(TrayActivity &tray);

private:
    TSharePage *sharePage_ = nullptr; // a page of the main window, which owns it
    std::unique_ptr<ListingController> listing_;
    std::unique_ptr<PeerTree> peers_;
    std::unique_ptr<TDownForm> downForm_;
    std::unique_ptr<TWait_Form> waitForm_;
    std::unique_ptr<TV_Chat> chatForm_;
    std::unique_ptr<ChatController> chat_;
    std::unique_ptr<PingLauncher> ping_;
};
