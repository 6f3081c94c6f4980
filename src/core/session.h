#pragma once
// One running copy without its windows: the host identity, both sockets, the
// dispatcher and the send side, the share list, the peer directory, browse and
// search, serving, the download queue, the chat handshake, and the start-up
// and close sequences. Windows and the command-line program both drive a
// session; it reports through signals and never calls a window.
#include "core/dispatcher.h"
#include "core/host.h"
#include "core/messenger.h"
#include "core/timings.h"

#include <QObject>

#include <memory>

class ChatHandshake;
class DatagramReceiver;
class DownloadServer;
class Downloads;
class PeerDirectory;
class RemoteListing;
class ShareRegistry;
class TerminationSignals;

class Session : public QObject {
    Q_OBJECT
public:
    // messenger: the send side to use (tests pass one that records); null for the real one.
    explicit Session(std::unique_ptr<Messenger> messenger = nullptr, Timings timings = {});
    ~Session() override;

    HostIdentity &host() { return host_; }
    const Timings &timings() const { return timings_; }
    Messenger &net() { return *net_; }
    Dispatcher &dispatcher() { return dispatcher_; }
    ShareRegistry &registry() { return *registry_; }
    PeerDirectory &peers() { return *peers_; }
    DownloadServer &downloadServer() { return *downloadServer_; }
    Downloads &downloads() { return *downloads_; }
    RemoteListing &listing() { return *listing_; }
    ChatHandshake &chat() { return *chat_; }
    int RecvSocket() const;
    int SendSocket() const { return net_->SendSocket(); }
    quint64 ReceiveDrops() const;

    // Where the configuration file, the downloads and the file server are, as
    // the program folder and the user's folders allow.
    void FindFolders();

    enum class Start { Started, NoAddress, PortTaken, SocketFailed };
    // Loads the share list, learns the host's names and opens both sockets.
    Start StartUp();
    bool StartedUp() const { return startedUp_; }
    // The message a failed start shows.
    static QString StartMessage(Start result);

    // Closes both sockets, saves the share list when the start-up ran to its
    // end (and saveShares: a client that only fetches leaves the file alone),
    // and lets running work end. False with error set when the save failed.
    bool Close(QString *error, bool saveShares = true);

signals:
    // A text for the status line (a receive failure).
    void status(const QString &text);
    // SIGTERM, SIGINT or SIGHUP: the program should close.
    void endRequested();

private:
    HostIdentity host_;
    Timings timings_;
    std::unique_ptr<Messenger> net_;
    Dispatcher dispatcher_{host_};
    DatagramReceiver *receiver_ = nullptr;
    TerminationSignals *termination_ = nullptr;
    std::unique_ptr<ShareRegistry> registry_;
    std::unique_ptr<PeerDirectory> peers_;
    std::unique_ptr<DownloadServer> downloadServer_;
    std::unique_ptr<Downloads> downloads_;
    std::unique_ptr<RemoteListing> listing_;
    std::unique_ptr<ChatHandshake> chat_;
    bool startedUp_ = false;
    bool closed_ = false;
};
