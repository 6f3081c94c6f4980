#pragma once
// Answers to browse and search requests, sent from one thread of their own.
// A request costs a few bytes until its first datagram is due; the datagrams
// of one answer go out kSpacingMs apart, those of different answers
// interleaved. What the queue cannot hold is dropped, as a lost datagram
// would be: any address can ask, and a sender's address may be forged.
#include <QList>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <list>
#include <mutex>
#include <thread>

class Messenger;

class AnswerQueue {
public:
    struct Datagram {
        QString code;
        QString payload;
    };
    using Datagrams = QList<Datagram>;
    // Builds an answer on the queue's thread when its first datagram is due.
    using Build = std::function<Datagrams()>;

    // Pause after every datagram of an answer but the last, so that a slow requester keeps up.
    static constexpr int kSpacingMs = 1500;

    // How the datagrams of one answer are spaced, and what each costs of the
    // queue's rate limit (1/perSecond s).
    struct Pace {
        int burst;    // datagrams sent back to back
        int pauseMs;  // after each burst
        int perSecond;
    };
    // What every requester can take: the spacing its own copy keeps.
    static constexpr Pace kPaced{1, kSpacingMs, 200};
    // For a requester whose reader thread drains its socket into a deep queue:
    // a burst stays far below a socket buffer, about 2 MB/s for one answer and
    // at most 4 MB/s for all fast answers together, which any wired LAN takes.
    static constexpr Pace kFast{8, 16, 1000};

    static constexpr int kPending = 32;            // not yet started; when full, the oldest gives way
    static constexpr int kActive = 64;             // being sent or waiting for their first datagram
    static constexpr int kPerRequester = 2;        // pending and active for one address
    static constexpr int kDatagramsPerSecond = kPaced.perSecond; // all paced answers together

    explicit AnswerQueue(Messenger &net);
    ~AnswerQueue();

    // From any thread, returns at once. key names what the request asks for:
    // a request equal to one from the same address that has had nothing sent
    // yet is merged into it; one beyond kPerRequester ends that address's oldest answer.
    // False when the request was dropped or merged.
    bool Submit(const QString &requester, const QString &key, int delayMs, Build build, Pace pace = kPaced);
    // Nothing pending and nothing being sent.
    bool Idle() const;
    // Drops everything and ends the thread; later requests are dropped.
    void Stop();
    // Stops every queue: the program is closing.
    static void StopAll();

private:
    using Clock = std::chrono::steady_clock;
    struct Answer {
        QString requester;
        QString key;
        Build build;
        Clock::time_point due;
        Datagrams datagrams; // filled by build, when the first one is due
        int sent = 0;
        Pace pace = kPaced;
    };

    void Run();
    int HeldBy(const QString &requester) const;
    // Ends the requester's answer that has had the most sent, else its oldest pending one.
    void DropOldest(const QString &requester);
    // Moves pending requests into the active set, making room by ending the
    // active answer that has had the most datagrams sent.
    void Admit();
    // The answer whose next datagram is due first.
    std::list<Answer>::iterator Earliest();
    // Builds the answer if it is not yet built and sends its next datagram.
    void SendNext(Answer &answer);

    Messenger &net_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Answer> pending_;
    std::list<Answer> active_;
    bool sending_ = false; // one answer is out of the lists while it builds or sends
    bool stopped_ = false;
    Clock::time_point nextSlot_{};
    std::thread thread_;
};
