#pragma once
// Every interval the protocol fixes, in one place, so that a test can run a
// whole copy with short ones. The program uses these defaults unless the
// environment variable QUILLMERE_TIMINGS names others for a test
// ("announce=2000,answer=1500,chat=2000,spacing=100,transfer=1000", in ms).
#include <QString>

struct Timings {
    int announceMs = 30000;     // presence announcement; a computer not heard for two is dimmed
    int answerWaitMs = 6000;    // a browse or search without any answer ends
    int chatWaitMs = 15000;     // a chat request without an answer ends
    int listSpacingMs = 1500;   // between the list datagrams of one paced answer
    int transferWaitMs = 5000;  // each wait of the downloading side: reply, connect, silence

    // The defaults with what text names changed; names and values it does not know are ignored.
    static Timings FromText(const QString &text);
    // FromText of QUILLMERE_TIMINGS.
    static Timings FromEnvironment();
};
