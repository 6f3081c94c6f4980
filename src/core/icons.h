#pragma once
// The program's small pictures, drawn in code so that they look the same on
// every desktop and offscreen.
#include <QIcon>

namespace icons {

enum class Id {
    App,
    PeerRoot,     // the whole network
    PeerGroup,    // a workgroup
    PeerComputer, // a computer
    FileOpen,     // a document, no password
    FileLocked,   // a document with a password
    FilePlain,    // a blank page
    Folder,       // a yellow folder
    Owner,        // a remote owner
    Drive,        // a drive
};

QIcon Get(Id id);

} // namespace icons
