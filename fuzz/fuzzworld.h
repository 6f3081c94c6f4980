#pragma once
// One main window for a whole fuzzing run: offscreen, sends recorded instead
// of sent, every dialog answered at once.
#include "core/mainform.h"
#include "core/prompts.h"
#include "peers/peertree.h"
#include "recordingmessenger.h"

#include <QApplication>

inline TMainForm &FuzzWorld() {
    static TMainForm *form = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz";
        static char *argv[] = {name, nullptr};
        new QApplication(argc, argv);
        prompts::SetHook([](const prompts::Request &) { return prompts::Answer{}; });
        auto *f = new TMainForm(std::make_unique<RecordingMessenger>());
        f->host().LocalIP = QStringLiteral("10.0.0.1");
        f->host().ComputerName = QStringLiteral("FUZZ");
        f->host().WorkgroupName = QStringLiteral("WG");
        f->net().SetSendSocket(1000); // recorded, never used as a descriptor
        f->peers().PlantRoot();
        return f;
    }();
    return *form;
}

// A sender address chosen by one byte: this host, a peer, loopback, broadcast.
inline QString FuzzSender(unsigned char b) {
    static const char *const senders[] = {"10.0.0.1", "10.0.0.5", "127.0.0.1", "255.255.255.255"};
    return QString::fromLatin1(senders[b % 4]);
}
