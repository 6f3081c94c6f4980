#pragma once
// Reads one list datagram "@_+G" into the remote share views.
#include <QString>

class ListingController;
class TMainForm;

class TProcessShareRecvThread {
public:
    TProcessShareRecvThread(QString text, ListingController &listing, TMainForm &main)
        : text_(std::move(text)), listing_(listing), main_(main) {}

    // Its whole work belongs on the main thread; running it there at once
    // also keeps the entries of successive datagrams in their order of arrival.
    void Execute();

private:
    QString text_;
    ListingController &listing_;
    TMainForm &main_;
};
